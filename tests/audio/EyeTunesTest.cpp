#include "audio/EyeTunes.h"
#include "audio/Track.h"
#include "events/QStringPrint.h"
#include "support/TestSupport.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>
#include <mutex>

using audio::EyeTunes;

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

QDBusArgument &operator<<(QDBusArgument &a, const FakePlaylist &p)
{
    a.beginStructure();
    a << p.id << p.name << p.icon;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, FakePlaylist &p)
{
    a.beginStructure();
    a >> p.id >> p.name >> p.icon;
    a.endStructure();
    return a;
}
QDBusArgument &operator<<(QDBusArgument &a, const FakeActivePlaylist &p)
{
    a.beginStructure();
    a << p.valid << p.list;
    a.endStructure();
    return a;
}
const QDBusArgument &operator>>(const QDBusArgument &a, FakeActivePlaylist &p)
{
    a.beginStructure();
    a >> p.valid >> p.list;
    a.endStructure();
    return a;
}

namespace {

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

class MprisBridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        qDBusRegisterMetaType<FakePlaylist>();
        qDBusRegisterMetaType<QList<FakePlaylist>>();
        qDBusRegisterMetaType<FakeActivePlaylist>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        if (bus.address().isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("eyetunes-client"));
        eyeTunes = std::make_unique<EyeTunes>(client);
    }
    void TearDown() override
    {
        eyeTunes.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("eyetunes-client"));
    }

    testsupport::PrivateBus bus;
    QDBusConnection client{QString()};
    std::unique_ptr<EyeTunes> eyeTunes;
};

TEST_F(MprisBridge, WithoutAPlayerOrABusTheApplicationIsNotRunning)
{
    EyeTunes offline{QDBusConnection(QStringLiteral("no-such-connection"))};
    for (EyeTunes *e : {eyeTunes.get(), &offline}) {
        EXPECT_FALSE(e->isRunning());
        EXPECT_EQ(e->playerState(), audio::kPlayerNoAnswer);
        EXPECT_EQ(e->playerPosition(), -1);
        EXPECT_FALSE(e->currentTrack());
        EXPECT_TRUE(e->playlists().isEmpty());
        EXPECT_TRUE(e->currentTracks().isEmpty());
        EXPECT_FALSE(e->playTrackWithPath(QStringLiteral("/music/a.flac")));
    }
}

TEST_F(MprisBridge, StatePositionTrackAndCommandsMapOntoThePlayer)
{
    MprisPlayer player(bus.address(), QStringLiteral("fake"), false);
    ASSERT_TRUE(player.ok);
    const QString path = QStringLiteral("/music/Quays/Harbour Lights.flac");
    player.set(QStringLiteral("Playing"), 83'600'000,
               {{"xesam:title", "Harbour Lights"},
                {"xesam:artist", QStringList{"The Quays", "Ann Vale"}},
                {"xesam:album", "Piers"},
                {"xesam:genre", QStringList{"Backing Track"}},
                {"xesam:comment", QStringList{"tolvane"}},
                {"xesam:url", QUrl::fromLocalFile(path).toString()},
                {"mpris:length", qlonglong(201'500'000)}});
    EXPECT_TRUE(eyeTunes->isRunning());
    EXPECT_EQ(eyeTunes->playerState(), audio::kPlayerPlaying);
    EXPECT_EQ(eyeTunes->playerPosition(), 83);
    const std::optional<audio::ETTrack> t = eyeTunes->currentTrack();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->name, "Harbour Lights");
    EXPECT_EQ(t->artist, "The Quays, Ann Vale");
    EXPECT_EQ(t->album, "Piers");
    EXPECT_EQ(t->genre, "Backing Track");
    EXPECT_EQ(t->comment, "tolvane");
    EXPECT_EQ(t->location, path);
    EXPECT_EQ(t->duration, 201);
    EXPECT_EQ(t->persistentId, audio::persistentIdForPath(path)) << "the same id as the music library's";

    player.set(QStringLiteral("Paused"));
    EXPECT_EQ(eyeTunes->playerState(), audio::kPlayerStopped);
    eyeTunes->play();
    eyeTunes->pause();
    eyeTunes->playPause();
    eyeTunes->stop();
    eyeTunes->nextTrack();
    eyeTunes->previousTrack();
    eyeTunes->fastForward();
    eyeTunes->rewind();
    EXPECT_EQ(player.calls(), QStringList({"Play", "Pause", "PlayPause", "Stop", "Next", "Previous",
                                           "Seek 10000000", "Seek -10000000"}));
}

