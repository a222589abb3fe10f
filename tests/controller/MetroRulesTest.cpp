#include "controller/MetroRules.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

// The clock loop against a scripted clock: sleeping moves time on, and the
// metronome stops once the given time is reached.
struct ScriptedClockLoop {
    double time = 100.0;
    double stopAt = 1e9;
    double beat = 0.5;
    bool autoStopArmed = false;
    double autoStopAt = 1e9;
    QList<QPair<double, quint8>> sent;

    metro::ClockLoopIO io()
    {
        metro::ClockLoopIO io;
        io.now = [this]() { return time; };
        io.sleep = [this](double s) { time += s; };
        io.send = [this](quint8 b) { sent.append({time, b}); };
        io.running = [this]() { return time < stopAt; };
        io.beatDuration = [this]() { return beat; };
        io.autoStopDue = [this]() { return autoStopArmed && time >= autoStopAt; };
        return io;
    }

    int count(quint8 byte) const
    {
        int n = 0;
        for (const auto &s : sent)
            n += s.second == byte;
        return n;
    }
};

} // namespace

TEST(MetroRules, BeatLengthAndBeatsDue)
{
    EXPECT_DOUBLE_EQ(metro::beatDuration(120), 0.5);
    EXPECT_DOUBLE_EQ(metro::beatDuration(0), 0.6);
    EXPECT_EQ(metro::beatsDue(10.0, 10.0, 0.5), 1);
    EXPECT_EQ(metro::beatsDue(10.49, 10.0, 0.5), 1);
    EXPECT_EQ(metro::beatsDue(10.5, 10.0, 0.5), 2);
    EXPECT_EQ(metro::beatsDue(12.0, 10.0, 0.0), 0);
}

TEST(MetroRules, ClickPatterns)
{
    struct Row {
        qint64 tickSound;
        bool sound;
        bool skip;
        qint64 beat;
        bool clicks;
    };
    const Row rows[] = {
        {0, true, false, 1, true}, {0, false, false, 1, false}, {0, true, true, 1, false},
        {1, false, true, 9, true}, {3, false, false, 4, true},  {3, false, false, 5, false},
        {4, false, false, 4, false}, {4, false, false, 5, true}, {4, false, false, 8, true},
        {4, false, false, 9, false}, {2, true, false, 1, false},
    };
    for (const Row &r : rows)
        EXPECT_EQ(metro::clickSounds(r.tickSound, r.sound, r.skip, r.beat), r.clicks)
            << r.tickSound << " beat " << r.beat;
}

TEST(MetroRules, FirstBeatOfBar)
{
    EXPECT_TRUE(metro::isFirstBeatOfBar(5, 4));
    EXPECT_FALSE(metro::isFirstBeatOfBar(4, 4));
    EXPECT_TRUE(metro::isFirstBeatOfBar(4, 3));
    EXPECT_TRUE(metro::isFirstBeatOfBar(7, 1));
    // Before, a song without known beats per bar divided by zero.
    EXPECT_TRUE(metro::isFirstBeatOfBar(3, 0));
}

TEST(MetroRules, OnOffPressesArmAndExtendTheAutomaticStop)
{
    metro::OnOffPress p = metro::pressWhileRunning(100.0, 100.3, 16, false);
    EXPECT_FALSE(p.stop);
    EXPECT_EQ(p.nbtempo, 16);
    EXPECT_TRUE(p.stopAuto);
    p = metro::pressWhileRunning(100.0, 100.4, p.nbtempo, p.stopAuto);
    EXPECT_EQ(p.nbtempo, 48);
    EXPECT_TRUE(metro::pressWhileRunning(100.0, 100.6, 16, false).stop);
    EXPECT_TRUE(metro::pressWhileRunning(0.0, 0.1, 16, false).stop);
}

TEST(MetroRules, ClockLoopSendsStartOnceAnd24ClocksPerBeatOnSchedule)
{
    ScriptedClockLoop loop;
    loop.stopAt = 100.0 + 2 * 0.5 - 1e-9; // two beats at 120 bpm
    EXPECT_EQ(metro::runClockLoop(loop.io()), metro::ClockEnd::Stopped);
    ASSERT_FALSE(loop.sent.isEmpty());
    EXPECT_EQ(loop.sent.first().second, metro::kClockStart);
    EXPECT_EQ(loop.count(metro::kClockStart), 1);
    EXPECT_EQ(loop.count(metro::kClockTick), 48);
    EXPECT_EQ(loop.count(metro::kClockStop), 0) << "Stop belongs to the stop routine";
    // Each clock within one poll of its slot: the sleeps do not drift the schedule.
    const double poll = 0.5 / 240;
    for (int k = 1; k < loop.sent.size(); ++k)
        EXPECT_NEAR(loop.sent[k].first, 100.0 + (k - 1) * 0.5 / 24, poll + 1e-9) << k;
}

TEST(MetroRules, ClockLoopTakesATempoChangeFromTheNextBeat)
{
    ScriptedClockLoop loop;
    loop.stopAt = 101.1;
    auto io = loop.io();
    io.beatDuration = [&loop]() { return loop.time < 100.2 ? 0.5 : 1.0; };
    metro::runClockLoop(io);
    // Beat 2 starts at t0 + 1 × 1.0 per the new length; its first clock is entry 25.
    ASSERT_GT(loop.sent.size(), 25);
    EXPECT_NEAR(loop.sent[24].first, 100.0 + 23 * 0.5 / 24, 0.5 / 240 + 1e-9);
    EXPECT_NEAR(loop.sent[25].first, 101.0, 0.5 / 240 + 1e-9);
}

TEST(MetroRules, ClockLoopNeverStartsAfterAStop)
{
    // Before, Start went out even when the metronome had stopped before the loop began.
    ScriptedClockLoop loop;
    loop.stopAt = 0;
    EXPECT_EQ(metro::runClockLoop(loop.io()), metro::ClockEnd::NotStarted);
    EXPECT_TRUE(loop.sent.isEmpty());
}

TEST(MetroRules, ClockLoopEndsItselfAtTheAutomaticStop)
{
    ScriptedClockLoop loop;
    loop.autoStopArmed = true;
    loop.autoStopAt = 100.0 + 16 * 0.5;
    EXPECT_EQ(metro::runClockLoop(loop.io()), metro::ClockEnd::AutoStop);
    EXPECT_EQ(loop.count(metro::kClockTick), 16 * 24 + 1);
}
