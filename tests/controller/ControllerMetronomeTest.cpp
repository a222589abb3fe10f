#include "ControllerTestSupport.h"

#include "midi/Midi.h"
#include "platform/midi/LoopbackMidi.h"

#include <QApplication>
#include <chrono>
#include <thread>

using namespace controllertest;
using platform::LoopbackMidi;

namespace {

// Records the beats the metronome shows.
class MetroWindow : public RecordingWindow {
public:
    void updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset) override
    {
        if (!masquer)
            beats << nbTick;
        resets += reset;
    }
    QList<qint64> beats;
    int resets = 0;
};

// Waits for the clock loop's thread to catch up with the manual clock.
template <typename Pred>
bool waitFor(Pred pred)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

class ControllerMetronome : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        Data::setMetroOn(false);
        Data::setSyncMode(0);
        Data::setTickSound(1);
        Data::setOptMetroSound(0);
        Data::setGcountSkip(false);
        Data::setGTriggerAuto(false);
        Data::setGTriggerAutoMute(false);
        Data::setGPlayAutoForGenre(-1);
        Data::setNbDestForClock(0);
        Data::setNbDestForTick(0);
        platform::setMidiSystem(nullptr);
        loop = std::make_unique<LoopbackMidi>();
        loop->plugDevice(QStringLiteral("Synth"));
        synthIn = loop->findDestination(QStringLiteral("Synth"));
        platform::setMidiSystem(loop.get());
        clock = &manualClock();
    }

    void TearDown() override
    {
        if (controller && (Data::metroOn() || Data::clockOn()))
            controller->stopMetroTimer();
        Data::setSyncMode(0);
        ControllerFixture::TearDown();
        Midi::setPacketListHandler({});
        testsupport::processEvents();
        platform::setMidiSystem(nullptr);
    }

    MetroWindow *addMetroWindow()
    {
        auto *w = new MetroWindow;
        Data::nsMutaryOfWindows().append(w);
        windows.append(w);
        return w;
    }

    // The real-time bytes the program's own input received, as hex.
    QList<quint8> clockBytes() const
    {
        QList<quint8> out;
        for (const QByteArray &b : loop->sentTo(Midi::virtualInTemp()))
            if (b.size() == 1)
                out << quint8(b.at(0));
        return out;
    }
    int countOf(quint8 byte) const { return int(clockBytes().count(byte)); }

    QList<QByteArray> programChanges() const
    {
        QList<QByteArray> out;
        for (const QByteArray &b : loop->sentTo(synthIn))
            if (!b.isEmpty() && (quint8(b.at(0)) & 0xF0) == 0xC0)
                out << b;
        return out;
    }

    std::unique_ptr<LoopbackMidi> loop;
    platform::MidiEndpointRef synthIn = 0;
    platform::ManualClock *clock = nullptr;
    QTemporaryDir songs;
};

TEST_F(ControllerMetronome, BeatsAndStopsByItselfSixteenBeatsAfterADoublePress)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setGtempo(120);
    MetroWindow *w = addMetroWindow();
    postKey(vocab::MetronomeOnOff);
    EXPECT_TRUE(Data::metroOn());
    EXPECT_TRUE(controller->metroTimerActive());
    EXPECT_DOUBLE_EQ(controller->gduration(), 0.5);
    EXPECT_EQ(w->beats, QList<qint64>({1}));
    EXPECT_EQ(w->resets, 1);
    clock->advance(0.1);
    postKey(vocab::MetronomeOnOff);
    EXPECT_TRUE(Data::metroOn()) << "a second press within half a second arms the automatic stop";
    EXPECT_TRUE(controller->gStopAuto());
    EXPECT_EQ(controller->gnbtempo(), 16);

    clock->advance(7.6 - 0.1);
    QList<qint64> expected;
    for (qint64 b = 1; b <= 16; ++b)
        expected << b;
    EXPECT_EQ(w->beats, expected);
    EXPECT_TRUE(Data::metroOn()) << "beat 16's light is still on";
    clock->advance(0.2);
    EXPECT_FALSE(Data::metroOn());
    EXPECT_FALSE(controller->metroTimerActive());
    EXPECT_EQ(w->beats, expected);
    EXPECT_EQ(controller->clicksPlayed(), 16);
    EXPECT_FALSE(controller->gStopAuto());
    EXPECT_EQ(countOf(0xFC), 1);
    EXPECT_EQ(countOf(0xFA), 0) << "no clock in internal mode";
}

TEST_F(ControllerMetronome, ExternalSyncOnlyTellsAndAZeroTempoBeatsEverySixTenths)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setSyncMode(2);
    postKey(vocab::MetronomeOn);
    EXPECT_FALSE(Data::metroOn());
    EXPECT_EQ(window()->messages.value(0), QStringLiteral("⚠️ Sync Mode is set to External!"));

    Data::setSyncMode(0);
    Data::setGtempo(0);
    MetroWindow *w = addMetroWindow();
    postKey(vocab::MetronomeOn);
    clock->advance(1.21);
    EXPECT_EQ(w->beats, QList<qint64>({1, 2, 3}));
    postKey(vocab::MetronomeOff);
    EXPECT_FALSE(Data::metroOn());
}

