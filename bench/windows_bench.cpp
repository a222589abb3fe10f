// The Tolvane window's page display at 1920x1080 in two-page mode: song
// changes forward, back one and back three to songs whose pages were
// rendered ahead (target: one frame, 16.7 ms), a song change onto a song
// whose share does not answer (the same target, on the caller), and cold
// renders of one page (target: 60 ms).
// TOLVANE_BENCH_PDF may name a real PDF to use instead of the generated one.
#include "BenchSupport.h"
#include "library/Data.h"
#include "platform/PdfProcess.h"
#include "platform/RegularFile.h"
#include "windows/PageRenderWorker.h"
#include "windows/PageRenderer.h"
#include "windows/WindowPDFx.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <mutex>
#include <thread>

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

// A scanned sheet: one grey 300-dpi A4 image per page, with print-like noise.
QString writeScan(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    QPainter p(&writer);
    QImage scan(2480, 3508, QImage::Format_Grayscale8);
    quint32 seed = 12345;
    for (int y = 0; y < scan.height(); ++y) {
        uchar *line = scan.scanLine(y);
        const bool ink = (y / 40) % 3 == 0;
        for (int x = 0; x < scan.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = uchar((ink && (x / 25) % 2 ? 40 : 235) + (seed >> 28));
        }
    }
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        p.drawImage(QRect(0, 0, 2480, 3508), scan);
    }
    p.end();
    return path;
}

