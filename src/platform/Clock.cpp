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

namespace platform {

namespace {

std::atomic<Clock *> g_current{nullptr};

SystemClock &systemClock()
{
    static SystemClock clock;
    return clock;
}

int toMilliseconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    double ms = std::round(seconds * 1000.0);
    return ms > 2.0e9 ? 2000000000 : static_cast<int>(ms);
}

} // namespace

Clock &clock()
{
    Clock *current = g_current.load();
    return current ? *current : systemClock();
}

double now() { return clock().now(); }
QDateTime currentDateTime() { return clock().currentDateTime(); }

// ---- SystemClock ----------------------------------------------------------

struct SystemClock::Impl {
    QElapsedTimer elapsed;
    QHash<TimerId, QPointer<QTimer>> timers;
    TimerId nextId = 1;
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
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    const TimerId id = d->nextId++;
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
    return id;
}

void SystemClock::cancel(TimerId id)
{
    if (QPointer<QTimer> timer = d->timers.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

// ---- ManualClock ----------------------------------------------------------

ManualClock::ManualClock()
    : baseDate_(QDate(2026, 1, 15), QTime(12, 0)), previous_(g_current.exchange(this))
{
}

ManualClock::~ManualClock() { g_current.store(previous_); }

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
    clock_ = &clock();
    interval_ = seconds;
    repeats_ = repeats;
    if (repeats) {
        id_ = clock_->schedule(seconds, std::max(seconds, 0.001), std::move(fn));
    } else {
        // A one-shot timer is inactive once it has fired.
        auto wrapped = [this, fn = std::move(fn)]() {
            id_ = 0;
            fn();
        };
        id_ = clock_->schedule(seconds, 0, std::move(wrapped));
    }
}

void Timer::stop()
{
    if (id_ != 0 && clock_)
        clock_->cancel(id_);
    id_ = 0;
}

// ---- Queues ---------------------------------------------------------------

void performAfter(double seconds, const QObject *context, std::function<void()> fn)
{
    QPointer<const QObject> guard(context);
    const bool guarded = context != nullptr;
    clock().schedule(seconds, 0, [guard, guarded, fn = std::move(fn)]() {
        if (guarded && !guard)
            return;
        fn();
    });
}

void runOnMain(std::function<void()> fn)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
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
