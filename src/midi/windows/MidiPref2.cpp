#include "midi/windows/MidiPref2.h"

#include "events/EventScript.h"
#include "events/windows/LastMidi.h"
#include "library/Data.h"
#include "library/DataEvents.h"
#include "midi/Midi.h"
#include "midi/windows/MidiEndpoints.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kHelpLibrary = 10;
constexpr int kScreenSets = 10;
// From this many learned events on, inserting them asks first.
constexpr qint32 kAskFromEvents = 6;
const QString kSelectGroup = QStringLiteral("A group must be selected to perform this operation");
const QString kSelectEvent = QStringLiteral("An event must be selected to perform this operation");

QPushButton *button(const QString &title, QWidget *parent, QLayout *layout)
{
    auto *b = new QPushButton(title, parent);
    layout->addWidget(b);
    return b;
}

} // namespace

MidiPref2::MidiPref2(QWidget *parent) : MidiToolWindow(QStringLiteral("MIDI Event Library"), parent)
{
    buildControls();
    enableGroupButtons(false);
    enableEventButtons();
}

MidiPref2::~MidiPref2() = default;

void MidiPref2::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    auto *split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);

    auto *left = new QWidget(split);
    auto *leftLayout = new QVBoxLayout(left);
    groups_ = new MidiRowTable({QStringLiteral("Group ID"), QStringLiteral("Description")}, left);
    groups_->setColumnWidth(0, 120);
    groups_->dragData = [this](int row) { return dragGroup(row); };
    groups_->canDrop = [this](const QMimeData *d, int row, bool onRow) { return validateGroupDrop(d, row, onRow); };
    groups_->onDrop = [this](const QMimeData *d, int row, bool onRow) { return acceptGroupDrop(d, row, onRow); };
    groups_->ownTypes = {dragtypes::MidiGroupDataType};
    groups_->fillRow = [this](int row) { fillGroupRow(row); };
    connect(groups_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            selectGroup(groups_->selectedRow());
    });
    leftLayout->addWidget(groups_, 1);
    auto *groupButtons = new QHBoxLayout;
    boutAdd_ = button(QStringLiteral("+"), left, groupButtons);
    boutDel_ = button(QStringLiteral("−"), left, groupButtons);
    boutSend_ = button(QStringLiteral("Send"), left, groupButtons);
    boutAppend_ = button(QStringLiteral("Append to Note"), left, groupButtons);
    restriction_ = new QComboBox(left);
    restriction_->addItem(QStringLiteral("Any Screenset"));
    for (int i = 1; i <= kScreenSets; ++i)
        restriction_->addItem(QStringLiteral("Screenset %1").arg(i));
    groupButtons->addWidget(restriction_);
    leftLayout->addLayout(groupButtons);

    auto *right = new QWidget(split);
    auto *rightLayout = new QVBoxLayout(right);
    events_ = new MidiRowTable({QStringLiteral("Events")}, right);
    events_->dragData = [this](int row) { return dragEvent(row); };
    events_->canDrop = [this](const QMimeData *d, int row, bool onRow) { return validateEventDrop(d, row, onRow); };
    events_->onDrop = [this](const QMimeData *d, int row, bool onRow) { return acceptEventDrop(d, row, onRow); };
    events_->ownTypes = {dragtypes::GroupSongEvDataType};
    events_->fillRow = [this](int row) { fillEventRow(row); };
    events_->rowsFitContents = true;
    rightLayout->addWidget(events_, 1);
    auto *eventButtons = new QHBoxLayout;
    buttonAjouter_ = button(QStringLiteral("+"), right, eventButtons);
    buttonSupprimer_ = button(QStringLiteral("−"), right, eventButtons);
    buttonDupliquer_ = button(QStringLiteral("Duplicate"), right, eventButtons);
    buttonSend_ = button(QStringLiteral("Send"), right, eventButtons);
    eventButtons->addStretch(1);
    buttonMIDIa_ = button(QString(), right, eventButtons);
    buttonMIDIb_ = button(QString(), right, eventButtons);
    buttonMIDIa_->setToolTip(
        QStringLiteral("Insert Program Change MIDI instruction \nFormat: MSB.LSB:program@destination"));
    buttonMIDIb_->setToolTip(QStringLiteral("Insert Control Change MIDI instruction \nFormat: CCcontrol:value@destination"));
    auto *help = button(QStringLiteral("?"), right, eventButtons);
    rightLayout->addLayout(eventButtons);
    split->setStretchFactor(1, 2);

    connect(boutAdd_, &QPushButton::clicked, this, &MidiPref2::actionInsertRow);
    connect(boutDel_, &QPushButton::clicked, this, &MidiPref2::actionDeleteRow);
    connect(boutSend_, &QPushButton::clicked, this, &MidiPref2::actionSendMidi);
    connect(boutAppend_, &QPushButton::clicked, this, &MidiPref2::actionAppend);
    connect(restriction_, &QComboBox::activated, this, &MidiPref2::actionRestriction);
    connect(buttonAjouter_, &QPushButton::clicked, this, &MidiPref2::actionButtonAjouter);
    connect(buttonSupprimer_, &QPushButton::clicked, this, &MidiPref2::actionButtonSupprimer);
    connect(buttonDupliquer_, &QPushButton::clicked, this, &MidiPref2::actionButtonDupliquer);
    connect(buttonSend_, &QPushButton::clicked, this, &MidiPref2::actionButtonSendSongEv);
    connect(buttonMIDIa_, &QPushButton::clicked, this, &MidiPref2::actionInsererMIDIa);
    connect(buttonMIDIb_, &QPushButton::clicked, this, &MidiPref2::actionInsererMIDIb);
    connect(help, &QPushButton::clicked, this, [] { actionButtonHelp(kHelpLibrary); });
    refreshLastMIDIdata();
    refreshLastMIDIdataCC();
    resize(980, 480);
}

