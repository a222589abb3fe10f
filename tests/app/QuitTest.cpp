#include "app/Application.h"
#include "controller/Controller.h"
#include "events/windows/WinNote.h"
#include "platform/InstanceLock.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include "ProgramUnderTest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Before, quitting closed every window first, so shut-down found no Tolvane
// window and the layout was never saved.
TEST(Quit, QuittingSavesTheWindowLayout)
{
    const QString program = programtest::programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}});
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

const QByteArray kTyped = "typed on stage";

// A library folder with one song and its note in slot 0, the plain notes window in use.
QString seedLibrary(const QTemporaryDir &home)
{
    const QString songs = home.filePath(QStringLiteral("songs"));
    QDir().mkpath(songs);
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    testsupport::writePdf(songs + QStringLiteral("/Ballad.pdf"), 1);
    platform::UserDefaults d;
    d.open(home.filePath(QStringLiteral("config/defaults.sqlite")));
    d.setBool(QStringLiteral("dirIsanURL0"), true);
    d.setData(QStringLiteral("url0"), songs.toUtf8());
    d.setInteger(QStringLiteral("dirNo"), 0);
    d.setInteger(QStringLiteral("NbrExec"), 3);
    d.setBool(QStringLiteral("NoteTextMode"), true);
    d.close();
    return testsupport::writeFile(songs + QStringLiteral("/Ballad.txt"), "Old words\n");
}

// The program's own run, in the child the test below starts: the Application
// runs, the note is typed into, a folder is put where it was, and SIGTERM comes.
void editTheNoteThenWaitForTheSignal(const QString &note)
{
    platform::InstanceLock instance(Application::settingsFolder());
    Application application(*qobject_cast<QApplication *>(QCoreApplication::instance()), instance);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        Controller *c = application.controller();
        WinNote *text = c ? c->winNote() : nullptr;
        if (!text)
            return; // start-up is not through yet
        if (!text->isVisible())
            c->actionMenuItemNotes(); // Window > Notes
        if (!text->textView()->toPlainText().startsWith(QStringLiteral("Old words")))
            return; // nor the first song
        if (!text->isActiveWindow()) {
            text->activateWindow();
            return;
        }
        poll.stop();
        testsupport::clickThroughWindow(text->textView());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(kTyped));
        QFile::remove(note);
        QDir().mkdir(note);
        fprintf(stderr, "child: typed\n");
    });
    poll.start(20);
    application.run();
}

} // namespace

// Before, SIGTERM (a logout) with an edited note that could not be written
// opened an alert nobody answered: the program never ended, and the edit was
// in no file.
TEST(Quit, AQuitWithAnEditThatCannotBeWrittenEndsAndKeepsIt)
{
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_NOTE")) {
        editTheNoteThenWaitForTheSignal(qEnvironmentVariable("TOLVANE_TEST_NOTE"));
        return;
    }
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString note = seedLibrary(home);
    const programtest::Run quit = programtest::run(
        home, {{QStringLiteral("TOLVANE_TEST_NOTE"), note}}, "child: typed", {},
        {QCoreApplication::applicationFilePath(),
         QStringLiteral("--gtest_filter=Quit.AQuitWithAnEditThatCannotBeWrittenEndsAndKeepsIt")});
    const std::string errors = quit.errors.toStdString();
    ASSERT_TRUE(quit.started) << errors;
    ASSERT_TRUE(quit.markerSeen) << errors;
    ASSERT_TRUE(quit.finished) << "still running after SIGTERM\n" << errors;
    EXPECT_LT(quit.msToEnd, 5000);
    EXPECT_EQ(quit.exitStatus, QProcess::NormalExit) << errors;
    EXPECT_TRUE(quit.errors.contains(QStringLiteral("Not asked while quitting"))) << errors;

    EXPECT_TRUE(QFileInfo(note).isDir()) << "what stands at the note's place is left alone";
    const QFileInfoList kept =
        QDir(home.filePath(QStringLiteral(".local/share/tolvane/Kept notes"))).entryInfoList(QDir::Files);
    ASSERT_EQ(kept.size(), 1) << errors;
    EXPECT_TRUE(kept.first().fileName().startsWith(QStringLiteral("Ballad (edit not saved ")));
    EXPECT_TRUE(quit.errors.contains(kept.first().filePath())) << "the log says where";
    QFile copy(kept.first().filePath());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), "Old words\n" + kTyped + "\n");

    // The next start says so once, on the message line.
    const QByteArray said = "Controller: An edited note could not be saved when Tolvane last quit";
    for (int start : {1, 2}) {
        SCOPED_TRACE(start);
        const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")},
                                                             {QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}});
        ASSERT_TRUE(run.finished) << run.errors.toStdString();
        EXPECT_EQ(run.errors.count(QString::fromUtf8(said)), start == 1 ? 1 : 0) << run.errors.toStdString();
        if (start == 1)
            EXPECT_TRUE(run.errors.contains(kept.first().fileName())) << run.errors.toStdString();
    }
}
