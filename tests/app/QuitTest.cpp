#include "app/Application.h"
#include "audio/library/MusicFolderIndex.h"
#include "controller/Controller.h"
#include "controller/MenuTexts.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/WinEdit.h"
#include "chords/SongFileEdit.h"
#include "chords/windows/ChordLibrary.h"
#include "events/windows/WinNote.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "library/Pieces.h"
#include "library/TabDet.h"
#include "platform/Dialogs.h"
#include "platform/InstanceLock.h"
#include "platform/MainMenu.h"
#include "settings/DataPref4.h"
#include "settings/DataPref6.h"
#include "settings/DataPref7.h"
#include "platform/UserDefaults.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include "ProgramUnderTest.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>
#include <vector>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Before, quitting closed every window first, so shut-down found no Tolvane
// window and the layout was never saved.
TEST(Quit, QuittingSavesTheWindowLayout)
{
    const QString program = programtest::programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    // Its readers' children end with it: before, the spare was left to the
    // system, killed as its parent died and reaped a second later by init.
    // The test adopts what the program leaves, already there once it is reaped.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const QList<int> before = testsupport::readerChildren();
    const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}});
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    QList<int> left = testsupport::readerChildren();
    left.removeIf([&before](int pid) { return before.contains(pid); });
    for (const int pid : left) {
        testsupport::signalChild(pid, SIGKILL); // one left running would be waited for ever
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_TRUE(left.isEmpty()) << left.size() << " reader children left";
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    platform::UserDefaults stored;
    ASSERT_TRUE(stored.open(home.filePath(QStringLiteral("config/defaults.sqlite"))));
    // The offscreen platform has one screen: set 1's layout for one screen.
    EXPECT_EQ(stored.integerForKey(QStringLiteral("initialScreenSetNo")), 1);
    EXPECT_TRUE(stored.boolForKey(QStringLiteral("lastExec11Saved")));
    EXPECT_EQ(stored.integerForKey(QStringLiteral("lastExec11nbWin")), 1);
    EXPECT_EQ(stored.integerForKey(QStringLiteral("lastExec10winType")), 0);
}

// Before, logging out or shutting down (SIGTERM) killed the program outright:
// nothing of the shut-down ran and the session's settings were lost.
TEST(Quit, TerminationSignalQuitsLikeTheQuitCommand)
{
    const QString program = programtest::programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}},
                                                  "TolvaneAppDelegate applicationDidFinishLaunching");
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    ASSERT_TRUE(run.markerSeen) << run.errors.toStdString();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();

    platform::UserDefaults stored;
    ASSERT_TRUE(stored.open(home.filePath(QStringLiteral("config/defaults.sqlite"))));
    EXPECT_EQ(stored.integerForKey(QStringLiteral("initialScreenSetNo")), 1);
}

// Before, a link to a pipe in the music folder held the index's scan in its
// read, and SIGTERM then waited on the scan for good.
TEST(Quit, TerminationSignalQuitsWithLinksToAPipeAndADeviceInTheMusicFolder)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString music = home.filePath(QStringLiteral("Music"));
    ASSERT_TRUE(QDir().mkpath(music));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("pipe")), music + QStringLiteral("/pipe.flac")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), music + QStringLiteral("/zero.mp3")));

    const programtest::Run run = programtest::run(
        home, {{QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}, {QStringLiteral("XDG_MUSIC_DIR"), music}},
        "TolvaneAppDelegate applicationDidFinishLaunching");
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    ASSERT_TRUE(run.markerSeen) << run.errors.toStdString();
    ASSERT_TRUE(run.finished) << "still running two minutes after SIGTERM";
    EXPECT_LT(run.msToEnd, 5000);
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Music index: 2 files skipped: 2 not a regular file")))
        << run.errors.toStdString();
}