// ---- Showing and saving ----------------------------------------------------------------------------

void MidiPref2::showMidiPref(bool save)
{
    if (save && isVisible())
        sauvegarderDonnees();
    Midi::MIDIfavEv().clear();
    eventsGroup_.reset();
    eventsModifie_ = false;
    reloadGroups();
    reloadEvents();
    presentWindow();
    const int selected = groups_->selectedRow();
    if (selected >= 0)
        refreshEventTableUsingRow(selected);
    else if (groups_->rowCount() > 0) {
        selectGroupInCode(0);
        refreshEventTableUsingRow(0);
    }
}

void MidiPref2::sauvegarderDonnees()
{
    saveEventsifNeeded();
    Midi::sauvegarderFav();
}

void MidiPref2::saveEventsifNeeded()
{
    if (!eventsModifie_)
        return;
    eventsModifie_ = false;
    // A group deleted meanwhile takes its pending edits with it.
    if (eventsGroup_ && Midi::MIDIfav().contains(eventsGroup_))
        eventsGroup_->favEventTx = Data::stringFromEventsOfArray(Midi::MIDIfavEv(), false);
}

int MidiPref2::rowOfEventsGroup() const
{
    return eventsGroup_ ? int(Midi::MIDIfav().indexOf(eventsGroup_)) : -1;
}

MidiFavEventPtr MidiPref2::requireEventsGroup()
{
    if (!eventsGroup_ || rowOfEventsGroup() < 0) {
        Data::msg(kSelectGroup);
        return nullptr;
    }
    return eventsGroup_;
}

// ---- Groups table -------------------------------------------------------------------------------------

TableTextField *MidiPref2::idCell(int row) const
{
    return qobject_cast<TableTextField *>(groups_->cell(row, 0));
}

TableTextField *MidiPref2::descrCell(int row) const
{
    return qobject_cast<TableTextField *>(groups_->cell(row, 1));
}

void MidiPref2::reloadGroups()
{
    filling_ = true;
    const int selected = groups_->selectedRow();
    groups_->resetRows(int(Midi::MIDIfav().size()));
    if (selected >= groups_->rowCount())
        groups_->clearSelection();
    filling_ = false;
}

void MidiPref2::fillGroupRow(int row)
{
    const MidiFavEventPtr group = Midi::MIDIfav().value(row);
    for (int column = 0; column < 2; ++column) {
        auto *cell = qobject_cast<TableTextField *>(groups_->cellWidget(row, column));
        if (!cell) {
            cell = new TableTextField;
            cell->setFrame(false);
            connect(cell, &QLineEdit::textEdited, this, [this, cell] { groupTextEdited(int(cell->row())); });
            groups_->setCellWidget(row, column, cell);
        }
        const QSignalBlocker quiet(cell);
        cell->setRow(quint64(row));
        cell->setText(group ? (column == 0 ? group->favEventID : group->favEventDescr) : QString());
        // The song change sends the group named "DEFAULT" in the first row.
        cell->setReadOnly(column == 0 && row == 0);
    }
}

// An identifier or a description edited: only that group's texts change.
void MidiPref2::groupTextEdited(int row)
{
    const MidiFavEventPtr group = Midi::MIDIfav().value(row);
    if (!group || filling_)
        return;
    if (row != 0)
        group->favEventID = idCell(row)->text();
    group->favEventDescr = descrCell(row)->text();
}

