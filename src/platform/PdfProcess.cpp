#include "platform/PdfProcess.h"

#include "platform/Log.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPdfDocument>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

// Each frame is its length (4 bytes) and then an operation byte and its fields.
enum Op : quint8 { Hello, Load, Render, Close };
enum LoadStatus : qint32 { Ready, Damaged, Locked };
// The socket's end in the child.
constexpr int kChildSocket = 3;
// The child's own start, Qt's included, under the slowest build.
constexpr int kStartMs = 10000;
// How often a wait looks whether the caller has stopped.
constexpr int kSliceMs = 20;
// No frame is larger: a document within the renderer's cap, an image within its pixel bound.
constexpr quint32 kMaxFrame = 1u << 30;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

template <typename T>
void put(QByteArray &b, T v)
{
    b.append(reinterpret_cast<const char *>(&v), sizeof v);
}

template <typename T>
bool get(const QByteArray &b, qsizetype &at, T &v)
{
    if (at + qsizetype(sizeof v) > b.size())
        return false;
    std::memcpy(&v, b.constData() + at, sizeof v);
    at += sizeof v;
    return true;
}

// A frame to fill: room for its length, then the operation.
QByteArray frame(Op op, qsizetype reserve = 0)
{
    QByteArray b;
    b.reserve(reserve + 16);
    put<quint32>(b, 0);
    put<quint8>(b, op);
    return b;
}

void seal(QByteArray &b)
{
    const quint32 length = quint32(b.size() - 4);
    std::memcpy(b.data(), &length, sizeof length);
}

