#include "midi/windows/MidiPref.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/windows/MidiWindowRules.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kHelpDestinations = 7;

const QString &dragType()
{
    static const QString type = dragtypes::privateTableType(QString());
    return type;
}

QLineEdit *readOnlyField(QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setReadOnly(true);
    return field;
}

} // namespace

MidiPref::MidiPref(QWidget *parent) : MidiToolWindow(QStringLiteral("MIDI Destinations"), parent)
{
    auto *layout = new QVBoxLayout(this);
    table_ = new MidiRowTable(
        {QStringLiteral("Destination ID"), QStringLiteral("Channel"), QStringLiteral("Destination")}, this);
    table_->setColumnWidth(0, 140);
    table_->setColumnWidth(1, 80);
    table_->dragData = [this](int row) { return dragRows(row); };
    table_->canDrop = [](const QMimeData *data, int, bool) { return data && data->hasFormat(dragType()); };
    table_->onDrop = [this](const QMimeData *data, int row, bool) { return acceptDrop(data, row); };
    table_->ownTypes = {dragType()};
    table_->fillRow = [this](int row) { fillRow(row); };
    layout->addWidget(table_, 1);

    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("+"), this);
    auto *del = new QPushButton(QStringLiteral("−"), this);
    auto *help = new QPushButton(QStringLiteral("?"), this);
    connect(add, &QPushButton::clicked, this, &MidiPref::actionInsertRow);
    connect(del, &QPushButton::clicked, this, &MidiPref::actionDeleteRow);
    connect(help, &QPushButton::clicked, this, [] { actionButtonHelp(kHelpDestinations); });
    buttons->addWidget(add);
    buttons->addWidget(del);
    buttons->addStretch(1);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    auto *last = new QHBoxLayout;
    lastMidiEvent_ = readOnlyField(this);
    lastMidiEventChannel_ = readOnlyField(this);
    lastMidiEventFrom_ = readOnlyField(this);
    lastMidiEventDestID_ = readOnlyField(this);
    auto *clear = new QPushButton(QStringLiteral("Clear"), this);
    connect(clear, &QPushButton::clicked, this, &MidiPref::actionClearLastMidiEvent);
    last->addWidget(new QLabel(QStringLiteral("Last received:"), this));
    last->addWidget(lastMidiEvent_, 2);
    last->addWidget(new QLabel(QStringLiteral("Channel"), this));
    last->addWidget(lastMidiEventChannel_, 1);
    last->addWidget(new QLabel(QStringLiteral("From"), this));
    last->addWidget(lastMidiEventFrom_, 3);
    last->addWidget(lastMidiEventDestID_, 2);
    last->addWidget(clear);
    layout->addLayout(last);
    resize(720, 420);
}

MidiPref::~MidiPref() = default;

void MidiPref::showMidiPref(bool save)
{
    chargementEnCours_ = true;
    if (save && isVisible())
        sauvegarderDonnees();
    destAvail_.clear();
    midiendpoints::chargerDestAvail(destAvail_, false);
    sourceAvail_.clear();
    Midi::chargerSourceAvail(sourceAvail_);
    reloadTable();
    presentWindow();
    chargementEnCours_ = false;
    Midi::setMidiOutPrefOn(true);
}

void MidiPref::windowWillClose()
{
    Midi::setMidiOutPrefOn(false);
}

void MidiPref::sauvegarderDonnees()
{
    Midi::sauvegarderDestinations();
}

// ---- Rows ---------------------------------------------------------------------------------------

TableTextField *MidiPref::idCell(int row) const
{
    return qobject_cast<TableTextField *>(table_->cell(row, 0));
}

TableComboBox *MidiPref::channelCell(int row) const
{
    return qobject_cast<TableComboBox *>(table_->cell(row, 1));
}

TableComboBox *MidiPref::destinationCell(int row) const
{
    return qobject_cast<TableComboBox *>(table_->cell(row, 2));
}

void MidiPref::reloadTable()
{
    const int selected = table_->selectedRow();
    destTexts_.clear();
    for (const MidiDestAvailPtr &d : std::as_const(destAvail_))
        destTexts_ << midiendpoints::endpointText(midiendpoints::namesOfDest(*d));
    table_->resetRows(int(Midi::MIDIdestinations().size()));
    if (selected >= 0 && selected < table_->rowCount())
        table_->selectRow(selected);
}

