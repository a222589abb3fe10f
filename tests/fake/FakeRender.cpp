// A PDF reader child that lies, for the reader's tests: it answers every
// load with more pages than any document holds, or (TOLVANE_FAKE_LIE=nan)
// with one page of no size a number can tell.
#include "platform/PdfWire.h"

#include <cmath>
#include <sys/socket.h>

using namespace platform::pdfwire;

namespace {

bool answer(QByteArray b)
{
    seal(b);
    return ::send(kChildSocket, b.constData(), size_t(b.size()), MSG_NOSIGNAL) == b.size();
}

} // namespace

int main()
{
    QByteArray frame = platform::pdfwire::frame(Hello);
    put<qint64>(frame, 0);
    const bool nan = qgetenv("TOLVANE_FAKE_LIE") == "nan";
    quint32 length = 0;
    QByteArray request(kMaxRequest, '\0');
    while (answer(frame) && ::recv(kChildSocket, &length, sizeof length, MSG_WAITALL) == sizeof length
           && length <= kMaxRequest && ::recv(kChildSocket, request.data(), length, MSG_WAITALL) == length) {
        qsizetype at = 0;
        quint8 op = 0;
        quint32 id = 0;
        qint32 asked = 0;
        get(request, at, op);
        get(request, at, id);
        get(request, at, asked);
        frame = platform::pdfwire::frame(Load);
        put<quint32>(frame, id);
        put<qint32>(frame, Ready);
        const qint32 given = nan ? std::min(asked, 1) : asked;
        put<qint32>(frame, nan ? 1 : 0x7fffffff);
        put<qint32>(frame, given);
        for (qint32 i = 0; i < given; ++i) {
            put<double>(frame, nan ? std::nan("") : 595);
            put<double>(frame, nan ? INFINITY : 842);
        }
    }
    return 0;
}
