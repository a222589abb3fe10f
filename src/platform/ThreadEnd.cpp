#include "platform/ThreadEnd.h"

#include "platform/Log.h"

#include <QDeadlineTimer>
#include <QThread>

namespace platform {

bool endThread(QThread *thread, int waitMs, const QString &what)
{
    if (!thread->wait(QDeadlineTimer(waitMs))) {
        TLOG(QStringLiteral("%1 does not answer, left behind").arg(what));
        return false;
    }
    delete thread;
    return true;
}

} // namespace platform
