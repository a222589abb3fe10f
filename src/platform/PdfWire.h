#pragma once

// The frames between the program and its PDF reader processes: each is its
// length (4 bytes), an operation byte and its fields. Documents travel as
// descriptors passed with the request (PdfBytes), never in a frame. A page is
// written into the memory file passed with the request, the program's image.

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform::pdfwire {

// Ended is the child's last word when a fatal signal ends it: its peak memory.
enum Op : quint8 { Hello, Load, Sizes, Render, Close, Ended };
// An answer's first field.
enum Status : qint32 { Ready, Damaged, Locked, OutOfMemory, Refused };

// The socket's end in the child.
constexpr int kChildSocket = 3;
// No request is larger; a child that gets one gives up.
constexpr quint32 kMaxRequest = 64;
// Page sizes per answer, two doubles each: a frame within a megabyte whatever the document.
constexpr int kSizesPerAnswer = 65536;
constexpr int kSizeBytes = 16;
// The answers' lengths before their sizes: op, the request's id, status, count, sizes that follow.
constexpr quint32 kHelloLength = 1 + 8;
constexpr quint32 kEndedLength = 1 + 8;
constexpr quint32 kLoadHead = 1 + 4 + 4 + 4 + 4;
constexpr quint32 kSizesHead = 1 + 4 + 4 + 4;
// A render's: op, id, status, page, width, height, line.
constexpr quint32 kRenderLength = 1 + 4 + 4 + 4 + 4 + 4 + 4;
// A load may ask a page to draw once it is loaded (no page: -1): a Ready load's
// answer is then followed by that page's, as a render's, in the same message
// (one wake of the program's), unless the page takes longer than this: the
// load's answer then goes alone, so that a load is still timed as a load.
constexpr qint32 kNoPage = -1;
constexpr int kLoadWaitsForPageMs = 100;

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
inline QByteArray frame(Op op, qsizetype reserve = 0)
{
    QByteArray b;
    b.reserve(reserve + 16);
    put<quint32>(b, 0);
    put<quint8>(b, op);
    return b;
}

inline void seal(QByteArray &b)
{
    const quint32 length = quint32(b.size() - 4);
    std::memcpy(b.data(), &length, sizeof length);
}

// A small procfs file read whole into `text`, ended by a nul; false when it
// cannot be read. Safe in a signal handler: no allocation, no lock.
inline bool readProcFile(const char *path, char *text, size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? -1 : ::read(fd, text, size - 1);
    if (fd >= 0)
        ::close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
    return true;
}

// The request a child serves (its op and id), for the answer an allocation
// refused anywhere in it gets; none between requests.
constexpr quint64 kNoRequest = ~0ull;
inline std::atomic<quint64> serving{kNoRequest};
inline void serve(quint8 op, quint32 id)
{
    serving = quint64(op) << 32 | id;
}
// Whether the request served is still owed its answer; from now on it is not.
inline bool owed()
{
    return serving.exchange(kNoRequest) != kNoRequest;
}

// Sends `first` and `then` in one message where the socket takes them whole;
// no allocation, and safe in a signal handler.
inline bool sendBoth(int socket, const char *first, size_t firstSize, const char *then, size_t thenSize)
{
    iovec io[2] = {{const_cast<char *>(first), firstSize}, {const_cast<char *>(then), thenSize}};
    int at = firstSize == 0 ? 1 : 0;
    while (at < 2 && io[at].iov_len > 0) {
        msghdr msg{};
        msg.msg_iov = io + at;
        msg.msg_iovlen = size_t(2 - at);
        const ssize_t n = ::sendmsg(socket, &msg, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        for (auto left = size_t(n); at < 2 && left > 0; ) {
            const size_t taken = std::min(left, io[at].iov_len);
            io[at].iov_base = static_cast<char *>(io[at].iov_base) + taken;
            io[at].iov_len -= taken;
            left -= taken;
            if (io[at].iov_len == 0)
                ++at;
        }
    }
    return true;
}

// A load's answer, sealed, waiting for the page asked with it: whoever answers
// next (the page, a refusal, the signal of a page that takes long) sends it first.
inline std::atomic<const QByteArray *> waiting{nullptr};
inline bool answerWith(int socket, const char *data, size_t size)
{
    const QByteArray *first = waiting.exchange(nullptr);
    return sendBoth(socket, first ? first->constData() : nullptr, first ? size_t(first->size()) : 0, data, size);
}

// A request's answer when its memory ran out, in the shape the program awaits,
// sent without an allocation: there may be none left.
inline bool answerOutOfMemory(int socket, quint8 op, quint32 id)
{
    const quint32 length = op == Render ? kRenderLength : op == Sizes ? kSizesHead : kLoadHead;
    const qint32 status = OutOfMemory;
    char b[4 + kRenderLength] = {};
    std::memcpy(b, &length, sizeof length);
    b[4] = char(op);
    std::memcpy(b + 5, &id, sizeof id);
    std::memcpy(b + 9, &status, sizeof status);
    return answerWith(socket, b, 4 + length);
}

// An allocation refused where nothing catches it (a thread of the library's,
// a function that may not throw) would end the child through terminate, the
// request unanswered: it is answered as out of memory, and the child ends.
inline std::terminate_handler terminateBefore = nullptr;
inline void answerRefusedAllocations()
{
    terminateBefore = std::set_terminate([] {
        bool refused = false;
        try {
            if (const std::exception_ptr thrown = std::current_exception())
                std::rethrow_exception(thrown);
        } catch (const std::bad_alloc &) {
            refused = true;
        } catch (...) {
        }
        if (!refused) {
            if (terminateBefore)
                terminateBefore();
            std::abort();
        }
        const quint64 was = serving.exchange(kNoRequest);
        if (was != kNoRequest)
            answerOutOfMemory(kChildSocket, quint8(was >> 32), quint32(was));
        std::_Exit(1);
    });
}

} // namespace platform::pdfwire
