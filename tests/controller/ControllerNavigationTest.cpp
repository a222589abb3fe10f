#include "ControllerTestSupport.h"

using namespace controllertest;

class ControllerNavigation : public ControllerFixture {
protected:
    QTemporaryDir songs;
};

TEST_F(ControllerNavigation, NextAndPreviousStopAtTheListEnds)
{
    startWithSongs(songs, 3);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 01"));
    postKey(vocab::PreviousSong);  // reloads song 1 and shows the list
    EXPECT_EQ(Data::songNoG(), 1);
    EXPECT_TRUE(controller->tocON());
    postKey(vocab::NextSong);      // only hides the list
    EXPECT_EQ(Data::songNoG(), 1);
    postKey(vocab::NextSong);
    postKey(vocab::NextSong);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    postKey(vocab::NextSong);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    EXPECT_EQ(window()->pieceCour()->pieceDet->titre, QStringLiteral("Song 03"));
    postKey(vocab::PreviousSongNoSearch);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
}

TEST_F(ControllerNavigation, NextWithTheTableOfContentsShownOnlyHidesIt)
{
    startWithSongs(songs, 3);
    controller->afficherToc(true);
    EXPECT_TRUE(window()->tocShown);
    postKey(vocab::NextSong);
    EXPECT_FALSE(controller->tocON());
    EXPECT_FALSE(window()->tocShown);
    EXPECT_EQ(Data::songNoG(), 1);
}

TEST_F(ControllerNavigation, TwoPageStepsReachTheLastPageOfAnOddSong)
{
    startWithSongs(songs, 2);
    setPages(5);
    postKey(vocab::PageDown);
    EXPECT_EQ(controller->pageNo1(), 3);
    postKey(vocab::PageDown);
    EXPECT_EQ(controller->pageNo1(), 5);
    EXPECT_EQ(window()->pageNoCour(), 5);
    postKey(vocab::PageDown);  // no further page, no next-song option
    EXPECT_EQ(controller->pageNo1(), 5);
    EXPECT_EQ(Data::songNoG(), 1);
    postKey(vocab::PageDownWrap);
    EXPECT_EQ(controller->pageNo1(), 1);
}

TEST_F(ControllerNavigation, PageStepCarriesOverToTheNeighbourSong)
{
    startWithSongs(songs, 2);
    Data::setOptNextPageSong(1);
    Data::setOptPrevPageSong(1);
    setPages(4);
    controller->traiterDown(false, 1, false);
    EXPECT_EQ(controller->pageNo1(), 3);
    controller->traiterDown(false, 1, false);
    EXPECT_EQ(Data::songNoG(), 2);
    EXPECT_EQ(controller->pageNo1(), 1);
    controller->traiterUP(false);
    EXPECT_EQ(Data::songNoG(), 1);
}

TEST_F(ControllerNavigation, PageUpNeverGoesBelowPageOne)
{
    // Before, a two-page step back from page 2 asked the windows for page 0.
    startWithSongs(songs, 1);
    setPages(6);
    controller->traiterDown(true, 0, false);
    ASSERT_EQ(controller->pageNo1(), 2);
    controller->traiterUP(false);
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_EQ(window()->pageNoCour(), 1);
}

TEST_F(ControllerNavigation, FilterSkipsDummyRowsAndWrapsToTheList)
{
    startWithSongs(songs, 4);
    PiecesPtr dummy = std::make_shared<Pieces>();
    dummy->pieceDet = std::make_shared<PiecesDet>();
    dummy->pieceDet->indexInTEMP0 = -1;
    Data::listePiecesTEMP2() = {Data::getPiece(2), dummy, Data::getPiece(4)};
    Data::setFilterMaxG(3);
    Data::setFilterIndexG(0);
    Data::setFilterTypeG(1);
    ControllerTestAccess::setFilterOn(*controller, true);
    controller->gotoSongNo(2, false, true);

    controller->traiterNext();
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 04"));
    EXPECT_EQ(Data::filterIndexG(), 2);
    controller->traiterNext();  // past the last match: first match, then the list
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
    EXPECT_TRUE(controller->tocON());
}

