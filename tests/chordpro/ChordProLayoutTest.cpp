#include "ChordProTestUtil.h"

#include <QDebug>
#include <gtest/gtest.h>

using cptest::layout;
using chordpro::ModeChords;
using chordpro::ModeLyrics;
using chordpro::ModeLyricsHalves;

namespace {

QString joined(const QStringList &lines) { return lines.join(QLatin1Char('\n')); }

// Spacer lines carry no text (page-break spacers land on every page's output).
QStringList withoutSpacers(QStringList lines)
{
    lines.removeAll(QStringLiteral("sp|"));
    return lines;
}

#define EXPECT_LINES(actual, ...) EXPECT_EQ(joined(actual).toStdString(), joined(QStringList{__VA_ARGS__}).toStdString())

TEST(ChordProLayout, ChordPlacement)
{
    EXPECT_LINES(layout(QStringLiteral("[Am]Hello [G]world\n")), "C|Am    G", "L|Hello world");
    EXPECT_LINES(layout(QStringLiteral("[Cmaj7]a[G]b\n")), "C|Cmaj7 G", "L|a     b");
    // Adjacent chords stay one column apart.
    EXPECT_LINES(layout(QStringLiteral("x[C][G]y\n")), "C| C G", "L|x  y");
    // A chord longer than its syllable pushes the next one right and pads the lyrics.
    EXPECT_LINES(layout(QStringLiteral("[Dsus4]Oh [A]yes\n")), "C|Dsus4 A", "L|Oh    yes");
    // A line of chords only is followed by a gap line.
    EXPECT_LINES(layout(QStringLiteral("[C][G]\nText\n")), "C|C G", "gap|", "L|Text");
    // With a blank between them the chords have a (blank) lyric line and no gap.
    EXPECT_LINES(layout(QStringLiteral("[C] [G]\nText\n")), "C|C G", "L|Text");
}

TEST(ChordProLayout, LinesGapsAndSkippedText)
{
    EXPECT_LINES(layout(QStringLiteral("One\n\nTwo\n")), "L|One", "gap|", "L|Two");
    // Blanks only, a header directive and a "#" line render nothing; "{soh}" alone a gap.
    EXPECT_LINES(layout(QStringLiteral("One\n   \n{title: T}\n# note [C]\n{soh}\n{eoh}\nTwo")), "L|One", "gap|", "gap|", "L|Two");
    // Tabs, carriage returns and NULs are dropped.
    EXPECT_LINES(layout(QStringLiteral("A\tB\r\nC") + QChar(0) + QStringLiteral("D\n")), "L|AB", "L|CD");
    // An unclosed brace swallows the lines after it.
    EXPECT_LINES(layout(QStringLiteral("Before\n{c: open\nLost line\nLost too\n")), "L|Before");
    // Unmatched closing marks are text.
    EXPECT_LINES(layout(QStringLiteral("a ] b }\n")), "L|a ] b }");
}

TEST(ChordProLayout, WrapsAtLastBlankAndReadsTheWordAgain)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    ASSERT_EQ(cp.nbMaxCarRef(), 58);
    const QString words = QStringLiteral("abcdefghij ").repeated(5);
    // The chord and its word move to the next line together.
    EXPECT_LINES(layout(cp, words + QStringLiteral("[G]last words\n")), QStringLiteral("L|") + words.trimmed(), "C|G",
                 "L|last words");
    // A chord over the cut-off word goes with it.
    EXPECT_LINES(layout(cp, QStringLiteral("[C]") + words + QStringLiteral("lon[D]gword\n")),
                 QStringLiteral("C|C"), QStringLiteral("L|") + words.trimmed(), "C|   D", "L|longword");
    // A line of exactly the limit is broken by its line end.
    EXPECT_LINES(layout(cp, words + QStringLiteral("abc\n")), QStringLiteral("L|") + words.trimmed(), "L|abc");
    EXPECT_LINES(layout(cp, words + QStringLiteral("ab\n")), QStringLiteral("L|") + words + QStringLiteral("ab"));
    // Inside a chorus the limit is two less.
    EXPECT_LINES(layout(cp, QStringLiteral("{soc}\n") + words + QStringLiteral("a\n")),
                 QStringLiteral("bar|    ") + words.trimmed(), "bar|    a");
}

TEST(ChordProLayout, LongWordBreaksAtLimitWithoutHyphen)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const int limit = cp.nbMaxCarRef();
    const QString word(limit * 2 + 5, QLatin1Char('w'));
    const QStringList out = layout(cp, word + QLatin1Char('\n'));
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(out[0], QStringLiteral("L|") + QString(limit, QLatin1Char('w')));
    EXPECT_EQ(out[1], QStringLiteral("L|") + QString(limit, QLatin1Char('w')));
    EXPECT_EQ(out[2], QStringLiteral("L|wwwww"));
}

