#include "windows/WindowPDFx.h"

#include "chordpro/ChordPro.h"
#include "library/SongFileCheck.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/RegularFile.h"
#include "platform/ThreadEnd.h"
#include "platform/Vocabulary.h"
#include "SongFileSupport.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/PageRenderWorker.h"
#include "windows/PageRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

using Role = PDFViewRedef::Role;
using Kind = PDFViewRedef::Kind;

namespace {

using testsupport::loopingPdf;
using testsupport::rawPdf;
using windowstest::song;

// What a pane shows: "A:3 3/5", "B:1 1/3" (next song), "-" (empty).
std::string shown(const PDFViewRedef *pane)
{
    const auto &c = pane->content();
    if (c.kind == Kind::Empty)
        return "-";
    std::string s = QFileInfo(c.path).completeBaseName().toStdString() + ":" + std::to_string(c.page);
    if (!pane->label().isEmpty())
        s += " " + pane->label().toStdString();
    return s;
}

qint64 peakMemoryBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// The PDF reader processes of this program, with the processor time each has used (in ticks).
QHash<int, qint64> readers()
{
    QHash<int, qint64> found;
    const QString tasks = QStringLiteral("/proc/self/task");
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
        for (const QByteArray &pid : children.open(QIODevice::ReadOnly) ? children.readAll().split(' ') : QList<QByteArray>()) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
            const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
            // After "pid (name) " the 12th field is the user time.
            if (line.contains("(tolvane-render)"))
                found.insert(pid.toInt(), line.mid(line.lastIndexOf(')') + 2).split(' ').value(11).toLongLong());
        }
    }
    return found;
}

// One page of `rects` small filled squares: a second or so to render.
QByteArray heavyPdf(int rects)
{
    QByteArray content;
    content.reserve(rects * 16);
    for (int i = 0; i < rects; ++i)
        content += QByteArray::number(i % 500) + ' ' + QByteArray::number(i / 500 % 700) + " 1 1 re f\n";
    const QByteArray packed = qCompress(content).mid(4); // a zlib stream, without Qt's length
    return rawPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 500 700] /Contents 4 0 R >>",
                   "<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode >>\nstream\n" + packed
                       + "\nendstream"});
}

// Waits until the renderer's reader has used `ticks` more of the processor, and answers its process.
int busyReader(const PageRenderer &renderer, qint64 ticks)
{
    int pid = -1;
    qint64 from = -1;
    testsupport::waitFor([&] {
        if (renderer.readerPid() != pid) {
            pid = renderer.readerPid();
            from = readers().value(pid, -1);
        }
        return pid > 0 && from >= 0 && readers().value(pid) >= from + ticks;
    });
    return pid;
}


class TolvaneWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setCurrentGenreG(1);
        Data::setTocOn(false);
        const QString root = dir.path();
        a = song(testsupport::writePdf(root + QStringLiteral("/A.pdf"), 5));
        b = song(testsupport::writePdf(root + QStringLiteral("/B.pdf"), 3));
        c = song(testsupport::writePdf(root + QStringLiteral("/C.pdf"), 2));
        broken = song(testsupport::writeFile(root + QStringLiteral("/Broken.pdf"), "%PDF-1.4 this is not a pdf"));
        missing = song(root + QStringLiteral("/Missing.pdf"));
        chordPro = song(testsupport::writeFile(root + QStringLiteral("/Song.cho"),
                                               "{title: Song}\n{subtitle: Band}\n[C]Hello [G]world\n[Am]Line two\n"));
    }
    void TearDown() override
    {
        Data::setCurrentGenreG(0);
        Data::setOptZoomRedLine(0);
        Data::setOptHalfPageMarker(0);
        Data::nsMutaryOfWindows().clear();
    }

    std::unique_ptr<WindowPDFx> makeWindow(qint64 mode, int w = 1200, int h = 800)
    {
        auto win = std::make_unique<WindowPDFx>();
        win->windowDidLoad();
        win->resize(w, h);
        win->show();
        testsupport::processEvents();
        win->iniModeAffichage(mode, false);
        return win;
    }

    void push(WindowPDFx &w, const PiecesPtr &s, qint64 page, const PiecesPtr &next = nullptr)
    {
        w.setPDF(s, page, true, false, 0, next, false);
        ASSERT_TRUE(w.renderer().waitForIdle());
    }

    // Stands still unless a test moves it: the end of a resize, a quarter of a
    // second later on a real clock, would otherwise turn a wide window's single
    // page back to two pages whenever a loaded machine lets it come first.
    platform::ManualClock clock_;
    testsupport::FreshDefaults defaults;
    QTemporaryDir dir;
    PiecesPtr a, b, c, broken, missing, chordPro;
};

} // namespace

