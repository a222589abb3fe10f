#include "platform/NotificationCenter.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QThread>

namespace platform {

qint64 Notification::intParam(bool *ok) const
{
    bool converted = false;
    qint64 value = param.toLongLong(&converted);
    if (!converted) {
        // Numbers given as text ("12") count; fractions are cut.
        double d = param.toDouble(&converted);
        if (converted && d >= -9.0e15 && d <= 9.0e15)
            value = static_cast<qint64>(d);
        else
            converted = false;
    }
    if (ok)
        *ok = converted;
    return converted ? value : 0;
}

NotificationCenter &NotificationCenter::defaultCenter()
{
    // Never destroyed: a thread may post while the exit destroys the statics.
    static NotificationCenter *const center = new NotificationCenter;
    return *center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const QString &name, Handler handler,
                                                               const QObject *owner)
{
    std::lock_guard lock(mutex_);
    Observer observer{nextId_++, name, std::move(handler), owner, {}};
    if (owner) {
        const ObserverId id = observer.id;
        observer.ownerConnection =
            QObject::connect(owner, &QObject::destroyed, [this, id]() { removeObserver(id); });
    }
    observers_.push_back(std::move(observer));
    return observers_.back().id;
}

void NotificationCenter::removeObserver(ObserverId id)
{
    std::lock_guard lock(mutex_);
    for (auto it = observers_.begin(); it != observers_.end(); ++it) {
        if (it->id == id) {
            QObject::disconnect(it->ownerConnection);
            observers_.erase(it);
            return;
        }
    }
}

void NotificationCenter::removeObservers(const QObject *owner)
{
    std::lock_guard lock(mutex_);
    for (auto it = observers_.begin(); it != observers_.end();) {
        if (it->owner == owner) {
            QObject::disconnect(it->ownerConnection);
            it = observers_.erase(it);
        } else {
            ++it;
        }
    }
}

void NotificationCenter::removeAllObservers()
{
    std::lock_guard lock(mutex_);
    for (auto &observer : observers_)
        QObject::disconnect(observer.ownerConnection);
    observers_.clear();
}

void NotificationCenter::post(const QString &name, const QVariant &param, QObject *object)
{
    post(Notification{name, param, object});
}

void NotificationCenter::post(const Notification &notification)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [this, notification]() { deliver(notification); }, Qt::QueuedConnection);
        return;
    }
    // Observers are the main thread's: with no application object, a post
    // from another thread (the exit under way) reaches none of them.
    if (app || onStartingThread())
        deliver(notification);
}

void NotificationCenter::deliver(const Notification &notification)
{
    // Observers may add or remove observers (themselves included) or post
    // again while being called: walk a snapshot of the ids and look each up.
    std::vector<ObserverId> ids;
    {
        std::lock_guard lock(mutex_);
        ids.reserve(observers_.size());
        for (const auto &observer : observers_)
            if (observer.name.isEmpty() || observer.name == notification.name)
                ids.push_back(observer.id);
    }
    for (ObserverId id : ids) {
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            for (const auto &observer : observers_)
                if (observer.id == id) {
                    handler = observer.handler;
                    break;
                }
        }
        if (handler)
            handler(notification);
    }
}

} // namespace platform
