#include "midi/windows/MidiPref3.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/windows/MidiEndpoints.h"
#include "midi/windows/MidiWindowRules.h"
#include "midi/windows/TrigRowViews.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kHelpTriggers = 8;
// The engine keeps capturing a little after listening ends, so that the
// message being played when Cancel is pressed does not fire a trigger.
constexpr double kListenTail = 0.5;
const QString kSelectRow = QStringLiteral("A row must be selected to perform this operation");

const QString &dragType()
{
    static const QString type = dragtypes::privateTableType(QStringLiteral("3"));
    return type;
}

} // namespace

MidiPref3::MidiPref3(QWidget *parent) : MidiToolWindow(QStringLiteral("MIDI Triggers"), parent)
{
    auto *layout = new QVBoxLayout(this);
    table_ = new MidiRowTable({QStringLiteral("Source"), QStringLiteral("Channel"), QStringLiteral("Trigger Source"),
                               QStringLiteral("Action"), QStringLiteral("Behavior")},
                              this);
    table_->setColumnWidth(0, 200);
    table_->setColumnWidth(1, 70);
    table_->setColumnWidth(2, 320);
    table_->setColumnWidth(3, 320);
    table_->dragData = [this](int row) { return dragRows(row); };
    table_->canDrop = [](const QMimeData *data, int, bool) { return data && data->hasFormat(dragType()); };
    table_->onDrop = [this](const QMimeData *data, int row, bool) { return acceptDrop(data, row); };
    table_->ownTypes = {dragType()};
    table_->fillRow = [this](int row) { fillRow(row); };
    table_->rowsFitContents = true;
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (selectingInCode_ || filling_)
            return;
        enableButtons(true);
        listenOff();
    });
    layout->addWidget(table_, 1);

    auto *buttons = new QHBoxLayout;
    add_ = new QPushButton(QStringLiteral("+"), this);
    del_ = new QPushButton(QStringLiteral("−"), this);
    dup_ = new QPushButton(QStringLiteral("Duplicate"), this);
    listen_ = new QPushButton(QStringLiteral("Listen"), this);
    auto *help = new QPushButton(QStringLiteral("?"), this);
    connect(add_, &QPushButton::clicked, this, &MidiPref3::actionInsertRow);
    connect(del_, &QPushButton::clicked, this, &MidiPref3::actionDeleteRow);
    connect(dup_, &QPushButton::clicked, this, &MidiPref3::actionDuplicateRow);
    connect(listen_, &QPushButton::clicked, this, &MidiPref3::actionListen);
    connect(help, &QPushButton::clicked, this, [] { actionButtonHelp(kHelpTriggers); });
    for (QPushButton *b : {add_, del_, dup_, listen_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    enableButtons(false);
    resize(1120, 460);

    // windowDidLoad
    qApp->installEventFilter(this);
    Midi::setListenTrigSourceOn(false);
    auto &center = platform::NotificationCenter::defaultCenter();
    center.addObserver(vocab::EventUpdateRow, [this](const platform::Notification &n) { eventUpdateRow(n); }, this);
    center.addObserver(vocab::EventListen, [this](const platform::Notification &n) { eventListen(n); }, this);
}

MidiPref3::~MidiPref3() = default;

void MidiPref3::showMidiPref(bool save)
{
    if (save && isVisible())
        sauvegarderDonnees();
    sourceAvail_.clear();
    Midi::chargerSourceAvail(sourceAvail_);
    reloadTable();
    presentWindow();
}

void MidiPref3::sauvegarderDonnees()
{
    listenOff();
    Midi::sauvegarderTriggers();
}

// Keypad keys play notes wherever the keyboard is in the window, its cells included.
bool MidiPref3::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isActiveWindow() && watched->isWidgetType()
        && (watched == this || isAncestorOf(static_cast<QWidget *>(watched)))
        && Midi::isKeynToMIDI(platform::KeyEvent::fromQt(*static_cast<QKeyEvent *>(event)), true))
        return true;
    return MidiToolWindow::eventFilter(watched, event);
}

// ---- Rows ----------------------------------------------------------------------------------------

TableComboBox *MidiPref3::sourceCell(int row) const
{
    return qobject_cast<TableComboBox *>(table_->cell(row, 0));
}

TableComboBox *MidiPref3::channelCell(int row) const
{
    return qobject_cast<TableComboBox *>(table_->cell(row, 1));
}

ViewTrigSource *MidiPref3::triggerSourceCell(int row) const
{
    return qobject_cast<ViewTrigSource *>(table_->cell(row, 2));
}

ViewTrigAction *MidiPref3::triggerActionCell(int row) const
{
    return qobject_cast<ViewTrigAction *>(table_->cell(row, 3));
}

TableComboBox *MidiPref3::behaviorCell(int row) const
{
    return qobject_cast<TableComboBox *>(table_->cell(row, 4));
}

