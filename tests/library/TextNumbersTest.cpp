#include "library/TextNumbers.h"

#include <gtest/gtest.h>

using namespace textnum;

TEST(TextNumbers, IntValueReadsTheLeadingNumber)
{
    const struct {
        const char *text;
        qint32 value;
    } cases[] = {
        {"12", 12},
        {"  7 beats", 7},
        {" 12abc", 12},
        {"-3", -3},
        {"+5", 5},
        {"- 5", 0},
        {"x", 0},
        {"x1", 0},
        {"", 0},
        {"2147483647", 2147483647},
        {"99999999999999", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999999", -2147483647 - 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(intValue(QString::fromUtf8(c.text)), c.value) << c.text;
    EXPECT_EQ(intValue(QString()), 0);
}

TEST(TextNumbers, FirstDigit)
{
    EXPECT_EQ(firstDigit(QStringLiteral("3rd")), 3);
    EXPECT_EQ(firstDigit(QStringLiteral("0")), 0);
    EXPECT_EQ(firstDigit(QStringLiteral("9 rest")), 9);
    EXPECT_EQ(firstDigit(QStringLiteral("x1")), -1);
    EXPECT_EQ(firstDigit(QStringLiteral(" 1")), -1);
    EXPECT_EQ(firstDigit(QString()), -1);
}

TEST(TextNumbers, LonglongValueReadsHexadecimal)
{
    EXPECT_EQ(longlongValue(QStringLiteral("  0x1F")), 31u);
    EXPECT_EQ(longlongValue(QStringLiteral("ffffffffffffffff")), 0xffffffffffffffffULL);
    EXPECT_EQ(longlongValue(QStringLiteral("12g4")), 0x12u);
    EXPECT_EQ(longlongValue(QStringLiteral("zz")), 0u);
    EXPECT_EQ(longlongValue(QString()), 0u);
    // Before: a seventeenth digit wrapped the value round.
    EXPECT_EQ(longlongValue(QStringLiteral("10000000000000000")), 0xffffffffffffffffULL);
}
