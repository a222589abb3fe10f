#pragma once

// A media player on a private message bus, answering the MPRIS interfaces
// on a thread of its own and recording what it was asked.

#include "audio/EyeTunes.h"
#include "support/TestSupport.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QSemaphore>
#include <QThread>
#include <QVariantMap>
#include <mutex>
#include <utility>

struct FakePlaylist {
    QDBusObjectPath id;
    QString name;
    QString icon;
};
Q_DECLARE_METATYPE(FakePlaylist)
struct FakeActivePlaylist {
    bool valid = false;
    FakePlaylist list;
};
Q_DECLARE_METATYPE(FakeActivePlaylist)

inline QDBusArgument &operator<<(QDBusArgument &a, const FakePlaylist &p)
{
    a.beginStructure();
    a << p.id << p.name << p.icon;
    a.endStructure();
    return a;
}
inline const QDBusArgument &operator>>(const QDBusArgument &a, FakePlaylist &p)
{
    a.beginStructure();
    a >> p.id >> p.name >> p.icon;
    a.endStructure();
    return a;
}
inline QDBusArgument &operator<<(QDBusArgument &a, const FakeActivePlaylist &p)
{
    a.beginStructure();
    a << p.valid << p.list;
    a.endStructure();
    return a;
}
inline const QDBusArgument &operator>>(const QDBusArgument &a, FakeActivePlaylist &p)
{
    a.beginStructure();
    a >> p.valid >> p.list;
    a.endStructure();
    return a;
}


namespace fakempris {

// Registers the bus types the fake's interfaces use; once per process is enough.
inline void registerTypes()
{
    qDBusRegisterMetaType<FakePlaylist>();
    qDBusRegisterMetaType<QList<FakePlaylist>>();
    qDBusRegisterMetaType<FakeActivePlaylist>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

// What a fake player holds and was asked; read and written under its lock,
// since the player answers on a thread of its own.
struct PlayerState {
    std::mutex mutex;
    QString status = QStringLiteral("Stopped");
    qlonglong positionUs = 0;
    QVariantMap metadata;
    QStringList calls;
};

class FakePlayer : public QObject {
    Q_OBJECT
public:
    explicit FakePlayer(PlayerState *state) : state(state) {}
    PlayerState *state;
};

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
public:
    explicit RootAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    QString identity() const { return QStringLiteral("Fake"); }
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ status)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
public:
    PlayerAdaptor(FakePlayer *p) : QDBusAbstractAdaptor(p), s(p->state) {}
    QString status() const { std::lock_guard l(s->mutex); return s->status; }
    qlonglong position() const { std::lock_guard l(s->mutex); return s->positionUs; }
    QVariantMap metadata() const { std::lock_guard l(s->mutex); return s->metadata; }
public Q_SLOTS:
    void Play() { record(QStringLiteral("Play")); }
    void Pause() { record(QStringLiteral("Pause")); }
    void PlayPause() { record(QStringLiteral("PlayPause")); }
    void Stop() { record(QStringLiteral("Stop")); }
    void Next() { record(QStringLiteral("Next")); }
    void Previous() { record(QStringLiteral("Previous")); }
    void Seek(qlonglong offset) { record(QStringLiteral("Seek %1").arg(offset)); }
    void OpenUri(const QString &uri) { record(QStringLiteral("OpenUri ") + uri); }

private:
    void record(const QString &call) { std::lock_guard l(s->mutex); s->calls << call; }
    PlayerState *s;
};

class PlaylistsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Playlists")
    Q_PROPERTY(FakeActivePlaylist ActivePlaylist READ active)
public:
    explicit PlaylistsAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    FakeActivePlaylist active() const { return {true, lists().at(1)}; }
    static QList<FakePlaylist> lists()
    {
        return {{QDBusObjectPath("/list/1"), "Warm-up", ""}, {QDBusObjectPath("/list/2"), "Saturday set", ""}};
    }
public Q_SLOTS:
    QList<FakePlaylist> GetPlaylists(uint, uint, const QString &, bool) { return lists(); }
};

class TrackListAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.TrackList")
    Q_PROPERTY(QList<QDBusObjectPath> Tracks READ tracks)
