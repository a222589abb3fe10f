#include "controller/MarkRules.h"

#include <gtest/gtest.h>

namespace {

PiecesPtr entry(const QString &name, qint32 tab = 0, const PiecesDetPtr &shared = nullptr)
{
    auto p = std::make_shared<Pieces>();
    p->pieceDet = shared ? shared : std::make_shared<PiecesDet>();
    p->pieceDet->fichier = name;
    p->ongNo = tab;
    return p;
}

QStringList names(const PiecesList &list)
{
    QStringList out;
    for (const PiecesPtr &p : list)
        out << p->pieceDet->fichier;
    return out;
}

} // namespace

TEST(MarkRules, FlagOrderingBringsToFrontThenUnflags)
{
    PiecesList flagged;
    const PiecesPtr a = entry("A"), b = entry("B");
    marks::applyFlag(flagged, a, true, false);
    EXPECT_EQ(names(flagged), QStringList({"A"}));
    marks::applyFlag(flagged, b, true, false);
    EXPECT_EQ(names(flagged), QStringList({"A", "B"}));
    marks::applyFlag(flagged, b, true, false);
    EXPECT_EQ(names(flagged), QStringList({"B", "A"}));
    marks::applyFlag(flagged, b, true, false);
    EXPECT_EQ(names(flagged), QStringList({"A"}));
    EXPECT_FALSE(b->pieceDet->flagged);
    EXPECT_TRUE(a->pieceDet->flagged);
}

TEST(MarkRules, ASongIsNeverTwiceInTheFlaggedList)
{
    // Before, flagging with flag NO appended a song already listed but not last,
    // and the entry of another tab was a second, separate element.
    PiecesList flagged;
    const PiecesPtr a = entry("A"), b = entry("B");
    const PiecesPtr aInTab3 = entry("A", 3, a->pieceDet);
    marks::applyFlag(flagged, a, true, false);
    marks::applyFlag(flagged, b, true, false);
    marks::applyFlag(flagged, aInTab3, false, false);
    EXPECT_EQ(names(flagged), QStringList({"A", "B"}));
    marks::applyFlag(flagged, aInTab3, true, false); // already first: unflagged
    EXPECT_EQ(names(flagged), QStringList({"B"}));
    marks::applyFlag(flagged, aInTab3, true, false);
    marks::applyFlag(flagged, a, true, true); // removed through the other tab's entry
    EXPECT_EQ(names(flagged), QStringList({"B"}));
    EXPECT_FALSE(a->pieceDet->flagged);

    marks::toggleFlags(flagged, {a, aInTab3, b});
    EXPECT_EQ(names(flagged), QStringList({"A"}));
}

TEST(MarkRules, PlayedLogKeepsARepeatOnceAtTheEnd)
{
    PiecesList log;
    const PiecesPtr a = entry("A"), b = entry("B");
    marks::appendToLog(log, a);
    marks::appendToLog(log, a);
    EXPECT_EQ(names(log), QStringList({"A"}));
    marks::appendToLog(log, b);
    marks::appendToLog(log, a);
    EXPECT_EQ(names(log), QStringList({"A", "B", "A"}));
}

TEST(MarkRules, RecallMenuPlacesNewestFirst)
{
    EXPECT_EQ(marks::recallMenuPlace(5, 5), 1);
    EXPECT_EQ(marks::recallMenuPlace(4, 5), 2);
    EXPECT_EQ(marks::recallMenuPlace(10, 1), 2);
    EXPECT_EQ(marks::recallMenuPlace(2, 1), 10);
}

TEST(MarkRules, FilterListsAndTheirFields)
{
    EXPECT_EQ(marks::quickEntries(0, QString(), QString()),
              QStringList({"Played", "Flags", "Tempo 120", "(no key)", "(no artist)"}));
    EXPECT_EQ(marks::quickEntries(96, QStringLiteral(" Am "), QStringLiteral("Band")),
              QStringList({"Played", "Flags", "Tempo 96", "Key of Am", "Band"}));
    EXPECT_EQ(marks::songEntries(QStringLiteral(" rock  slow "), 96, QStringLiteral(" C "), QStringLiteral("Band")),
              QStringList({"Band", "Tempo 96", "rock", "slow", "Key of C"}));
    EXPECT_EQ(marks::songEntries(QString(), 0, QString(), QString()), QStringList({"Tempo 120", "(no key)"}));

    // Nine entries: search text, three tags, then the five quick filters.
    const int fields[] = {marks::FieldSearch, marks::FieldTag,    marks::FieldTag,
                          marks::FieldTag,    marks::FieldPlayed, marks::FieldFlags,
                          marks::FieldTempo,  marks::FieldKey,    marks::FieldArtist};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(marks::fieldForIndex(i, 9, false), fields[i]) << i;
    EXPECT_EQ(marks::fieldForIndex(0, 9, true), marks::FieldTag);
}