TEST_F(TolvaneWindowTest, PanesOfEveryModeForPushes)
{
    struct Case {
        qint64 mode;
        qint64 page;
        bool next;
        std::string left, right, single, zoom;
    } cases[] = {
        {0, 1, true, "A:1 1/5", "A:2 2/5", "-", "-"},
        {0, 3, true, "A:3 3/5", "A:4 4/5", "-", "-"},
        {0, 4, true, "A:3 3/5", "A:4 4/5", "-", "-"}, // the left pane holds the odd page
        {0, 5, true, "A:5 5/5", "B:1 1/3", "-", "-"}, // the next song, dimmed
        {0, 5, false, "A:5 5/5", "-", "-", "-"},
        {1, 1, true, "-", "-", "-", "A:1 1/5"},
        {1, 3, true, "-", "-", "-", "A:3 3/5"},
        {1, 5, false, "-", "-", "-", "A:5 5/5"},
        {2, 1, true, "-", "-", "A:1 1/5", "-"},
        {2, 3, true, "-", "-", "A:3 3/5", "-"},
        {2, 5, true, "-", "-", "A:5 5/5", "-"},
        {4, 1, true, "A:1 1/5", "A:2 2/5", "-", "-"},
        {4, 3, true, "A:3 3/5", "A:4 4/5", "-", "-"},
        {4, 4, true, "A:5 5/5", "A:4 4/5", "-", "-"}, // even pages on the right
        {4, 5, true, "A:5 5/5", "-", "-", "-"},       // the right pane is left alone
        {5, 1, true, "A:1 1/5", "A:2 2/5", "-", "-"},
        {5, 3, true, "A:3 3/5", "A:4 4/5", "-", "-"},
        {5, 5, false, "A:4 4/5", "A:5 5/5", "-", "-"},
    };
    for (const Case &k : cases) {
        auto w = makeWindow(k.mode);
        push(*w, a, k.page, k.next ? b : nullptr);
        const std::string what = "mode " + std::to_string(k.mode) + " page " + std::to_string(k.page)
            + (k.next ? " with next" : " without next");
        EXPECT_EQ(shown(w->pane(Role::Left)), k.left) << what;
        EXPECT_EQ(shown(w->pane(Role::Right)), k.right) << what;
        EXPECT_EQ(shown(w->pane(Role::Single)), k.single) << what;
        EXPECT_EQ(shown(w->pane(Role::Zoom)), k.zoom) << what;
        EXPECT_EQ(w->nbrPages(), 5) << what;
        // Only the panes of the mode are on screen.
        const bool pair = k.mode == 0 || k.mode == 4 || k.mode == 5;
        EXPECT_EQ(w->pane(Role::Left)->isVisible(), pair) << what;
        EXPECT_EQ(w->pane(Role::Zoom)->isVisible(), k.mode == 1) << what;
        EXPECT_EQ(w->pane(Role::Single)->isVisible(), k.mode == 2) << what;
        // Dimming only in mode 0, over the pane of another song.
        EXPECT_EQ(w->boxInactDroiteShown(), k.mode == 0 && k.page == 5) << what;
        EXPECT_FALSE(w->boxInactGaucheShown()) << what;
    }
}

TEST_F(TolvaneWindowTest, LabelsFromThreePagesOrTwoInTheSinglePaneModes)
{
    auto w = makeWindow(0);
    push(*w, c, 1, b);
    EXPECT_EQ(shown(w->pane(Role::Left)), "C:1");
    EXPECT_EQ(shown(w->pane(Role::Right)), "C:2");
    w->iniModeAffichage(2, true);
    EXPECT_EQ(shown(w->pane(Role::Single)), "C:1 1/2");
    w->iniModeAffichage(1, true);
    EXPECT_EQ(shown(w->pane(Role::Zoom)), "C:1 1/2");

    // Labels follow the window's hide flag and colour for PDF pages.
    EXPECT_TRUE(w->labelsShown());
    w->iniPageNoPDFHide(true);
    EXPECT_FALSE(w->labelsShown());
    w->iniColorForObj(WindowPDFxSuper::kPageNoPDFColor, Qt::green, true);
    EXPECT_EQ(w->labelColor(), QColor(Qt::green));
}

