#include "platform/PdfProcess.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PdfChildren.h"
#include "platform/PdfProcessLimits.h"
#include "platform/PdfWire.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

using namespace pdfwire;
using namespace pdfprocess;

namespace {

// How often a wait looks whether the caller has stopped or interrupts.
constexpr int kSliceMs = 5;
// How long a child that hung up on a request is given to end by itself.
constexpr int kEndMs = 1000;
// A watched child's CPU time is read this often, and a stall needs this many reads without growth.
constexpr int kSampleMs = 100;
constexpr int kStillSamples = 3;

// Never destroyed: a reader's thread not waited for (a print's) may still watch its child as the exit goes.
struct Places {
    std::mutex mutex;
    QString program;
    QByteArray proc = "/proc";
};

Places &places()
{
    static auto *places = new Places;
    return *places;
}

// A process's CPU time in clock ticks (utime + stime), -1 when it cannot be read.
qint64 cpuTicks(int pid)
{
    char path[256];
    {
        const std::lock_guard lock(places().mutex);
        std::snprintf(path, sizeof path, "%s/%d/stat", places().proc.constData(), pid);
    }
    char text[1024];
    if (!readProcFile(path, text, sizeof text))
        return -1;
    // Past the name, which may hold anything: the 14th and 15th fields.
    const char *at = std::strrchr(text, ')');
    long long user = 0, system = 0;
    if (!at || std::sscanf(at + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &user, &system) != 2)
        return -1;
    return user + system;
}

} // namespace

// ---- PdfProcess

PdfProcess::PdfProcess(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

PdfProcess::~PdfProcess()
{
    letGo();
}

void PdfProcess::letGo()
{
    // An idle child that did all it was asked goes on serving the next reader,
    // also when its reader was stopped (a window closed): a stopped call leaves
    // a halt, and a child with one is ended. So is one that drew a print's
    // page: a spare would hold that memory for the evening.
    if (child_ && halt_ == Halt::None && !running_ && !killed_ && largestPage_ <= pdfmemory::kImagePoolBytes) {
        for (const quint32 id : loaded_.keys())
            close(id);
        if (std::shared_ptr<pdfchild::Child> child = childGone(true)) {
            socket_ = -1;
            pid_ = -1;
            pdfchild::giveBack(std::move(child));
            return;
        }
    }
    end();
}

void PdfProcess::setInterrupt(std::function<bool()> interrupted)
{
    interrupted_ = std::move(interrupted);
}

void PdfProcess::setProgressWatch(std::function<bool()> watched)
{
    watched_ = std::move(watched);
}

void PdfProcess::setProgram(const QString &path)
{
    const std::lock_guard lock(places().mutex);
    places().program = path;
}

QString PdfProcess::program()
{
    {
        const std::lock_guard lock(places().mutex);
        if (!places().program.isEmpty())
            return places().program;
    }
    const QString name = QStringLiteral("tolvane-render");
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
        if (QFileInfo(beside).isExecutable())
            return beside;
    }
#ifdef TOLVANE_RENDER_BUILT
    return QStringLiteral(TOLVANE_RENDER_BUILT);
#else
    return name;
#endif
}

void PdfProcess::setProcFolder(const QString &path)
{
    const std::lock_guard lock(places().mutex);
    places().proc = path.isEmpty() ? QByteArray("/proc") : QFile::encodeName(path);
}

void PdfProcess::setMemoryCeiling(qint64 bytes)
{
    pdfchild::setCeiling(bytes);
}

void PdfProcess::prepare()
{
    pdfchild::keepSpare(QFile::encodeName(program()));
}

void PdfProcess::endSpare()
{
    pdfchild::endSpare();
}

void PdfProcess::setSpareAfterMs(qint64 ms)
{
    pdfchild::setSpareAfterMs(ms);
}

