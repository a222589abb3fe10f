#include "ControllerTestSupport.h"
#include "events/QStringPrint.h"

#include "audio/MusicLibrary.h"
#include "platform/MediaPlayer.h"
#include "platform/media/FakeMediaPlayer.h"

using namespace controllertest;

namespace {

// Three songs with a recording each in the music library; the player is a
// fake the test loads and moves.
class Playback : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        manualClock();
        folderWithSongs(songs, 3);
        testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s01.txt")),
                               "Intro\n00:10 Page 2\n");
        QList<audio::Track> tracks;
        for (int i = 1; i <= 3; ++i) {
            audio::Track t;
            t.title = QStringLiteral("Song %1").arg(i, 2, 10, QLatin1Char('0'));
            t.artist = QStringLiteral("Band");
            t.location = testsupport::writeFile(music.filePath(t.title + QStringLiteral(".mp3")), "ID3");
            t.persistentID = audio::persistentIdForPath(t.location);
            tracks << t;
        }
        library.setTracks(tracks);
        audio::setMusicLibrary(&library);
        platform::setMediaPlayerFactory([this]() { return player; });
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
        clock->advance(0.6);
        setPages(3);
    }

    void TearDown() override
    {
        audio::setMusicLibrary(nullptr);
        platform::setMediaPlayerFactory(nullptr);
        Data::setPlayer(nullptr);
        Data::setMediaItem(nullptr);
        Data::setSongAsked(0);
        ControllerFixture::TearDown();
    }

    QString playing() const { return QFileInfo(player->source()).completeBaseName(); }
    // What the title row's message line shows last; failures are marked.
    QString messageLine() const { return window() ? window()->messages.value(window()->messages.size() - 1) : QString(); }
    static QString failure(const QString &why) { return QStringLiteral("⚠️ ") + why; }
    // Plays the current song's track, loaded at once with that length.
    void playLoaded(double length)
    {
        postKey(vocab::Play);
        player->load(length);
    }
    void tick(double seconds = 0.2) { clock->advance(seconds); }
    // The loaded track runs into its last seconds, then ends.
    void playToEnd()
    {
        player->setPosition(player->duration() - 1.5);
        tick();
        player->setPosition(player->duration());
        player->finish();
        tick(0.02);
    }

    QTemporaryDir songs;
    QTemporaryDir musicDir;
    QDir music{musicDir.path()};
    audio::StaticMusicLibrary library;
    std::shared_ptr<platform::FakeMediaPlayer> player = std::make_shared<platform::FakeMediaPlayer>();
};

TEST_F(Playback, TheTrackIsPolledEveryFifthOfASecondAndFiftyTimesASecondNearItsEnd)
{
    playLoaded(200.0);
    ASSERT_TRUE(controller->trackTimerActive());
    EXPECT_EQ(playing(), QStringLiteral("Song 01"));
    EXPECT_DOUBLE_EQ(controller->trackTimerInterval(), 0.2);
    player->setPosition(10.0);
    tick();
    EXPECT_EQ(controller->pageNo1(), 2) << "the track's position runs the 0:10 cue";
    player->setPosition(196.9);
    tick();
    EXPECT_DOUBLE_EQ(controller->trackTimerInterval(), 0.2);
    player->setPosition(197.0);
    tick();
    EXPECT_DOUBLE_EQ(controller->trackTimerInterval(), 0.02) << "from three seconds before the end";
    EXPECT_DOUBLE_EQ(Data::gpos(), 197.0);
}

TEST_F(Playback, ContinuousPlayGoesOnToTheNextSongAndEndsAtTheLastOfTheTab)
{
    controller->setContPlay(0, 1);
    playLoaded(100.0);
    QStringList order{playing()};
    for (int song = 0; song < 3; ++song) {
        playToEnd();
        if (controller->trackTimerActive()) {
            order << playing();
            player->load(100.0);
        }
    }
    EXPECT_EQ(order, QStringList({"Song 01", "Song 02", "Song 03"})) << "no wrap to the first song";
    EXPECT_FALSE(controller->trackTimerActive());
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
}

TEST_F(Playback, ContinuousPlayOfTheFlaggedSongsTakesThemFromTheFrontAndUnflagsThem)
{
    controller->setContPlay(0, 1);
    controller->setContPlayFlag(1);
    for (int song : {3, 1}) {
        controller->gotoSongNo(song, false, true);
        controller->markAsFlagged(true, false);
    }
    controller->gotoSongNo(2, false, true);
    controller->traiterKeyAction(7, false, QString());
    EXPECT_EQ(playing(), QStringLiteral("Song 03")) << "the first flagged song, not the current one";
    EXPECT_FALSE(Data::getPiece(3)->pieceDet->flagged);
    player->load(50.0);
    playToEnd();
    EXPECT_EQ(playing(), QStringLiteral("Song 01"));
    EXPECT_FALSE(Data::getPiece(1)->pieceDet->flagged);
    EXPECT_TRUE(Data::listePiecesFlagged().isEmpty());
}

