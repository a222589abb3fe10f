#include "audio/EyeTunes.h"

#include "audio/MusicLibrary.h"
#include "audio/TrackLookup.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QUrl>

namespace audio {

namespace {

const QString kPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPlaylists = QStringLiteral("org.mpris.MediaPlayer2.Playlists");
const QString kTrackList = QStringLiteral("org.mpris.MediaPlayer2.TrackList");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kBudgetMs = 250;
// Choosing the player may take this much of it, so a player that never
// answers still leaves time for the call itself.
constexpr int kChoiceMs = 120;
constexpr qint64 kSeekStepUs = 10'000'000;

QVariant unwrap(const QVariant &v)
{
    if (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        return unwrap(v.value<QDBusVariant>().variant());
    return v;
}

QString joined(const QVariant &raw)
{
    const QVariant v = unwrap(raw);
    if (v.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QStringList>(v.value<QDBusArgument>()).join(QStringLiteral(", "));
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

QVariantMap asMap(const QVariant &raw)
{
    const QVariant v = unwrap(raw);
    if (v.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

ETPlaylist readPlaylist(const QDBusArgument &arg)
{
    ETPlaylist p;
    QDBusObjectPath path;
    QString icon;
    arg.beginStructure();
    arg >> path >> p.name >> icon;
    arg.endStructure();
    p.id = path.path();
    return p;
}

ETTrack fromIndex(const Track &t)
{
    ETTrack e;
    e.name = t.title;
    e.artist = t.artist;
    e.genre = t.genre;
    e.comment = t.comment;
    e.location = t.location;
    e.duration = qint64(t.length);
    e.persistentId = t.persistentID;
    return e;
}

} // namespace

// The time left of one call's 250 ms.
class EyeTunes::Deadline {
public:
    Deadline() { timer_.start(); }
    int remaining() const { return int(qMax<qint64>(1, kBudgetMs - timer_.elapsed())); }
    int remainingForChoice() const { return int(qMax<qint64>(1, kChoiceMs - timer_.elapsed())); }
    bool over() const { return timer_.elapsed() >= kBudgetMs; }

private:
    QElapsedTimer timer_;
};

ETTrack trackFromMetadata(const QVariantMap &metadata)
{
    ETTrack t;
    t.name = joined(metadata.value(QStringLiteral("xesam:title")));
    t.artist = joined(metadata.value(QStringLiteral("xesam:artist")));
    t.album = joined(metadata.value(QStringLiteral("xesam:album")));
    t.genre = joined(metadata.value(QStringLiteral("xesam:genre")));
    t.comment = joined(metadata.value(QStringLiteral("xesam:comment")));
    const QUrl url(joined(metadata.value(QStringLiteral("xesam:url"))));
    t.location = url.isLocalFile() ? url.toLocalFile() : url.toString();
    t.duration = unwrap(metadata.value(QStringLiteral("mpris:length"))).toLongLong() / 1'000'000;
    t.persistentId = t.location.isEmpty() ? 0 : persistentIdForPath(t.location);
    return t;
}

EyeTunes::EyeTunes(const QDBusConnection &bus) : bus_(bus)
{
    if (!bus_.isConnected())
        return;
    bus_.connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(onNameOwnerChanged(QString, QString, QString)));
}

EyeTunes &EyeTunes::sharedInstance()
{
    // Kept to the end of the process: the bus connection outlives the application object.
    static EyeTunes *instance = new EyeTunes(QDBusConnection::sessionBus());
    return *instance;
}

void EyeTunes::onPropertiesChanged(const QString &interface, const QVariantMap &, const QStringList &)
{
    if (interface.startsWith(QStringLiteral("org.mpris.MediaPlayer2")))
        Q_EMIT playerInfoChanged();
}

void EyeTunes::onNameOwnerChanged(const QString &name, const QString &, const QString &)
{
    if (name.startsWith(kPrefix))
        Q_EMIT playerInfoChanged();
}

QStringList EyeTunes::players(Deadline &deadline)
{
    if (!bus_.isConnected())
        return {};
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = bus_.call(call, QDBus::Block, deadline.remaining());
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    QStringList names;
    for (const QString &name : reply.arguments().constFirst().toStringList())
        if (name.startsWith(kPrefix))
            names << name;
    names.sort();
    return names;
}

QString EyeTunes::choosePlayer(Deadline &deadline)
{
    const QStringList names = players(deadline);
    // All asked at once, so one player that never answers costs the budget once.
    QList<QDBusPendingCall> pending;
    for (const QString &name : names) {
        QDBusMessage call = QDBusMessage::createMethodCall(name, kPath, kProperties, QStringLiteral("Get"));
        call << kPlayer << QStringLiteral("PlaybackStatus");
        pending << bus_.asyncCall(call, deadline.remainingForChoice());
    }
    QString firstAnswering;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        QDBusPendingCall &p = pending[i];
        p.waitForFinished();
        const QDBusMessage reply = p.reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        if (unwrap(reply.arguments().constFirst()).toString() == QLatin1String("Playing"))
            return names.at(i);
        if (firstAnswering.isEmpty())
            firstAnswering = names.at(i);
    }
    return firstAnswering;
}

QString EyeTunes::playerService()
{
    Deadline deadline;
    return choosePlayer(deadline);
}

QVariant EyeTunes::property(const QString &service, const QString &interface, const QString &name,
                            Deadline &deadline)
{
    if (service.isEmpty() || deadline.over())
        return {};
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, kProperties, QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, deadline.remaining());
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return unwrap(reply.arguments().constFirst());
}

bool EyeTunes::isRunning()
{
    return !playerService().isEmpty();
}

quint32 EyeTunes::playerState()
{
    Deadline deadline;
    const QString service = choosePlayer(deadline);
    const QVariant status = property(service, kPlayer, QStringLiteral("PlaybackStatus"), deadline);
    if (!status.isValid())
        return kPlayerNoAnswer;
    return status.toString() == QLatin1String("Playing") ? kPlayerPlaying : kPlayerStopped;
}

qint64 EyeTunes::playerPosition()
{
    Deadline deadline;
    const QVariant position = property(choosePlayer(deadline), kPlayer, QStringLiteral("Position"), deadline);
    return position.isValid() ? position.toLongLong() / 1'000'000 : -1;
}

std::optional<ETTrack> EyeTunes::currentTrack()
{
    Deadline deadline;
    const QVariantMap metadata = asMap(property(choosePlayer(deadline), kPlayer, QStringLiteral("Metadata"), deadline));
    if (metadata.isEmpty())
        return std::nullopt;
    return trackFromMetadata(metadata);
}

bool EyeTunes::callPlayer(const QString &method, const QVariantList &args)
{
    Deadline deadline;
    const QString service = choosePlayer(deadline);
    if (service.isEmpty() || deadline.over())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, kPlayer, method);
    call.setArguments(args);
    return bus_.call(call, QDBus::Block, deadline.remaining()).type() == QDBusMessage::ReplyMessage;
}

void EyeTunes::play() { callPlayer(QStringLiteral("Play")); }
void EyeTunes::pause() { callPlayer(QStringLiteral("Pause")); }
void EyeTunes::playPause() { callPlayer(QStringLiteral("PlayPause")); }
void EyeTunes::stop() { callPlayer(QStringLiteral("Stop")); }
void EyeTunes::nextTrack() { callPlayer(QStringLiteral("Next")); }
void EyeTunes::previousTrack() { callPlayer(QStringLiteral("Previous")); }
void EyeTunes::fastForward() { callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(kSeekStepUs)}); }
void EyeTunes::rewind() { callPlayer(QStringLiteral("Seek"), {QVariant::fromValue(-kSeekStepUs)}); }

