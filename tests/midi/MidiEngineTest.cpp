#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QSet>
#include <gtest/gtest.h>
#include <atomic>
#include <future>

using platform::LoopbackMidi;
using platform::MidiEndpointRef;

namespace {

QStringList hexList(const QList<QByteArray> &packets)
{
    QStringList out;
    for (const QByteArray &p : packets)
        out.append(QString::fromLatin1(p.toHex(' ')));
    return out;
}

// The engine started on a loopback set-up with one synthesizer plugged in.
class MidiEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setNbDestForClock(0);
        Data::setNbDestForTick(0);
        Data::setOptKeyPad(0);
        Data::setOptKeyPad2(0);
        Data::setOptMetroSound(0);
        Data::setGcountSkip(false);
        Data::setGnbTick(0);
        Data::setCurrentScreensetG(0);
        start();
    }

    void TearDown() override
    {
        Midi::setTraiterMidiNotifications(false);
        Midi::setPacketListHandler({});
        testsupport::processEvents();
        platform::setMidiSystem(nullptr);
    }

    // A fresh MIDI server (fresh identifiers), then the engine's set-up.
    void start(LoopbackMidi::FailStep failure = LoopbackMidi::FailStep::None, bool refuseIds = false)
    {
        platform::setMidiSystem(nullptr);
        loop = std::make_unique<LoopbackMidi>();
        loop->setFailure(failure);
        loop->setRefuseUniqueIds(refuseIds);
        synth = loop->plugDevice(QStringLiteral("Synth"));
        synthIn = loop->findDestination(QStringLiteral("Synth"));
        synthOut = loop->findSource(QStringLiteral("Synth"));
        platform::setMidiSystem(loop.get());
        Midi::iniMidi();
    }

    QStringList sentTo(MidiEndpointRef dest) const { return hexList(loop->sentTo(dest)); }

    void sendAndDrain(const QString &text)
    {
        Midi::sendMIDIfromString(text, QString(), true);
        Midi::processMidiEvents();
        clock.advance(5.0);
    }

    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    std::unique_ptr<LoopbackMidi> loop;
    platform::MidiObjectRef synth = 0;
    MidiEndpointRef synthIn = 0, synthOut = 0;
};

// Rewrites a table as the settings windows do: rows renumbered, each saved, then the count.
template <typename Row>
void saveTable(const QList<std::shared_ptr<Row>> &rows, const char *countKey)
{
    for (int i = 0; i < rows.size(); ++i) {
        rows[i]->index = i;
        rows[i]->save();
    }
    platform::UserDefaults::standard().setInteger(QLatin1String(countKey), rows.size());
}

std::shared_ptr<MidiFavEvent> group(const QString &id, const QString &text)
{
    auto row = std::make_shared<MidiFavEvent>(Midi::MIDIfav().size());
    row->favEventID = id;
    row->favEventTx = text;
    Midi::MIDIfav().append(row);
    return row;
}

} // namespace

TEST_F(MidiEngine, AFirstRunGetsTheDefaultRowsAndStoresTheGivenIdentifiers)
{
    ASSERT_TRUE(Midi::midiOk());
    const auto &dests = Midi::MIDIdestinations();
    ASSERT_EQ(dests.size(), 17);
    EXPECT_EQ(dests[0]->idDest, QStringLiteral("All"));
    EXPECT_EQ(dests[0]->channel, 0);
    EXPECT_EQ(dests[16]->idDest, QStringLiteral("Ch16"));
    EXPECT_EQ(dests[16]->channel, 16);
    EXPECT_EQ(dests[5]->sendType, 0);
    EXPECT_EQ(Midi::nbDest(), 17);

    ASSERT_EQ(Midi::MIDIfav().size(), 1);
    EXPECT_EQ(Midi::MIDIfav()[0]->favEventID, QStringLiteral("DEFAULT"));
    EXPECT_EQ(Midi::MIDIfav()[0]->favEventDescr, QStringLiteral("Default events for every song"));
    EXPECT_FALSE(Midi::MIDIfav()[0]->envoyerFav()) << "an empty group is never sent";

    ASSERT_EQ(Midi::MIDItriggers().size(), 2);
    for (const MidiTrigPtr &t : Midi::MIDItriggers()) {
        EXPECT_EQ(t->sourceMode, 0);
        EXPECT_EQ(t->channel, 1);
        EXPECT_EQ(t->sourceType, 1);
        EXPECT_EQ(t->sourceVal1, 0);
        EXPECT_EQ(t->vex, -1);
    }
    EXPECT_TRUE(Midi::trigFiltreChannel(1, 1));
    EXPECT_FALSE(Midi::trigFiltreChannel(1, 2));

    auto &d = platform::UserDefaults::standard();
    EXPECT_NE(Midi::quilloryUIDin(), 0);
    EXPECT_EQ(d.integerForKey(QStringLiteral("quilloryUIDinput")), Midi::quilloryUIDin());
    EXPECT_EQ(d.integerForKey(QStringLiteral("quilloryUIDoutput")), Midi::quilloryUIDout());
    EXPECT_EQ(Midi::MIDIgetUniqueID(Midi::virtualInTemp()), Midi::quilloryUIDin());
    EXPECT_EQ(Midi::MIDIgetName(Midi::virtualInTemp()), QStringLiteral("Quillory IN"));
    EXPECT_EQ(Midi::MIDIgetName(Midi::virtualOutTemp()), QStringLiteral("Quillory OUT"));
    EXPECT_TRUE(loop->isConnected(Midi::inputPort(), synthOut));
    EXPECT_TRUE(loop->isConnected(Midi::inputPort(), Midi::virtualOutTemp()));
}