TEST_F(TolvaneWindowTest, MuteGenrePagesModeZeroOneAtATimeWithoutDimming)
{
    Data::setCurrentGenreG(6);
    auto w = makeWindow(0);
    push(*w, a, 2, b);
    EXPECT_EQ(w->effectiveMode(), 4);
    EXPECT_EQ(shown(w->pane(Role::Left)), "A:3 3/5");
    EXPECT_EQ(shown(w->pane(Role::Right)), "A:2 2/5");
    push(*w, a, 5, b);
    EXPECT_FALSE(w->boxInactDroiteShown());
}

TEST_F(TolvaneWindowTest, UnreadablePdfShowsAnEmptyPane)
{
    // Before, a broken file or a page past the end could crash the pane or
    // leave the previous song's page on screen.
    auto w = makeWindow(2);
    push(*w, a, 3, b);
    ASSERT_EQ(shown(w->pane(Role::Single)), "A:3 3/5");
    for (const PiecesPtr &bad : {broken, missing}) {
        push(*w, bad, 1, b);
        EXPECT_EQ(shown(w->pane(Role::Single)), "-");
        EXPECT_EQ(w->nbrPages(), 0);
        w->grab(); // paints without a page
    }
    push(*w, a, 9, b);
    EXPECT_EQ(shown(w->pane(Role::Single)), "-");
    EXPECT_EQ(w->nbrPages(), 5);

    w->iniModeAffichage(0, true);
    push(*w, broken, 1, b);
    EXPECT_EQ(shown(w->pane(Role::Left)), "-");
    EXPECT_EQ(shown(w->pane(Role::Right)), "B:1 1/3");
}

TEST_F(TolvaneWindowTest, ChordProSongIsLaidOutInThePanes)
{
    auto w = makeWindow(0);
    // The library's record takes the song's header from the text read for display.
    chordPro->pieceDet->typeFichier1 = 1;
    chordPro->pieceDet->titre = QStringLiteral("Song.cho");
    Data::listePiecesTEMP1() = {chordPro};
    push(*w, chordPro, 1, a);
    Data::listePiecesTEMP1().clear();
    EXPECT_EQ(chordPro->pieceDet->titre, QStringLiteral("Song"));
    EXPECT_EQ(w->typeFichierCour(), 1);
    EXPECT_GE(w->nbrPages(), 1);
    EXPECT_EQ(w->pane(Role::Left)->content().kind, Kind::ChordPro);
    // A one-page song shows the next song beside it.
    EXPECT_EQ(shown(w->pane(Role::Right)), "A:1 1/5");
    EXPECT_EQ(w->typeFichierNext(), 0);
    const QImage image = w->grab().toImage();
    EXPECT_FALSE(image.isNull());
}

TEST_F(TolvaneWindowTest, ChordProPanePastTheEndStaysInTheTextBackground)
{
    // Before, the spare pane of a one-page ChordPro song in modes 4 and 5 lit up as a white empty PDF page.
    for (qint64 mode : {4, 5}) {
        auto w = makeWindow(mode);
        push(*w, chordPro, 1, a);
        ASSERT_EQ(w->nbrPages(), 1);
        const auto &right = w->pane(Role::Right)->content();
        EXPECT_EQ(right.kind, Kind::ChordPro) << "mode " << mode;
        EXPECT_LT(right.page, 1);
        EXPECT_TRUE(w->pane(Role::Right)->label().isEmpty());
    }
}

TEST_F(TolvaneWindowTest, NextSongShowsAtOnceWhenRenderedAhead)
{
    auto w = makeWindow(0, 1920, 1080);
    push(*w, a, 1, b);
    ASSERT_TRUE(w->pane(Role::Left)->hasPageReady());
    // The next song's first pages were rendered while the first song showed:
    // the push shows them without waiting for the renderer.
    w->setPDF(b, 1, true, false, 0, c, false);
    EXPECT_EQ(shown(w->pane(Role::Left)), "B:1 1/3");
    EXPECT_TRUE(w->pane(Role::Left)->hasPageReady());
    EXPECT_TRUE(w->pane(Role::Right)->hasPageReady());
    // So are the pages after in the same song.
    ASSERT_TRUE(w->renderer().waitForIdle());
    w->setPDF(b, 3, true, false, 0, c, false);
    EXPECT_TRUE(w->pane(Role::Left)->hasPageReady());
    EXPECT_EQ(w->pane(Role::Left)->requestedPixelSize().height(), w->pane(Role::Left)->height());
}