namespace {

const QString kTyped = QStringLiteral("typed on stage");

// A library folder in slot 0 holding one song, the plain notes window in use.
QString seedLibrary(const QTemporaryDir &home, const QString &song, const QByteArray &bytes,
                    const std::function<void(platform::UserDefaults &)> &more = {})
{
    const QString songs = home.filePath(QStringLiteral("songs"));
    QDir().mkpath(songs);
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    const QString path = songs + QLatin1Char('/') + song;
    if (song.endsWith(QLatin1String(".pdf")))
        testsupport::writePdf(path, 1);
    else
        testsupport::writeFile(path, bytes);
    platform::UserDefaults d;
    d.open(home.filePath(QStringLiteral("config/defaults.sqlite")));
    d.setBool(QStringLiteral("dirIsanURL0"), true);
    d.setData(QStringLiteral("url0"), songs.toUtf8());
    d.setInteger(QStringLiteral("dirNo"), 0);
    d.setInteger(QStringLiteral("NbrExec"), 3);
    d.setBool(QStringLiteral("NoteTextMode"), true);
    if (more)
        more(d);
    d.close();
    return path;
}

// Brings a window up as a window manager does; true once it has the keys.
bool active(QWidget *window)
{
    if (!window || !window->isVisible())
        return false;
    if (!window->isActiveWindow())
        window->activateWindow();
    return window->isActiveWindow();
}

void typeAtTheEnd(QWidget *field)
{
    testsupport::clickThroughWindow(field);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), kTyped);
}

QPushButton *buttonOf(QWidget *window, const QString &text)
{
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->text() == text)
            return button;
    return nullptr;
}

bool songShown(const QString &song)
{
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    return piece && piece->pieceDet && piece->pieceDet->fichier == song;
}

// What the child does once its program runs, a step at a time; each answers
// whether it is done. The last one leaves the program for the SIGTERM.
using Step = std::function<bool(Controller &c, const QString &song)>;

// Once the row's song shows, the item of the main menu reached by path is
// picked, as the performer picks it. A turn later: a window that runs its own
// loop then leaves the steps going.
Step pick(const QStringList &path)
{
    return [path](Controller &, const QString &song) {
        if (!songShown(song))
            return false;
        QAction *item = testsupport::menuItem(MainMenu::instance().menu(path.first()), path.mid(1));
        if (!item)
            qFatal("no menu item %s", qPrintable(path.join(QLatin1Char('>'))));
        QTimer::singleShot(0, item, &QAction::trigger);
        return true;
    };
}

// One quit with something the performer did that cannot be written as it
// stands; what it seeds, does and leaves.
struct QuitRow {
    const char *name;
    const char *song;
    QByteArray bytes;
    std::vector<Step> steps;
    bool storeReadOnly = false;
    std::function<void(platform::UserDefaults &)> seedStore;
    // Where the edit must be found after the quit (a kept copy), and what the next start says.
    const char *keptName = nullptr;
    const char *said = nullptr;
    // What is on a share that answers only once main has returned.
    enum class Held { Nothing, SongFile, MusicFile } held = Held::Nothing;
    bool earlierRun = false; // the store as a run of the program left it
    // Or what the store must hold after the quit, nothing kept aside.
    std::function<void(const platform::UserDefaults &)> stored = {};
    // What the kept song holds besides its own text (else what was typed).
    const char *keptHolds = nullptr;
    bool notesHeld = false; // the notes on a share that never answers
    qint64 quitMs = 5000;   // how long the quit may take, from SIGTERM to the end
};

// Such a share: it answers as the static objects go, and the process ends
// once the thread it held has gone as far as the answer lets it: back in its
// event loop with nothing left to do, or stopped for good.
struct ShareAnsweringAtTheExit {
    testsupport::Gate exit, throughWithIt;
    std::atomic<bool> held = false;
    std::atomic<bool> ended = false;
    std::atomic<std::thread::id> heldThread;
    ~ShareAnsweringAtTheExit()
    {
        ended = true;
        exit.open();
        if (held)
            throughWithIt.wait();
    }
} shareAtTheExit;

} // namespace