bool PdfProcess::start()
{
    const QString path = program();
    // A spare that died before it was taken is not this reader's fault: one more is tried.
    for (int attempt = 0; attempt < 2; ++attempt) {
        // One still starting when a call gave way is waited on: no start is wasted.
        const bool starting = child_ && !child_->greeted;
        pdfchild::Started started;
        if (!starting)
            started = pdfchild::take(QFile::encodeName(path), pdfchild::ceilingNow());
        if (!starting && !started.child) {
            if (stopped_())
                return false;
            QString note;
            // The one beside the program is passed over when it cannot run: say so, as the one tried is another.
            if (QCoreApplication::instance()) {
                const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/tolvane-render"));
                if (beside.exists() && beside.absoluteFilePath() != QFileInfo(QFile::decodeName(started.program)).absoluteFilePath())
                    note = QStringLiteral(" (%1 cannot be run)").arg(beside.absoluteFilePath());
            }
            TLOG(QStringLiteral("PdfProcess: cannot start %1: %2%3")
                     .arg(QFile::decodeName(started.program), lastError(started.error), note));
            return false;
        }
        if (!starting) {
            {
                const std::lock_guard lock(childMutex_);
                child_ = std::move(started.child);
            }
            spareOwed_ = true;
            largestPage_ = 0;
            socket_ = child_->socket;
            pid_ = child_->pid;
        }
        halt_ = Halt::None;
        progressAt_ = -1;
        givenBack_ = child_->greeted;
        if (child_->greeted && freshNext_) {
            end();
            continue;
        }
        if (child_->greeted) {
            // Given back idle: it has nothing to say unless it has gone.
            pollfd p{socket_, POLLIN, 0};
            if (!child_->reap(false) && ::poll(&p, 1, 0) == 0)
                return true;
            end();
            continue;
        }
        QByteArray hello;
        qsizetype at = 0;
        quint8 op = 0xff;
        qint64 startKb = 0;
        if (receive(hello, kHelloLength, nowMs() + kStartMs, true) && get(hello, at, op) && op == Hello && get(hello, at, startKb)) {
            child_->startKb = startKb;
            child_->greeted = true;
            freshNext_ = false;
            return true;
        }
        if (halt_ == Halt::Interrupted)
            return false;
        const Halt why = halt_;
        end();
        halt_ = why;
        if (why != Halt::HungUp && why != Halt::Stalled)
            break;
    }
    if (!stopped_() && halt_ != Halt::Interrupted)
        TLOG(QStringLiteral("PdfProcess: %1 does not start").arg(path));
    return false;
}

void PdfProcess::end()
{
    if (child_) {
        // Whatever it is doing: it holds nothing of the program's once reaped.
        child_->kill();
        child_->reap(true);
        ::close(child_->socket);
        child_->socket = -1;
        childGone();
    }
    // The memory a page was drawn into goes once no child can draw there.
    running_.reset();
    socket_ = -1;
    pid_ = -1;
    givenBack_ = false;
    loaded_.clear();
}

void PdfProcess::kill()
{
    const std::lock_guard lock(childMutex_);
    killed_ = true;
    if (child_)
        child_->kill();
}

std::shared_ptr<pdfchild::Child> PdfProcess::childGone(bool toKeep)
{
    const std::lock_guard lock(childMutex_);
    if (toKeep && killed_)
        return nullptr;
    return std::exchange(child_, nullptr);
}

void PdfProcess::begin(quint32 id)
{
    halt_ = Halt::None;
    progressAt_ = -1;
    alone_ = child_ && !givenBack_ && (loaded_.isEmpty() || (loaded_.size() == 1 && loaded_.contains(id)));
}

