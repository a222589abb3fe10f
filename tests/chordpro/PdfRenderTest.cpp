// Songs rendered to PDF files and read back: pages, sizes, diagrams, text,
// print placement, and what a failed render leaves behind.
#include "chordpro/export/PdfExportRules.h"
#include "chordpro/export/PdfRender.h"
#include "platform/AtomicFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QPdfDocument>
#include <QPainter>
#include <QPdfSelection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ChordProTestUtil.h"

using namespace pdfexport;

namespace pdftest {

const QStringList kTwentyChords = {"C", "D", "E", "F", "G", "A", "B", "Am", "Bm", "Cm",
                                   "Dm", "Em", "Fm", "Gm", "C7", "D7", "E7", "G7", "A7", "B7"};

// A song of `lines` lyric lines that uses the twenty chords in order.
QByteArray songText(int lines, bool withTitle = true)
{
    QString text = withTitle ? QStringLiteral("{title: Night Road}\n{st: The Band}\n") : QString();
    for (int i = 0; i < lines; ++i) {
        const QString &a = kTwentyChords.at((2 * i) % 20);
        const QString &b = kTwentyChords.at((2 * i + 1) % 20);
        text += QStringLiteral("[%1]Walking down the road at [%2]night line %3\n").arg(a, b, QString::number(i + 1));
    }
    return text.toUtf8();
}

int songPages(const QString &path, const PdfSettings &s)
{
    const QSizeF page = pageSize(s.paper, s.orientation);
    ChordPro doc(QRectF(0, 0, page.width(), page.height() - kTextY), &s, true);
    doc.setUseSizeRefStatique(true);
    cptest::load(doc, path);
    doc.chargerPage(QSizeF(page.width(), page.height() - kTextY), chordpro::PageRequest());
    return doc.nbPages();
}

// The fewest lines (lastPageFull: the most) that lay out to `pages` pages.
QString songOfPages(const QString &dir, int pages, bool lastPageFull)
{
    const QString path = QDir(dir).filePath(QStringLiteral("song.chopro"));
    const PdfSettings s;
    int found = -1;
    for (int lines = 10; lines < 400; ++lines) {
        testsupport::writeFile(path, songText(lines));
        const int n = songPages(path, s);
        if (n == pages && !lastPageFull) {
            found = lines;
            break;
        }
        if (n == pages)
            found = lines;
        if (n > pages)
            break;
    }
    testsupport::writeFile(path, songText(found));
    return path;
}

struct Read {
    int pages = 0;
    QSizeF size;
};

Read readBack(const QString &path)
{
    QPdfDocument doc;
    doc.load(path);
    Read r;
    r.pages = doc.pageCount();
    if (r.pages > 0)
        r.size = doc.pagePointSize(0);
    return r;
}

QImage pageImage(const QString &path, int page)
{
    QPdfDocument doc;
    doc.load(path);
    return doc.render(page, QSize(306, 396));
}

// The song file rendered into a PDF file, read and written as the export window does.
RenderResult renderToFile(const QString &songPath, const QString &outputPath, const PdfSettings &s,
                          const chordpro::HeaderInfo &header)
{
    QByteArray pdf;
    RenderResult result = renderSongPdf(songPath, platform::readRegularFile(songPath, ChordPro::kMaxSongBytes), s, header, &pdf);
    if (result.ok && !platform::writeFileAtomically(outputPath, pdf, &result.error))
        result.ok = false;
    return result;
}

} // namespace pdftest

using namespace pdftest;

class PdfRender : public ::testing::Test {
protected:
    // Pages break at the shared reference size, which other tests change.
    void SetUp() override { ChordPro::setSizeRef(QSizeF(611, 752)); }
    // The render runs on the export's thread: the test's thread stands in for it.
    const platform::MainThreadFileScope exportThread{"the export's reads and writes, run on the test's thread"};

    QTemporaryDir dir;
    QString out() const { return dir.filePath(QStringLiteral("out.pdf")); }
};

TEST_F(PdfRender, PaperAndOrientationGivePageSizes)
{
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("s.chopro")), songText(3));
    struct Row {
        int paper, orientation;
        QSizeF size;
    } rows[] = {{0, 0, {612, 792}}, {1, 0, {595.44, 841.68}}, {2, 1, {1008, 612}}};
    for (const Row &r : rows) {
        PdfSettings s;
        s.paper = r.paper;
        s.orientation = r.orientation;
        ASSERT_TRUE(renderToFile(song, out(), s, {}).ok);
        const Read back = readBack(out());
        EXPECT_EQ(back.pages, 1);
        EXPECT_NEAR(back.size.width(), r.size.width(), 0.5) << r.paper;
        EXPECT_NEAR(back.size.height(), r.size.height(), 0.5) << r.paper;
    }
}

TEST_F(PdfRender, LayoutsOfTwentyChordsOnThreePages)
{
    const QString shortLast = songOfPages(dir.path(), 3, false);
    ASSERT_EQ(songPages(shortLast, PdfSettings()), 3);
    struct Row {
        int layout, pages, extra, drawn;
        const char *why;
    } rows[] = {
        {0, 3, 0, 20, "1-6, 7-12, then 13-20 in two rows under the short last page"},
        {1, 3, 0, 20, "all on the last page"},
        {2, 3, 0, 20, "1-6 on each page, all twenty on the last"},
        {3, 3, 0, 20, "1-6, 7-12, the last page starting again"},
        {4, 4, 1, 20, "one extra page holds all twenty"},
        {5, 3, 0, 0, "no diagrams"},
    };
    for (const Row &r : rows) {
        PdfSettings s;
        s.layout = r.layout;
        const RenderResult result = renderToFile(shortLast, out(), s, {});
        ASSERT_TRUE(result.ok) << qPrintable(result.error);
        EXPECT_EQ(result.songPages, 3) << r.why;
        EXPECT_EQ(result.extraPages, r.extra) << r.why;
        EXPECT_EQ(result.chordsDrawn, r.drawn) << r.why;
        EXPECT_EQ(readBack(out()).pages, r.pages) << r.why;
    }

    // A full last page keeps one row: 13-18 there, 19-20 on an extra page.
    QTemporaryDir other;
    const QString fullLast = songOfPages(other.path(), 3, true);
    PdfSettings s;
    const RenderResult result = renderToFile(fullLast, out(), s, {});
    EXPECT_EQ(result.extraPages, 1);
    EXPECT_EQ(result.chordsDrawn, 20);
    EXPECT_EQ(readBack(out()).pages, 4);
}

