#include "platform/PdfChildren.h"

#include "platform/PdfProcess.h"
#include "platform/PdfProcessLimits.h"
#include "platform/PdfWire.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace platform::pdfchild {

using pdfprocess::nowMs;

namespace {

std::atomic<qint64> ceilingSet{0};

// The program's environment less its preloaded libraries. A child is ended
// with the program by its parent-death signal, which it can ask for only once
// its main runs; until then, a program killed leaves it running. What covers
// that window: the child looks at its parent right after asking and ends
// when it has another, and nothing of the program's runs in it before: no
// preloaded library, which could hold it before its main for ever.
std::vector<char *> childEnvironment()
{
    std::vector<char *> kept;
    for (char **at = environ; *at; ++at)
        if (std::strncmp(*at, "LD_PRELOAD=", 11) != 0)
            kept.push_back(*at);
    kept.push_back(nullptr);
    return kept;
}

// A spare's start and warm-up compete with the first page of the reader that
// took the last one: the next starts once that page is answered, or this long after.
constexpr qint64 kSpareAfterMs = 1000;
// And with that page's way to the screen: it starts this long after the answer.
constexpr qint64 kSpareAfterPageMs = 100;
std::atomic<qint64> spareAfterMs{kSpareAfterMs};

Started spawn(const QByteArray &program, qint64 ceiling)
{
    using pdfwire::kChildSocket;
    Started s;
    s.program = program;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        s.error = errno;
        return s;
    }
    // Moved clear of the child's number, so that dup2 clears close-on-exec.
    const int childEnd = ::fcntl(pair[1], F_DUPFD_CLOEXEC, kChildSocket + 1);
    const int dupErr = errno;
    ::close(pair[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd, kChildSocket);
    // Nothing else of the program's (its instance lock, its signal socket) goes with the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, kChildSocket + 1);
    // The launcher's mask and handlers are no business of the child's.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const QByteArray parent = QByteArray::number(qint64(::getpid()));
    const QByteArray limit = QByteArray::number(ceiling);
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(parent.constData()),
                    const_cast<char *>(limit.constData()), nullptr};
    pid_t pid = -1;
    std::vector<char *> env = childEnvironment();
    const int err = childEnd < 0 ? dupErr : posix_spawn(&pid, program.constData(), &actions, &attr, argv, env.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (childEnd >= 0)
        ::close(childEnd);
    if (err != 0) {
        ::close(pair[0]);
        s.error = err;
        return s;
    }
    ::fcntl(pair[0], F_SETFL, ::fcntl(pair[0], F_GETFL) | O_NONBLOCK);
    s.child = std::make_shared<Child>();
    s.child->pid = pid;
    s.child->program = program;
    s.child->pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    s.child->socket = pair[0];
    s.child->ceiling = ceiling;
    return s;
}

// A child no reader keeps: ended.
void endChild(std::shared_ptr<Child> child)
{
    if (!child)
        return;
    child->kill();
    child->reap(true);
}

struct Ask {
    quint64 ticket = 0;
    QByteArray program;
    qint64 ceiling = 0;
};

// Never destroyed, and touching nothing else: its thread runs to the very
// end of the program, after the statics have gone.
struct Launcher {
    std::mutex mutex;
    std::condition_variable served;
    int wake = -1;
    bool running = false;
    std::deque<Ask> asks;
    std::map<quint64, Started> answers;
    quint64 lastTicket = 0;
    bool keepSpare = false;
    QByteArray spareProgram;
    std::shared_ptr<Child> spare;
    // Started, or failed to: not started again until a child is taken.
    bool spareTried = false;
    qint64 spareDueMs = 0;

    void wakeUp()
    {
        const quint64 one = 1;
        (void)!::write(wake, &one, sizeof one);
    }

    // Under the mutex: whether its thread runs, started now if it can be. Not
    // while descriptors or threads run out: the callers then start their
    // children themselves rather than wait for a thread that never wakes.
    bool ensureRunning()
    {
        if (running)
            return true;
        wake = ::eventfd(0, EFD_CLOEXEC);
        if (wake < 0)
            return false;
        try {
            std::thread([this] { run(); }).detach();
        } catch (const std::system_error &) {
            ::close(wake);
            wake = -1;
            return false;
        }
        running = true;
        return true;
    }

