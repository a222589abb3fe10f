#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

// All timing in the program goes through the current clock, so tests can
// install a ManualClock and step it instead of waiting.
class Clock {
public:
    using TimerId = quint64;
    Clock();
    virtual ~Clock();
    Clock(const Clock &) = delete;
    Clock &operator=(const Clock &) = delete;

    // Unique for the program's run, never reused: a timer that outlives its
    // clock finds it gone instead of reaching a new clock at the same address.
    quint64 serial() const { return serial_; }

    // Monotonic seconds since an arbitrary start.
    virtual double now() const = 0;
    // Wall-clock date and time (dates written into notes and logs).
    virtual QDateTime currentDateTime() const = 0;

    // Calls fn on the main thread after delay seconds, then every interval
    // seconds when interval > 0. May be called from any thread.
    virtual TimerId schedule(double delay, double interval, std::function<void()> fn) = 0;
    virtual void cancel(TimerId id) = 0;

private:
    quint64 serial_;
};

Clock &clock();
double now();
QDateTime currentDateTime();

// The clock of a running program: QElapsedTimer and QTimer.
class SystemClock final : public Clock {
public:
    SystemClock();
    ~SystemClock() override;
    double now() const override;
    QDateTime currentDateTime() const override;
    TimerId schedule(double delay, double interval, std::function<void()> fn) override;
    void cancel(TimerId id) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A clock that only moves when told to. Installs itself as the current clock
// for its lifetime; advance() fires the timers that fall due, in time order.
class ManualClock final : public Clock {
public:
    ManualClock();
    ~ManualClock() override;
    double now() const override;
    QDateTime currentDateTime() const override;
    TimerId schedule(double delay, double interval, std::function<void()> fn) override;
    void cancel(TimerId id) override;

    void advance(double seconds);
    void setDateTime(const QDateTime &dateTime);
    int pendingTimers() const;

private:
    struct Entry {
        double due;
        double interval;
        std::function<void()> fn;
    };
    mutable std::mutex mutex_;
    double now_ = 1000.0;
    QDateTime baseDate_;
    std::map<TimerId, Entry> timers_;
    TimerId nextId_ = 1;
    Clock *previous_ = nullptr;
};

// A timer owned by an object: starting it again replaces the one running,
// destroying it stops it. Fires on the main thread.
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void start(double seconds, bool repeats, std::function<void()> fn);
    void stop();
    bool isActive() const { return id_ != 0; }
    double interval() const { return interval_; }

private:
    quint64 clockSerial_ = 0;
    Clock::TimerId id_ = 0;
    double interval_ = 0;
    bool repeats_ = false;
};

// Delayed perform: fn runs on the main thread after the delay, unless the
// context object is destroyed first.
void performAfter(double seconds, const QObject *context, std::function<void()> fn);

// Main queue: fn runs on the main thread at the next turn of the event loop.
// With no application object (before it is made, or once the exit took it),
// fn runs at once on the main thread and is dropped on any other: there is no
// loop left to run it, and the exit is destroying what it would touch.
void runOnMain(std::function<void()> fn);
// Whether the caller is the thread the program started on, with or without an application object.
bool onStartingThread();
// Global queue: fn runs on a worker thread of the shared pool.
void runGlobal(std::function<void()> fn);

// Pauses the calling worker thread (never the main thread) on the real clock;
// with a manual clock installed it returns at once.
void sleepWorker(double seconds);

} // namespace platform
