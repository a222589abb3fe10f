#include "MidiWindowsFixture.h"
#include "midi/windows/MidiPref.h"
#include "midi/windows/MidiPref2.h"
#include "midi/windows/MidiPref3.h"

using namespace miditest;

namespace {

class MidiPrefTest : public MidiWindowsFixture {
protected:
    MidiPref *open()
    {
        windows->showDestinations();
        settle();
        return windows->destinations();
    }
};

} // namespace

TEST_F(MidiPrefTest, ARowBoundToOneDeviceSendsThereAloneAndSurvivesItsAbsence)
{
    MidiPref *pref = open();
    pref->close();
    EXPECT_EQ(takeKeys(), (QList<Posted>{key(vocab::ToolWindowShown), key(vocab::ToolWindowClosed)}));
    // Opening and closing without an edit rewrites the same values.
    const QMap<QString, QVariant> before = storedKeys();
    open()->close();
    EXPECT_EQ(storedKeys(), before);

    pref = open();
    pref->actionInsertRow();
    const int row = pref->mChannelsTable()->rowCount() - 1;
    typeInto(pref->idCell(row), QStringLiteral("Keys"));
    pref->channelCell(row)->setCurrentIndex(3);
    choose(pref->destinationCell(row), QStringLiteral("Keys (online)"));
    const MidiDestPtr dest = Midi::MIDIdestinations().value(row);
    ASSERT_TRUE(dest);
    EXPECT_EQ(dest->sendType, 2);
    EXPECT_EQ(dest->destUID, Midi::MIDIgetUniqueID(keysIn));
    EXPECT_EQ(dest->destDescr, QStringLiteral("Keys (online)"));

    loop->clearSent();
    sendAndDrain(QStringLiteral("N60:100@Keys"));
    EXPECT_EQ(hex(loop->sentTo(keysIn)), (QStringList{"92 3C 64", "82 3C 64"}));
    EXPECT_TRUE(loop->sentTo(pedalsIn).isEmpty());

    pref->close();
    auto &d = platform::UserDefaults::standard();
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiDest_nbDest")), row + 1);
    EXPECT_EQ(d.stringForKey(QStringLiteral("MidiDest_idDest_%1").arg(row)), QStringLiteral("Keys"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiDest_channel_%1").arg(row)), 3);
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiDest_destUID_%1").arg(row)), Midi::MIDIgetUniqueID(keysIn));

    // The next start without the keyboard: the row names it as missing and keeps its identifiers.
    const qint32 keysUID = Midi::MIDIgetUniqueID(keysIn);
    loop->unplugDevice(keys);
    settle();
    Midi::chargerDestinations();
    pref = open();
    EXPECT_EQ(pref->destinationCell(row)->currentText(), QStringLiteral("❗️ Keys"));
    pref->close();
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiDest_destUID_%1").arg(row)), keysUID);
    EXPECT_EQ(Midi::MIDIdestinations().value(row)->sendType, 2);
}

TEST_F(MidiPrefTest, RowsAreAddedDeletedAndReorderedInTheEngineList)
{
    MidiPref *pref = open();
    const int count = pref->mChannelsTable()->rowCount();
    ASSERT_EQ(count, 17); // "All", "Ch1" ... "Ch16"

    // Choosing "Don't send" stores type 1 and forgets the device.
    choose(pref->destinationCell(2), QStringLiteral("Keys"));
    pref->destinationCell(2)->setCurrentIndex(1);
    EXPECT_EQ(Midi::MIDIdestinations()[2]->sendType, 1);
    EXPECT_EQ(Midi::MIDIdestinations()[2]->destUID, 0);

    pref->mChannelsTable()->clearSelection();
    pref->actionDeleteRow();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));
    EXPECT_EQ(Midi::MIDIdestinations().size(), count);

    pref->mChannelsTable()->selectRow(count - 1);
    pref->actionDeleteRow();
    EXPECT_EQ(Midi::MIDIdestinations().size(), count - 1);
    EXPECT_EQ(pref->mChannelsTable()->selectedRow(), count - 2);

    std::unique_ptr<QMimeData> drag(pref->dragRows(0));
    EXPECT_TRUE(pref->acceptDrop(drag.get(), 3));
    EXPECT_EQ(Midi::MIDIdestinations()[2]->idDest, QStringLiteral("All"));
    EXPECT_EQ(pref->idCell(2)->text(), QStringLiteral("All"));
    // A drop that does not decode or names a row that is not there is refused.
    QMimeData bad;
    bad.setData(dragtypes::privateTableType(QString()), "99");
    EXPECT_FALSE(pref->acceptDrop(&bad, 0));
    bad.setData(dragtypes::privateTableType(QString()), "x");
    EXPECT_FALSE(pref->acceptDrop(&bad, 0));
    EXPECT_EQ(Midi::MIDIdestinations()[2]->idDest, QStringLiteral("All"));

    // An empty list is stored as a count of 0.
    while (!Midi::MIDIdestinations().isEmpty())
        Midi::supprimerDestinationsForIndex(0);
    pref->close();
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(QStringLiteral("MidiDest_nbDest")), 0);
}

