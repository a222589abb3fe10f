#include "controller/CommandText.h"

#include <gtest/gtest.h>

using namespace controller;

TEST(CommandText, CountInBeats)
{
    // A count-in parameter of 250 counts 99; a negative one is refused.
    EXPECT_EQ(countInBeats(QStringLiteral("250")), 99);
    EXPECT_EQ(countInBeats(QStringLiteral("4")), 4);
    EXPECT_EQ(countInBeats(QStringLiteral("-2")), -1);
}

TEST(CommandText, MessagesSplitAtTheFirstColon)
{
    struct Case {
        const char *text;
        const char *winID;
        const char *message;
    };
    const Case cases[] = {
        {"LEAD:Hello", "LEAD", "Hello"},
        {"Lead:", "Lead", ""},
        {":starts with colon", "", ":starts with colon"},
        {"No colon here", "", "No colon here"},
        {"Drum:a:b", "Drum", "a:b"},
    };
    for (const Case &c : cases) {
        const RoutedMessage m = splitMessage(QString::fromUtf8(c.text));
        EXPECT_EQ(m.winID, QString::fromUtf8(c.winID)) << c.text;
        EXPECT_EQ(m.message, QString::fromUtf8(c.message)) << c.text;
    }
}

TEST(CommandText, QuickFilterWordsAreExactUpperCase)
{
    EXPECT_EQ(quickFilterNumber(QStringLiteral("ARTIST")), 1);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("KEY")), 2);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("TEMPO")), 3);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("FLAGS")), 4);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("PLAYED")), 5);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("tempo")), 0);
    EXPECT_EQ(quickFilterNumber(QStringLiteral("Rock")), 0);
}

TEST(CommandText, KeyPrefNames)
{
    const struct {
        qint64 key;
        bool keyPad;
        const char *name;
    } rows[] = {
        {1, false, "Arrow Left (previous song)"}, {2, false, "Arrow Right (next song)"},
        {3, false, "Arrow Up (previous page)"},   {4, false, "Arrow Down (next page)"},
        {5, false, "Page Up (customizable)"},     {6, false, "Page Down (customizable)"},
        {7, true, "Page Up (customizable)"},      {8, true, "Page Down (customizable)"},
        {9, true, "Page Up (customizable)"},      {10, true, "Page Down (customizable)"},
        {9, false, "(other key)"},                {7, false, "(other key)"},
        {11, true, "(other key)"},                {0, true, "(other key)"},
        {-3, true, "(other key)"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(keyPrefName(r.key, r.keyPad), QString::fromUtf8(r.name)) << r.key << r.keyPad;
}
