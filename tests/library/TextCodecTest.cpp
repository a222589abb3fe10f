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
