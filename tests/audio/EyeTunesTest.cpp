#include "audio/EyeTunes.h"
#include "audio/Track.h"
#include "events/QStringPrint.h"
#include "support/FakeMpris.h"
#include "support/TestSupport.h"

#include <QUrl>
#include <gtest/gtest.h>

using audio::EyeTunes;

namespace {

using fakempris::MprisPlayer;

class MprisBridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        fakempris::registerTypes();
        if (bus.address().isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("eyetunes-client"));
        eyeTunes = std::make_unique<EyeTunes>(client);
    }
    void TearDown() override
    {
        EyeTunes::setAnswerTime(0);
        eyeTunes.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("eyetunes-client"));
    }

    // What one of the list questions hands to its callback.
    template <typename T>
    T listAnswer(void (EyeTunes::*question)(const QObject *, std::function<void(T)>))
    {
        std::optional<T> got;
        (eyeTunes.get()->*question)(eyeTunes.get(), [&got](T value) { got = std::move(value); });
        EXPECT_TRUE(testsupport::waitFor([&got]() { return got.has_value(); }));
        return got.value_or(T{});
    }

    testsupport::PrivateBus bus;
    QDBusConnection client{QString()};
    std::unique_ptr<EyeTunes> eyeTunes;
};

TEST_F(MprisBridge, WithoutAPlayerOrABusTheApplicationIsNotRunning)
{
    EyeTunes offline{QDBusConnection(QStringLiteral("no-such-connection"))};
    for (EyeTunes *e : {eyeTunes.get(), &offline}) {
        ASSERT_TRUE(fakempris::heardFromAll(*e));
        EXPECT_FALSE(e->isRunning());
        EXPECT_EQ(e->playerState(), audio::kPlayerNoAnswer);
        EXPECT_EQ(e->playerPosition(), -1);
        EXPECT_FALSE(e->currentTrack());
        EXPECT_FALSE(e->playTrackWithPath(QStringLiteral("/music/a.flac")));
    }
    EXPECT_TRUE(listAnswer(&EyeTunes::playlists).isEmpty());
    EXPECT_TRUE(listAnswer(&EyeTunes::currentTracks).isEmpty());
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
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
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
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    EXPECT_EQ(eyeTunes->playerState(), audio::kPlayerStopped);
    eyeTunes->play();
    eyeTunes->pause();
    eyeTunes->playPause();
    eyeTunes->stop();
    eyeTunes->nextTrack();
    eyeTunes->previousTrack();
    eyeTunes->fastForward();
    eyeTunes->rewind();
    EXPECT_TRUE(testsupport::waitFor([&]() { return player.calls().size() == 8; }));
    EXPECT_EQ(player.calls(), QStringList({"Play", "Pause", "PlayPause", "Stop", "Next", "Previous",
                                           "Seek 10000000", "Seek -10000000"}));
}

TEST_F(MprisBridge, ThePlayerThatPlaysIsFollowedElseTheFirstThatAnswersAndOneThatNeverAnswersHoldsUpNone)
{
    fakempris::SilentService silent(bus.address(), QStringLiteral("aaa"));
    MprisPlayer first(bus.address(), QStringLiteral("bbb"), false);
    MprisPlayer second(bus.address(), QStringLiteral("ccc"), false);
    ASSERT_TRUE(silent.ok && first.ok && second.ok);
    second.set(QStringLiteral("Playing"));
    // Long enough that a loaded machine answers first for the one that plays.
    EyeTunes::setAnswerTime(3000);
    bool letGo = false;
    eyeTunes->refresh(nullptr, [&letGo]() { letGo = true; });
    bool takenFirst = false;
    EXPECT_TRUE(testsupport::waitFor([&]() {
        takenFirst = !letGo;
        return eyeTunes->playerService() == "org.mpris.MediaPlayer2.ccc";
    }));
    EXPECT_TRUE(takenFirst) << "taken before the silent one is let go";
    eyeTunes->pause();
    EXPECT_TRUE(testsupport::waitFor([&]() { return second.calls() == QStringList{"Pause"}; }));

    second.set(QStringLiteral("Stopped"));
    second.announce();
    EXPECT_TRUE(testsupport::waitFor([&]() { return eyeTunes->playerService() == "org.mpris.MediaPlayer2.bbb"; }))
        << "none plays: the first that answers";

    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    EXPECT_EQ(eyeTunes->playerService(), "org.mpris.MediaPlayer2.bbb") << "the silent one's question was dropped";

    // Before, an error forgot the player's round: an older reply coming after it was taken.
    silent.takeAsked();
    bool olderDone = false, newerDone = false;
    QList<QDBusMessage> asked;
    eyeTunes->refresh(nullptr, [&olderDone]() { olderDone = true; });
    ASSERT_TRUE(testsupport::waitFor([&]() { return !(asked += silent.takeAsked()).isEmpty(); }));
    eyeTunes->refresh(nullptr, [&newerDone]() { newerDone = true; });
    ASSERT_TRUE(testsupport::waitFor([&]() { return (asked += silent.takeAsked()).size() == 2; }));
    silent.answer(asked[1].createErrorReply(QDBusError::Failed, QStringLiteral("busy")));
    ASSERT_TRUE(testsupport::waitFor([&newerDone]() { return newerDone; }));
    silent.answer(asked[0].createReply(QVariant::fromValue(QVariantMap{{"PlaybackStatus", "Playing"}})));
    ASSERT_TRUE(testsupport::waitFor([&olderDone]() { return olderDone; }));
    EXPECT_EQ(eyeTunes->playerService(), "org.mpris.MediaPlayer2.bbb");
}

