#include "platform/Clock.h"
#include "platform/FileWork.h"
#include "platform/NotificationCenter.h"
#include "platform/ThreadEnd.h"

#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

enum class Ending { None, End, OwnerGone };

struct WorkEnding {
    const char *name;
    Ending ending;
    bool whileHeld; // ended while the file system holds the work, else once its answer waits on the main thread
    bool answered;
};

class FileWorkEnding : public ::testing::TestWithParam<WorkEnding> {};

// Before, nothing failed when a job whose answer was already on its way
// called back into a work that had ended, or into its owner gone with it.
TEST_P(FileWorkEnding, AnAnswerIsTakenOnlyWhileTheWorkGoesOn)
{
    const WorkEnding &row = GetParam();
    auto work = std::make_unique<platform::FileWork>();
    testsupport::Gate reached, answers;
    std::atomic<QThread *> worker = nullptr;
    bool answered = false;
    work->run(
        QStringLiteral("Held work"),
        [&worker, reached, answers]() mutable {
            worker = QThread::currentThread();
            reached.open();
            answers.wait();
            return 1;
        },
        [&answered](int) { answered = true; });
    reached.wait();
    const QPointer<QThread> thread = worker.load();
    if (!row.whileHeld) {
        answers.open();
        worker.load()->wait(); // its answer is posted to the main thread
    }
    if (row.ending == Ending::End)
        work->end();
    else if (row.ending == Ending::OwnerGone)
        work.reset();
    if (row.whileHeld) {
        answers.open();
        worker.load()->wait(); // left behind by the end, so still there
    }
    testsupport::processEvents();
    EXPECT_EQ(answered, row.answered);
    // Before, a thread left behind was never deleted, one per held job.
    EXPECT_TRUE(thread.isNull());
}

INSTANTIATE_TEST_SUITE_P(Rows, FileWorkEnding,
                         ::testing::Values(WorkEnding{"taken", Ending::None, false, true},
                                           WorkEnding{"ended_with_the_answer_posted", Ending::End, false, false},
                                           WorkEnding{"owner_gone_with_the_answer_posted", Ending::OwnerGone, false, false},
                                           WorkEnding{"ended_while_held", Ending::End, true, false},
                                           WorkEnding{"owner_gone_while_held", Ending::OwnerGone, true, false}),
                         [](const ::testing::TestParamInfo<WorkEnding> &info) { return std::string(info.param.name); });

// This binary run again for the tests of `filter`, told it is the child: how it ended.
int exitCodeAsChild(const QString &filter)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TOLVANE_TEST_EXITING"), QStringLiteral("1"));
    // Ended by exit(), the child removes no folder of its own: they go with this one.
    const QTemporaryDir leftBehind;
    environment.insert(QStringLiteral("TMPDIR"), leftBehind.path());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    return child.waitForFinished(50000) && child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

} // namespace

// Before, the end began only from the first thread left behind on, after the
// statics made before that had gone, and a thread entering once it had begun
// went on. A child exits; a thread it starts then must stop there.
TEST(ThreadEnd, AThreadEnteringAfterTheEndBeganStopsThere)
{
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_EXITING")) {
        std::atexit([] {
            static std::atomic<pid_t> entering = 0;
            std::thread([] {
                entering = gettid();
                const platform::BeforeTheEnd going;
                _exit(3);
            }).detach();
            for (QByteArray stat; !stat.contains(") S ");) { // parked for good, unless gone on to _exit(3)
                QFile file(QStringLiteral("/proc/self/task/%1/stat").arg(entering.load()));
                stat = entering && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }
            _exit(0);
        });
        std::exit(0);
    }
    EXPECT_EQ(exitCodeAsChild(QStringLiteral("ThreadEnd.*")), 0) << "3: the thread went on past the end";
}

// Before, the hooks went with the statics at the exit: a folder read a share
// held, answered then, copied a destroyed one for its next song's header.
TEST(FileCallHook, OutlivesTheExit)
{
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_EXITING")) {
        struct Hook {
            ~Hook() { _exit(3); }
        };
        platform::FileCallHook<Hook>::set([hook = std::make_shared<Hook>()](const QString &) {});
        std::exit(0);
    }
    EXPECT_EQ(exitCodeAsChild(QStringLiteral("FileCallHook.*")), 0) << "3: the hook was destroyed";
}

// Before, once the application object had gone, work a thread posted for the
// main thread (a MIDI setup change during the exit) ran on that thread, while
// the exit destroyed what it touched.
TEST(MainThreadWork, IsNotRunOnAnotherThreadOnceTheApplicationIsGone)
{
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_EXITING")) {
        delete QCoreApplication::instance();
        std::atomic<int> ranThere = 0;
        platform::NotificationCenter::defaultCenter().addObserver(QStringLiteral("x"), [&](const platform::Notification &) { ++ranThere; });
        std::thread([&] {
            platform::runOnMain([&] { ++ranThere; });
            platform::NotificationCenter::defaultCenter().post(QStringLiteral("x"));
        }).join();
        _exit(ranThere);
    }
    EXPECT_EQ(exitCodeAsChild(QStringLiteral("MainThreadWork.*")), 0) << "the count of those run on the thread that posted";
}