TEST(ChordProLayout, TinyLimitStillAdvances)
{
    // A wrap limit of 0 or less (huge font on a tiny page) looped forever
    // breaking before the same character.
    ChordPro cp(QRectF(0, 0, 4, 4), nullptr, false);
    ASSERT_LE(cp.nbMaxCarRef(), 0);
    const QStringList out = layout(cp, QStringLiteral("ab c[G]d\n"));
    EXPECT_TRUE(out.contains(QStringLiteral("L|a")));
    EXPECT_TRUE(out.contains(QStringLiteral("L|b")));
    EXPECT_TRUE(out.contains(QStringLiteral("L|d")));
    EXPECT_GE(cp.nbPages(), 1);
}

TEST(ChordProLayout, Chorus)
{
    cptest::Options gap;
    gap.gap = true;
    ChordPro cp(QRectF(0, 0, 611, 752), &gap, false);
    cp.ajusterAttributsPourRendering(17.0, true);
    EXPECT_LINES(layout(cp, QStringLiteral("{soc}\n[C]La [G]la\n\n{eoc}\nAfter\n")),
                 "barsp|", "bar|    C  G", "bar|    La la", "barsp|", "sp|", "L|After");
    // Without the gap option the chorus has no spacers.
    ChordPro plain(QRectF(0, 0, 611, 752), nullptr, false);
    EXPECT_LINES(layout(plain, QStringLiteral("{soc}\n[C]La [G]la\n\n{eoc}\nAfter\n")), "bar|    C  G", "bar|    La la",
                 "L|After");
    // Only the whole directive text counts.
    EXPECT_LINES(layout(QStringLiteral("{ soc}\nNot chorus\n")), "L|Not chorus");
    // The end of a chorus read again after a wrap added its spacer twice.
    const QString words = QStringLiteral("abcdefghij ").repeated(4);
    EXPECT_EQ(layout(cp, QStringLiteral("{soc}\n") + words + QStringLiteral("ab{eoc}cdefghijklmnop\n")).count(QStringLiteral("sp|")), 1);
}

TEST(ChordProLayout, CommentBoxes)
{
    EXPECT_LINES(layout(QStringLiteral("{c: Intro }\n[C][G]\nText\n")), "band|=====", "cmt|Intro C G", "gap|", "L|Text");
    EXPECT_LINES(layout(QStringLiteral("{comment:Intro}\n[C] [G]\nText\n")), "band|=====", "cmt|Intro", "C|C G",
                 "L|Text");
    // A short text line sits beside the comment in the full layout.
    EXPECT_LINES(layout(QStringLiteral("{c:Solo}\nx4\nNext\n")), "band|====", "cmt|Solo x4", "L|Next");
    // A text line dropped in lyrics-only pages when it fitted beside a comment.
    EXPECT_LINES(layout(QStringLiteral("{c:Solo}\nx4\nNext\n"), ModeLyrics), "L|x4", "L|Next");
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const QString longLine(cp.nbMaxCarRef() - 3, QLatin1Char('y'));
    EXPECT_LINES(layout(cp, QStringLiteral("{c:Solo}\n") + longLine + QLatin1Char('\n')), "band|====", "cmt|Solo",
                 QStringLiteral("L|") + longLine);
}

TEST(ChordProLayout, HighlightRanges)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    layout(cp, QStringLiteral("one {soh}two{eoh} three {soh}four\nfive\n"));
    QStringList runs;
    for (const auto &run : cp.obtenirDocumentComplet())
        runs << cptest::tag(run.style) + QLatin1Char(':') + QString(run.text).replace(QLatin1Char('\n'), QLatin1Char('/'));
    EXPECT_LINES(runs, "sp: /", "L:one ", "H:two", "L: three ", "H:four", "L:/", "H:five", "L:/");
}

TEST(ChordProLayout, EmbeddedChords)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const QString song = QStringLiteral("{soe}[C]Before\n[G]In [D]line\n{eoe}[A]last\n[E]After\n");
    EXPECT_LINES(layout(cp, song), "C|C", "L|Before", "L|(G)In (D)line", "L|(A)last", "C|E", "L|After");
    QStringList runs;
    for (const auto &run : cp.obtenirDocumentComplet())
        runs << cptest::tag(run.style) + QLatin1Char(':') + run.text;
    EXPECT_TRUE(runs.join(QLatin1Char('|')).contains(QStringLiteral("L:Before\n(|C:G|L:)In (|C:D|L:)line\n(|C:A|L:)last\n")))
        << runs.join(QLatin1Char('|')).toStdString();
    // Lyrics only: embedded chords are left out.
    EXPECT_LINES(layout(song, ModeLyrics), "L|Before", "L|In line", "L|last", "L|After");
}