// Where the program stops a thread for good.
extern "C" int pause()
{
    if (std::this_thread::get_id() == shareAtTheExit.heldThread.load())
        shareAtTheExit.throughWithIt.open();
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    return sigsuspend(&mask);
}

namespace {

// Holds the call of the thread `held` until the exit.
void heldToTheExit(std::thread::id held = std::this_thread::get_id())
{
    shareAtTheExit.heldThread = held;
    shareAtTheExit.held = true;
    shareAtTheExit.exit.wait();
}

PageRenderer::FileLook songHeldToTheExit(const QString &song)
{
    return [song](const QString &path) {
        const std::optional<platform::FileStamp> stamp = platform::regularFileStamp(path);
        if (path == song) {
            QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                             [through = shareAtTheExit.throughWithIt]() mutable { through.open(); });
            heldToTheExit();
        }
        return stamp;
    };
}

// TagLib reads a song through the share: its bytes come once main has returned.
audio::MusicFolderIndex::TrackReader readThroughTheShare()
{
    return [](const QString &path, int, const std::atomic<bool> &stop) {
        int share[2];
        if (::pipe(share) != 0)
            qFatal("no pipe");
        std::thread([in = share[1], scan = std::this_thread::get_id()] {
            heldToTheExit(scan);
            const char tagged[] = "ID3\x04\0\0\0\0\0\x0fTIT2\0\0\0\x05\0\0\x03Song";
            if (::write(in, tagged, sizeof tagged - 1) != sizeof tagged - 1)
                qFatal("the share could not answer");
        }).detach();
        std::optional<audio::Track> track = audio::MusicFolderIndex::readTrack(path, share[0], stop);
        if (shareAtTheExit.ended)
            qFatal("the music scan went on after the program had ended");
        return track;
    };
}