void MidiPref3::reloadTable()
{
    sourceTexts_.clear();
    for (const MidiSourceAvailPtr &s : std::as_const(sourceAvail_))
        sourceTexts_ << midiendpoints::endpointText(midiendpoints::namesOfSource(*s));
    filling_ = true;
    table_->resetRows(int(Midi::MIDItriggers().size()));
    filling_ = false;
}

// Filled quietly: filling a row never counts as an edit of it.
void MidiPref3::fillRow(int row)
{
    const MidiTrigPtr trig = Midi::MIDItriggers().value(row);
    if (!trig)
        return;
    const QScopedValueRollback quiet(filling_, true);
    auto combo = [this, row](int column) {
        auto *c = qobject_cast<TableComboBox *>(table_->cellWidget(row, column));
        if (!c) {
            c = new TableComboBox;
            connect(c, &QComboBox::currentIndexChanged, this, [this, c] { updateTrigAtIndex(c->row()); });
            table_->setCellWidget(row, column, c);
        }
        c->setRow(row);
        return c;
    };
    TableComboBox *source = combo(0);
    TableComboBox *channel = combo(1);
    TableComboBox *behavior = combo(4);
    const QSignalBlocker q1(source), q2(channel), q3(behavior);
    int matching = -1;
    for (int i = 0; trig->sourceMode == 2 && matching < 0 && i < sourceAvail_.size(); ++i) {
        const MidiSourceAvail &s = *sourceAvail_[i];
        if (s.deviceUID == trig->deviceUID && s.entityUID == trig->entityUID && s.sourceUID == trig->sourceUID)
            matching = i;
    }
    midiendpoints::fillEndpointCombo(source, midiwin::sourceFixedItems(), sourceTexts_, trig->sourceMode, matching,
                                     trig->sourceDescr);
    channel->clear();
    channel->addItems(midiwin::trigChannelItems());
    channel->setCurrentIndex(int(std::clamp<qint64>(trig->channel, 0, 16)));
    behavior->clear();
    behavior->addItems(midiwin::behaviorItems());
    behavior->setCurrentIndex(int(std::clamp<qint64>(trig->behavior, 0, 2)));

    auto *view = qobject_cast<ViewTrigSource *>(table_->cellWidget(row, 2));
    if (!view) {
        view = new ViewTrigSource;
        table_->setCellWidget(row, 2, view);
    }
    view->setRow(row);
    view->setValComboSource(int(trig->sourceType));
    view->setValues(trig->sourceVal1, trig->sourceVal2, trig->sourceVal3);
    auto *action = qobject_cast<ViewTrigAction *>(table_->cellWidget(row, 3));
    if (!action) {
        action = new ViewTrigAction;
        table_->setCellWidget(row, 3, action);
    }
    action->setRow(row);
    action->setValComboAction(int(trig->actionType));
    action->setText(trig->actionTxt);
}

void MidiPref3::updateTrigAtIndex(qint64 row)
{
    const MidiTrigPtr trig = Midi::MIDItriggers().value(row);
    if (filling_ || !trig || !sourceCell(int(row)) || !triggerSourceCell(int(row)))
        return;
    const TableComboBox *source = sourceCell(int(row));
    const int item = source->currentIndex();
    if (item >= 2 && item - 2 < sourceAvail_.size()) {
        const MidiSourceAvail &s = *sourceAvail_[item - 2];
        trig->sourceMode = 2;
        trig->deviceUID = s.deviceUID;
        trig->entityUID = s.entityUID;
        trig->sourceUID = s.sourceUID;
        trig->sourceDescr = midiendpoints::descrOfItem(source->currentText());
    } else if (item == 0 || item == 1) {
        trig->sourceMode = item;
        trig->deviceUID = trig->entityUID = trig->sourceUID = 0;
        trig->sourceDescr.clear();
    }
    trig->channel = std::max(0, channelCell(int(row))->currentIndex());
    trig->behavior = std::max(0, behaviorCell(int(row))->currentIndex());
    const ViewTrigSource *view = triggerSourceCell(int(row));
    trig->sourceType = view->type();
    trig->sourceVal1 = view->value(1);
    trig->sourceVal2 = view->value(2);
    trig->sourceVal3 = view->value(3);
    const ViewTrigAction *action = triggerActionCell(int(row));
    trig->actionType = action->action();
    trig->actionTxt = action->text();
    Midi::refreshTrigFiltreChannel(trig->sourceType);
    // A note that is no longer watched for its release must leave the filter too.
    Midi::refreshTrigFiltreNoteOff();
}

void MidiPref3::eventUpdateRow(const platform::Notification &n)
{
    qint64 row = -1;
    if (const auto *v = qobject_cast<ViewTrigSource *>(n.object.data()))
        row = v->row();
    else if (const auto *a = qobject_cast<ViewTrigAction *>(n.object.data()))
        row = a->row();
    else
        return;
    // Only rows of this window's table.
    if (row >= 0 && row < table_->rowCount()
        && (table_->cellWidget(int(row), 2) == n.object || table_->cellWidget(int(row), 3) == n.object))
        updateTrigAtIndex(row);
}

