#include "ChordProTestUtil.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QWidget>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

using chordpro::ChordProPage;
using chordpro::PageRequest;
using chordpro::Style;

using cptest::loaded;

namespace {

QString song(int lines)
{
    QString text = QStringLiteral("{title: Song}\n{c: Verse}\n");
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("[C]Line number [G]%1 of the [Am]song\n").arg(i);
    return text;
}

PageRequest pageNo(int page)
{
    PageRequest r;
    r.pageNo = page;
    return r;
}

TEST(ChordProRender, MeasuringIgnoresDeviceResolution)
{
    for (bool mono : {true, false}) {
        QImage at72(10, 10, QImage::Format_ARGB32_Premultiplied);
        at72.setDotsPerMeterX(2835);
        at72.setDotsPerMeterY(2835);
        QImage at144(10, 10, QImage::Format_ARGB32_Premultiplied);
        at144.setDotsPerMeterX(5669);
        at144.setDotsPerMeterY(5669);
        const chordpro::FontMetricsPerPoint a = chordpro::measureFont(mono, true, &at72);
        const chordpro::FontMetricsPerPoint b = chordpro::measureFont(mono, true, &at144);
        EXPECT_DOUBLE_EQ(a.blankAdvance, b.blankAdvance);
        EXPECT_DOUBLE_EQ(a.lineSpacing, b.lineSpacing);
        EXPECT_DOUBLE_EQ(a.ascent, b.ascent);
        EXPECT_GT(a.blankAdvance, 0.2);
    }
    // The bundled monospaced face: 0.602 em wide, 1.164 em per line.
    EXPECT_NEAR(chordpro::fontMetrics(true, false).blankAdvance, 0.602, 0.001);
    EXPECT_NEAR(chordpro::fontMetrics(true, false).lineSpacing, 1.164, 0.001);
}

TEST(ChordProRender, PageFitsTheViewAndScalesTheFont)
{
    ChordPro cp = loaded(song(40));
    const ChordProPage &page = cp.chargerPage(QSizeF(611, 752), pageNo(1));
    EXPECT_EQ(page.pageCount, 3);
    EXPECT_EQ(cp.nbPages(), 3);
    EXPECT_NEAR(cp.styles().size, 17.0, 1e-9);
    const QString firstLyric = page.lines.at(4);
    EXPECT_EQ(firstLyric.trimmed(), QStringLiteral("Line number 0 of the song"));

    // Twice the size: same lines, fonts twice as big; pages break at the same places.
    ChordPro big = loaded(song(40));
    const ChordProPage &large = big.chargerPage(QSizeF(1222, 1504), pageNo(2));
    EXPECT_NEAR(big.styles().size, 34.0, 1e-9);
    EXPECT_EQ(large.pageCount, 3);
    cp.chargerPage(QSizeF(611, 752), pageNo(2));
    EXPECT_EQ(large.lines, cp.page().lines);

    // A wide, low view fits the page to its height.
    cp.chargerPage(QSizeF(1920, 376), pageNo(1));
    EXPECT_NEAR(cp.myFrame().height(), 376, 1e-9);
    EXPECT_NEAR(cp.myFrame().width(), 305.5, 1e-9);
    EXPECT_NEAR(cp.styles().size, 8.5, 1e-9);
}

TEST(ChordProRender, RunsAndFillsOfAPage)
{
    cptest::Options options;
    options.gap = true;
    options.lyricsBoldFlag = true;
    ChordPro cp = loaded(QStringLiteral("{c: Chorus}\n{soc}\n[C]Sing {soh}loud{eoh}\n{eoc}\n"), &options);
    const ChordProPage &page = cp.chargerPage(QSizeF(611, 752), pageNo(1));
    auto fillsOf = [&](Style s) {
        int n = 0;
        for (const auto &f : page.fills)
            n += f.style == s;
        return n;
    };
    EXPECT_EQ(fillsOf(Style::Directive), 1);        // comment box
    EXPECT_EQ(fillsOf(Style::DirectiveSpacer), 1);  // its top band
    EXPECT_EQ(fillsOf(Style::Indent), 2);           // chorus bar beside chords and lyrics
    EXPECT_EQ(fillsOf(Style::TextHI), 1);
    bool sawChord = false;
    for (const auto &run : page.runs) {
        if (run.style == Style::Text) {
            EXPECT_TRUE(run.bold);
        }
        if (run.style == Style::Chord) {
            sawChord = true;
            EXPECT_FALSE(run.bold);
            EXPECT_EQ(run.color, chordpro::defaultColor(chordpro::ColorRole::Chord));
        }
        if (run.text == QLatin1String("loud")) {
            EXPECT_EQ(run.style, Style::TextHI);
        }
    }
    EXPECT_TRUE(sawChord);
    // The highlight sits exactly behind its word.
    for (const auto &f : page.fills) {
        if (f.style == Style::TextHI) {
            EXPECT_NEAR(f.rect.width(), 4 * cp.styles()[Style::Text].blankWidth(), 1e-9);
        }
    }

    // All pages at once: a full-width red rule between pages.
    ChordPro longSong = loaded(song(40));
    const ChordProPage &all = longSong.chargerPage(QSizeF(611, 752), pageNo(0));
    int rules = 0;
    for (const auto &f : all.fills)
        if (f.style == Style::SpacerLR) {
            ++rules;
            EXPECT_GT(f.rect.width(), 590);
            EXPECT_EQ(f.color, chordpro::defaultColor(chordpro::ColorRole::PageBreak));
        }
    EXPECT_EQ(rules, 2);
}

TEST(ChordProRender, LinesWiderThanTheViewWrapInsideIt)
{
    // A comment is never wrapped by the layout; a long one ran off the view and was cut.
    const QString words = QStringLiteral("Repeat the chorus twice then slow down ").repeated(3).trimmed();
    ChordPro cp = loaded(QStringLiteral("{c: %1}\n[C]Short line\n").arg(words));
    for (const QSizeF view : {QSizeF(611, 752), QSizeF(300, 800)}) {
        const ChordProPage &page = cp.chargerPage(view, pageNo(1));
        QString comment;
        for (const auto &run : page.runs) {
            EXPECT_LE(run.baseline.x() + run.width, view.width()) << run.text.toStdString();
            if (run.style == Style::Directive)
                comment += run.text;
        }
        EXPECT_EQ(comment.simplified(), words);
        // Lines that fit are never wrapped.
        EXPECT_TRUE(page.lines.back().startsWith(QLatin1String("Short line")));
        EXPECT_TRUE(page.lines.at(page.lines.size() - 2).startsWith(QLatin1String("C ")));
    }
}

TEST(ChordProRender, Header)
{
    ChordPro cp = loaded(song(40));
    PageRequest r = pageNo(2);
    r.includeTitle = true;
    r.header = {QStringLiteral(" Song "), QStringLiteral("Artist"), QStringLiteral("note")};
    const ChordProPage &page = cp.chargerPage(QSizeF(611, 752), r);
    const QString header = page.lines.at(0);
    EXPECT_TRUE(header.startsWith(QLatin1String("Song (Artist) note  ")));
    EXPECT_TRUE(header.endsWith(QLatin1String("Page:2/3")));
    const double blank = cp.styles()[Style::Header].blankWidth();
    EXPECT_EQ(header.size(), int(611 / blank - 1.0));
    EXPECT_EQ(page.runs.front().style, Style::Header);
    // A song without an artist has no empty brackets.
    r.header.artist.clear();
    EXPECT_TRUE(cp.chargerPage(QSizeF(611, 752), r).lines.at(0).startsWith(QLatin1String("Song note  ")));

    // A long title is cut so the page mark still fits.
    r.header.title = QString(200, QLatin1Char('T'));
    cp.chargerPage(QSizeF(611, 752), r);
    EXPECT_TRUE(cp.page().lines.at(0).endsWith(QLatin1String("Page:2/3")));
    EXPECT_EQ(cp.page().lines.at(0).count(QLatin1Char('T')), int(cp.myFrame().width() / blank - 13.0));

    // A page narrower than the page mark cut the header to a negative length.
    cp.chargerPage(QSizeF(40, 752), r);
    EXPECT_EQ(cp.page().lines.at(0), QStringLiteral("Page:2/3"));
}

TEST(ChordProRender, LyricsOnlyEnlargesAndCentres)
{
    ChordPro cp = loaded(song(8));
    PageRequest r = pageNo(1);
    r.lyricsOnly = true;
    const ChordProPage &page = cp.chargerPage(QSizeF(1920, 1080), r);
    EXPECT_EQ(cp.nbPages(), 1);
    // Only lyrics; bigger than the plain fit; horizontally centred.
    for (const auto &run : page.runs)
        EXPECT_EQ(run.style, Style::Text);
    EXPECT_GT(cp.styles().size, 17.0 * 1080 / 752);
    const auto &first = page.runs.front();
    const double right = 1920 - (first.baseline.x() + first.width);
    EXPECT_NEAR(first.baseline.x(), right, cp.styles()[Style::Text].blankWidth() * 1.01);
    // The text block sits in the middle of the view.
    const double top = page.runs.front().baseline.y();
    const double bottom = page.runs.back().baseline.y();
    EXPECT_NEAR((top + bottom) / 2, 1080 / 2, cp.styles()[Style::Text].lineHeight());

    cp.setLyricsAlignmentLeft(true);
    cp.chargerPage(QSizeF(1920, 1080), r);
    EXPECT_NEAR(cp.page().runs.front().baseline.x(), 5.0, 1e-9);
}

TEST(ChordProRender, LyricsOnlyChorusLinesFitTheView)
{
    // The enlargement measured the lyric segment alone, so a chorus line at
    // the width limit ran off the right edge by its bar and indent.
    ChordPro cp = loaded(QStringLiteral("{soc}\n[C]%1\n{eoc}\nshort\n").arg(QString(55, QLatin1Char('w'))));
    ASSERT_EQ(cp.nbMaxCarRef() - 2, 56);
    PageRequest r = pageNo(1);
    r.lyricsOnly = true;
    for (const QSizeF view : {QSizeF(1280, 800), QSizeF(500, 1000)}) {
        const ChordProPage &page = cp.chargerPage(view, r);
        ASSERT_FALSE(page.runs.empty());
        for (const auto &run : page.runs)
            EXPECT_LE(run.baseline.x() + run.width, view.width()) << run.text.toStdString();
        for (const auto &fill : page.fills)
            EXPECT_GE(fill.rect.left(), 0.0);
    }

    // Centred, a chorus bar spacer (a line of blanks) was drawn as a stub in
    // mid-page over the next line, and a page-break rule covered only the right half.
    cptest::Options gap;
    gap.gap = true;
    ChordPro spaced = loaded(QStringLiteral("{soc}\nLa la la\n\nLa\n{eoc}\n") + QStringLiteral("x\n").repeated(80), &gap);
    r.pageNo = 0;
    const ChordProPage &all = spaced.chargerPage(QSizeF(800, 600), r);
    int bars = 0, rules = 0;
    for (const auto &fill : all.fills) {
        EXPECT_NE(fill.style, Style::SpacerIndent);
        bars += fill.style == Style::Indent;
        if (fill.style == Style::SpacerLR) {
            ++rules;
            EXPECT_LE(fill.rect.left(), 5.0);
            EXPECT_GE(fill.rect.right(), 795.0);
        }
    }
    EXPECT_EQ(bars, 2);
    EXPECT_GE(rules, 1);
}

TEST(ChordProRender, LyricsOnlyWithoutLyricsKeepsFactorOne)
{
    // No lyric output at all: the enlargement divided by zero and the font size became infinite.
    ChordPro cp = loaded(QStringLiteral("{c: Intro}\n{title: Only directives}\n"));
    PageRequest r = pageNo(1);
    r.lyricsOnly = true;
    const struct {
        int mode;
        double pageHeight;
    } cases[] = {{0, 600.0}, {2, 600.0}, {1, 600.0 * 321.0 / 374.0}};
    for (const auto &c : cases) {
        r.modeAffichage = c.mode;
        cp.chargerPage(QSizeF(800, 600), r);
        EXPECT_NEAR(cp.styles().size, 17.0 * c.pageHeight / 752.0, 1e-9) << c.mode;
        EXPECT_EQ(cp.nbPages(), 1);
    }
}

QImage render(ChordPro &cp, const QSize &size, double dpi, const PageRequest &r)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const int dpm = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    QPainter painter(&image);
    cp.chargerPage(painter, QRectF(QPointF(0, 0), QSizeF(size)), r);
    return image;
}

