#include "settings/SetlistRules.h"

#include <gtest/gtest.h>

namespace {

using namespace setlist;

TEST(SetlistRules, MovedRowsStayTogetherInTheirOrder)
{
    struct Case {
        int count;
        QList<int> dragged;
        int drop;
        QList<int> order; // empty: refused
    };
    const Case cases[] = {
        // Rows from above the drop end just before the row that stood there.
        {7, {1, 2, 5}, 4, {0, 3, 1, 2, 5, 4, 6}},
        {7, {1, 2, 5}, 0, {1, 2, 5, 0, 3, 4, 6}},
        {7, {5, 1, 2}, 7, {0, 3, 4, 6, 1, 2, 5}},
        {3, {1}, 1, {0, 1, 2}},
        {3, {0}, 99, {1, 2, 0}}, // a drop past the end lands at the end
        {3, {3}, 0, {}},         // a row the list no longer has
        {3, {-1}, 0, {}},
        {3, {}, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.drop);
        const auto order = moveRows(c.count, c.dragged, c.drop);
        EXPECT_EQ(order.has_value(), !c.order.isEmpty());
        if (order) {
            EXPECT_EQ(*order, c.order);
        }
    }
}

TEST(SetlistRules, SelectionAfterDeleting)
{
    struct Case {
        int lastSelected, removed, remaining, expected;
    };
    const Case cases[] = {
        {4, 2, 4, 3},  // rows 3 and 4 of six, 4 last: the former row 5
        {5, 2, 4, 3},  // the last rows: the new last row
        {0, 1, 3, 0},  // the first row: the new first row
        {2, 3, 0, -1}, // nothing left
    };
    for (const Case &c : cases)
        EXPECT_EQ(rowAfterDelete(c.lastSelected, c.removed, c.remaining), c.expected) << c.lastSelected;
}

TEST(SetlistRules, DraggedRowsDecodeOnlyWhenTheyNameRowsOfTheTable)
{
    struct Case {
        QByteArray data;
        int rowCount;
        QList<int> rows; // empty: refused
    };
    const Case cases[] = {
        {encodeRows({5, 1, 2}), 7, {1, 2, 5}},
        {encodeRows({0}), 1, {0}},
        {encodeRows({7}), 7, {}},
        {QByteArrayLiteral("1,x"), 7, {}},
        {QByteArray(), 7, {}},
        {QByteArrayLiteral("\xff\xfe"), 7, {}},
        {QByteArrayLiteral("-2"), 7, {}},
    };
    for (const Case &c : cases) {
        const auto rows = decodeRows(c.data, c.rowCount);
        EXPECT_EQ(rows.has_value(), !c.rows.isEmpty()) << c.data.constData();
        if (rows) {
            EXPECT_EQ(*rows, c.rows);
        }
    }
}

TEST(SetlistRules, WhatARowStores)
{
    struct Case {
        QString path, title;
        bool isSetlist;
        QString line;
    };
    const Case cases[] = {
        {QStringLiteral("/lib/sub/Song.pdf"), QStringLiteral("Song"), true, QStringLiteral("Song.pdf")},
        {QStringLiteral("/lib/sub/Song.pdf"), QStringLiteral("Song"), false, QStringLiteral("Song")},
        // Before, a word in a setlist was stored as "rock.dummy", which selects nothing.
        {keywordPath(QStringLiteral("rock")), QStringLiteral("rock"), true, QStringLiteral("rock")},
        {keywordPath(QStringLiteral("a b")), QStringLiteral("a b"), false, QStringLiteral("a b")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(listLine(c.path, c.title, c.isSetlist), c.line) << c.path.toStdString();
    EXPECT_EQ(listText({QStringLiteral("rock"), QStringLiteral("Live")}), QStringLiteral("rock\nLive\n"));
    EXPECT_EQ(nonEmptyLines(QStringLiteral("a\n\nb\n")), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(nameToSave(QString(), 2), QStringLiteral("no name"));
    EXPECT_EQ(nameToSave(QString(), 0), QString());
    EXPECT_EQ(nameToSave(QStringLiteral("Gig"), 2), QStringLiteral("Gig"));
}

// Before, a line was looked for as a file at the folder's root only: a song
// in a subfolder, or a line that is the start of a file name, was marked as
// missing though the library finds it.
TEST(SetlistRules, ALineIsMissingOnlyWhenNoFileNameBeginsWithIt)
{
    const QStringList library = {QStringLiteral("ALPHA.CHOPRO"), QStringLiteral("BRAVO.PDF")};
    struct Case {
        const char *line;
        bool found;
    };
    const Case cases[] = {{"Bravo.pdf", true}, {"alp", true}, {"Gone.pdf", false}, {"PHA", false}};
    for (const Case &c : cases)
        EXPECT_EQ(lineInLibrary(QString::fromUtf8(c.line), library), c.found) << c.line;
}

} // namespace