// The child's blocking reads and writes: the whole size, or false.
template <typename Io>
bool whole(Io io, char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = io(data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool readAll(int fd, char *data, qint64 size)
{
    return whole([fd](char *d, size_t n) { return ::read(fd, d, n); }, data, size);
}

bool writeAll(int fd, const char *data, qint64 size)
{
    return whole([fd](char *d, size_t n) { return ::send(fd, d, n, MSG_NOSIGNAL); }, const_cast<char *>(data), size);
}

bool readFrame(int fd, QByteArray &payload)
{
    quint32 length = 0;
    if (!readAll(fd, reinterpret_cast<char *>(&length), sizeof length) || length == 0 || length > kMaxFrame)
        return false;
    payload.resize(qsizetype(length));
    return readAll(fd, payload.data(), length);
}

bool writeFrame(int fd, QByteArray &b)
{
    seal(b);
    return writeAll(fd, b.constData(), b.size());
}

} // namespace

PdfProcess::PdfProcess(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}

PdfProcess::~PdfProcess()
{
    end();
}

QString PdfProcess::program()
{
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

bool PdfProcess::start()
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        TLOG(QStringLiteral("PdfProcess: no socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // Moved clear of the child's number, so that dup2 clears close-on-exec.
    const int childEnd = ::fcntl(pair[1], F_DUPFD_CLOEXEC, kChildSocket + 1);
    const int dupErr = errno;
    ::close(pair[1]);
    const QByteArray path = QFile::encodeName(program());
    const QByteArray parent = QByteArray::number(qint64(::getpid()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd, kChildSocket);
    // Nothing else of the program's (its instance lock, its signal socket) goes with the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, kChildSocket + 1);
    char *argv[] = {const_cast<char *>(path.constData()), const_cast<char *>(parent.constData()), nullptr};
    pid_t pid = -1;
    const int err = childEnd < 0 ? dupErr : posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (childEnd >= 0)
        ::close(childEnd);
    if (err != 0) {
        ::close(pair[0]);
        TLOG(QStringLiteral("PdfProcess: cannot start %1: %2").arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(err))));
        return false;
    }
    socket_ = pair[0];
    pid_ = pid;
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
    QByteArray hello;
    qsizetype at = 0;
    quint8 op = 0xff;
    if (!receive(hello, nowMs() + kStartMs) || !get(hello, at, op) || op != Hello) {
        if (!stopped_())
            TLOG(QStringLiteral("PdfProcess: %1 does not start").arg(QString::fromLocal8Bit(path)));
        end();
        return false;
    }
    return true;
}

void PdfProcess::end()
{
    if (socket_ >= 0)
        ::close(socket_);
    socket_ = -1;
    if (pid_ > 0) {
        // Whatever it is doing: it holds nothing of the program's.
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
    loaded_.clear();
}

bool PdfProcess::wait(short events, qint64 deadlineMs)
{
    for (;;) {
        if (stopped_())
            return false;
        const qint64 left = deadlineMs - nowMs();
        if (left <= 0)
            return false;
        pollfd p{socket_, events, 0};
        const int n = ::poll(&p, 1, int(std::min<qint64>(left, kSliceMs)));
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            return (p.revents & events) != 0;
    }
}

bool PdfProcess::send(const QByteArray &b, qint64 deadlineMs)
{
    qsizetype at = 0;
    while (at < b.size()) {
        const ssize_t n = ::send(socket_, b.constData() + at, size_t(b.size() - at), MSG_NOSIGNAL);
        if (n > 0) {
            at += n;
        } else if (n < 0 && errno == EINTR) {
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait(POLLOUT, deadlineMs))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

bool PdfProcess::receive(QByteArray &payload, qint64 deadlineMs)
{
    quint32 length = 0;
    auto fill = [&](char *data, qint64 size) {
        while (size > 0) {
            const ssize_t n = ::read(socket_, data, size_t(size));
            if (n > 0) {
                data += n;
                size -= n;
            } else if (n < 0 && errno == EINTR) {
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (!wait(POLLIN, deadlineMs))
                    return false;
            } else {
                return false; // the child has gone
            }
        }
        return true;
    };
    if (!fill(reinterpret_cast<char *>(&length), sizeof length) || length == 0 || length > kMaxFrame)
        return false;
    payload.resize(qsizetype(length));
    return fill(payload.data(), length);
}

bool PdfProcess::loaded(quint32 id)
{
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        end();
    }
    return loaded_.contains(id);
}

PdfProcess::Loaded PdfProcess::load(quint32 id, const QByteArray &bytes, int timeoutMs)
{
    Loaded r;
    // Not this document's fault: a child ended while idle is started again.
    loaded(id);
    if (socket_ < 0 && !start()) {
        r.outcome = stopped_() ? Outcome::GivenUp : Outcome::Unavailable;
        return r;
    }
    loaded_.remove(id);
    const qint64 deadline = nowMs() + timeoutMs;
    // The bytes go after the frame's head as they are, not copied into one frame.
    QByteArray head = frame(Load);
    put<quint32>(head, id);
    const quint32 length = quint32(head.size() - 4 + bytes.size());
    std::memcpy(head.data(), &length, sizeof length);
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, count = 0;
    if (!send(head, deadline) || !send(bytes, deadline) || !receive(reply, deadline) || !get(reply, at, op) || op != Load
        || !get(reply, at, replyId) || replyId != id || !get(reply, at, status) || !get(reply, at, count) || count < 0) {
        end();
        return r;
    }
    if (status != Ready) {
        r.outcome = status == Locked ? Outcome::NeedsPassword : Outcome::Damaged;
        return r;
    }
    for (qint32 i = 0; i < count; ++i) {
        double w = 0, h = 0;
        if (!get(reply, at, w) || !get(reply, at, h)) {
            end();
            return r;
        }
        r.pageSizes.append(QSizeF(w, h));
    }
    loaded_.insert(id);
    r.outcome = Outcome::Done;
    return r;
}

PdfProcess::Rendered PdfProcess::render(quint32 id, int page, QSize size, int timeoutMs, bool annotations)
{
    Rendered r;
    if (!loaded(id))
        return r;
    const qint64 deadline = nowMs() + timeoutMs;
    QByteArray request = frame(Render);
    put<quint32>(request, id);
    put<qint32>(request, page);
    put<qint32>(request, size.width());
    put<qint32>(request, size.height());
    put<quint8>(request, annotations ? 1 : 0);
    seal(request);
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    qint32 w = 0, h = 0, line = 0;
    if (!send(request, deadline) || !receive(reply, deadline) || !get(reply, at, op) || op != Render
        || !get(reply, at, w) || !get(reply, at, h) || !get(reply, at, line) || w < 0 || h < 0
        || qint64(line) * h != reply.size() - at) {
        end();
        return r;
    }
    r.outcome = Outcome::Done;
    if (w == 0 || h == 0)
        return r;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.bytesPerLine() < line)
        return r;
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), reply.constData() + at + qsizetype(y) * line, size_t(line));
    r.image = std::move(image);
    return r;
}

void PdfProcess::close(quint32 id)
{
    if (!loaded_.remove(id))
        return;
    QByteArray request = frame(Close);
    put<quint32>(request, id);
    seal(request);
    // The child is idle between two requests: a close that does not go out ends it.
    if (!send(request, nowMs() + kStartMs))
        end();
}

int servePdfRequests(int parentPid)
{
    const int socket = kChildSocket;
    // Ends with the program whatever ends it; a parent already gone is not served.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parentPid > 0 && ::getppid() != parentPid)
        return 1;
    struct Doc {
        QByteArray bytes;
        QBuffer buffer;
        QPdfDocument pdf;
    };
    std::map<quint32, std::unique_ptr<Doc>> docs;
    QByteArray hello = frame(Hello);
    if (!writeFrame(socket, hello))
        return 1;
    QByteArray in;
    while (readFrame(socket, in)) {
        qsizetype at = 0;
        quint8 op = 0;
        quint32 id = 0;
        if (!get(in, at, op) || !get(in, at, id))
            return 1;
        if (op == Close) {
            docs.erase(id);
        } else if (op == Load) {
            auto doc = std::make_unique<Doc>();
            in.remove(0, at);
            doc->bytes = std::move(in);
            in = QByteArray();
            doc->buffer.setBuffer(&doc->bytes);
            if (doc->buffer.open(QIODevice::ReadOnly))
                doc->pdf.load(&doc->buffer);
            const bool ready = doc->pdf.status() == QPdfDocument::Status::Ready;
            QByteArray out = frame(Load);
            put<quint32>(out, id);
            put<qint32>(out, ready ? Ready : doc->pdf.error() == QPdfDocument::Error::IncorrectPassword ? Locked : Damaged);
            put<qint32>(out, ready ? doc->pdf.pageCount() : 0);
            for (int i = 0; ready && i < doc->pdf.pageCount(); ++i) {
                const QSizeF s = doc->pdf.pagePointSize(i);
                put<double>(out, s.width());
                put<double>(out, s.height());
            }
            if (ready)
                docs[id] = std::move(doc);
            else
                docs.erase(id);
            if (!writeFrame(socket, out))
                return 1;
        } else if (op == Render) {
            qint32 page = 0, w = 0, h = 0;
            quint8 annotations = 0;
            if (!get(in, at, page) || !get(in, at, w) || !get(in, at, h) || !get(in, at, annotations))
                return 1;
            QImage image;
            if (auto it = docs.find(id); it != docs.end() && page >= 0 && page < it->second->pdf.pageCount() && w > 0 && h > 0) {
                QPdfDocumentRenderOptions options;
                if (annotations)
                    options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
                image = it->second->pdf.render(page, QSize(w, h), options);
                // In place, in the same buffer: painting a premultiplied image needs no conversion.
                image.convertTo(QImage::Format_ARGB32_Premultiplied);
            }
            const qint32 line = image.isNull() ? 0 : qint32(image.width() * 4);
            QByteArray out = frame(Render, qsizetype(line) * image.height() + 12);
            put<qint32>(out, image.isNull() ? 0 : image.width());
            put<qint32>(out, image.isNull() ? 0 : image.height());
            put<qint32>(out, line);
            for (int y = 0; y < (image.isNull() ? 0 : image.height()); ++y)
                out.append(reinterpret_cast<const char *>(image.constScanLine(y)), line);
            if (!writeFrame(socket, out))
                return 1;
        } else {
            return 1;
        }
    }
    return 0;
}

} // namespace platform