TEST_F(ControllerNavigation, SortToggleKeepsTheSongs)
{
    chordProSong(songs.path(), QStringLiteral("a.chopro"), QStringLiteral("Alpha"), QStringLiteral("Zed"));
    chordProSong(songs.path(), QStringLiteral("b.chopro"), QStringLiteral("Beta"), QStringLiteral("Abe"));
    chordProSong(songs.path(), QStringLiteral("c.chopro"), QStringLiteral("Gamma"), QStringLiteral("Moe"));
    storeSlot(0, songs.path());
    start();
    controller->gotoSongNo(1, false, true);
    EXPECT_EQ(currentTitle(), QStringLiteral("Alpha"));
    postKey(vocab::ToggleSort);
    EXPECT_EQ(Data::currentSort(), 1);
    EXPECT_EQ(currentTitle(), QStringLiteral("Alpha"));
    EXPECT_EQ(Data::songNoG(), 3);  // Zed comes last by artist
    postKey(vocab::ToggleSort);
    EXPECT_EQ(Data::songNoG(), 1);
}

TEST_F(ControllerNavigation, TypeAheadByLetterPrefixAndWithoutAccents)
{
    for (const char *title : {"Alpha", "Beta", "Bravo", "Echo", "Élan", "Zulu"})
        chordProSong(songs.path(), QString::fromUtf8(title) + QStringLiteral(".chopro"), QString::fromUtf8(title));
    storeSlot(0, songs.path());
    start();
    controller->masquerToc();
    postKey(1);  // b
    EXPECT_EQ(currentTitle(), QStringLiteral("Beta"));
    EXPECT_EQ(controller->rech(), QStringLiteral("b"));
    postKey(17);  // r
    EXPECT_EQ(currentTitle(), QStringLiteral("Bravo"));
    EXPECT_TRUE(window()->echo.contains(QStringLiteral("Br")));

    postKey(vocab::ClearSearch);
    postKey(4);   // e
    EXPECT_EQ(currentTitle(), QStringLiteral("Echo"));
    postKey(11);  // l
    EXPECT_EQ(currentTitle(), QString::fromUtf8("Élan"));

    // A letter without a song locks the search until the echo fades.
    postKey(vocab::ClearSearch);
    postKey(16);  // q
    EXPECT_EQ(currentTitle(), QString::fromUtf8("Élan"));
    postKey(0);   // a: still locked
    EXPECT_EQ(currentTitle(), QString::fromUtf8("Élan"));
}

TEST_F(ControllerNavigation, TenthCharacterIsTheLast)
{
    chordProSong(songs.path(), QStringLiteral("a.chopro"), QStringLiteral("aaaaaaaaaaaa"));
    storeSlot(0, songs.path());
    start();
    controller->masquerToc();
    for (int i = 0; i < 11; ++i)
        postKey(0);
    EXPECT_EQ(controller->rech(), QStringLiteral("aaaaaaaaaa"));
}

TEST_F(ControllerNavigation, TableOfContentsPickGoesToThatSong)
{
    startWithSongs(songs, 5);
    controller->afficherToc(true);
    EXPECT_EQ(window()->tocLabel, QStringLiteral("5 • 1/1"));
    postKey(2);  // slot c: the third song of the page
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    EXPECT_FALSE(controller->tocON());
}

TEST_F(ControllerNavigation, SongChangeStartsTheNoteAndPlayedTimers)
{
    platform::ManualClock &clock = manualClock();
    startWithSongs(songs, 3);
    clock.advance(31.0);
    EXPECT_FALSE(controller->noteTimer().isActive());

    postKey(vocab::NextSong);
    EXPECT_TRUE(controller->noteTimer().isActive());
    EXPECT_TRUE(controller->playedTimer().isActive());
    EXPECT_TRUE(controller->pendingSongRefresh());
    clock.advance(0.5);
    EXPECT_FALSE(controller->noteTimer().isActive());
    EXPECT_FALSE(controller->pendingSongRefresh());

    setPages(4);
    postKey(vocab::PageDown);  // a page change is no song change
    EXPECT_EQ(controller->pageNo1(), 3);
    EXPECT_FALSE(controller->noteTimer().isActive());
    clock.advance(30.0);
    EXPECT_FALSE(controller->playedTimer().isActive());
}

TEST_F(ControllerNavigation, MessagesReachOnlyTheirWindowAndClear)
{
    platform::ManualClock &clock = manualClock();
    startWithSongs(songs, 1);
    RecordingWindow *lead = addWindow(QStringLiteral("Lead"));
    RecordingWindow *drum = addWindow(QStringLiteral("Drum"));
    platform::NotificationCenter::defaultCenter().post(vocab::ActionMessage, QStringLiteral("LEAD:Hello"));
    EXPECT_EQ(lead->messages, QStringList{QStringLiteral("⚠️ Hello")});
    EXPECT_TRUE(drum->messages.isEmpty());
    EXPECT_TRUE(lead->messageTimerActive());
    clock.advance(3.0);
    EXPECT_FALSE(lead->messageTimerActive());

    platform::NotificationCenter::defaultCenter().post(vocab::ActionMessageStay, QStringLiteral(":all of you"));
    EXPECT_EQ(drum->messages, QStringList{QStringLiteral(":all of you")});
    EXPECT_EQ(window()->messages.last(), QStringLiteral(":all of you"));
}

