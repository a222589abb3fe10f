#include "windows/PageRenderer.h"

#include "WindowPDFxTestSupport.h"
#include "library/SongFileCheck.h"
#include "platform/Clock.h"
#include "platform/RegularFile.h"
#include "platform/ThreadEnd.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/PageRenderWorker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using Role = PDFViewRedef::Role;

namespace {

using testsupport::heavyPdf;
using testsupport::loopingPdf;
using testsupport::rawPdf;
using windowstest::readers;
using windowstest::song;
using windowstest::TolvaneWindowTest;

// A songbook of `pages` A4 pages, page `wide` (from 1) on its side.
QByteArray book(int pages, int wide = 0)
{
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
    QByteArray kids;
    for (int page = 1; page <= pages; ++page) {
        kids += QByteArray::number(page + 2) + " 0 R ";
        objects.append(QByteArray("<< /Type /Page /Parent 2 0 R /MediaBox ") + (page == wide ? "[0 0 842 595]" : "[0 0 595 842]") + " >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    return rawPdf(objects);
}

// Waits until the renderer's reader has used `ticks` more of the processor, and answers its process.
int busyReader(const PageRenderer &renderer, qint64 ticks)
{
    int pid = -1;
    qint64 from = -1;
    // However slow a loaded machine makes the reader's start and its CPU: ten
    // seconds returned a reader not drawing. Past a minute the test fails
    // (a signal to no reader is refused) rather than hang the suite.
    for (QDeadlineTimer deadline(60000);;) {
        if (deadline.hasExpired())
            return pid > 0 && readers().contains(pid) ? pid : -1;
        if (renderer.readerPid() != pid) {
            pid = renderer.readerPid();
            from = readers().value(pid, -1);
        }
        if (pid > 0 && from >= 0 && readers().value(pid) >= from + ticks)
            return pid;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
}

// The songs a process holds: open in the program, mapped or open in a reader.
QSet<QString> holding(const QString &proc, const QStringList &songs)
{
    QSet<QString> held;
    QFile maps(proc + QStringLiteral("/maps"));
    const QByteArray mapped = maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
    const QDir fds(proc + QStringLiteral("/fd"));
    const QStringList open = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &song : songs)
        if (mapped.contains(song.toUtf8() + '\n')
            || std::any_of(open.begin(), open.end(), [&](const QString &fd) { return QFileInfo(fds.filePath(fd)).symLinkTarget() == song; }))
            held.insert(song);
    return held;
}

// Steps the clock by a fifth of a second each time the renderer's reader has
// worked a stall watch's look more, until `said` or the renderer is idle: the
// watch sees the reader at work between any two steps, however loaded the
// machine. (Stepped every 110 ms of the wall clock, a reader starved meanwhile
// looked stalled, and its slow page was not said to be.)
void stepWhileReaderWorks(PageRenderer &renderer, platform::ManualClock &clock, const std::function<bool()> &said)
{
    for (int step = 0; step < 50 && !said() && !renderer.waitForIdle(0); ++step) {
        busyReader(renderer, 10);
        clock.advance(0.2);
    }
}

} // namespace

// A damaged page a hair wide asked the half-page band for an image billions
// of pixels tall (and overflowed the size) instead of something drawable.
TEST(PageRendererSizes, AbsurdPagesStayWithinMemory)
{
    const QSize a4 = PageRenderer::halfPageFitSize(QSizeF(595, 842), QSizeF(1600, 1e7), 1.0);
    EXPECT_EQ(a4, QSize(1600, 2264));
    for (const QSizeF page : {QSizeF(0.001, 842), QSizeF(595, 1e12), QSizeF(1e-9, 1e9)}) {
        const QSize s = PageRenderer::halfPageFitSize(page, QSizeF(1600, 1e7), 2.0);
        EXPECT_FALSE(s.isEmpty());
        EXPECT_LE(qreal(s.width()) * s.height(), PageRenderer::kMaxPixels * 1.01);
        EXPECT_LE(s.height(), PageRenderer::kMaxSide);
    }
    EXPECT_TRUE(PageRenderer::halfPageFitSize(QSizeF(qQNaN(), 842), QSizeF(1600, 1e7), 1.0).isEmpty());
    EXPECT_TRUE(PageRenderer::fitSize(QSizeF(595, qInf()), QSizeF(800, 600), 1.0).isEmpty());
    EXPECT_EQ(PageRenderer::fitSize(QSizeF(0.001, 842), QSizeF(800, 600), 1.0), QSize(1, 600));
}

// Before, the load asked the size of every page: the first page of a 900-page
// songbook waited for all of them.
TEST(PageRendererSizes, ALongDocumentsSizesComeAfterItsFirstPages)
{
    QTemporaryDir dir;
    const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("Book.pdf")), book(10, 7));
    PageRenderer renderer;
    std::optional<PageRenderer::DocInfo> opened;
    int told = 0;
    QObject::connect(&renderer, &PageRenderer::documentReady, [&] {
        if (!told++) {
            opened = renderer.documentInfo(path);
            renderer.page(path, 1, QSize(60, 85)); // the sizes near it come once it is drawn
        }
    });
    renderer.documentInfo(path);
    ASSERT_TRUE(testsupport::waitFor([&] {
        const auto info = renderer.documentInfo(path);
        return info && info->pageSizes.size() == 10;
    }));
    ASSERT_TRUE(opened && opened->ok);
    EXPECT_EQ(opened->pageCount, 10);
    EXPECT_LT(opened->pageSizes.size(), 10);
    EXPECT_EQ(opened->pageSize(7), QSizeF(595, 842)) << "the first page's until its own is known";
    EXPECT_EQ(renderer.documentInfo(path)->pageSize(7), QSizeF(842, 595));
    EXPECT_EQ(told, 2) << "told again for the page of another size";
}