void MidiPref2::selectGroupInCode(int row)
{
    filling_ = true;
    groups_->selectAndShow(row);
    filling_ = false;
}

void MidiPref2::selectGroup(int row)
{
    saveEventsifNeeded();
    if (row < 0 || row >= groups_->rowCount())
        return;
    if (groups_->selectedRow() != row)
        selectGroupInCode(row);
    refreshEventTableUsingRow(row);
}

void MidiPref2::refreshEventTableUsingRow(qint64 row)
{
    const MidiFavEventPtr group = Midi::MIDIfav().value(row);
    if (!group)
        return;
    enableGroupButtons(true);
    eventsGroup_ = group;
    eventsModifie_ = false;
    // The loader passes over the first line when it does not keep entries.
    Data::chargerSongEventsFromString(QStringLiteral("\n") + group->favEventTx, false, Midi::MIDIfavEv());
    renumberEvents();
    reloadEvents();
    const QSignalBlocker quiet(restriction_);
    restriction_->setCurrentIndex(int(std::clamp<qint64>(group->favRestriction, 0, restriction_->count() - 1)));
}

void MidiPref2::enableGroupButtons(bool enabled)
{
    for (QPushButton *b : {boutDel_, boutSend_, boutAppend_})
        b->setEnabled(enabled);
}

void MidiPref2::actionInsertRow()
{
    saveEventsifNeeded();
    enableGroupButtons(false);
    Midi::creerFav();
    reloadGroups();
    const int row = groups_->rowCount() - 1;
    selectGroupInCode(row);
    // The new group is selected with its empty list.
    refreshEventTableUsingRow(row);
    if (TableTextField *id = idCell(row)) {
        id->setFocus();
        id->selectAll();
    }
}

void MidiPref2::actionDeleteRow()
{
    enableGroupButtons(false);
    const int row = groups_->selectedRow();
    if (row == 0) {
        Data::msg(QStringLiteral("The DEFAULT group cannot be deleted"));
        enableGroupButtons(true);
        return;
    }
    if (row < 0) {
        Data::msg(kSelectGroup);
        return;
    }
    saveEventsifNeeded();
    Midi::supprimerFavForIndex(row);
    reloadGroups();
    if (groups_->rowCount() > 0) {
        const int next = std::min(row, groups_->rowCount() - 1);
        selectGroupInCode(next);
        refreshEventTableUsingRow(next);
    } else {
        eventsGroup_.reset();
        Midi::MIDIfavEv().clear();
        reloadEvents();
    }
}

void MidiPref2::actionSendMidi()
{
    saveEventsifNeeded();
    const MidiFavEventPtr group = Midi::MIDIfav().value(groups_->selectedRow());
    if (!group) {
        Data::msg(kSelectGroup);
        return;
    }
    sendMIDI(group);
}

void MidiPref2::sendMIDI(const MidiFavEventPtr &group)
{
    Midi::setRefreshPaused(true);
    if (!group->favEventTx.isEmpty()) {
        bool send = true;
        if (group->favRestriction != 0 && group->favRestriction != Data::currentScreensetG())
            send = Data::questionAvecCancel(
                       QStringLiteral("Currently selected group is restricted to Screenset %1.\n\nCurrent screenset "
                                      "is %2.\n\nProceed anyway?")
                           .arg(QString::number(group->favRestriction), QString::number(Data::currentScreensetG())))
                   == 1;
        if (send) {
            Midi::initTimeLastLotEvents();
            Midi::sendMIDIfromString(group->favEventTx, QString(), true);
        }
    }
    // Whatever was queued before goes out in every case.
    Midi::processMidiEvents();
}

void MidiPref2::actionAppend()
{
    const MidiFavEventPtr group = Midi::MIDIfav().value(groups_->selectedRow());
    if (!group) {
        Data::msg(kSelectGroup);
        return;
    }
    saveEventsifNeeded();
    appendToNote(group);
}

void MidiPref2::appendToNote(const MidiFavEventPtr &group)
{
    if (group->favEventTx.isEmpty() || group->favEventID.isEmpty())
        return;
    // The notes windows take the group from the notification's parameter.
    platform::NotificationCenter::defaultCenter().post(
        Data::formattedNote() ? vocab::InsererMidiFromLibF : vocab::InsererMidiFromLib,
        QVariant::fromValue(group->favEventID));
}

void MidiPref2::actionRestriction()
{
    const MidiFavEventPtr group = Midi::MIDIfav().value(groups_->selectedRow());
    if (group)
        group->favRestriction = restriction_->currentIndex();
}

