#include "ControllerTestSupport.h"

#include "midi/Midi.h"
#include "midi/windows/MidiPref.h"
#include "midi/windows/MidiPref2.h"
#include "midi/windows/MidiPref3.h"
#include "midi/windows/MidiWindows.h"
#include "platform/UserDefaults.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/GatedScan.h"
#include "settings/DataPref4.h"
#include "settings/DataPref7.h"
#include "windows/TableControls.h"
#include "windows/WindowPDFx.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <atomic>
#include <sqlite3.h>
#include <QMenu>

using namespace controllertest;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

const QString kSampleOffer = QStringLiteral(
    "No PDF or ChordPro files found in the selected folder.\nSelect Yes to create a sample ChordPro file.");

} // namespace

class ControllerStartup : public ControllerFixture {};

TEST_F(ControllerStartup, FirstRunShowsTheHelpFolderSong)
{
    start();
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_EQ(controller->folderMenu()->title(), QStringLiteral("? ▹ Help Tolvane"));
    for (int n = 0; n < controller::SlotCount; ++n)
        EXPECT_TRUE(store().boolForKey(QStringLiteral("dirIsanURL%1").arg(n))) << n;
    // Fifteen help pages and the sample song, the pages first in title order.
    EXPECT_EQ(Data::songNbrG(), 16);
    EXPECT_EQ(Data::songNoG(), 1);
    EXPECT_EQ(currentTitle(), QStringLiteral("02 Keyboard Shortcuts"));
    ASSERT_TRUE(window());
    ASSERT_TRUE(window()->pieceCour());
    EXPECT_TRUE(window()->pieceCour()->pieceDet->fichier.endsWith(
        QStringLiteral("Help Tolvane/02 Keyboard Shortcuts(Ostrelle).pdf")));
    EXPECT_TRUE(controller->tocON());
    EXPECT_EQ(controller->nbrExec(), 2);

    controller->applicationWillTerminate();
    EXPECT_EQ(store().integerForKey(QStringLiteral("NbrExec")), 2);
    EXPECT_EQ(store().integerForKey(QStringLiteral("dirNo")), -1);
    EXPECT_TRUE(store().boolForKey(QStringLiteral("OptWasSaved")));
    EXPECT_TRUE(store().boolForKey(QStringLiteral("OptWasSaved2D")));
    EXPECT_TRUE(store().boolForKey(QStringLiteral("OptWasSaved3K")));
}

TEST_F(ControllerStartup, FirstRunFallbacksReachTheGlobalState)
{
    // Before, a first run left these at 0 while the preferences showed them on.
    Data::setOptCenterMouse(0);
    Data::setOptZoomRedLine(0);
    Data::setOptHalfPageMarker(0);
    Data::setOptGap(1);
    start();
    EXPECT_EQ(Data::optCenterMouse(), 1);
    EXPECT_EQ(Data::optZoomRedLine(), 1);
    EXPECT_EQ(Data::optHalfPageMarker(), 2);
    EXPECT_EQ(Data::optGap(), 0);
}

TEST_F(ControllerStartup, RestartOpensTheChosenFolderAtTheLastSong)
{
    QTemporaryDir songs;
    folderWithSongs(songs, 5);
    start();
    dialogs.answerPath(songs.path());
    controller->refreshAfterRead(0, false);  // slot 0 is unassigned: the chooser opens
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 5);
    controller->gotoSongNo(3, false, true);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));

    restart();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));
    EXPECT_EQ(window()->pieceCour()->pieceDet->titre, QStringLiteral("Song 03"));
    EXPECT_TRUE(controller->folderMenu()->title().startsWith(QStringLiteral("1 ▹ ")));
    EXPECT_EQ(controller->nbrExec(), 3);
}

