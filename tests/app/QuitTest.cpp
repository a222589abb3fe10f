#include "platform/UserDefaults.h"

#include "ProgramUnderTest.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using programtest::emptyHome;
using programtest::programPath;

// Before, quitting closed every window first, so shut-down found no Tolvane
// window and the layout was never saved.
TEST(Quit, QuittingSavesTheWindowLayout)
{
    const QString program = programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    QProcessEnvironment env = emptyHome(home);
    env.insert(QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    const bool finished = process.waitForFinished(120000);
    if (!finished)
        process.kill();
    ASSERT_TRUE(finished);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

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
    const QString program = programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = emptyHome(home);
    env.insert(QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.setReadChannel(QProcess::StandardError);
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    QByteArray errors;
    while (!errors.contains("TolvaneAppDelegate applicationDidFinishLaunching") && process.waitForReadyRead(60000))
        errors += process.readAllStandardError();
    ASSERT_TRUE(errors.contains("TolvaneAppDelegate applicationDidFinishLaunching")) << errors.toStdString();
    process.terminate();
    const bool finished = process.waitForFinished(120000);
    if (!finished)
        process.kill();
    ASSERT_TRUE(finished);
    errors += process.readAllStandardError();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << errors.toStdString();

    platform::UserDefaults stored;
    ASSERT_TRUE(stored.open(home.filePath(QStringLiteral("config/defaults.sqlite"))));
    EXPECT_EQ(stored.integerForKey(QStringLiteral("initialScreenSetNo")), 1);
}
