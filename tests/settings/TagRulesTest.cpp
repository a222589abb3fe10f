#include "settings/HelpPages.h"
#include "settings/TagRules.h"
#include "settings/WinVersions.h"

#include <gtest/gtest.h>

namespace {

TEST(TagRules, PagesOfEightTagColumns)
{
    struct Row {
        qsizetype tags, depart;
        int shown;
        bool back, forward;
    };
    const Row rows[] = {
        {5, 0, 5, false, false},  // fewer tags than columns: the rest hidden, no arrows
        {8, 0, 8, false, false},
        {20, 0, 8, false, true},
        {20, 8, 8, true, true},
        {20, 12, 8, true, false}, // the last page, filled from the end
        {0, 0, 0, false, false},
    };
    for (const Row &r : rows) {
        const tagrules::TagPage p = tagrules::page(r.tags, r.depart);
        EXPECT_EQ(p.shown, r.shown) << r.tags << " " << r.depart;
        EXPECT_EQ(p.back, r.back) << r.tags << " " << r.depart;
        EXPECT_EQ(p.forward, r.forward) << r.tags << " " << r.depart;
    }
}

TEST(TagRules, PagingForwardAndBack)
{
    struct Row {
        qsizetype tags, depart, forward, back;
    };
    const Row rows[] = {
        {5, 0, 0, 0},    // either arrow keeps the first five
        {20, 0, 8, 0},
        {20, 8, 12, 0},  // tags 13-20, not 17-20 and four empty columns
        {20, 12, 12, 4},
        {16, 8, 8, 0},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(tagrules::pageForward(r.depart, r.tags), r.forward) << r.tags << " " << r.depart;
        EXPECT_EQ(tagrules::pageBack(r.depart), r.back) << r.depart;
    }
}

TEST(TagRules, ExtractionLooksAtTheNameAndTheFoldersInsideTheLibrary)
{
    const QStringList tags = {QStringLiteral("Rock"), QStringLiteral("Jazz"), QStringLiteral("Live"), QStringLiteral("Home")};
    struct Row {
        const char *infoF, *nameInfo, *path;
        QStringList expected;
    };
    const Row rows[] = {
        {" ", "Live Jazz", "/home/me/Songs/A(Live Jazz).pdf", {"Jazz", "Live"}},
        {" ", "", "/home/me/Songs/jazz/slow/A.pdf", {"Jazz"}},
        // The library's own folder and those above it name every song: before,
        // "home" and "Songs" tagged the whole library.
        {" ", "", "/home/me/Rock Songs/A.pdf", {}},
        {" ", "", "/home/me/Songs/A.pdf", {}},
        // A tag the song has, in any case, is not added again.
        {" JAZZ ", "", "/home/me/Songs/Jazz/A.pdf", {}},
        {" ", "", "/elsewhere/Rock/A.pdf", {}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(tagrules::tagsToExtract(tags, QString::fromUtf8(r.infoF), QString::fromUtf8(r.nameInfo),
                                          QString::fromUtf8(r.path), QStringLiteral("/home/me/Songs")),
                  r.expected)
            << r.path;
}

TEST(TagRules, RowMovesAndStaleDrops)
{
    struct Row {
        qsizetype from, to;
        bool moved;
        QStringList after;
    };
    const Row rows[] = {
        {2, 0, true, {"c", "a", "b"}},      // up
        {0, 3, true, {"b", "c", "a"}},      // down to the end
        {0, 2, true, {"b", "a", "c"}},
        {1, 1, true, {"a", "b", "c"}},
        {3, 0, false, {"a", "b", "c"}},     // a row that no longer exists
        {0, 4, false, {"a", "b", "c"}},
        {-1, 0, false, {"a", "b", "c"}},
    };
    for (const Row &r : rows) {
        QStringList list = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        EXPECT_EQ(tagrules::moveRow(list, r.from, r.to), r.moved) << r.from << "->" << r.to;
        EXPECT_EQ(list, r.after) << r.from << "->" << r.to;
    }
}

TEST(HelpPages, TitlesAndDocuments)
{
    struct Row {
        qint64 n;
        const char *title, *file;
    };
    const Row rows[] = {
        {0, "Tolvane Help", "Tolvane - Full Manual(Ostrelle)---.pdf"},
        {19, "Tolvane Help", "Tolvane - Full Manual(Ostrelle)---.pdf"},
        {-3, "Tolvane Help", "Tolvane - Full Manual(Ostrelle)---.pdf"},
        {1, "Tolvane Help - Genre", "11 Genre(Ostrelle).pdf"},
        {4, "Tolvane Help - WID Preferences", "15 WID Preferences(Ostrelle).pdf"},
        {11, "Tolvane Help - MIDI Out Preferences", "22 MIDI Out Preferences(Ostrelle)---.pdf"},
        {16, "Tolvane Help - Setlists and Collections", "10 Setlists and Collections(Ostrelle).pdf"},
        {17, "Tolvane Help - Tags Assignments", "09 Tags Assignments(Ostrelle).pdf"},
        // Page 18 once carried page 17's title.
        {18, "Tolvane Help - Customize your Display", "13 Customize your Display(Ostrelle).pdf"},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(helppages::title(r.n), QString::fromUtf8(r.title)) << r.n;
        EXPECT_EQ(helppages::fileName(r.n), QString::fromUtf8(r.file)) << r.n;
    }
    EXPECT_EQ(helppages::allPages().size(), 19);
}

TEST(Versions, NamesOfNewVersions)
{
    EXPECT_EQ(versions::newVersionPath(QStringLiteral("/s/Misty.pdf"), QStringLiteral("Lead"), QStringLiteral("chopro")),
              QStringLiteral("/s/Misty---Lead.chopro"));
    EXPECT_EQ(versions::newVersionPath(QStringLiteral("/s/A.b.cho"), QStringLiteral("Drum"), QStringLiteral("cho")),
              QStringLiteral("/s/A.b---Drum.cho"));
    struct Row {
        const char *id;
        bool fits;
    };
    const Row rows[] = {{"Lead", true}, {"Bass 2", true}, {"", false}, {"a/b", false}, {"..", false}};
    for (const Row &r : rows)
        EXPECT_EQ(versions::idFitsFileName(QString::fromUtf8(r.id)), r.fits) << r.id;
}

} // namespace