TEST_F(Playback, StopPausesTheTrackAndWithResetShowsTheSongAgain)
{
    const struct {
        int code;
        bool cuesReset;
    } rows[] = {{vocab::Stop, true}, {vocab::StopNoReset, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.code);
        controller->actionGoToPageNo(1, false);
        playLoaded(100.0);
        player->setPosition(11.0);
        tick();
        ASSERT_EQ(controller->pageNo1(), 2);
        postKey(row.code);
        EXPECT_FALSE(controller->trackTimerActive());
        EXPECT_FALSE(player->isPlaying());
        EXPECT_EQ(player->calls.last(), QStringLiteral("pause"));
        const bool pageTwoPending = !Data::songEvents().isEmpty() && !Data::songEvents().last()->traite;
        EXPECT_EQ(pageTwoPending, row.cuesReset);
    }
}

TEST_F(Playback, AStartStillPendingStandsAtZeroRunsNothingAndStopsOnStop)
{
    postKey(vocab::Play);
    ASSERT_TRUE(controller->trackTimerActive());
    tick();
    // Before, a pending start reported 1000 s of 10000 and every cue fired at once.
    EXPECT_EQ(Data::gpos(), 0.0);
    EXPECT_EQ(controller->pageNo1(), 1);
    postKey(vocab::Play);
    EXPECT_FALSE(controller->trackTimerActive()) << "the same key stops a start still pending";
    player->load(100.0);
    EXPECT_FALSE(player->isPlaying());

    postKey(vocab::Play);
    for (int i = 0; i < 5; ++i)
        tick();
    EXPECT_FALSE(controller->trackTimerActive()) << "a start that never comes is given up";
    EXPECT_EQ(messageLine(), failure("The track \"Song 01.mp3\" cannot be played."));
    player->load(100.0);
    EXPECT_FALSE(player->isPlaying()) << "nor does it start later, unseen";

    // A share waking up is not a start that never comes: it is waited for,
    // and after a while the performer is told why nothing plays yet.
    postKey(vocab::Play);
    player->setOpening(true);
    for (int i = 0; i < 25; ++i)
        tick();
    EXPECT_TRUE(controller->trackTimerActive());
    EXPECT_EQ(messageLine(), failure("The music folder does not answer: \"Song 01.mp3\" starts once it does."));
    EXPECT_EQ(player->calls.last(), QStringLiteral("play"));
    // Before, these words went after eight seconds while the share still held
    // the track, and stayed over a track stopped or playing meanwhile.
    tick(WindowPDFxSuper::kNoticeSeconds);
    EXPECT_EQ(window()->heldNotice(), messageLine());

    // Before, the message named the track asked last, not the one the share still held.
    controller->gotoSongNo(2, false, true);
    postKey(vocab::Play); // stops the start still pending
    EXPECT_EQ(window()->heldNotice(), QString()) << "a track stopped is awaited no more";
    postKey(vocab::Play);
    ASSERT_EQ(playing(), QStringLiteral("Song 02"));
    for (int i = 0; i < 10; ++i)
        tick();
    EXPECT_EQ(messageLine(), failure("The music folder does not answer: \"Song 01.mp3\" starts once it does."));
    player->load(100.0);
    tick();
    EXPECT_TRUE(player->isPlaying());
    EXPECT_EQ(window()->heldNotice(), QString()) << "gone at the poll that finds it answered";
}

TEST_F(Playback, AnUnknownLengthNeverLooksLikeTheEnd)
{
    playLoaded(0.0);
    player->setPosition(1.0);
    tick();
    tick();
    // Before, a length still unknown (0) put every position in the last three seconds.
    EXPECT_DOUBLE_EQ(controller->trackTimerInterval(), 0.2);
    player->setDuration(240.0);
    tick();
    EXPECT_DOUBLE_EQ(controller->trackTimerInterval(), 0.2);
    EXPECT_TRUE(controller->trackTimerActive());
}

