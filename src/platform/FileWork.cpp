#include "platform/FileWork.h"

#include "platform/Clock.h"
#include "platform/ThreadEnd.h"

#include <QThread>
#include <mutex>
#include <utility>

namespace platform {

namespace {

// A thread left behind is deleted by the main thread once it ends. Released
// after the end began it stops at its BeforeTheEnd and never ends, and an exit
// that comes before the delete is delivered leaves it undelivered.
void endOrLeave(QThread *thread, int waitMs, const QString &what)
{
    if (endThread(thread, waitMs, what))
        return;
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // Ended before the connection: the signal has gone by.
    if (thread->isFinished())
        delete thread;
}

} // namespace

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
        endOrLeave(job->thread, kThreadEndWaitMs, job->what);
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
        endOrLeave(job->thread, held ? 0 : kThreadEndWaitMs, job->what);
    }
}

} // namespace platform