TEST(ChordProRender, GlyphsFillExactlyTheWidthLaidOut)
{
    // Drawn at the fractional size, the text engine rounded the font to whole
    // pixels: a long run came out a character wider than laid out, past the
    // end of its comment box and away from the chords above a split line.
    ChordPro cp = loaded(QStringLiteral("{fontsize: 14.3}\n") + QString(50, QLatin1Char('M')) + QLatin1Char('\n'));
    for (const QSize size : {QSize(611, 752), QSize(700, 1000), QSize(500, 420)}) {
        const QImage image = render(cp, size, 96, pageNo(1));
        const ChordProPage &page = cp.page();
        ASSERT_EQ(page.runs.size(), 1u);
        const auto &run = page.runs.front();
        int inkRight = -1;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) != page.background.rgb())
                    inkRight = std::max(inkRight, x);
        const double blank = run.width / 50;
        EXPECT_LE(inkRight, run.baseline.x() + run.width + 1) << size.width();
        EXPECT_GE(inkRight, run.baseline.x() + run.width - blank) << size.width();
    }
}

TEST(ChordProRender, DrawsTheSameOnEveryDevice)
{
    ChordPro cp = loaded(song(12) + QStringLiteral("{soc}\n[D]Chorus {soh}line{eoh}\n{eoc}\n"));
    const PageRequest r = pageNo(1);
    const QImage a = render(cp, QSize(611, 752), 72, r);
    const QImage b = render(cp, QSize(611, 752), 144, r);
    EXPECT_EQ(a, b);
    // Something was drawn in the chord colour.
    bool chordPixel = false;
    const QRgb chord = chordpro::defaultColor(chordpro::ColorRole::Chord).rgb();
    for (int y = 0; y < a.height() && !chordPixel; ++y)
        for (int x = 0; x < a.width() && !chordPixel; ++x)
            chordPixel = a.pixel(x, y) == chord;
    EXPECT_TRUE(chordPixel);

    // A widget pane draws exactly what an image of its size gets.
    struct Pane : QWidget {
        ChordPro *song = nullptr;
        void paintEvent(QPaintEvent *) override
        {
            QPainter painter(this);
            chordpro::paintPage(painter, song->page());
        }
    } pane;
    pane.song = &cp;
    pane.resize(611, 752);
    cp.chargerPage(QSizeF(611, 752), r);
    const QImage onScreen = pane.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(onScreen, render(cp, QSize(611, 752), pane.logicalDpiY(), r));
}