TEST_F(ControllerStartup, TheSlotsContinuousPlayFlagComesBackChecked)
{
    QTemporaryDir songs;
    folderWithSongs(songs, 2);
    start();
    dialogs.answerPath(songs.path());
    controller->refreshAfterRead(0, false);
    folderRead();
    auto continuousPlay = [this]() -> QAction * {
        for (QAction *action : controller->folderMenu()->actions())
            if (action->text() == QStringLiteral("Continuous Play"))
                return action;
        return nullptr;
    };
    ASSERT_NE(continuousPlay(), nullptr);
    EXPECT_FALSE(continuousPlay()->isChecked());
    continuousPlay()->trigger();
    EXPECT_TRUE(continuousPlay()->isChecked());

    restart();
    ASSERT_EQ(controller->currentDirNo(), 0);
    ASSERT_NE(continuousPlay(), nullptr);
    EXPECT_TRUE(continuousPlay()->isChecked());
}

TEST_F(ControllerStartup, OlderDirLayoutAsCurrentSlotStartsInTheHelpFolder)
{
    QTemporaryDir songs;
    folderWithSongs(songs, 2);
    store().setString(QStringLiteral("dir1"), songs.path());
    store().setInteger(QStringLiteral("dirNo"), 1);
    store().setInteger(QStringLiteral("NbrExec"), 4);
    start();
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_TRUE(controller->folderSlots().has(1));
    controller->refreshAfterRead(1, false);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 1);
    EXPECT_EQ(Data::songNbrG(), 2);
}

TEST_F(ControllerStartup, EmptyFolderOffersTheSampleOnlyAfterActivation)
{
    QTemporaryDir empty;
    storeSlot(1, empty.path());
    start();
    controller->refreshAfterRead(1, false);
    folderRead();
    EXPECT_FALSE(dialogs.texts().contains(kSampleOffer));
    EXPECT_EQ(controller->currentDirNo(), -1);

    controller->appAct();  // the first activation
    dialogs.answerButton(QStringLiteral("Yes"));
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    ControllerTestAccess::setSongFileCall(*controller, [answers]() { answers.wait(); });
    controller->refreshAfterRead(1, false);
    QFile sample(QDir(empty.path()).filePath(QStringLiteral("Sample.chopro")));
    // Before, the sample was written, and its folder read, on the main thread.
    EXPECT_FALSE(sample.exists());
    answers.open();
    folderRead();
    EXPECT_TRUE(dialogs.texts().contains(kSampleOffer));
    EXPECT_EQ(controller->currentDirNo(), 1);
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    EXPECT_EQ(sample.readAll(), Controller::defaultChordProString().toUtf8());
    EXPECT_EQ(currentTitle(), QStringLiteral("Title"));
}

TEST_F(ControllerStartup, SampleWriteFailureIsReported)
{
    // Before, a failed write went unreported and the folder just stayed empty.
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("Sample.chopro"));  // blocks the file
    storeSlot(2, folder.path());
    start();
    controller->appAct();
    dialogs.answerButton(QStringLiteral("Yes"));
    controller->refreshAfterRead(2, false);
    folderRead();
    bool reported = false;
    for (const QString &text : dialogs.texts())
        reported = reported || text.startsWith(QStringLiteral("The sample ChordPro file could not be written in"));
    EXPECT_TRUE(reported);
    EXPECT_EQ(controller->currentDirNo(), -1);
}

TEST_F(ControllerStartup, EmptySlotFallsBackToSlotZero)
{
    QTemporaryDir songs, empty;
    folderWithSongs(songs, 3);
    storeSlot(0, songs.path());
    storeSlot(3, empty.path());
    start();
    controller->refreshAfterRead(3, false);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 3);
}

TEST_F(ControllerStartup, ChooseAFolderRetriesUntilSongsAreFound)
{
    QTemporaryDir songs, empty;
    folderWithSongs(songs, 2);
    start();
    dialogs.answerPath(empty.path());
    dialogs.answerPath(songs.path());
    controller->doRefresh(4, 2, false, {});
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 4);
    EXPECT_EQ(controller->folderSlots().dir(4), QDir::cleanPath(songs.path()));
    EXPECT_EQ(QString::fromUtf8(store().dataForKey(QStringLiteral("url4"))), QDir::cleanPath(songs.path()));

    // Cancelling the chooser keeps the current folder.
    controller->doRefresh(5, 2, false, {});
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 4);
    EXPECT_EQ(Data::songNbrG(), 2);
}

