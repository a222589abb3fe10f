#include "ControllerTestSupport.h"
#include "midi/Midi.h"

#include <QCheckBox>
#include <thread>

using namespace controllertest;

namespace {

struct Snapshot {
    qint64 song;
    qint64 page;
    bool toc;
    qint64 sort;
    qint64 slot;
    QString rech;

    bool operator==(const Snapshot &) const = default;
};

} // namespace

class ControllerDispatch : public ControllerFixture {
protected:
    Snapshot snapshot() const
    {
        return {Data::songNoG(), controller->pageNo1(), controller->tocON(), Data::currentSort(),
                controller->currentDirNo(), controller->rech()};
    }
    QTemporaryDir songs;
};

TEST_F(ControllerDispatch, NoOpCodesChangeNothing)
{
    startWithSongs(songs, 4);
    controller->gotoSongNo(2, false, true);
    const Snapshot before = snapshot();
    for (int code : {47, 48, 49, 56, 101, 102, 109, 215, 218, 1000, 1007, 1008, 1030, 2000, 2006, 3001, 3002, 3003,
                     3006, 3008, 3010, 3014, 3015, 3019, 5000, -1, -36, -1000})
        postKey(code);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ControllerDispatch, CodesReachTheirActions)
{
    struct Row {
        int code;
        qint64 songAfter;
        bool tocAfter;
        qint64 sortAfter;
    };
    // From song 2 of 4, table of contents hidden, title order.
    const Row rows[] = {
        {36, 1, false, 0}, {37, 3, false, 0}, {69, 1, false, 0}, {71, 3, false, 0},
        {51, 2, true, 0},  {59, 2, false, 1}, {1003, 2, false, 0},
    };
    startWithSongs(songs, 4);
    for (const Row &row : rows) {
        Data::setCurrentSort(0);
        controller->masquerToc();
        controller->gotoSongNo(2, false, true);
        postKey(row.code);
        EXPECT_EQ(Data::songNoG(), row.songAfter) << row.code;
        EXPECT_EQ(controller->tocON(), row.tocAfter) << row.code;
        EXPECT_EQ(Data::currentSort(), row.sortAfter) << row.code;
    }
}

TEST_F(ControllerDispatch, FolderCodesOpenSlotsAndTheHelpFolder)
{
    startWithSongs(songs, 2);
    postKey(vocab::HelpFolder);
    EXPECT_EQ(controller->currentDirNo(), -1);
    // The help pages come first in title order, before the sample song.
    EXPECT_EQ(currentTitle(), QStringLiteral("02 Keyboard Shortcuts"));
    postKey(vocab::OpenFolderSlot0);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 2);
}

TEST_F(ControllerDispatch, KeyPadDigitsTurnPagesOnlyWithTheListHidden)
{
    startWithSongs(songs, 1);
    Data::setOptKeyPad(1);
    setPages(6);
    postKey(29);  // digit 3: page down through the page-down key's action
    EXPECT_EQ(controller->pageNo1(), 3);
    postKey(28);  // digit 2: page up
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_TRUE(controller->rech().isEmpty());
}

TEST_F(ControllerDispatch, PageKeysTurnOwnWindowsFirst)
{
    startWithSongs(songs, 1);
    setPages(6);
    RecordingWindow *own = addWindow(QStringLiteral("Drum"));
    own->setSyncPageChanges(false);
    own->setPageUpdown(true);
    postKey(vocab::PageDownKey);
    EXPECT_EQ(own->ownSteps, QList<bool>{true});
    EXPECT_EQ(controller->pageNo1(), 1);  // the configured page action did not run
    own->setPageUpdown(false);
    postKey(vocab::PageDownKey);
    EXPECT_EQ(controller->pageNo1(), 3);
}

TEST_F(ControllerDispatch, RecordingOnlyEchoesTypedCharacters)
{
    startWithSongs(songs, 3);
    Data::setRecOn(true);
    postKey(1);
    EXPECT_EQ(Data::songNoG(), 1);
    EXPECT_TRUE(controller->rech().isEmpty());
    Data::setRecOn(false);
}

