#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <thread>
#include <gtest/gtest.h>

using namespace platform;

TEST(ManualClock, TimersFireInTimeOrderOnlyWhenDue)
{
    ManualClock clock;
    QStringList fired;
    Timer played, note;
    played.start(30.0, false, [&]() { fired << QStringLiteral("played@%1").arg(now() - 1000.0); });
    note.start(0.5, false, [&]() { fired << QStringLiteral("note@%1").arg(now() - 1000.0); });
    clock.advance(29.0);
    EXPECT_EQ(fired, QStringList({"note@0.5"}));
    EXPECT_TRUE(played.isActive());
    EXPECT_FALSE(note.isActive());
    clock.advance(1.0);
    EXPECT_EQ(fired, QStringList({"note@0.5", "played@30"}));
    EXPECT_FALSE(played.isActive());
}

TEST(ManualClock, RestartingATimerReplacesTheOldOne)
{
    ManualClock clock;
    int fired = 0;
    Timer timer;
    timer.start(30.0, false, [&]() { ++fired; });
    clock.advance(20.0);
    timer.start(30.0, false, [&]() { ++fired; });
    clock.advance(20.0);
    EXPECT_EQ(fired, 0);
    clock.advance(10.0);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST(ManualClock, RepeatingTimerFiresEveryIntervalUntilStopped)
{
    ManualClock clock;
    int beats = 0;
    Timer metronome;
    metronome.start(0.5, true, [&]() {
        if (++beats == 4)
            metronome.stop();
    });
    clock.advance(10.0);
    EXPECT_EQ(beats, 4);
}

TEST(ManualClock, StepsLikeARunLoopWhenCallbacksScheduleAndCancel)
{
    ManualClock clock;
    QStringList fired;
    auto stamp = [&](const QString &what) { fired << QStringLiteral("%1@%2").arg(what).arg(now() - 1000.0); };
    Timer beat, cancelled, chained;
    beat.start(1.0, true, [&]() { stamp(QStringLiteral("beat")); });
    cancelled.start(2.0, false, [&]() { stamp(QStringLiteral("cancelled")); });
    // Cancels a timer that falls due later in the same advance.
    performAfter(1.5, nullptr, [&]() {
        stamp(QStringLiteral("perform"));
        cancelled.stop();
        // A zero delay inside a callback runs in the same advance, at once.
        performAfter(0.0, nullptr, [&]() {
            stamp(QStringLiteral("zero"));
            chained.start(0.25, false, [&]() { stamp(QStringLiteral("chained")); });
        });
    });
    clock.advance(2.5);
    EXPECT_EQ(fired, QStringList({"beat@1", "perform@1.5", "zero@1.5", "chained@1.75", "beat@2"}));
    EXPECT_EQ(now() - 1000.0, 2.5);
    beat.stop();
    EXPECT_EQ(clock.pendingTimers(), 0);
}

// Before, a timer remembered its clock by address: stopping it after its
// manual clock had gone used freed memory, and cancelled the timer of the
// same number on the next clock made at that address.
TEST(ManualClock, TimerOutlivingItsClockLeavesTheNextClockAlone)
{
    Timer stale;
    {
        ManualClock first;
        stale.start(5.0, false, []() {});
    }
    ManualClock second;
    int fired = 0;
    Timer fresh;
    fresh.start(5.0, false, [&]() { ++fired; });
    stale.stop();
    second.advance(5.0);
    EXPECT_EQ(fired, 1);
}

TEST(ManualClock, DestroyedTimerNeverFires)
{
    ManualClock clock;
    int fired = 0;
    {
        Timer timer;
        timer.start(1.0, true, [&]() { ++fired; });
    }
    clock.advance(5.0);
    EXPECT_EQ(fired, 0);
}

TEST(ManualClock, DelayedPerformIsDroppedWithItsContext)
{
    ManualClock clock;
    int fired = 0;
    auto *context = new QObject;
    performAfter(1.0, context, [&]() { ++fired; });
    performAfter(1.0, nullptr, [&]() { ++fired; });
    delete context;
    clock.advance(1.0);
    EXPECT_EQ(fired, 1);
}

TEST(ManualClock, DatesFollowTheClock)
{
    ManualClock clock;
    clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(20, 0)));
    clock.advance(3600);
    EXPECT_EQ(currentDateTime(), QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
}

// Before, a test's clock could be destroyed while the MIDI receive thread was
// halfway through reading the time from it (a read through a dead object).
TEST(ManualClock, ComesAndGoesWhileAnotherThreadReadsTheTime)
{
    std::atomic<bool> stop{false};
    std::atomic<int> readings{0};
    std::thread reader([&] {
        while (!stop.load()) {
            if (now() > 0)
                ++readings;
        }
    });
    for (int i = 0; i < 200; ++i) {
        ManualClock clock;
        clock.advance(0.5);
        EXPECT_DOUBLE_EQ(now(), 1000.5);
    }
    while (readings.load() < 10)
        std::this_thread::yield();
    stop = true;
    reader.join();
    EXPECT_GE(readings.load(), 10);
}

TEST(SystemClock, OneShotTimerFiresOnTheEventLoop)
{
    int fired = 0;
    Timer timer;
    timer.start(0.0, false, [&]() { ++fired; });
    QElapsedTimer guard;
    guard.start();
    while (fired == 0 && guard.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer.isActive());
}

// Before, a timer asked for on another thread (MIDI, clock loop) made its
// QTimer there: it never fired.
TEST(SystemClock, TimerAskedForOnAWorkerFiresOnTheMainThread)
{
    std::atomic<bool> onMain{false};
    std::atomic<int> fired{0};
    std::atomic<Clock::TimerId> stoppedOnMain{0};
    runGlobal([&]() {
        platform::clock().schedule(0.0, 0, [&]() {
            onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
            ++fired;
        });
        const Clock::TimerId never = platform::clock().schedule(0.0, 0, [&]() { fired += 100; });
        platform::clock().cancel(never);
        stoppedOnMain = platform::clock().schedule(0.0, 0, [&]() { fired += 1000; });
    });
    QThreadPool::globalInstance()->waitForDone();
    // Cancelled on the main thread before the timer was made there.
    platform::clock().cancel(stoppedOnMain);
    QElapsedTimer guard;
    guard.start();
    while (fired == 0 && guard.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    testsupport::processEvents();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(onMain);
}

TEST(Queues, GlobalWorkReturnsToMain)
{
    std::atomic<bool> ranOnWorker{false};
    bool backOnMain = false;
    runGlobal([&]() {
        ranOnWorker = QThread::currentThread() != QCoreApplication::instance()->thread();
        runOnMain([&]() { backOnMain = QThread::currentThread() == QCoreApplication::instance()->thread(); });
    });
    QThreadPool::globalInstance()->waitForDone();
    testsupport::processEvents();
    EXPECT_TRUE(ranOnWorker);
    EXPECT_TRUE(backOnMain);
}