TEST(ChordProRender, RandomBytesAndHugeLinesNeverBreakIt)
{
    QRandomGenerator random(20261207);
    const QString alphabet = QStringLiteral("[]{}#:\n\r\t abcxyzsocheo_/-é") + QChar(0) + QChar(0xA0);
    std::vector<QString> inputs;
    for (int n = 0; n < 60; ++n) {
        QString text;
        const int length = int(random.bounded(1, 600));
        for (int i = 0; i < length; ++i) {
            if (n % 2)
                text += alphabet.at(int(random.bounded(alphabet.size())));
            else
                text += QChar(ushort(random.bounded(1, 0xD7FF)));
        }
        inputs.push_back(text);
    }
    inputs.push_back(QString(300000, QLatin1Char('x')));
    inputs.push_back(QStringLiteral("[") + QString(100000, QLatin1Char('C')) + QStringLiteral("]a b c\n"));
    inputs.push_back(QStringLiteral("{soe}\n") + QStringLiteral("[Am]").repeated(20000) + QLatin1Char('\n'));
    inputs.push_back(QStringLiteral("{soh}x ").repeated(5000));
    inputs.push_back(QStringLiteral("{c:") + QString(50000, QLatin1Char('c')) + QStringLiteral("}\nx\n"));
    inputs.push_back(QStringLiteral("{fontsize: 99}\n") + QStringLiteral("word ").repeated(2000));
    inputs.push_back(QStringLiteral("{fontsize: 1}\n") + QStringLiteral("w").repeated(5000));

    for (const QString &text : inputs) {
        for (bool lyricsOnly : {false, true}) {
            ChordPro cp = loaded(text);
            PageRequest r = pageNo(2);
            r.lyricsOnly = lyricsOnly;
            r.ratio21 = lyricsOnly;
            r.includeTitle = true;
            cp.chargerPage(QSizeF(300, 200), r);
            EXPECT_GE(cp.nbPages(), 1);
        }
    }
    // Lyrics-only pages of a song without lyrics counted no page at all.
    ChordPro noLyrics = loaded(QStringLiteral("{tit{\n{et"));
    PageRequest lyrics = pageNo(1);
    lyrics.lyricsOnly = true;
    noLyrics.chargerPage(QSizeF(200, 150), lyrics);
    EXPECT_EQ(noLyrics.nbPages(), 1);

    // Views of no size at all.
    ChordPro cp = loaded(song(5));
    cp.chargerPage(QSizeF(0, 0), pageNo(1));
    EXPECT_GE(cp.nbPages(), 1);
    PageRequest r = pageNo(1);
    r.lyricsOnly = true;
    r.includeTitle = true;
    cp.chargerPage(QSizeF(0, 0), r);
    EXPECT_GE(cp.nbPages(), 1);
}

