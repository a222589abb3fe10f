// The PDF reader process's side of platform::PdfProcess.
#include "platform/PdfProcess.h"
#include "platform/PdfWire.h"

#include <QBuffer>
#include <QPdfDocument>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <map>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

using namespace pdfwire;

namespace {

// How long a child waits for a request before it lets go of its heap: one
// holding no document (the spare) may wait for minutes, one holding the
// song shown gives it back once the performer stays on it.
constexpr int kTrimIdleMs = 5000;
constexpr int kTrimHoldingMs = 2000;

// Reads exactly size bytes, keeping the descriptors that came with them.
bool receiveAll(int socket, char *data, size_t size, std::vector<int> &fds)
{
    while (size > 0) {
        iovec io{data, size};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        for (cmsghdr *c = n > 0 ? CMSG_FIRSTHDR(&msg) : nullptr; c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
                continue;
            for (size_t i = 0; i < (c->cmsg_len - CMSG_LEN(0)) / sizeof(int); ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
                fds.push_back(fd);
            }
        }
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

struct Request {
    QByteArray payload;
    std::vector<int> fds;
    ~Request() { closeFds(); }
    void closeFds()
    {
        for (int fd : fds)
            ::close(fd);
        fds.clear();
    }
    // The descriptors a request carries, in order: a document's, then a page's memory; -1 past them.
    int fd(size_t i) const { return i < fds.size() ? fds[i] : -1; }
};

bool readRequest(int socket, Request &r)
{
    r.closeFds();
    quint32 length = 0;
    if (!receiveAll(socket, reinterpret_cast<char *>(&length), sizeof length, r.fds) || length == 0 || length > kMaxRequest)
        return false;
    r.payload.resize(qsizetype(length));
    return receiveAll(socket, r.payload.data(), length, r.fds);
}

bool answer(int socket, QByteArray &b)
{
    seal(b);
    return answerWith(socket, b.constData(), size_t(b.size()));
}

// The page asked with a load takes long: the load's answer goes alone.
void answerLoadAlone(int)
{
    const int saved = errno; // of the drawing it interrupts
    answerWith(kChildSocket, nullptr, 0);
    errno = saved;
}

// A timer that signals this thread, where the load's answer waits; not `made` where none can be.
struct LoadTimer {
    timer_t id{};
    bool made = false;
    LoadTimer()
    {
        struct sigaction action {};
        action.sa_handler = answerLoadAlone;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = SIGALRM;
        event._sigev_un._tid = ::gettid();
        made = ::sigaction(SIGALRM, &action, nullptr) == 0 && ::timer_create(CLOCK_MONOTONIC, &event, &id) == 0;
    }
    // Armed for ms, or disarmed with 0.
    void arm(int ms)
    {
        itimerspec at{};
        at.it_value.tv_sec = ms / 1000;
        at.it_value.tv_nsec = long(ms % 1000) * 1000000;
        ::timer_settime(id, 0, &at, nullptr);
    }
};

// A document's memory file the program passed, mapped; unmapped with this.
struct Mapping {
    void *at = MAP_FAILED;
    size_t size = 0;
    Mapping() = default;
    Mapping(const Mapping &) = delete;
    Mapping &operator=(const Mapping &) = delete;
    ~Mapping()
    {
        if (at != MAP_FAILED)
            ::munmap(at, size);
    }
    bool map(int fd, int protection)
    {
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size <= 0)
            return false;
        size = size_t(st.st_size);
        at = ::mmap(nullptr, size, protection, MAP_SHARED, fd, 0);
        return at != MAP_FAILED;
    }
};

// Destroyed in the reverse order: the library lets go of the bytes before they are unmapped.
struct Doc {
    Mapping bytes;
    QByteArray raw;
    QBuffer buffer;
    QPdfDocument pdf;
};

// The process's own peak memory (getrusage's begins at the spawning
// program's). Safe in a signal handler: no allocation, no lock.
qint64 peakKb()
{
    char text[4096];
    if (!readProcFile("/proc/self/status", text, sizeof text))
        return -1;
    const char *at = std::strstr(text, "VmHWM:");
    if (!at)
        return -1;
    for (at += 6; *at == ' ' || *at == '\t'; ++at) {
    }
    qint64 kb = 0;
    for (; *at >= '0' && *at <= '9'; ++at)
        kb = kb * 10 + (*at - '0');
    return kb;
}

// A refused allocation ends the library with a signal: the program is told
// the peak it reached, to tell running out of memory from any other end.
void endedBySignal(int signal)
{
    const quint32 length = kEndedLength;
    const quint8 op = Ended;
    const qint64 kb = peakKb();
    char frame[4 + kEndedLength];
    std::memcpy(frame, &length, 4);
    std::memcpy(frame + 4, &op, 1);
    std::memcpy(frame + 5, &kb, 8);
    (void)!::send(kChildSocket, frame, sizeof frame, MSG_NOSIGNAL | MSG_DONTWAIT);
    // Its default action once this returns (SA_RESETHAND).
    ::raise(signal);
}

void tellFatalSignals()
{
    struct sigaction action {};
    action.sa_handler = endedBySignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGABRT, SIGFPE})
        ::sigaction(signal, &action, nullptr);
}