// Before, 200 page sizes were asked at once after the load and a page of the
// same document did not interrupt them: the first page of a long songbook
// waited behind them, and every size of it was asked, needed or not.
TEST(PageRendererSizes, APageWaitsForOneStepOfItsDocumentsSizesAtMost)
{
    QTemporaryDir dir;
    const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("Book.pdf")), book(600));
    PageRenderer renderer;
    auto known = [&] { return int(renderer.documentInfo(path).value_or(PageRenderer::DocInfo()).pageSizes.size()); };
    QHash<int, int> asked, came; // the sizes known when each page was asked, and when it came
    auto ask = [&](int page) {
        asked[page] = known();
        renderer.page(path, page, QSize(60, 85));
    };
    QObject::connect(&renderer, &PageRenderer::pageReady, [&](const QString &, int page) {
        came[page] = known();
        if (page == 1)
            ask(2); // while the sizes near page 1 are asked
    });
    QObject::connect(&renderer, &PageRenderer::documentReady, [&] {
        if (!asked.contains(1))
            ask(1);
    });
    renderer.documentInfo(path);
    ASSERT_TRUE(testsupport::waitFor([&] { return came.contains(2); }));
    // One small step at most, and the sizes near the pages drawn only.
    EXPECT_LE(came[1] - asked[1], 32);
    EXPECT_LE(came[2] - asked[2], 32);
    EXPECT_TRUE(testsupport::waitFor([&] { return known() == 2 + PageRenderWorker::kSizesPerStep; })) << known();
}

// Before, a window going away (closed, or at a quit) waited on its renderer's
// thread for as long as a share held a look at a song file.
TEST(PageRendererShare, GoingAwayWaitsForNoShareAndTheThreadLeftBehindEndsQuietly)
{
    testsupport::Ceiling ceiling(60);
    QTemporaryDir dir;
    const QString song = testsupport::writePdf(dir.filePath(QStringLiteral("On the share.pdf")), 1);
    testsupport::Gate reached, answers, ended;
    const auto looks = std::make_shared<std::atomic<int>>(0);
    auto renderer = std::make_unique<PageRenderer>(
        // `ended` opens when the look goes, with the renderer's worker.
        [song, reached, answers, looks, gone = std::shared_ptr<void>(nullptr, [ended](void *) mutable { ended.open(); })](
            const QString &path) mutable {
            if (path == song)
                return platform::regularFileStamp(path);
            ++*looks;
            reached.open();
            answers.wait();
            return platform::regularFileStamp(path);
        });
    renderer->documentInfo(song);
    ASSERT_TRUE(renderer->waitForIdle());
    const int reader = renderer->readerPid();
    // The version a window bound to Lead shows: its own file is looked for, then the ChordPro one.
    EXPECT_FALSE(renderer->version(song, {QStringLiteral("Lead"), 0, 0}));
    reached.wait();
    QElapsedTimer took;
    took.start();
    renderer.reset();
    EXPECT_LT(took.elapsed(), platform::kThreadEndWaitMs);
    // Its reader goes with it (before, it ran on until the share answered, if ever).
    EXPECT_TRUE(testsupport::waitFor([reader] { return !readers().contains(reader); }));
    answers.open();
    // The share answers: the worker looks at nothing more, tells no one that has gone, and goes.
    // (Before, nothing failed when it went on with its job after the stop.)
    ended.wait();
    EXPECT_EQ(*looks, 1);

    // Nor on a document whose load never finishes (it kept the thread, and the PDF
    // reader of every window, busy for ever): the child is ended with the worker.
    PageRenderer::setGiveUpTimes(60000);
    const QString looping = testsupport::writeFile(dir.filePath(QStringLiteral("Looping.pdf")), loopingPdf());
    testsupport::Gate looked, gone;
    renderer = std::make_unique<PageRenderer>(
        [looked, end = std::shared_ptr<void>(nullptr, [gone](void *) mutable { gone.open(); })](const QString &path) mutable {
            looked.open();
            return platform::regularFileStamp(path);
        });
    EXPECT_FALSE(renderer->documentInfo(looping));
    looked.wait();
    took.restart();
    renderer.reset();
    EXPECT_LT(took.elapsed(), 1000);
    gone.wait();

    // A reader that crashes is one given up: that document alone says so, and a
    // fresh reader serves the others, loading again those the crash took.
    // (Tried once more in a fresh reader first, which gives up too.)
    PageRenderer::setGiveUpTimes(1000);
    renderer = std::make_unique<PageRenderer>();
    const QString good = testsupport::writePdf(dir.filePath(QStringLiteral("Good.pdf")), 2);
    renderer->documentInfo(good);
    ASSERT_TRUE(renderer->waitForIdle());
    EXPECT_FALSE(renderer->documentInfo(looping));
    testsupport::signalChild(busyReader(*renderer, 20), SIGKILL);
    ASSERT_TRUE(renderer->waitForIdle());
    EXPECT_EQ(renderer->documentInfo(looping)->problem, QStringLiteral("cannot be shown: the PDF reader gives up on it"));
    EXPECT_TRUE(renderer->page(good, 2, QSize(60, 85)).isNull());
    ASSERT_TRUE(renderer->waitForIdle());
    EXPECT_EQ(renderer->page(good, 2, QSize(60, 85)).size(), QSize(60, 85));
    PageRenderer::setGiveUpTimes();
}

