#include "library/TextCodec.h"

namespace textcodec {

bool isValidUtf8(const QByteArray &bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned int min;
        unsigned int cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

namespace {

// 0x80-0x9F differ from Latin-1; the five undefined bytes map to themselves.
const char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> to1252(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == u)
            return char(0x80 + i);
    return std::nullopt;
}

// UTF-16 of the given byte order; binary when cut in the middle of a unit,
// when a surrogate is unpaired, or when it holds a NUL character.
QString fromUtf16(const QByteArray &body, bool bigEndian, bool *binary)
{
    const qsizetype units = body.size() / 2;
    QString out;
    out.resize(units);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    const auto *s = reinterpret_cast<const unsigned char *>(body.constData());
    bool bad = body.size() % 2 != 0;
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char a = s[2 * i], b = s[2 * i + 1];
        d[i] = char16_t(bigEndian ? (a << 8) | b : (b << 8) | a);
        if (d[i] == 0)
            bad = true;
    }
    for (qsizetype i = 0; i < units && !bad; ++i) {
        const QChar c(d[i]);
        if (c.isHighSurrogate()) {
            if (i + 1 >= units || !QChar(d[i + 1]).isLowSurrogate())
                bad = true;
            ++i;
        } else if (c.isLowSurrogate()) {
            bad = true;
        }
    }
    *binary = bad;
    return out;
}

QByteArray toUtf16(const QString &text, bool bigEndian)
{
    QByteArray out;
    out.reserve(2 + text.size() * 2);
    out.append(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char hi = char(u >> 8), lo = char(u & 0xFF);
        out.append(bigEndian ? hi : lo);
        out.append(bigEndian ? lo : hi);
    }
    return out;
}

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c <= 0x9F) ? QChar(kHigh1252[c - 0x80]) : QChar(c);
    }
    return out;
}

QString decode(const QByteArray &bytes, Encoding *used)
{
    Encoding found;
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool bigEndian = bytes.startsWith("\xFE\xFF");
        bool binary = false;
        text = fromUtf16(bytes.mid(2), bigEndian, &binary);
        found = binary ? Encoding::Binary : bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
    } else if (bytes.contains('\0')) {
        found = Encoding::Binary;
        text = fromWindows1252(bytes);
    } else if (isValidUtf8(bytes)) {
        const bool bom = bytes.startsWith("\xEF\xBB\xBF");
        found = bom ? Encoding::Utf8Bom : Encoding::Utf8;
        text = QString::fromUtf8(bom ? bytes.mid(3) : bytes);
    } else {
        found = Encoding::Windows1252;
        text = fromWindows1252(bytes);
    }
    if (used)
        *used = found;
    return text;
}

std::optional<QByteArray> encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return text.toUtf8();
    case Encoding::Utf8Bom: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE: return toUtf16(text, false);
    case Encoding::Utf16BE: return toUtf16(text, true);
    case Encoding::Windows1252: {
        QByteArray out;
        out.reserve(text.size());
        for (const QChar c : text) {
            const std::optional<char> b = to1252(c.unicode());
            if (!b)
                return std::nullopt;
            out.append(*b);
        }
        return out;
    }
    case Encoding::Binary: break;
    }
    return std::nullopt;
}

} // namespace textcodec
