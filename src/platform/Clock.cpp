#include "platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <thread>
#include <unordered_map>

namespace platform {

namespace {

std::atomic<Clock *> g_current{nullptr};
// Made as the program starts, before main, on its first thread.
const std::thread::id startingThread = std::this_thread::get_id();
// Held while the time is read and while a manual clock is put in or taken
// out: a test's clock must not go away under the MIDI receive thread halfway
// through a reading. A plain lock: a reader-writer lock that favours readers
// could keep a clock loop polling the time ahead of the clock's removal.
std::mutex &currentMutex()
{
    static auto *mutex = new std::mutex;
    return *mutex;
}

// The clocks alive now, by serial. Never destroyed: timers in static objects
// may stop after every other static is gone.
struct LiveClocks {
    std::mutex mutex;
    std::unordered_map<quint64, Clock *> bySerial;
    quint64 nextSerial = 1;
};

LiveClocks &liveClocks()
{
    static auto *clocks = new LiveClocks;
    return *clocks;
}

Clock *liveClock(quint64 serial)
{
    LiveClocks &live = liveClocks();
    std::lock_guard lock(live.mutex);
    auto it = live.bySerial.find(serial);
    return it == live.bySerial.end() ? nullptr : it->second;
}

bool onMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// Never destroyed either: a thread left behind at a quit may ask the time
// after the static destructors have run.
SystemClock &systemClock()
{
    static auto *clock = new SystemClock;
    return *clock;
}

int toMilliseconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    double ms = std::round(seconds * 1000.0);
    return ms > 2.0e9 ? 2000000000 : static_cast<int>(ms);
}

} // namespace

Clock::Clock()
{
    LiveClocks &live = liveClocks();
    std::lock_guard lock(live.mutex);
    serial_ = live.nextSerial++;
    live.bySerial.emplace(serial_, this);
}

Clock::~Clock()
{
    LiveClocks &live = liveClocks();
    std::lock_guard lock(live.mutex);
    live.bySerial.erase(serial_);
}

Clock &clock()
{
    Clock *current = g_current.load();
    return current ? *current : systemClock();
}

double now()
{
    std::lock_guard lock(currentMutex());
    return clock().now();
}

QDateTime currentDateTime()
{
    std::lock_guard lock(currentMutex());
    return clock().currentDateTime();
}

// ---- SystemClock ----------------------------------------------------------

struct SystemClock::Impl {
    QElapsedTimer elapsed;
    // Touched on the main thread only; other threads hand their calls over.
    QHash<TimerId, QPointer<QTimer>> timers;
    std::atomic<TimerId> nextId{1};
    // Timers asked for off the main thread and not made yet; a cancel that
    // arrives first marks them dead.
    std::mutex pendingMutex;
    QHash<TimerId, bool> pending;
};

SystemClock::SystemClock() : d(std::make_unique<Impl>()) { d->elapsed.start(); }

SystemClock::~SystemClock()
{
    for (auto &timer : d->timers)
        delete timer.data();
}

double SystemClock::now() const { return d->elapsed.nsecsElapsed() / 1.0e9; }

QDateTime SystemClock::currentDateTime() const { return QDateTime::currentDateTime(); }

Clock::TimerId SystemClock::schedule(double delay, double interval, std::function<void()> fn)
{
    const TimerId id = d->nextId++;
    auto create = [this, id, delay, interval, fn = std::move(fn)]() {
        {
            std::lock_guard lock(d->pendingMutex);
            auto it = d->pending.find(id);
            if (it != d->pending.end()) {
                const bool cancelled = it.value();
                d->pending.erase(it);
                if (cancelled)
                    return;
            }
        }
        // A QTimer lives on the thread that made it: timers asked for on the
        // MIDI or clock thread are made on the main thread, where they fire.
        auto *timer = new QTimer(QCoreApplication::instance());
        timer->setTimerType(Qt::PreciseTimer);
        d->timers.insert(id, timer);
        const bool repeats = interval > 0;
        timer->setSingleShot(true);
        timer->setInterval(toMilliseconds(delay));
        QObject::connect(timer, &QTimer::timeout, timer, [this, id, timer, repeats, interval, fn]() {
            if (repeats) {
                if (timer->isSingleShot()) {
                    timer->setSingleShot(false);
                    timer->setInterval(std::max(1, toMilliseconds(interval)));
                    timer->start();
                }
            } else {
                d->timers.remove(id);
                timer->deleteLater();
            }
            fn();
        });
        timer->start();
    };
    if (onMainThread()) {
        create();
    } else {
        {
            std::lock_guard lock(d->pendingMutex);
            d->pending.insert(id, false);
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(create), Qt::QueuedConnection);
    }
    return id;
}