// Before, a reader that stalled or died for a cause not the document's (stopped,
// killed by the system while it rendered) had a sound song refused for the evening.
TEST(PageRendererShare, ASoundSongOutlivesAReaderThatStallsOrDies)
{
    QTemporaryDir dir;
    const QString heavy = testsupport::writeFile(dir.filePath(QStringLiteral("Heavy.pdf")), heavyPdf(600000));
    PageRenderer::setGiveUpTimes(1000, 15000);
    for (const int signal : {SIGSTOP, SIGKILL}) {
        PageRenderer renderer;
        renderer.documentInfo(heavy);
        ASSERT_TRUE(renderer.waitForIdle());
        ASSERT_TRUE(renderer.documentInfo(heavy)->ok);
        if (signal == SIGSTOP) {
            // Stopped while idle: the load asked next finds it silent.
            testsupport::signalChild(renderer.readerPid(), SIGSTOP);
            renderer.keepOnly({});
            renderer.documentInfo(heavy);
            ASSERT_TRUE(renderer.waitForIdle());
            EXPECT_TRUE(renderer.documentInfo(heavy)->ok);
        }
        EXPECT_TRUE(renderer.page(heavy, 1, QSize(250, 350)).isNull());
        // Mid-render, twice: the system's killer is no fault of the song's (before, the
        // second kill refused it, saying the reader gave up on it).
        if (signal == SIGKILL) {
            testsupport::signalChild(busyReader(renderer, 10), SIGKILL);
            testsupport::signalChild(busyReader(renderer, 10), SIGKILL);
        }
        ASSERT_TRUE(renderer.waitForIdle(30000));
        EXPECT_EQ(renderer.page(heavy, 1, QSize(250, 350)).size(), QSize(250, 350)) << signal;
        EXPECT_TRUE(renderer.documentInfo(heavy)->ok) << signal;
        if (signal == SIGKILL) {
            // A third time, each in a fresh reader that held it alone: the system's killer
            // called by its memory. (Before, it was tried again at every return to the song.) So in a load too.
            PageRenderer::setGiveUpTimes(60000, 15000);
            const QString looping = testsupport::writeFile(dir.filePath(QStringLiteral("Looping.pdf")), loopingPdf());
            for (const QString &song : {heavy, looping}) {
                EXPECT_TRUE(song == heavy ? renderer.page(heavy, 1, QSize(251, 351)).isNull() : !renderer.documentInfo(looping));
                for (int kill = 0; kill < 3; ++kill)
                    testsupport::signalChild(busyReader(renderer, 10), SIGKILL);
                ASSERT_TRUE(renderer.waitForIdle(30000));
                EXPECT_EQ(renderer.documentInfo(song)->problem, QStringLiteral("cannot be shown: the PDF reader runs out of memory on it"));
            }
            PageRenderer::setGiveUpTimes(1000, 15000);
        }
    }

    // Stopped under a page on screen, it held the page white for the whole render
    // limit; asked ahead first, as most song changes begin, it still did, unwatched.
    platform::ManualClock clock;
    PageRenderer renderer;
    QStringList late;
    QObject::connect(&renderer, &PageRenderer::pageLate, [&late](const QString &, const QString &words) { late.append(words); });
    const QString light = testsupport::writePdf(dir.filePath(QStringLiteral("Light.pdf")), 2);
    const QString other = testsupport::writePdf(dir.filePath(QStringLiteral("Other.pdf")), 1);
    renderer.documentInfo(light);
    ASSERT_TRUE(renderer.waitForIdle());
    for (const bool ahead : {false, true}) {
        const QSize size(60, 85 + ahead);
        const int stopped = renderer.readerPid();
        late.clear();
        testsupport::signalChild(stopped, SIGSTOP);
        if (ahead) {
            renderer.documentInfo(other, true); // by the other reader, then the page by the stopped one
            ASSERT_TRUE(renderer.waitForIdle());
            renderer.prefetch(light, 2, size);
            ASSERT_TRUE(testsupport::waitFor([&] { return renderer.readerPid() == stopped; }));
        }
        const double asked = platform::now();
        EXPECT_TRUE(renderer.page(light, 2, size).isNull());
        // The clock moves while the stopped reader holds the page.
        for (int step = 0; step < 400 && !renderer.waitForIdle(50); ++step)
            if (renderer.readerPid() == stopped && platform::now() - asked < platform::PdfProcess::kStallS + 2)
                clock.advance(0.1);
        EXPECT_LT(platform::now() - asked, platform::PdfProcess::kStallS + 1) << "a fresh reader serves it " << ahead;
        EXPECT_EQ(renderer.page(light, 2, size).size(), size);
        EXPECT_EQ(late, QStringList{songfile::pageLate(light)}) << ahead;
    }

    // Drawn again while every reader is stopped, again and again: the page drawn
    // stays, and the title row says why. (Before, the pane was emptied.)
    QSet<int> stopped;
    late.clear();
    PageRenderer::setGiveUpTimes(60000, 60000); // fresh readers start on the real clock
    // A fresh reader that answers before it is stopped draws the page: asked again at another size.
    for (int attempt = 0; attempt < 5 && !late.contains(songfile::pageKept(light)); ++attempt) {
        for (int step = 0; step < 600 && (step < 2 || !renderer.waitForIdle(20)); ++step) {
            for (const int pid : readers().keys())
                if (!stopped.contains(pid) && testsupport::signalChild(pid, SIGSTOP))
                    stopped.insert(pid);
            if (step == 0)
                renderer.page(light, 2, QSize(70 + attempt, 99));
            clock.advance(0.1);
        }
    }
    for (const int pid : stopped)
        testsupport::signalChild(pid, SIGCONT);
    EXPECT_FALSE(renderer.anyPage(light, 2).isNull());
    EXPECT_TRUE(renderer.documentInfo(light)->ok);
    EXPECT_TRUE(late.contains(songfile::pageKept(light)));
    clock.advance(readerpolicy::kRetryStoppedAfterS);
    EXPECT_TRUE(testsupport::waitFor([&] { return !renderer.page(light, 2, QSize(70, 99)).isNull(); })) << "drawn again";

    // A page on screen slow to draw, its reader busy on it (a form that fans out),
    // said nothing until it came or was refused: 8-10 s of a white pane.
    const QString slow = testsupport::writeFile(dir.filePath(QStringLiteral("Slow.pdf")), heavyPdf(1500000));
    late.clear();
    EXPECT_TRUE(renderer.page(slow, 1, QSize(600, 850)).isNull());
    busyReader(renderer, 10);
    stepWhileReaderWorks(renderer, clock, [&] { return late.contains(songfile::slowToDraw(slow)); });
    EXPECT_TRUE(late.contains(songfile::slowToDraw(slow)));
    PageRenderer::setGiveUpTimes();
}