TEST_F(TolvaneWindowTest, ResizeRuleSwitchesModes)
{
    std::vector<qint64> posted;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey, [&](const platform::Notification &n) { posted.push_back(n.intParam()); }, &owner);

    auto w = makeWindow(2, 600, 800);
    w->resize(800, 600);
    testsupport::processEvents();
    EXPECT_EQ(w->modeAffichage(), 0);

    w->iniModeAffichage(1, false);
    posted.clear();
    w->resize(600, 800);
    testsupport::processEvents();
    EXPECT_EQ(w->modeAffichage(), 2);
    EXPECT_NE(std::find(posted.begin(), posted.end(), vocab::ZoomOut), posted.end());
    EXPECT_NE(std::find(posted.begin(), posted.end(), vocab::TocSizeChanged), posted.end());

    w->iniSinglePageForce(true);
    w->resize(900, 600);
    testsupport::processEvents();
    EXPECT_EQ(w->modeAffichage(), 2);

    w->iniSinglePageForce(false);
    w->iniModeAffichage(4, false);
    w->resize(630, 500);
    testsupport::processEvents();
    EXPECT_EQ(w->modeAffichage(), 2);
}

TEST_F(TolvaneWindowTest, FrameAndHalfPageBand)
{
    auto w = makeWindow(1);
    Data::nsMutaryOfWindows().append(w.get());
    w->refreshZoomOn();
    w->setPDF(a, 2, true, true, 0, b, false);
    ASSERT_TRUE(w->renderer().waitForIdle());
    EXPECT_TRUE(w->pane(Role::Zoom)->zoomTop());
    EXPECT_FALSE(w->cadreShown()); // no frame in the band itself
    w->setPDF(a, 2, false, true, 0, b, false);
    EXPECT_FALSE(w->pane(Role::Zoom)->zoomTop());

    // A second window in two-page mode frames the current half of its page.
    auto pair = makeWindow(0);
    Data::nsMutaryOfWindows().append(pair.get());
    pair->setPDF(a, 2, false, true, 0, b, false);
    ASSERT_TRUE(pair->renderer().waitForIdle());
    EXPECT_TRUE(pair->cadreShown());
    const QRect right = pair->pane(Role::Right)->geometry();
    EXPECT_TRUE(right.contains(pair->cadreRect()));
    EXPECT_GT(pair->cadreRect().top(), right.center().y() - 5); // the bottom half
    pair->iniHideFrame(true);
    EXPECT_FALSE(pair->cadreShown());
}

TEST_F(TolvaneWindowTest, KeysPostCommands)
{
    std::vector<qint64> posted;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&](const platform::Notification &n) {
            if (n.intParam() < vocab::WindowRequestFirst) // not the window's own requests
                posted.push_back(n.intParam());
        },
        &owner);
    auto w = makeWindow(0);
    QKeyEvent esc = platform::makeQtKeyEvent(platform::keycode::Escape, 0);
    QCoreApplication::sendEvent(w.get(), &esc);
    QKeyEvent shiftB = platform::makeQtKeyEvent(platform::keycode::B, platform::keyflag::Shift);
    QCoreApplication::sendEvent(w.get(), &shiftB);
    // A pedal's page-down and arrow keys reached no handler before.
    QKeyEvent pageDown = platform::makeQtKeyEvent(platform::keycode::PageDown, 0);
    QCoreApplication::sendEvent(w.get(), &pageDown);
    QKeyEvent right = platform::makeQtKeyEvent(platform::keycode::RightArrow, 0);
    QCoreApplication::sendEvent(w.get(), &right);
    EXPECT_EQ(posted, (std::vector<qint64>{55, 1, 44, 37}));
}

