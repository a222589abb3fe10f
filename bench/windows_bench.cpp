// The Tolvane window's page display at 1920x1080 in two-page mode: a song
// change to a song whose pages were rendered ahead (target: one frame,
// 16 ms), and a cold render of one page (target: 60 ms).
// TOLVANE_BENCH_PDF may name a real PDF to use instead of the generated one.
#include "library/Data.h"
#include "windows/PageRenderer.h"
#include "windows/WindowPDFx.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A dense song sheet: staves with notes, chord names and lyrics, on A4.
QString writeSheet(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter p(&writer);
    QFont lyrics(QStringLiteral("DejaVu Sans"), 9);
    QFont chords(QStringLiteral("DejaVu Sans"), 10, QFont::Bold);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 18, QFont::Bold));
        p.drawText(QRectF(0, 10, 540, 30), Qt::AlignCenter, QStringLiteral("Bench Song - page %1").arg(page + 1));
        for (int staff = 0; staff < 9; ++staff) {
            const double top = 60 + staff * 82;
            for (int line = 0; line < 5; ++line)
                p.drawLine(QPointF(20, top + line * 6), QPointF(530, top + line * 6));
            QPainterPath notes;
            for (int n = 0; n < 32; ++n) {
                const double x = 40 + n * 15.5, y = top + (n * 7 % 9) * 3;
                notes.addEllipse(QPointF(x, y), 3.2, 2.4);
                notes.moveTo(x + 3, y);
                notes.lineTo(x + 3, y - 18);
            }
            p.fillPath(notes, Qt::black);
            p.drawPath(notes);
            p.setFont(chords);
            p.drawText(QPointF(40, top - 6), QStringLiteral("G        D/F#        Em        C        Am7        D"));
            p.setFont(lyrics);
            p.drawText(QPointF(40, top + 44),
                       QStringLiteral("Walking down the road at night, the city lights are shining bright %1").arg(staff));
        }
    }
    p.end();
    return path;
}

struct Library {
    QTemporaryDir dir;
    QString a, b;
    Library()
    {
        const QString real = qEnvironmentVariable("TOLVANE_BENCH_PDF");
        if (!real.isEmpty() && QFileInfo(real).isFile()) {
            // The same real file under two names: two songs of equal weight.
            a = dir.filePath(QStringLiteral("A.pdf"));
            b = dir.filePath(QStringLiteral("B.pdf"));
            QFile::copy(real, a);
            QFile::copy(real, b);
        } else {
            a = writeSheet(dir.filePath(QStringLiteral("A.pdf")), 6);
            b = writeSheet(dir.filePath(QStringLiteral("B.pdf")), 6);
        }
    }
};

PiecesPtr song(const QString &path)
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    return piece;
}

void BM_PushSongRenderedAhead(benchmark::State &state)
{
    Library lib;
    const PiecesPtr a = song(lib.a), b = song(lib.b);
    WindowPDFx w;
    w.windowDidLoad();
    w.resize(1920, 1080);
    w.show();
    w.iniModeAffichage(0, false);
    w.setPDF(a, 1, true, false, 0, b, false);
    w.renderer().waitForIdle(30000);
    bool toB = true;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (toB)
            w.setPDF(b, 1, true, false, 0, a, false);
        else
            w.setPDF(a, 1, true, false, 0, b, false);
        w.repaint();
        const double seconds = t.nsecsElapsed() / 1e9;
        if (!w.pane(PDFViewRedef::Role::Left)->hasPageReady() || !w.pane(PDFViewRedef::Role::Right)->hasPageReady()) {
            state.SkipWithError("the song's pages were not rendered ahead");
            break;
        }
        state.SetIterationTime(seconds);
        toB = !toB;
        w.renderer().waitForIdle(30000); // the next song's pages, ahead of the next push
    }
}
BENCHMARK(BM_PushSongRenderedAhead)->UseManualTime()->Unit(benchmark::kMillisecond);

// One page of an open document at the size of one pane of a 1920x1080
// two-page window, from request to delivery.
void BM_ColdRenderOnePage(benchmark::State &state)
{
    Library lib;
    PageRenderer renderer;
    const QSizeF pane(958, 1055);
    renderer.documentInfo(lib.a);
    renderer.waitForIdle(30000);
    const QSizeF pagePts = renderer.documentInfo(lib.a)->pageSize(1);
    int page = 0, grow = 0;
    for (auto _ : state) {
        // A page and size never asked before: nothing is cached.
        const QSize size = PageRenderer::fitSize(pagePts, pane + QSizeF(0, (grow++ % 40)), 1.0);
        QElapsedTimer t;
        t.start();
        renderer.page(lib.a, page % 6 + 1, size);
        renderer.waitForIdle(30000);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        ++page;
    }
}
BENCHMARK(BM_ColdRenderOnePage)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same, opening the document first (the first page of a song nobody rendered ahead).
void BM_OpenAndRenderFirstPage(benchmark::State &state)
{
    Library lib;
    for (auto _ : state) {
        PageRenderer renderer;
        QElapsedTimer t;
        t.start();
        renderer.documentInfo(lib.a);
        renderer.waitForIdle(30000);
        const QSize size = PageRenderer::fitSize(renderer.documentInfo(lib.a)->pageSize(1), QSizeF(958, 1055), 1.0);
        renderer.page(lib.a, 1, size);
        renderer.waitForIdle(30000);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_OpenAndRenderFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