std::vector<QuitRow> quitRows()
{
    const Step editorTyped = [](Controller &c, const QString &song) {
        WinEdit *editor = c.winEditController();
        if (!active(editor))
            return false;
        typeAtTheEnd(editor->txViewEdit());
        // The song's place is taken: its file cannot be written.
        if (QFileInfo(song).suffix() == QLatin1String("cho") && QFile::remove(song))
            QDir().mkdir(song);
        return true;
    };
    const Step editorOnASilentShare = [](Controller &c, const QString &) {
        if (!active(c.winEditController()))
            return false;
        typeAtTheEnd(c.winEditController()->txViewEdit());
        songfile::setFileCall([](const QString &) { testsupport::Gate().wait(); });
        return true;
    };
    // Only the key can end the program: the SIGTERM that follows is ignored.
    const Step quitKey = [](Controller &, const QString &) {
        std::signal(SIGTERM, SIG_IGN);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
        return true;
    };
    // A new row in the window's table, its cell typed in and left without Tab or Return.
    const auto cellTyped = [](QWidget *window) {
        if (!active(window))
            return false;
        testsupport::clickThroughWindow(buttonOf(window, QStringLiteral("+")));
        QTest::keyClicks(QApplication::focusWidget(), kTyped);
        return true;
    };
    std::vector<QuitRow> rows = {
        {"note", "Ballad.pdf", {},
         {pick({"Window", "Notes"}),
          [](Controller &c, const QString &song) {
              WinNote *text = c.winNote();
              if (!text->textView()->toPlainText().startsWith(QStringLiteral("Old words")) || !active(text))
                  return false;
              typeAtTheEnd(text->textView());
              const QString note = notefile::notePathForSong(song);
              return QFile::remove(note) && QDir().mkdir(note);
          }},
         false, {}, "Ballad (edit not saved *).txt", "An edited note could not be saved when Tolvane last quit"},
        {"song", "Lullaby.cho", "{title:Lullaby}\nOld words\n",
         {pick({"Song", "Open in Editor"}), editorTyped},
         false, {}, "Lullaby (edit not saved *).cho", "An edited song could not be saved when Tolvane last quit"},
        // Before, the editor wrote the song on the main thread: a silent share held the quit for good.
        {"song on a silent share", "Lullaby.cho", "{title:Lullaby}\nOld words\n",
         {pick({"Song", "Open in Editor"}), editorOnASilentShare},
         false, {}, "Lullaby (edit not saved *).cho", "An edited song could not be saved when Tolvane last quit"},
        // Before, the chord library's edit waiting on the share was dropped at the quit with a log line.
        {"chord library edit on a silent share", "Lullaby.cho", "{title:Lullaby}\nOld words\n",
         {pick({"Window", "Guitar Chord Library…"}),
          [](Controller &c, const QString &) {
              ChordLibrary *chords = c.chordLibrary(0, false);
              if (!chords || !chords->isVisible() || chords->songReading() || chords->songPath().isEmpty())
                  return false;
              songfile::setFileCall([](const QString &) { testsupport::Gate().wait(); });
              chords->insertChordinDefinedChordsFromRow(0);
              return chords->songEditing();
          }},
         false, {}, "Lullaby (edit not saved *).cho", "An edited song could not be saved when Tolvane last quit",
         {}, false, {}, "{define: "},
        // Before, the editor's save alone took the whole second, and the rest of the quit came after it.
        {"note and song on silent shares", "Lullaby.cho", "{title:Lullaby}\nOld words\n",
         {pick({"Window", "Notes"}),
          [](Controller &c, const QString &) {
              if (!active(c.winNote()))
                  return false;
              typeAtTheEnd(c.winNote()->textView());
              return true;
          },
          pick({"Song", "Open in Editor"}), editorOnASilentShare},
         false, {}, "Lullaby (edit not saved *).cho", "An edited note could not be saved when Tolvane last quit",
         QuitRow::Held::Nothing, false, {}, nullptr, true, 1000},
        // Still titled "Title", from the template: before, it was dropped even in a writable folder.
        {"new song", "Ballad.pdf", {},
         {pick({"Song", "New ChordPro Song"}), editorTyped},
         false, {}, "New song (edit not saved *).cho", "An edited song could not be saved when Tolvane last quit"},
        // Before, the question's loop ended with its default, "No", and the new name was lost.
        {"question", "Ballad.pdf", {},
         {[](Controller &c, const QString &song) {
              if (!songShown(song))
                  return false;
              QTimer::singleShot(0, &c, [&c]() { c.editerSetlist(3); });
              return true;
          },
          [](Controller &c, const QString &) {
              DataPref6 *editor = c.setlistEditor();
              if (!active(editor))
                  return false;
              testsupport::clickThroughWindow(editor->tabName());
              QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
              QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Friday"));
              QPushButton *cancel = buttonOf(editor, QStringLiteral("Cancel"));
              QTimer::singleShot(0, cancel, [cancel]() { QTest::mouseClick(cancel, Qt::LeftButton); });
              return true;
          },
          [](Controller &, const QString &) {
              const QWidget *modal = QApplication::activeModalWidget();
              const auto *label = modal ? modal->findChild<QLabel *>() : nullptr;
              return label && label->text() == QStringLiteral("Save changes?");
          }},
         false,
         [](platform::UserDefaults &d) {
             d.setString(TabDet::key("TabName", 0, 3), QStringLiteral("Gig"));
             d.setString(TabDet::key("list", 0, 3), QStringLiteral("Ballad.pdf\n"));
             d.setInteger(TabDet::key("OptSel", 0, 3), 3);
         }},
        // Before, the settings the file refused at the quit were dropped with a log line.
        {"settings", "Ballad.pdf", {},
         {pick({"Window", "Tags…"}),
          [](Controller &c, const QString &) {
              DataPref7 *tags = c.tagList();
              if (!active(tags))
                  return false;
              QTest::mouseClick(buttonOf(tags, QStringLiteral("+")), Qt::LeftButton);
              return Data::tags().contains(QStringLiteral("Tag1"));
          }},
         true, {}, "Settings (edit not saved *).json",
         "Settings changed before Tolvane last quit could not be written to the settings file"},
        // Before, the renderer's thread went on after the exit had destroyed the clock: SIGABRT.
        {"held song file", "Ballad.pdf", {},
         {[](Controller &, const QString &) { return shareAtTheExit.held.load(); }},
         false, {}, nullptr, nullptr, QuitRow::Held::SongFile},
        // Before, the music scan held in TagLib's read went on parsing after the exit had begun.
        {"held music scan", "Ballad.pdf", {},
         {[](Controller &, const QString &song) { return songShown(song) && shareAtTheExit.held.load(); }},
         false, {}, nullptr, nullptr, QuitRow::Held::MusicFile},
        // Before, a read-only store kept every value the program wrote at each quit, and each start said so.
        {"settings unchanged", "Ballad.pdf", {}, {[](Controller &, const QString &song) { return songShown(song); }},
         true, {}, nullptr, nullptr, {}, true},
        // Before, the song shown, which the file never held, was kept at every quit and said at the next start.
        {"settings never stored", "Ballad.pdf", {}, {[](Controller &, const QString &song) { return songShown(song); }},
         true, {}},
        // Before, the options were written before the open window applied its change.
        {"preferences", "Ballad.pdf", {},
         {pick({"1 ▹ songs", "Preferences…"}),
          [](Controller &, const QString &) {
              QWidget *window = QApplication::activeModalWidget();
              if (!active(window))
                  return false;
              for (QCheckBox *box : window->findChildren<QCheckBox *>())
                  if (box->text() == QStringLiteral("Reverse swipe direction"))
                      testsupport::clickThroughWindow(box, QPoint(box->height() / 2, box->height() / 2));
              return true;
          }},
         false, {}, nullptr, nullptr, {}, false,
         [](const platform::UserDefaults &d) { EXPECT_TRUE(d.boolForKey(QStringLiteral("genOptReverseMouse"))); }},
        // Before, a cell still being typed was not in what the window's close stored.
        {"window identifier cell", "Ballad.pdf", {},
         {pick({"Window", "Window Identifiers…"}),
          [cellTyped](Controller &c, const QString &) { return cellTyped(c.winIDEditor()); }},
         false, {}, nullptr, nullptr, {}, false,
         [](const platform::UserDefaults &d) { EXPECT_EQ(d.stringForKey(QStringLiteral("WinID_idWin_2")), kTyped); }},
        {"tag cell", "Ballad.pdf", {},
         {pick({"Window", "Tags…"}), [cellTyped](Controller &c, const QString &) { return cellTyped(c.tagList()); }},
         false, {}, nullptr, nullptr, {}, false,
         [](const platform::UserDefaults &d) {
             EXPECT_TRUE(d.stringForKey(QStringLiteral("tagStr")).contains(kTyped));
         }},
        // Before, the modal editor shadowed the windows holding the menu's quit key, and the key did nothing.
        {"quit key in the editor", "Lullaby.cho", "{title:Lullaby}\nOld words\n",
         {pick({"Song", "Open in Editor"}), editorTyped, quitKey},
         false, {}, "Lullaby (edit not saved *).cho", "An edited song could not be saved when Tolvane last quit"},
        {"quit key at a text question", "Ballad.pdf", {},
         {[](Controller &c, const QString &song) {
              if (!songShown(song))
                  return false;
              QTimer::singleShot(0, &c, [&c]() { c.renameScreenset(); });
              return true;
          },
          [](Controller &, const QString &) {
              if (!platform::isQuestion(QApplication::activeModalWidget()) || !active(QApplication::activeModalWidget()))
                  return false;
              QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Friday"));
              return true;
          },
          quitKey},
         false, {}, nullptr, nullptr, {}, false,
         [](const platform::UserDefaults &d) {
             EXPECT_NE(d.stringForKey(controller::screenSetNameKey(1, 1)), QStringLiteral("Friday")) << "answered as cancel";
         }},
    };
    // Before, the quit key did nothing while a question was up; at the save question it keeps the changes.
    QuitRow atTheSave = *std::find_if(rows.begin(), rows.end(), [](const QuitRow &row) { return row.name == std::string("question"); });
    atTheSave.name = "quit key at the save question";
    atTheSave.steps.push_back(quitKey);
    rows.push_back(atTheSave);
    return rows;
}

