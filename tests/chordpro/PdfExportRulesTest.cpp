#include "chordpro/export/PdfExportRules.h"
#include "library/WinID.h"
#include "platform/MainThreadFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ChordProTestUtil.h"

using namespace pdfexport;

TEST(PdfExportRules, PaperSizes)
{
    struct Row {
        int paper, orientation;
        QSizeF size;
    } rows[] = {
        {0, 0, {612, 792}},
        {1, 0, {595.44, 841.68}},
        {2, 0, {612, 1008}},
        {7, 0, {612, 792}},   // unknown paper: Letter
        {-1, 0, {612, 792}},
        {1, 1, {841.68, 595.44}},
        {2, 5, {1008, 612}},  // any index but 0 turns the page
    };
    for (const Row &r : rows)
        EXPECT_EQ(pageSize(r.paper, r.orientation), r.size) << r.paper << "/" << r.orientation;
}

TEST(PdfExportRules, TypedPercentages)
{
    struct Row {
        double typed, zoom, scale;
    } rows[] = {
        {30, 0.5, 0.5}, {50, 0.5, 0.5}, {125, 1.25, 1.0}, {120, 1.2, 1.0}, {80, 0.8, 0.8},
        {400, 4.0, 1.0}, {450, 4.0, 1.0}, {0, 0.5, 0.5}, {std::nan(""), 0.5, 0.5},
    };
    for (const Row &r : rows) {
        EXPECT_DOUBLE_EQ(zoomFromPercent(r.typed), r.zoom) << r.typed;
        EXPECT_DOUBLE_EQ(scaleFromPercent(r.typed), r.scale) << r.typed;
    }
}

TEST(PdfExportRules, DiagramGrids)
{
    struct Row {
        QSizeF frame;
        int chords;
        Grid want;
        const char *why;
    } rows[] = {
        {{612, 792}, 100, {6, 8, 48, 9, 5}, "Letter extra page: 46 points over 5 gaps, 40 over 7"},
        {{612, 792}, 13, {6, 8, 13, 9, 5}, "fewer chords than cells"},
        {{612, 94}, 20, {6, 1, 6, 9, 0}, "one-row strip"},
        {{612, 188}, 20, {6, 2, 12, 9, 0}, "two rows, no leftover"},
        {{96, 400}, 10, {1, 4, 4, 0, 8}, "one column"},
        {{50, 50}, 3, {0, 0, 0, 0, 0}, "no room at all"},
        {{612, 792}, 0, {6, 8, 0, 9, 5}, "nothing to draw"},
    };
    for (const Row &r : rows) {
        const Grid g = diagramGrid(r.frame, r.chords);
        EXPECT_EQ(g.cols, r.want.cols) << r.why;
        EXPECT_EQ(g.rowsFit, r.want.rowsFit) << r.why;
        EXPECT_EQ(g.n, r.want.n) << r.why;
        EXPECT_EQ(g.gx, r.want.gx) << r.why;
        EXPECT_EQ(g.gy, r.want.gy) << r.why;
    }
}

TEST(PdfExportRules, OneRowStripHasNoGapToDivide)
{
    // A one-row strip once divided its leftover height by zero rows: the
    // cells of the strip went to a position of infinity and vanished.
    const Grid g = diagramGrid(QSizeF(612, 94), 6);
    for (int i = 0; i < g.n; ++i) {
        const QRectF cell = cellRect(g, QSizeF(612, 94), i);
        EXPECT_EQ(cell.y(), 0.0) << i;
        EXPECT_EQ(cell.x(), 1.0 + i * 103.0) << i;
    }
}

TEST(PdfExportRules, CellsFillRowsFromTheTop)
{
    const Grid g = diagramGrid(QSizeF(612, 792), 48);
    struct Row {
        int i;
        QPointF at; // bottom-left origin
    } rows[] = {{0, {1, 698}}, {5, {516, 698}}, {6, {1, 599}}, {47, {516, 5}}};
    for (const Row &r : rows)
        EXPECT_EQ(cellRect(g, QSizeF(612, 792), r.i).topLeft(), r.at) << r.i;
}

