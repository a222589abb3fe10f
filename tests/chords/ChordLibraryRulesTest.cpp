#include "chords/ChordLibraryRules.h"

#include "ChordTestUtil.h"
#include "chords/ChordLibraryLine.h"

#include <gtest/gtest.h>

using namespace chordlibrary;

namespace {

ChordSpecs record(const QString &name, const MChord &chord = shape({0, 0, 0, 0, 0, 0}, 1))
{
    ChordSpecs r;
    r.setChordName(name);
    r.setChordX(chord);
    return r;
}

QStringList names(const QList<ChordSpecs> &records)
{
    QStringList out;
    for (const ChordSpecs &r : records)
        out.append(r.chordName());
    return out;
}

QString line(const QString &name, const QList<int> &values, int fret)
{
    return chordlib::defineLine(name, values, fret);
}

} // namespace

TEST(ChordLibraryRules, TidiesTypedNames)
{
    const struct {
        const char *typed;
        const char *tidy;
    } rows[] = {
        {"", ""},
        {" \t ", ""},
        {" c/e ", "C/E"},
        {"am", "Am"},
        {"g/", "G/"},       // a slash in the last place leaves the rest
        {"f#m7/c#", "F#m7/C#"},
        {"b", "B"},
        {"\tbbmaj7", "Bbmaj7"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(reformatChordName(QString::fromUtf8(r.typed)), QString::fromUtf8(r.tidy)) << r.typed;
}

TEST(ChordLibraryRules, ShapeEditorClicksAndFields)
{
    const MChord start = shape({3, 0, -1, 2, 1, 0}, 1);
    const struct {
        int line, column;
        MChord expected;
        const char *why;
    } clicks[] = {
        {0, 0, shape({0, 0, -1, 2, 1, 0}, 1), "a fretted string opens"},
        {0, 1, shape({3, -1, -1, 2, 1, 0}, 1), "an open string mutes"},
        {0, 2, shape({3, 0, 0, 2, 1, 0}, 1), "a muted string opens"},
        {2, 3, start, "a dot already set stays"},
        {4, 5, shape({3, 0, -1, 2, 1, 4}, 1), "row 4 of the sixth string"},
        {1, 6, start, "no seventh string"},
        {5, 0, start, "no fifth row"},
    };
    for (const auto &c : clicks)
        EXPECT_EQ(clickDot(start, c.line, c.column), c.expected) << c.why;
    // The open row cycles: fret 3, open, muted, open.
    MChord cycled = clickDot(start, 0, 0);
    EXPECT_EQ(cycled.s1, 0);
    cycled = clickDot(cycled, 0, 0);
    EXPECT_EQ(cycled.s1, -1);
    EXPECT_EQ(clickDot(cycled, 0, 0).s1, 0);

    const struct {
        const char *typed;
        int fret;
    } frets[] = {{"0", 1}, {"1", 1}, {"7", 7}, {"12", 12}, {"15", 12}, {"abc", 1}, {"", 1}, {"x", 1}, {"-3", 1}};
    for (const auto &f : frets)
        EXPECT_EQ(clampBaseFret(QString::fromUtf8(f.typed)), f.fret) << f.typed;
    EXPECT_EQ(cutName(QStringLiteral("Cmaj7add9sus4/G#X")), QStringLiteral("Cmaj7add9sus4/G#"));
}

TEST(ChordLibraryRules, LocateButtonsAndCountLabel)
{
    const struct {
        int tag;
        bool command, shift;
        const char *name;
    } rows[] = {
        {0, false, false, "C"}, {15, true, true, "Bbm"}, {15, false, true, "Bb7"},
        {16, true, false, "Bm"}, {1, false, false, "C#"}, {17, false, false, ""}, {-1, true, false, "m"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(locateName(r.tag, r.command, r.shift), QString::fromUtf8(r.name)) << r.tag;
    EXPECT_EQ(countLabel(0), QStringLiteral("0 Chord"));
    EXPECT_EQ(countLabel(1), QStringLiteral("1 Chord"));
    EXPECT_EQ(countLabel(2), QStringLiteral("2 Chords"));
}

TEST(ChordLibraryRules, ReadsWritesAndSortsLibraries)
{
    const QString text = line("G", {3, 2, 0, 0, 0, 3}, 1) + line("C", {-1, 3, 2, 0, 1, 0}, 1) + QStringLiteral("short\n")
                         + line("G", {3, 5, 5, 4, 3, 3}, 3) + line("Am", {-1, 0, 2, 2, 1, 0}, 1) + line("C/E", {0, 3, 2, 0, 1, 0}, 1)
                         + line("C7", {-1, 3, 2, 3, 1, 0}, 1) + line("Db", {-1, 4, 3, 1, 2, 1}, 1);
    QList<ChordSpecs> records = readLibrary(text, 0, false, false);
    ASSERT_EQ(records.size(), 7);
    EXPECT_EQ(records.at(1).chordX(), shape({-1, 3, 2, 0, 1, 0}, 1));
    // The Am row moves; its new place is answered. Both G shapes keep their order.
    const int am = sortKeepingPositions(records, 3);
    EXPECT_EQ(names(records), (QStringList{"C", "C/E", "C7", "Db", "G", "G", "Am"}));
    EXPECT_EQ(am, 6);
    EXPECT_EQ(records.at(4).chordX().fretPos, 1);
    EXPECT_EQ(records.at(5).chordX().fretPos, 3);
    EXPECT_EQ(sortKeepingPositions(records, 99), 99);

    // Written back with de-duplication: a repeated line stands once.
    records.append(records.first());
    EXPECT_EQ(writeLibrary(records, 0, true).count(QLatin1Char('\n')), 7);
    EXPECT_EQ(writeLibrary(records, 0, false).count(QLatin1Char('\n')), 8);

    // Ukulele records hold four strings; the fifth and sixth read muted.
    const QList<ChordSpecs> uke = readLibrary(line("C", {0, 0, 0, 3}, 1), 1, false, true);
    ASSERT_EQ(uke.size(), 1);
    EXPECT_EQ(uke.first().chordX(), shape({0, 0, 0, 3, -1, -1}, 1, true));
    EXPECT_EQ(cellText(uke.first(), 4, 1), QStringLiteral("3"));
    EXPECT_EQ(cellText(uke.first(), 5, 1), QString());
    EXPECT_EQ(cellText(uke.first(), 7, 1), QStringLiteral("01"));
    EXPECT_EQ(cellText(records.at(1), 1, 0), QStringLiteral("0"));
}

TEST(ChordLibraryRules, ImportTakesOnlyLinesTheLibraryCanWriteBack)
{
    // Before, once one line passed, the whole file went in: a cut or garbled
    // line became a record that the next rewrite dropped unseen.
    const QString good = line("Em", {0, 2, 2, 0, 0, 0}, 1).chopped(1);
    const struct {
        QString line;
        bool taken;
        const char *why;
    } rows[] = {
        {good, true, "a written line"},
        {good + QStringLiteral("\r"), true, "a line ending of another system"},
        {QString(good).replace(QStringLiteral("|0:2"), QStringLiteral("|?:2")), false, "a value that is no digit"},
        {QString(good).replace(QStringLiteral("#01}"), QStringLiteral("#13}")), false, "base fret past 12"},
        {QString(good).replace(QStringLiteral("{define "), QStringLiteral("{defxne ")), false, "no define head"},
        {good.left(50), false, "cut short"},
        {line("", {0, 2, 2, 0, 0, 0}, 1).chopped(1), false, "no name"},
        {line("C", {0, 0, 0, 3}, 1).chopped(1), false, "a ukulele line in a guitar file"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(!importableLines(r.line, 0).isEmpty(), r.taken) << r.why;
    EXPECT_EQ(importableLines(good, 0), good + QLatin1Char('\n'));
    // A guitar file offered to the ukulele library gives nothing.
    EXPECT_TRUE(importableLines(good + QLatin1Char('\n') + good, 1).isEmpty());
    EXPECT_EQ(exportFileName(0), QStringLiteral("GuitarChords.txt"));
    EXPECT_EQ(exportFileName(1), QStringLiteral("UkuleleChords.txt"));
}

TEST(ChordLibraryRules, LocatingAndMovesWithinAName)
{
    const QList<ChordSpecs> records = {record("C"), record("G", shape({3, 2, 0, 0, 0, 3}, 1)),
                                       record("G", shape({3, 5, 5, 4, 3, 3}, 3)), record("G", shape({3, 2, 0, 0, 3, 3}, 1)),
                                       record("Am")};
    EXPECT_EQ(findChord(records, QStringLiteral("G"), false, MChord()), 1);
    EXPECT_EQ(findChord(records, QStringLiteral("G"), true, shape({3, 5, 5, 4, 3, 3}, 3, true)), 2);
    EXPECT_EQ(findChord(records, QStringLiteral("G"), true, shape({1, 1, 1, 1, 1, 1}, 1)), 1);
    EXPECT_EQ(findChord(records, QStringLiteral("g"), false, MChord()), -1);

    const struct {
        int source, proposed;
        bool allowed;
        const char *why;
    } moves[] = {
        {1, 3, true, "down within the run of G"},
        {3, 1, true, "up within the run"},
        {1, 4, true, "to the end of the run"},
        {1, 5, false, "past the run, beside Am"},
        {3, 0, false, "above the run, beside C"},
        {0, 2, false, "C among the G shapes"},
        {9, 1, false, "a source outside the list"},
    };
    for (const auto &m : moves)
        EXPECT_EQ(libraryMoveAllowed(records, m.source, m.proposed), m.allowed) << m.why;

    QList<ChordSpecs> moved = records;
    ASSERT_TRUE(moveRecord(moved, 3, 1));
    EXPECT_EQ(moved.at(1).chordX().s5, 3);
    ASSERT_TRUE(moveRecord(moved, 1, 4));
    EXPECT_EQ(moved.at(3).chordX().s5, 3);
    EXPECT_FALSE(moveRecord(moved, 7, 0));
    EXPECT_FALSE(moveRecord(moved, 0, 9));
}

TEST(ChordLibraryRules, SongDefinitionsAddedRewrittenAndRemoved)
{
    const QString directive = defineDirective(QStringLiteral("Am"), shape({-1, 0, 2, 2, 1, 0}, 1), 0);
    EXPECT_EQ(directive, QStringLiteral("{define: Am base-fret 1 frets x 0 2 2 1 0}"));
    EXPECT_EQ(defineDirective(QStringLiteral("C"), shape({0, 0, 0, 3, -1, -1}, 1), 1),
              QStringLiteral("{define: C base-fret 1 frets 0 0 0 3}"));

    const struct {
        const char *song;
        const char *expected;
        const char *why;
    } inserts[] = {
        {"[C]la\n", "{define: Am base-fret 1 frets x 0 2 2 1 0}\n[C]la\n", "no header: the first line"},
        {"{title: T}\n{key: c}\n[C]la\n", "{title: T}\n{key: c}\n{define: Am base-fret 1 frets x 0 2 2 1 0}\n[C]la\n",
         "after a lower-case key"},
        {"{t: T}\n{st: S}\n[C]", "{t: T}\n{st: S}\n{define: Am base-fret 1 frets x 0 2 2 1 0}\n[C]", "after the subtitle"},
        {"{title: Straße}\n[C]", "{title: Straße}\n{define: Am base-fret 1 frets x 0 2 2 1 0}\n[C]", "a title that grows when upper-cased"},
        {"{key: C\n[C]", "{define: Am base-fret 1 frets x 0 2 2 1 0}\n{key: C\n[C]", "an unclosed key"},
    };
    for (const auto &i : inserts)
        EXPECT_EQ(insertDefinition(QString::fromUtf8(i.song), directive), QString::fromUtf8(i.expected)) << i.why;

    const QString listed = QStringLiteral("{define: Am base-fret 1 frets x 0 2 2 1 0}{define: G base-fret 3 frets 3 5 5 4 3 3}");
    const QString song = QStringLiteral("{title: T}\n{define: Am base-fret 1 frets x 0 2 2 1 0}\n{define: G base-fret 3 frets 3 5 5 4 3 3}\n[Am]la\n");
    const ChordSpecs am = record(QStringLiteral("Am"), shape({-1, 0, 2, 2, 1, 1}, 5));
    const struct {
        bool remove;
        const char *newName;
        const char *expected;
        const char *why;
    } edits[] = {
        {false, "", "{title: T}\n{define: Am base-fret 5 frets x 0 2 2 1 1}\n{define: G base-fret 3 frets 3 5 5 4 3 3}\n[Am]la\n",
         "rewritten"},
        {false, "Am7", "{title: T}\n{define: Am7 base-fret 5 frets x 0 2 2 1 1}\n{define: G base-fret 3 frets 3 5 5 4 3 3}\n[Am]la\n",
         "renamed"},
        {true, "", "{title: T}\n{define: G base-fret 3 frets 3 5 5 4 3 3}\n[Am]la\n", "removed with one line break"},
    };
    for (const auto &e : edits) {
        const std::optional<DefinitionEdit> edit = definitionEdit(listed, am, e.remove, QString::fromUtf8(e.newName), 0);
        ASSERT_TRUE(edit) << e.why;
        QString text = song;
        EXPECT_TRUE(applyDefinitionEdit(text, *edit)) << e.why;
        EXPECT_EQ(text, QString::fromUtf8(e.expected)) << e.why;
    }
    EXPECT_FALSE(definitionEdit(listed, record(QStringLiteral("Em")), true, QString(), 0));

    // Written over two lines, the directive is listed without its break: the
    // song text does not hold it, and nothing changes.
    const QString twoLines = QStringLiteral("{define: Am base-fret 1\nfrets x 0 2 2 1 0}\n[Am]la\n");
    const std::optional<DefinitionEdit> edit =
        definitionEdit(QStringLiteral("{define: Am base-fret 1 frets x 0 2 2 1 0}"), am, true, QString(), 0);
    ASSERT_TRUE(edit);
    QString text = twoLines;
    EXPECT_FALSE(applyDefinitionEdit(text, *edit));
    EXPECT_EQ(text, twoLines);
}