TEST_F(ControllerStartup, UnassigningAnotherSlotKeepsTheCurrentFolder)
{
    // Before, it loaded the help folder and the stored folder came back at the next start.
    QTemporaryDir a, b;
    folderWithSongs(a, 3);
    folderWithSongs(b, 2);
    storeSlot(0, a.path());
    storeSlot(1, b.path());
    store().setInteger(QStringLiteral("NbrExec"), 2);
    start();
    ASSERT_EQ(controller->currentDirNo(), 0);
    controller->gotoSongNo(2, false, true);
    controller->doRefresh(1, 3, false, {});
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 3);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
    EXPECT_FALSE(store().contains(QStringLiteral("url1")));
    EXPECT_FALSE(controller->folderSlots().has(1));

    controller->doRefresh(0, 3, false, {});  // the current one: the help folder opens
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_FALSE(store().contains(QStringLiteral("url0")));
}

TEST_F(ControllerStartup, EnteringASlotRestoresItsSongAndSort)
{
    // Before, the song of the slot entered was restored only when the song number happened to be 1.
    QTemporaryDir a, b;
    folderWithSongs(a, 5);
    folderWithSongs(b, 5);
    storeSlot(0, a.path());
    storeSlot(1, b.path());
    store().setInteger(QStringLiteral("NbrExec"), 2);
    start();
    controller->gotoSongNo(4, false, true);
    controller->refreshAfterRead(1, false);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 1);
    EXPECT_EQ(Data::songNoG(), 1);
    controller->gotoSongNo(3, false, true);
    controller->refreshAfterRead(0, false);
    folderRead();
    EXPECT_EQ(Data::songNoG(), 4);
    controller->refreshAfterRead(1, false);
    folderRead();
    EXPECT_EQ(Data::songNoG(), 3);
}

TEST_F(ControllerStartup, RefreshOnlyKeepsTheSlotsSong)
{
    QTemporaryDir a;
    startWithSongs(a, 5);
    controller->gotoSongNo(4, false, true);
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_EQ(Data::songNoG(), 4);
}

TEST_F(ControllerStartup, AFolderWithoutSongsLeavesNoCurrentSong)
{
    // Before, the song number became 1 over an empty list and later commands used it.
    qputenv("TOLVANE_DATA_DIR", QByteArrayLiteral("/proc/no-such-place"));
    start();
    EXPECT_EQ(Data::songNbrG(), 0);
    EXPECT_EQ(Data::songNoG(), 0);
    EXPECT_FALSE(window()->pieceCour());
    for (int code : {36, 37, 38, 39, 40, 41, 45, 51, 59, 69, 71, 91, 0, 1, 26, 1003, 1012, 1027})
        postKey(code);
    EXPECT_EQ(Data::songNoG(), 0);
    EXPECT_FALSE(window()->pieceCour());
}

TEST_F(ControllerStartup, PreferencesReachTheGlobalStateAndShutdown)
{
    start();
    controller::ControllerOptions edited = controller->options();
    edited.nextPageSong = true;
    edited.reverseMouse = true;
    edited.keyIndex[size_t(controller::KeyInput::Spacebar)] = 1;
    edited.keyText[size_t(controller::KeyInput::Spacebar)] = QStringLiteral("x");
    controller->preferencesClosed(edited);
    EXPECT_EQ(Data::optNextPageSong(), 1);
    EXPECT_EQ(Data::optReverseMouse(), 1);
    controller->applicationWillTerminate();
    EXPECT_EQ(store().integerForKey(QStringLiteral("genOptNextPageSong")), 1);
    EXPECT_EQ(store().integerForKey(QStringLiteral("genOptReverseMouse")), 1);
    EXPECT_EQ(store().integerForKey(QStringLiteral("optSpacebar")), 1);
    EXPECT_EQ(store().stringForKey(QStringLiteral("optSpacebarTx")), QStringLiteral("x"));
}

