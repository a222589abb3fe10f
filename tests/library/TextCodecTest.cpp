#include "library/TextCodec.h"

#include <gtest/gtest.h>

using namespace textcodec;

TEST(TextCodec, ValidUtf8IsReadAsUtf8)
{
    Encoding used;
    EXPECT_EQ(decode("Caf\xC3\xA9 \xE2\x99\xAB", &used), QString::fromUtf8("Café ♫"));
    EXPECT_EQ(used, Encoding::Utf8);
    EXPECT_EQ(decode("\xEF\xBB\xBFTitle=A"), QStringLiteral("Title=A"));
}

TEST(TextCodec, InvalidUtf8FallsBackToWindows1252)
{
    Encoding used;
    // "Café" with é as one Windows-1252 byte, then a euro sign and curly quotes.
    EXPECT_EQ(decode("Caf\xE9 \x80 \x93\x94", &used), QString::fromUtf8("Café € “”"));
    EXPECT_EQ(used, Encoding::Windows1252);
}

TEST(TextCodec, RejectsTruncatedOverlongAndSurrogateSequences)
{
    EXPECT_FALSE(isValidUtf8("abc\xC3"));          // cut at the end
    EXPECT_FALSE(isValidUtf8("\xE2\x99"));         // cut inside
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x94\xB6"));  // 🔶
    EXPECT_TRUE(isValidUtf8(""));
}

TEST(TextCodec, EachEncodingIsRecognisedAndWrittenBackByteForByte)
{
    const struct {
        const char *what;
        QByteArray bytes;
        Encoding encoding;
        QString text;
    } rows[] = {
        {"UTF-8", "Caf\xC3\xA9", Encoding::Utf8, QString::fromUtf8("Café")},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" "Caf\xC3\xA9", Encoding::Utf8Bom, QString::fromUtf8("Café")},
        {"UTF-16 LE (Notepad's Unicode)", QByteArray("\xFF\xFE" "C\0a\0f\0\xE9\0", 10), Encoding::Utf16LE,
         QString::fromUtf8("Café")},
        {"UTF-16 BE", QByteArray("\xFE\xFF\0C\0a\0f\0\xE9", 10), Encoding::Utf16BE, QString::fromUtf8("Café")},
        {"UTF-16 with a pair", QByteArray("\xFF\xFE\x3D\xD8\xB6\xDE", 6), Encoding::Utf16LE,
         QString::fromUtf8("🚶")},
        {"Windows-1252", "Caf\xE9 \x80", Encoding::Windows1252, QString::fromUtf8("Café €")},
        {"only a UTF-16 mark", "\xFF\xFE", Encoding::Utf16LE, QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Encoding used;
        EXPECT_EQ(decode(row.bytes, &used), row.text);
        EXPECT_EQ(used, row.encoding);
        EXPECT_EQ(encode(row.text, row.encoding), std::optional<QByteArray>(row.bytes));
    }
}

TEST(TextCodec, BytesThatAreNoTextAreBinary)
{
    const struct {
        const char *what;
        QByteArray bytes;
    } rows[] = {
        {"a NUL byte in UTF-8", QByteArray("Title=A\0B", 9)},
        {"a NUL byte in Windows-1252", QByteArray("\xE9\0", 2)},
        {"UTF-16 cut in a unit", QByteArray("\xFF\xFE" "A\0B", 5)},
        {"UTF-16 with an unpaired surrogate", QByteArray("\xFF\xFE\x3D\xD8" "A\0", 6)},
        {"UTF-16 holding a NUL character (UTF-32)", QByteArray("\xFF\xFE\0\0A\0\0\0", 8)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        Encoding used;
        decode(row.bytes, &used);
        EXPECT_EQ(used, Encoding::Binary);
    }
    EXPECT_FALSE(encode(QStringLiteral("x"), Encoding::Binary));
    // A character without a Windows-1252 byte.
    EXPECT_FALSE(encode(QString::fromUtf8("♫"), Encoding::Windows1252));
    EXPECT_EQ(encode(QString::fromUtf8("\u0081Š"), Encoding::Windows1252), std::optional<QByteArray>("\x81\x8A"));
}