// Measured from what is mapped for data now, as the sanitizers' shadow already is at the start.
void limitMemory(qint64 ceiling)
{
    qint64 dataKb = -1;
    if (FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (dataKb < 0 && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, "VmData:", 7) == 0)
                dataKb = std::strtoll(line + 7, nullptr, 10);
        std::fclose(status);
    }
    if (ceiling > 0 && dataKb >= 0) {
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = rlim_t(dataKb * 1024 + ceiling);
        ::setrlimit(RLIMIT_DATA, &limit);
    }
    // When memory runs short the kernel ends a reader before the program.
    const int adj = ::open("/proc/self/oom_score_adj", O_WRONLY | O_CLOEXEC);
    if (adj >= 0) {
        (void)!::write(adj, "1000", 4);
        ::close(adj);
    }
}

void putSizes(QByteArray &out, const QPdfDocument &pdf, int first, int count)
{
    for (int i = first; i < first + count; ++i) {
        const QSizeF s = pdf.pagePointSize(i);
        put<double>(out, s.width());
        put<double>(out, s.height());
    }
}

using Docs = std::map<quint32, std::unique_ptr<Doc>>;

QByteArray load(Docs &docs, quint32 id, qint32 asked, int fd)
{
    // The one it replaces goes first: its memory may be needed.
    docs.erase(id);
    auto doc = std::make_unique<Doc>();
    qint32 status = Refused;
    if (doc->bytes.map(fd, PROT_READ)) {
        doc->raw = QByteArray::fromRawData(static_cast<const char *>(doc->bytes.at), qsizetype(doc->bytes.size));
        doc->buffer.setBuffer(&doc->raw);
        if (doc->buffer.open(QIODevice::ReadOnly))
            doc->pdf.load(&doc->buffer);
        status = doc->pdf.status() == QPdfDocument::Status::Ready                 ? Ready
                 : doc->pdf.error() == QPdfDocument::Error::IncorrectPassword ? Locked
                                                                                : Damaged;
    } else if (errno == ENOMEM) {
        status = OutOfMemory;
    }
    const qint32 count = status == Ready ? doc->pdf.pageCount() : 0;
    const qint32 given = std::clamp(asked, 0, count);
    QByteArray out = frame(Load, qsizetype(given) * kSizeBytes + kLoadHead);
    put<quint32>(out, id);
    put<qint32>(out, status);
    put<qint32>(out, count);
    put<qint32>(out, given);
    if (status == Ready) {
        putSizes(out, doc->pdf, 0, given);
        docs[id] = std::move(doc);
    }
    return out;
}

QByteArray sizes(const Docs &docs, quint32 id, qint32 first, qint32 count)
{
    const auto it = docs.find(id);
    const bool known = it != docs.end() && first >= 0 && count >= 0 && count <= kSizesPerAnswer
                       && qint64(first) + count <= it->second->pdf.pageCount();
    QByteArray out = frame(Sizes, known ? qsizetype(count) * kSizeBytes + kSizesHead : kSizesHead);
    put<quint32>(out, id);
    put<qint32>(out, known ? Ready : Refused);
    put<qint32>(out, known ? count : 0);
    if (known)
        putSizes(out, it->second->pdf, first, count);
    return out;
}

