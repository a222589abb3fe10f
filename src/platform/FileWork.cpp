#include "platform/FileWork.h"

#include "platform/Clock.h"
#include "platform/ThreadEnd.h"

#include <QThread>
#include <mutex>
#include <utility>

namespace platform {

struct FileWork::Job {
    QThread *thread = nullptr;
    QString what;
    std::mutex mutex;
    bool working = true;
    bool gone = false; // ended: its answer is not taken
};

void FileWork::start(const QString &what, std::function<std::function<void()>()> work)
{
    auto job = std::make_shared<Job>();
    job->what = what;
    job->thread = QThread::create([this, job, work = std::move(work)]() mutable {
        std::function<void()> answer = work();
        const BeforeTheEnd going;
        {
            const std::lock_guard lock(job->mutex);
            job->working = false;
            if (job->gone)
                return;
        }
        runOnMain([this, job, answer = std::move(answer)]() {
            // Set on the main thread only, by end().
            if (job->gone)
                return;
            finished(job);
            answer();
        });
    });
    job->thread->setObjectName(QStringLiteral("File work"));
    jobs_.append(job);
    job->thread->start();
}

void FileWork::finished(const std::shared_ptr<Job> &job)
{
    if (jobs_.removeOne(job))
        endThread(job->thread, kThreadEndWaitMs, job->what);
}

void FileWork::end()
{
    for (const std::shared_ptr<Job> &job : std::exchange(jobs_, {})) {
        bool held;
        {
            const std::lock_guard lock(job->mutex);
            job->gone = true;
            held = job->working;
        }
        // One held by the file system is not waited for.
        endThread(job->thread, held ? 0 : kThreadEndWaitMs, job->what);
    }
}

} // namespace platform