// The program's own run, in the child a row starts: the Application runs,
// the row's steps are taken, and SIGTERM comes.
void runQuitRow(const QuitRow &row, const QString &song)
{
    std::optional<windowfactory::ScopedCreator> onTheShare;
    std::optional<NoteWriter::ScopedFileCall> notesOnTheShare;
    if (row.notesHeld)
        notesOnTheShare.emplace([](const QString &) { testsupport::Gate().wait(); });
    if (row.held == QuitRow::Held::SongFile)
        onTheShare.emplace(0, [song] { return new WindowPDFx(nullptr, songHeldToTheExit(song)); });
    // Outlives the Application, which uninstalls the library in its end.
    std::optional<audio::MusicFolderIndex> musicOnTheShare;
    if (row.held == QuitRow::Held::MusicFile) {
        qputenv("XDG_MUSIC_DIR", QFile::encodeName(QFileInfo(song).absolutePath()));
        testsupport::writeFile(QFileInfo(song).absolutePath() + QStringLiteral("/On the share.mp3"), "ID3");
    }
    platform::InstanceLock instance(Application::settingsFolder());
    Application application(*qobject_cast<QApplication *>(QCoreApplication::instance()), instance);
    if (row.held == QuitRow::Held::MusicFile) {
        musicOnTheShare.emplace(QString(), QString(), readThroughTheShare());
        audio::setMusicLibrary(&*musicOnTheShare);
    }
    if (row.storeReadOnly)
        platform::UserDefaults::standard().setFault([](platform::UserDefaults::Step step) {
            return step == platform::UserDefaults::Step::Write ? SQLITE_READONLY : SQLITE_OK;
        });
    size_t next = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        Controller *c = application.controller();
        if (!c || !c->winNote() || next >= row.steps.size())
            return; // start-up is not through yet
        if (row.steps[next](*c, song) && ++next == row.steps.size())
            fprintf(stderr, "child: ready\n");
    });
    poll.start(20);
    application.run();
}

