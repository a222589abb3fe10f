#include "ChordProTestUtil.h"

#include <gtest/gtest.h>

using chordpro::ChordProPage;
using chordpro::PageRequest;
using chordpro::StyledRun;
using chordpro::Style;
using cptest::lines;
using cptest::loaded;

namespace {

// Several pages of everything a page can start with: chorus blocks and their
// end spacers, comment boxes with a line beside them, gaps, highlights, long
// lines that wrap, and directives that render nothing.
QString longSong()
{
    QString text = QStringLiteral("{title: Paging}\n{key: G}\n");
    for (int stanza = 0; stanza < 12; ++stanza) {
        text += QStringLiteral("{c: Verse %1}\nBeside the comment\n").arg(stanza);
        for (int line = 0; line < 5; ++line)
            text += QStringLiteral("[G]Verse %1 line [D]%2 of the [Em]song\n").arg(stanza).arg(line);
        text += QStringLiteral("A long line without chords that runs on and on past the right edge of the page %1\n")
                    .arg(stanza);
        text += QStringLiteral("\n{soc}\n");
        for (int line = 0; line < 3; ++line)
            text += QStringLiteral("[C]Chorus {soh}%1{eoh} line [G]%2\n").arg(stanza).arg(line);
        text += QStringLiteral("\n[Am]Chorus end\n{eoc}\n");
        text += stanza % 2 ? QStringLiteral("{np}\n") : QStringLiteral("{new_page}\n");
        text += QStringLiteral("Plain line after the break %1\n\n").arg(stanza);
    }
    return text;
}

// The whole song laid out in one pass, cut into its pages at the page-break rules.
std::vector<QStringList> wholePages(ChordPro &cp, const QSizeF &view, PageRequest request)
{
    request.pageNo = 0;
    cp.chargerPage(view, request);
    std::vector<QStringList> pages(1);
    for (const QString &line : lines(cp)) {
        if (line == QLatin1String("rule|"))
            pages.emplace_back();
        else
            pages.back() << line;
    }
    return pages;
}

// Page n as a window asks for it; with half pages, its two halves one after the other.
QStringList singlePage(ChordPro &cp, const QSizeF &view, PageRequest request, int n)
{
    std::vector<StyledRun> runs;
    const int first = request.ratio21 ? 2 * n - 1 : n;
    const int last = request.ratio21 ? 2 * n : n;
    for (int p = first; p <= last; ++p) {
        request.pageNo = p;
        cp.chargerPage(view, request);
        runs.insert(runs.end(), cp.obtenirDocumentComplet().begin(), cp.obtenirDocumentComplet().end());
    }
    return lines(runs);
}

// Where the page-break rules lie on a page holding the whole song.
std::vector<double> ruleBottoms(const ChordProPage &page)
{
    std::vector<double> bottoms;
    for (const ChordProPage::Fill &fill : page.fills)
        if (fill.style == Style::SpacerLR && (bottoms.empty() || fill.rect.bottom() > bottoms.back() + 0.01))
            bottoms.push_back(fill.rect.bottom());
    return bottoms;
}

} // namespace

// A page asked for alone started with one spacer line per earlier page break
// and ended with one per later break, so from page 3 on every page sat lower
// than the same page of the whole song; and a break falling on a blank line
// of a chorus put the page-break rule beside the bar and an extra line on top
// of the next page.
TEST(ChordProPaging, PageAskedAloneMatchesTheWholeLayout)
{
    struct Case {
        const char *what;
        bool gap;
        bool lyricsOnly;
        bool ratio21;
        int modeAffichage;
        bool reused; // the next song's object, which laid out another song before
    };
    const Case cases[] = {
        {"main pane", false, false, false, 0, false},
        {"main pane with gaps", true, false, false, 0, false},
        {"half-page band", true, false, false, 1, false},
        {"lyrics only", true, true, false, 2, false},
        {"lyrics only in the band", false, true, false, 1, false},
        {"lyrics in half pages", true, true, true, 2, false},
        {"next song ahead", true, false, false, 4, true},
    };
    const QString text = longSong();
    const QSizeF view(611, 752);
    for (const Case &c : cases) {
        cptest::Options options;
        options.gap = c.gap;
        ChordPro cp = loaded(c.reused ? QStringLiteral("{soc}\n[C]Another song\n{eoc}\n{c: short}\n") : text, &options, true);
        PageRequest request;
        request.lyricsOnly = c.lyricsOnly;
        request.ratio21 = c.ratio21;
        request.modeAffichage = c.modeAffichage;
        if (c.reused) {
            request.pageNo = 1;
            cp.chargerPage(view, request);
            cp.setChordProData(text);
            cp.ajusterAttributsPourRendering(ChordPro::obtenirFontSize(text, 17.0), true);
        }
        const std::vector<QStringList> whole = wholePages(cp, view, request);
        const int count = cp.nbPages();
        ASSERT_GE(count, 5) << c.what;
        ASSERT_EQ(int(whole.size()), count) << c.what;
        for (int n = 1; n <= count; ++n) {
            const QStringList alone = singlePage(cp, view, request, n);
            EXPECT_EQ(cp.nbPages(), count) << c.what << ", page " << n;
            EXPECT_EQ(alone, whole[size_t(n - 1)]) << c.what << ", page " << n;
        }

        // The next song's object gives the pages the current song's object gives.
        if (c.reused) {
            ChordPro current = loaded(text, &options, true);
            for (int n = 1; n <= count; ++n)
                EXPECT_EQ(singlePage(current, view, request, n), singlePage(cp, view, request, n)) << "page " << n;
        }
    }
}

// Drawn, a page asked for alone puts every run where the whole song puts it,
// measured from the top of that page.
TEST(ChordProPaging, PageAskedAloneIsDrawnWhereTheWholeLayoutDrawsIt)
{
    const QString text = longSong();
    cptest::Options options;
    options.gap = true;
    ChordPro cp = loaded(text, &options, true);
    PageRequest request;
    request.pageNo = 0;
    const ChordProPage whole = cp.chargerPage(QSizeF(611, 752 * 10), request);
    const std::vector<double> rules = ruleBottoms(whole);
    const int count = cp.nbPages();
    ASSERT_EQ(int(rules.size()), count - 1);
    for (int n = 1; n <= count; ++n) {
        const double top = n == 1 ? 0.0 : rules[size_t(n - 2)];
        const double bottom = n == count ? 1e9 : rules[size_t(n - 1)] - 1.0;
        std::vector<const ChordProPage::Run *> expected;
        for (const ChordProPage::Run &run : whole.runs)
            if (run.baseline.y() > top && run.baseline.y() < bottom)
                expected.push_back(&run);
        request.pageNo = n;
        const ChordProPage &page = cp.chargerPage(QSizeF(611, 752), request);
        ASSERT_EQ(page.runs.size(), expected.size()) << "page " << n;
        for (size_t i = 0; i < expected.size(); ++i) {
            const ChordProPage::Run &run = page.runs[i];
            EXPECT_EQ(run.text, expected[i]->text) << "page " << n;
            EXPECT_NEAR(run.baseline.x(), expected[i]->baseline.x(), 0.01) << "page " << n;
            EXPECT_NEAR(run.baseline.y(), expected[i]->baseline.y() - top, 0.01)
                << "page " << n << ": " << run.text.toStdString();
        }
    }
}