TEST_F(MidiEngine, UniqueIdentifiersAreKeptAcrossStarts)
{
    const qint32 in = Midi::quilloryUIDin(), out = Midi::quilloryUIDout();
    start();
    // Before, a successful set left the engine's copies at 0.
    EXPECT_EQ(Midi::quilloryUIDin(), in);
    EXPECT_EQ(Midi::quilloryUIDout(), out);
    EXPECT_EQ(Midi::MIDIgetUniqueID(Midi::virtualInTemp()), in);
    EXPECT_EQ(Midi::MIDIgetUniqueID(Midi::virtualOutTemp()), out);

    // A server that refuses them: the new identifiers replace the stored ones.
    start(LoopbackMidi::FailStep::None, true);
    EXPECT_NE(Midi::quilloryUIDin(), in);
    EXPECT_NE(Midi::quilloryUIDin(), 0);
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(QStringLiteral("quilloryUIDinput")), Midi::quilloryUIDin());
}

TEST_F(MidiEngine, AFailedSetUpSendsNothingButLoadsTheTables)
{
    for (auto step : {LoopbackMidi::FailStep::Client, LoopbackMidi::FailStep::OutputPort,
                      LoopbackMidi::FailStep::Source}) {
        start(step);
        EXPECT_FALSE(Midi::midiOk());
        EXPECT_EQ(Midi::MIDIdestinations().size(), 17);
        EXPECT_EQ(Midi::MIDIfav().size(), 1);
        EXPECT_EQ(Midi::MIDItriggers().size(), 2);
        sendAndDrain(QStringLiteral("17@0 N60:100@All"));
        Midi::sendKeyn(60);
        Midi::sendClock(0xF8);
        EXPECT_TRUE(Midi::MIDIevents().isEmpty());
        EXPECT_TRUE(loop->sent().isEmpty());
    }
}