TEST_F(MidiPrefTest, TheLastReceivedMessageShowsItsKindChannelSourceAndName)
{
    MidiPref *pref = open();
    // "Ch2" (channel 2) bound to the pedal board names what it sends on channel 2.
    choose(pref->destinationCell(2), QStringLiteral("Pedals"));
    takeKeys();
    receivePackets({"B10000", "B12003", "C10C"});
    EXPECT_TRUE(takeKeys().contains(key(vocab::MidiLearnDestination)));
    windows->midiLearnDestination();
    EXPECT_EQ(pref->lastMidiEvent()->text(), QStringLiteral("Program Change"));
    EXPECT_EQ(pref->lastMidiEvent()->toolTip(), QStringLiteral("MSB:0 LSB:3 Program:12"));
    EXPECT_EQ(pref->lastMidiEventChannel()->text(), QStringLiteral("2"));
    EXPECT_EQ(pref->lastMidiEventFrom()->text(), QStringLiteral("Pedals"));
    EXPECT_EQ(pref->lastMidiEventDestID()->text(), QStringLiteral("@Ch2"));

    pref->actionClearLastMidiEvent();
    EXPECT_TRUE(pref->lastMidiEvent()->text().isEmpty());
    EXPECT_TRUE(pref->lastMidiEvent()->toolTip().isEmpty());

    // Closed, the window no longer asks for every message.
    pref->close();
    EXPECT_FALSE(Midi::midiOutPrefOn());
}

// Before, a start over a damaged count made the first-run rows, and closing
// the window wrote them over the three stored ones ("Synth" became "Ch1").
TEST_F(MidiPrefTest, StoredRowsUnderADamagedCountOutliveAStartAndEachMidiWindow)
{
    auto &d = platform::UserDefaults::standard();
    for (qint64 i = 0; i < 3; ++i) {
        MidiDest dest(i);
        dest.idDest = QStringList{"Synth", "Keys", "Pads"}[i];
        dest.save();
        MidiTrig trig(i);
        trig.actionTxt = QStringLiteral("trigger %1").arg(i);
        trig.save();
        MidiFavEvent group(i);
        group.favEventID = QStringLiteral("Group%1").arg(i);
        group.save();
    }
    d.setInteger(QStringLiteral("MidiDest_nbDest"), -5);
    d.setString(QStringLiteral("MidiTrig_nbTrig"), QStringLiteral("lots"));
    d.setString(QStringLiteral("MidiFavEvent_nbFav"), QString());
    Midi::iniMidi();
    settle();
    QMap<QString, QVariant> expected = storedKeys();
    for (const char *count : {"MidiDest_nbDest", "MidiTrig_nbTrig", "MidiFavEvent_nbFav"})
        expected.insert(QLatin1String(count), QVariant(qint64(3)));

    windows->showDestinations();
    windows->destinations()->close();
    windows->showLibrary();
    windows->library()->close();
    windows->showTriggers();
    windows->triggers()->close();
    settle();
    EXPECT_EQ(storedKeys(), expected);
    EXPECT_EQ(d.stringForKey(QStringLiteral("MidiDest_idDest_0")), QStringLiteral("Synth"));
}