// ThreadSanitizer slows the work besides the quit's waits about eightfold: the
// waits themselves keep their budget.
qint64 quitLimitMs(qint64 limitMs)
{
#if defined(__SANITIZE_THREAD__)
    constexpr bool slowed = true;
#elif defined(__has_feature)
    constexpr bool slowed = __has_feature(thread_sanitizer);
#else
    constexpr bool slowed = false;
#endif
    return slowed ? platform::kQuitWaitsMs + (limitMs - platform::kQuitWaitsMs) * 8 : limitMs;
}

QFileInfoList keptIn(const QTemporaryDir &home, const char *name)
{
    return QDir(home.filePath(QStringLiteral(".local/share/tolvane/Kept notes")))
        .entryInfoList({QString::fromUtf8(name)}, QDir::Files);
}

} // namespace

// Before, SIGTERM (a logout) with an edit that could not be written opened an
// alert nobody answered, or the edit was in no file; each row quits with one
// such edit and must end at once, keep it, and say so at the next start.
TEST(Quit, AQuitKeepsEveryEditItCannotWrite)
{
    const std::vector<QuitRow> rows = quitRows();
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_QUIT_ROW")) {
        for (const QuitRow &row : rows)
            if (qEnvironmentVariable("TOLVANE_TEST_QUIT_ROW") == QLatin1String(row.name))
                runQuitRow(row, qEnvironmentVariable("TOLVANE_TEST_SONG"));
        return;
    }
    // A failed row leaves its lambda, not the test: every row is tried.
    const auto quitOnce = [](const QuitRow &row) {
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        const QString song = seedLibrary(home, QString::fromUtf8(row.song), row.bytes, row.seedStore);
        if (QString::fromUtf8(row.name) == QLatin1String("note"))
            testsupport::writeFile(notefile::notePathForSong(song), "Old words\n");
        if (row.earlierRun)
            programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("1500")}});
        const programtest::Run quit = programtest::run(
            home, {{QStringLiteral("TOLVANE_TEST_QUIT_ROW"), QString::fromUtf8(row.name)}, {QStringLiteral("TOLVANE_TEST_SONG"), song}},
            "child: ready", {},
            {QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=Quit.AQuitKeepsEveryEditItCannotWrite")});
        const std::string errors = quit.errors.toStdString();
        ASSERT_TRUE(quit.markerSeen) << errors;
        ASSERT_TRUE(quit.finished) << "still running after SIGTERM\n" << errors;
        EXPECT_LT(quit.msToEnd, quitLimitMs(row.quitMs));
        // Before, a quit waited two seconds on a store that had refused every write.
        EXPECT_FALSE(row.storeReadOnly && quit.errors.contains(QStringLiteral("UserDefaults close: waiting"))) << errors;
        EXPECT_EQ(quit.exitStatus, QProcess::NormalExit) << errors;
        EXPECT_EQ(quit.exitCode, 0) << errors;
        if (row.held != QuitRow::Held::Nothing)
            return;

        if (row.storeReadOnly && !row.keptName) {
            EXPECT_TRUE(keptIn(home, "*").isEmpty()) << errors;
            const programtest::Run next = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}});
            EXPECT_FALSE(next.errors.contains(QStringLiteral("last quit"))) << next.errors.toStdString();
            return;
        }
        if (row.stored) {
            platform::UserDefaults stored;
            ASSERT_TRUE(stored.open(home.filePath(QStringLiteral("config/defaults.sqlite"))));
            return row.stored(stored);
        }
        if (!row.keptName) {
            // The question cut short by the quit counts as "Yes".
            platform::UserDefaults stored;
            ASSERT_TRUE(stored.open(home.filePath(QStringLiteral("config/defaults.sqlite"))));
            EXPECT_EQ(stored.stringForKey(TabDet::key("TabName", 0, 3)), QStringLiteral("Friday")) << errors;
            EXPECT_EQ(stored.stringForKey(TabDet::key("list", 0, 3)), QStringLiteral("Ballad.pdf\n")) << errors;
            EXPECT_TRUE(keptIn(home, "*").isEmpty());
            return;
        }
        const QFileInfoList kept = keptIn(home, row.keptName);
        ASSERT_EQ(kept.size(), 1) << errors;
        EXPECT_TRUE(quit.errors.contains(kept.first().filePath())) << "the log says where";
        QFile file(kept.first().filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray copy = file.readAll();
        if (row.keptHolds) {
            // The whole song as the edit made it.
            EXPECT_TRUE(copy.startsWith("{title:Lullaby}\n") && copy.contains(row.keptHolds) && copy.endsWith("Old words\n"))
                << copy.toStdString();
        } else {
            EXPECT_TRUE(copy.contains(kTyped.toUtf8()) || copy.contains("Tag1")) << copy.toStdString();
            if (QString::fromUtf8(row.song).endsWith(QLatin1String(".cho")) || QString::fromUtf8(row.name) == QLatin1String("note")) {
                EXPECT_TRUE(copy.startsWith("Old words") || copy.startsWith("{title:Lullaby}\nOld words")) << copy.toStdString();
            }
        }

        // The next start says so once, on the message line.
        const QString said = QStringLiteral("Controller: ") + QString::fromUtf8(row.said);
        for (int start : {1, 2}) {
            SCOPED_TRACE(start);
            const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")},
                                                                 {QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}});
            ASSERT_TRUE(run.finished) << run.errors.toStdString();
            EXPECT_EQ(run.errors.count(said), start == 1 ? 1 : 0) << run.errors.toStdString();
            if (start == 1) {
                EXPECT_TRUE(run.errors.contains(kept.first().fileName())) << run.errors.toStdString();
            }
        }
    };
    for (const QuitRow &row : rows) {
        SCOPED_TRACE(row.name);
        quitOnce(row);
    }
}
