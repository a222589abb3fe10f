#include "audio/EyeTunes.h"

#include "audio/MusicLibrary.h"
#include "audio/TrackLookup.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QPointer>
#include <QUrl>

#include <utility>

namespace audio {

namespace {

const QString kPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPlaylists = QStringLiteral("org.mpris.MediaPlayer2.Playlists");
const QString kTrackList = QStringLiteral("org.mpris.MediaPlayer2.TrackList");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// A question still unanswered after this long is dropped, its answer an error.
constexpr int kAnswerMs = 250;
int answerMs = kAnswerMs;
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

// A callback's object: the callback runs while it lives, always without one.
class Context {
public:
    explicit Context(const QObject *object) : guarded_(object != nullptr), object_(object) {}
    bool alive() const { return !guarded_ || object_; }

private:
    bool guarded_;
    QPointer<const QObject> object_;
};

bool isReply(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

} // namespace

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

// One look at the players: the listing, then one question to each.
struct EyeTunes::Round {
    quint64 number = 0;
    int pending = 0;
    Context context{nullptr};
    std::function<void()> done;
};

EyeTunes::EyeTunes(const QDBusConnection &bus) : bus_(bus)
{
    if (!bus_.isConnected())
        return;
    bus_.connect(QString(), kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(onNameOwnerChanged(QString, QString, QString)));
    refresh();
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
        refresh();
}

void EyeTunes::onNameOwnerChanged(const QString &name, const QString &, const QString &)
{
    if (name.startsWith(kPrefix))
        refresh();
}

void EyeTunes::setAnswerTime(int ms)
{
    answerMs = ms > 0 ? ms : kAnswerMs;
}

void EyeTunes::ask(const QDBusMessage &call, const QObject *context, std::function<void(const QDBusMessage &)> done)
{
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, answerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, owner = Context(context), done]() {
        watcher->deleteLater();
        if (owner.alive())
            done(watcher->reply());
    });
}

void EyeTunes::refresh(const QObject *context, std::function<void()> done)
{
    auto round = std::make_shared<Round>();
    round->number = ++rounds_;
    round->context = Context(context);
    round->done = std::move(done);
    round->pending = 1;
    if (!bus_.isConnected()) {
        stepDone(round);
        return;
    }
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    ask(call, this, [this, round](const QDBusMessage &reply) { listed(round, reply); });
}

void EyeTunes::listed(const std::shared_ptr<Round> &round, const QDBusMessage &reply)
{
    if (isReply(reply) && round->number > namesRound_) {
        namesRound_ = round->number;
        names_.clear();
        for (const QString &name : reply.arguments().constFirst().toStringList())
            if (name.startsWith(kPrefix))
                names_ << name;
        names_.sort();
        answers_.removeIf([this](QHash<QString, Answer>::iterator it) { return !names_.contains(it.key()); });
        follow();
        // All asked at once, so one player that never answers holds up none of the others.
        for (const QString &name : std::as_const(names_)) {
            QDBusMessage call = QDBusMessage::createMethodCall(name, kPath, kProperties, QStringLiteral("GetAll"));
            call << kPlayer;
            ++round->pending;
            ask(call, this, [this, round, name](const QDBusMessage &answer) { answered(round, name, answer); });
        }
    }
    stepDone(round);
}

void EyeTunes::answered(const std::shared_ptr<Round> &round, const QString &name, const QDBusMessage &reply)
{
    const auto known = answers_.constFind(name);
    // A later round has heard from it already, or it has left.
    const bool stale = (known != answers_.cend() && known->round > round->number) || !names_.contains(name);
    if (!stale) {
        if (isReply(reply)) {
            const QVariantMap properties = asMap(reply.arguments().constFirst());
            Answer a;
            a.round = round->number;
            a.state = unwrap(properties.value(QStringLiteral("PlaybackStatus"))).toString() == QLatin1String("Playing")
                          ? kPlayerPlaying
                          : kPlayerStopped;
            const QVariantMap metadata = asMap(properties.value(QStringLiteral("Metadata")));
            if (!metadata.isEmpty())
                a.track = trackFromMetadata(metadata);
            const QVariant position = unwrap(properties.value(QStringLiteral("Position")));
            a.positionUs = position.isValid() ? position.toLongLong() : -1;
            answers_.insert(name, a);
        } else {
            Answer silent;
            silent.round = round->number;
            silent.silent = true;
            answers_.insert(name, silent);
        }
        follow();
        if (name == heard_.service)
            Q_EMIT positionRead();
    }
    stepDone(round);
}