TEST_F(TolvaneWindowTest, MessagesReplaceTheNoteForThreeSeconds)
{
    platform::ManualClock clock;
    a->pieceDet->notetxt = QStringLiteral("Capo 3");
    auto w = makeWindow(0);
    push(*w, a, 1, b);
    const QString note = w->noteText();
    w->setMsg(QStringLiteral("Solo next"), QString(), false);
    EXPECT_EQ(w->noteText(), QStringLiteral("Solo next"));
    w->refreshNote(true); // the played mark, written meanwhile
    EXPECT_EQ(w->noteText(), QStringLiteral("Solo next"));
    clock.advance(3.1);
    EXPECT_EQ(w->noteText(), note);

    // A page on screen held by a stopped reader stayed white, and nothing said why.
    // Every reader is stopped: the one of the last call may have answered a step asked ahead.
    PageRenderer::setGiveUpTimes(60000, 60000); // a fresh reader's start runs on the real clock
    for (const PiecesPtr &asked : {a, c}) {
        const QList<int> stopped = readers().keys();
        for (const int pid : stopped)
            ::kill(pid, SIGSTOP);
        // A page, then a document not asked before, at a page it has: one that it lacks leaves the
        // pane empty with nothing to say once a reader not stopped (a spare started since) loads it.
        w->setPDF(asked, asked == a ? 5 : 1, true, false, 0, nullptr, false);
        auto said = [&w] { return w->noteText().contains(QStringLiteral("is late: the PDF reader")); };
        // Or a reader started since drew it at once.
        auto shown = [&] { return w->pane(Role::Left)->content().path == asked->getPath() && w->pane(Role::Left)->hasPageReady(); };
        for (int step = 0; step < 200 && !said() && !shown(); ++step) {
            w->renderer().waitForIdle(20);
            clock.advance(0.1); // the reader's stall is told on the clock too
        }
        EXPECT_TRUE(said() || shown()) << w->noteText().toStdString();
        for (const int pid : stopped)
            ::kill(pid, SIGCONT);
        ASSERT_TRUE(w->renderer().waitForIdle()); // no call left running: the next goes to a stopped reader
        w->setMsg(QString(), QString(), false);
    }
    PageRenderer::setGiveUpTimes();
    push(*w, a, 1, b);

    // A window whose identifier ignores messages to all windows keeps its note.
    auto drum = std::make_shared<WinID>(0);
    drum->idWin = QStringLiteral("Drum");
    drum->defMsg = 1;
    Data::winIDs() = {drum};
    w->iniMode(1, QStringLiteral("Drum"));
    w->setMsg(QStringLiteral("To all"), QString(), false);
    EXPECT_EQ(w->noteText(), note);
    w->setMsg(QStringLiteral("To drums"), QStringLiteral("Drum"), false);
    EXPECT_EQ(w->noteText(), QStringLiteral("To drums"));
    Data::winIDs().clear();
}