void MidiPref3::eventListen(const platform::Notification &n)
{
    const auto *v = qobject_cast<ViewTrigSource *>(n.object.data());
    if (!v || v->row() < 0 || v->row() >= table_->rowCount() || table_->cellWidget(int(v->row()), 2) != v)
        return;
    const int row = int(v->row());
    if (rowListen_ >= 0 && rowListen_ != row)
        listenOff();
    rowListen_ = row;
    enableButtons(true);
    selectInCode(row);
    Midi::setListenTrigSourceOn(true);
}

// ---- Learning a source --------------------------------------------------------------------------------

void MidiPref3::selectInCode(int row)
{
    selectingInCode_ = true;
    table_->selectAndShow(row);
    selectingInCode_ = false;
}

void MidiPref3::enableButtons(bool enabled)
{
    for (QPushButton *b : {del_, listen_, dup_})
        b->setEnabled(enabled);
}

void MidiPref3::startListening(int row)
{
    ViewTrigSource *view = triggerSourceCell(row);
    if (!view)
        return;
    view->setValComboSource(0);
    rowListen_ = row;
    updateTrigAtIndex(row);
    Midi::setListenTrigSourceOn(true);
}

void MidiPref3::actionListen()
{
    const int row = table_->selectedRow();
    if (row < 0) {
        Data::msg(kSelectRow);
        return;
    }
    if (rowListen_ >= 0 && rowListen_ != row)
        listenOff();
    startListening(row);
}

void MidiPref3::updateValTrigSourceForType(qint64 type, qint64 val1, qint64 val2, qint64 val3,
                                           platform::MidiEndpointRef sourceRef, qint64 channel)
{
    if (rowListen_ < 0 || rowListen_ >= table_->rowCount())
        return;
    const int row = int(rowListen_);
    filling_ = true;
    int item = 0;
    for (int i = 0; i < sourceAvail_.size(); ++i)
        if (sourceAvail_[i] && sourceAvail_[i]->sourceRef == sourceRef) {
            item = i + 2;
            break;
        }
    sourceCell(row)->setCurrentIndex(item);
    channelCell(row)->setCurrentIndex(int(std::clamp<qint64>(channel, 0, 16)));
    triggerSourceCell(row)->setValComboSource(int(type));
    triggerSourceCell(row)->setValues(val1, val2, val3);
    filling_ = false;
    listenOff();
}

void MidiPref3::listenOff()
{
    if (rowListen_ < 0)
        return;
    const int row = int(rowListen_);
    rowListen_ = -1;
    if (ViewTrigSource *view = triggerSourceCell(row)) {
        // Cancel shows the type remembered before listening and posts the row's update.
        view->actionCancel();
        updateTrigAtIndex(row);
    }
    platform::performAfter(kListenTail, this, [this] {
        // Listening may have started again on another row meanwhile.
        if (rowListen_ < 0)
            Midi::setListenTrigSourceOn(false);
    });
}

// ---- Editing the list --------------------------------------------------------------------------------

void MidiPref3::actionInsertRow()
{
    listenOff();
    Midi::creerTriggers();
    reloadTable();
    const int row = table_->rowCount() - 1;
    selectInCode(row);
    enableButtons(true);
    startListening(row);
}

int MidiPref3::rowToEdit()
{
    listenOff();
    enableButtons(false);
    const int row = table_->selectedRow();
    if (row < 0)
        Data::msg(kSelectRow);
    return row;
}

void MidiPref3::actionDeleteRow()
{
    const int row = rowToEdit();
    if (row < 0)
        return;
    Midi::supprimerTriggersForIndex(row);
    reloadTable();
    if (const int last = table_->rowCount() - 1; last >= 0)
        selectInCode(row < last ? row : last);
    else
        selectInCode(-1);
    enableButtons(table_->rowCount() > 0);
}

void MidiPref3::actionDuplicateRow()
{
    const int row = rowToEdit();
    if (row < 0)
        return;
    Midi::creerTriggersUsingTriggerSource(row);
    reloadTable();
    selectInCode(table_->rowCount() - 1);
    enableButtons(table_->rowCount() > 0);
}

QMimeData *MidiPref3::dragRows(int row) const
{
    return dragtypes::rowsMimeData(dragType(), {row});
}

bool MidiPref3::acceptDrop(const QMimeData *data, int row)
{
    const auto from = dragtypes::firstRow(data, dragType(), Midi::MIDItriggers().size());
    if (!from || row < 0 || row > Midi::MIDItriggers().size())
        return false;
    // The listening row would otherwise move under the capture.
    listenOff();
    midiendpoints::moveRow(Midi::MIDItriggers(), *from, row);
    reloadTable();
    selectInCode(-1);
    return true;
}
