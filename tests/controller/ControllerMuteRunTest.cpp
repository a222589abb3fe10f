#include "ControllerTestSupport.h"

using namespace controllertest;

namespace {

// A song whose note turns pages at 0:05 and 0:20 of its run.
class MuteRun : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        manualClock();
        folderWithSongs(songs, 3);
        testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("s02.txt")),
                               "Mute run\n00:05 Page 2\n00:20 Page 4\n");
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
        controller->gotoSongNo(2, false, true);
        clock->advance(0.6);
        setPages(6);
        controller->actionGoToGenreNo(6);
        ASSERT_EQ(Data::currentGenreG(), 6);
    }

    void space() { postKey(vocab::SpaceBarKey); }

    QTemporaryDir songs;
};

TEST_F(MuteRun, PlayStartsTheClockAndTheScriptTurnsThePagesWhileSpaceTurnsThemToo)
{
    EXPECT_FALSE(controller->trackTimerActive());
    space();
    ASSERT_TRUE(controller->trackTimerActive()) << "without a further page to show, Space plays";
    EXPECT_EQ(controller->pageNo1(), 1);
    clock->advance(4.9);
    EXPECT_EQ(controller->pageNo1(), 1);
    clock->advance(0.2);
    EXPECT_EQ(controller->pageNo1(), 2) << "00:05 Page 2";
    EXPECT_NEAR(Data::gpos(), 5.0, 0.25);

    space();
    EXPECT_EQ(controller->pageNo1(), 3) << "while the run goes, Space turns the page";
    EXPECT_TRUE(controller->trackTimerActive());
    clock->advance(15.0);
    EXPECT_EQ(controller->pageNo1(), 4) << "00:20 Page 4";

    // Before, nothing ran after 0:00: the clock never started.
    postKey(vocab::Stop);
    EXPECT_FALSE(controller->trackTimerActive());
    EXPECT_EQ(Data::gpos(), 0.0);
}

TEST_F(MuteRun, StopWithResetRunsTheScriptAgainStopWithoutDoesNot)
{
    const struct {
        int stopCode;
        int pageAfterReplay;
    } rows[] = {
        {vocab::Stop, 2},        // cues reset: 0:05 turns to page 2 again
        {vocab::StopNoReset, 1}, // cues kept done: the replay turns nothing
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.stopCode);
        controller->resetCue();
        controller->actionGoToPageNo(1, false);
        space();
        clock->advance(5.2);
        ASSERT_EQ(controller->pageNo1(), 2);
        postKey(row.stopCode);
        ASSERT_FALSE(controller->trackTimerActive());
        controller->actionGoToPageNo(1, false);
        postKey(vocab::Play);
        ASSERT_TRUE(controller->trackTimerActive());
        clock->advance(5.2);
        EXPECT_EQ(controller->pageNo1(), row.pageAfterReplay);
        postKey(vocab::StopNoReset);
    }
}

TEST_F(MuteRun, TheRunEndsByItselfAfterHalfAnHourAndASongChangeEndsItAtOnce)
{
    postKey(vocab::Play);
    clock->advance(1799.0);
    EXPECT_TRUE(controller->trackTimerActive());
    clock->advance(1.2);
    EXPECT_FALSE(controller->trackTimerActive());

    postKey(vocab::Play);
    ASSERT_TRUE(controller->trackTimerActive());
    postKey(vocab::NextSong);
    EXPECT_FALSE(controller->trackTimerActive()) << "the run belongs to the song it started on";
}

TEST_F(MuteRun, TheLastCuePassedTheNextCueStopsTheRunAndGoesBackToPageOne)
{
    postKey(vocab::Play);
    clock->advance(20.2);
    ASSERT_EQ(controller->pageNo1(), 4);
    postKey(vocab::NextCue);
    QCoreApplication::processEvents();
    EXPECT_FALSE(controller->trackTimerActive());
    EXPECT_EQ(controller->pageNo1(), 1);
}

TEST_F(MuteRun, AStopRightAfterASongChangeNeverRunsTheSongLeftBehind)
{
    Data::getPiece(2)->pieceDet->notetxt = QStringLiteral("Mute run\n00:00 Page 3\n");
    controller->refreshNoteX(true);
    postKey(vocab::NextSong);
    ASSERT_EQ(Data::songNoG(), 3);
    recordPagesAsked();
    postKey(vocab::Play);
    ASSERT_TRUE(controller->trackTimerActive());
    clock->advance(0.2);
    // Before, stopping a run started within half a second of leaving song 2
    // ran song 2's "00:00 Page 3" again, on song 3.
    postKey(vocab::Stop);
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
    clock->advance(1.0);
    EXPECT_TRUE(pagesAsked.isEmpty()) << pagesAsked.size();
}

} // namespace
