// A PDF reader child that lies, for the reader's tests: it answers every
// load with more pages than any document holds.
#include "platform/PdfWire.h"

#include <sys/socket.h>
#include <unistd.h>

using namespace platform::pdfwire;

namespace {

bool readAll(char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(kChildSocket, data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool answer(QByteArray b)
{
    seal(b);
    return ::send(kChildSocket, b.constData(), size_t(b.size()), MSG_NOSIGNAL) == b.size();
}

} // namespace

int main()
{
    QByteArray hello = frame(Hello);
    put<qint64>(hello, 0);
    if (!answer(hello))
        return 1;
    for (;;) {
        quint32 length = 0;
        QByteArray request(kMaxRequest, '\0');
        if (!readAll(reinterpret_cast<char *>(&length), sizeof length) || length == 0 || length > kMaxRequest
            || !readAll(request.data(), length))
            return 0;
        qsizetype at = 0;
        quint8 op = 0;
        quint32 id = 0;
        qint32 asked = 0;
        get(request, at, op);
        get(request, at, id);
        if (op != Load || !get(request, at, asked))
            continue;
        QByteArray out = frame(Load);
        put<quint32>(out, id);
        put<qint32>(out, Ready);
        put<qint32>(out, 0x7fffffff);
        put<qint32>(out, asked);
        for (qint32 i = 0; i < asked; ++i) {
            put<double>(out, 595);
            put<double>(out, 842);
        }
        if (!answer(out))
            return 1;
    }
}