TEST(PdfExportRules, LastPageStrip)
{
    const QSizeF letter(612, 792);
    struct Row {
        int layout, chordsLeft;
        double textHeight, occupied, height;
        const char *why;
    } rows[] = {
        {0, 8, 697, 0.3, 188, "two rows fit under a short last page"},
        {0, 8, 697, 0.95, 94, "a full last page keeps its one row"},
        {0, 20, 697, 0.0, 376, "grows a row per six chords"},
        {0, 3, 697, 0.1, 94, "one row needs no growth"},
        {1, 3, 792, 0.5, 94, "layout 1 starts at nothing and takes a row"},
        {1, 3, 792, 0.95, 0, "layout 1 with no room under the text: no strip"},
        {1, 0, 792, 0.1, 0, "layout 1 with no chords"},
        {2, 13, 697, 0.2, 282, "three rows"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(lastStripHeight(r.layout, r.chordsLeft, letter, r.textHeight, r.occupied), r.height) << r.why;
}

TEST(PdfExportRules, PrintPlacement)
{
    const QSizeF letter(612, 792);
    struct Row {
        double scale;
        int alignment;
        QPointF topLeft, bottomRight;
    } rows[] = {
        // 0.8 centred: shifted by 10 % of the width measured in scaled units.
        {0.8, 0, {48.96, 158.4}, {538.56, 792}},
        {0.8, 1, {0, 158.4}, {489.6, 792}},
        {0.8, 2, {97.92, 158.4}, {587.52, 792}},
        {1.0, 0, {0, 0}, {612, 792}},
    };
    for (const Row &r : rows) {
        const QTransform t = printPlacement(r.scale, r.alignment, letter);
        const QPointF a = t.map(QPointF(0, 0)), b = t.map(QPointF(612, 792));
        EXPECT_NEAR(a.x(), r.topLeft.x(), 1e-6) << r.alignment;
        EXPECT_NEAR(a.y(), r.topLeft.y(), 1e-6) << r.alignment;
        EXPECT_NEAR(b.x(), r.bottomRight.x(), 1e-6) << r.alignment;
        EXPECT_NEAR(b.y(), r.bottomRight.y(), 1e-6) << r.alignment;
    }
}

TEST(PdfExportRules, ChordNamesSkipEmptyItems)
{
    EXPECT_EQ(chordNames(QStringLiteral(";C;G;;Am;")), QStringList({"C", "G", "Am"}));
    EXPECT_TRUE(chordNames(QString()).isEmpty());
}

TEST(PdfExportRules, OutputFolders)
{
    QTemporaryDir root;
    const QString lib = root.filePath(QStringLiteral("lib"));
    QDir().mkpath(lib + QStringLiteral("/sub"));
    QDir().mkpath(root.filePath(QStringLiteral("lib2")));
    QFile::link(lib, root.filePath(QStringLiteral("link")));
    struct Row {
        QString out;
        bool refused;
        const char *why;
    } rows[] = {
        {lib, true, "the library itself"},
        {lib + QStringLiteral("/"), true, "with a trailing slash"},
        {lib + QStringLiteral("/sub/.."), true, "through .."},
        {root.filePath(QStringLiteral("link")), true, "through a link"},
        // The scan would list exports inside the library as songs.
        {lib + QStringLiteral("/sub"), true, "inside the library"},
        {root.filePath(QStringLiteral("lib2")), false, "a sibling sharing the name's start"},
        {root.path(), false, "the library's parent"},
    };
    const platform::MainThreadFileScope worker("the export's worker asks this, tried here directly");
    for (const Row &r : rows)
        EXPECT_EQ(!outputFolderProblem(r.out, lib).isEmpty(), r.refused) << r.why;
}

TEST(PdfExportRules, OutputNamesOfOneRun)
{
    const QSet<QString> written = {QStringLiteral("/out/Song.pdf"), QStringLiteral("/out/Song_1.pdf"),
                                   QStringLiteral("/out/Other.txt")};
    struct Row {
        QString name, path;
    } rows[] = {
        {QStringLiteral("Song.pdf"), QStringLiteral("/out/Song_2.pdf")},
        {QStringLiteral("New.pdf"), QStringLiteral("/out/New.pdf")},
        {QStringLiteral("Other.txt"), QStringLiteral("/out/Other_1.txt")},
        {QStringLiteral("Song---Lead.pdf"), QStringLiteral("/out/Song---Lead.pdf")},
    };
    for (const Row &r : rows)
        EXPECT_EQ(freeOutputPath(QStringLiteral("/out"), r.name, written), r.path);
    EXPECT_EQ(withExtension(QStringLiteral("a.b.chopro"), QStringLiteral("pdf")), QStringLiteral("a.b.pdf"));
    EXPECT_EQ(withExtension(QStringLiteral("plain"), QStringLiteral("pdf")), QStringLiteral("plain.pdf"));
}

TEST(PdfExportRules, ClosingMessages)
{
    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("S%1.pdf (kept)").arg(i);
    struct Row {
        bool wroteAny;
        QStringList failures;
        QString want;
    } rows[] = {
        {true, {}, ""},
        {false, {}, "No file exported!"},
        {true, {"Song.pdf (kept)"}, "1 file(s) could not be exported:\nSong.pdf (kept)"},
        {false, {"A.chopro (empty)", "B.pdf (kept)"}, "No file exported!\n2 file(s) could not be exported:\nA.chopro (empty)\nB.pdf (kept)"},
        {true, twelve, "12 file(s) could not be exported:\n" + twelve.mid(0, 10).join('\n') + "\nand 2 more"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(closingMessage(r.wroteAny, r.failures), r.want);
}

TEST(PdfExportRules, VersionFiles)
{
    QTemporaryDir dir;
    const QString song = testsupport::writeFile(dir.filePath(QStringLiteral("Song.chopro")), "{title:S}\n");
    const QString pdf = testsupport::writePdf(dir.filePath(QStringLiteral("Tune.pdf")), 1);
    testsupport::writeFile(dir.filePath(QStringLiteral("Song---Lead.chopro")), "{title:S}\n");
    testsupport::writeFile(dir.filePath(QStringLiteral("Tune---Lead.chopro")), "{title:T}\n");
    testsupport::writePdf(dir.filePath(QStringLiteral("Song---Drum.pdf")), 1);
    struct Row {
        QString path, altDir;
        qint64 policy;
        QString want;
        const char *why;
    } rows[] = {
        {song, "Lead", 0, dir.filePath("Song---Lead.chopro"), "own kind first"},
        {song, "Drum", 0, dir.filePath("Song---Drum.pdf"), "the other kind"},
        {pdf, "Lead", 0, dir.filePath("Tune---Lead.chopro"), "a PDF song's ChordPro alternate"},
        {song, "Keys", 0, song, "none: the master"},
        {song, "Keys", 2, QString(), "none under policy 2: nothing"},
        {song, "Lead", 1, song, "policy 1: always the master"},
        // Identifiers are pasted into file names: none may leave the folder.
        {song, "../Song", 0, song, "climbs out"},
        {song, "a/b", 2, QString(), "names a folder"},
        {song, "..", 2, QString(), "dots"},
    };
    const platform::MainThreadFileScope exportThread{"the version looks of the export's thread, run on the test's"};
    for (const Row &r : rows)
        EXPECT_EQ(winid::versionPath(r.path, r.altDir, r.policy, r.policy), r.want) << r.why;
}