TEST_F(MidiEngine, TablesSavedAndReloadedKeepEveryField)
{
    auto &dests = Midi::MIDIdestinations();
    dests[1]->idDest = QStringLiteral("Lead");
    dests[1]->destDescr = QStringLiteral("lead synth");
    dests[1]->sendType = 2;
    dests[1]->deviceUID = 11;
    dests[1]->entityUID = 12;
    dests[1]->sourceUID = 13;
    dests[1]->destUID = -14;
    Midi::supprimerDestinationsForIndex(2);
    EXPECT_EQ(dests[2]->index, 3) << "rows keep their index until the table is saved";
    saveTable(dests, "MidiDest_nbDest");

    Midi::creerFav();
    EXPECT_EQ(Midi::MIDIfav()[1]->favEventID, QStringLiteral("Fav1"));
    Midi::MIDIfav()[1]->favEventTx = QStringLiteral("17@Lead\n");
    Midi::MIDIfav()[1]->favRestriction = 2;
    saveTable(Midi::MIDIfav(), "MidiFavEvent_nbFav");

    Midi::creerTriggers();
    auto trig = Midi::MIDItriggers()[2];
    EXPECT_EQ(trig->channel, 0);
    EXPECT_EQ(trig->sourceVal1, -1);
    trig->sourceType = 6;
    trig->sourceVal1 = 64;
    trig->actionType = 8;
    trig->actionTxt = QStringLiteral("x");
    trig->sourceDescr = QStringLiteral("Pedal");
    trig->behavior = 2;
    Midi::creerTriggersUsingTriggerSource(2);
    EXPECT_EQ(Midi::MIDItriggers()[3]->actionTxt, QStringLiteral("x"));
    saveTable(Midi::MIDItriggers(), "MidiTrig_nbTrig");

    Midi::chargerDestinations();
    Midi::chargerFav();
    Midi::chargerTriggers();
    ASSERT_EQ(Midi::MIDIdestinations().size(), 16);
    const MidiDest &lead = *Midi::MIDIdestinations()[1];
    EXPECT_EQ(lead.idDest, QStringLiteral("Lead"));
    EXPECT_EQ(lead.destDescr, QStringLiteral("lead synth"));
    EXPECT_EQ(lead.sendType, 2);
    EXPECT_EQ(lead.deviceUID, 11);
    EXPECT_EQ(lead.entityUID, 12);
    EXPECT_EQ(lead.sourceUID, 13);
    EXPECT_EQ(lead.destUID, -14);
    EXPECT_EQ(Midi::MIDIdestinations()[2]->idDest, QStringLiteral("Ch3"));
    ASSERT_EQ(Midi::MIDIfav().size(), 2);
    EXPECT_EQ(Midi::MIDIfav()[1]->favEventTx, QStringLiteral("17@Lead\n"));
    EXPECT_EQ(Midi::MIDIfav()[1]->favRestriction, 2);
    ASSERT_EQ(Midi::MIDItriggers().size(), 4);
    const MidiTrig &t = *Midi::MIDItriggers()[3];
    EXPECT_EQ(t.sourceType, 6);
    EXPECT_EQ(t.sourceVal1, 64);
    EXPECT_EQ(t.actionType, 8);
    EXPECT_EQ(t.sourceDescr, QStringLiteral("Pedal"));
    EXPECT_EQ(t.behavior, 2);
    // A held-note trigger is heard through its note on and note off.
    EXPECT_TRUE(Midi::trigFiltreChannel(6, 0));
    EXPECT_TRUE(Midi::trigFiltreChannel(3, 0));
    EXPECT_TRUE(Midi::trigFiltreChannel(5, 0));
    EXPECT_TRUE(Midi::trigFiltreNoteOff(64));
    EXPECT_FALSE(Midi::trigFiltreNoteOff(65));
    Midi::supprimerTriggersForIndex(3);
    Midi::supprimerTriggersForIndex(2);
    EXPECT_FALSE(Midi::trigFiltreChannel(6, 0));
    EXPECT_FALSE(Midi::trigFiltreNoteOff(64));

    // A row stored in part gets empty texts and zero numbers for its absent keys.
    platform::UserDefaults::standard().setInteger(QStringLiteral("MidiDest_nbDest"), 17);
    platform::UserDefaults::standard().setInteger(QStringLiteral("MidiDest_sendType_16"), 1);
    Midi::chargerDestinations();
    ASSERT_EQ(Midi::MIDIdestinations().size(), 17);
    EXPECT_EQ(Midi::MIDIdestinations()[16]->idDest, QString());
    EXPECT_EQ(Midi::MIDIdestinations()[16]->channel, 0);
    EXPECT_EQ(Midi::MIDIdestinations()[16]->sendType, 1);
}

// Before, a stored count of 9,999,999,999 built 10,000 rows per table, and
// saving wrote every one of them back as real keys.
TEST_F(MidiEngine, ADamagedMidiCountGivesTheRowsThatExist)
{
    struct Table {
        const char *countKey;
        const char *rowPrefix;
        void (*load)();
        void (*save)();
        qsizetype (*size)();
    };
    const Table tables[] = {
        {"MidiDest_nbDest", "MidiDest_", Midi::chargerDestinations, Midi::sauvegarderDestinations,
         [] { return Midi::MIDIdestinations().size(); }},
        {"MidiTrig_nbTrig", "MidiTrig_", Midi::chargerTriggers, Midi::sauvegarderTriggers,
         [] { return Midi::MIDItriggers().size(); }},
        {"MidiFavEvent_nbFav", "MidiFavEvent_", Midi::chargerFav, Midi::sauvegarderFav,
         [] { return Midi::MIDIfav().size(); }},
    };
    auto &d = platform::UserDefaults::standard();
    auto rowsWithKeys = [&d](const char *prefix) {
        QSet<QString> rows;
        for (const QString &k : d.allKeys())
            if (k.startsWith(QLatin1String(prefix)) && k.count(QLatin1Char('_')) == 2)
                rows.insert(k.section(QLatin1Char('_'), 2));
        return rows.size();
    };
    for (const Table &t : tables) {
        SCOPED_TRACE(t.countKey);
        d.removeAll();
        t.load(); // the first-run rows, then stored
        t.save();
        const qsizetype stored = t.size();
        ASSERT_GT(stored, 0);

        d.setInteger(QLatin1String(t.countKey), 9999999999ll);
        t.load();
        EXPECT_EQ(t.size(), stored);
        t.save();
        EXPECT_EQ(d.integerForKey(QLatin1String(t.countKey)), stored);
        EXPECT_EQ(rowsWithKeys(t.rowPrefix), stored);

        // A missing row ends the table: the rows behind it are left unread.
        const QStringList keys = d.allKeys();
        for (const QString &k : keys)
            if (k.startsWith(QLatin1String(t.rowPrefix)) && k.endsWith(QLatin1String("_1")))
                d.removeObjectForKey(k);
        t.load();
        EXPECT_EQ(t.size(), 1);
    }
}

