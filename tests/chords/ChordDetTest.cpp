#include "chords/ChordDet.h"

#include <gtest/gtest.h>

namespace {

const char *const kRoots[] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#",
                              "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B"};

} // namespace

TEST(ChordDet, RootPitchClasses)
{
    struct Row {
        const char *name;
        int pc;
    };
    const Row rows[] = {
        {"", 0},     {"C", 0},     {"C#", 1},   {"Db", 1},  {"Eb7", 3},   {"E", 4},  {"Fm", 5},
        {"F#m7", 6}, {"Gb", 6},    {"G", 7},    {"Ab", 8},  {"Am", 9},    {"Bb", 10}, {"B", 11},
        {"Cb", 11},  {"B#", 0},    {"H", 0},    {"h", 9},   {"c#", 1},    {"e", 4},   {"7", 0},
        {"#", 0},    {"/E", 0},    {"CB", 0},   {"C♯", 0},  {"Z", 0},     {"z", 9},   {"é", 9},
    };
    for (const Row &r : rows)
        EXPECT_EQ(ChordDet::noChordFromChord(QString::fromUtf8(r.name)), r.pc) << r.name;
    // An accidental on a sign is not applied: the name reads as C.
    EXPECT_EQ(ChordDet::noChordFromBase(QStringLiteral("1"), true, false), 0);
    EXPECT_EQ(ChordDet::noChordFromBase(QString(), false, true), 0);
}

TEST(ChordDet, KeyNames)
{
    struct Row {
        const char *key;
        int major;
    };
    const Row rows[] = {{"", 0},     {"C", 0},   {"Am", 0}, {"Em", 7},  {"F#m", 9}, {"Bbm", 1},
                        {"Bm", 2},   {"G", 7},   {"Eb", 3}, {"C#m", 4}, {"Dm", 5}};
    for (const Row &r : rows)
        EXPECT_EQ(ChordDet::noKeyFromKeyName(QString::fromUtf8(r.key)), r.major) << r.key;
}

TEST(ChordDet, BlackKeySpellingByKey)
{
    // For each black key: the keys (after transposition) that spell it flat.
    const struct {
        int pc;
        const char *sharp;
        const char *flat;
        QList<int> flatKeys;
    } rows[] = {
        {1, "C#", "Db", {3, 10}},
        {3, "D#", "Eb", {0, 3, 5, 10, 11}},
        {6, "F#", "Gb", {3, 8, 11}},
        {8, "G#", "Ab", {3, 5, 10, 11}},
        {10, "A#", "Bb", {0, 3, 5, 7, 10}},
    };
    for (const auto &r : rows) {
        for (int key = 0; key < 12; ++key) {
            const char *want = r.flatKeys.contains(key) ? r.flat : r.sharp;
            EXPECT_EQ(ChordDet::strChord(r.pc, 0, key, 0), QLatin1String(want)) << r.pc << " key " << key;
            EXPECT_EQ(ChordDet::strChord(r.pc, 0, key, 1), QLatin1String(r.flat));
            EXPECT_EQ(ChordDet::strChord(r.pc, 0, key, 2), QLatin1String(r.sharp));
            EXPECT_EQ(ChordDet::strChord(r.pc, 0, key, 7), QLatin1String(r.sharp));
        }
    }
    const char *white[] = {"C", nullptr, "D", nullptr, "E", "F", nullptr, "G", nullptr, "A", nullptr, "B"};
    for (int pc = 0; pc < 12; ++pc)
        if (white[pc]) {
            for (int pref = 0; pref < 3; ++pref)
                EXPECT_EQ(ChordDet::strChord(pc, 0, 0, pref), QLatin1String(white[pc]));
        }
}