public:
    explicit TrackListAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}
    QList<QDBusObjectPath> tracks() const { return {QDBusObjectPath("/track/1"), QDBusObjectPath("/track/2")}; }
public Q_SLOTS:
    QList<QVariantMap> GetTracksMetadata(const QList<QDBusObjectPath> &ids)
    {
        QList<QVariantMap> out;
        for (const QDBusObjectPath &id : ids)
            out << QVariantMap{{"xesam:title", id.path().section('/', -1).prepend("Track ")},
                               {"xesam:url", QString("file:///music/%1.flac").arg(id.path().section('/', -1))}};
        return out;
    }
};

// One player on the private bus, answering on its own thread.
class MprisPlayer {
public:
    MprisPlayer(const QString &address, const QString &name, bool lists)
        : connectionName_(QStringLiteral("fake-") + name)
    {
        object_ = new FakePlayer(&state);
        new RootAdaptor(object_);
        new PlayerAdaptor(object_);
        if (lists) {
            new PlaylistsAdaptor(object_);
            new TrackListAdaptor(object_);
        }
        object_->moveToThread(&thread_);
        thread_.start();
        QDBusConnection c = QDBusConnection::connectToBus(address, connectionName_);
        ok = c.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), object_, QDBusConnection::ExportAdaptors)
             && c.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + name);
    }
    ~MprisPlayer()
    {
        release();
        QDBusConnection::disconnectFromBus(connectionName_);
        thread_.quit();
        thread_.wait();
        delete object_;
    }
    // The player's thread stops answering until released.
    void freeze()
    {
        QMetaObject::invokeMethod(object_, [this]() { frozen_.acquire(); });
    }
    void release()
    {
        if (frozen_.available() == 0)
            frozen_.release();
    }
    void announce()
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/mpris/MediaPlayer2"),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player")
               << QVariantMap{{QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")}} << QStringList();
        QDBusConnection(connectionName_).send(signal);
    }
    QStringList calls()
    {
        std::lock_guard l(state.mutex);
        return state.calls;
    }
    void set(const QString &status, qlonglong positionUs = 0, const QVariantMap &metadata = {})
    {
        std::lock_guard l(state.mutex);
        state.status = status;
        state.positionUs = positionUs;
        state.metadata = metadata;
    }

    PlayerState state;
    bool ok = false;

private:
    QString connectionName_;
    QThread thread_;
    FakePlayer *object_;
    QSemaphore frozen_{0};
};

// Has eyeTunes ask the players again and waits until all answered or were let go.
inline bool heardFromAll(audio::EyeTunes &eyeTunes)
{
    bool heard = false;
    eyeTunes.refresh(nullptr, [&heard]() { heard = true; });
    return testsupport::waitFor([&heard]() { return heard; });
}

// A service that takes a player's name on the private bus and answers
// nothing asked of it, unless the test answers for it.
class SilentService {
public:
    SilentService(const QString &address, const QString &name) : connectionName_(QStringLiteral("silent-") + name)
    {
        QDBusConnection c = QDBusConnection::connectToBus(address, connectionName_);
        ok = c.registerVirtualObject(QStringLiteral("/org/mpris/MediaPlayer2"), &swallow_, QDBusConnection::SubPath)
             && c.registerService(QStringLiteral("org.mpris.MediaPlayer2.") + name);
    }
    ~SilentService() { QDBusConnection::disconnectFromBus(connectionName_); }

    // The questions asked since the last call, oldest first.
    QList<QDBusMessage> takeAsked()
    {
        std::lock_guard l(swallow_.mutex);
        return std::exchange(swallow_.asked, {});
    }
    void answer(const QDBusMessage &reply) { QDBusConnection(connectionName_).send(reply); }

    bool ok = false;

private:
    class Swallow : public QDBusVirtualObject {
    public:
        QString introspect(const QString &) const override { return {}; }
        // Taken and left unanswered.
        bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
        {
            std::lock_guard l(mutex);
            asked << message;
            return true;
        }
        std::mutex mutex;
        QList<QDBusMessage> asked;
    };
    QString connectionName_;
    Swallow swallow_;
};

} // namespace fakempris