// Before, a count of -5, "lots" or "" read as no count at all: the first-run
// rows were made, and the next save wrote them over the stored ones.
TEST_F(MidiEngine, ACountThatIsNoNumberLoadsTheStoredRowsAndSavesThemUnchanged)
{
    struct Table {
        const char *countKey;
        const char *rowPrefix;
        void (*seed)(); // three rows unlike the first-run ones
        void (*load)();
        void (*save)();
        qsizetype (*size)();
    };
    const Table tables[] = {
        {"MidiDest_nbDest", "MidiDest_",
         [] {
             Midi::MIDIdestinations().clear();
             for (const char *id : {"Synth", "Keys", "Pads"}) {
                 Midi::creerDestinations();
                 Midi::MIDIdestinations().last()->idDest = QLatin1String(id);
                 Midi::MIDIdestinations().last()->sendType = 2;
             }
         },
         Midi::chargerDestinations, Midi::sauvegarderDestinations, [] { return Midi::MIDIdestinations().size(); }},
        {"MidiTrig_nbTrig", "MidiTrig_",
         [] {
             Midi::MIDItriggers().clear();
             for (const char *text : {"a", "b", "c"}) {
                 Midi::creerTriggers();
                 Midi::MIDItriggers().last()->actionTxt = QLatin1String(text);
             }
         },
         Midi::chargerTriggers, Midi::sauvegarderTriggers, [] { return Midi::MIDItriggers().size(); }},
        {"MidiFavEvent_nbFav", "MidiFavEvent_",
         [] {
             Midi::MIDIfav().clear();
             for (int i = 0; i < 3; ++i)
                 Midi::creerFav();
         },
         Midi::chargerFav, Midi::sauvegarderFav, [] { return Midi::MIDIfav().size(); }},
    };
    struct Damage {
        const char *what;
        void (*store)(const QString &key);
    };
    const Damage damages[] = {
        {"-5", [](const QString &k) { platform::UserDefaults::standard().setInteger(k, -5); }},
        {"lots", [](const QString &k) { platform::UserDefaults::standard().setString(k, QStringLiteral("lots")); }},
        {"empty text", [](const QString &k) { platform::UserDefaults::standard().setString(k, QString()); }},
        {"another type", [](const QString &k) { platform::UserDefaults::standard().setDouble(k, 2.0); }},
        {"missing", [](const QString &k) { platform::UserDefaults::standard().removeObjectForKey(k); }},
    };
    auto &d = platform::UserDefaults::standard();
    auto stored = [&d](const char *prefix) {
        QMap<QString, QVariant> rows;
        for (const QString &k : d.allKeys())
            if (k.startsWith(QLatin1String(prefix)))
                rows.insert(k, d.objectForKey(k));
        return rows;
    };
    for (const Table &t : tables) {
        SCOPED_TRACE(t.countKey);
        d.removeAll();
        t.load();
        const qsizetype firstRun = t.size();
        t.seed();
        t.save();
        const QMap<QString, QVariant> seeded = stored(t.rowPrefix);
        ASSERT_EQ(d.integerForKey(QLatin1String(t.countKey)), 3);

        for (const Damage &damage : damages) {
            SCOPED_TRACE(damage.what);
            damage.store(QLatin1String(t.countKey));
            t.load();
            EXPECT_EQ(t.size(), 3);
            t.save();
            EXPECT_EQ(stored(t.rowPrefix), seeded);
        }

        // A count our save wrote holds, 0 too: the keys of deleted rows stay deleted.
        d.setInteger(QLatin1String(t.countKey), 0);
        t.load();
        EXPECT_EQ(t.size(), firstRun);
    }
}