TEST_F(PdfRender, ExtraPagesStopAtTwo)
{
    // 120 distinct chords: 48 on each extra page, the rest are not drawn.
    QString text;
    for (int i = 0; i < 120; ++i)
        text += QStringLiteral("[C%1]la ").arg(i);
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("many.chopro")), text.toUtf8());
    PdfSettings s;
    s.layout = ExtraPagesOnly;
    const RenderResult result = renderToFile(song, out(), s, {});
    EXPECT_EQ(result.extraPages, 2);
    EXPECT_EQ(result.chordsDrawn, 96);
}

TEST_F(PdfRender, EmptySongStillGivesPageOne)
{
    // A 0-byte song used to count as unreadable and gave no PDF at all.
    struct Row {
        QByteArray text;
        bool header;
    } rows[] = {{"{c_start}\n", false}, {"", false}, {"", true}};
    for (const Row &r : rows) {
        const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("quiet.chopro")), r.text);
        PdfSettings s;
        s.includeHeader = r.header;
        ASSERT_TRUE(renderToFile(song, out(), s, {QStringLiteral("Still Water"), QStringLiteral("Nobody"), QString()}).ok)
            << r.text.size();
        EXPECT_EQ(readBack(out()).pages, 1);
        QPdfDocument doc;
        doc.load(out());
        const QString text = doc.getAllText(0).text();
        EXPECT_EQ(text.contains(QStringLiteral("Still Water")), r.header) << qPrintable(text);
        EXPECT_EQ(text.contains(QStringLiteral("Page:1/1")), r.header) << qPrintable(text);
    }
}

TEST_F(PdfRender, TextReadsBackAsWordsInEveryLayout)
{
    // Readers took the pages for one glyph per line (layouts 4 and 5 even on a
    // short song), so the PDF could not be searched or copied from.
    QByteArray text = "{title: Harbour}\n";
    for (int i = 0; i < 12; ++i)
        text += "[C]Harbour lights are [G]shining\nOver the [Am]water [F]tonight\n";
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("s.chopro")), text);
    for (int layout = StripContinued; layout <= NoDiagrams; ++layout) {
        PdfSettings s;
        s.layout = layout;
        s.includeHeader = true;
        ASSERT_TRUE(renderToFile(song, out(), s, {QStringLiteral("Harbour Nights"), QStringLiteral("The Band"), QString()}).ok);
        QPdfDocument doc;
        doc.load(out());
        const QString page = doc.getAllText(0).text();
        EXPECT_TRUE(page.contains(QStringLiteral("Harbour lights are shining"))) << layout << qPrintable(page.left(200));
        EXPECT_TRUE(page.contains(QStringLiteral("Harbour Nights (The Band)"))) << layout << qPrintable(page.left(200));
    }
}

TEST_F(PdfRender, PrintScalesAndCentresEveryPage)
{
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("s.chopro")), songText(2));
    PdfSettings s;
    s.colors[Background] = Qt::black;
    s.print = true;
    s.scale = 0.8;
    s.alignment = 0;
    ASSERT_TRUE(renderToFile(song, out(), s, {}).ok);
    QPdfDocument doc;
    doc.load(out());
    QImage image(612, 792, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, doc.render(0, QSize(612, 792)));
    // The black page covers 80 % from 8 % of the width, its foot on the paper's foot.
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 60; };
    EXPECT_TRUE(dark(60, 700));
    EXPECT_TRUE(dark(530, 200));
    EXPECT_FALSE(dark(40, 700));
    EXPECT_FALSE(dark(550, 700));
    EXPECT_FALSE(dark(300, 150));
    EXPECT_TRUE(dark(300, 170));
}

TEST_F(PdfRender, GoldenPages)
{
    // No header: its font follows the application's, which other tests change.
    const QString song = songOfPages(dir.path(), 1, false);
    PdfSettings s;
    s.layout = StripContinued;
    ASSERT_TRUE(renderToFile(song, out(), s, {}).ok);
    const QString golden = testsupport::goldenDirBeside(__FILE__);
    testsupport::compareWithGolden(pageImage(out(), 0), golden, QStringLiteral("page1-strip"));

    s.layout = ExtraPagesOnly;
    s.instrument = 2;
    ASSERT_TRUE(renderToFile(song, out(), s, {}).ok);
    testsupport::compareWithGolden(pageImage(out(), 1), golden, QStringLiteral("extra-page-piano"));
}

TEST_F(PdfRender, UnreadableSongGivesNoPdf)
{
    // The write is the caller's: a song that cannot be read gives no bytes to write, and says why.
    const QString missing = dir.filePath(QStringLiteral("missing.chopro"));
    QByteArray pdf;
    const RenderResult result =
        renderSongPdf(missing, platform::readRegularFile(missing, ChordPro::kMaxSongBytes), PdfSettings(), {}, &pdf);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("cannot be opened: file not found"));
    EXPECT_TRUE(pdf.isEmpty());
}