TEST(ChordProRender, SharedReferenceSizeMovesPageBreaks)
{
    const QSizeF saved = ChordPro::sizeRefStatique();
    ChordPro cp = loaded(song(40), nullptr, true);
    ChordPro::setSizeRef(QSizeF(611, 752));
    cp.chargerPage(QSizeF(800, 600), pageNo(1));
    const int pages = cp.nbPages();
    ChordPro::setSizeRef(QSizeF(611, 376));
    cp.chargerPage(QSizeF(800, 600), pageNo(1));
    EXPECT_GT(cp.nbPages(), pages);
    // A shared size of nothing broke the page after every line.
    ChordPro::setSizeRef(QSizeF(0, 0));
    cp.chargerPage(QSizeF(800, 600), pageNo(1));
    EXPECT_EQ(cp.nbPages(), pages);
    ChordPro::setSizeRef(saved);
}

} // namespace

// The half-page band splits a page at its middle; a chorus line cut there was
// half seen in each half, and a chord line was seen apart from its lyric.
TEST(ChordProRender, HalfPageBandPagesKeepLinesOffTheMiddle)
{
    struct Case {
        const char *what;
        QString text;
    };
    QString comments;
    for (int i = 0; i < 30; ++i)
        comments += i % 4 == 0 ? QStringLiteral("{c: Part %1}\n").arg(i) : QStringLiteral("Plain line %1\n").arg(i);
    std::vector<Case> cases;
    for (int lead = 0; lead < 4; ++lead)
        cases.push_back({"chords and lyrics", QString(lead, QLatin1Char('\n')) + song(60)});
    cases.push_back({"comments and plain lines", comments + song(10)});
    cases.push_back({"chorus", QStringLiteral("{soc}\n") + song(50) + QStringLiteral("{eoc}\n")});

    for (const Case &c : cases) {
        ChordPro cp = loaded(c.text, nullptr, true);
        PageRequest request = pageNo(1);
        request.modeAffichage = 1;
        const QSizeF view(1222, 1504);
        cp.chargerPage(view, request);
        const int pages = cp.nbPages();
        QStringList shown;
        for (int p = 1; p <= pages; ++p) {
            request.pageNo = p;
            const ChordProPage &page = cp.chargerPage(view, request);
            const double middle = view.height() / 2;
            ASSERT_EQ(page.lines.size(), page.lineBoxes.size());
            for (size_t i = 0; i < page.lines.size(); ++i) {
                const QRectF &box = page.lineBoxes[i];
                if (page.lines[i].trimmed().isEmpty())
                    continue;
                shown << page.lines[i].trimmed();
                EXPECT_FALSE(box.top() < middle - 0.5 && box.bottom() > middle + 0.5)
                    << c.what << ", page " << p << ": \"" << page.lines[i].toStdString() << "\" lies across the middle";
                EXPECT_LE(box.bottom(), view.height() + 0.5) << c.what << ", page " << p;
            }
            for (const auto &run : page.runs)
                EXPECT_LE(run.baseline.y(), view.height()) << c.what;
        }
        // Every lyric is on some page.
        for (int i = 0; i < 10; ++i)
            EXPECT_TRUE(shown.contains(QStringLiteral("Line number %1 of the song").arg(i))) << c.what << " line " << i;
    }
}