TEST_F(ControllerDispatch, SwipesRunTheirConfiguredActions)
{
    startWithSongs(songs, 4);
    controller->gotoSongNo(3, false, true);
    auto &center = platform::NotificationCenter::defaultCenter();
    Data::setOptReverseMouse(0);
    center.post(vocab::mySwipe, 1);  // left-right: previous / next song, reversed
    EXPECT_EQ(Data::songNoG(), 2);
    center.post(vocab::mySwipe, 2);
    EXPECT_EQ(Data::songNoG(), 3);
    Data::setOptReverseMouse(1);
    center.post(vocab::mySwipe, 2);
    EXPECT_EQ(Data::songNoG(), 2);
    setPages(6);
    center.post(vocab::mySwipe, 4);  // up-down: pages
    EXPECT_EQ(controller->pageNo1(), 3);
    center.post(vocab::mySwipe, 3);
    EXPECT_EQ(controller->pageNo1(), 1);
    center.post(vocab::mySwipe, 11);  // long gestures and others: nothing
    center.post(vocab::mySwipe, 0);
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_EQ(Data::songNoG(), 2);
    Data::setOptReverseMouse(0);
}

TEST_F(ControllerDispatch, KeyActionParameters)
{
    startWithSongs(songs, 2);
    RecordingWindow *lead = addWindow(QStringLiteral("Lead"));
    controller->traiterKeyAction(11, false, QStringLiteral("lead:Go"));
    EXPECT_EQ(lead->messages, QStringList{QStringLiteral("⚠️ Go")});
    controller->traiterKeyAction(12, false, QStringLiteral("Stay"));
    EXPECT_EQ(lead->messages.last(), QStringLiteral("Stay"));
    controller->traiterKeyAction(3, false, QStringLiteral("LEAD"));
    EXPECT_EQ(lead->ownSteps, QList<bool>{true});
    controller->traiterKeyAction(10, false, QStringLiteral("0"));  // tab 9 cannot be reached, 0 does nothing
    EXPECT_EQ(Data::onglNoG(), 0);
    controller->traiterKeyAction(10, false, QStringLiteral("1"));
    EXPECT_EQ(Data::onglNoG(), 0);
    EXPECT_EQ(Data::songNoG(), 1);
}

TEST_F(ControllerDispatch, OpenIsRefusedInTheHelpFolder)
{
    start();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionOpen, QStringLiteral("/tmp/x.pdf"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("This action is disabled in the Help Tolvane."));
}

TEST_F(ControllerDispatch, KeyPrefNamesTheKey)
{
    start();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionKeyPref, 9);
    EXPECT_EQ(controller->lastKeyTest(), QStringLiteral("(other key)"));
    platform::NotificationCenter::defaultCenter().post(vocab::ActionKeyPref, 2);
    EXPECT_EQ(controller->lastKeyTest(), QStringLiteral("Arrow Right (next song)"));
}

TEST_F(ControllerDispatch, CodesFromAnotherThreadRunOnTheMainThread)
{
    startWithSongs(songs, 3);
    std::thread poster([]() { platform::NotificationCenter::defaultCenter().postActionKey(vocab::NextSong); });
    poster.join();
    EXPECT_EQ(Data::songNoG(), 1);
    testsupport::processEvents();
    EXPECT_EQ(Data::songNoG(), 2);
}

TEST_F(ControllerDispatch, OpenHandsAPdfToTheViewerOnly)
{
    // Before, a PDF also went on to the editor (or, with the external-editor
    // option, was opened a second time).
    startWithSongs(songs, 1);
    Data::setOptExtOpen(1);
    desktop.clear();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionOpen, QStringLiteral("/songs/x.pdf"));
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("open /songs/x.pdf")});
    desktop.clear();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionOpen, QStringLiteral("/songs/y.chopro"));
    EXPECT_EQ(desktop.lines(), QStringList{QStringLiteral("open /songs/y.chopro")});
    Data::setOptExtOpen(0);
}