TEST_F(MprisBridge, AFollowedPlayerThatStopsAnsweringIsLetGoUntilItAnswersAgain)
{
    MprisPlayer first(bus.address(), QStringLiteral("first"), false);
    MprisPlayer second(bus.address(), QStringLiteral("second"), false);
    ASSERT_TRUE(first.ok && second.ok);
    first.set(QStringLiteral("Playing"));
    // Only the frozen one is to miss the time to answer, however loaded the machine.
    EyeTunes::setAnswerTime(1500);
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    ASSERT_EQ(eyeTunes->playerService(), "org.mpris.MediaPlayer2.first");

    first.freeze();
    eyeTunes->refresh();
    EXPECT_TRUE(testsupport::waitFor([&]() { return eyeTunes->playerService() == "org.mpris.MediaPlayer2.second"; }));
    eyeTunes->stop();
    EXPECT_TRUE(testsupport::waitFor([&]() { return second.calls() == QStringList{"Stop"}; }));

    first.release();
    first.announce();
    EXPECT_TRUE(testsupport::waitFor([&]() { return eyeTunes->playerService() == "org.mpris.MediaPlayer2.first"; }));
}

TEST_F(MprisBridge, PlaylistsAndTheCurrentListComeFromTheirInterfacesWhenThePlayerHasThem)
{
    MprisPlayer bare(bus.address(), QStringLiteral("bare"), false);
    ASSERT_TRUE(bare.ok);
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    EXPECT_TRUE(listAnswer(&EyeTunes::playlists).isEmpty());
    EXPECT_FALSE(listAnswer(&EyeTunes::currentPlaylist));
    EXPECT_TRUE(listAnswer(&EyeTunes::currentTracks).isEmpty());

    MprisPlayer full(bus.address(), QStringLiteral("full"), true);
    ASSERT_TRUE(full.ok);
    full.set(QStringLiteral("Playing"));
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    const QList<audio::ETPlaylist> lists = listAnswer(&EyeTunes::playlists);
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists.at(1).name, "Saturday set");
    EXPECT_EQ(lists.at(1).id, "/list/2");
    const std::optional<audio::ETPlaylist> current = listAnswer(&EyeTunes::currentPlaylist);
    ASSERT_TRUE(current);
    EXPECT_EQ(current->name, "Saturday set");
    const QList<audio::ETTrack> tracks = listAnswer(&EyeTunes::currentTracks);
    ASSERT_EQ(tracks.size(), 2);
    EXPECT_EQ(tracks.at(1).name, "Track 2");
    EXPECT_EQ(tracks.at(1).location, "/music/2.flac");
}

TEST_F(MprisBridge, APathIsOpenedAsOneFileUriWhateverItHolds)
{
    MprisPlayer player(bus.address(), QStringLiteral("fake"), false);
    ASSERT_TRUE(player.ok);
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    const QString path = QString::fromUtf8("/music/It's \"Caf\u00e9\" #1 & $(x).flac");
    // Before, a searched or played value was pasted into event text.
    EXPECT_TRUE(eyeTunes->playTrackWithPath(path));
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.calls().isEmpty(); }));
    const QStringList calls = player.calls();
    ASSERT_EQ(calls.size(), 1);
    const QString uri = calls.first().mid(QStringLiteral("OpenUri ").size());
    EXPECT_TRUE(uri.startsWith("file:///music/"));
    EXPECT_TRUE(uri.contains("%23")) << "the # is no fragment";
    EXPECT_EQ(QUrl(uri).toLocalFile(), path);
}

TEST_F(MprisBridge, PlayersComingGoingAndChangingAreAnnouncedAndALookThatHearsNothingNewIsNot)
{
    int announced = 0;
    QObject::connect(eyeTunes.get(), &EyeTunes::playerInfoChanged, [&]() { ++announced; });
    {
        MprisPlayer player(bus.address(), QStringLiteral("fake"), false);
        ASSERT_TRUE(testsupport::waitFor([&]() { return announced >= 1; })) << "a player came";
        int before = announced;
        player.set(QStringLiteral("Playing"));
        player.announce();
        ASSERT_TRUE(testsupport::waitFor([&]() { return announced > before; })) << "its state changed";
        // The follower searches again on each announcement, and asks every half second.
        before = announced;
        player.announce();
        ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
        EXPECT_EQ(announced, before);
    }
    const int before = announced;
    EXPECT_TRUE(testsupport::waitFor([&]() { return announced > before; })) << "it went";
}

} // namespace

#include "EyeTunesTest.moc"
