#include "ControllerTestSupport.h"

#include "audio/MusicLibrary.h"
#include "support/CapturedWarnings.h"
#include "support/GatedScan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

using namespace controllertest;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

const QString kWarn = QStringLiteral("⚠️ ");

// The notice of a folder gone, as the windows show it: by its name.
QString notAvailable(const QString &folder)
{
    return kWarn + QStringLiteral("The folder \"%1\" is not available.").arg(QFileInfo(folder).fileName());
}

class ControllerFolders : public ControllerFixture {
protected:
    // A named folder of songs "Song 1" ..., stored in a slot opened at start.
    QString slotFolder(const QTemporaryDir &base, const QString &name, int count, int slot)
    {
        const QString folder = base.filePath(name);
        QDir().mkpath(folder);
        for (int i = 1; i <= count; ++i)
            chordProSong(folder, QStringLiteral("s%1.chopro").arg(i), QStringLiteral("Song %1").arg(i));
        storeSlot(slot, folder);
        store().setInteger(QStringLiteral("dirNo"), slot);
        store().setInteger(QStringLiteral("NbrExec"), 3);
        return folder;
    }

    QStringList allMessages() const
    {
        QStringList out;
        for (const QPointer<RecordingWindow> &w : windows)
            if (w)
                out << w->messages;
        return out;
    }
};

} // namespace

TEST_F(ControllerFolders, AScanPastTheCapSaysSoOnce)
{
    QTemporaryDir songs;
    startWithSongs(songs, 55);
    EXPECT_EQ(Data::songNbrG(), 50);
    EXPECT_EQ(window()->messages.count(kWarn + QStringLiteral("50 songs loaded, 5 files left out")), 1);
    // Paging through the songs says nothing more; the next scan says it again.
    window()->messages.clear();
    controller->gotoSongNo(3, false, true);
    EXPECT_TRUE(window()->messages.filter(QStringLiteral("left out")).isEmpty());
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_EQ(window()->messages.count(kWarn + QStringLiteral("50 songs loaded, 5 files left out")), 1);
}

TEST_F(ControllerFolders, AFolderGoneAtRefreshKeepsTheListsAndLoadsWhenBack)
{
    QTemporaryDir base;
    const QString folder = slotFolder(base, QStringLiteral("Gig"), 4, 0);
    start();
    controller->gotoSongNo(2, false, true);
    ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral(" (unplugged)")));

    testsupport::CapturedWarnings log;
    // Before, the refresh offered a sample song for a folder that did not exist, modally.
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_TRUE(window()->messages.contains(notAvailable(folder)));
    // Before, the row showed the whole path, its start cut off; the log keeps it whole.
    EXPECT_FALSE(log.lines().filter(QStringLiteral("\"%1\" is not available").arg(folder)).isEmpty());
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_EQ(Data::songNbrG(), 4);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 2"));

    ASSERT_TRUE(QDir().rename(folder + QStringLiteral(" (unplugged)"), folder));
    chordProSong(folder, QStringLiteral("s5.chopro"), QStringLiteral("Song 5"));
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_EQ(Data::songNbrG(), 5);
    EXPECT_EQ(controller->currentDirNo(), 0);
}

TEST_F(ControllerFolders, AFolderMissingAtStartKeepsItsSlotAcrossARestart)
{
    QTemporaryDir base;
    const QString stick = slotFolder(base, QStringLiteral("Stick"), 3, 2);
    ASSERT_TRUE(QDir().rename(stick, stick + QStringLiteral("-away")));

    // Before, the help folder replaced it silently and -1 was written at quit.
    start();
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_TRUE(window()->messages.contains(notAvailable(stick)));
    restart();
    EXPECT_EQ(store().integerForKey(QStringLiteral("dirNo")), 2);
    EXPECT_EQ(QString::fromUtf8(store().dataForKey(QStringLiteral("url2"))), stick);

    // Still away: a refresh says so again; once back, a refresh opens it.
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_EQ(window()->messages.count(notAvailable(stick)), 2);
    ASSERT_TRUE(QDir().rename(stick + QStringLiteral("-away"), stick));
    postKey(vocab::RefreshFolder);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 2);
    EXPECT_EQ(Data::songNbrG(), 3);
    EXPECT_TRUE(dialogs.records().isEmpty());
}

