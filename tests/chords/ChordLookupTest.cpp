#include "chords/ChordLibraryLine.h"
#include "chords/ChordLookup.h"
#include "library/Data.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include "ChordTestUtil.h"

using namespace chordlookup;

namespace {

// Installs library texts for one test and puts the previous ones back.
struct Libraries {
    QString guitar = Data::allChordsString();
    QString ukulele = Data::allChordsStringUk();
    Libraries(const QString &g, const QString &u)
    {
        Data::allChordsString() = g;
        Data::allChordsStringUk() = u;
    }
    ~Libraries()
    {
        Data::allChordsString() = guitar;
        Data::allChordsStringUk() = ukulele;
    }
};

} // namespace

TEST(ChordLibraryLine, ColumnsReadBackAsWritten)
{
    const QString g = chordlib::defineLine(QStringLiteral("Am"), {-1, 0, 2, 2, 1, 0}, 1);
    ASSERT_EQ(g.size(), 53);
    const auto parsed = chordlib::parseLine(g.chopped(1), 6);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->name.trimmed(), QStringLiteral("Am"));
    EXPECT_EQ(parsed->shape.values, (QList<int>{-1, 0, 2, 2, 1, 0}));
    EXPECT_EQ(parsed->shape.baseFret, 1);

    const QString u = chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 12);
    ASSERT_EQ(u.size(), 45);
    const auto pu = chordlib::parseLine(u.chopped(1), 4);
    ASSERT_TRUE(pu);
    EXPECT_EQ(pu->shape.values, (QList<int>{0, 0, 0, 3}));
    EXPECT_EQ(pu->shape.baseFret, 12);

    const auto pp = chordlib::parseLine(chordlib::pianoLine(QStringLiteral("Am"), 2).chopped(1), chordlib::kPianoLine);
    ASSERT_TRUE(pp);
    EXPECT_EQ(pp->shape.baseFret, 2);

    // Damaged lines an import must refuse.
    const QString good = g.chopped(1);
    for (const QString &bad : {good.left(51), good + QLatin1Char(' '), QString(good).replace(25, 1, QLatin1Char('y')),
                               QString(good).replace(36, 1, QLatin1Char('-')), QString(good).replace(49, 2, "13"),
                               QString(good).replace(24, 1, QLatin1Char(' ')), QString(good).replace(49, 1, "a")})
        EXPECT_FALSE(chordlib::parseLine(bad, 6)) << qPrintable(bad);
    EXPECT_FALSE(chordlib::parseLine(good, 4));
}

TEST(ChordLibraryLine, StringValues)
{
    const struct {
        const char *text;
        int value;
    } rows[] = {{"x", -1}, {"X", -1}, {" ", 0}, {"", 0}, {"3", 3}, {" 7", 7}, {"05", 5}, {"12", 12}, {"a", 0}, {"-1", -1}};
    for (const auto &r : rows)
        EXPECT_EQ(chordlib::cordeN(QLatin1String(r.text)), r.value) << r.text;
    EXPECT_EQ(chordlib::cordeX(-1), QStringLiteral("x"));
    EXPECT_EQ(chordlib::cordeX(4), QStringLiteral("4"));
}

TEST(ChordLookup, SongShapesWinOverTheLibrary)
{
    const Libraries libs(chordlib::defineLine(QStringLiteral("Am"), {-1, 0, 2, 2, 1, 0}, 1)
                             + chordlib::defineLine(QStringLiteral("Cmaj7add9sus4xyz"), {-1, 3, 2, 0, 0, 0}, 1),
                         chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 1));
    const QString song = chordlib::defineLine(QStringLiteral("Am"), {5, 7, 7, 5, 5, 5}, 5);

    EXPECT_EQ(obtenirMChord(QStringLiteral("Am"), song), shape({5, 7, 7, 5, 5, 5}, 5, true));
    EXPECT_EQ(obtenirMChord(QStringLiteral("Am"), QString()), shape({-1, 0, 2, 2, 1, 0}, 1, false));
    // Only the first 16 characters of a name are kept.
    EXPECT_EQ(obtenirMChord(QStringLiteral("Cmaj7add9sus4xyzABCD"), QString()).s2, 3);
    EXPECT_EQ(obtenirMChord(QStringLiteral("A"), QString()), MChord());
    EXPECT_EQ(obtenirMChord(QStringLiteral("am"), QString()), MChord());

    EXPECT_EQ(obtenirMChordUk(QStringLiteral("C"), QString()), shape({0, 0, 0, 3, -1, -1}, 1, false));
    EXPECT_EQ(obtenirMChordUk(QStringLiteral("D"), QString()), MChord());
    EXPECT_EQ(obtenirMChordUk(QStringLiteral("C"), chordlib::defineLine(QStringLiteral("C"), {5, 4, 3, 3}, 3)),
              shape({5, 4, 3, 3, -1, -1}, 3, true));
}