    void run()
    {
        // Every child this thread started that may still end: reaped as it does.
        std::vector<std::shared_ptr<Child>> watched;
        for (;;) {
            std::vector<pollfd> fds{{wake, POLLIN, 0}};
            for (const auto &c : watched)
                fds.push_back({c->pidfd, POLLIN, 0});
            int timeout = -1;
            {
                const std::lock_guard lock(mutex);
                if (keepSpare && !spare && !spareTried)
                    timeout = int(std::clamp<qint64>(spareDueMs - nowMs(), 0, spareAfterMs));
            }
            if (::poll(fds.data(), fds.size(), timeout) < 0)
                continue;
            quint64 count = 0;
            if (fds[0].revents)
                (void)!::read(wake, &count, sizeof count);
            for (size_t i = watched.size(); i-- > 0;)
                if (fds[i + 1].revents && watched[i]->reap(false))
                    watched.erase(watched.begin() + qsizetype(i));
            std::unique_lock lock(mutex);
            while (!asks.empty()) {
                const Ask ask = std::move(asks.front());
                asks.pop_front();
                lock.unlock();
                Started s = spawn(ask.program, ask.ceiling);
                lock.lock();
                if (s.child && s.child->pidfd >= 0)
                    watched.push_back(s.child);
                answers[ask.ticket] = std::move(s);
                served.notify_all();
            }
            if (keepSpare && !spare && !spareTried && nowMs() >= spareDueMs) {
                spareTried = true;
                const QByteArray program = spareProgram;
                lock.unlock();
                Started s = spawn(program, ceilingNow());
                // Its first page is drawn into memory readied meanwhile.
                if (s.child)
                    pdfmemory::readyPageMemory();
                lock.lock();
                // A reader gave its child back meanwhile: that one stays the spare, warm, and this one ends;
                // so does one started as the program ended.
                if (spare || !keepSpare) {
                    lock.unlock();
                    endChild(std::move(s.child));
                    continue;
                }
                if (s.child && s.child->pidfd >= 0)
                    watched.push_back(s.child);
                spare = std::move(s.child);
            }
        }
    }
};

Launcher &launcher()
{
    static Launcher *const l = new Launcher;
    return *l;
}

} // namespace

Child::~Child()
{
    if (socket >= 0)
        ::close(socket);
    if (pidfd >= 0)
        ::close(pidfd);
}

bool Child::reap(bool block)
{
    const std::lock_guard lock(mutex_);
    if (reaped_)
        return true;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0)
            return false;
        reaped_ = true;
        if (r == pid)
            status_ = status;
        return true;
    }
}

bool Child::awaitEnd(int ms)
{
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        while (::poll(&p, 1, ms) < 0 && errno == EINTR) {
        }
        return reap(false);
    }
    for (int waited = 0; waited < ms; waited += 2) {
        if (reap(false))
            return true;
        ::usleep(2000);
    }
    return reap(false);
}

void Child::kill()
{
    const std::lock_guard lock(mutex_);
    if (!reaped_)
        ::kill(pid, SIGKILL);
}

bool Child::killed() const
{
    const std::lock_guard lock(mutex_);
    return WIFSIGNALED(status_) && WTERMSIG(status_) == SIGKILL;
}

Started take(const QByteArray &program, qint64 ceiling)
{
    Launcher &l = launcher();
    std::unique_lock lock(l.mutex);
    if (!l.ensureRunning()) {
        lock.unlock();
        return spawn(program, ceiling);
    }
    std::shared_ptr<Child> spare = std::exchange(l.spare, nullptr);
    l.spareTried = false;
    l.spareDueMs = nowMs() + spareAfterMs;
    if (spare && spare->ceiling == ceiling && spare->program == program) {
        l.wakeUp();
        return Started{std::move(spare), program, 0};
    }
    const quint64 ticket = ++l.lastTicket;
    l.asks.push_back(Ask{ticket, program, ceiling});
    l.wakeUp();
    l.served.wait(lock, [&] { return l.answers.count(ticket) > 0; });
    Started s = std::move(l.answers[ticket]);
    l.answers.erase(ticket);
    lock.unlock();
    // Started under another ceiling.
    endChild(std::move(spare));
    return s;
}

void giveBack(std::shared_ptr<Child> child)
{
    Launcher &l = launcher();
    std::shared_ptr<Child> ended = child;
    {
        const std::lock_guard lock(l.mutex);
        if (l.running && l.keepSpare && child->ceiling == ceilingNow() && child->program == l.spareProgram
            && !(l.spare && l.spare->greeted)) {
            ended = std::exchange(l.spare, std::move(child));
            l.spareTried = true;
        }
    }
    endChild(std::move(ended));
}

void spareWanted()
{
    Launcher &l = launcher();
    const std::lock_guard lock(l.mutex);
    if (const qint64 due = nowMs() + std::min<qint64>(kSpareAfterPageMs, spareAfterMs); l.spareDueMs > due) {
        l.spareDueMs = due;
        l.wakeUp();
    }
}

void setSpareAfterMs(qint64 ms)
{
    spareAfterMs = ms > 0 ? ms : kSpareAfterMs;
}

void keepSpare(const QByteArray &program)
{
    Launcher &l = launcher();
    const std::lock_guard lock(l.mutex);
    l.keepSpare = true;
    l.spareProgram = program;
    if (l.ensureRunning())
        l.wakeUp();
}

void endSpare()
{
    Launcher &l = launcher();
    std::shared_ptr<Child> spare;
    {
        const std::lock_guard lock(l.mutex);
        l.keepSpare = false;
        spare = std::exchange(l.spare, nullptr);
    }
    endChild(std::move(spare));
}

qint64 ceilingNow()
{
    const qint64 set = ceilingSet.load();
    return set > 0 ? set : PdfProcess::kMemoryCeiling;
}

void setCeiling(qint64 bytes)
{
    ceilingSet = bytes;
}

} // namespace platform::pdfchild