// Past the documents or the bytes kept, the least used went by a reference
// into the list it shifted: the next document was forgotten, still open in
// its reader, and the one freed stayed listed, freed again at a quit (the
// program crashed after an evening of songs, and on large scans).
TEST(PageRendererShare, DocumentsPastTheCountOrTheBytesKeptAreClosedEverywhereAndFreedOnce)
{
    testsupport::Ceiling ceiling(60);
    QTemporaryDir dir;
    QStringList songs;
    for (int i = 0; i < PageRenderer::kMaxDocuments + 4; ++i)
        songs.append(testsupport::writePdf(dir.filePath(QStringLiteral("Song %1.pdf").arg(i)), 3));
    const qint64 size = QFileInfo(songs.first()).size();
    ASSERT_GT(size, 1024) << "read as a file, not copied into memory";
    const auto restore = qScopeGuard([] { PageRenderWorker::documentBytesKept = PageRenderWorker::kMaxDocumentBytesKept; });
    for (const int kept : {PageRenderer::kMaxDocuments, 3}) {
        PageRenderWorker::documentBytesKept = kept == 3 ? 3 * size + size / 2 : PageRenderWorker::kMaxDocumentBytesKept;
        {
            PageRenderer renderer;
            for (const QString &song : std::as_const(songs)) {
                renderer.documentInfo(song);
                ASSERT_TRUE(renderer.waitForIdle());
                ASSERT_TRUE(renderer.documentInfo(song)->ok);
            }
            const QStringList last = songs.mid(songs.size() - kept);
            const QSet<QString> expected(last.begin(), last.end());
            EXPECT_EQ(holding(QStringLiteral("/proc/self"), songs), expected) << kept;
            for (const int reader : readers().keys())
                EXPECT_TRUE(testsupport::waitFor([&] { return expected.contains(holding(QStringLiteral("/proc/%1").arg(reader), songs)); }))
                    << kept;
        } // ended as at a quit: each document freed once, in the sanitizer build
        EXPECT_TRUE(holding(QStringLiteral("/proc/self"), songs).isEmpty());
    }
}