TEST_F(ControllerStartup, TheTolvaneWindowShowsTheHelpSong)
{
    // The program's own Tolvane window, not the fixture's recording one.
    windowfactory::ScopedCreator realWindow(0, nullptr);
    controller = std::make_unique<Controller>();
    controller->awakeFromNib();
    ASSERT_EQ(Data::nsMutaryOfWindows().size(), 1);
    auto *tolvane = qobject_cast<WindowPDFx *>(Data::nsMutaryOfWindows().first().data());
    ASSERT_TRUE(tolvane);
    EXPECT_TRUE(tolvane->isVisible());
    ASSERT_TRUE(tolvane->pieceCour());
    EXPECT_EQ(tolvane->pieceCour()->pieceDet->titre, QStringLiteral("02 Keyboard Shortcuts"));
    EXPECT_EQ(tolvane->typeFichierCour(), 0);
}

TEST_F(ControllerStartup, TheGenreChosenLastComesBack)
{
    start();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionGoToGenreNo, 3);
    restart();
    EXPECT_EQ(Data::currentGenreG(), 3);
    EXPECT_EQ(controller->userGenre(), 3);
    platform::UserDefaults::standard().setInteger(QStringLiteral("initialGenreNo"), 42);
    controller.reset();
    start();
    EXPECT_EQ(Data::currentGenreG(), 1);  // a genre the program does not know starts as "Any"
}

TEST_F(ControllerStartup, ASettingsFileSetAsideIsNamedOnceWithoutADialog)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    testsupport::writeFile(path, QByteArray(4096, 'G'));
    platform::UserDefaults::openStandard(path);
    start();
    const QStringList said = window()->messages.filter(QStringLiteral("settings file"));
    ASSERT_EQ(said.size(), 1) << qPrintable(window()->messages.join('\n'));
    EXPECT_TRUE(said[0].contains(QStringLiteral("set aside")));
    EXPECT_TRUE(dialogs.records().isEmpty());
    platform::UserDefaults::openStandard(QString());
}

// Before, a start on a settings file it could not read (locked, disk full)
// stayed on the help folder and, once the file could be written, wrote the
// help folder's "dirNo" -1 and empty slots over it: the library was lost.
TEST_F(ControllerStartup, ASettingsFileReadLateOpensItsFolderAndKeepsIt)
{
    QTemporaryDir songs;
    folderWithSongs(songs, 5);
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    {
        platform::UserDefaults earlier;
        ASSERT_TRUE(earlier.open(path));
        earlier.setData(QStringLiteral("url0"), songs.path().toUtf8());
        earlier.setBool(QStringLiteral("dirIsanURL0"), true);
        earlier.setInteger(QStringLiteral("dirNo"), 0);
        earlier.setInteger(QStringLiteral("NbrExec"), 7);
    }
    std::atomic<bool> locked{true};
    struct FaultGone {
        ~FaultGone() { platform::UserDefaults::standard().setFault(nullptr); }
    } faultGone; // on any way out
    store().setFault([&locked](platform::UserDefaults::Step) { return locked ? SQLITE_BUSY : SQLITE_OK; });
    platform::UserDefaults::openStandard(path);
    start();
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_EQ(window()->messages.filter(QStringLiteral("could not be read")).size(), 1)
        << qPrintable(window()->messages.join('\n'));

    locked = false;
    ASSERT_TRUE(store().waitForWrites(10000));
    QCoreApplication::sendPostedEvents();
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 5);
    EXPECT_EQ(window()->messages.filter(QStringLiteral("its settings are in use now")).size(), 1)
        << qPrintable(window()->messages.join('\n'));
    EXPECT_TRUE(dialogs.records().isEmpty());

    controller->applicationWillTerminate();
    platform::UserDefaults::openStandard(QString());
    platform::UserDefaults stored;
    ASSERT_TRUE(stored.open(path));
    EXPECT_EQ(stored.integerForKey(QStringLiteral("dirNo")), 0);
    EXPECT_EQ(stored.dataForKey(QStringLiteral("url0")), songs.path().toUtf8());
    EXPECT_EQ(stored.integerForKey(QStringLiteral("NbrExec")), 8);
}
