#include "platform/ThreadEnd.h"

#include "platform/Log.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cstdlib>
#include <shared_mutex>
#include <unistd.h>

namespace platform {

namespace {

// Never destroyed: the threads left behind look at it to the very end.
struct ProgramEnd {
    std::shared_mutex mutex;
    bool begun = false;
};

ProgramEnd &programEnd()
{
    static auto *end = new ProgramEnd;
    return *end;
}

void endBegins()
{
    ProgramEnd &end = programEnd();
    const std::unique_lock lock(end.mutex);
    end.begun = true;
}

} // namespace

void leftBehind(const QString &what)
{
    // Registered once a thread is left behind, after the statics it reaches
    // were made: the exit runs it before it destroys them.
    static const bool endWatched = std::atexit(&endBegins) == 0;
    (void)endWatched;
    TLOG(QStringLiteral("%1 does not answer, left behind").arg(what));
}

bool endThread(QThread *thread, int waitMs, const QString &what)
{
    if (!thread->wait(QDeadlineTimer(waitMs))) {
        leftBehind(what);
        return false;
    }
    delete thread;
    return true;
}

BeforeTheEnd::BeforeTheEnd()
{
    ProgramEnd &end = programEnd();
    end.mutex.lock_shared();
    if (end.begun) {
        end.mutex.unlock_shared();
        for (;;)
            ::pause();
    }
}

BeforeTheEnd::~BeforeTheEnd() { programEnd().mutex.unlock_shared(); }

} // namespace platform