TEST_F(TolvaneWindowTest, OffscreenPaintInEveryMode)
{
    for (qint64 mode : {0, 1, 2, 3, 4, 5}) {
        auto w = makeWindow(mode, 1000, 700);
        push(*w, a, 1, b);
        w->update();
        const QImage image = w->grab().toImage();
        ASSERT_FALSE(image.isNull()) << mode;
        if (mode == 3)
            continue; // no layout of its own: nothing is loaded
        // The page (white paper with a large black number) shows in the pane.
        const PDFViewRedef *pane = w->pane(mode == 1 ? Role::Zoom : mode == 2 ? Role::Single : Role::Left);
        const QRect r = pane->geometry();
        int white = 0, dark = 0;
        for (int y = r.top(); y < r.bottom(); y += 4)
            for (int x = r.left(); x < r.right(); x += 4) {
                const int g = qGray(image.pixel(x, y));
                white += g > 240;
                dark += g < 60;
            }
        EXPECT_GT(white, 100) << "mode " << mode;
        EXPECT_GT(dark, 2) << "mode " << mode;
    }
}

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
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
    QByteArray kids;
    for (int page = 1; page <= 10; ++page) {
        kids += QByteArray::number(page + 2) + " 0 R ";
        objects.append(QByteArray("<< /Type /Page /Parent 2 0 R /MediaBox ") + (page == 7 ? "[0 0 842 595]" : "[0 0 595 842]") + " >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count 10 >>";
    const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("Book.pdf")), rawPdf(objects));
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
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
    QByteArray kids;
    for (int page = 1; page <= 600; ++page) {
        kids += QByteArray::number(page + 2) + " 0 R ";
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count 600 >>";
    const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("Book.pdf")), rawPdf(objects));
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
        [reached, answers, looks, gone = std::shared_ptr<void>(nullptr, [ended](void *) mutable { ended.open(); })](
            const QString &path) mutable {
            ++*looks;
            reached.open();
            answers.wait();
            return platform::regularFileStamp(path);
        });
    // The version a window bound to Lead shows: its own file is looked for, then the ChordPro one.
    EXPECT_FALSE(renderer->version(song, {QStringLiteral("Lead"), 0, 0}));
    reached.wait();
    QElapsedTimer took;
    took.start();
    renderer.reset();
    EXPECT_LT(took.elapsed(), platform::kThreadEndWaitMs);
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
    ::kill(busyReader(*renderer, 20), SIGKILL);
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
    testsupport::Ceiling ceiling(60);
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
            ::kill(renderer.readerPid(), SIGSTOP);
            renderer.keepOnly({});
            renderer.documentInfo(heavy);
            ASSERT_TRUE(renderer.waitForIdle());
            EXPECT_TRUE(renderer.documentInfo(heavy)->ok);
        }
        EXPECT_TRUE(renderer.page(heavy, 1, QSize(250, 350)).isNull());
        // Mid-render, twice: the system's killer is no fault of the song's (before, the
        // second kill refused it, saying the reader gave up on it).
        if (signal == SIGKILL) {
            ::kill(busyReader(renderer, 10), SIGKILL);
            ::kill(busyReader(renderer, 10), SIGKILL);
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
                    ::kill(busyReader(renderer, 10), SIGKILL);
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
        ::kill(stopped, SIGSTOP);
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
                if (!stopped.contains(pid) && ::kill(pid, SIGSTOP) == 0)
                    stopped.insert(pid);
            if (step == 0)
                renderer.page(light, 2, QSize(70 + attempt, 99));
            clock.advance(0.1);
        }
    }
    for (const int pid : stopped)
        ::kill(pid, SIGCONT);
    EXPECT_FALSE(renderer.anyPage(light, 2).isNull());
    EXPECT_TRUE(renderer.documentInfo(light)->ok);
    EXPECT_TRUE(late.contains(songfile::pageKept(light)));
    clock.advance(PageRenderWorker::kRetryStoppedAfterS);
    EXPECT_TRUE(testsupport::waitFor([&] { return !renderer.page(light, 2, QSize(70, 99)).isNull(); })) << "drawn again";

    // A page on screen slow to draw, its reader busy on it (a form that fans out),
    // said nothing until it came or was refused: 8-10 s of a white pane.
    const QString slow = testsupport::writeFile(dir.filePath(QStringLiteral("Slow.pdf")), heavyPdf(1500000));
    late.clear();
    EXPECT_TRUE(renderer.page(slow, 1, QSize(600, 850)).isNull());
    busyReader(renderer, 10);
    // The clock moves in steps the stall watch sees the reader work between.
    for (int step = 0; step < 50 && !late.contains(songfile::slowToDraw(slow)) && !renderer.waitForIdle(110); ++step)
        clock.advance(0.2);
    EXPECT_TRUE(late.contains(songfile::slowToDraw(slow)));
    PageRenderer::setGiveUpTimes();
}

// Before, a page on screen waited behind a damaged document for its whole
// limit, and a refusal, kept with the documents, was loaded again each time
// it fell out of them.
TEST(PageRendererShare, ADamagedDocumentHoldsNoOtherSongAndIsRefusedOnce)
{
    testsupport::Ceiling ceiling(60);
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
        QElapsedTimer took;
        took.start();
        EXPECT_FALSE(renderer.documentInfo(good));
        ASSERT_TRUE(testsupport::waitFor([&] { return renderer.documentInfo(good).has_value(); }));
        ASSERT_TRUE(testsupport::waitFor([&] { return !renderer.page(good, 2, QSize(60, 85)).isNull(); }));
        EXPECT_LT(took.elapsed(), 5000);
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
            clock.advance(11);
            renderer.page(good, 1, QSize(60, 80 + step));
            ASSERT_TRUE(testsupport::waitFor([&] { return renderer.hasPage(good, 1, QSize(60, 80 + step)); }));
            if (step > 0 && step < 5) // taken up just before, its minute not up
                fastest = std::min(fastest, took.elapsed());
        }
        EXPECT_LT(fastest, PageRenderWorker::kYieldMs / 2);
        EXPECT_FALSE(readers().contains(loading)) << "its minute used across its give-ways";
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
    clock.advance(PageRenderWorker::kRetryAfterS + 1);
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

namespace {

// Share of the pixels of an inner area (clear of the band's rounded corners)
// where two images differ visibly.
double differingShare(const QImage &x, const QImage &y)
{
    const int margin = 20;
    const int w = std::min(x.width(), y.width()), h = std::min(x.height(), y.height());
    qint64 differ = 0, total = 0;
    for (int row = margin; row < h - margin; ++row)
        for (int col = margin; col < w - margin; ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            ++total;
            if (std::abs(qGray(p) - qGray(q)) > 96)
                ++differ;
        }
    return total ? double(differ) / double(total) : 0.0;
}

} // namespace

