// Song and note files in any encoding, or none.
#include "FuzzSupport.h"

#include "library/TextCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzsupport::bytes(data, size);
    textcodec::Encoding used;
    const QString text = textcodec::decode(input, &used);
    if (used == textcodec::Encoding::Utf8) {
        // Valid UTF-8 must survive a round trip unchanged (less its byte-order mark).
        // Qt drops a second mark itself; a stray zero-width space is no loss.
        QByteArray body = input.startsWith("\xEF\xBB\xBF") ? input.mid(3) : input;
        if (body.startsWith("\xEF\xBB\xBF"))
            body = body.mid(3);
        if (text.toUtf8() != body)
            std::abort();
    } else if (text.size() != input.size()) {
        // Windows-1252 is one character per byte.
        std::abort();
    }
    return 0;
}
