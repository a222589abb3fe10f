#include "platform/PdfProcess.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PdfChildren.h"
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

namespace {

// The child's own start, Qt's included, under the slowest build.
constexpr int kStartMs = 10000;
// How often a wait looks whether the caller has stopped or interrupts.
constexpr int kSliceMs = 5;
// How long a child that hung up on a request is given to end by itself.
constexpr int kEndMs = 1000;
// No page image is larger: a print at its finest fits in a tenth of it.
constexpr qint64 kMaxPageBytes = 512ll * 1024 * 1024;
// A watched child's CPU time is read this often, and a stall needs this many reads without growth.
constexpr int kSampleMs = 100;
constexpr int kStillSamples = 3;

std::mutex programMutex;
QString programSet;
QByteArray procFolder = "/proc";

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QString lastError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// A process's CPU time in clock ticks (utime + stime), -1 when it cannot be read.
qint64 cpuTicks(int pid)
{
    char path[256];
    {
        const std::lock_guard lock(programMutex);
        std::snprintf(path, sizeof path, "%s/%d/stat", procFolder.constData(), pid);
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
    if (child_ && halt_ == Halt::None && !running_ && largestPage_ <= pdfmemory::kImagePoolBytes) {
        for (const quint32 id : loaded_.keys())
            close(id);
        if (!sendHeldCloses(nowMs() + kStartMs))
            end();
        if (std::shared_ptr<pdfchild::Child> child = std::exchange(child_, nullptr)) {
            socket_ = -1;
            pid_ = -1;
            child->pages = std::move(buffer_);
            pdfchild::giveBack(std::move(child));
            return;
        }
    }
    end();
    // No process maps it any more.
    pdfmemory::letGo(std::move(buffer_));
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
    const std::lock_guard lock(programMutex);
    programSet = path;
}

QString PdfProcess::program()
{
    {
        const std::lock_guard lock(programMutex);
        if (!programSet.isEmpty())
            return programSet;
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
    const std::lock_guard lock(programMutex);
    procFolder = path.isEmpty() ? QByteArray("/proc") : QFile::encodeName(path);
}

void PdfProcess::setPagesThroughBuffers(bool through)
{
    pdfchild::setPagesReadDirectly(!through);
}

void PdfProcess::setMemoryCeiling(qint64 bytes)
{
    pdfchild::setCeiling(bytes);
}

void PdfProcess::prepare()
{
    pdfchild::keepSpare(QFile::encodeName(program()));
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
            child_ = std::move(started.child);
            spareOwed_ = true;
            largestPage_ = 0;
            // The last child of this reader has ended: either buffer is this one's alone.
            if (child_->pages)
                buffer_ = std::static_pointer_cast<pdfmemory::PageBuffer>(std::exchange(child_->pages, nullptr));
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
    running_.reset();
    if (child_) {
        // Whatever it is doing: it holds nothing of the program's.
        child_->kill();
        child_->reap(true);
        ::close(child_->socket);
        child_->socket = -1;
        child_.reset();
    }
    socket_ = -1;
    pid_ = -1;
    givenBack_ = false;
    loaded_.clear();
    closesHeld_.clear();
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
        if (was.then.page >= 0)
            running_ = Running{Call::Render, was.id, was.then.page, was.then.size, was.then.annotations, 0, 0, {}, was.deadlineMs};
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

bool PdfProcess::send(const QByteArray &b, int fd, qint64 deadlineMs)
{
    // The closes held while a page waited go before the next request.
    if (!closesHeld_.isEmpty() && !sendHeldCloses(deadlineMs))
        return false;
    qsizetype at = 0;
    while (at < b.size()) {
        iovec io{const_cast<char *>(b.constData() + at), size_t(b.size() - at)};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        // The descriptor goes with the frame's first bytes.
        if (fd >= 0) {
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            cmsghdr *c = CMSG_FIRSTHDR(&msg);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
        }
        const ssize_t n = ::sendmsg(socket_, &msg, MSG_NOSIGNAL);
        if (n > 0) {
            at += n;
            fd = -1;
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

namespace {

bool readSizes(const QByteArray &reply, qsizetype &at, qint32 count, QList<QSizeF> &sizes)
{
    if (reply.size() - at != qsizetype(count) * kSizeBytes)
        return false;
    for (qint32 i = 0; i < count; ++i) {
        double w = 0, h = 0;
        get(reply, at, w);
        get(reply, at, h);
        // No page is sized so: the child is broken.
        if (!std::isfinite(w) || !std::isfinite(h) || w < 0 || h < 0)
            return false;
        sizes.append(QSizeF(w, h));
    }
    return true;
}

} // namespace

QSize PdfProcess::fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal ratio)
{
    auto finite = [](const QSizeF &s) { return std::isfinite(s.width()) && std::isfinite(s.height()); };
    if (!finite(pagePoints) || !finite(pane) || !std::isfinite(ratio) || ratio <= 0 || pagePoints.isEmpty() || pane.isEmpty())
        return QSize();
    const QSizeF fitted = pagePoints.scaled(pane, Qt::KeepAspectRatio) * ratio;
    // Past any image's side: nothing to draw, rather than a number out of range.
    constexpr qreal kBeyond = 1 << 24;
    if (!(fitted.width() < kBeyond && fitted.height() < kBeyond))
        return QSize();
    return QSize(std::max(1, qRound(fitted.width())), std::max(1, qRound(fitted.height())));
}

PdfProcess::Loaded PdfProcess::load(quint32 id, const PdfBytes &bytes, int timeoutMs, int sizes, const Page &then)
{
    Loaded r;
    halt_ = Halt::None;
    const qint32 asked = sizes < 0 ? kSizesPerAnswer : std::min(sizes, kSizesPerAnswer);
    // No sizes asked after the load's answer, nor a page through a buffer: the page's answer comes next.
    // A page fitted into a pane is one of the sizes answered, and the pane bounds its memory.
    const QSize bound = then.size.isEmpty() ? fitSize(then.fit, then.fit, then.ratio) : then.size;
    const bool fitted = then.size.isEmpty() && !bound.isEmpty() && then.page < asked;
    const qint64 thenBytes = (qint64(std::max(bound.width(), 0)) + fitted) * (std::max(bound.height(), 0) + fitted) * 4;
    const bool drawn = then.page >= 0 && (!then.size.isEmpty() || fitted) && thenBytes <= kMaxPageBytes && sizes >= 0
                       && sizes <= kSizesPerAnswer && pdfchild::pagesReadDirectly();
    if (!runs(Call::Load, id) || running_->count != asked) {
        if (!settle()) {
            r.outcome = Outcome::Interrupted;
            return r;
        }
        // Not this document's fault: a child ended while idle is started again.
        loaded(id);
        if ((!child_ || !child_->greeted) && !start()) {
            r.outcome = halt_ == Halt::Interrupted ? Outcome::Interrupted
                        : halt_ == Halt::Stalled   ? Outcome::Stalled
                        : stopped_()               ? Outcome::GivenUp
                                                   : Outcome::Unavailable;
            return r;
        }
        loaded_.remove(id);
        begin(id);
        if (bytes.isNull()) {
            r.outcome = Outcome::Damaged;
            return r;
        }
        const qint64 deadline = nowMs() + timeoutMs;
        QByteArray request = frame(Load);
        put<quint32>(request, id);
        put<qint32>(request, asked);
        put<qint32>(request, drawn ? then.page : kNoPage);
        put<qint32>(request, then.size.width());
        put<qint32>(request, then.size.height());
        put<quint8>(request, then.annotations ? 1 : 0);
        put<double>(request, fitted ? then.fit.width() : 0.0);
        put<double>(request, fitted ? then.fit.height() : 0.0);
        put<double>(request, fitted ? then.ratio : 0.0);
        seal(request);
        if (!send(request, bytes.descriptor(), deadline)) {
            r.outcome = giveUp();
            return r;
        }
        running_ = Running{Call::Load, id, 0, QSize(), false, asked, 0, {}, deadline};
        if (drawn)
            running_->then = then;
    }
    const qint64 deadline = running_->deadlineMs;
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, count = 0, given = 0;
    if (!receive(reply, kLoadHead + quint32(asked) * kSizeBytes, deadline, true)) {
        r.outcome = halted();
        return r;
    }
    Page after = running_->then;
    running_.reset();
    if (!get(reply, at, op) || op != Load || !get(reply, at, replyId) || replyId != id || !get(reply, at, status)
        || !get(reply, at, count) || !get(reply, at, given) || count < 0
        || given != (status == Ready ? std::min(asked, count) : 0) || !readSizes(reply, at, given, r.pageSizes)) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    // A count past any document's is the child's lie, as a malformed answer is: it is ended, nothing believed.
    if (count > kMaxPageCount) {
        TLOG(QStringLiteral("PdfProcess: the reader answers %1 pages, and is ended").arg(QString::number(count)));
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    switch (status) {
    case Ready: break;
    case Locked: r.outcome = Outcome::NeedsPassword; return r;
    case OutOfMemory: r.outcome = outOfMemory(); return r;
    default: r.outcome = Outcome::Damaged; return r;
    }
    loaded_.insert(id, count);
    // Its page is under way: its memory readied while the child draws. A fitted
    // one's size is worked out from its size answered, as the child does.
    if (after.page >= 0 && after.size.isEmpty())
        after.size = after.page < r.pageSizes.size() ? fitSize(r.pageSizes.at(after.page), after.fit, after.ratio) : QSize();
    if (after.page >= 0) {
        running_ = Running{Call::Render, id, after.page, after.size, after.annotations, 0, 0, {}, nowMs() + after.timeoutMs};
        if (after.page < count && !after.size.isEmpty())
            running_->image = pdfmemory::pageImage(after.size.width(), after.size.height());
    }
    // The rest of the sizes asked for, in answers of bounded length.
    const int wanted = sizes < 0 ? count : std::min(sizes, count);
    if (r.pageSizes.size() < wanted) {
        Sizes more = sizesUntil(id, int(r.pageSizes.size()), wanted - int(r.pageSizes.size()), deadline);
        if (more.outcome != Outcome::Done) {
            r.pageSizes.clear();
            r.outcome = more.outcome;
            return r;
        }
        r.pageSizes += more.sizes;
    }
    r.pageCount = count;
    r.outcome = Outcome::Done;
    return r;
}

PdfProcess::Sizes PdfProcess::pageSizes(quint32 id, int first, int count, int timeoutMs)
{
    begin(id);
    if (runs(Call::Sizes, id, first))
        return sizesUntil(id, first, running_->count, running_->deadlineMs);
    Sizes r;
    if (!settle()) {
        r.outcome = Outcome::Interrupted;
        return r;
    }
    if (!loaded(id))
        return r;
    first = std::max(first, 0);
    count = std::clamp(count, 0, std::max(0, loaded_.value(id) - first));
    return sizesUntil(id, first, count, nowMs() + timeoutMs);
}

PdfProcess::Sizes PdfProcess::sizesUntil(quint32 id, int first, int count, qint64 deadlineMs)
{
    Sizes r;
    int done = 0;
    // Taken up where it gave way.
    if (runs(Call::Sizes, id, first)) {
        done = running_->done;
        r.sizes = running_->sizes;
    }
    while (done < count) {
        const qint32 asked = std::min(count - done, kSizesPerAnswer);
        if (!running_) {
            QByteArray request = frame(pdfwire::Sizes);
            put<quint32>(request, id);
            put<qint32>(request, first + done);
            put<qint32>(request, asked);
            seal(request);
            if (!send(request, -1, deadlineMs)) {
                r.outcome = giveUp();
                return r;
            }
            running_ = Running{Call::Sizes, id, first, QSize(), false, count, done, r.sizes, deadlineMs};
        }
        QByteArray reply;
        qsizetype at = 0;
        quint8 op = 0;
        quint32 replyId = 0;
        qint32 status = 0, given = 0;
        if (!receive(reply, kSizesHead + quint32(asked) * kSizeBytes, deadlineMs, true)) {
            r.outcome = halted();
            return r;
        }
        running_.reset();
        if (!get(reply, at, op) || op != pdfwire::Sizes || !get(reply, at, replyId) || replyId != id
            || !get(reply, at, status) || !get(reply, at, given) || given != (status == Ready ? asked : 0)
            || !readSizes(reply, at, given, r.sizes)) {
            halt_ = Halt::Broken;
            r.outcome = giveUp();
            return r;
        }
        if (status != Ready) {
            r.sizes.clear();
            r.outcome = status == OutOfMemory ? outOfMemory() : Outcome::GivenUp;
            return r;
        }
        done += asked;
    }
    r.outcome = Outcome::Done;
    return r;
}

PdfProcess::Rendered PdfProcess::render(quint32 id, int page, QSize size, int timeoutMs, bool annotations)
{
    Rendered r;
    begin(id);
    const qint64 bytes = qint64(std::max(size.width(), 0)) * std::max(size.height(), 0) * 4;
    QImage image;
    if (!runs(Call::Render, id, page, size, annotations)) {
        if (!settle()) {
            r.outcome = Outcome::Interrupted;
            return r;
        }
        if (!loaded(id))
            return r;
        if (size.isEmpty() || page < 0 || page >= loaded_.value(id) || bytes > kMaxPageBytes) {
            r.outcome = Outcome::Done;
            return r;
        }
        const qint64 deadline = nowMs() + timeoutMs;
        // The page is copied from the child's memory, or, where that is refused, from a buffer both map.
        const bool intoBuffer = !pdfchild::pagesReadDirectly();
        if (intoBuffer) {
            buffer_ = pdfmemory::pageBuffer(std::move(buffer_), bytes);
            if (!buffer_) {
                if (!stopped_())
                    TLOG(QStringLiteral("PdfProcess: no memory for a page: %1").arg(lastError(errno)));
                return r;
            }
        }
        QByteArray request = frame(Render);
        put<quint32>(request, id);
        put<qint32>(request, page);
        put<qint32>(request, size.width());
        put<qint32>(request, size.height());
        put<quint8>(request, annotations ? 1 : 0);
        seal(request);
        if (!send(request, intoBuffer ? buffer_->fd : -1, deadline)) {
            r.outcome = giveUp();
            return r;
        }
        // No other call is sent before its answer is taken: the page stays where the child drew it until then.
        running_ = Running{Call::Render, id, page, size, annotations, 0, 0, {}, deadline, intoBuffer};
        // The page's own memory readied while the child draws.
        image = pdfmemory::pageImage(size.width(), size.height());
    }
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, replyPage = 0, w = 0, h = 0, line = 0;
    quint64 address = 0;
    const bool answered = receive(reply, kRenderLength, running_->deadlineMs, true);
    if (!answered && halt_ == Halt::Interrupted) {
        r.outcome = Outcome::Interrupted;
        return r;
    }
    if (image.isNull())
        image = std::move(running_->image);
    const Running was = *running_;
    running_.reset();
    if (!answered || !get(reply, at, op) || op != Render || !get(reply, at, replyId) || replyId != id
        || !get(reply, at, status) || !get(reply, at, replyPage) || !get(reply, at, w) || !get(reply, at, h)
        || !get(reply, at, line) || !get(reply, at, address) || at != reply.size()) {
        if (answered)
            halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    if (status == OutOfMemory) {
        r.outcome = outOfMemory();
        return r;
    }
    const bool blank = w == 0 && h == 0 && line == 0;
    // Nothing but the page and size asked for, filled, or none for a page it could not
    // render; an address only for a page left in the child.
    if (status != Ready || replyPage != page || (!blank && (w != size.width() || h != size.height() || line != w * 4))
        || (address != 0) != (!blank && !was.intoBuffer)) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    r.outcome = Outcome::Done;
    if (blank) {
        if (std::exchange(spareOwed_, false))
            pdfchild::spareWanted();
        return r;
    }
    // Copied out at once into the image's own memory: the page shown is beyond the child's reach.
    if (image.isNull())
        image = pdfmemory::pageImage(w, h);
    if (image.isNull()) {
        if (!stopped_())
            TLOG(QStringLiteral("PdfProcess: no memory for a page of %1x%2").arg(QString::number(w), QString::number(h)));
        r.outcome = Outcome::GivenUp;
        return r;
    }
    if (was.intoBuffer) {
        std::memcpy(image.bits(), buffer_->at, size_t(bytes));
    } else {
        switch (child_->read(address, image.bits(), bytes)) {
        case pdfchild::Child::Read::Done:
            break;
        case pdfchild::Child::Read::Refused:
            // Not here (a sandbox, the system's rules): the page again, through a buffer.
            return render(id, page, size, int(std::max<qint64>(was.deadlineMs - nowMs(), 0)), annotations);
        case pdfchild::Child::Read::Broken:
            halt_ = Halt::Broken;
            r.outcome = giveUp();
            return r;
        case pdfchild::Child::Read::Ended:
            halt_ = Halt::HungUp;
            r.outcome = giveUp();
            return r;
        }
    }
    r.image = std::move(image);
    largestPage_ = std::max(largestPage_, bytes);
    if (std::exchange(spareOwed_, false))
        pdfchild::spareWanted();
    return r;
}

void PdfProcess::close(quint32 id)
{
    if (!loaded_.remove(id))
        return;
    // A page drawn and not yet copied stays where the child drew it until its
    // answer is taken: the child hears of the close after that.
    if (running_ && running_->call == Call::Render) {
        closesHeld_.append(id);
        return;
    }
    halt_ = Halt::None;
    // The child is idle between two requests: a close that does not go out ends it.
    if (!send(closeFrame(id), -1, nowMs() + kStartMs))
        end();
}

QByteArray PdfProcess::closeFrame(quint32 id)
{
    QByteArray request = frame(Close);
    put<quint32>(request, id);
    seal(request);
    return request;
}

bool PdfProcess::sendHeldCloses(qint64 deadlineMs)
{
    for (const quint32 id : std::exchange(closesHeld_, {}))
        if (!send(closeFrame(id), -1, deadlineMs))
            return false;
    return true;
}

} // namespace platform
