#pragma once

// The frames between the program and its PDF reader processes: each is its
// length (4 bytes), an operation byte and its fields. Documents travel as
// descriptors passed with the request (PdfBytes), never in a frame. A page stays in the
// child, which answers where it is for the program to copy it out from there;
// where such reads are refused, it is drawn into a memory file passed with
// the request.

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <sys/socket.h>
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
// A render's: op, id, status, page, width, height, line, and the page's address in the child (0 in a file).
constexpr quint32 kRenderLength = 1 + 4 + 4 + 4 + 4 + 4 + 4 + 8;
// A load may ask a page to draw once it is loaded (no page: -1): a Ready load's
// answer is then followed by that page's, as a render's.
constexpr qint32 kNoPage = -1;

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
    return ::send(socket, b, 4 + length, MSG_NOSIGNAL) == ssize_t(4 + length);
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