// ---- Events table ------------------------------------------------------------------------------------------

ViewSongCue *MidiPref2::eventCell(int row) const
{
    return qobject_cast<ViewSongCue *>(events_->cell(row, 0));
}

void MidiPref2::renumberEvents()
{
    qint64 i = 0;
    for (const SongEvPtr &ev : std::as_const(Midi::MIDIfavEv()))
        if (ev)
            ev->index = i++;
}

void MidiPref2::reloadEvents()
{
    SongEvArray &list = Midi::MIDIfavEv();
    list.removeAll(nullptr);
    events_->resetRows(int(list.size()));
    enableEventButtons();
}

void MidiPref2::fillEventRow(int row)
{
    const SongEvPtr ev = Midi::MIDIfavEv().value(row);
    if (!ev)
        return;
    auto *view = qobject_cast<ViewSongCue *>(events_->cellWidget(row, 0));
    if (!view) {
        view = new ViewSongCue;
        view->setDelegate(this);
        events_->setCellWidget(row, 0, view);
    }
    view->setValForSongEv(*ev, row, true);
}

void MidiPref2::enableEventButtons()
{
    const bool any = !Midi::MIDIfavEv().isEmpty();
    buttonSupprimer_->setEnabled(any);
    buttonDupliquer_->setEnabled(any);
}

void MidiPref2::viewSongCueUpdateCueRow(ViewSongCue *view)
{
    if (!view || !view->lib() || view->row() < 0)
        return;
    ViewSongCue::updateSongEvAtIndex(view->row(), events_, Midi::MIDIfavEv());
    eventsModifie_ = true;
}

void MidiPref2::viewSongCueUpdateCueRowMMSS(ViewSongCue *view)
{
    viewSongCueUpdateCueRow(view);
}

void MidiPref2::appendEvent(const SongEvPtr &ev)
{
    Midi::MIDIfavEv().append(ev);
    reloadEvents();
    events_->selectAndShow(int(Midi::MIDIfavEv().size() - 1));
    eventsModifie_ = true;
}

void MidiPref2::actionButtonAjouter()
{
    if (!requireEventsGroup())
        return;
    SongEvArray &list = Midi::MIDIfavEv();
    auto ev = std::make_shared<SongEv>(list.size());
    ev->evType = 0;
    ev->actionType = 0;
    ev->levelNo = 2;
    appendEvent(ev);
}

void MidiPref2::actionButtonSupprimer()
{
    const int row = events_->selectedRow();
    if (row < 0 || row >= Midi::MIDIfavEv().size()) {
        Data::msg(kSelectEvent);
        return;
    }
    Midi::MIDIfavEv().removeAt(row);
    renumberEvents();
    reloadEvents();
    events_->selectAndShow(std::min(row, events_->rowCount() - 1));
    eventsModifie_ = true;
    saveEventsifNeeded();
}

void MidiPref2::actionButtonDupliquer()
{
    const int row = events_->selectedRow();
    SongEvArray &list = Midi::MIDIfavEv();
    if (row < 0 || row >= list.size()) {
        Data::msg(kSelectEvent);
        return;
    }
    if (!requireEventsGroup())
        return;
    const SongEv &source = *list[row];
    auto ev = std::make_shared<SongEv>(list.size());
    ev->mm = source.mm;
    ev->ss = source.ss;
    ev->evType = source.evType;
    ev->actionType = source.actionType;
    ev->actionTxt = source.actionTxt;
    ev->timeEv = source.timeEv;
    ev->val = source.val;
    ev->levelNo = 2;
    appendEvent(ev);
}

void MidiPref2::actionButtonSendSongEv()
{
    const SongEvPtr ev = Midi::MIDIfavEv().value(events_->selectedRow());
    if (!ev) {
        Data::msg(kSelectEvent);
        return;
    }
    Data::processSongEventsSingle(ev);
}

// ---- Received MIDI ------------------------------------------------------------------------------------------

void MidiPref2::addEventLines(const QString &lines)
{
    Data::chargerSongEventsFromString(lines, true, Midi::MIDIfavEv());
    renumberEvents();
    reloadEvents();
    eventsModifie_ = true;
}

void MidiPref2::actionInsererMIDIa()
{
    if (!requireEventsGroup())
        return;
    qint32 learned = 0;
    const QString lines = lastmidi::programInsert(&learned);
    if (learned >= kAskFromEvents
        && Data::questionAvecCancel(
               QStringLiteral("%1 events will be added to selected group.\n\nProceed?").arg(QString::number(learned)))
               != 1)
        return;
    addEventLines(lines);
}