QString verse(int n)
{
    QString text;
    for (int i = 0; i < n; ++i)
        text += QStringLiteral("[C]Line number [G]%1 of the [Am]song\n").arg(i);
    return text;
}

TEST(ChordProLayout, PagesBreakAtReferenceHeight)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const QString song = verse(40);
    layout(cp, song);
    const int pages = cp.nbPages();
    EXPECT_EQ(pages, 3);
    // Each page shows its own lines; every page starts with one spacer, its top margin.
    QStringList all;
    for (int p = 1; p <= pages; ++p) {
        const QStringList out = layout(cp, song, ModeChords, p);
        ASSERT_FALSE(out.isEmpty());
        EXPECT_EQ(cp.nbPages(), pages);
        EXPECT_EQ(cp.obtenirDocumentComplet().front().text, QStringLiteral(" \n")) << p;
        for (const QString &l : out)
            if (l != QLatin1String("sp|"))
                all << l;
    }
    EXPECT_EQ(all.size(), 80);
    EXPECT_TRUE(all.last().contains(QLatin1String("39 of")));
    // All pages at once: a rule marks each break.
    const QStringList every = layout(cp, song, ModeChords, 0);
    EXPECT_EQ(every.count(QStringLiteral("rule|")), pages - 1);
}

TEST(ChordProLayout, ChordLineKeepsItsLyricLineOnThePage)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const QString song = verse(40);
    for (int p = 1; p <= 3; ++p) {
        const QStringList out = withoutSpacers(layout(cp, song, ModeChords, p));
        EXPECT_TRUE(out.last().startsWith(QLatin1String("L|"))) << p;
        EXPECT_TRUE(out.first().startsWith(QLatin1String("C|"))) << p;
    }
}

TEST(ChordProLayout, LyricsOnlyPages)
{
    const QString song = verse(40);
    ChordPro own(QRectF(0, 0, 611, 752), nullptr, false);
    layout(own, song, ModeLyrics);
    // Without chord lines lyrics-only pages hold more.
    EXPECT_EQ(own.nbPages(), 2);

    // With the shared reference size chord lines still take room: breaks match.
    ChordPro shared(QRectF(0, 0, 300, 300), nullptr, true);
    layout(shared, song, ModeChords);
    const int chordPages = shared.nbPages();
    const QStringList page2 = layout(shared, song, ModeChords, 2);
    layout(shared, song, ModeLyrics);
    EXPECT_EQ(shared.nbPages(), chordPages);
    const QStringList lyrics2 = layout(shared, song, ModeLyrics, 2);
    QStringList page2Lyrics;
    for (const QString &l : page2)
        if (l.startsWith(QLatin1String("L|")))
            page2Lyrics << l;
    lyrics2.size();
    QStringList lyricsOnly;
    for (const QString &l : lyrics2)
        if (l != QLatin1String("sp|"))
            lyricsOnly << l;
    EXPECT_EQ(lyricsOnly, page2Lyrics);
}

TEST(ChordProLayout, HalfPagesSplitEachPage)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, true);
    const QString song = verse(30);
    layout(cp, song, ModeChords);
    const int pages = cp.nbPages();
    const QStringList page1 = layout(cp, song, ModeLyrics, 1);
    const QStringList top = layout(cp, song, ModeLyricsHalves, 1);
    EXPECT_EQ(cp.nbPages(), pages);
    const QStringList bottom = layout(cp, song, ModeLyricsHalves, 2);
    EXPECT_FALSE(top.isEmpty());
    EXPECT_FALSE(bottom.isEmpty());
    EXPECT_EQ(withoutSpacers(top + bottom), withoutSpacers(page1));
    EXPECT_EQ(withoutSpacers(top).size(), 9);
    const QStringList secondTop = layout(cp, song, ModeLyricsHalves, 3);
    EXPECT_FALSE(secondTop.isEmpty());
    EXPECT_NE(secondTop.first(), top.first());
}

TEST(ChordProLayout, SourceRangeOfALine)
{
    ChordPro cp(QRectF(0, 0, 611, 752), nullptr, false);
    const QString text = QStringLiteral("First\nSecond line\nThird\n");
    cp.setChordProData(text);
    const chordpro::SourceRange range = cp.traiterChordProData(text, ModeChords, 0, int(text.indexOf("Second")));
    EXPECT_EQ(cp.documentPlainText().mid(range.location, range.length), QStringLiteral("Second line\n"));
    const chordpro::SourceRange past = cp.traiterChordProData(text, ModeChords, 0, 1000);
    EXPECT_EQ(past.location, cp.documentPlainText().size() - 1);
}

} // namespace