TEST_F(TolvaneWindowTest, ChordProZoomBandShowsEachHalfOfTheWholePage)
{
    // Before, the band laid the page out to its own size: the top and the bottom
    // half looked the same and Page Down needed two presses to reach the next page.
    QString text = QStringLiteral("{title: Long}\n");
    for (int i = 1; i <= 60; ++i)
        text += QStringLiteral("[C]Verse line %1 of the [G]song number %2\n").arg(QString::number(i), QString::number(i * 7));
    const QString path = testsupport::writeFile(dir.path() + QStringLiteral("/Long.cho"), text.toUtf8());
    Data::setOptZoomRedLine(0);
    Data::setOptHalfPageMarker(2);

    auto w = makeWindow(1, 1200, 800);
    w->iniPageNoCHDHide(true);
    push(*w, song(path), 1, a);
    PDFViewRedef *band = w->pane(Role::Zoom);
    ASSERT_EQ(band->content().kind, Kind::ChordPro);
    ASSERT_EQ(band->content().page, 1);
    const int bw = band->width(), bh = band->height();
    const QSizeF whole = w->chordProZoomPageSize(false, QSizeF(bw, bh));
    ASSERT_GT(whole.height(), bh + 100.0) << "the whole page must be taller than the band";

    w->afficherZoomHaut(true);
    const QImage top = band->grab().toImage().convertToFormat(QImage::Format_RGB32);
    w->afficherZoomBas(true);
    const QImage bottom = band->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(top.size(), QSize(bw, bh));

    // The whole first page, drawn on its own.
    ChordPro doc(QRectF(QPointF(), QSizeF(w->pageArea().size())), w.get(), true);
    doc.chargerFichier(path, platform::FileBytes{platform::FileStatus::Ok, text.toUtf8(), {}});
    chordpro::PageRequest request;
    request.pageNo = 1;
    request.modeAffichage = 1;
    QImage full(bw, int(std::ceil(whole.height())), QImage::Format_RGB32);
    full.fill(w->chordProBackgroundColor());
    {
        QPainter painter(&full);
        painter.setRenderHint(QPainter::Antialiasing);
        // Centred across, as in the band when it is too low for the width fit.
        doc.chargerPage(painter, QRectF(QPointF((bw - whole.width()) / 2.0, 0), whole), request);
    }
    const QImage fullTop = full.copy(0, 0, bw, bh);
    const QImage fullBottom = full.copy(0, qRound(whole.height() - bh), bw, bh);

    // The band sits the page at a fraction of a pixel from the copy's rows: a
    // match leaves a few edge pixels, far fewer than a different half.
    const double halves = differingShare(fullTop, fullBottom);
    EXPECT_GT(halves, 0.01) << "the song must fill both halves";
    EXPECT_GT(differingShare(top, bottom), halves / 2);
    EXPECT_LT(differingShare(top, fullTop), halves / 4);
    EXPECT_LT(differingShare(bottom, fullBottom), halves / 4);
    EXPECT_GT(differingShare(bottom, fullTop), halves / 2);
}

// A song that could not be shown gave a blank white page or a screen of
// mojibake, and not a word of why. A page tree that names itself kept the
// PDF reader busy for ever: that song and every later one stayed white.
// An encrypted PDF was "damaged"; a file under the size cap was read whole
// before its first bytes said it was no PDF.
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
    for (int step = 0; step < 50 && w->noteText() != slow && !w->renderer().waitForIdle(110); ++step)
        clock_.advance(0.2);
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
    PageRenderer::setGiveUpTimes();
}