// Before, a renderer ended as its page came gave its reader back while the launcher started
// the next spare, which took its place: a reader left running for each window closed.
TEST(PageRendererShare, RenderersMadeAndEndedLeaveNoReaderBeyondTheSpare)
{
    if (qEnvironmentVariableIsEmpty("TOLVANE_TEST_SPARE")) { // in a process of its own: the spare outlives the test
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TOLVANE_TEST_SPARE"), QStringLiteral("1"));
        return testsupport::runThisTestInChild(env);
    }
    QTemporaryDir dir;
    const QString song = testsupport::writePdf(dir.filePath(QStringLiteral("Two pages.pdf")), 2);
    platform::PdfProcess::prepare();
    for (int made = 0; made < 50; ++made) {
        PageRenderer renderer; // ended while its load runs, or once its page is drawn
        if (!renderer.documentInfo(song) && made % 2 && renderer.waitForIdle() && renderer.page(song, 1, QSize(60, 85)).isNull())
            ASSERT_TRUE(renderer.waitForIdle());
    }
    EXPECT_TRUE(testsupport::waitFor([] { return readers().size() <= 1; })) << readers().size() << " readers";
}

// Before, a page on screen waited behind a damaged document for its whole
// limit, and a refusal, kept with the documents, was loaded again each time
// it fell out of them.
TEST(PageRendererShare, ADamagedDocumentHoldsNoOtherSongAndIsRefusedOnce)
{
    QTemporaryDir dir;
    const QString looping = testsupport::writeFile(dir.filePath(QStringLiteral("Looping.pdf")), loopingPdf());
    const QString good = testsupport::writePdf(dir.filePath(QStringLiteral("Good.pdf")), 2);
    // Nor when both readers were held by calls that gave way, each holding a
    // document (the damaged load, a heavy page asked ahead): it waited for the
    // first one's call to its end, its own load's clock running.
    {
        PageRenderer::setGiveUpTimes(60000, 60000);
        platform::ManualClock clock;
        PageRenderer renderer;
        QStringList late;
        QObject::connect(&renderer, &PageRenderer::pageLate, [&late](const QString &, const QString &words) { late.append(words); });
        const QString heavy = testsupport::writeFile(dir.filePath(QStringLiteral("Heavy.pdf")), heavyPdf(1500000));
        renderer.documentInfo(testsupport::writePdf(dir.filePath(QStringLiteral("Held.pdf")), 1));
        renderer.documentInfo(heavy, true);
        ASSERT_TRUE(renderer.waitForIdle());
        renderer.prefetch(heavy, 1, QSize(1000, 1400));
        const int drawing = busyReader(renderer, 10);
        EXPECT_FALSE(renderer.documentInfo(looping));
        ASSERT_TRUE(testsupport::waitFor([&] { return renderer.readerPid() != drawing; }));
        busyReader(renderer, 10);
        clock.advance(PageRenderWorker::kSlowS);
        EXPECT_TRUE(testsupport::waitFor([&] { return late.contains(songfile::slowToOpen(looping)); }));
        // Arrived on since (asked on screen again), it is told at once: before, not
        // until a second after the last word, and the song beside waited for it.
        late.clear();
        renderer.page(looping, 1, QSize(60, 85));
        EXPECT_TRUE(testsupport::waitFor([&] { return late.contains(songfile::slowToOpen(looping)); }));
        EXPECT_FALSE(renderer.documentInfo(good));
        ASSERT_TRUE(testsupport::waitFor([&] { return renderer.documentInfo(good).has_value(); }));
        ASSERT_TRUE(testsupport::waitFor([&] { return !renderer.page(good, 2, QSize(60, 85)).isNull(); }));
        // Told by what is still under way, not by a time a loaded machine overran.
        EXPECT_FALSE(renderer.hasPage(heavy, 1, QSize(1000, 1400))) << "not behind the page asked ahead";
        EXPECT_FALSE(renderer.documentInfo(looping)) << "still on its way";
        EXPECT_TRUE(readers().contains(drawing)) << "the page asked ahead goes on";
    }
    // Nor behind pages of other songs on screen that had given way once: each took its
    // moment again, ending readers, ahead of it (a walk past bad songs: white for a minute).
    {
        PageRenderer::setGiveUpTimes(60000, 60000);
        PageRenderer renderer;
        renderer.documentInfo(good);
        ASSERT_TRUE(renderer.waitForIdle());
        const QByteArray bytes = heavyPdf(600000);
        for (int i = 0; i < 6; ++i)
            renderer.page(testsupport::writeFile(dir.filePath(QStringLiteral("Heavy%1.pdf").arg(i)), bytes), 1, QSize(250, 350));
        // Each gives way once meanwhile; a machine quick enough to draw them all leaves none ahead.
        renderer.waitForIdle(2000);
        QElapsedTimer took;
        took.start();
        renderer.page(good, 1, QSize(60, 85));
        ASSERT_TRUE(testsupport::waitFor([&] { return renderer.hasPage(good, 1, QSize(60, 85)); }));
        // Both readers held by heavy pages that gave way, it waited for one of them to end: seconds.
        EXPECT_LT(took.elapsed(), 1000);
        // Their songs passed, they were still drawn one after the other, for nothing.
        renderer.keepOnly({good});
        EXPECT_TRUE(renderer.waitForIdle(1000));
        // A page asked ahead, under way, dropped at a song change and asked again beside
        // the song shown was taken for the call that was ending: lost, its pane white.
        const QString next = dir.filePath(QStringLiteral("Heavy0.pdf"));
        renderer.prefetch(next, 1, QSize(240, 340));
        busyReader(renderer, 5);
        renderer.keepOnly({good, next}, good);
        renderer.page(next, 1, QSize(240, 340));
        // A heavy page takes its time: waited for to its limit, not a look's ten seconds.
        EXPECT_TRUE(renderer.waitForIdle(60000));
        EXPECT_TRUE(renderer.hasPage(next, 1, QSize(240, 340)));
    }
    // A call asked ahead gave way to a page on screen only after a moment, as one on screen does; and
    // a load's time began again at each give-way, so that a looping one was tried while pages came.
    {
        PageRenderer::setGiveUpTimes(60000, 60000);
        platform::ManualClock clock;
        PageRenderer renderer;
        renderer.documentInfo(good);
        ASSERT_TRUE(renderer.waitForIdle());
        const int holder = renderer.readerPid();
        renderer.documentInfo(looping, true);
        const int loading = busyReader(renderer, 100);
        qint64 fastest = 60000;
        for (int step = 0; step < 6; ++step) {
            QElapsedTimer took;
            took.start();
            while (renderer.readerPid() == holder && took.elapsed() < 5000) // until the load is taken up again
                QThread::yieldCurrentThread();
            took.restart();
            clock.advance(0.15); // six within the second a load asked ahead has
            renderer.page(good, 1, QSize(60, 80 + step));
            ASSERT_TRUE(testsupport::waitFor([&] { return renderer.hasPage(good, 1, QSize(60, 80 + step)); }));
            if (step > 0 && step < 5) // taken up just before, its minute not up
                fastest = std::min(fastest, took.elapsed());
        }
        EXPECT_LT(fastest, PageRenderWorker::kYieldMs / 2);
        clock.advance(0.2);
        EXPECT_TRUE(testsupport::waitFor([&] { return !readers().contains(loading); })) << "its second used across its give-ways";
    }
    // The readers started since the last look.
    QSet<int> seen;
    int starts = 0;
    auto look = [&] {
        for (const int pid : readers().keys())
            if (!seen.contains(pid)) {
                seen.insert(pid);
                ++starts;
            }
        return true;
    };
    platform::ManualClock clock;
    PageRenderer::setGiveUpTimes(2000, 60000);
    PageRenderer renderer;
    renderer.documentInfo(good);
    ASSERT_TRUE(renderer.waitForIdle());
    const int holder = renderer.readerPid();
    look();
    starts = 0;
    // Asked ahead while a page of another song is asked every second: each page
    // comes from the reader that holds its song, and the looping one's time
    // counts across its give-ways. (Before, each page ended the reader, a fresh
    // one started for it, and the looping one's tries began again each time.)
    EXPECT_FALSE(renderer.documentInfo(looping, true));
    for (int second = 1; second <= 10 && !renderer.documentInfo(looping, true); ++second) {
        clock.advance(1.0);
        const QSize size(60, 80 + second);
        QElapsedTimer took;
        took.start();
        renderer.page(good, 1, size);
        ASSERT_TRUE(testsupport::waitFor([&] { return look() && renderer.hasPage(good, 1, size); }));
        EXPECT_LT(took.elapsed(), 1000) << second;
    }
    // Its fresh try waits for its song on screen (before, it ran for a song perhaps never shown).
    EXPECT_FALSE(renderer.documentInfo(looping, true));
    ASSERT_TRUE(testsupport::waitFor([&] {
        clock.advance(0.1);
        return look() && renderer.documentInfo(looping);
    }));
    EXPECT_EQ(renderer.documentInfo(looping)->problem, QStringLiteral("cannot be shown: the PDF reader gives up on it"));
    EXPECT_LE(starts, 2) << "its two tries";
    EXPECT_TRUE(readers().contains(holder)) << "the page's reader was never ended";
    // Refused, it is remembered: asked again on screen, no reader starts for it.
    renderer.keepOnly({good});
    ASSERT_TRUE(renderer.waitForIdle());
    look();
    starts = 0;
    EXPECT_FALSE(renderer.documentInfo(looping));
    ASSERT_TRUE(renderer.waitForIdle());
    EXPECT_FALSE(renderer.documentInfo(looping)->ok);
    // A while later it is tried again once its song is on screen, never ahead of one.
    clock.advance(readerpolicy::kRetryAfterS + 1);
    EXPECT_TRUE(renderer.documentInfo(looping, true));
    renderer.keepOnly({good});
    EXPECT_FALSE(renderer.documentInfo(looping, true));
    ASSERT_TRUE(testsupport::waitFor([&] { return look() && renderer.documentInfo(looping, true); }));
    EXPECT_EQ(starts, 0) << "remembered, and not tried again ahead";
    // Nor on screen beside the song shown: before, its retry ran there, and it waited a while again for its own song.
    renderer.keepOnly({good, looping}, good);
    EXPECT_FALSE(renderer.documentInfo(looping));
    ASSERT_TRUE(renderer.waitForIdle());
    renderer.keepOnly({good});
    EXPECT_FALSE(renderer.documentInfo(looping));
    EXPECT_TRUE(testsupport::waitFor([&] { return look() && starts > 0; }));

    // Asked ahead, then no longer kept: its open is dropped, not loaded. (Before,
    // it kept its place behind the keep and held a reader for its tries.)
    testsupport::Gate held, goes;
    const auto looks = std::make_shared<std::atomic<int>>(0);
    PageRenderer gated([held, goes, looks, looping](const QString &path) mutable {
        if (path == looping)
            ++*looks;
        held.open();
        goes.wait();
        return platform::regularFileStamp(path);
    });
    gated.documentInfo(good);
    held.wait();
    EXPECT_FALSE(gated.documentInfo(looping, true));
    gated.keepOnly({good});
    goes.open();
    EXPECT_TRUE(gated.waitForIdle());
    EXPECT_EQ(*looks, 0);

    // A page of another song waiting when the damaged load was taken waited for
    // its end (as the song shown at start waited for the next one's).
    PageRenderer::setGiveUpTimes(60000, 60000);
    testsupport::Gate looking, answer;
    PageRenderer queued([looking, answer](const QString &path) mutable {
        looking.open();
        answer.wait();
        return platform::regularFileStamp(path);
    });
    queued.documentInfo(good);
    looking.wait();
    queued.documentInfo(looping);
    queued.page(good, 1, QSize(60, 85));
    QElapsedTimer took;
    took.start();
    answer.open();
    ASSERT_TRUE(testsupport::waitFor([&] { return queued.hasPage(good, 1, QSize(60, 85)); }));
    EXPECT_LT(took.elapsed(), 5000);
    PageRenderer::setGiveUpTimes();
}

