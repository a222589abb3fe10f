#include "MidiInputFixture.h"

#include "midi/MidiInput.h"

#include <QRandomGenerator>

using miditest::key;
using miditest::named;
using miditest::Posted;
using midiin::Message;

namespace {

QList<Message> walk(const QList<const char *> &hexPackets)
{
    platform::MidiPacketList list;
    for (const char *hex : hexPackets)
        list.append(platform::MidiPacket{0, QByteArray::fromHex(hex)});
    QList<Message> out;
    midiin::walkPacketList(list, [&out](const Message &m) { out.append(m); });
    return out;
}

Message m3(quint8 s, quint8 a, quint8 b) { return Message{s, a, b, 3}; }
Message m2(quint8 s, quint8 a) { return Message{s, a, 0, 2}; }
Message m1(quint8 s) { return Message{s, 0, 0, 1}; }

} // namespace

// ---- The packet walk, byte for byte ----------------------------------------------------------

TEST(MidiPacketWalk, MessagesAreCutByTheirStatusBytes)
{
    struct Case {
        const char *what;
        QList<const char *> packets;
        QList<Message> expected;
    };
    const QList<Case> cases = {
        {"three kinds in one packet", {"b0407fc011903c64"}, {m3(0xB0, 0x40, 0x7F), m2(0xC0, 0x11), m3(0x90, 0x3C, 0x64)}},
        {"pressure and system messages are read over", {"a03c10d020f20102f103f6e00040"},
         {m3(0xA0, 0x3C, 0x10), m2(0xD0, 0x20), m3(0xF2, 1, 2), m2(0xF1, 3), m1(0xF6), m3(0xE0, 0, 0x40)}},
        // Before, the walk read two bytes past the packet's end.
        {"a message cut by the packet's end is dropped", {"c011b040", "9040"}, {m2(0xC0, 0x11)}},
        // Before, the status byte 90 was read as the controller value.
        {"a status byte where data is expected starts a new message", {"b04090 3c64"}, {m3(0x90, 0x3C, 0x64)}},
        {"stray data bytes are passed over one by one", {"0102b0407f"}, {m3(0xB0, 0x40, 0x7F)}},
        {"SysEx content is passed over, the walk goes on after F7", {"f0437f7ff7c005"}, {m2(0xC0, 5)}},
        {"an open SysEx spans packets until its F7", {"f04301", "0203", "04f7", "c007"}, {m2(0xC0, 7)}},
        {"a status byte ends an unterminated SysEx", {"f04301c009"}, {m2(0xC0, 9)}},
        {"a lone F7 carries nothing", {"f7c00a"}, {m2(0xC0, 10)}},
        {"empty packets", {"", "", "c00b"}, {m2(0xC0, 11)}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(walk(c.packets), c.expected) << c.what;
}

// Before, a clock byte first in a packet ended the whole list: a pedal message
// in a later packet of the same list was lost.
TEST(MidiPacketWalk, RealTimeBytesAreHandledWhereTheyStandAndTheWalkGoesOn)
{
    EXPECT_EQ(walk({"f8", "b0407f"}), (QList<Message>{m1(0xF8), m3(0xB0, 0x40, 0x7F)}));
    EXPECT_EQ(walk({"b040f87f"}), (QList<Message>{m1(0xF8), m3(0xB0, 0x40, 0x7F)}))
        << "a clock inside a message does not break it";
    EXPECT_EQ(walk({"f0 01 fa 02 f7 fc"}), (QList<Message>{m1(0xFA), m1(0xFC)})) << "nor inside a SysEx";
}

TEST(MidiPacketWalk, RandomBytesGiveOnlyWellFormedMessages)
{
    QRandomGenerator rng(1234);
    for (int round = 0; round < 2000; ++round) {
        platform::MidiPacketList list;
        const int packets = int(rng.bounded(4));
        for (int p = 0; p < packets; ++p) {
            QByteArray bytes;
            const int n = int(rng.bounded(12));
            for (int i = 0; i < n; ++i)
                bytes.append(char(rng.bounded(256)));
            list.append(platform::MidiPacket{0, bytes});
        }
        midiin::walkPacketList(list, [](const Message &m) {
            ASSERT_GE(m.status, 0x80);
            ASSERT_LT(m.data1, 0x80);
            ASSERT_LT(m.data2, 0x80);
            ASSERT_EQ(m.length, midiin::messageLength(m.status));
        });
    }
}

TEST(MidiTapTempo, MeanIntervalGivesTheTempoCappedAt300)
{
    EXPECT_EQ(midiin::tapTempo({}), 0);
    EXPECT_EQ(midiin::tapTempo({10.0}), 0);
    EXPECT_EQ(midiin::tapTempo({10.0, 10.5, 11.0}), 120);
    EXPECT_EQ(midiin::tapTempo({10.0, 10.7}), 86); // 85.7 rounds up
    EXPECT_EQ(midiin::tapTempo({10.0, 10.1, 10.2}), 300);
    // Before, taps at the same instant divided by a zero interval.
    EXPECT_EQ(midiin::tapTempo({10.0, 10.0, 10.0}), 300);
}

// ---- The engine's input ------------------------------------------------------------------------

using MidiInput = miditest::MidiInputFixture;

TEST_F(MidiInput, NineTapsHalfASecondApartGive120AndAPauseStartsOver)
{
    Midi::initTimeLastTapTempo(-1);
    for (int i = 0; i < 9; ++i) {
        Midi::keepTapTempo();
        clock.advance(0.5);
    }
    EXPECT_EQ(Data::gtempo(), 120);
    EXPECT_EQ(Midi::nbTapTempoB(), 1) << "the ninth tap wrapped the ring";

    Data::setGtempo(77);
    clock.advance(2.5);
    Midi::keepTapTempo();
    EXPECT_EQ(Data::gtempo(), 77) << "a tap after a pause changes nothing";
    EXPECT_EQ(Midi::nbTapTempo(), 1);
    EXPECT_EQ(Midi::nbTapTempoB(), 0);

    for (int i = 0; i < 3; ++i) {
        clock.advance(0.1);
        Midi::keepTapTempo();
    }
    EXPECT_EQ(Data::gtempo(), 300);
    EXPECT_EQ(Midi::obtenirTimeLastTapTempo(3), Midi::timeLastTapTempo(3));
    EXPECT_EQ(Midi::obtenirTimeLastTapTempo(9), Midi::timeLastTapTempo(0));
}

TEST_F(MidiInput, ExternalClockCountsBeatsFromItsOwnSourceOnly)
{
    const platform::MidiEndpointRef other = loop->addVirtualSource(QStringLiteral("Other"));
    Midi::unRegisterInputDevices(Midi::inputPort());
    Midi::registerInputDevices(Midi::inputPort());

    receive("f8f8f8");
    EXPECT_EQ(Data::gnbTick(), 0) << "clocks before a start are ignored";

    receive("fa");
    EXPECT_EQ(Midi::clockRef(), pedals);
    QByteArray beat(24, char(0xF8));
    loop->inject(pedals, beat);
    settle();
    EXPECT_EQ(Data::gnbTick(), 1) << "FA then 24 F8 give one beat";
    EXPECT_EQ(Data::nbTick(), 0);

    loop->inject(other, QByteArray::fromHex("fa"));
    loop->inject(other, beat);
    settle();
    EXPECT_EQ(Midi::clockRef(), pedals) << "a second source cannot take the clock";
    EXPECT_EQ(Data::gnbTick(), 1);

    loop->inject(other, QByteArray::fromHex("fc"));
    settle();
    EXPECT_EQ(Midi::clockRef(), 0u) << "a stop from any source releases it";
}

TEST_F(MidiInput, CountInFollowsTheExternalClockToItsEnd)
{
    receive("fa");
    Data::setGcount(2);
    Data::setGTriggerAuto(true);
    Data::setGPlayAutoForGenre(3);
    QByteArray beat(24, char(0xF8));
    loop->inject(pedals, beat);
    settle();
    EXPECT_EQ(Data::gcount(), 1);
    EXPECT_TRUE(takePosted().isEmpty());
    loop->inject(pedals, beat);
    settle();
    EXPECT_EQ(Data::gcount(), 0);
    EXPECT_FALSE(Data::gTriggerAuto());
    EXPECT_EQ(Data::gPlayAutoForGenre(), -1);
    EXPECT_EQ(takePosted(), (QList<Posted>{key(vocab::NextCue), named(vocab::ActionDemarrerMuteTimer, QVariant())}));
}

// Before, a song whose signature gives no beats per bar divided by zero on the receive thread.
TEST_F(MidiInput, ACountInWaitingForTheBarSurvivesASongWithoutBeatsPerBar)
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->signature = 7;
    Data::listePiecesByTitle() = {piece};
    Data::setCurrentSort(0);
    Data::setSongNbrG(1);
    Data::setSongNoG(1);
    receive("fa");
    loop->inject(pedals, QByteArray(24, char(0xF8)));
    settle();
    Data::setGcount(4);
    Data::setGcountSkip(true);
    loop->inject(pedals, QByteArray(24 * 3, char(0xF8)));
    settle();
    EXPECT_TRUE(Data::gcountSkip());
    EXPECT_EQ(Data::gcount(), 4);
    loop->inject(pedals, QByteArray(24, char(0xF8)));
    settle();
    Data::listePiecesByTitle().clear();
    Data::setSongNbrG(0);
    EXPECT_FALSE(Data::gcountSkip()) << "bars of four: the count starts on beat 5";
    EXPECT_EQ(Data::gcount(), 3);
}

TEST_F(MidiInput, LearnedLinesCollectControlChangesAndAProgramChangeStartsAnew)
{
    receivePackets({"b00002", "b02005", "c011"});
    {
        std::lock_guard lock(Midi::textMutex());
        EXPECT_EQ(Midi::lastEvents(), QStringLiteral("\n2.5:17@0"));
    }
    EXPECT_EQ(Midi::nbLastEvents(), 1);
    EXPECT_EQ(takeKeys(), QList<Posted>{key(vocab::MidiMonitorProgram)});

    clock.advance(0.3);
    receive("b10740");
    clock.advance(0.3);
    receive("b10a20");
    {
        std::lock_guard lock(Midi::textMutex());
        EXPECT_EQ(Midi::lastEvents(), QStringLiteral("\n2.5:17@0\nCC7:64@1\nCC10:32@1"));
    }
    EXPECT_EQ(Midi::nbLastEvents(), 3);
    EXPECT_EQ(takeKeys(), (QList<Posted>{key(vocab::MidiMonitorProgram), key(vocab::MidiMonitorControl),
                                         key(vocab::MidiMonitorProgram), key(vocab::MidiMonitorControl)}));

    clock.advance(1.5);
    receive("b00b7f");
    {
        std::lock_guard lock(Midi::textMutex());
        EXPECT_EQ(Midi::lastEvents(), QStringLiteral("\nCC11:127@0")) << "a second's pause starts a new collection";
    }
    EXPECT_EQ(Midi::lastControlMessageValue1(), 11);
    EXPECT_EQ(Midi::lastControlMessageValue2(), 127);
}

// Before, the LSB of a learned line was the last value of any controller
// 32-63, however old, and an MSB the controller had dropped (-1) still counted.
TEST_F(MidiInput, ALearnedBankLsbComesOnlyFromARecentController32)
{
    auto line = [] {
        std::lock_guard lock(Midi::textMutex());
        return Midi::lastEvents();
    };
    receivePackets({"b02105", "c011"});
    EXPECT_EQ(line(), QStringLiteral("\n17@0")) << "controller 33 is no bank select";
    EXPECT_EQ(Midi::lastLSBNo(), 33);

    receive("b02006");
    clock.advance(1.5);
    receive("c012");
    EXPECT_EQ(line(), QStringLiteral("\n18@0")) << "an LSB older than a second";

    receive("b00003");
    Midi::setLastMSBValue(-1);
    receive("c013");
    EXPECT_EQ(line(), QStringLiteral("\n19@0")) << "the MSB was dropped";

    receive("b00004");
    receive("c014");
    EXPECT_EQ(line(), QStringLiteral("\n4.:20@0")) << "an MSB alone, sent back without an LSB";

    // Separate lists: the candidate carries no bank, the learned line does.
    addTrigger(2, -1, -1, 21, 8);
    receive("b00002");
    receive("b02005");
    receive("c015");
    EXPECT_EQ(line(), QStringLiteral("\n2.5:21@0"));
    EXPECT_EQ(takeKeys().count(key(vocab::NextSong)), 1);
}

TEST_F(MidiInput, NothingIsLearnedWhileTheProgramSendsItsOwnBatch)
{
    Midi::setRefreshPaused(true);
    receive("b00702c011");
    Midi::setRefreshPaused(false);
    EXPECT_EQ(Midi::nbLastEvents(), 0);
    EXPECT_EQ(Midi::lastProgramChangeValue(), 0);
    EXPECT_TRUE(takeKeys().isEmpty());
}

TEST_F(MidiInput, LearnModeCapturesAndHandsNothingOverWhileTheMonitorDoesBoth)
{
    addTrigger(1, 64, 127, -1, 8);
    Midi::setListenTrigSourceOn(true);
    receive("b3407f");
    EXPECT_EQ(takeKeys(), (QList<Posted>{key(vocab::MidiLearnTrigger), key(vocab::MidiMonitorControl)}))
        << "captured for the triggers window, learned, and no trigger fired";
    EXPECT_EQ(Midi::sourceType(), 1);
    EXPECT_EQ(Midi::sourceVal1(), 64);
    EXPECT_EQ(Midi::sourceVal2(), 127);
    EXPECT_EQ(Midi::sourceVal3(), -1);
    EXPECT_EQ(Midi::sourceChannel(), 3);
    EXPECT_EQ(Midi::sourceRef(), pedals);

    receive("933c64");
    EXPECT_EQ(Midi::sourceType(), 3);
    EXPECT_EQ(Midi::sourceVal1(), 60);
    EXPECT_EQ(Midi::sourceVal2(), -1) << "a captured note keeps no velocity";
    takeKeys();
    Midi::setListenTrigSourceOn(false);

    Midi::setMidiOutPrefOn(true);
    receive("b34000b3407f");
    const QList<Posted> keys = takeKeys();
    EXPECT_EQ(keys.count(key(vocab::MidiLearnDestination)), 2);
    EXPECT_EQ(keys.count(key(vocab::NextSong)), 1) << "the monitor still lets the triggers fire";
}

TEST_F(MidiInput, TheFilterPassesOnlyTypesAndChannelsSomeTriggerWants)
{
    clearTriggers();
    addTrigger(1, 64, 127, -1, 8, {}, 0, 2);
    receive("b0407f"); // channel 1
    EXPECT_FALSE(takeKeys().contains(key(vocab::NextSong)));
    receive("b1407f"); // channel 2
    EXPECT_TRUE(takeKeys().contains(key(vocab::NextSong)));

    // Before, rows were written for any stored type, past the end of the table.
    for (qint64 type : {0, 7, -3, 99})
        addTrigger(type, 60, 0, 0, 8, {}, 0, 1);
    addTrigger(3, 60, 0, 0, 8, {}, 0, 17);
    for (qint64 type = 1; type <= 6; ++type)
        for (qint64 slot = 0; slot <= 16; ++slot)
            EXPECT_EQ(Midi::trigFiltreChannel(type, slot), type == 1 && slot == 2) << type << " " << slot;
    receive("903c64803c00");
    EXPECT_FALSE(takeKeys().contains(key(vocab::NextSong)));
}

TEST_F(MidiInput, MalformedAndTruncatedListsNeverCrash)
{
    addTrigger(1, 64, 127, -1, 8);
    addTrigger(6, 60, 0, 0, 9);
    addTrigger(4, 0, 100, 0, 7);
    QRandomGenerator rng(99);
    for (int round = 0; round < 200; ++round) {
        platform::MidiPacketList list;
        for (int p = 0, n = int(rng.bounded(4)); p < n; ++p) {
            QByteArray bytes;
            for (int i = 0, len = int(rng.bounded(10)); i < len; ++i)
                bytes.append(char(rng.bounded(256)));
            list.append(platform::MidiPacket{0, bytes});
        }
        loop->inject(pedals, list);
    }
    settle();
    clock.advance(3.0);
    settle();
    EXPECT_EQ(Midi::nbMidiTrigIn(), 0);
}

// The receive thread reads while the main thread answers, learns and rebuilds
// the filters: every beat and every pressed pedal must still count exactly once.
TEST_F(MidiInput, AStormOfInputWhileTheMainThreadWorksLosesNothing)
{
    clearTriggers();
    addTrigger(1, 64, 127, -1, 8);
    receive("fa");
    const int rounds = 60;
    for (int i = 0; i < rounds; ++i) {
        platform::MidiPacketList list;
        list.append(platform::MidiPacket{0, QByteArray(12, char(0xF8))});
        list.append(platform::MidiPacket{0, QByteArray::fromHex("b0407fb04000b00100c005")});
        list.append(platform::MidiPacket{0, QByteArray(12, char(0xF8))});
        loop->inject(pedals, list);
        // The main thread's side, while the list is on its way.
        Midi::setMidiOutPrefOn(i % 2 == 0);
        Midi::refreshTrigFiltreChannel(0);
        Data::setGtempo(90 + i);
        QCoreApplication::processEvents();
    }
    Midi::setMidiOutPrefOn(false);
    settle();
    EXPECT_EQ(Data::gnbTick(), rounds);
    EXPECT_EQ(takeKeys().count(key(vocab::NextSong)), rounds);
    EXPECT_EQ(Midi::lastProgramChangeValue(), 5);
}

// Before, the learned message was written on the receive thread while the
// learn window read it: in a burst the window saw the latest message (or one
// message's controller with another's value) instead of the one announced.
TEST_F(MidiInput, EveryLearnedMessageIsReadWholeAndInTurnDuringABurst)
{
    QList<qint64> seen;
    int mixed = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&](const platform::Notification &n) {
            if (n.intParam() != vocab::MidiLearnTrigger)
                return;
            seen.append(Midi::sourceVal1());
            if (Midi::sourceType() != 1 || Midi::sourceVal2() != Midi::sourceVal1() + 1)
                ++mixed;
        },
        &owner);
    Midi::setListenTrigSourceOn(true);
    QList<qint64> sent;
    for (int k = 64; k < 120; ++k) { // plain controllers, no bank select
        loop->inject(pedals, QByteArray::fromHex(QByteArray::number(0xB0 * 0x10000 + k * 0x100 + k + 1, 16)));
        sent.append(k);
        if (k % 8 == 0)
            QCoreApplication::processEvents();
    }
    settle();
    Midi::setListenTrigSourceOn(false);
    EXPECT_EQ(seen, sent);
    EXPECT_EQ(mixed, 0);
}