PdfProcess::Outcome PdfProcess::giveUp()
{
    Outcome outcome = halt_ == Halt::Interrupted ? Outcome::Interrupted
                      : halt_ == Halt::Stalled   ? Outcome::Stalled
                                                 : Outcome::GivenUp;
    // Ended by a kill the program did not send (the system's killer, anyone
    // else): no fault of the document's. Ended by itself well past half its
    // ceiling: it ran out of it. Its own word on its peak in this call, as
    // what the kernel counts for a child begins at the peak of the program
    // that spawned it.
    if (halt_ == Halt::Broken && child_)
        TLOG(QStringLiteral("PdfProcess: the reader's answer is broken (not what was asked), and it is ended"));
    if (halt_ == Halt::HungUp && child_ && child_->awaitEnd(kEndMs)) {
        if (child_->killed())
            outcome = Outcome::Killed;
        else if (child_->endedKb >= 0 && (child_->endedKb - child_->startKb) * 1024 > child_->ceiling / 2)
            outcome = outOfMemory();
    }
    end();
    return outcome;
}

PdfProcess::Outcome PdfProcess::halted()
{
    if (halt_ == Halt::Interrupted && running_)
        return Outcome::Interrupted;
    return giveUp();
}

bool PdfProcess::runs(Call call, quint32 id, int at, QSize size, bool annotations) const
{
    return running_ && running_->call == call && running_->id == id && running_->at == at && running_->size == size
           && running_->annotations == annotations;
}

bool PdfProcess::answered() const
{
    pollfd p{socket_, POLLIN, 0};
    return running_ && socket_ >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool PdfProcess::settle()
{
    if (!running_)
        return true;
    const Running was = *running_;
    const quint32 longest = was.call == Call::Render ? kRenderLength
                            : was.call == Call::Sizes ? kSizesHead + quint32(std::min(was.count - was.done, kSizesPerAnswer)) * kSizeBytes
                                                      : kLoadHead + quint32(was.count) * kSizeBytes;
    QByteArray reply;
    if (!receive(reply, longest, was.deadlineMs, true)) {
        if (halt_ == Halt::Interrupted)
            return false;
        // No answer in time: the next call takes a fresh child, and blames nothing.
        end();
        halt_ = Halt::None;
        return true;
    }
    running_.reset();
    // A document loaded by an answer nobody takes is closed again: its load is asked again when wanted.
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0;
    if (was.call == Call::Load && get(reply, at, op) && op == Load && get(reply, at, replyId) && replyId == was.id
        && get(reply, at, status) && status == Ready) {
        // The page asked with it follows, and goes the same way.
        if (was.then.page >= 0) {
            running_ = Running{Call::Render, was.id, was.then.page, was.then.size, was.then.annotations, 0, 0, {}, was.deadlineMs};
            running_->image = was.image;
        }
        loaded_.insert(was.id, 0);
        close(was.id);
        return settle();
    }
    return true;
}

PdfProcess::Outcome PdfProcess::outOfMemory()
{
    if (alone_)
        return Outcome::OutOfMemory;
    // Other documents, or what an earlier reader left, shared the ceiling:
    // the document is blamed only once a fresh child holding it alone runs out too.
    end();
    freshNext_ = true;
    return Outcome::GivenUp;
}

bool PdfProcess::stalled()
{
    const qint64 ms = nowMs();
    // Its CPU time is first read once the call has run a sample's time: a call that answers sooner reads nothing.
    if (progressAt_ < 0) {
        progressAt_ = platform::now();
        cpuTicks_ = -1;
        stillSamples_ = 0;
        sampledMs_ = ms;
        return false;
    }
    if (ms - sampledMs_ < kSampleMs)
        return false;
    const qint64 ticks = cpuTicks(pid_);
    const double at = platform::now();
    sampledMs_ = ms;
    // A time that cannot be read (a sandbox, a hidden /proc) is unknown, never the same as the last.
    if (ticks < 0 || ticks != cpuTicks_) {
        progressAt_ = at;
        cpuTicks_ = ticks;
        stillSamples_ = 0;
        return false;
    }
    // Some reads apart, so that a clock stepped between two of them is not a stall.
    return ++stillSamples_ >= kStillSamples && at - progressAt_ >= kStallS;
}

double PdfProcess::stillFor() const
{
    return progressAt_ < 0 ? 0 : platform::now() - progressAt_;
}

double PdfProcess::now() const
{
    return double(nowMs()) / 1000.0;
}

bool PdfProcess::wait(short events, qint64 deadlineMs, bool interruptible)
{
    for (;;) {
        if (stopped_()) {
            halt_ = Halt::Stopped;
            return false;
        }
        if (interruptible && interrupted_ && interrupted_()) {
            halt_ = Halt::Interrupted;
            return false;
        }
        if (!watched_ || !watched_()) {
            progressAt_ = -1;
        } else if (stalled()) {
            halt_ = Halt::Stalled;
            return false;
        }
        const qint64 left = deadlineMs - nowMs();
        if (left <= 0) {
            halt_ = Halt::TimedOut;
            return false;
        }
        pollfd p{socket_, events, 0};
        const int n = ::poll(&p, 1, int(std::min<qint64>(left, kSliceMs)));
        if (n < 0 && errno != EINTR) {
            halt_ = Halt::Broken;
            return false;
        }
        if (n > 0) {
            if (p.revents & events)
                return true;
            halt_ = Halt::HungUp;
            return false;
        }
    }
}

bool PdfProcess::send(const QByteArray &b, qint64 deadlineMs, std::initializer_list<int> fds)
{
    qsizetype at = 0;
    bool withFds = std::any_of(fds.begin(), fds.end(), [](int fd) { return fd >= 0; });
    while (at < b.size()) {
        iovec io{const_cast<char *>(b.constData() + at), size_t(b.size() - at)};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 2)] = {};
        // The descriptors go with the frame's first bytes.
        if (withFds) {
            int given = 0;
            for (const int fd : fds)
                if (fd >= 0 && given < 2)
                    std::memcpy(CMSG_DATA(reinterpret_cast<cmsghdr *>(control)) + sizeof(int) * size_t(given++), &fd, sizeof fd);
            msg.msg_control = control;
            msg.msg_controllen = CMSG_SPACE(sizeof(int) * size_t(given));
            cmsghdr *c = CMSG_FIRSTHDR(&msg);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int) * size_t(given));
        }
        const ssize_t n = ::sendmsg(socket_, &msg, MSG_NOSIGNAL);
        if (n > 0) {
            at += n;
            withFds = false;
        } else if (n < 0 && errno == EINTR) {
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait(POLLOUT, deadlineMs))
                return false;
        } else {
            halt_ = Halt::HungUp;
            return false;
        }
    }
    return true;
}

