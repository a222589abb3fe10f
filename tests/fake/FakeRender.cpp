// A PDF reader child that lies, for the reader's tests: it answers every
// load with the page count TOLVANE_FAKE_PAGES says (more than any document
// holds when unset), or, when TOLVANE_FAKE_LENGTH is set, with a frame that
// says it is that long and holds the answer asked for; TOLVANE_FAKE_LIE=nan
// answers sizes no number can tell, TOLVANE_FAKE_LIE=address a page said to
// lie at an address of its own, TOLVANE_FAKE_LIE=idN its Nth answer for
// another document than asked. TOLVANE_FAKE_LIE=drawn draws its pages into the
// memory passed, as TOLVANE_FAKE_LIE=page does, answering a page a load asks
// (sent with the load's answer) as the next one; TOLVANE_FAKE_LIE=bad_alloc
// throws std::bad_alloc outside any catch at a page.
#include "platform/PdfWire.h"

#include <cmath>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/socket.h>

using namespace platform::pdfwire;

namespace {

const char *const pagesSet = std::getenv("TOLVANE_FAKE_PAGES");
const char *const lie = std::getenv("TOLVANE_FAKE_LIE") ? std::getenv("TOLVANE_FAKE_LIE") : "";
const bool nanSizes = std::strcmp(lie, "nan") == 0;
const int wrongIdAt = std::strncmp(lie, "id", 2) == 0 ? std::atoi(lie + 2) : 0;
const bool drawn = std::strcmp(lie, "drawn") == 0 || std::strcmp(lie, "page") == 0;
const auto lied = quint32(std::atoll(std::getenv("TOLVANE_FAKE_LENGTH") ? std::getenv("TOLVANE_FAKE_LENGTH") : "0"));

// An answer, and the page a load asked, in one go.
bool answer(QByteArray b, QByteArray then)
{
    seal(b);
    if (lied > 0 && b.at(4) == Load)
        std::memcpy(b.data(), &lied, sizeof lied);
    static int answered = 0;
    if (b.at(4) != Hello && ++answered == wrongIdAt)
        ++b[5];
    if (!then.isEmpty())
        seal(then);
    b += then;
    return ::send(kChildSocket, b.constData(), size_t(b.size()), MSG_NOSIGNAL) == b.size();
}

} // namespace

int main()
{
    answerRefusedAllocations();
    const qint32 pages = pagesSet ? std::atoi(pagesSet) : 0x7fffffff;
    QByteArray frame = platform::pdfwire::frame(Hello);
    put<qint64>(frame, 0);
    quint32 length = 0;
    QByteArray request(kMaxRequest, '\0');
    QByteArray then;
    // The page's memory comes last with the request's first bytes.
    int memory = -1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 2)];
    iovec io{&length, sizeof length};
    msghdr msg{nullptr, 0, &io, 1, control, sizeof control, 0};
    while ((frame.isEmpty() || answer(frame, std::exchange(then, {}))) && ::recvmsg(kChildSocket, &msg, MSG_WAITALL) == sizeof length
           && length <= kMaxRequest && ::recv(kChildSocket, request.data(), length, MSG_WAITALL) == length) {
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            for (size_t i = 0; i < (c->cmsg_len - CMSG_LEN(0)) / sizeof(int); ++i) {
                ::close(memory);
                std::memcpy(&memory, CMSG_DATA(c) + i * sizeof(int), sizeof memory);
            }
        msg.msg_controllen = sizeof control;
        frame.clear();
        qsizetype at = 0;
        quint8 op = 0;
        quint32 id = 0;
        qint32 asked = 0;
        get(request, at, op);
        get(request, at, id);
        get(request, at, asked);
        if (op == Close)
            continue;
        qint32 pageAsked = op == Render ? asked : kNoPage, w = 0, h = 0;
        if (op == Load)
            get(request, at, pageAsked);
        if (pageAsked != kNoPage) {
            get(request, at, w);
            get(request, at, h);
            if (std::strcmp(lie, "bad_alloc") == 0) {
                serve(op, id);
                throw std::bad_alloc();
            }
            const size_t bytes = size_t(w) * size_t(h) * 4;
            void *at = drawn ? ::mmap(nullptr, bytes, PROT_WRITE, MAP_SHARED, memory, 0) : MAP_FAILED;
            if (at != MAP_FAILED) {
                std::memset(at, 0x7f, bytes);
                ::munmap(at, bytes);
            }
            frame = platform::pdfwire::frame(Render);
            put<quint32>(frame, id);
            put<qint32>(frame, Ready);
            put<qint32>(frame, pageAsked + (std::strcmp(lie, "page") == 0 ? 1 : 0));
            put<qint32>(frame, w);
            put<qint32>(frame, h);
            put<qint32>(frame, w * 4);
            if (std::strcmp(lie, "address") == 0)
                put<quint64>(frame, 0x1000);
            if (op == Render)
                continue;
            then = std::exchange(frame, {}); // behind the load's answer
        }
        // Sizes asks from a first page (in `asked`) a count of them.
        if (op == Sizes)
            get(request, at, asked);
        else
            asked = std::min(asked, pages);
        frame = platform::pdfwire::frame(op == Sizes ? Sizes : Load);
        put<quint32>(frame, id);
        put<qint32>(frame, Ready);
        if (op != Sizes)
            put<qint32>(frame, pages);
        put<qint32>(frame, asked);
        for (qint32 i = 0; i < asked; ++i) {
            put<double>(frame, nanSizes ? std::nan("") : 595);
            put<double>(frame, nanSizes ? INFINITY : 842);
        }
    }
    return 0;
}
