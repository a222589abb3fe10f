#include "midi/windows/MidiPref4.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "windows/TableControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kHelpClock = 9;

platform::UserDefaults &defaults() { return platform::UserDefaults::standard(); }

QString key(const char *name, qint32 uid)
{
    return QLatin1String(name) + QString::number(uid);
}

QComboBox *popup(const QStringList &items, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->addItems(items);
    return combo;
}

// The destination endpoints of the system, in its order, that are online.
template <typename Take>
qint32 walkOnlineDestinations(Take take)
{
    auto &s = platform::midiSystem();
    qint32 n = 0;
    const int count = s.numberOfDestinations();
    for (int i = 0; i < count && n < midiwin::kMaxSlots; ++i) {
        const platform::MidiEndpointRef dest = s.getDestination(i);
        if (Midi::MIDIisOnline(dest) && take(n, dest, Midi::MIDIgetUniqueID(dest)))
            ++n;
    }
    return n;
}

} // namespace

MidiPref4::MidiPref4(QWidget *parent) : MidiToolWindow(QStringLiteral("MIDI Clock and Metronome Ticks"), parent)
{
    auto *layout = new QVBoxLayout(this);
    table_ = new MidiRowTable({QStringLiteral("Destination"), QStringLiteral("MIDI Clock"),
                               QStringLiteral("Metronome Ticks"), QStringLiteral("Channel"),
                               QStringLiteral("Sound"), QStringLiteral("Audible")},
                              this);
    table_->setColumnWidth(0, 260);
    layout->addWidget(table_, 1);

    auto *general = new QHBoxLayout;
    sound_ = new QCheckBox(QStringLiteral("Audible Metronome"), this);
    syncMode_ = popup(midiwin::syncModeItems(), this);
    tickSound_ = popup(midiwin::tickSoundModeItems(), this);
    startStop_ = new QPushButton(QStringLiteral("Start/Stop"), this);
    auto *help = new QPushButton(QStringLiteral("?"), this);
    connect(sound_, &QCheckBox::clicked, this, &MidiPref4::actionSoundOnOff);
    connect(syncMode_, &QComboBox::activated, this, &MidiPref4::actionGen);
    connect(tickSound_, &QComboBox::activated, this, &MidiPref4::actionGen);
    connect(startStop_, &QPushButton::clicked, this, &MidiPref4::actionStartStop);
    connect(help, &QPushButton::clicked, this, [] { actionButtonHelp(kHelpClock); });
    general->addWidget(sound_);
    general->addWidget(new QLabel(QStringLiteral("Sync"), this));
    general->addWidget(syncMode_);
    general->addWidget(new QLabel(QStringLiteral("Tick sound"), this));
    general->addWidget(tickSound_);
    general->addStretch(1);
    general->addWidget(startStop_);
    general->addWidget(help);
    layout->addLayout(general);
    resize(860, 360);
}

MidiPref4::~MidiPref4() = default;

void MidiPref4::showMidiPref(bool save)
{
    chargementEnCours_ = true;
    if (save && isVisible())
        sauvegarderDonnees();
    refreshGenOptMetroSound();
    {
        const QSignalBlocker q1(syncMode_), q2(tickSound_);
        syncMode_->setCurrentIndex(int(std::clamp<qint64>(Data::syncMode(), 0, syncMode_->count() - 1)));
        tickSound_->setCurrentIndex(int(std::clamp<qint64>(Data::tickSound(), 0, tickSound_->count() - 1)));
    }
    destAvail_.clear();
    chargerDestAvail(destAvail_, true);
    midiendpoints::listerDestAvail(destAvail_);
    reloadTable();
    presentWindow();
    startStop_->setFocus();
    chargementEnCours_ = false;
}

void MidiPref4::sauvegarderDonnees()
{
    Data::setOptMetroSound(sound_->isChecked() ? 1 : 0);
    Data::setSyncMode(syncMode_->currentIndex());
    Data::setTickSound(tickSound_->currentIndex());
}

void MidiPref4::refreshGenOptMetroSound()
{
    const QSignalBlocker quiet(sound_);
    sound_->setChecked(Data::optMetroSound() != 0);
}

void MidiPref4::actionGen()
{
    if (syncMode_->currentIndex() != 2) {
        sauvegarderDonnees();
        if (Data::metroOn())
            actionStartStop();
    } else {
        // Stopped under the old mode, before the external clock takes over.
        if (Data::metroOn())
            actionStartStop();
        sauvegarderDonnees();
    }
}

void MidiPref4::actionStartStop()
{
    post(vocab::MetronomeOnOff);
}

void MidiPref4::actionSoundOnOff()
{
    Data::setOptMetroSound(sound_->isChecked() ? 1 : 0);
    Data::sendingMidi(false);
}

// ---- Rows ----------------------------------------------------------------------------------------