TEST_F(ControllerDispatch, WaitingCommandsOnlyLogAndNeverFallThrough)
{
    // Before, the note, editor, audio and window-menu codes fell through into
    // the MIDI monitor's refresh.
    startWithSongs(songs, 3);
    controller->gotoSongNo(2, false, true);
    manualClock();
    Midi::initTimeLastMSB();
    manualClock().advance(2.0);
    Midi::setLastMSBValue(5);
    const Snapshot before = snapshot();
    for (int code : {46, 55, 73, 107, 216, 217, 1001, 1002, 1010, 1025, 2002, 2003, 2004, 2005})
        postKey(code);
    testsupport::processEvents();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(Midi::lastMSBValue(), 5);
    postKey(vocab::MidiMonitorProgram);
    testsupport::processEvents();
    EXPECT_EQ(Midi::lastMSBValue(), -1);
}

TEST_F(ControllerDispatch, KeyActionsReachTheMetronome)
{
    // Before, actions 13 and 14 only logged that the metronome was missing.
    startWithSongs(songs, 1);
    manualClock();
    Data::setSyncMode(0);
    controller->traiterKeyAction(13, false, QString());
    EXPECT_TRUE(Data::metroOn());
    controller->traiterKeyAction(13, false, QString());  // within half a second: 16 beats, then it stops
    EXPECT_TRUE(controller->gStopAuto());
    controller->stopMetroTimer();
    controller->traiterKeyAction(14, false, QString());
    EXPECT_TRUE(Data::metroOn());
    controller->stopMetroTimer();
    EXPECT_FALSE(Data::metroOn());
}

TEST_F(ControllerDispatch, PlayRequestsSetTheirGenre)
{
    // Before, these left the genre unchanged while waiting for playback.
    startWithSongs(songs, 1);
    auto &center = platform::NotificationCenter::defaultCenter();
    center.post(vocab::ActionGoToGenreNoAndPlayPause, 3);
    EXPECT_EQ(Data::currentGenreG(), 3);
    center.post(vocab::ActionGoToGenreNoAndPlayNow, 4);
    EXPECT_EQ(Data::currentGenreG(), 4);
    center.post(vocab::ActionDemarrerMuteTimer);
    EXPECT_EQ(Data::currentGenreG(), 6);
    EXPECT_TRUE(controller->trackTimerActive()) << "the mute run started";
    center.post(vocab::ActionGoToGenreNoAndPlayNow, -3);
    EXPECT_EQ(Data::currentGenreG(), 6);
    center.post(vocab::ActionGoToGenreNoAndPlayPause, 0);
    EXPECT_FALSE(controller->trackTimerActive()) << "play-pause stops the run";
    EXPECT_EQ(Data::currentGenreG(), 1) << "and the user's genre comes back";
    Data::setCurrentGenreG(0);
}

TEST_F(ControllerDispatch, PlayNowTakesTheSongOffTheFlaggedList)
{
    startWithSongs(songs, 2);
    Data::listePiecesFlagged().clear();
    controller->markAsFlagged(true, false);
    ASSERT_TRUE(Data::getPiece(1)->pieceDet->flagged);
    controller->traiterKeyAction(27, false, QString());
    EXPECT_FALSE(Data::getPiece(1)->pieceDet->flagged);
    EXPECT_TRUE(Data::listePiecesFlagged().isEmpty());
}

TEST_F(ControllerDispatch, KeyPrefFollowsTheKeyPadBoxOfTheOpenWindow)
{
    // Before, the key test read the option as it was at start, not the box being edited.
    start();
    controller->actionPref();
    PreferencesDialog *prefs = ControllerTestAccess::preferences(*controller);
    ASSERT_TRUE(prefs);
    for (QCheckBox *box : prefs->findChildren<QCheckBox *>())
        if (box->text().startsWith(QStringLiteral("On-screen key pad")))
            box->setChecked(true);
    platform::NotificationCenter::defaultCenter().post(vocab::ActionKeyPref, 9);
    EXPECT_EQ(prefs->keyTestText(), QStringLiteral("Page Up (customizable)"));
    prefs->actionPrefClear();
    EXPECT_TRUE(prefs->keyTestText().isEmpty());
    prefs->reject();
    EXPECT_EQ(Data::optKeyPad(), 1);  // closing applied the box
    Data::setOptKeyPad(0);
}