TEST_F(MidiEngine, AGroupRestrictedToAScreenSetIsSentOnlyThere)
{
    MidiFavEvent row;
    row.favEventTx = QStringLiteral("17@0");
    row.favRestriction = 2;
    Data::setCurrentScreensetG(1);
    EXPECT_FALSE(row.envoyerFav());
    Data::setCurrentScreensetG(2);
    EXPECT_TRUE(row.envoyerFav());
    row.favRestriction = 0;
    EXPECT_TRUE(row.envoyerFav());
}

TEST_F(MidiEngine, InstructionsLeaveOneEveryDelayToTheDestinationsTheyName)
{
    const double t0 = platform::now();
    sendAndDrain(QStringLiteral("2.5:17@Ch1"));
    const QList<LoopbackMidi::Sent> sent = loop->sent();
    ASSERT_EQ(hexList(loop->sentTo(synthIn)), (QStringList{"b0 00 02", "b0 20 05", "c0 11"}));
    ASSERT_EQ(sent.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(sent[i].time - t0, 0.01 * (i + 1), 1e-6);
    EXPECT_TRUE(sentTo(Midi::virtualInTemp()).isEmpty());
}

TEST_F(MidiEngine, TuningSysExAndChannelNumbersReachTheSynthAsWritten)
{
    const QList<std::pair<QString, QStringList>> cases = {
        {QStringLiteral("TR-3@Ch2"), {"b1 65 00", "b1 64 02", "b1 06 3d", "b1 26 00", "b1 65 7f", "b1 64 7f"}},
        {QStringLiteral("CT+2@All"), {"f0 7f 7f 04 04 00 42 f7"}},
        {QStringLiteral("SYSEX F0 43 10 4C F7@Ch1"), {"f0 43 10 4c f7"}},
        {QStringLiteral("@16"), {}},
        {QStringLiteral("5@16"), {}},
        {QStringLiteral("5@-1"), {}},
        {QStringLiteral("5@15"), {"cf 05"}},
    };
    for (const auto &[text, bytes] : cases) {
        loop->clearSent();
        sendAndDrain(text);
        EXPECT_EQ(sentTo(synthIn), bytes) << qPrintable(text);
    }
}

TEST_F(MidiEngine, ABroadcastReachesEveryOnlineDestinationButTheProgramsOwnInput)
{
    const MidiEndpointRef daw = loop->addVirtualDestination(QStringLiteral("DAW"));
    const platform::MidiObjectRef old = loop->plugDevice(QStringLiteral("Old"));
    loop->setDeviceOffline(old, true);
    sendAndDrain(QStringLiteral("N60:100@0"));
    EXPECT_EQ(sentTo(synthIn), (QStringList{"90 3c 64", "80 3c 64"}));
    EXPECT_EQ(sentTo(daw), (QStringList{"90 3c 64", "80 3c 64"}));
    EXPECT_TRUE(sentTo(loop->findDestination(QStringLiteral("Old"))).isEmpty()) << "offline";
    // Before, "Quillory IN" got it too and a trigger sending to all fired itself forever.
    EXPECT_TRUE(sentTo(Midi::virtualInTemp()).isEmpty());
}

TEST_F(MidiEngine, ExplicitSendsStillReachTheProgramsOwnInput)
{
    Midi::sendKeyn(60);
    Midi::sendKeyn(128);
    Data::setNbDestForClock(1);
    Data::setDestForClock(0, qint32(synthIn));
    Midi::sendClock(0xFA);
    Midi::sendClock(0xF8);
    EXPECT_EQ(sentTo(Midi::virtualInTemp()), (QStringList{"90 3c 7f", "80 3c 00", "fa", "f8"}));
    EXPECT_EQ(sentTo(synthIn), (QStringList{"fa", "f8"}));
    EXPECT_TRUE(Midi::MIDIevents().isEmpty()) << "clock and keypad skip the queue";

    // A row naming the program's own input by its identifier reaches it.
    auto self = std::make_shared<MidiDest>(17);
    self->idDest = QStringLiteral("Self");
    self->sendType = 2;
    self->channel = 1;
    self->destUID = Midi::quilloryUIDin();
    Midi::MIDIdestinations().append(self);
    loop->clearSent();
    sendAndDrain(QStringLiteral("CC64:127@Self"));
    EXPECT_EQ(sentTo(Midi::virtualInTemp()), QStringList{"b0 40 7f"});
    EXPECT_TRUE(sentTo(synthIn).isEmpty());
}

TEST_F(MidiEngine, QueuedMessagesNeverCarryAStatusByteAsData)
{
    Midi::sendStatus(0xB0, 7, 100, 3, 0, true);
    Midi::sendStatus(0xB0, 7, 0x90, 3, 0, true);
    Midi::sendStatus(0xC0, 0xF8, 0, 2, 0, true);
    Midi::sendStatus(0x40, 7, 1, 3, 0, true);
    Midi::sendStatus(0xC0, 5, 0xFF, 2, 0, true); // the unused byte does not matter
    Midi::sendSysexCoarseTune(0, 0x80, 0, 0, 0, true);
    Midi::processMidiEvents();
    clock.advance(1.0);
    EXPECT_EQ(sentTo(synthIn), (QStringList{"b0 07 64", "c0 05"}));
}

TEST_F(MidiEngine, ThreeProgramChangesOnAllChannelsLeaveOverHalfASecond)
{
    const double t0 = platform::now();
    Midi::sendMIDIfromString(QStringLiteral("1@All 2@All 3@All"), QString(), false);
    EXPECT_EQ(Midi::MIDIevents().size(), 48);
    Midi::processMidiEvents();
    clock.advance(0.005);
    EXPECT_TRUE(loop->sent().isEmpty()) << "the first leaves one delay after the start";
    clock.advance(1.0);
    const QList<LoopbackMidi::Sent> sent = loop->sent();
    ASSERT_EQ(sent.size(), 48);
    EXPECT_NEAR(sent.last().time - t0, 0.48, 1e-6);
    EXPECT_EQ(sent[16].bytes, QByteArray::fromHex("c002"));
    EXPECT_TRUE(Midi::MIDIevents().isEmpty());
}

TEST_F(MidiEngine, ASecondStartDuringADrainKeepsThePace)
{
    Midi::sendMIDIfromString(QStringLiteral("1@0 2@0 3@0 4@0"), QString(), true);
    Midi::processMidiEvents();
    clock.advance(0.01);
    Midi::processMidiEvents();
    Midi::processMidiEvents();
    // Before, each call started its own series and the events left twice as fast.
    clock.advance(0.01);
    EXPECT_EQ(loop->sent().size(), 2);
    clock.advance(0.01);
    EXPECT_EQ(loop->sent().size(), 3);
    clock.advance(1.0);
    EXPECT_EQ(loop->sent().size(), 4);
    // Once drained, a new batch starts a new drain.
    Midi::sendMIDIfromString(QStringLiteral("5@0 6@0 7@0 8@0"), QString(), true);
    Midi::processMidiEvents();
    clock.advance(0.01);
    EXPECT_EQ(loop->sent().size(), 5);
    // One step run by hand sends one event and leaves a single series behind it.
    Midi::processOneMidiEvent();
    EXPECT_EQ(loop->sent().size(), 6);
    clock.advance(0.01);
    EXPECT_EQ(loop->sent().size(), 7);
    clock.advance(1.0);
    EXPECT_EQ(loop->sent().size(), 8);
}

TEST_F(MidiEngine, ANewBatchDropsThePreviousSongsUnsentEventsButNotForcedOnes)
{
    Midi::setRefreshPaused(true);
    Midi::initTimeLastLotEvents();
    Midi::sendMIDIfromString(QStringLiteral("1@0 2@0"), QString(), false);
    Midi::sendMIDIfromString(QStringLiteral("3@0"), QString(), true);
    clock.advance(0.5);
    Midi::initTimeLastLotEvents();
    Midi::sendMIDIfromString(QStringLiteral("4@0 5@0"), QString(), false);
    const double t0 = platform::now();
    Midi::processMidiEvents();
    clock.advance(0.01);
    ASSERT_EQ(sentTo(synthIn), QStringList{"c0 03"}) << "old ones dropped without a pause";
    EXPECT_NEAR(loop->sent()[0].time - t0, 0.01, 1e-6);
    clock.advance(0.02);
    EXPECT_EQ(sentTo(synthIn), (QStringList{"c0 03", "c0 04", "c0 05"}));
    EXPECT_TRUE(Midi::refreshPaused());
    clock.advance(1.0);
    EXPECT_FALSE(Midi::refreshPaused()) << "cleared a second after the queue drained";
}

TEST_F(MidiEngine, EventGroupsAreSentByNameOnceEachAlongTheirChain)
{
    group(QStringLiteral("A"), QStringLiteral("MIDI B\n1@0\n"));
    group(QStringLiteral("b"), QStringLiteral("MIDI A\n2@0\nMessage meet@5\n"));
    auto self = group(QStringLiteral("Self"), QStringLiteral("MIDI self\n3@0\n"));
    group(QStringLiteral("Empty"), QString());
    auto later = group(QStringLiteral("Later"), QStringLiteral("9@0"));
    later->favRestriction = 4;

    // Before, A calling B calling A recursed until the stack ran out.
    sendAndDrain(QStringLiteral("MIDI a"));
    QStringList sent = sentTo(synthIn);
    sent.sort();
    EXPECT_EQ(sent, (QStringList{"c0 01", "c0 02"}));

    loop->clearSent();
    sendAndDrain(QStringLiteral("MIDI Self MIDI Empty MIDI Later"));
    EXPECT_EQ(sentTo(synthIn), QStringList{"c0 03"});

    loop->clearSent();
    Midi::sendFav(self, true);
    Midi::processMidiEvents();
    clock.advance(1.0);
    EXPECT_EQ(sentTo(synthIn), QStringList{"c0 03"});

    loop->clearSent();
    Midi::sendMIDIfromString(QStringLiteral("MIDI A 7@0"), QStringLiteral("a"), true);
    Midi::processMidiEvents();
    clock.advance(1.0);
    EXPECT_EQ(sentTo(synthIn), QStringList{"c0 07"}) << "a group's own text does not send the group again";
}

TEST_F(MidiEngine, ASetUpChangeAfterLaunchReconnectsEverySourceAndTellsTheWindows)
{
    int refreshes = 0;
    auto &center = platform::NotificationCenter::defaultCenter();
    const auto id = center.addObserver(vocab::ActionKey, [&refreshes](const platform::Notification &n) {
        refreshes += n.intParam() == vocab::MidiSetupChanged;
    });

    const platform::MidiObjectRef pedal = loop->plugDevice(QStringLiteral("Pedal"));
    testsupport::processEvents();
    EXPECT_EQ(refreshes, 0) << "ignored until launching has finished";
    EXPECT_FALSE(loop->isConnected(Midi::inputPort(), loop->findSource(QStringLiteral("Pedal"))));

    Midi::setTraiterMidiNotifications(true);
    loop->unplugDevice(pedal);
    loop->plugDevice(QStringLiteral("Pedal 2"));
    testsupport::processEvents();
    EXPECT_EQ(refreshes, 2);
    const MidiEndpointRef pedal2 = loop->findSource(QStringLiteral("Pedal 2"));
    EXPECT_TRUE(loop->isConnected(Midi::inputPort(), pedal2));
    EXPECT_TRUE(Midi::MIDIendpoints().contains(pedal2));
    EXPECT_EQ(Midi::MIDIendpoints().size(), 3);
    EXPECT_TRUE(Midi::traiterMidiNotifications());

    Midi::unRegisterInputDevices(Midi::inputPort());
    EXPECT_TRUE(Midi::MIDIendpoints().isEmpty());
    EXPECT_FALSE(loop->isConnected(Midi::inputPort(), pedal2));
    center.removeObserver(id);
}

TEST_F(MidiEngine, TicksFollowTheirAudibilityRule)
{
    Data::setNbDestForTick(1);
    Data::setDestForTick(0, qint32(synthIn));
    Data::setChannelForTick(0, 2);
    Data::setNoteForTick(0, 1);
    Data::setAudibleForTick(0, 1);
    Midi::sendTick(0);
    EXPECT_EQ(sentTo(synthIn), (QStringList{"92 25 7f", "82 25 00"}));

    loop->clearSent();
    Data::setAudibleForTick(0, 3);
    Data::setGnbTick(6);
    Midi::sendTick(0);
    Data::setAudibleForTick(0, 1);
    Data::setNoteForTick(0, 0);
    Midi::sendTick(0);
    EXPECT_TRUE(loop->sent().isEmpty());
}

TEST_F(MidiEngine, KeypadKeysPlayNotesIntoTheProgramsOwnInput)
{
    platform::KeyEvent seven;
    seven.keyCode = platform::keycode::Keypad7;
    seven.modifierFlags = platform::keyflag::NumericPad;
    EXPECT_FALSE(Midi::isKeynToMIDI(seven, false));
    Data::setOptKeyPad2(1);
    EXPECT_TRUE(Midi::isKeynToMIDI(seven, false));
    platform::KeyEvent shiftedOne;
    shiftedOne.keyCode = platform::keycode::Digit1;
    shiftedOne.modifierFlags = platform::keyflag::Shift;
    Data::setOptKeyPad2(0);
    EXPECT_TRUE(Midi::isKeynToMIDI(shiftedOne, false));
    EXPECT_EQ(sentTo(Midi::virtualInTemp()), (QStringList{"90 59 7f", "80 59 00", "90 12 7f", "80 12 00"}));
}

TEST_F(MidiEngine, AvailableSourcesListDevicesThenVirtualSources)
{
    QList<MidiSourceAvailPtr> list;
    Midi::chargerSourceAvail(list);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0]->deviceRef, synth);
    EXPECT_EQ(list[0]->sourceRef, synthOut);
    EXPECT_EQ(list[0]->deviceUID, Midi::MIDIgetUniqueID(synth));
    EXPECT_EQ(list[0]->sourceUID, Midi::MIDIgetUniqueID(synthOut));
    EXPECT_FALSE(list[0]->isOffline);
    EXPECT_EQ(list[1]->sourceRef, Midi::virtualOutTemp());
    EXPECT_EQ(list[1]->deviceRef, 0u);
    EXPECT_EQ(list[1]->sourceUID, Midi::quilloryUIDout());

    EXPECT_TRUE(Midi::MIDIisOnline(0xdead)) << "unreadable counts as online";
    EXPECT_EQ(Midi::MIDIgetUniqueID(0xdead), 0);
    EXPECT_TRUE(Midi::MIDIgetName(0xdead).isNull());
}