// Before, a PDF slow to open (a page tree that never ends) left both panes
// blank until it was refused, seconds later: the next song did not show beside it.
TEST_F(TolvaneWindowTest, ASongSlowToOpenShowsTheNextSongBesideIt)
{
    PageRenderer::setGiveUpTimes(60000, 60000);
    auto w = makeWindow(0);
    const PiecesPtr looping = song(testsupport::writeFile(dir.filePath(QStringLiteral("Looping.pdf")), loopingPdf()));
    w->setPDF(looping, 1, true, false, 0, b, false);
    auto besideIt = [&] { return w->pane(Role::Right)->content().path == b->getPath(); };
    // Its load under way before the clock moves: one started later counts its second from then.
    busyReader(w->renderer(), 10);
    EXPECT_FALSE(besideIt()) << "a load within its second lays nothing out";
    clock_.advance(PageRenderWorker::kSlowS);
    ASSERT_TRUE(testsupport::waitFor(besideIt));
    EXPECT_EQ(w->noteText(), songfile::slowToOpen(looping->getPath()));
    EXPECT_TRUE(w->pane(Role::Left)->content().path.isEmpty()) << "its own pane waits";
    PageRenderer::setGiveUpTimes();
}

// A page drawn in 1.8 s kept "slow to draw" over it until 9.2 s; and after a
// stall, a reader loading the document again said "slow to open" over its page.
TEST_F(TolvaneWindowTest, LateWordsLastOnlyWhileTrueOfThePageOnScreen)
{
    PageRenderer::setGiveUpTimes(60000, 60000);
    auto w = makeWindow(0);
    const QString heavy = testsupport::writeFile(dir.filePath(QStringLiteral("Heavy.pdf")), heavyPdf(600000));
    const QString slow = songfile::slowToDraw(heavy);
    QString atPage;
    QObject::connect(&w->renderer(), &PageRenderer::pageReady, w.get(), [&] { atPage = w->noteText(); });
    w->setPDF(song(heavy), 1, true, false, 0, nullptr, false);
    busyReader(w->renderer(), 10);
    stepWhileReaderWorks(w->renderer(), clock_, [&] { return w->noteText() == slow; });
    EXPECT_EQ(w->noteText(), slow);
    ASSERT_TRUE(w->renderer().waitForIdle(30000));
    ASSERT_TRUE(w->pane(Role::Left)->hasPageReady());
    EXPECT_NE(atPage, slow) << "gone as the page came";
    using Late = PageRenderer::Late;
    for (const auto &[why, words] : {std::pair{Late::SlowToOpen, songfile::slowToOpen(heavy)}, {Late::SlowToDraw, slow},
                                     {Late::ReaderReplaced, songfile::pageLate(heavy)}, {Late::PageKept, songfile::pageKept(heavy)}}) {
        emit w->renderer().pageLate(heavy, words, why);
        EXPECT_NE(w->noteText(), words) << "not said over the page shown";
    }
    // Nor over why a song cannot be shown: before, "slow to draw" stayed on over its refusal.
    const QString damaged = testsupport::writeFile(dir.filePath(QStringLiteral("Damaged.pdf")), QByteArray("%PDF-1.4 not a pdf"));
    w->setPDF(song(damaged), 1, true, false, 0, nullptr, false);
    ASSERT_TRUE(w->renderer().waitForIdle(30000));
    const QString why = w->noteText();
    emit w->renderer().pageLate(damaged, songfile::slowToDraw(damaged), Late::SlowToDraw);
    EXPECT_EQ(w->noteText(), why);
    PageRenderer::setGiveUpTimes();
}