void MidiPref2::actionInsererMIDIb()
{
    if (!requireEventsGroup())
        return;
    addEventLines(lastmidi::controlLine() + QLatin1Char('\n'));
}

void MidiPref2::refreshLastMIDIdata()
{
    buttonMIDIa_->setText(lastmidi::programTitle());
    refreshColorLastMIDIdata(false);
}

void MidiPref2::refreshLastMIDIdataCC()
{
    buttonMIDIb_->setText(lastmidi::controlLine());
    refreshColorLastMIDIdata(false);
}

void MidiPref2::refreshColorLastMIDIdata(bool grey)
{
    lastmidi::paint(buttonMIDIa_, buttonMIDIb_, grey);
}

// ---- Drags and drops ------------------------------------------------------------------------------------------

QMimeData *MidiPref2::dragGroup(int row) const
{
    // The "DEFAULT" group stays first.
    if (row <= 0 || row >= Midi::MIDIfav().size())
        return nullptr;
    return dragtypes::rowsMimeData(dragtypes::MidiGroupDataType, {row});
}

QMimeData *MidiPref2::dragEvent(int row) const
{
    if (row < 0 || row >= Midi::MIDIfavEv().size())
        return nullptr;
    return dragtypes::rowsMimeData(dragtypes::GroupSongEvDataType, {row});
}

bool MidiPref2::validateGroupDrop(const QMimeData *data, int row, bool onRow) const
{
    if (!data)
        return false;
    if (data->hasFormat(dragtypes::GroupSongEvDataType))
        return onRow && row >= 0 && row < Midi::MIDIfav().size();
    if (data->hasFormat(dragtypes::MidiGroupDataType))
        return !onRow && row >= 1 && row <= Midi::MIDIfav().size();
    return false;
}

bool MidiPref2::validateEventDrop(const QMimeData *data, int row, bool onRow) const
{
    return data && !onRow && row >= 0
           && (data->hasFormat(dragtypes::GroupSongEvDataType) || data->hasFormat(dragtypes::NotesSongEvDataType));
}

bool MidiPref2::acceptGroupDrop(const QMimeData *data, int row, bool onRow)
{
    if (!validateGroupDrop(data, row, onRow))
        return false;
    // Pending edits go to their own group before the groups change.
    saveEventsifNeeded();
    if (data->hasFormat(dragtypes::GroupSongEvDataType)) {
        const auto from = dragtypes::firstRow(data, dragtypes::GroupSongEvDataType, Midi::MIDIfavEv().size());
        const MidiFavEventPtr target = Midi::MIDIfav().value(row);
        if (!from || !target)
            return false;
        target->favEventTx =
            QStringLiteral("%1\n%2").arg(target->favEventTx, eventscript::lineForEvent(*Midi::MIDIfavEv()[*from]));
        // The list shows the group it belongs to as stored now.
        if (target == eventsGroup_)
            refreshEventTableUsingRow(row);
        return true;
    }
    const auto from = dragtypes::firstRow(data, dragtypes::MidiGroupDataType, Midi::MIDIfav().size());
    if (!from || *from == 0 || !midiendpoints::moveRow(Midi::MIDIfav(), *from, row))
        return false;
    reloadGroups();
    const int listRow = rowOfEventsGroup();
    selectGroupInCode(listRow);
    return true;
}

bool MidiPref2::acceptEventDrop(const QMimeData *data, int row, bool onRow)
{
    if (!validateEventDrop(data, row, onRow))
        return false;
    SongEvArray &list = Midi::MIDIfavEv();
    if (data->hasFormat(dragtypes::GroupSongEvDataType)) {
        const auto from = dragtypes::firstRow(data, dragtypes::GroupSongEvDataType, list.size());
        if (!from || !midiendpoints::moveRow(list, *from, std::min<qsizetype>(row, list.size())))
            return false;
    } else {
        if (!requireEventsGroup())
            return false;
        const SongEvArray &song = Data::songEvents();
        const auto from = dragtypes::firstRow(data, dragtypes::NotesSongEvDataType, song.size());
        if (!from || !song[*from])
            return false;
        const SongEv &source = *song[*from];
        if (source.actionType != 10 && source.actionType != 31)
            return false;
        auto ev = std::make_shared<SongEv>();
        ev->evType = source.evType;
        ev->actionType = source.actionType;
        ev->actionTxt = source.actionTxt;
        ev->levelNo = 0;
        list.insert(std::min<qsizetype>(row, list.size()), ev);
    }
    renumberEvents();
    reloadEvents();
    eventsModifie_ = true;
    saveEventsifNeeded();
    return true;
}