TEST_F(MidiEngine, ReceivedPacketListsArriveWithTheirSource)
{
    std::mutex mutex;
    QList<MidiEndpointRef> sources;
    QStringList bytes;
    Midi::setPacketListHandler([&](const platform::MidiPacketList &packets, MidiEndpointRef source) {
        std::lock_guard lock(mutex);
        for (const auto &p : packets) {
            sources.append(source);
            bytes.append(QString::fromLatin1(p.data.toHex(' ')));
        }
    });
    loop->inject(synthOut, QByteArray::fromHex("b00740"));
    Midi::sendKeyn(36);
    loop->waitForIdle();
    std::lock_guard lock(mutex);
    EXPECT_EQ(bytes, (QStringList{"b0 07 40", "90 24 7f", "80 24 00"}));
    // The program's own input has no connection: its packets count as from "Quillory OUT".
    EXPECT_EQ(sources, (QList<MidiEndpointRef>{synthOut, Midi::virtualOutTemp(), Midi::virtualOutTemp()}));
}

// Before, taking the handler away did not wait for a list being read: at
// exit the receive thread went on into main-thread work with no application.
TEST_F(MidiEngine, StoppingInputWaitsForTheListBeingRead)
{
    std::promise<void> entered, release;
    std::atomic<bool> done{false};
    auto releaseFuture = release.get_future().share();
    Midi::setPacketListHandler([&, releaseFuture](const platform::MidiPacketList &, MidiEndpointRef) {
        entered.set_value();
        releaseFuture.wait();
        done = true;
    });
    loop->inject(synthOut, QByteArray::fromHex("b00740"));
    entered.get_future().wait();
    auto stopped = std::async(std::launch::async, [] { Midi::setPacketListHandler({}); });
    EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.set_value();
    stopped.wait();
    EXPECT_TRUE(done);
    loop->inject(synthOut, QByteArray::fromHex("b00741"));
    loop->waitForIdle();
}

