#include "platform/UserDefaults.h"

#include "ProgramUnderTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
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