// The folder of slot 1 on a share that does not answer, asked for by a key, the menu, the start or
// chosen in the folder menu; or the music folder, a track of which the audio export copies.
struct HeldShare {
    const char *name;
    enum { Key, Menu, Start, Choice, Export } asked;
    const char *shownMeanwhile; // what the next-song key shows meanwhile
    qint64 keptAtQuit;          // the slot a quit meanwhile stores
    bool stickAsStored;         // slot 3's missing folder is still the slot's meanwhile
    bool shareAlone = false;    // the other slots' folders answer
    bool answers = false;       // the share answers before the quit
};

class ControllerHeldShare : public ControllerFolders, public ::testing::WithParamInterface<HeldShare> {
protected:
    const testsupport::MainThreadFilesFail guard; // no file of the library is asked for on the main thread
};

// Before, the key read the whole folder on the main thread and the keys froze
// with the share; the menu item and the start did so still (the start looked
// at every slot's folder there), and a quit waited on the share too.
TEST_P(ControllerHeldShare, KeysAnswerTheRowSaysWhyAndAQuitEndsAtOnce)
{
    const HeldShare &row = GetParam();
    QTemporaryDir songs, base;
    platform::ManualClock &clock = manualClock();
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    const QString stick = base.filePath(QStringLiteral("Stick"));
    const auto share = [answers, row, held = base.filePath(QStringLiteral("Share"))](const QString &path) {
        if (!row.shareAlone || path == held || path.startsWith(held + QLatin1Char('/')))
            answers.wait();
    };
    QTemporaryDir out;
    audio::StaticMusicLibrary music;
    const std::shared_ptr<void> noMusic(nullptr, [](void *) { audio::setMusicLibrary(nullptr); });
    storeSlot(3, stick);
    slotFolder(base, QStringLiteral("Other"), 4, 2);
    const QString shared = slotFolder(base, QStringLiteral("Share"), 2, 1);
    if (row.asked == HeldShare::Start) {
        storeSlot(0, folderWithSongs(songs, 3));
        controller = std::make_unique<Controller>();
        ControllerTestAccess::setSongFileCall(*controller, share);
        controller->awakeFromNib();
    } else {
        startWithSongs(songs, 3);
        ControllerTestAccess::setSongFileCall(*controller, share);
        if (row.asked == HeldShare::Key) {
            postKey(vocab::OpenFolderSlot0 + 1);
        } else if (row.asked == HeldShare::Menu) {
            controller->folderMenu()->actions().at(1)->trigger();
        } else if (row.asked == HeldShare::Export) {
            audio::Track track;
            track.title = QStringLiteral("Song 01");
            track.location = testsupport::writeFile(QDir(shared).filePath(QStringLiteral("Song 01.mp3")), "mp3");
            music.setTracks({track});
            audio::setMusicLibrary(&music);
            controller->exportAudioFiles(true, out.path());
            // Before, the track was copied on the main thread.
            EXPECT_TRUE(QDir(out.path()).isEmpty());
        } else {
            dialogs.answerPath(shared);
            const QStringList item{QStringLiteral("Choose a Folder for"), QStringLiteral("Tolvane 2")};
            testsupport::menuItem(controller->folderMenu(), item)->trigger();
        }
    }
    postKey(vocab::NextSong);
    EXPECT_EQ(currentTitle(), QString::fromUtf8(row.shownMeanwhile));
    if (row.stickAsStored)
        EXPECT_EQ(controller->obtenirDir(3), stick);
    else
        EXPECT_TRUE(testsupport::waitFor([this]() { return controller->obtenirDir(3).isEmpty(); }));
    const QString notice = kWarn + QStringLiteral("The library folder does not answer: \"Share\" opens once it does.");
    if (row.asked != HeldShare::Export) {
        clock.advance(0.4);
        EXPECT_FALSE(allMessages().contains(notice));
        clock.advance(0.2);
        clock.advance(2);
        EXPECT_EQ(allMessages().count(notice), 1);
        // Before, it went after a few seconds, and a start's window was left black saying nothing; once the
        // folder answered, its list came with the notice still up.
        clock.advance(WindowPDFxSuper::kNoticeSeconds * 2);
        EXPECT_EQ(window()->heldNotice(), notice);
    }
    if (row.answers) {
        answers.open();
        folderRead();
        EXPECT_EQ(Data::songNbrG(), 2);
        EXPECT_EQ(window()->heldNotice(), QString());
    }

    QElapsedTimer took;
    took.start();
    controller->applicationWillTerminate();
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_EQ(store().integerForKey(QStringLiteral("dirNo")), row.keptAtQuit);
}