TEST_F(Playback, ATrackThatCannotPlayIsToldInTheMessageLineNeverInADialog)
{
    const QString cannotPlay = "The track \"Song 01.mp3\" cannot be played.";
    const struct {
        const char *what;
        bool available;
        bool withTracks;
        std::function<void(platform::FakeMediaPlayer &)> after; // what the player does once asked
        QString message;
    } rows[] = {
        {"no music folder", false, true, {}, "No music folder: choose one in Preferences"},
        {"no such track", true, false, {},
         "Tolvane is unable to find the corresponding song in your Music Library."},
        {"refused by the decoder", true, true, [](platform::FakeMediaPlayer &p) { p.fail(); }, cannotPlay},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        audio::StaticMusicLibrary other(row.withTracks ? library.allMediaItems() : QList<audio::Track>{},
                                        row.available);
        audio::setMusicLibrary(&other);
        dialogs.clear();
        window()->messages.clear();
        postKey(vocab::Play);
        if (row.after)
            row.after(*player);
        tick();
        // Before, a modal box blocked every window, key and pedal until OK.
        EXPECT_EQ(dialogs.texts(), QStringList());
        EXPECT_EQ(messageLine(), failure(row.message));
        EXPECT_TRUE(window()->messageTimerActive()) << "the message goes after three seconds";
        EXPECT_FALSE(controller->trackTimerActive());
        EXPECT_FALSE(player->isPlaying());
        audio::setMusicLibrary(&library);
    }
}

TEST_F(Playback, SpaceOnTheLastPageWithNoTrackSaysSo)
{
    library.setTracks({});
    controller->actionGoToGenreNo(1);
    controller->actionGoToPageNo(3, false);
    postKey(vocab::SpaceBarKey);
    EXPECT_EQ(dialogs.texts(), QStringList());
    EXPECT_EQ(messageLine(),
              failure("Tolvane is unable to find the corresponding song in your Music Library."));
}

TEST_F(Playback, TheEndOfATrackIsFoundWithinOnePollingPeriod)
{
    const struct {
        const char *what;
        double length;
        std::function<void()> end;
    } rows[] = {
        // Before, the end was found only when a poll read exactly a second
        // before the length, which almost never happened.
        {"known length", 100.0, [this]() { player->setPosition(98.99); }},
        // Before, a track of unknown length that ended stood at 0:00 for four
        // more polls (0.8 s) before the next song started.
        {"unknown length", 0.0, [this]() { player->finish(); }},
    };
    controller->setContPlay(0, 1);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        controller->gotoSongNo(1, false, true);
        playLoaded(row.length);
        player->setPosition(row.length > 0 ? 97.5 : 30.0);
        tick();
        ASSERT_EQ(playing(), QStringLiteral("Song 01"));
        row.end();
        tick(controller->trackTimerInterval());
        EXPECT_EQ(playing(), QStringLiteral("Song 02"));
        EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
        postKey(vocab::Stop);
    }
}

TEST_F(Playback, ATrackEndingFarShortOfItsLengthCannotBePlayedAndContinuousPlayStops)
{
    const struct {
        double endsAt; // of 15 s
        bool fails;
    } rows[] = {
        // Before, damaged frames that ended the track at 0:00 read as its end:
        // no message, and continuous play went on to the next song.
        {0.5, true},
        {13.7, true},
        // Within a second and a poll of the length: played through.
        {13.9, false},
        {15.0, false},
    };
    controller->setContPlay(0, 1);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.endsAt);
        controller->gotoSongNo(1, false, true);
        window()->messages.clear();
        playLoaded(15.0);
        player->setPosition(0.3);
        tick();
        player->setPosition(row.endsAt);
        player->finish();
        tick();
        EXPECT_EQ(messageLine(), row.fails ? failure("The track \"Song 01.mp3\" cannot be played.") : QString());
        EXPECT_EQ(currentTitle(), row.fails ? QStringLiteral("Song 01") : QStringLiteral("Song 02"));
        EXPECT_EQ(controller->trackTimerActive(), !row.fails);
        postKey(vocab::Stop);
    }
}

TEST_F(Playback, ATrackEndingRightAfterASongChangeNeverRunsTheSongLeftBehind)
{
    Data::getPiece(1)->pieceDet->notetxt = QStringLiteral("Intro\n00:00 Page 3\n");
    controller->refreshNoteX(true);
    playLoaded(100.0);
    player->setPosition(98.0);
    tick();
    postKey(vocab::NextSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Song 02"));
    recordPagesAsked();
    // Before, Song 01's track ending within half a second of leaving it ran
    // Song 01's "00:00 Page 3" again, on Song 02.
    player->setPosition(100.0);
    player->finish();
    tick(0.02);
    ASSERT_FALSE(controller->trackTimerActive());
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
    tick(1.0);
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
}

} // namespace