// The answer of a page not drawn: refused, or Ready with nothing to draw.
QByteArray noPage(quint32 id, qint32 status, qint32 page)
{
    QByteArray out = frame(Render, kRenderLength);
    put<quint32>(out, id);
    put<qint32>(out, status);
    put<qint32>(out, page);
    put<qint32>(out, 0);
    put<qint32>(out, 0);
    put<qint32>(out, 0);
    return out;
}

// Writes the page into the memory file passed with the request, which the
// child never maps: once answered, the page is the program's, beyond its reach.
// The child's own image of it is kept in `last`, whose memory the next page is drawn in.
QByteArray render(const Docs &docs, QImage &last, quint32 id, qint32 page, QSize size, bool annotations, int fd)
{
    const auto it = docs.find(id);
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    struct stat st {};
    if (it == docs.end() || size.isEmpty() || fd < 0 || ::fstat(fd, &st) != 0 || st.st_size < bytes)
        return noPage(id, Refused, page);
    // Its answer's memory taken before the page's, which may take all the ceiling leaves.
    QByteArray out = frame(Render, kRenderLength);
    put<quint32>(out, id);
    last = QImage();
    QImage &image = last;
    if (page >= 0 && page < it->second->pdf.pageCount()) {
        QPdfDocumentRenderOptions options;
        if (annotations)
            options.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
        image = it->second->pdf.render(page, size, options);
        // In place, in the same buffer: painting a premultiplied image needs no conversion.
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    }
    qint32 status = Ready;
    if (image.isNull()) {
        // Told from a page the library cannot render: the ceiling refused the image's memory.
        void *probe = std::malloc(size_t(bytes));
        if (!probe)
            status = OutOfMemory;
        std::free(probe);
    }
    bool drawn = status == Ready && image.size() == size && image.bytesPerLine() == size.width() * 4;
    for (qint64 done = 0; drawn && done < bytes;) {
        const ssize_t n = ::pwrite(fd, image.constBits() + done, size_t(bytes - done), off_t(done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            drawn = false;
    }
    put<qint32>(out, status);
    put<qint32>(out, page);
    put<qint32>(out, drawn ? size.width() : 0);
    put<qint32>(out, drawn ? size.height() : 0);
    put<qint32>(out, drawn ? size.width() * 4 : 0);
    return out;
}

// Has the library set itself up (its fonts found, its tables built) and the
// image conversion's threads started, on a page of text, before the child
// says it is ready: a spare child then renders its first page as fast as its
// hundredth.
void warmUp()
{
    static const char content[] = "BT /F1 24 Tf 20 40 Td (Tolvane) Tj /F2 24 Tf 20 70 Td <0037> Tj ET 10 10 50 10 re f";
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Resources << /Font << /F1 5 0 R /F2 6 0 R >> >> /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(qsizetype(sizeof content - 1)) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Type /Font /Subtype /Type0 /BaseFont /Sans /Encoding /Identity-H /DescendantFonts [7 0 R] >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Sans /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
        " /FontDescriptor << /Type /FontDescriptor /FontName /Sans /Flags 32 /FontBBox [0 -200 1000 900] /ItalicAngle 0"
        " /Ascent 900 /Descent -200 /CapHeight 700 /StemV 80 >> >>",
    };
    QByteArray pdf = "%PDF-1.4\n", xref;
    for (int i = 0; i < 7; ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    pdf += "xref\n0 8\n0000000000 65535 f \n" + xref + "trailer\n<< /Size 8 /Root 1 0 R >>\nstartxref\n"
           + QByteArray::number(pdf.indexOf("xref")) + "\n%%EOF\n";
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument doc;
    doc.load(&buffer);
    QImage page = doc.render(0, QSize(1000, 1100));
    page.convertTo(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

int servePdfRequests(int parentPid, qint64 memoryCeiling)
{
    const int socket = kChildSocket;
    // Ends with the program whatever ends it; a parent already gone is not served.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parentPid > 0 && ::getppid() != parentPid)
        return 1;
    // A page image freed goes back to the heap for the next, rather than to
    // the kernel, which would clear every page of it again at the next render:
    // the warm-up's too, so that the first page of a spare taken soon finds
    // its memory cleared already.
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    // Ready before its ceiling is measured: what the library keeps for good is part of the start.
    warmUp();
    limitMemory(memoryCeiling);
    tellFatalSignals();
    Docs docs;
    LoadTimer loadTimer;
    QImage last; // the last page drawn
    QByteArray hello = frame(Hello);
    put<qint64>(hello, peakKb());
    if (!answer(socket, hello))
        return 1;
    // Its peak is told per request: one that peaked once does not look out of memory for good after.
    const int peakReset = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    Request in;
    // Read into without an allocation: a request is never refused for memory.
    in.payload.reserve(kMaxRequest);
    in.fds.reserve(8);
    answerRefusedAllocations();
    QByteArray loaded; // a load's answer, waiting for the page asked with it
    bool trimmed = false;
    while (true) {
        // Idle a while, the heap its pages were drawn in goes back to the
        // system; the documents and the library's own set-up stay, and so does
        // the last page, in whose memory the next one is drawn.
        if (!trimmed) {
            pollfd waiting{socket, POLLIN, 0};
            if (::poll(&waiting, 1, docs.empty() ? kTrimIdleMs : kTrimHoldingMs) == 0) {
                ::malloc_trim(0);
                trimmed = true;
                continue;
            }
        }
        if (!readRequest(socket, in))
            break;
        trimmed = false;
        qsizetype at = 0;
        quint8 op = 0;
        quint32 id = 0;
        if (!get(in.payload, at, op) || !get(in.payload, at, id))
            return 1;
        if (op == Close) {
            docs.erase(id);
            continue;
        }
        if (peakReset >= 0)
            (void)!::write(peakReset, "5", 1);
        QByteArray out;
        serve(op, id);
        try {
            if (op == Load) {
                qint32 asked = 0, page = kNoPage, w = 0, h = 0;
                quint8 annotations = 0;
                double fitW = 0, fitH = 0, ratio = 0;
                if (!get(in.payload, at, asked) || !get(in.payload, at, page) || !get(in.payload, at, w) || !get(in.payload, at, h)
                    || !get(in.payload, at, annotations) || !get(in.payload, at, fitW) || !get(in.payload, at, fitH)
                    || !get(in.payload, at, ratio))
                    return 1;
                out = load(docs, id, asked, in.fd(0));
                // The page asked with it is drawn in the same go, its answer sent with the load's.
                if (page != kNoPage && docs.count(id)) {
                    if (!owed())
                        return 1;
                    loaded = std::exchange(out, {});
                    seal(loaded);
                    waiting = &loaded;
                    if (loadTimer.made)
                        loadTimer.arm(kLoadWaitsForPageMs);
                    else if (!answerWith(socket, nullptr, 0))
                        return 1;
                    op = Render;
                    serve(op, id);
                    QSize size(w, h);
                    // Fitted into a pane: at the size the program works out from the size answered;
                    // a page whose size was not answered is none (a blank answer).
                    if (size.isEmpty()) {
                        const QPdfDocument &pdf = docs.at(id)->pdf;
                        const bool answered = page >= 0 && page < std::clamp(asked, 0, pdf.pageCount());
                        size = answered ? PdfProcess::fitSize(pdf.pagePointSize(page), QSizeF(fitW, fitH), ratio) : QSize();
                    }
                    out = size.isEmpty() ? noPage(id, Ready, page) : render(docs, last, id, page, size, annotations != 0, in.fd(1));
                }
            } else if (op == Sizes) {
                qint32 first = 0, count = 0;
                if (!get(in.payload, at, first) || !get(in.payload, at, count))
                    return 1;
                out = sizes(docs, id, first, count);
            } else if (op == Render) {
                qint32 page = 0, w = 0, h = 0;
                quint8 annotations = 0;
                if (!get(in.payload, at, page) || !get(in.payload, at, w) || !get(in.payload, at, h) || !get(in.payload, at, annotations))
                    return 1;
                out = render(docs, last, id, page, QSize(w, h), annotations != 0, in.fd(0));
            } else {
                return 1;
            }
        } catch (const std::bad_alloc &) {
            out.clear();
            if (op == Load)
                docs.erase(id);
        }
        // The memory files received are mapped or refused: none stays open.
        in.closeFds();
        if (!owed())
            return 1; // answered as out of memory from another thread, which ends the child
        if (out.isEmpty() ? !answerOutOfMemory(socket, op, id) : !answer(socket, out))
            return 1;
        if (loadTimer.made)
            loadTimer.arm(0);
    }
    return 0;
}

} // namespace platform