TEST_F(MprisBridge, ThePlayerThatPlaysIsChosenElseTheFirstAndASilentOneCostsAQuarterSecondAtMost)
{
    MprisPlayer silent(bus.address(), QStringLiteral("aaa"), false);
    MprisPlayer first(bus.address(), QStringLiteral("bbb"), false);
    MprisPlayer second(bus.address(), QStringLiteral("ccc"), false);
    ASSERT_TRUE(silent.ok && first.ok && second.ok);
    silent.freeze();
    second.set(QStringLiteral("Playing"));
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(eyeTunes->playerService(), QStringLiteral("org.mpris.MediaPlayer2.ccc"));
    eyeTunes->pause();
    EXPECT_LT(took.elapsed(), 2 * 400) << "two calls, each within 250 ms and some slack";
    EXPECT_EQ(second.calls(), QStringList{"Pause"});
    second.set(QStringLiteral("Stopped"));
    EXPECT_EQ(eyeTunes->playerService(), QStringLiteral("org.mpris.MediaPlayer2.bbb"))
        << "none plays: the first that answers";
    silent.release();
}

TEST_F(MprisBridge, PlaylistsAndTheCurrentListComeFromTheirInterfacesWhenThePlayerHasThem)
{
    MprisPlayer bare(bus.address(), QStringLiteral("bare"), false);
    ASSERT_TRUE(bare.ok);
    EXPECT_TRUE(eyeTunes->playlists().isEmpty());
    EXPECT_FALSE(eyeTunes->currentPlaylist());
    EXPECT_TRUE(eyeTunes->currentTracks().isEmpty());

    MprisPlayer full(bus.address(), QStringLiteral("full"), true);
    ASSERT_TRUE(full.ok);
    full.set(QStringLiteral("Playing"));
    const QList<audio::ETPlaylist> lists = eyeTunes->playlists();
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists.at(1).name, "Saturday set");
    EXPECT_EQ(lists.at(1).id, "/list/2");
    const std::optional<audio::ETPlaylist> current = eyeTunes->currentPlaylist();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->name, "Saturday set");
    const QList<audio::ETTrack> tracks = eyeTunes->currentTracks();
    ASSERT_EQ(tracks.size(), 2);
    EXPECT_EQ(tracks.at(1).name, "Track 2");
    EXPECT_EQ(tracks.at(1).location, "/music/2.flac");
}

TEST_F(MprisBridge, APathIsOpenedAsOneFileUriWhateverItHolds)
{
    MprisPlayer player(bus.address(), QStringLiteral("fake"), false);
    ASSERT_TRUE(player.ok);
    const QString path = QString::fromUtf8("/music/It's \"Caf\u00e9\" #1 & $(x).flac");
    // Before, a searched or played value was pasted into event text.
    EXPECT_TRUE(eyeTunes->playTrackWithPath(path));
    const QStringList calls = player.calls();
    ASSERT_EQ(calls.size(), 1);
    const QString uri = calls.first().mid(QStringLiteral("OpenUri ").size());
    EXPECT_TRUE(uri.startsWith("file:///music/"));
    EXPECT_TRUE(uri.contains("%23")) << "the # is no fragment";
    EXPECT_EQ(QUrl(uri).toLocalFile(), path);
}

TEST_F(MprisBridge, PlayersComingGoingAndChangingAreAnnounced)
{
    int announced = 0;
    QObject::connect(eyeTunes.get(), &EyeTunes::playerInfoChanged, [&]() { ++announced; });
    {
        MprisPlayer player(bus.address(), QStringLiteral("fake"), false);
        ASSERT_TRUE(testsupport::waitFor([&]() { return announced >= 1; })) << "a player came";
        const int before = announced;
        player.announce();
        ASSERT_TRUE(testsupport::waitFor([&]() { return announced > before; })) << "its state changed";
    }
    const int before = announced;
    EXPECT_TRUE(testsupport::waitFor([&]() { return announced > before; })) << "it went";
}

} // namespace

#include "EyeTunesTest.moc"