TEST(ChordLookup, CutTextIsNotFound)
{
    // Before, a key at the end of a cut text was read past the text's end.
    const QString line = chordlib::defineLine(QStringLiteral("G"), {3, 2, 0, 0, 0, 3}, 1);
    const Libraries libs(line, QString());
    for (int cut = 17; 8 + cut < 52; ++cut) // up to the closing brace
        EXPECT_EQ(obtenirMChord(QStringLiteral("G"), line.left(8 + cut)).userDefined, false) << cut;
    EXPECT_EQ(obtenirMChord(QStringLiteral("G"), line.left(52)).userDefined, true);
    const Libraries cutLibrary(line.left(40), QString());
    EXPECT_EQ(obtenirMChord(QStringLiteral("G"), QString()), MChord());
}

TEST(ChordLookup, PianoKeys)
{
    const struct {
        const char *name;
        QList<int> keys;
    } rows[] = {
        {"C", {1, 5, 8}},
        {"Am", {10, 13, 17}},
        {"Bbm7", {11, 14, 18, 21}},
        {"F#", {7, 11, 14}},
        {"Am/G", {10, 13, 17}},
        {"C/", {}},                      // the slash is the suffix
        {"/C", {}},                      // only a bass: no keys
        {"Cb", {12, 16, 19}},            // B major
        {"E#m", {6, 9, 13}},             // F minor
        {"Cmaj7", {1, 5, 8, 12}},
        {"Dsus4", {3, 8, 10}},
        {"G7sus4", {8, 13, 15, 18}},
        {"C13", {1, 5, 8, 11, 15, 22}},  // the thirteenth, not the eleventh
        {"Cm13", {1, 4, 8, 11, 15, 22}},
        {"C13+11", {1, 5, 11, 15, 19, 22}},
        {"C13-9+11", {1, 5, 11, 14, 19, 22}},
        {"C11", {1, 5, 8, 11, 15, 18}},
        {"Cmaj7+5xy", {}},               // longer than the table's suffixes
        {"Cxyz", {}},
        {"", {}},
    };
    for (const auto &r : rows) {
        const MChord m = obtenirMChordPiano(QString::fromUtf8(r.name), QString());
        QList<int> keys;
        for (int k = 1; k <= 6; ++k)
            if (m.value(k) > 0)
                keys.append(m.value(k));
        EXPECT_EQ(keys, r.keys) << r.name;
        EXPECT_FALSE(m.userDefined);
    }
    // The keys rise in every row of the table.
    for (const char *suffix : {"13", "M13", "m13", "13-9", "maj13", "13+11", "13-9-5", "13-9+11", "9/6", "7/13"}) {
        const MChord m = pianoSuffixKeys(QLatin1String(suffix));
        for (int k = 2; k <= 6 && m.value(k) > 0; ++k)
            EXPECT_GT(m.value(k), m.value(k - 1)) << suffix;
    }
}

TEST(ChordLookup, PianoInversionFromTheSong)
{
    const QString song = chordlib::pianoLine(QStringLiteral("Am"), 2) + chordlib::pianoLine(QStringLiteral("C"), 1);
    EXPECT_EQ(obtenirMChordPiano(QStringLiteral("Am/G"), song).fretPos, 2);
    EXPECT_EQ(obtenirMChordPiano(QStringLiteral("C"), song).fretPos, 1);
    EXPECT_EQ(obtenirMChordPiano(QStringLiteral("G"), song).fretPos, 0);
    EXPECT_EQ(obtenirMChordPiano(QStringLiteral("Am"), song.left(27)).fretPos, 0);
}

TEST(ChordLibraries, LoadedOnceAndReloadedPerInstrument)
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    const Libraries keep(Data::allChordsString(), Data::allChordsStringUk());
    Data::chargerAllChordsString(false, -1, false);
    Data::allChordsString() = QStringLiteral("edited");
    Data::chargerAllChordsString(false, -1, false);
    EXPECT_EQ(Data::allChordsString(), QStringLiteral("edited"));

    Data::allChordsStringUk() = QStringLiteral("uk edited");
    Data::saveChordLibraryForInstrument(1);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("CHORDS1UK")), QStringLiteral("uk edited"));
    Data::allChordsStringUk() = QString();
    Data::chargerAllChordsString(true, 1, false);
    EXPECT_EQ(Data::allChordsStringUk(), QStringLiteral("uk edited"));
    Data::chargerAllChordsString(true, 1, true);
    EXPECT_EQ(Data::allChordsStringUk(), Data::obtenirDefaultChordStringforInstrument(1));
    EXPECT_EQ(Data::allChordsString(), QStringLiteral("edited"));
    Data::chargerAllChordsString(true, 7, true);
    EXPECT_EQ(Data::allChordsString(), QStringLiteral("edited"));
    defaults.removeObjectForKey(QStringLiteral("CHORDS1UK"));
    Data::chargerAllChordsString(true, 0, false);
    EXPECT_EQ(Data::allChordsString(), Data::obtenirDefaultChordStringforInstrument(0));
}