void EyeTunes::stepDone(const std::shared_ptr<Round> &round)
{
    if (--round->pending > 0 || !round->done || !round->context.alive())
        return;
    round->done();
}

void EyeTunes::follow()
{
    Heard now;
    for (const QString &name : std::as_const(names_)) {
        const auto it = answers_.constFind(name);
        if (it == answers_.cend() || it->silent)
            continue;
        if (now.service.isEmpty() || it->state == kPlayerPlaying) {
            now.service = name;
            now.state = it->state;
            now.track = it->track;
        }
        if (it->state == kPlayerPlaying)
            break;
    }
    if (now == heard_)
        return;
    heard_ = now;
    Q_EMIT playerInfoChanged();
}

bool EyeTunes::isRunning() const { return !heard_.service.isEmpty(); }
quint32 EyeTunes::playerState() const { return heard_.state; }
std::optional<ETTrack> EyeTunes::currentTrack() const { return heard_.track; }
QString EyeTunes::playerService() const { return heard_.service; }

qint64 EyeTunes::playerPosition() const
{
    const qint64 us = answers_.value(heard_.service).positionUs;
    return us < 0 ? -1 : us / 1'000'000;
}

bool EyeTunes::callPlayer(const QString &method, const QVariantList &args)
{
    if (heard_.service.isEmpty())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(heard_.service, kPath, kPlayer, method);
    call.setArguments(args);
    // Another look lets go of a player that left the command unanswered.
    ask(call, this, [this](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage)
            refresh();
    });
    return true;
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

void EyeTunes::askProperty(const QString &interface, const QString &name, const QObject *context,
                           std::function<void(const QVariant &)> done)
{
    if (heard_.service.isEmpty()) {
        done({});
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(heard_.service, kPath, kProperties, QStringLiteral("Get"));
    call << interface << name;
    ask(call, context, [done = std::move(done)](const QDBusMessage &reply) {
        done(isReply(reply) ? unwrap(reply.arguments().constFirst()) : QVariant());
    });
}

void EyeTunes::playlists(const QObject *context, std::function<void(QList<ETPlaylist>)> done)
{
    if (heard_.service.isEmpty()) {
        done({});
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(heard_.service, kPath, kPlaylists, QStringLiteral("GetPlaylists"));
    call << 0u << 1000u << QStringLiteral("Alphabetical") << false;
    ask(call, context, [done = std::move(done)](const QDBusMessage &reply) {
        QList<ETPlaylist> lists;
        if (isReply(reply)) {
            const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
            arg.beginArray();
            while (!arg.atEnd())
                lists << readPlaylist(arg);
            arg.endArray();
        }
        done(lists);
    });
}

void EyeTunes::currentPlaylist(const QObject *context, std::function<void(std::optional<ETPlaylist>)> done)
{
    askProperty(kPlaylists, QStringLiteral("ActivePlaylist"), context, [done = std::move(done)](const QVariant &active) {
        if (active.userType() != qMetaTypeId<QDBusArgument>()) {
            done(std::nullopt);
            return;
        }
        const QDBusArgument arg = active.value<QDBusArgument>();
        bool valid = false;
        arg.beginStructure();
        arg >> valid;
        const ETPlaylist list = readPlaylist(arg);
        arg.endStructure();
        done(valid ? std::optional(list) : std::nullopt);
    });
}

void EyeTunes::currentTracks(const QObject *context, std::function<void(QList<ETTrack>)> done)
{
    const QString service = heard_.service;
    // context lives while askProperty's answer runs.
    askProperty(kTrackList, QStringLiteral("Tracks"), context, [this, service, context, done](const QVariant &ids) {
        QList<QDBusObjectPath> paths;
        if (ids.userType() == qMetaTypeId<QDBusArgument>())
            paths = qdbus_cast<QList<QDBusObjectPath>>(ids.value<QDBusArgument>());
        if (paths.isEmpty()) {
            done({});
            return;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, kPath, kTrackList, QStringLiteral("GetTracksMetadata"));
        call << QVariant::fromValue(paths);
        ask(call, context, [done](const QDBusMessage &reply) {
            QList<ETTrack> tracks;
            if (isReply(reply))
                for (const QVariantMap &m :
                     qdbus_cast<QList<QVariantMap>>(reply.arguments().constFirst().value<QDBusArgument>()))
                    tracks << trackFromMetadata(m);
            done(tracks);
        });
    });
}

} // namespace audio