// A looping file's load asked ahead, given way to a page on screen and left
// running, went on in its reader for seconds after its song was left: the
// document was forgotten before its load was looked at, and the load left
// running was then taken for a page's.
//
// And keeps queued behind a long call were each done in turn: one that no
// longer kept the song dropped its document, and the next, keeping it again,
// had it loaded a second time in the other reader beside the first load.
TEST_F(TolvaneWindowTest, ALoadPastItsTimeEndsWhenItsSongIsLeft)
{
    PageRenderer::setGiveUpTimes(60000, 60000);
    const QString looping = testsupport::writeFile(dir.filePath(QStringLiteral("Looping.pdf")), loopingPdf());
    const QString sound = a->getPath();
    for (const bool keptAgain : {false, true}) {
        testsupport::Gate looking, answer;
        PageRenderer renderer([looking, answer, sound](const QString &path) mutable {
            if (path == sound) {
                looking.open();
                answer.wait();
            }
            return platform::regularFileStamp(path);
        });
        renderer.keepOnly({sound, looping}, sound);
        renderer.documentInfo(looping, true);
        const int pid = busyReader(renderer, 10);
        // The song's load gives way to the page on screen, whose look holds the worker while the song is left.
        renderer.documentInfo(sound);
        looking.wait();
        renderer.keepOnly({sound}, sound);
        if (keptAgain)
            renderer.keepOnly({sound, looping}, sound);
        else
            clock_.advance(2.0);
        answer.open();
        QElapsedTimer left;
        left.start();
        if (keptAgain) {
            // Its load taken up where it runs, once the song on screen is served.
            testsupport::waitFor([&] { return renderer.documentInfo(sound) && renderer.readerPid() == pid; });
            EXPECT_EQ(renderer.readerPid(), pid) << "not loaded again beside its load";
            continue;
        }
        ASSERT_TRUE(testsupport::waitFor([&] { return !readers().contains(pid) || left.elapsed() > 3000; }));
        EXPECT_LT(left.elapsed(), 3000) << "its reader ended as its song was left";
        EXPECT_TRUE(renderer.waitForIdle(30000));
    }
    PageRenderer::setGiveUpTimes();
}
