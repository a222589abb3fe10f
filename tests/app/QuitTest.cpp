#include "platform/UserDefaults.h"

#include "ProgramUnderTest.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
