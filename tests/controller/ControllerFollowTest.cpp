#include "ControllerTestSupport.h"
#include "events/QStringPrint.h"

#include "audio/EyeTunes.h"
#include "audio/MusicX.h"
#include "platform/MediaPlayer.h"
#include "platform/media/FakeMediaPlayer.h"
#include "support/FakeMpris.h"

#include <QMenu>

using namespace controllertest;
using fakempris::MprisPlayer;

namespace {

// Songs on a manual clock; the media player is a fake on a private bus.
class Follow : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        fakempris::registerTypes();
        if (bus.address().isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
        client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("follow-client"));
        eyeTunes = std::make_unique<audio::EyeTunes>(client);
        audio::MusicX::setEyeTunes(eyeTunes.get());
        platform::setMediaPlayerFactory([this]() { return ownPlayer; });
        manualClock();
    }

    void TearDown() override
    {
        ControllerFixture::TearDown();
        audio::MusicX::setEyeTunes(nullptr);
        platform::setMediaPlayerFactory(nullptr);
        Data::setPlayer(nullptr);
        player.reset();
        eyeTunes.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("follow-client"));
    }

    // Six songs "Song 01" ... by "Band"; "Song 02" turns to page 2 at 0:10.
    void startSongs()
    {
        testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s02.txt")), "Intro\n00:10 Page 2\n");
        startWithSongs(songs, 6);
        clock->advance(2.1);
    }

    void startPlayer()
    {
        player = std::make_unique<MprisPlayer>(bus.address(), QStringLiteral("fake"), false);
        ASSERT_TRUE(player->ok);
    }

    // The player plays a track and says so on the bus.
    void plays(const QString &title, const QString &artist = QStringLiteral("Band"), qlonglong positionUs = 0)
    {
        player->set(QStringLiteral("Playing"), positionUs,
                    {{"xesam:title", title}, {"xesam:artist", QStringList{artist}}, {"mpris:length", 200'000'000LL}});
        player->announce();
    }

    bool waitForState(qint32 state)
    {
        return testsupport::waitFor([state]() { return audio::MusicX::slaveState() == state; });
    }

    QString genreTitle() { return controller->genreMenu()->title(); }

    bool saidNoPlayer() const { return window()->messages.join(' ').contains(QStringLiteral("No media player answers")); }

    testsupport::PrivateBus bus;
    QDBusConnection client{QString()};
    std::unique_ptr<audio::EyeTunes> eyeTunes;
    std::unique_ptr<MprisPlayer> player;
    std::shared_ptr<platform::FakeMediaPlayer> ownPlayer = std::make_shared<platform::FakeMediaPlayer>();
    QTemporaryDir songs;
};

TEST_F(Follow, ThePlayedTrackShowsItsSongAndRunsItsCuesUntilTheUserMovesAway)
{
    startSongs();
    controller->setSlave(1);
    EXPECT_EQ(audio::MusicX::slaveState(), 4) << "no media player";
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("◉"))) << genreTitle().toStdString();
    EXPECT_TRUE(testsupport::waitFor([this]() { return saidNoPlayer(); }));

    startPlayer();
    plays(QStringLiteral("Song 02 (Live)"));
    ASSERT_TRUE(waitForState(3));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("🔉"))) << genreTitle().toStdString();
    EXPECT_TRUE(controller->slaveTimerActive());
    clock->advance(0.6);
    setPages(3);
    player->set(QStringLiteral("Playing"), 10'000'000,
                {{"xesam:title", "Song 02 (Live)"}, {"xesam:artist", QStringList{"Band"}}});
    clock->advance(0.5);
    EXPECT_TRUE(testsupport::waitFor([this]() { return controller->pageNo1() == 2; }))
        << "the player's 0:10 runs the song's cue";

    controller->traiterNext();
    EXPECT_EQ(audio::MusicX::slaveState(), 1);
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("◉")));
    clock->advance(2.0);
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03")) << "paused while the same track plays";

    plays(QStringLiteral("Song 04"));
    ASSERT_TRUE(waitForState(3)) << "a new track resumes following";
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 04"));

    plays(QStringLiteral("Nothing Like It"));
    ASSERT_TRUE(waitForState(2));
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("⁉️")));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 04"));
}

TEST_F(Follow, GoToCurrentWithThePlayerStoppedWarnsThenReturnsToTheFollowedSong)
{
    startSongs();
    startPlayer();
    controller->setSlave(1);
    plays(QStringLiteral("Song 05"));
    ASSERT_TRUE(waitForState(3));
    controller->traiterPrev();
    ASSERT_EQ(currentTitle(), QStringLiteral("Song 04"));
    player->set(QStringLiteral("Stopped"));
    player->announce();
    ASSERT_TRUE(waitForState(4));
    controller->actionGotoCur();
    EXPECT_EQ(audio::MusicX::slaveState(), 5);
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("⚠️")));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 05"));
    clock->advance(1.0);
    EXPECT_EQ(audio::MusicX::slaveState(), 4);
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("◉")));
}

