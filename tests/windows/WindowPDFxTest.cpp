#include "windows/WindowPDFx.h"

#include "WindowPDFxTestSupport.h"
#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"
#include "windows/PageRenderer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

using Role = PDFViewRedef::Role;
using Kind = PDFViewRedef::Kind;

namespace {

using testsupport::loopingPdf;
using testsupport::rawPdf;
using windowstest::readers;
using windowstest::shown;
using windowstest::song;
using windowstest::TolvaneWindowTest;

qint64 peakMemoryBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

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
            testsupport::signalChild(pid, SIGSTOP);
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
            testsupport::signalChild(pid, SIGCONT);
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
        // The time its load may take, on the wall clock: before, every load had 700 ms, and a
        // loaded machine refused a sound file as the reader's give-up instead of saying why.
        int loadMs = 20000;
    };
    const Case cases[] = {
        {"Locked.pdf", locked, "cannot be opened: needs a password"},
        {"Looping.pdf", loopingPdf(), "cannot be shown: the PDF reader gives up on it", 0, 20000, 700},
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
        // A page of a tenth of a second or so given none: a sound page could be drawn before its answer was waited for.
        {"Stuck.pdf", testsupport::heavyPdf(60000), "cannot be shown: the PDF reader gives up on it", 0, 0},
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
            PageRenderer::setGiveUpTimes(c.loadMs, c.renderMs);
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
        PageRenderer::setGiveUpTimes();
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