namespace {
// A window's colour slots of the ChordPro layout, in ColorRole order.
struct Scheme : ChordProOptions {
    const char *name;
    std::array<QColor, 7> colors; // chord, text, highlight, comment, comment box, bar, background
    QColor color(chordpro::ColorRole role) const override
    {
        return size_t(role) < colors.size() ? colors[size_t(role)] : chordpro::defaultColor(role);
    }
};
} // namespace

TEST(ChordProColours, ContrastRatios)
{
    const struct {
        QColor a, b;
        double ratio;
    } cases[] = {{Qt::black, Qt::white, 21.0}, {Qt::white, Qt::white, 1.0}, {Qt::white, Qt::yellow, 1.07},
                 {Qt::red, Qt::black, 5.25}, {Qt::red, Qt::white, 4.0}};
    for (const auto &c : cases)
        EXPECT_NEAR(chordpro::contrastRatio(c.a, c.b), c.ratio, 0.01) << c.a.name().toStdString();
    // A colour that reads already is kept as it is.
    EXPECT_EQ(chordpro::readableOn(Qt::red, Qt::black, 4.5), QColor(Qt::red));
}

// Highlighted lyrics were drawn white on bright yellow in a window whose text
// is white (a contrast of 1.07:1): the highlighted words could not be read.
TEST(ChordProColours, EveryPairReadsOnTheWindowsBackgrounds)
{
    Scheme schemes[3];
    schemes[0].name = "white on black";
    schemes[0].colors = {Qt::red, Qt::white, Qt::yellow, Qt::black, Qt::white, Qt::white, Qt::black};
    schemes[1].name = "black on white";
    schemes[1].colors = {Qt::red, Qt::black, Qt::yellow, Qt::white, Qt::black, Qt::black, Qt::white};
    schemes[2].name = "white on black, dark chords, highlight and bars";
    schemes[2].colors = {QColor(0, 0, 160), Qt::white, QColor(40, 40, 90), Qt::gray, Qt::gray, QColor(30, 30, 30),
                         Qt::black};
    const QString text = QStringLiteral("{c: Chorus comes}\n{soc}\n[C]Sing {soh}loud and [G]clear{eoh} now\n{eoc}\n");
    for (const Scheme &scheme : schemes) {
        ChordPro cp = loaded(text, &scheme);
        const ChordProPage &page = cp.chargerPage(QSizeF(611, 752), pageNo(1));
        auto fillUnder = [&](const ChordProPage::Run &run) {
            const QPointF at(run.baseline.x() + 1, run.baseline.y() - 2);
            QColor under = scheme.color(chordpro::ColorRole::Background);
            for (const auto &fill : page.fills)
                if (fill.rect.contains(at))
                    under = fill.color;
            return under;
        };
        int highlighted = 0, chords = 0, comments = 0, bars = 0;
        for (const auto &run : page.runs) {
            const double ratio = chordpro::contrastRatio(run.color, fillUnder(run));
            EXPECT_GE(ratio, chordpro::kTextContrast)
                << scheme.name << ": \"" << run.text.toStdString() << "\" (" << cptest::tag(run.style).toStdString() << ")";
            highlighted += run.style == Style::TextHI;
            chords += run.style == Style::Chord;
            comments += run.style == Style::Directive;
        }
        for (const auto &fill : page.fills) {
            if (fill.style != Style::Indent)
                continue;
            ++bars;
            EXPECT_GE(chordpro::contrastRatio(fill.color, scheme.color(chordpro::ColorRole::Background)),
                      chordpro::kShapeContrast)
                << scheme.name;
        }
        EXPECT_GT(highlighted, 0) << scheme.name;
        EXPECT_GT(chords, 0) << scheme.name;
        EXPECT_GT(comments, 0) << scheme.name;
        EXPECT_GT(bars, 0) << scheme.name;
    }
}
