#include "controller/SearchText.h"

#include <gtest/gtest.h>

using namespace controller;

TEST(SearchText, TypedCharactersAndTheirIndexes)
{
    EXPECT_EQ(keyn(QStringLiteral("a")), 1);
    EXPECT_EQ(keyn(QStringLiteral("Zebra")), 26);
    EXPECT_EQ(keyn(QStringLiteral("0")), 27);
    EXPECT_EQ(keyn(QStringLiteral("(intro)")), 0);
    EXPECT_EQ(carn(1), QStringLiteral("a"));
    EXPECT_EQ(carn(36), QStringLiteral("9"));
    EXPECT_EQ(carn(0), QString());
    EXPECT_EQ(carn(37), QString());
}

TEST(SearchText, KeysAreComparedWithoutAccentsOrPunctuation)
{
    EXPECT_EQ(obtenirCar(QStringLiteral("Élan Vital"), 4), QStringLiteral("elan"));
    EXPECT_EQ(obtenirCar(QStringLiteral("Don't Stop"), 5), QStringLiteral("donts"));
    EXPECT_EQ(obtenirCar(QStringLiteral("AB"), 5), QStringLiteral("ab"));
    EXPECT_EQ(obtenirCar(QStringLiteral("Anything"), 0), QString());
    EXPECT_EQ(obtenirNbCarReq(QStringLiteral("Don't Stop"), 5), 8);
    EXPECT_EQ(obtenirNbCarReq(QStringLiteral("x"), 0), 1);
}

TEST(SearchText, EchoColoursTheMatchedPart)
{
    const SearchEcho title = searchEcho(QStringLiteral("Hello"), QStringLiteral("Band"), 0, QStringLiteral("he"), -1);
    EXPECT_EQ(title.text, QStringLiteral("Hello • Band"));
    ASSERT_EQ(title.runs.size(), 2);
    EXPECT_EQ(title.runs[0].length, 2);
    EXPECT_EQ(title.runs[0].color, QColor(Qt::white));
    EXPECT_EQ(title.runs[1].start, 2);
    EXPECT_FALSE(title.clearSearch);

    const SearchEcho miss = searchEcho(QStringLiteral("Hello"), QStringLiteral("Band"), 0, QStringLiteral("zz"), -1);
    EXPECT_TRUE(miss.clearSearch);
    ASSERT_EQ(miss.runs.size(), 1);
    EXPECT_EQ(miss.runs[0].start, 0);

    // Artist order: the artist in blue, then the title characters matched in white.
    const SearchEcho artist = searchEcho(QStringLiteral("Hello"), QStringLiteral("AB"), 1, QStringLiteral("abhe"), -1);
    EXPECT_EQ(artist.text, QStringLiteral("AB • Hello"));
    ASSERT_GE(artist.runs.size(), 3);
    EXPECT_EQ(artist.runs[0].length, 2);
    EXPECT_EQ(artist.runs[0].color, QColor::fromRgbF(0.0f, 0.47843137254901963f, 1.0f, 1.0f));
    EXPECT_TRUE(artist.toHtml().contains(QStringLiteral("AB")));
}