// Filled with signals blocked: filling a row never counts as an edit of it.
void MidiPref::fillRow(int row)
{
    const MidiDestPtr dest = Midi::MIDIdestinations().value(row);
    if (!dest)
        return;
    auto *id = qobject_cast<TableTextField *>(table_->cellWidget(row, 0));
    if (!id) {
        id = new TableTextField;
        id->setFrame(false);
        connect(id, &QLineEdit::textEdited, this, [this, id] { updateDestAtIndex(qint64(id->row())); });
        table_->setCellWidget(row, 0, id);
    }
    auto *channel = qobject_cast<TableComboBox *>(table_->cellWidget(row, 1));
    if (!channel) {
        channel = new TableComboBox;
        connect(channel, &QComboBox::currentIndexChanged, this, [this, channel] { updateDestAtIndex(channel->row()); });
        table_->setCellWidget(row, 1, channel);
    }
    auto *device = qobject_cast<TableComboBox *>(table_->cellWidget(row, 2));
    if (!device) {
        device = new TableComboBox;
        connect(device, &QComboBox::currentIndexChanged, this, [this, device] { updateDestAtIndex(device->row()); });
        table_->setCellWidget(row, 2, device);
    }
    const QSignalBlocker q1(id), q2(channel), q3(device);
    id->setRow(quint64(row));
    id->setText(dest->idDest);
    channel->setRow(row);
    channel->clear();
    channel->addItems(midiwin::destChannelItems());
    channel->setCurrentIndex(dest->channel >= 0 && dest->channel <= 16 ? int(dest->channel) : 0);
    device->setRow(row);
    int matching = -1;
    for (int i = 0; dest->sendType == 2 && matching < 0 && i < destAvail_.size(); ++i) {
        const MidiDestAvail &d = *destAvail_[i];
        if (d.deviceUID == dest->deviceUID && d.entityUID == dest->entityUID && d.destUID == dest->destUID)
            matching = i;
    }
    midiendpoints::fillEndpointCombo(device, midiwin::destFixedItems(), destTexts_, dest->sendType, matching,
                                     dest->destDescr);
}

void MidiPref::updateDestAtIndex(qint64 row)
{
    const MidiDestPtr dest = Midi::MIDIdestinations().value(row);
    if (chargementEnCours_ || !dest || !idCell(int(row)))
        return;
    dest->idDest = idCell(int(row))->text();
    dest->channel = std::max(0, channelCell(int(row))->currentIndex());
    const TableComboBox *device = destinationCell(int(row));
    const int item = device->currentIndex();
    if (item >= 2 && item - 2 < destAvail_.size()) {
        const MidiDestAvail &d = *destAvail_[item - 2];
        dest->sendType = 2;
        dest->deviceUID = d.deviceUID;
        dest->entityUID = d.entityUID;
        dest->sourceUID = d.sourceUID;
        dest->destUID = d.destUID;
        dest->destDescr = midiendpoints::descrOfItem(device->currentText());
    } else if (item == 0 || item == 1) {
        dest->sendType = item;
        dest->deviceUID = dest->entityUID = dest->sourceUID = dest->destUID = 0;
        dest->destDescr.clear();
    }
    // The "❗️" item: the absent device keeps its stored identifiers.
}

// ---- Editing the list ----------------------------------------------------------------------------

void MidiPref::actionInsertRow()
{
    Midi::creerDestinations();
    reloadTable();
    const int last = table_->rowCount() - 1;
    table_->selectAndShow(last);
    if (TableTextField *id = idCell(last)) {
        id->setFocus();
        id->selectAll();
    }
}

void MidiPref::actionDeleteRow()
{
    const int row = table_->selectedRow();
    if (row < 0) {
        Data::msg(QStringLiteral("A row must be selected to perform this operation"));
        return;
    }
    Midi::supprimerDestinationsForIndex(row);
    table_->clearSelection();
    reloadTable();
    if (table_->rowCount() > 0)
        table_->selectAndShow(std::min(row, table_->rowCount() - 1));
}

QMimeData *MidiPref::dragRows(int row) const
{
    return dragtypes::rowsMimeData(dragType(), {row});
}

bool MidiPref::acceptDrop(const QMimeData *data, int row)
{
    const auto from = dragtypes::firstRow(data, dragType(), Midi::MIDIdestinations().size());
    if (!from || !midiendpoints::moveRow(Midi::MIDIdestinations(), *from, row))
        return false;
    table_->clearSelection();
    reloadTable();
    return true;
}

// ---- The last received message -------------------------------------------------------------------

void MidiPref::updateValTrigSourceForType(qint64 type, qint64 val1, qint64 val2, qint64 val3,
                                          platform::MidiEndpointRef sourceRef, qint64 channel)
{
    if (const auto shown = midiwin::lastEvent(type, val1, val2, val3)) {
        lastMidiEvent_->setText(shown->kind);
        lastMidiEvent_->setToolTip(shown->toolTip);
    }
    lastMidiEventChannel_->setText(QString::number(channel));
    lastMidiEventDestID_->setText(QStringLiteral("@") + Midi::obtenirChannelID(int(channel - 1), sourceRef));
    QString from;
    for (const MidiSourceAvailPtr &s : std::as_const(sourceAvail_))
        if (s && s->sourceRef == sourceRef) {
            from = midiendpoints::endpointText(midiendpoints::namesOfSource(*s), false);
            break;
        }
    lastMidiEventFrom_->setText(from);
}

void MidiPref::actionClearLastMidiEvent()
{
    for (QLineEdit *field : {lastMidiEvent_, lastMidiEventChannel_, lastMidiEventFrom_, lastMidiEventDestID_})
        field->clear();
    lastMidiEvent_->setToolTip(QString());
}