// Songs of equal weight under distinct names: the real file or a generated
// six-page sheet, copied.
struct Library {
    QTemporaryDir dir;
    QStringList songs;
    explicit Library(int count = 2)
    {
        QString source = qEnvironmentVariable("TOLVANE_BENCH_PDF");
        if (source.isEmpty() || !QFileInfo(source).isFile())
            source = writeSheet(dir.filePath(QStringLiteral("sheet.pdf")), 6);
        for (int i = 0; i < count; ++i) {
            songs.append(dir.filePath(QStringLiteral("S%1.pdf").arg(i, 2, 10, QLatin1Char('0'))));
            QFile::copy(source, songs.last());
        }
    }
    QString a() const { return songs.value(0); }
    QString b() const { return songs.value(1); }
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
    const PiecesPtr a = song(lib.a()), b = song(lib.b());
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

// One song change in a set of twelve, as the controller pushes it, and the
// repaint. Direction (the argument): 0 next, 1 back one after stepping
// forward, 3 the third step back after stepping forward three. The window
// settles between presses, as it does between a performer's presses.
void pushSong(WindowPDFx &w, const PiecesList &set, int i)
{
    const int n = int(set.size());
    const PiecesPtr &prev = set[(i + n - 1) % n];
    w.setPiecePrev(prev);
    w.setPieceAfterNext(set[(i + 2) % n]);
    w.setPDF(set[i % n], 1, true, false, 0, set[(i + 1) % n], false);
}

// A set of twelve songs and a two-page window at 1920x1080.
struct SetWindow {
    Library lib{12};
    PiecesList set;
    WindowPDFx w;
    SetWindow()
    {
        for (const QString &path : lib.songs)
            set.append(song(path));
        w.windowDidLoad();
        w.resize(1920, 1080);
        w.show();
        w.iniModeAffichage(0, false);
    }
};

void BM_SongChange(benchmark::State &state)
{
    const int back = int(state.range(0));
    SetWindow sw;
    WindowPDFx &w = sw.w;
    const PiecesList &set = sw.set;
    int at = 0;
    pushSong(w, set, at);
    w.renderer().waitForIdle(30000);
    QList<double> steps;
    for (auto _ : state) {
        // Forward to songs not shown for a while, then the measured change.
        const int forward = back == 0 ? 1 : back + 4;
        double seconds = 0;
        for (int k = 1; k <= forward + back; ++k) {
            at += k <= forward ? 1 : -1;
            QElapsedTimer t;
            t.start();
            pushSong(w, set, at);
            w.repaint();
            if (k == forward + back
                && (!w.pane(PDFViewRedef::Role::Left)->hasPageReady()
                    || !w.pane(PDFViewRedef::Role::Right)->hasPageReady())) {
                // Shown only once a cold render comes back: timed to the settled screen.
                w.renderer().waitForIdle(30000);
                w.repaint();
                state.counters["cold"] += 1;
            }
            seconds = t.nsecsElapsed() / 1e9;
            if (k < forward + back)
                w.renderer().waitForIdle(30000);
        }
        state.SetIterationTime(seconds);
        steps.append(seconds);
        w.renderer().waitForIdle(30000);
    }
    std::sort(steps.begin(), steps.end());
    if (!steps.isEmpty()) {
        state.counters["median_ms"] = steps[steps.size() / 2] * 1e3;
        state.counters["max_ms"] = steps.last() * 1e3;
    }
}
BENCHMARK(BM_SongChange)->Arg(0)->Arg(1)->Arg(3)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(benchCount(30, 1));

// The proportional memory of a process (its own pages, and its share of
// those it maps with others), in kB; 0 once it is gone.
long pssKb(const QString &pid) { return procFieldKb(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss"); }

// The program's and its readers' memory: the children of every thread of its.
long pssWithChildrenKb()
{
    long kb = pssKb(QStringLiteral("self"));
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (children.open(QIODevice::ReadOnly))
            for (const QByteArray &pid : children.readAll().split(' '))
                if (pid.trimmed().toInt() > 0)
                    kb += pssKb(QString::fromLatin1(pid.trimmed()));
    }
    return kb;
}

// An evening's walk: 240 song changes through the set, each settled, then
// ten seconds without a key. The memory of the program and its readers
// then, and a song change after the rest against one at once.
void BM_MemoryAfterWalk(benchmark::State &state)
{
    for (auto _ : state) {
        SetWindow sw;
        // Timed to the settled screen: the pages asked ahead come at once, a cold one once rendered.
        auto change = [&sw](int at) {
            QElapsedTimer t;
            t.start();
            pushSong(sw.w, sw.set, at);
            sw.w.repaint();
            if (!sw.w.pane(PDFViewRedef::Role::Left)->hasPageReady() || !sw.w.pane(PDFViewRedef::Role::Right)->hasPageReady()) {
                sw.w.renderer().waitForIdle(30000);
                sw.w.repaint();
            }
            const double ms = t.nsecsElapsed() / 1e6;
            sw.w.renderer().waitForIdle(30000);
            return ms;
        };
        int at = 0;
        for (; at < benchCount(240, 24); ++at)
            change(at);
        const double atOnce = change(at++);
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < benchCount(10000, 500)) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        state.counters["pss_kB"] = double(pssWithChildrenKb());
        state.counters["readers_pss_kB"] = double(pssWithChildrenKb() - pssKb(QStringLiteral("self")));
        state.counters["change_ms"] = atOnce;
        state.counters["change_after_rest_ms"] = change(at);
    }
}
BENCHMARK(BM_MemoryAfterWalk)->Iterations(1)->Unit(benchmark::kSecond);

// A song change onto a song whose file a share holds: its look does not
// answer. The time on the caller (the push and the repaint), which waited as
// long as the share before, and, once the share answers, the time until the
// song's pages show.
void BM_SongChangeOntoHeldFile(benchmark::State &state)
{
    Library lib(3);
    struct Share {
        std::mutex mutex;
        std::condition_variable answered;
        bool answers = false;
    };
    const auto share = std::make_shared<Share>();
    const QString held = lib.songs[1];
    WindowPDFx w(nullptr, [share, held](const QString &path) {
        if (path == held) {
            std::unique_lock lock(share->mutex);
            share->answered.wait(lock, [&share] { return share->answers; });
        }
        return platform::regularFileStamp(path);
    });
    w.windowDidLoad();
    w.resize(1920, 1080);
    w.show();
    w.iniModeAffichage(0, false);
    const PiecesPtr before = song(lib.a()), onShare = song(held), after = song(lib.songs[2]);
    // No next song: the held one is not asked for ahead.
    w.setPDF(before, 1, true, false, 0, nullptr, false);
    w.renderer().waitForIdle(30000);
    QList<double> steps;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w.setPDF(onShare, 1, true, false, 0, after, false);
        w.repaint();
        const double seconds = t.nsecsElapsed() / 1e9;
        if (w.pane(PDFViewRedef::Role::Left)->hasPageReady()) {
            state.SkipWithError("the held song showed before its share answered");
            break;
        }
        state.SetIterationTime(seconds);
        steps.append(seconds);
        // Back to the song before, shown from memory.
        w.setPDF(before, 1, true, false, 0, nullptr, false);
        w.repaint();
    }
    {
        std::lock_guard lock(share->mutex);
        share->answers = true;
    }
    share->answered.notify_all();
    QElapsedTimer shown;
    shown.start();
    w.setPDF(onShare, 1, true, false, 0, after, false);
    while (!w.pane(PDFViewRedef::Role::Left)->hasPageReady() && shown.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    std::sort(steps.begin(), steps.end());
    if (!steps.isEmpty()) {
        state.counters["median_ms"] = steps[steps.size() / 2] * 1e3;
        state.counters["max_ms"] = steps.last() * 1e3;
    }
    state.counters["until_shown_ms"] = double(shown.nsecsElapsed()) / 1e6;
}
BENCHMARK(BM_SongChangeOntoHeldFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(benchCount(30, 1));

// Memory over 10,000 song changes in a set of twelve (forward, back, jumps),
// settling every tenth: the resident size after the first 1,000 and at the
// end, and the images kept. Kept images and documents are bounded, so the
// two sizes match.
void BM_TenThousandChanges(benchmark::State &state)
{
    SetWindow sw;
    WindowPDFx &w = sw.w;
    const PiecesList &set = sw.set;
    // The generated sheets are small: a short run keeps as few of them as of a
    // library of scans, so that it drops documents past the bytes kept.
    const auto restore = qScopeGuard([] { PageRenderWorker::documentBytesKept = PageRenderWorker::kMaxDocumentBytesKept; });
    if (benchShort())
        PageRenderWorker::documentBytesKept = 3 * QFileInfo(sw.lib.a()).size();
    long after1000 = 0;
    for (auto _ : state) {
        int at = 12 * 1000;
        const int changes = benchCount(10000, 300);
        for (int change = 1; change <= changes; ++change) {
            at += change % 17 == 0 ? 5 : change % 3 == 0 ? -1 : 1;
            pushSong(w, set, at);
            w.repaint();
            if (change % 10 == 0)
                w.renderer().waitForIdle(30000);
            if (change == changes / 10)
                after1000 = residentKb();
        }
        w.renderer().waitForIdle(30000);
    }
    state.counters["rss_after_1000_kB"] = double(after1000);
    state.counters["rss_after_10000_kB"] = double(residentKb());
    state.counters["images"] = w.renderer().imageCount();
    state.counters["image_MB"] = double(w.renderer().imageBytes()) / (1024 * 1024);
}
BENCHMARK(BM_TenThousandChanges)->Iterations(1)->Unit(benchmark::kSecond);

// One page of an open document at the size of one pane of a 1920x1080
// two-page window, from request to delivery.
void BM_ColdRenderOnePage(benchmark::State &state)
{
    Library lib;
    PageRenderer renderer;
    const QSizeF pane(958, 1055);
    renderer.documentInfo(lib.a());
    renderer.waitForIdle(30000);
    const auto info = renderer.documentInfo(lib.a());
    const QSizeF pagePts = info->pageSize(1);
    const int pages = std::max(1, info->pageCount); // pages that exist only: a missing one renders at once
    int page = 0, grow = 0;
    for (auto _ : state) {
        // A page and size never asked before, whichever side limits it: nothing is cached.
        const qreal more = grow++ % 40;
        const QSize size = PageRenderer::fitSize(pagePts, pane + QSizeF(more, more), 1.0);
        QElapsedTimer t;
        t.start();
        renderer.page(lib.a(), page % pages + 1, size);
        renderer.waitForIdle(30000);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        ++page;
    }
}
BENCHMARK(BM_ColdRenderOnePage)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same, opening the document first (the first page of a song nobody
// rendered ahead): argument 0 a six-page vector sheet, 1 a six-page 300-dpi scan.
void BM_OpenAndRenderFirstPage(benchmark::State &state)
{
    Library lib(1);
    const QString path = state.range(0) == 0 ? lib.a() : writeScan(lib.dir.filePath(QStringLiteral("scan.pdf")), 6);
    // As the program does at its start: each fresh renderer takes a reader started ahead.
    platform::PdfProcess::prepare();
    const QSizeF pane(958, 1055);
    for (auto _ : state) {
        // Back to back, as the pages of an in-process reader were timed: the
        // renderer's end gives its reader back, which the next one takes warm.
        PageRenderer renderer;
        QElapsedTimer t;
        t.start();
        // As a window asks it: its first page fitted into the pane, drawn with the load.
        renderer.documentInfo(path, false, {1, pane, 1.0});
        renderer.waitForIdle(30000);
        const QSize size = PageRenderer::fitSize(renderer.documentInfo(path)->pageSize(1), pane, 1.0);
        renderer.page(path, 1, size);
        renderer.waitForIdle(30000);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        // Not timed: the sizes of the pages past those the load answered come
        // next, as they would in the time before another song; a renderer that
        // ends during a call ends its reader, and the next would take a cold one.
        QElapsedTimer settling;
        settling.start();
        for (auto info = renderer.documentInfo(path);
             info && info->pageSizes.size() < std::min(info->pageCount, 1 + PageRenderWorker::kSizesPerStep) && settling.elapsed() < 5000;
             info = renderer.documentInfo(path))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}
BENCHMARK(BM_OpenAndRenderFirstPage)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A PDF reader's first answer, its start and a one-page load: argument 0
// with a child started when asked, 1 with the spare the program keeps.
void BM_ReaderStart(benchmark::State &state)
{
    using platform::PdfProcess;
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        QPainter p(&writer);
        p.drawText(QPointF(100, 100), QStringLiteral("One page"));
    }
    const platform::PdfBytes pdf = platform::PdfBytes::fromBytes(bytes);
    const bool spare = state.range(0) == 1;
    if (spare)
        PdfProcess::prepare();
    qint64 turn = 0;
    for (auto _ : state) {
        if (spare)
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the program's time between songs
        else
            PdfProcess::setMemoryCeiling(PdfProcess::kMemoryCeiling - 1 - turn++ % 2); // no spare has it
        PdfProcess reader([] { return false; });
        QElapsedTimer t;
        t.start();
        if (reader.load(1, pdf, 30000, 1).outcome != PdfProcess::Outcome::Done)
            state.SkipWithError("the reader does not load");
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
    PdfProcess::setMemoryCeiling(0);
}
BENCHMARK(BM_ReaderStart)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(benchCount(20, 1));

} // namespace

namespace {

// One page of TOLVANE_BENCH_PDF (or the generated sheet) as the render thread
// draws it (from one in-memory read, premultiplied), at the pixel size
// TOLVANE_BENCH_SIZE ("958x1055"): the figure bench/compare_renderers.sh sets
// beside the stand-alone renderers. The argument is the page; pages past the end are skipped.
void BM_RenderPageOfFile(benchmark::State &state)
{
    const Library lib(1);
    const QStringList size = qEnvironmentVariable("TOLVANE_BENCH_SIZE", QStringLiteral("958x1055")).split(QLatin1Char('x'));
    QFile file(lib.a());
    if (size.size() != 2 || !file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("TOLVANE_BENCH_SIZE is not of the form 958x1055");
        return;
    }
    QByteArray bytes = file.readAll();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument doc;
    doc.load(&buffer);
    const int page = int(state.range(0));
    if (doc.status() != QPdfDocument::Status::Ready || page > doc.pageCount()) {
        state.SkipWithError("no such page");
        return;
    }
    const QSize pixels(size[0].toInt(), size[1].toInt());
    for (auto _ : state) {
        QImage image = doc.render(page - 1, pixels);
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderPageOfFile)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);

} // namespace