TEST(ChordDet, Transpositions)
{
    struct Row {
        const char *chord;
        int semis;
        const char *key;
        int pref;
        const char *want;
    };
    const Row rows[] = {
        {"Bb", 2, "F", 0, "C"},
        {"F#m7", -1, "A", 0, "Fm7"},
        {"C/E", 1, "C", 2, "C#/F"},
        {"C/E", 1, "C", 1, "Db/F"},
        {"A#", 0, "Am", 0, "Bb"}, // Am reads as C major
        {"C#", 0, "E", 0, "C#"},
        {"C#", 0, "Bb", 0, "Db"},
        {"G/", 2, "C", 0, "A/"},  // a trailing slash stays in the rest
        {"/C", 2, "C", 0, "/D"},
        {"D/F#", 5, "D", 0, "G/B"},
        {"Ebmaj7", 1, "Eb", 0, "Emaj7"},
        {"Ebmaj7", 3, "Eb", 0, "F#maj7"}, // key Gb/F# (6) spells sharps
        {"Ab", 0, "", 0, "G#"},           // empty key reads as C
        {"", 3, "C", 0, ""},
        {"x", 0, "C", 0, "A"},    // one character is the root alone
        {"Dsus4", 12, "C", 0, "Dsus4"},
        {"Am7b5", -2, "C", 2, "Gm7b5"},
        {"Bb", -12, "F", 0, "Bb"},
    };
    for (const Row &r : rows) {
        const QString got = ChordDet::transposeChordWithRoot(QString::fromUtf8(r.chord), r.semis,
                                                             QString::fromUtf8(r.key), r.pref);
        EXPECT_EQ(got, QString::fromUtf8(r.want)) << r.chord << " by " << r.semis;
    }
    // The key of a song is transposed as a single chord against itself.
    EXPECT_EQ(ChordDet::transposeSingleChord(QStringLiteral("Gm"), 1, QStringLiteral("Gm"), 0),
              QStringLiteral("Abm"));
    EXPECT_EQ(ChordDet::transposeSingleChord(QStringLiteral("F"), -2, QStringLiteral("F"), 0),
              QStringLiteral("Eb"));
}

TEST(ChordDet, UpAndDownKeepsEveryRoot)
{
    for (const char *root : kRoots) {
        const QString name = QLatin1String(root) + QStringLiteral("m7");
        const int pc = ChordDet::noChordFromChord(name);
        for (int t = -12; t <= 12; ++t)
            for (int pref = 0; pref < 3; ++pref) {
                const QString up = ChordDet::transposeChordWithRoot(name, t, QStringLiteral("C"), pref);
                EXPECT_EQ(ChordDet::noChordFromChord(up), ((pc + t) % 12 + 12) % 12) << root << t;
                const QString back = ChordDet::transposeChordWithRoot(up, -t, QStringLiteral("C"), pref);
                EXPECT_EQ(ChordDet::noChordFromChord(back), pc) << root << " by " << t;
                EXPECT_TRUE(back.endsWith(QStringLiteral("m7")));
            }
    }
}

TEST(ChordDet, LargeCountsWrapToTheSameNote)
{
    // Before, a root moved by 24 or more semitones (or below -12) was spelled C.
    EXPECT_EQ(ChordDet::strChord(11, 13, 0, 2), QStringLiteral("C"));
    EXPECT_EQ(ChordDet::strChord(2, 24, 0, 2), QStringLiteral("D"));
    EXPECT_EQ(ChordDet::strChord(9, -22, 0, 1), QStringLiteral("B"));
    EXPECT_EQ(ChordDet::strChord(5, -29, 0, 1), QStringLiteral("C"));
}

TEST(ChordDet, RecordTransposesItsSource)
{
    ChordDet det(QStringLiteral("Bb/D"));
    EXPECT_EQ(det.chordDest(), QString());
    EXPECT_FALSE(det.traite());
    det.transposeChord(2, QStringLiteral("Bb"), 0);
    EXPECT_EQ(det.chordDest(), QStringLiteral("C/E"));
    EXPECT_EQ(det.chordSource(), QStringLiteral("Bb/D"));
}
