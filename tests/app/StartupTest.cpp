#include "ProgramUnderTest.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using programtest::emptyHome;
using programtest::programPath;

// The program starts headless with an empty configuration in a fresh home,
// runs its event loop briefly, quits by itself and leaves no sanitizer report.
TEST(Startup, StartsAndQuitsCleanlyWithAnEmptyHome)
{
    const QString program = programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    QProcessEnvironment env = emptyHome(home);
    env.insert(QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500"));
    env.insert(QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.start(program, {});
    ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    const bool finished = process.waitForFinished(120000);
    if (!finished)
        process.kill();
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    ASSERT_TRUE(finished) << "did not quit\n" << errors.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR: AddressSanitizer"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("runtime error:"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR: LeakSanitizer"))) << errors.toStdString();
    // The settings went where they were told to.
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("config/defaults.sqlite"))));
    // The help folder with its sample song lands in the data folder of that home.
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral(".local/share/tolvane/Help Tolvane"))).isDir());
}