TEST_F(ControllerMetronome, ACountInWithoutBeatsPerBarStillCounts)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setGtempo(120);
    // A time signature outside the known ones gives 0 beats per bar.
    Data::getPiece(Data::songNoG())->pieceDet->signature = 1;
    ASSERT_EQ(Data::valOrDefNbBeatForCurrentSong(0), 0);
    Data::activerCountDownCountToFor(2, false, false, false, -1, true);
    EXPECT_TRUE(Data::metroOn());
    // Before, the wait for the bar took the beat modulo 0 and crashed.
    clock->advance(1.01);
    EXPECT_EQ(Data::gcount(), 0);
    EXPECT_FALSE(Data::gcountSkip());
}

TEST_F(ControllerMetronome, TheNoteTimerSendsTheUntimedMidiOncePerSongChange)
{
    chordProSong(songs.path(), QStringLiteral("s1.chopro"), QStringLiteral("Song 1"));
    chordProSong(songs.path(), QStringLiteral("s2.chopro"), QStringLiteral("Song 2"));
    chordProSong(songs.path(), QStringLiteral("s3.chopro"), QStringLiteral("Song 3"));
    testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s1.txt")), "m\n17@0\n00:05 18@0\n");
    testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s2.txt")), "m\n20@0\n");
    storeSlot(0, songs.path());
    platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
    platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
    start();
    clock->advance(2.0);
    const QList<QByteArray> first = programChanges();
    ASSERT_EQ(first.size(), 1) << "the untimed event only, once";

    loop->clearSent();
    controller->gotoSongNo(2, false, true);
    clock->advance(0.2);
    controller->gotoSongNo(3, false, true);
    clock->advance(0.2);
    controller->gotoSongNo(2, false, true);
    clock->advance(2.0);
    const QList<QByteArray> second = programChanges();
    ASSERT_EQ(second.size(), 1) << "only the song reached last";
    EXPECT_EQ(quint8(second.at(0).at(1)), quint8(first.at(0).at(1)) + 3);
    clock->advance(5.0);
    EXPECT_EQ(programChanges().size(), 1);
}

TEST_F(ControllerMetronome, ClockModeSendsStartTwentyFourClocksPerBeatAndStop)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setSyncMode(1);
    Data::setGtempo(240);
    loop->clearSent();
    const double t0 = platform::now();
    postKey(vocab::MetronomeOnOff);
    EXPECT_TRUE(Data::clockOn());
    EXPECT_FALSE(controller->metroTimerActive());
    ASSERT_TRUE(waitFor([&]() { return countOf(0xF8) >= 1; }));
    const double tick = 0.25 / 24;
    for (int k = 1; k <= 48; ++k) {
        clock->advance(tick + 1e-7); // a hair past the slot, whatever the rounding
        ASSERT_TRUE(waitFor([&]() { return countOf(0xF8) >= k + 1; })) << k;
    }
    controller->stopMetroTimer();
    EXPECT_FALSE(Data::clockOn());
    const QList<quint8> bytes = clockBytes();
    ASSERT_GE(bytes.size(), 3);
    EXPECT_EQ(bytes.first(), 0xFA);
    EXPECT_EQ(bytes.last(), 0xFC);
    EXPECT_EQ(bytes.count(0xFA), 1);
    EXPECT_EQ(bytes.count(0xF8), 49);
    int firstBeat = 0;
    for (const LoopbackMidi::Sent &s : loop->sent())
        if (s.dest == Midi::virtualInTemp() && s.bytes == QByteArray(1, char(0xF8)) && s.time < t0 + 0.25 - 1e-9)
            ++firstBeat;
    EXPECT_EQ(firstBeat, 24);
}

TEST_F(ControllerMetronome, StopJoinsTheClockLoopAndStartNeverFollowsStop)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setSyncMode(1);
    Data::setGtempo(120);
    // Before, the loop marked itself running only once it ran, so a quick stop
    // returned at once and the late loop sent Start after Stop.
    for (int round = 0; round < 20; ++round) {
        loop->clearSent();
        postKey(vocab::MetronomeOnOff);
        controller->stopMetroTimer();
        EXPECT_FALSE(Data::clockOn());
        const QList<quint8> bytes = clockBytes();
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_EQ(bytes.last(), 0xFC) << round;
        EXPECT_LE(bytes.count(0xFA), 1);
    }
}

TEST_F(ControllerMetronome, TapTempoRestartsARunningMetronomeAtTheNewTempo)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setGtempo(120);
    postKey(vocab::MetronomeOnOff);
    clock->advance(2.0);
    for (int tap = 0; tap < 3; ++tap) {
        postKey(vocab::TapTempo);
        clock->advance(0.4);
    }
    EXPECT_EQ(Data::gtempo(), 150);
    EXPECT_DOUBLE_EQ(controller->gduration(), 0.4);
    EXPECT_TRUE(Data::metroOn());
    EXPECT_TRUE(controller->metroTimerActive());
}

TEST_F(ControllerMetronome, TheTypeCommandPreviewsTheNewTypeForFourBeats)
{
    startWithSongs(songs, 1);
    clock->advance(1.0);
    Data::setGtempo(120);
    window()->show();
    QApplication::setActiveWindow(window());
    ASSERT_EQ(Data::getKeyWin(), window());
    const qint64 before = window()->typeMetro();
    postKey(vocab::MetronomeType);
    EXPECT_NE(window()->typeMetro(), before);
    EXPECT_TRUE(Data::metroOn());
    EXPECT_EQ(controller->gnbtempo(), 4);
    clock->advance(1.6);
    EXPECT_TRUE(Data::metroOn());
    clock->advance(0.2);
    EXPECT_FALSE(Data::metroOn());
}