TEST_F(Follow, ATrackFoundWithinTheWarningKeepsItsStateAndItsCues)
{
    // Before, the warning's delayed reset put state 4 over a track followed
    // meanwhile: the icon said nothing plays and the song's cues stopped.
    startSongs();
    startPlayer();
    controller->setSlave(1);
    controller->actionGotoCur();
    ASSERT_EQ(audio::MusicX::slaveState(), 5);
    plays(QStringLiteral("Song 02"));
    ASSERT_TRUE(waitForState(3));
    clock->advance(1.0);
    EXPECT_EQ(audio::MusicX::slaveState(), 3);
    EXPECT_TRUE(genreTitle().startsWith(QStringLiteral("🔉")));
}

TEST_F(Follow, ThePlayerLeavingStopsFollowingAndPlayOnlyStopsItsTrack)
{
    startSongs();
    startPlayer();
    controller->setSlave(1);
    plays(QStringLiteral("Song 03"));
    ASSERT_TRUE(waitForState(3));

    postKey(vocab::Play);
    EXPECT_TRUE(testsupport::waitFor([this]() { return player->calls() == QStringList{"Stop"}; }));
    EXPECT_TRUE(ownPlayer->calls.isEmpty()) << "the program's player stays silent";
    player->set(QStringLiteral("Stopped"));
    player->announce();
    ASSERT_TRUE(waitForState(4));

    plays(QStringLiteral("Song 03"));
    ASSERT_TRUE(testsupport::waitFor([this]() { return controller->slaveTimerActive(); }));
    player.reset();
    ASSERT_TRUE(waitForState(4));
    EXPECT_FALSE(controller->slaveTimerActive());

    controller->setSlave(1);
    EXPECT_EQ(audio::MusicX::slaveState(), 0) << "off";
    EXPECT_EQ(genreTitle().left(6), QStringLiteral("Genre="));
}

TEST_F(Follow, InArtistOrderTheMatchedSongKeepsItsPlace)
{
    // By title Alpha ... Foxtrot; Echo's artist sorts last.
    const char *rows[][2] = {{"Alpha", "B"}, {"Bravo", "C"}, {"Charlie", "D"},
                             {"Delta", "E"}, {"Echo", "Z"},  {"Foxtrot", "F"}};
    for (const auto &r : rows)
        chordProSong(songs.path(), QStringLiteral("%1.chopro").arg(QLatin1String(r[0])), QLatin1String(r[0]),
                     QLatin1String(r[1]));
    storeSlot(0, songs.path());
    platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
    platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
    start();
    controller->masquerToc();
    controller->actionToggleSort();
    ASSERT_EQ(Data::currentSort(), 1);
    EXPECT_EQ(controller->obtenirSongNoFromIdx(4), 6);
    startPlayer();
    controller->setSlave(1);
    plays(QStringLiteral("Echo"), QStringLiteral("Z"));
    ASSERT_TRUE(waitForState(3));
    EXPECT_EQ(Data::songNoG(), 6);
    EXPECT_EQ(currentTitle(), QStringLiteral("Echo"));
}

TEST_F(Follow, ThePlayerStoppingRightAfterATrackChangeNeverRunsTheSongLeftBehind)
{
    testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s01.txt")), "Intro\n00:00 Page 3\n");
    startSongs();
    startPlayer();
    controller->setSlave(1);
    plays(QStringLiteral("Song 01"));
    ASSERT_TRUE(waitForState(3));
    clock->advance(0.6);
    plays(QStringLiteral("Song 02"));
    ASSERT_TRUE(testsupport::waitFor([this]() { return currentTitle() == QStringLiteral("Song 02"); }));
    recordPagesAsked();
    // Before, the player stopping within half a second of the change ran
    // Song 01's "00:00 Page 3" again, on Song 02.
    player->set(QStringLiteral("Stopped"));
    player->announce();
    ASSERT_TRUE(waitForState(4));
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
    ASSERT_TRUE(fakempris::heardFromAll(*eyeTunes));
    EXPECT_FALSE(window()->playing()) << "a position heard once following stopped shows no track time";
    clock->advance(1.0);
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
}

TEST_F(Follow, AMediaPlayerThatNeverAnswersHoldsUpNoRequestAndAnotherThatAppearsIsFollowed)
{
    // Before, the first search and every play request waited 120 ms on such a
    // player before going on, with the window frozen.
    startSongs();
    fakempris::SilentService silent(bus.address(), QStringLiteral("silent"));
    ASSERT_TRUE(silent.ok);
    controller->setSlave(1);
    EXPECT_FALSE(saidNoPlayer()) << "its answer is not waited for";
    EXPECT_EQ(audio::MusicX::slaveState(), 4);
    postKey(vocab::Play);
    controller->actionGotoCur();
    EXPECT_TRUE(testsupport::waitFor([this]() { return saidNoPlayer(); })) << "once the silent one is let go";

    startPlayer();
    plays(QStringLiteral("Song 04"));
    ASSERT_TRUE(waitForState(3));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 04"));
    postKey(vocab::Play);
    EXPECT_TRUE(testsupport::waitFor([this]() { return player->calls() == QStringList{"Stop"}; }));
}

} // namespace