TEST_F(TolvaneWindowTest, SongThatCannotBeShownSaysWhy)
{
    platform::ManualClock clock;
    PageRenderer::setGiveUpTimes(700);
    const QString root = dir.path();
    QFile whole(a->pieceDet->fichier);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray pdf = whole.readAll();
    QDir(root).mkdir(QStringLiteral("Folder.pdf"));
    const QByteArray catalogue = "<< /Type /Catalog /Pages 2 0 R >>";
    const QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>";
    const QByteArray id = "<00112233445566778899aabbccddeeff>";
    const QByteArray locked = rawPdf({catalogue, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page,
                                      "<< /Filter /Standard /V 1 /R 2 /O <" + QByteArray(64, '0') + "> /U <"
                                          + QByteArray(64, 'f') + "> /P -4 >>"},
                                     "/Encrypt 4 0 R /ID [" + id + " " + id + "] ");

    struct Case {
        const char *file;
        QByteArray bytes; // written unless null
        const char *reason;
        qint64 sparseSize = 0; // made this long without using the disk
        int renderMs = 20000;  // the time a page may take
    };
    const Case cases[] = {
        {"Locked.pdf", locked, "cannot be opened: needs a password"},
        {"Looping.pdf", loopingPdf(), "cannot be shown: the PDF reader gives up on it"},
        {"Huge.pdf", QByteArray("%PDF-1.4\n"), "too large to open", PageRenderer::kMaxDocumentBytes + 1},
        {"Film.pdf", QByteArray("RIFF"), "cannot be opened: not a PDF file", PageRenderer::kMaxDocumentBytes - 1},
        {"Empty.pdf", QByteArray(""), "cannot be opened: empty file"},
        {"Truncated.pdf", pdf.left(120), "damaged PDF"},
        {"Letter.pdf", QByteArray("Dear band,\nsee you at eight.\n"), "cannot be opened: not a PDF file"},
        {"Gone.pdf", QByteArray(), "cannot be opened: file not found"},
        {"Folder.pdf", QByteArray(), "cannot be opened: not a file"},
        {"Binary.cho", QByteArray("{title: X}\n\0\x01\x02\xff[C]", 16), "cannot be opened: not a text file"},
        {"Empty.cho", QByteArray(""), "cannot be opened: empty file"},
        // Last: the next song, given up with it, stays so in this window.
        {"Stuck.pdf", pdf, "cannot be shown: the PDF reader gives up on it", 0, 0},
    };
    const qint64 peakBefore = peakMemoryBytes();
    for (qint64 mode : {0, 1, 2}) {
        // An upright window keeps the single page.
        auto w = mode == 2 ? makeWindow(mode, 700, 900) : makeWindow(mode);
        for (const Case &c : cases) {
            const QString path = root + QLatin1Char('/') + QLatin1String(c.file);
            if (!c.bytes.isNull())
                testsupport::writeFile(path, c.bytes);
            if (c.sparseSize) {
                ASSERT_TRUE(QFile::resize(path, c.sparseSize));
            }
            PageRenderer::setGiveUpTimes(700, c.renderMs);
            PiecesPtr bad = song(path);
            bad->pieceDet->notetxt = QStringLiteral("Capo 2");
            push(*w, bad, 1, b);
            const QString expected = QStringLiteral("⚠️ %1 — %2").arg(QLatin1String(c.file), QLatin1String(c.reason));
            // Whole, or in a narrow window its beginning up to an ellipsis.
            const auto says = [&expected](const QString &shown) {
                return shown == expected || (shown.endsWith(QChar(0x2026)) && expected.startsWith(shown.chopped(1)));
            };
            EXPECT_TRUE(says(w->noteText())) << c.file << " mode " << mode << ": " << w->noteText().toStdString();
            const Role role = mode == 1 ? Role::Zoom : mode == 2 ? Role::Single : Role::Left;
            EXPECT_EQ(w->pane(role)->content().kind, Kind::Empty) << c.file;
            EXPECT_TRUE(w->pane(role)->content().unreadable) << c.file << " mode " << mode;
            const QImage image = w->pane(role)->grab().toImage();
            const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
            EXPECT_EQ(middle, w->backColor()) << c.file << ": the pane keeps the window's colour";

            // The word stays while the song does: through the note's refresh and a 3-second message.
            w->refreshNote(true);
            w->setMsg(QStringLiteral("Solo next"), QString(), false);
            clock.advance(3.1);
            EXPECT_TRUE(says(w->noteText())) << c.file;
        }
        // A good song next: the note is back, and a bad next song shows dark beside it.
        PageRenderer::setGiveUpTimes(700);
        push(*w, a, 1, song(root + QStringLiteral("/Letter.pdf")));
        EXPECT_EQ(w->noteText(), a->pieceDet->notetxt);
        EXPECT_TRUE(w->songProblem().isEmpty());
        EXPECT_TRUE(w->pane(mode == 1 ? Role::Zoom : mode == 2 ? Role::Single : Role::Left)->hasPageReady());
        if (mode == 0) {
            push(*w, a, 5, song(root + QStringLiteral("/Letter.pdf")));
            EXPECT_TRUE(w->pane(Role::Right)->content().unreadable);
        }
    }
    EXPECT_LT(peakMemoryBytes() - peakBefore, PageRenderer::kMaxDocumentBytes / 2) << "a large file was read whole";
    PageRenderer::setGiveUpTimes();
}