bool EyeTunes::playTrackWithPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return callPlayer(QStringLiteral("OpenUri"), {uri});
}

std::optional<ETPlaylist> EyeTunes::libraryPlaylist()
{
    if (!musicLibrary().isAvailable())
        return std::nullopt;
    return ETPlaylist{QStringLiteral("library"), QStringLiteral("Library")};
}

QList<ETTrack> EyeTunes::search(const QString &text)
{
    const QString wanted = searchFold(text.trimmed());
    QList<ETTrack> found;
    if (wanted.isEmpty())
        return found;
    for (const Track &t : musicLibrary().allMediaItems()) {
        for (const QString &field : {t.title, t.artist, t.comment}) {
            if (searchFold(field).contains(wanted)) {
                found << fromIndex(t);
                break;
            }
        }
    }
    return found;
}

QList<ETPlaylist> EyeTunes::playlists()
{
    Deadline deadline;
    const QString service = choosePlayer(deadline);
    if (service.isEmpty() || deadline.over())
        return {};
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, kPlaylists, QStringLiteral("GetPlaylists"));
    call << 0u << 1000u << QStringLiteral("Alphabetical") << false;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, deadline.remaining());
    QList<ETPlaylist> lists;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return lists;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd())
        lists << readPlaylist(arg);
    arg.endArray();
    return lists;
}

std::optional<ETPlaylist> EyeTunes::currentPlaylist()
{
    Deadline deadline;
    const QVariant active = property(choosePlayer(deadline), kPlaylists, QStringLiteral("ActivePlaylist"), deadline);
    if (active.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument arg = active.value<QDBusArgument>();
    bool valid = false;
    arg.beginStructure();
    arg >> valid;
    const ETPlaylist list = readPlaylist(arg);
    arg.endStructure();
    if (!valid)
        return std::nullopt;
    return list;
}

QList<ETTrack> EyeTunes::currentTracks()
{
    Deadline deadline;
    const QString service = choosePlayer(deadline);
    const QVariant ids = property(service, kTrackList, QStringLiteral("Tracks"), deadline);
    if (!ids.isValid() || deadline.over())
        return {};
    QList<QDBusObjectPath> paths;
    if (ids.userType() == qMetaTypeId<QDBusArgument>())
        paths = qdbus_cast<QList<QDBusObjectPath>>(ids.value<QDBusArgument>());
    if (paths.isEmpty())
        return {};
    QDBusMessage call = QDBusMessage::createMethodCall(service, kPath, kTrackList, QStringLiteral("GetTracksMetadata"));
    call << QVariant::fromValue(paths);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, deadline.remaining());
    QList<ETTrack> tracks;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return tracks;
    for (const QVariantMap &m : qdbus_cast<QList<QVariantMap>>(reply.arguments().constFirst().value<QDBusArgument>()))
        tracks << trackFromMetadata(m);
    return tracks;
}

} // namespace audio
