// Song and note files in any encoding, or none.
#include "FuzzSupport.h"

#include "library/TextCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzsupport::bytes(data, size);
    textcodec::Encoding used;
    const QString text = textcodec::decode(input, &used);
    using textcodec::Encoding;
    if (used == Encoding::Utf8 || used == Encoding::Utf8Bom) {
        // Valid UTF-8 must survive a round trip unchanged (less its byte-order mark).
        // Qt drops a second mark itself; a stray zero-width space is no loss.
        QByteArray body = input.startsWith("\xEF\xBB\xBF") ? input.mid(3) : input;
        if (body.startsWith("\xEF\xBB\xBF"))
            body = body.mid(3);
        if (text.toUtf8() != body)
            std::abort();
    } else if (used == Encoding::Utf16LE || used == Encoding::Utf16BE) {
        // A note read as UTF-16 is written back byte for byte.
        if (textcodec::encode(text, used) != std::optional<QByteArray>(input))
            std::abort();
    } else if (used == Encoding::Windows1252) {
        // One character per byte, and back.
        if (text.size() != input.size() || textcodec::encode(text, used) != std::optional<QByteArray>(input))
            std::abort();
    } else if (textcodec::encode(text, used)) {
        std::abort(); // binary is never written
    }
    return 0;
}