TEST(MarkRules, FilterSteps)
{
    // Backwards from no filter lands on the artist entry.
    EXPECT_EQ(marks::stepIndex(-1, 7, -1, 0), 6);
    EXPECT_EQ(marks::stepIndex(6, 7, 1, 0), -1);
    EXPECT_EQ(marks::stepIndex(-1, 7, 1, 0), 0);
    EXPECT_EQ(marks::stepIndex(0, 7, -1, 0), -1);
    EXPECT_EQ(marks::stepIndex(2, 7, 0, 0), 2);
    EXPECT_EQ(marks::stepIndex(-1, 7, 4, 0), 4);
    EXPECT_EQ(marks::stepIndex(-1, 7, 9, 0), -1);
    for (int quick = 1; quick <= 5; ++quick)
        EXPECT_EQ(marks::stepIndex(0, 7, 1, quick), 7 - quick);
}

TEST(MarkRules, MatchingEachFieldOnItsOwn)
{
    PiecesDet det;
    det.tempo = 1205;
    det.cle = QStringLiteral(" C# ");
    det.auteur = QStringLiteral("The Band");
    det.titre = QStringLiteral("Song");
    det.infoF = QStringLiteral(" rock slow ");
    // Before, "Tempo 120" matched 1200-1209 and "Key of C" matched C#.
    EXPECT_FALSE(marks::matches(marks::FieldTempo, det, QStringLiteral("Tempo 120")));
    EXPECT_TRUE(marks::matches(marks::FieldTempo, det, QStringLiteral("Tempo 1205")));
    EXPECT_FALSE(marks::matches(marks::FieldKey, det, QStringLiteral("Key of C")));
    EXPECT_TRUE(marks::matches(marks::FieldKey, det, QStringLiteral("key of c#")));
    EXPECT_TRUE(marks::matches(marks::FieldArtist, det, QStringLiteral("band")));
    EXPECT_FALSE(marks::matches(marks::FieldArtist, det, QStringLiteral("rock")));
    EXPECT_FALSE(marks::matches(marks::FieldArtist, det, QStringLiteral("(no artist)")));
    EXPECT_TRUE(marks::matches(marks::FieldTag, det, QStringLiteral("ROCK")));
    EXPECT_FALSE(marks::matches(marks::FieldTag, det, QStringLiteral("Band")));
    EXPECT_TRUE(marks::matches(marks::FieldSearch, det, QStringLiteral("songthe")));
    det.tempo = 0;
    EXPECT_FALSE(marks::matches(marks::FieldTempo, det, QStringLiteral("Tempo 120")));
    det.cle.clear();
    EXPECT_FALSE(marks::matches(marks::FieldKey, det, QStringLiteral("(no key)")));
    det.auteur = PiecesDet::kNoArtist;
    EXPECT_TRUE(marks::matches(marks::FieldArtist, det, QStringLiteral("(no artist)")));
}

TEST(MarkRules, GenreMenuTitles)
{
    const QString flagged = QStringLiteral(" 🔹3");
    EXPECT_EQ(marks::genreMenuTitle(0, QString(), QString()), QStringLiteral("Genre=Any"));
    EXPECT_EQ(marks::genreMenuTitle(3, QString(), flagged), QStringLiteral("Genre=Backing Track 🔹3"));
    EXPECT_EQ(marks::genreMenuTitle(6, QStringLiteral("▶"), flagged), QStringLiteral("▶Genre=(MUTE)"));
    EXPECT_FALSE(marks::genreMenuTitle(7, QString(), QString()).has_value());
    EXPECT_EQ(marks::headerText(QStringLiteral("rock"), true), QStringLiteral("All • rock.dummy"));
    EXPECT_EQ(marks::headerText(QStringLiteral("rock"), false), QStringLiteral("rock.dummy"));
}
