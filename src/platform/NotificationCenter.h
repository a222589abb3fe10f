#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

// One posted notification: a name, an optional "param" (number or string) and
// an optional sender object.
struct Notification {
    QString name;
    QVariant param;  // invalid when the notification carries no userInfo
    QPointer<QObject> object;

    bool hasParam() const { return param.isValid(); }
    qint64 intParam(bool *ok = nullptr) const;
    double doubleParam() const { return param.toDouble(); }
    QString stringParam() const { return param.toString(); }
};

// The program's command bus. Delivery is synchronous and in registration order
// when posted on the main thread; a post from any other thread is queued and
// delivered on the main thread, so window and state work never runs elsewhere.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification &)>;
    using ObserverId = quint64;

    static NotificationCenter &defaultCenter();

    // An empty name observes every notification. With an owner, the observer
    // goes away when the owner is destroyed.
    ObserverId addObserver(const QString &name, Handler handler, const QObject *owner = nullptr);
    void removeObserver(ObserverId id);
    void removeObservers(const QObject *owner);
    void removeAllObservers();

    void post(const QString &name, const QVariant &param = QVariant(), QObject *object = nullptr);
    void post(const Notification &notification);
    void postActionKey(int code) { post(QStringLiteral("ActionKey"), QVariant(code)); }

private:
    struct Observer {
        ObserverId id;
        QString name;
        Handler handler;
        const QObject *owner;
        QMetaObject::Connection ownerConnection;
    };
    void deliver(const Notification &notification);

    mutable std::recursive_mutex mutex_;
    std::vector<Observer> observers_;
    ObserverId nextId_ = 1;
};

} // namespace platform
