#include "platform/ThreadEnd.h"

#include "platform/Dialogs.h"
#include "platform/Log.h"

#include <QDeadlineTimer>
#include <QThread>

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

// The end begins as the exit does, before it destroys any static however
// late that static was made: the exit destroys the exiting thread's
// thread_local objects first, and the exit comes from the main thread, which
// makes this one at start. (An atexit function runs only after the statics
// made since it was registered are gone.)
struct EndWatch {
    ~EndWatch()
    {
        ProgramEnd &end = programEnd();
        const std::unique_lock lock(end.mutex);
        end.begun = true;
    }
};

[[maybe_unused]] const bool endWatched = [] {
    thread_local const EndWatch watch;
    (void)watch;
    return true;
}();

} // namespace

void leftBehind(const QString &what)
{
    TLOG(QStringLiteral("%1 does not answer, left behind").arg(what));
}

bool endThread(QThread *thread, int waitMs, const QString &what)
{
    if (!thread->wait(QDeadlineTimer(quitWaitLeftMs(waitMs, kThreadEndFloorMs)))) {
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