TableComboBox *MidiPref4::cell(int row, int column) const
{
    return qobject_cast<TableComboBox *>(table_->cellWidget(row, column));
}

void MidiPref4::reloadTable()
{
    table_->setRowCount(int(destAvail_.size()));
    for (int row = 0; row < table_->rowCount(); ++row)
        fillRow(row);
}

void MidiPref4::fillRow(int row)
{
    const MidiDestAvail &dest = *destAvail_[row];
    auto *name = qobject_cast<QLineEdit *>(table_->cellWidget(row, 0));
    if (!name) {
        name = new QLineEdit;
        name->setReadOnly(true);
        name->setFrame(false);
        table_->setCellWidget(row, 0, name);
    }
    name->setText(midiendpoints::endpointText(midiendpoints::namesOfDest(dest)));
    const midiwin::TickItems items = midiwin::itemsOf(storedSettings(dest.destUID));
    const QStringList lists[] = {midiwin::yesNoItems(), midiwin::yesNoItems(), midiwin::tickChannelItems(),
                                 midiwin::tickSoundItems(), midiwin::audibleItems()};
    const int selected[] = {items.clock, items.ticks, items.channel, items.sound, items.audible};
    for (int column = 1; column <= 5; ++column) {
        TableComboBox *combo = cell(row, column);
        if (!combo) {
            combo = new TableComboBox;
            connect(combo, &QComboBox::currentIndexChanged, this, [this, combo] { updateDestAtIndex(combo->row()); });
            table_->setCellWidget(row, column, combo);
        }
        const QSignalBlocker quiet(combo);
        combo->setRow(row);
        combo->clear();
        combo->addItems(lists[column - 1]);
        combo->setCurrentIndex(selected[column - 1]);
    }
}

void MidiPref4::updateDestAtIndex(qint64 row)
{
    if (chargementEnCours_ || row < 0 || row >= destAvail_.size() || !cell(int(row), 1))
        return;
    midiwin::TickItems items;
    items.clock = cell(int(row), 1)->currentIndex();
    items.ticks = cell(int(row), 2)->currentIndex();
    items.channel = cell(int(row), 3)->currentIndex();
    items.sound = cell(int(row), 4)->currentIndex();
    items.audible = cell(int(row), 5)->currentIndex();
    storeSettings(destAvail_[row]->destUID, midiwin::settingsOf(items));
    refreshDestForClock();
    refreshDestForTick();
}

// ---- Settings and slot tables ------------------------------------------------------------------------

midiwin::TickSettings MidiPref4::storedSettings(qint32 uid)
{
    auto &d = defaults();
    midiwin::TickSettings s;
    s.clock = d.boolForKey(key("DestForClock", uid));
    s.ticks = d.boolForKey(key("DestForTicks", uid));
    if (d.contains(key("ChannelForTicks", uid)))
        s.channel = d.integerForKey(key("ChannelForTicks", uid));
    if (d.contains(key("NoteForTicks", uid)))
        s.sound = d.integerForKey(key("NoteForTicks", uid));
    s.audible = d.integerForKey(key("AudibleForTicks", uid));
    return s;
}

void MidiPref4::storeSettings(qint32 uid, const midiwin::TickSettings &s)
{
    auto &d = defaults();
    const platform::UserDefaults::Batch batch(d);
    d.setBool(key("DestForClock", uid), s.clock);
    d.setBool(key("DestForTicks", uid), s.ticks);
    d.setInteger(key("ChannelForTicks", uid), s.channel);
    d.setInteger(key("NoteForTicks", uid), s.sound);
    d.setInteger(key("AudibleForTicks", uid), s.audible);
}

void MidiPref4::chargerDestAvail(QList<MidiDestAvailPtr> &list, bool exceptOwn)
{
    midiendpoints::chargerDestAvail(list, exceptOwn);
}

void MidiPref4::refreshDestForClock()
{
    const qint32 n = walkOnlineDestinations([](qint32 slot, platform::MidiEndpointRef dest, qint32 uid) {
        if (!defaults().boolForKey(key("DestForClock", uid)))
            return false;
        Data::setDestForClock(slot, qint32(dest));
        return true;
    });
    Data::setNbDestForClock(n);
}

void MidiPref4::refreshDestForTick()
{
    const qint32 n = walkOnlineDestinations([](qint32 slot, platform::MidiEndpointRef dest, qint32 uid) {
        const midiwin::TickSettings s = storedSettings(uid);
        if (!s.ticks)
            return false;
        Data::setDestForTick(slot, qint32(dest));
        Data::setChannelForTick(slot, s.channel - 1);
        Data::setNoteForTick(slot, s.sound);
        Data::setAudibleForTick(slot, s.audible);
        return true;
    });
    Data::setNbDestForTick(n);
}