TEST_F(MidiEngine, LearnedLinesNameTheRowForTheSource)
{
    auto keys = std::make_shared<MidiDest>(17);
    keys->idDest = QStringLiteral("Keys");
    keys->sourceUID = Midi::MIDIgetUniqueID(synthOut);
    Midi::MIDIdestinations().append(keys);
    EXPECT_EQ(Midi::obtenirChannelID(3, synthOut), QStringLiteral("Keys"));
    EXPECT_EQ(Midi::obtenirChannelID(3, 0), QStringLiteral("3"));
    EXPECT_EQ(Midi::obtenirChaineJusquaBlanc(QStringLiteral("Ch1 17@Ch2")), QStringLiteral("Ch1"));
}

// Before, a new group was named "Fav<row>": after a deletion or a rename it
// took a name a group already had, and the note then sent both.
TEST_F(MidiEngine, NewGroupsNeverShareAnIdentifier)
{
    auto &groups = Midi::MIDIfav();
    groups.clear();
    Midi::creerFav();
    groups[0]->favEventID = QStringLiteral("DEFAULT");
    Midi::creerFav();
    Midi::creerFav();
    Midi::supprimerFavForIndex(1); // "Fav2" is now in row 1
    Midi::creerFav();
    groups.last()->favEventID = QStringLiteral("fav4"); // renamed by hand, in another case
    Midi::creerFav();
    Midi::creerFav();
    QStringList ids;
    for (const MidiFavEventPtr &g : groups)
        ids << g->favEventID.toUpper();
    EXPECT_EQ(ids.size(), 5);
    EXPECT_EQ(ids.removeDuplicates(), 0) << ids.join(QLatin1Char(' ')).toStdString();
}