bool PdfProcess::receive(QByteArray &payload, quint32 maxLength, qint64 deadlineMs, bool interruptible)
{
    // Once a frame has begun, it is read whole: no call gives way in the middle of one.
    bool begun = false;
    auto fill = [&](char *data, qint64 size) {
        while (size > 0) {
            const ssize_t n = ::read(socket_, data, size_t(size));
            if (n > 0) {
                data += n;
                size -= n;
                begun = true;
            } else if (n < 0 && errno == EINTR) {
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!wait(POLLIN, deadlineMs, interruptible && !begun))
                    return false;
            } else {
                halt_ = Halt::HungUp;
                return false;
            }
        }
        return true;
    };
    quint32 length = 0;
    if (!fill(reinterpret_cast<char *>(&length), sizeof length))
        return false;
    // More than was asked for is never read.
    if (length == 0 || length > maxLength) {
        halt_ = Halt::Broken;
        return false;
    }
    payload.resize(qsizetype(length));
    if (!fill(payload.data(), length))
        return false;
    qsizetype at = 0;
    quint8 op = 0;
    qint64 peak = 0;
    if (get(payload, at, op) && op == Ended && get(payload, at, peak) && at == payload.size()) {
        child_->endedKb = peak;
        halt_ = Halt::HungUp;
        return false;
    }
    return true;
}

bool PdfProcess::loaded(quint32 id)
{
    // Ended while idle (its launcher has reaped it): the next load takes another.
    if (child_ && child_->reap(false))
        end();
    return loaded_.contains(id);
}

} // namespace platform
