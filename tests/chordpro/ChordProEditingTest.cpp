#include "chordpro/ChordProEditing.h"

#include "ChordProTestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace chordpro::editing;

namespace {

TEST(ChordProEditing, ChordLines)
{
    const struct {
        const char *line;
        bool chords;
    } rows[] = {
        {"C       F       G", true},
        {"    Am          C", true},
        {"Bad", true},            // B then "a": read as a chord word
        {"Be", false},            // "e" cannot follow a root
        {"c g am", true},         // any case
        {"F#m7 Bb/D Dsus4 E(add9) G6", true},
        {"C3", false},
        {"C+", false},
        {"Hello there", false},
        {"C G\r", true},          // a line end from another system is a blank
        {"", false},
        {"   \t", false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(isChordLine(QString::fromUtf8(row.line)), row.chords) << row.line;
}

TEST(ChordProEditing, MergingChordsIntoLyrics)
{
    const struct {
        const char *chords;
        const char *lyrics;
        const char *merged;
    } rows[] = {
        {"   C    G     Am", "   This is an example", "   [C]This [G]is an [Am]example"},
        {"Cmaj7 G", "ab", "[Cmaj7]ab[G]"},   // a long name is read whole; G follows the lyrics
        {"C  G", "", "[C][G]"},
        {"  D", "abcd", "ab[D]cd"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ligneMerge(QString::fromUtf8(row.chords), QString::fromUtf8(row.lyrics)),
                  QString::fromUtf8(row.merged))
            << row.chords;
}

TEST(ChordProEditing, ConvertingChordOverLyricsText)
{
    const struct {
        const char *text;
        const char *converted;  // nullptr: "already fine"
    } rows[] = {
        {"[verse 1]\nC       G\nHello there\n", "{c:Verse 1:}\n[C]Hello th[G]ere\n\n"},
        {"Solo: C Am F C\n", "{c:Solo:}[C][Am][F][C]\n\n"},
        {"Intro: some words\n", "{c:Intro: some words}\n\n"},
        {"C  G\n\nla\n", "[C][G]\n\nla\n\n"},          // a chord line before a blank line
        {"C G\nla la\nD  A", "[C]la[G] la\nD  A\n"},   // left pending at the end: kept as it was
        {"[CH]G[/CH]\nyes\n", "[G]yes\n\n"},
        {"{title:X}\n[C]Already ChordPro\n", nullptr},
        {"", nullptr},
    };
    for (const auto &row : rows) {
        const std::optional<QString> out = convertirTab(QString::fromUtf8(row.text));
        if (!row.converted)
            EXPECT_FALSE(out.has_value()) << row.text;
        else
            EXPECT_EQ(out.value_or(QStringLiteral("<nothing>")), QString::fromUtf8(row.converted)) << row.text;
    }
}

TEST(ChordProEditing, Transposing)
{
    const struct {
        const char *text;
        const char *chords;  // the song's chord list
        const char *key;
        int semitones;
        int pref;
        const char *out;
    } rows[] = {
        // Each chord moves once, even where one's new name is another's old one.
        {"[C]a [D]b", ";C;D;", "", 2, 0, "[D]a [E]b"},
        {"[C]a [D]b", ";C;D;", "", -2, 0, "[Bb]a [C]b"},
        // The chord list's spelling finds the text's in any case.
        {"[c]a [C]b", ";c;", "", 2, 0, "[D]a [D]b"},
        {"{key:G}\n[G][D/F#]", ";G;D/F#;", "G", 2, 0, "{key:A}\n[A][E/G#]"},
        // The key directive with blanks, in any case, moves with the chords.
        {"{key: G}\n[G]", ";G;", "G", 2, 0, "{key: A}\n[A]"},
        {"{ K : G }\n[G]", ";G;", "G", -1, 0, "{ K : F# }\n[F#]"},
        {"[C(add9)]x [C]y", ";C(add9);C;", "", 2, 0, "[D(add9)]x [D]y"},
        // Definitions and comments keep their names.
        {"{define: C base-fret 1 frets 0 3 2 0 1 0}\n{c:C major}\n[C]", ";C;", "", 2, 0,
         "{define: C base-fret 1 frets 0 3 2 0 1 0}\n{c:C major}\n[D]"},
        {"[C#]a [Eb]b", ";C#;Eb;", "", 0, 1, "[Db]a [Eb]b"},
        {"[C#]a [Eb]b", ";C#;Eb;", "", 0, 2, "[C#]a [D#]b"},
        // A bracketed marker without a root stays as written.
        {"[N.C.] [C]", ";N.C.;C;", "", 2, 0, "[N.C.] [D]"},
        {"no chords", "", "", 3, 0, "no chords"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(doTranspose(QString::fromUtf8(row.text), chordNames(QString::fromUtf8(row.chords)),
                              QString::fromUtf8(row.key), row.semitones, row.pref),
                  QString::fromUtf8(row.out))
            << row.text << " by " << row.semitones;
}

TEST(ChordProEditing, TransposeRequests)
{
    const struct {
        qint64 param;
        int semitones;
        int pref;
    } rows[] = {
        {0, 0, 0}, {6, 6, 0}, {-6, -6, 0}, {7, -6, 1}, {13, 0, 1}, {19, 6, 1},
        {20, -6, 2}, {26, 0, 2}, {32, 6, 2},
    };
    for (const auto &row : rows) {
        const TransposeRequest request = decodeTranspose(row.param);
        EXPECT_EQ(request.semitones, row.semitones) << row.param;
        EXPECT_EQ(request.prefBemolDiese, row.pref) << row.param;
        // Every row of the list round-trips through the parameter.
        EXPECT_EQ(transposeParamForRow(6 - row.semitones, row.pref), row.param);
    }
}

TEST(ChordProEditing, TransposeListRows)
{
    const QStringList chords = {QStringLiteral("G"), QStringLiteral("C"), QStringLiteral("D7")};
    const struct {
        int row;
        int pref;
        const char *no;
        const char *key;
        const char *list;
    } rows[] = {
        {0, 0, "+6", "C#", "C#  F#  G#7  "},
        {0, 1, "+6", "Db", "Db  Gb  Ab7  "},
        {0, 2, "+6", "C#", "C#  F#  G#7  "},
        {6, 0, "0", "G", "G  C  D7  "},
        {7, 0, "-1", "F#", "F#  B  C#7  "},
        {7, 1, "-1", "Gb", "Gb  B  Db7  "},
        {12, 2, "-6", "C#", "C#  F#  G#7  "},
    };
    for (const auto &row : rows) {
        const TransposeRow cells = transposeRow(QStringLiteral("G"), chords, row.row, row.pref);
        EXPECT_EQ(cells.chordNo, QString::fromUtf8(row.no));
        EXPECT_EQ(cells.chord, QString::fromUtf8(row.key)) << row.row << "/" << row.pref;
        EXPECT_EQ(cells.chordList, QString::fromUtf8(row.list)) << row.row << "/" << row.pref;
    }
}

TEST(ChordProEditing, FontSteps)
{
    const struct {
        const char *text;
        double step;
        const char *out;  // nullptr: refused
    } rows[] = {
        {"{title:X}\n{fontsize:17.0}\n", 1.0, "{title:X}\n{fontsize:18.0}\n"},
        {"{fontsize:17.0}\n", -0.1, "{fontsize:16.9}\n"},
        {"{FontSize:9}\n", 0.1, "{fontsize:9.1}\n"},
        {"[C]la\n", 1.0, "{fontsize:17.0}\n[C]la\n"},   // none yet: 17.0 goes on top
        {"{fontsize:5.0}\n", -0.1, nullptr},
        {"{fontsize:5.5}\n", -1.0, nullptr},
        {"{fontsize:99.9}\n", 0.1, nullptr},
        {"{fontsize:99}\n", 1.0, nullptr},
        // An unclosed directive is never rewritten: before, its value ran on to
        // the title's "}" and the step swallowed the title.
        {"{fontsize:18\n{title:Song}\n", 1.0, "{fontsize:17.0}\n{fontsize:18\n{title:Song}\n"},
        // Nor is one sharing its line with other text.
        {"{title:Song}{fontsize:18}\n", 1.0, "{fontsize:17.0}\n{title:Song}{fontsize:18}\n"},
    };
    for (const auto &row : rows) {
        const std::optional<QString> out = stepFontSize(QString::fromUtf8(row.text), row.step);
        if (!row.out)
            EXPECT_FALSE(out.has_value()) << row.text;
        else
            EXPECT_EQ(out.value_or(QStringLiteral("<refused>")), QString::fromUtf8(row.out)) << row.text;
    }
    // Steps from an unclosed directive always change the text, so the fit
    // command ends (it used to loop for ever on "YES, unchanged").
    QString text = QStringLiteral("{fontsize:18\n{title:Song}\n");
    for (int i = 0; i < 3; ++i) {
        const std::optional<QString> next = stepFontSize(text, 1.0);
        ASSERT_TRUE(next);
        EXPECT_NE(*next, text);
        text = *next;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("{title:Song}")));
}

double sizeOf(const QString &text) { return ChordPro::obtenirFontSize(text, 17.0); }

TEST(ChordProEditing, FittingToTwoPages)
{
    // Page counts as a function of the size.
    const struct {
        const char *name;
        std::function<int(double)> pages;
        double size;
    } rows[] = {
        {"grows while it fits", [](double s) { return int(std::ceil(s / 20.03)); }, 40.0},
        {"shrinks by whole steps then grows back by tenths", [](double s) { return int(std::ceil(s / 8.13)); }, 16.2},
        {"a song that never fits stops at the smallest size", [](double) { return 4; }, 5.0},
        {"a song that never fills two pages stops at the largest step", [](double) { return 1; }, 99.0},
    };
    for (const auto &row : rows) {
        const QString fitted = fitToTwoPages(QStringLiteral("{fontsize:17.0}\n[C]la\n"),
                                             [&](const QString &t) { return row.pages(sizeOf(t)); });
        EXPECT_NEAR(sizeOf(fitted), row.size, 1e-9) << row.name;
    }

    // With the real layout: a long song ends on 2 pages, and a tenth more would not.
    QString song = QStringLiteral("{title:Long}\n{fontsize:17.0}\n");
    for (int i = 0; i < 60; ++i)
        song += QStringLiteral("[G]Walking down the [D]road at night, the [Em]city lights\n");
    ChordPro measure(QRectF(0, 0, 611, 752), nullptr, true);
    auto pagesOf = [&](const QString &t) {
        measure.ajusterAttributsPourRendering(sizeOf(t), true);
        measure.traiterChordProData(t, chordpro::ModeChords, 0, 0);
        return measure.nbPages();
    };
    ASSERT_GT(pagesOf(song), 2);
    const QString fitted = fitToTwoPages(song, pagesOf);
    EXPECT_EQ(pagesOf(fitted), 2);
    EXPECT_GE(pagesOf(stepFontSize(fitted, 0.1).value()), 3);
}

TEST(ChordProEditing, NewSongNames)
{
    const struct {
        const char *title;
        const char *subtitle;
        const char *name;
    } rows[] = {
        {"Song", "Band", "Song(Band)"},
        {"Song", "", "Song"},
        {"  A/B?C ", "X*|<>\"%\\", "ABC (X)"},
        // Before, the leading dots made a hidden file the folder scan never lists.
        {"...And Justice", "", "And Justice"},
        {"Tab\tName\x01", "", "TabName"},
        {"///", "", ""},
        {". .*", "", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(newSongBaseName(QString::fromUtf8(row.title), QString::fromUtf8(row.subtitle)),
                  QString::fromUtf8(row.name))
            << row.title;
    // Cut to fit "_999.chopro" in 255 bytes, never inside a character.
    const QString longName = newSongBaseName(QString(300, QChar(0x00E9)) + QString::fromUtf8("\xF0\x9F\x8E\xB8"), QString());
    EXPECT_LE(longName.toUtf8().size() + 11, 255);
    EXPECT_FALSE(longName.back().isHighSurrogate());

    QTemporaryDir dir;
    const platform::MainThreadFileScope saveThread{"the looks of the editor's save thread, run on the test's"};
    const NewSongPath first = newSongPath(dir.path(), QStringLiteral("Song(Band)"));
    EXPECT_EQ(first.path, dir.filePath(QStringLiteral("Song(Band).chopro")));
    QFile(first.path).open(QIODevice::WriteOnly);
    EXPECT_EQ(newSongPath(dir.path(), QStringLiteral("Song(Band)")).path, dir.filePath(QStringLiteral("Song(Band)_1.chopro")));
    for (int n = 1; n <= 999; ++n)
        QFile(dir.filePath(QStringLiteral("Song(Band)_%1.chopro").arg(n))).open(QIODevice::WriteOnly);
    const NewSongPath none = newSongPath(dir.path(), QStringLiteral("Song(Band)"));
    EXPECT_TRUE(none.path.isEmpty());
    EXPECT_FALSE(none.error.isEmpty());
}

TEST(ChordProEditing, CompletionLists)
{
    const QStringList chords = {QStringLiteral("Am"), QStringLiteral("G7")};
    EXPECT_EQ(completions(QStringLiteral("["), chords),
              QStringList({"[", "[Am]", "[G7]", "[C]", "[D]", "[E]", "[F]", "[G]", "[A]", "[B]"}));
    const QStringList directives = completions(QStringLiteral("x{"), {});
    ASSERT_EQ(directives.size(), 9);
    EXPECT_EQ(directives.first(), QStringLiteral("x{"));
    EXPECT_EQ(directives.at(1), QStringLiteral("x{title:Title}"));
    EXPECT_EQ(directives.last(), QStringLiteral("x{fontsize:18.0}"));
    EXPECT_TRUE(completions(QStringLiteral("[C]"), chords).isEmpty());
    EXPECT_TRUE(completions(QString(), chords).isEmpty());
}

TEST(ChordProEditing, MarkupAndTitles)
{
    EXPECT_EQ(wrapMarkup(Markup::Chorus, QStringLiteral("la\n")), QStringLiteral("{soc}\nla\n{eoc}\n"));
    EXPECT_EQ(wrapMarkup(Markup::Comment, QStringLiteral("note\n")), QStringLiteral("{c:note}"));
    EXPECT_EQ(wrapMarkup(Markup::Comment, QStringLiteral("\n")), QStringLiteral("{c:\n}"));
    EXPECT_EQ(wrapMarkup(Markup::Highlight, QStringLiteral("hi")), QStringLiteral("{soh}hi{eoh}"));

    const struct {
        const char *entry;
        const char *path;
        bool hasEntry;
        const char *textTitle;
        const char *title;
    } rows[] = {
        {"Entry Title", "", true, "Other", "Entry Title"},
        {"", "/songs/My Song.chopro", false, "Other", "My Song.chopro"},
        {"", "", false, "Title", "New Song:(no title)"},
        {"", "", false, "", "New Song:(no title)"},
        {"", "", false, "Yesterday", "Yesterday"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(windowTitle(QString::fromUtf8(row.entry), QString::fromUtf8(row.path), row.hasEntry,
                              QString::fromUtf8(row.textTitle)),
                  QString::fromUtf8(row.title));
    EXPECT_EQ(pageLabel(0), QStringLiteral("0 page"));
    EXPECT_EQ(pageLabel(1), QStringLiteral("1 page"));
    EXPECT_EQ(pageLabel(3), QStringLiteral("3 pages"));
    EXPECT_EQ(defaultStringPourNouveau().left(kTemplateHeadLength),
              QStringLiteral("{title:Title}\n{st:Artist}\n{fontsize:17.0}\n\n"));
}

TEST(ChordProEditing, ColourScan)
{
    using K = SpanKind;
    const struct {
        const char *text;
        std::vector<ColourSpan> spans;
    } rows[] = {
        {"[C]la {c:x}", {{0, 3, K::Chord}, {6, 5, K::Directive}}},
        {"# first line\n", {}},                              // no line end before it
        {"a\n# note\nb", {{2, 7, K::Comment}}},
        {"a\n# unfinished", {}},
        {"[a [C]", {{3, 3, K::Chord}}},                       // a second opener moves the start
        {"x] y}", {}},
        {"{c:[G]}", {{3, 3, K::Chord}, {0, 7, K::Directive}}},
        {"[C\nla]", {{0, 6, K::Chord}}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(colourSpans(QString::fromUtf8(row.text)), row.spans) << row.text;
}

} // namespace