INSTANTIATE_TEST_SUITE_P(Asked, ControllerHeldShare,
                         ::testing::Values(HeldShare{"key", HeldShare::Key, "Song 02", 0, false},
                                           HeldShare{"menu", HeldShare::Menu, "Song 02", 0, false},
                                           // Before, the chosen folder was read on the main thread.
                                           HeldShare{"choice", HeldShare::Choice, "Song 02", 0, false},
                                           HeldShare{"start", HeldShare::Start, "", 1, true},
                                           HeldShare{"start_answering", HeldShare::Start, "", 1, true, false, true},
                                           // Before, one job looked at every slot: a silent one held the others.
                                           HeldShare{"start_one_slot_silent", HeldShare::Start, "", 1, false, true},
                                           HeldShare{"audio_export", HeldShare::Export, "Song 02", 0, false, true}),
                         [](const ::testing::TestParamInfo<HeldShare> &info) { return std::string(info.param.name); });

TEST_F(ControllerFolders, ALaterKeyWinsOverAFolderReadStillWaiting)
{
    QTemporaryDir songs, base;
    slotFolder(base, QStringLiteral("Share"), 2, 1);
    slotFolder(base, QStringLiteral("Other"), 4, 2);
    startWithSongs(songs, 3);
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    ControllerTestAccess::setSongFileCall(*controller, [answers]() { answers.wait(); });
    postKey(vocab::OpenFolderSlot0 + 1);
    postKey(vocab::OpenFolderSlot0 + 2);
    answers.open();
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 2);
    EXPECT_EQ(Data::songNbrG(), 4);
}

TEST_F(ControllerFolders, ASlotKeyForAMissingFolderSaysSoAndOpensItOnceBack)
{
    QTemporaryDir songs, base;
    folderWithSongs(songs, 2);
    const QString stick = base.filePath(QStringLiteral("Stick"));
    storeSlot(0, songs.path());
    storeSlot(3, stick);
    store().setInteger(QStringLiteral("dirNo"), 0);
    store().setInteger(QStringLiteral("NbrExec"), 3);
    start();
    controller->refreshAfterRead(3, false);
    folderRead();
    EXPECT_TRUE(dialogs.records().isEmpty()); // no folder chooser for a slot that has one
    EXPECT_EQ(controller->currentDirNo(), 0);
    EXPECT_TRUE(window()->messages.contains(notAvailable(stick)));

    QDir().mkpath(stick);
    chordProSong(stick, QStringLiteral("a.chopro"), QStringLiteral("On the stick"));
    controller->refreshAfterRead(3, false);
    folderRead();
    EXPECT_EQ(controller->currentDirNo(), 3);
    EXPECT_EQ(currentTitle(), QStringLiteral("On the stick"));
}

TEST_F(ControllerFolders, NamesThatAreNotUtf8AreCountedInOneMessage)
{
    testsupport::RawNamesDir songs;
    for (const QByteArray &name : {QByteArray("caf\xe9.chopro"), QByteArray("\xe0 la carte.pdf")})
        ASSERT_TRUE(songs.addFile(name));
    startWithSongs(songs, 2);
    EXPECT_EQ(Data::songNbrG(), 2);
    EXPECT_EQ(window()->messages.count(kWarn + QStringLiteral("2 files skipped: their names are not valid UTF-8")), 1);
}