void SystemClock::cancel(TimerId id)
{
    if (!onMainThread()) {
        // Queued behind the schedule made from the same thread, so it finds the timer.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, id]() { cancel(id); }, Qt::QueuedConnection);
        return;
    }
    if (QPointer<QTimer> timer = d->timers.take(id)) {
        timer->stop();
        timer->deleteLater();
        return;
    }
    std::lock_guard lock(d->pendingMutex);
    auto it = d->pending.find(id);
    if (it != d->pending.end())
        it.value() = true;
}

// ---- ManualClock ----------------------------------------------------------

ManualClock::ManualClock() : baseDate_(QDate(2026, 1, 15), QTime(12, 0))
{
    std::lock_guard lock(currentMutex());
    previous_ = g_current.exchange(this);
}

ManualClock::~ManualClock()
{
    std::lock_guard lock(currentMutex());
    g_current.store(previous_);
}

double ManualClock::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

QDateTime ManualClock::currentDateTime() const
{
    std::lock_guard lock(mutex_);
    return baseDate_.addMSecs(static_cast<qint64>(std::llround((now_ - 1000.0) * 1000.0)));
}

Clock::TimerId ManualClock::schedule(double delay, double interval, std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    const TimerId id = nextId_++;
    timers_.emplace(id, Entry{now_ + std::max(0.0, delay), interval, std::move(fn)});
    return id;
}

void ManualClock::cancel(TimerId id)
{
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

void ManualClock::advance(double seconds)
{
    double target;
    {
        std::lock_guard lock(mutex_);
        target = now_ + std::max(0.0, seconds);
    }
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            auto due = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it)
                if (it->second.due <= target + 1e-9 && (due == timers_.end() || it->second.due < due->second.due))
                    due = it;
            if (due == timers_.end())
                break;
            now_ = std::max(now_, due->second.due);
            fn = due->second.fn;
            if (due->second.interval > 0)
                due->second.due += due->second.interval;
            else
                timers_.erase(due);
        }
        fn();
    }
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, target);
}

void ManualClock::setDateTime(const QDateTime &dateTime)
{
    std::lock_guard lock(mutex_);
    baseDate_ = dateTime.addMSecs(-static_cast<qint64>(std::llround((now_ - 1000.0) * 1000.0)));
}

int ManualClock::pendingTimers() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(timers_.size());
}

// ---- Timer ----------------------------------------------------------------

Timer::~Timer() { stop(); }

void Timer::start(double seconds, bool repeats, std::function<void()> fn)
{
    stop();
    Clock &current = clock();
    clockSerial_ = current.serial();
    interval_ = seconds;
    repeats_ = repeats;
    if (repeats) {
        id_ = current.schedule(seconds, std::max(seconds, 0.001), std::move(fn));
    } else {
        // A one-shot timer is inactive once it has fired.
        auto wrapped = [this, fn = std::move(fn)]() {
            id_ = 0;
            fn();
        };
        id_ = current.schedule(seconds, 0, std::move(wrapped));
    }
}

void Timer::stop()
{
    // The clock it was started on may be gone (a test's manual clock).
    if (id_ != 0)
        if (Clock *started = liveClock(clockSerial_))
            started->cancel(id_);
    id_ = 0;
}

// ---- Queues ---------------------------------------------------------------

void performAfter(double seconds, const QObject *context, std::function<void()> fn)
{
    QPointer<const QObject> guard(context);
    const bool guarded = context != nullptr;
    std::lock_guard lock(currentMutex());
    clock().schedule(seconds, 0, [guard, guarded, fn = std::move(fn)]() {
        if (guarded && !guard)
            return;
        fn();
    });
}

void runOnMain(std::function<void()> fn)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app)
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
    else if (onStartingThread())
        fn();
}

bool onStartingThread()
{
    return std::this_thread::get_id() == startingThread;
}

void runGlobal(std::function<void()> fn)
{
    QThreadPool::globalInstance()->start(std::move(fn));
}

void sleepWorker(double seconds)
{
    if (g_current.load() != nullptr || !(seconds > 0))
        return;
    QThread::usleep(static_cast<unsigned long>(seconds * 1.0e6));
}

} // namespace platform
