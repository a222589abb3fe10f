#include "ProgramUnderTest.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

// The program starts headless with an empty configuration in a fresh home,
// runs its event loop briefly, quits by itself and leaves no sanitizer report.
TEST(Startup, StartsAndQuitsCleanlyWithAnEmptyHome)
{
    const QString program = programtest::programPath();
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());

    const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")},
                                                         {QStringLiteral("TOLVANE_DEBUG"), QStringLiteral("1")}});
    const QString &errors = run.errors;
    ASSERT_TRUE(run.started) << errors.toStdString();
    ASSERT_TRUE(run.finished) << "did not quit\n" << errors.toStdString();
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(run.exitCode, 0) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR: AddressSanitizer"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("runtime error:"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("ERROR: LeakSanitizer"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("MainThreadFileCall"))) << errors.toStdString();
    // The settings went where they were told to.
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("config/defaults.sqlite"))));
    // The help folder with its sample song lands in the data folder of that home.
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral(".local/share/tolvane/Help Tolvane"))).isDir());
}

// Before, under a file-size limit (ulimit -f) the first write past it killed
// the program with SIGXFSZ (exit 153, no message).
TEST(Startup, AFileSizeLimitFailsWritesInsteadOfKillingTheProgram)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const programtest::Run run = programtest::run(home, {{QStringLiteral("TOLVANE_QUIT_AFTER_MS"), QStringLiteral("500")}},
                                                  {}, []() {
                                                      std::signal(SIGXFSZ, SIG_DFL); // as a shell starts it
                                                      const rlimit limit{4096, 4096};
                                                      setrlimit(RLIMIT_FSIZE, &limit);
                                                  });
    ASSERT_TRUE(run.started) << run.errors.toStdString();
    ASSERT_TRUE(run.finished) << run.errors.toStdString();
    EXPECT_EQ(run.exitStatus, QProcess::NormalExit) << run.errors.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
}
