#include "platform/FileWork.h"

#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

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
}

INSTANTIATE_TEST_SUITE_P(Rows, FileWorkEnding,
                         ::testing::Values(WorkEnding{"taken", Ending::None, false, true},
                                           WorkEnding{"ended_with_the_answer_posted", Ending::End, false, false},
                                           WorkEnding{"owner_gone_with_the_answer_posted", Ending::OwnerGone, false, false},
                                           WorkEnding{"ended_while_held", Ending::End, true, false},
                                           WorkEnding{"owner_gone_while_held", Ending::OwnerGone, true, false}),
                         [](const ::testing::TestParamInfo<WorkEnding> &info) { return std::string(info.param.name); });

} // namespace