TEST_F(ControllerNavigation, GoToSongAndPageNotificationsAreRangeChecked)
{
    startWithSongs(songs, 4);
    auto &center = platform::NotificationCenter::defaultCenter();
    center.post(vocab::ActionGoToSongNo, 2);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    center.post(vocab::ActionGoToSongNo, 4);  // the tab's count: nothing
    center.post(vocab::ActionGoToSongNo, -1);
    center.post(vocab::ActionGoToSongNo, QStringLiteral("x"));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    center.post(vocab::ActionScrollCurrentOnglet, 127);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 04"));
    center.post(vocab::ActionScrollCurrentOnglet, 0);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 01"));
    center.post(vocab::ActionScrollCurrentOnglet, 500);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 01"));

    setPages(6);
    center.post(vocab::ActionGoToPageNo, 4);
    EXPECT_EQ(controller->pageNo1(), 4);
    center.post(vocab::ActionGoToPageNo, 0);
    center.post(vocab::ActionGoToPageNo, -3);
    EXPECT_EQ(controller->pageNo1(), 4);
    center.post(vocab::ActionGoToPageBottomNo, 5);
    EXPECT_EQ(controller->pageNo1(), 4);
    EXPECT_FALSE(controller->zoomTopState());
}

TEST_F(ControllerNavigation, SearchEchoFadesAndBackspaceEditsTheSearch)
{
    platform::ManualClock &clock = manualClock();
    for (const char *title : {"Alpha", "Beta", "Bravo"})
        chordProSong(songs.path(), QString::fromUtf8(title) + QStringLiteral(".chopro"), QString::fromUtf8(title));
    storeSlot(0, songs.path());
    start();
    controller->masquerToc();
    postKey(1);   // b
    postKey(17);  // r
    EXPECT_EQ(controller->rech(), QStringLiteral("br"));
    postKey(vocab::ClearFilterAndSearchChar);
    EXPECT_EQ(controller->rech(), QStringLiteral("b"));
    clock.advance(2.0);
    EXPECT_TRUE(controller->rech().isEmpty());

    // A miss locks the search; the short fade then clears it.
    postKey(25);  // z
    EXPECT_EQ(currentTitle(), QStringLiteral("Bravo"));
    clock.advance(0.5);
    postKey(0);   // a
    EXPECT_EQ(currentTitle(), QStringLiteral("Alpha"));
}

TEST_F(ControllerNavigation, ASongWithoutTempoGetsTheDefaultBeat)
{
    // Before, the tempo of the song shown earlier stayed on.
    chordProSong(songs.path(), QStringLiteral("a.chopro"), QStringLiteral("Alpha"));
    chordProSong(songs.path(), QStringLiteral("b.chopro"), QStringLiteral("Beta"));
    testsupport::writeFile(QDir(songs.path()).filePath(QStringLiteral("a.txt")), "Tempo=140\n");
    storeSlot(0, songs.path());
    start();
    controller->gotoSongNo(1, false, true);
    EXPECT_EQ(Data::gtempo(), 140);
    controller->gotoSongNo(2, false, true);
    EXPECT_EQ(Data::gtempo(), 0);
}

TEST_F(ControllerNavigation, PickingAHeaderRowOfTheFilteredListIsNoSongPick)
{
    // Before, a header row's letter opened song 1 of the library.
    startWithSongs(songs, 4);
    controller->gotoSongNo(2, false, true);
    controller->afficherToc(true);
    PiecesPtr header = std::make_shared<Pieces>();
    header->pieceDet = std::make_shared<PiecesDet>();
    header->pieceDet->indexInTEMP0 = -1;
    Data::listePiecesTEMP2() = {header, Data::getPiece(3), Data::getPiece(4)};
    Data::setFilterMaxG(3);
    Data::setFilterIndexG(1);
    Data::setFilterTypeG(1);
    ControllerTestAccess::setFilterOn(*controller, true);
    controller->setSongNoToc(0);
    EXPECT_EQ(controller->songNoToc(), -1);
    controller->setSongNoToc(1);
    EXPECT_EQ(controller->songNoToc(), 3);
}
