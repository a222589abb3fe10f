#include "windows/WindowPDFxSuper.h"

#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "support/TestSupport.h"
#include "windows/PageRenderer.h"

#include <QDir>
#include <QWindow>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records which of the window classes' hooks a push or a step reaches.
class RecordingWindow : public WindowPDFxSuper {
public:
    explicit RecordingWindow(qint64 type = 0) : WindowPDFxSuper(type) { windowDidLoad(); }
    int refreshPDFs = 0, refreshInfos = 0, cadres = 0, pieces = 0, haut = 0, bas = 0, notesBack = 0;
    void clearCounts() { refreshPDFs = refreshInfos = cadres = pieces = haut = bas = notesBack = 0; }
    void refreshPDF() override { ++refreshPDFs; }
    void refreshInfo() override { ++refreshInfos; }
    void ajusterCadre() override { ++cadres; }
    void refreshPiece() override
    {
        WindowPDFxSuper::refreshPiece();
        ++pieces;
    }
    void afficherZoomHaut(bool) override { ++haut; }
    void afficherZoomBas(bool) override { ++bas; }
    PageRenderer *pageRenderer() const override { return renderer; }
    PageRenderer *renderer = nullptr;
    void refreshNote(bool flag) override
    {
        WindowPDFxSuper::refreshNote(flag);
        if (!flag)
            ++notesBack;
    }
};

PiecesPtr song(const QString &path = QStringLiteral("/songs/A.pdf"))
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    return piece;
}

class WindowBaseTest : public ::testing::Test {
protected:
    void SetUp() override { Data::setCurrentGenreG(1); }
    void TearDown() override
    {
        Data::setCurrentGenreG(0);
        Data::winIDs().clear();
    }
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
};

} // namespace

TEST_F(WindowBaseTest, SyncedWindowTargetPage)
{
    RecordingWindow w;
    const PiecesPtr a = song();
    // Two pages side by side: the left pane holds an odd page.
    w.setPDF(a, 4, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_EQ(w.pageNoCourOrig(), 4);
    // The Mute genre pages one at a time.
    Data::setCurrentGenreG(6);
    w.setPDF(a, 4, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 4);
    Data::setCurrentGenreG(1);

    // Page offsets; a negative one counts as none.
    w.iniFixPageNo(1);
    w.setPDF(a, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 2 - 1); // mode 0 pairs 2 down to 1
    w.setModeAffichage(2);
    w.setPDF(a, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 2);
    w.iniFixPageNo(-1);
    w.setPDF(a, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 1);

    // Two document pages per song page.
    w.iniFixPageNo(0);
    w.iniRatio21(true);
    w.setPDF(a, 3, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 5);
    w.setPDF(a, 3, false, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 6);
    w.setModeAffichage(0);
    w.setPDF(a, 3, false, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 5);
}

TEST_F(WindowBaseTest, PushCallsOnlyWhatChanged)
{
    RecordingWindow w;
    const PiecesPtr a = song(), b = song(QStringLiteral("/songs/B.pdf"));
    w.setModeAffichage(2);
    w.setPDF(a, 1, true, false, 0, b, false);
    EXPECT_EQ(w.pieces, 1);
    EXPECT_EQ(w.refreshPDFs, 1);
    EXPECT_EQ(w.refreshInfos, 1);
    EXPECT_EQ(w.haut, 1);

    w.clearCounts();
    w.setPDF(a, 1, true, false, 0, b, false);
    EXPECT_EQ(w.pieces + w.refreshPDFs + w.refreshInfos + w.haut + w.bas, 0);

    w.clearCounts();
    w.setPDF(a, 2, true, false, 0, b, false);
    EXPECT_EQ(w.pieces, 0);
    EXPECT_EQ(w.refreshPDFs, 1);
    EXPECT_EQ(w.refreshInfos, 0);
    EXPECT_EQ(w.haut, 1);

    // Same page, other half: only the half moves.
    w.clearCounts();
    w.setPDF(a, 2, false, false, 0, b, false);
    EXPECT_EQ(w.refreshPDFs, 0);
    EXPECT_EQ(w.bas, 1);

    // Another sort order redraws the song information.
    w.clearCounts();
    w.setPDF(a, 2, false, false, 1, b, false);
    EXPECT_EQ(w.refreshInfos, 1);
    EXPECT_EQ(w.currentSort(), 1);
}

TEST_F(WindowBaseTest, UnsyncedWindowKeepsItsPage)
{
    RecordingWindow w;
    w.iniSyncPageChanges(false);
    w.setModeAffichage(2);
    w.iniFixPageNo(2);
    const PiecesPtr a = song(), b = song(QStringLiteral("/songs/B.pdf"));
    w.setPDF(a, 5, false, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_TRUE(w.zoomTop());
    w.setPageNoCour(4);
    w.setPDF(a, 1, true, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 4);
    w.setPDF(b, 7, false, false, 0, nullptr, false);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_EQ(w.pageNoCourOrig(), 3);
    EXPECT_TRUE(w.zoomTop());
}

TEST_F(WindowBaseTest, MuteGenreHoldsThePageOnAutomaticPushes)
{
    RecordingWindow w;
    const PiecesPtr a = song();
    Data::setCurrentGenreG(6);
    w.setPDF(a, 2, false, false, 0, nullptr, false);
    ASSERT_FALSE(w.zoomTop());
    w.clearCounts();
    // An automatic push to a top half in the Mute genre keeps the page and only moves the frame.
    w.setPDF(a, 3, true, false, 0, nullptr, true);
    EXPECT_EQ(w.pageNoCour(), 2);
    EXPECT_EQ(w.refreshPDFs, 0);
    EXPECT_EQ(w.cadres, 1);
    EXPECT_TRUE(w.zoomTop());
}

TEST_F(WindowBaseTest, OwnPageStepPerMode)
{
    struct Case {
        qint64 mode;
        bool ratio21;
        qint64 page;
        bool top;
        bool forward;
        qint64 wantPage;
        bool wantTop;
    } cases[] = {
        // n = 5, fixPageNo 0
        {0, false, 1, true, true, 3, true},
        {0, false, 5, true, true, 5, true},   // no step past the end
        {0, false, 4, true, true, 4, true},   // 6 > 5: no step
        {0, false, 3, true, false, 1, true},
        {0, false, 2, true, false, 1, true},  // back to the first page
        {1, false, 2, true, true, 2, false},  // top half to bottom half
        {1, false, 2, false, true, 3, true},
        {1, false, 5, false, true, 5, false}, // last bottom half: no step
        {1, false, 3, false, false, 3, true},
        {1, false, 3, true, false, 2, false},
        {1, false, 1, true, false, 1, true},
        {1, true, 9, false, true, 10, true},  // halves: up to 2n
        {2, false, 4, true, true, 5, true},
        {2, false, 5, true, true, 5, true},
        {2, false, 1, true, false, 1, true},
        {4, false, 3, true, true, 4, true},
        {4, false, 4, true, true, 4, true},   // 5 < 5 fails: the pair already shows 4 and 5
        {5, false, 2, true, false, 1, true},
    };
    for (const Case &c : cases) {
        RecordingWindow w;
        // Reach the page and half through a synced push, then let the window go its own way.
        w.setModeAffichage(2);
        w.setPDF(song(), c.page, c.top, false, 0, nullptr, false);
        w.setModeAffichage(c.mode);
        w.iniRatio21(c.ratio21);
        w.iniSyncPageChanges(false);
        w.setNbrPages(5);
        w.pageUpDown(c.forward);
        EXPECT_EQ(w.pageNoCour(), c.wantPage) << "mode " << c.mode << " page " << c.page << " fwd " << c.forward;
        EXPECT_EQ(w.zoomTop(), c.wantTop) << "mode " << c.mode << " page " << c.page << " fwd " << c.forward;
    }
    // What a step redraws, and the page it records.
    RecordingWindow w;
    w.iniSyncPageChanges(false);
    w.setNbrPages(5);
    w.setPDF(song(), 1, true, false, 0, nullptr, false);
    w.setModeAffichage(0);
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 3);
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 5);
    w.clearCounts();
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 5);
    EXPECT_EQ(w.refreshPDFs, 0);
    w.pageUpDown(false);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_EQ(w.pageNoCourOrig(), 3);

    w.setModeAffichage(1);
    w.clearCounts();
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_FALSE(w.zoomTop());
    EXPECT_EQ(w.bas, 1);
    EXPECT_EQ(w.refreshPDFs, 0);
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 4);
    EXPECT_TRUE(w.zoomTop());
    EXPECT_EQ(w.refreshPDFs, 1);
    w.pageUpDown(false);
    EXPECT_EQ(w.pageNoCour(), 3);
    EXPECT_FALSE(w.zoomTop());

    w.setModeAffichage(2);
    w.pageUpDown(true);
    w.pageUpDown(true);
    w.pageUpDown(true);
    EXPECT_EQ(w.pageNoCour(), 5);
    w.setModeAffichage(4);
    w.pageUpDown(false);
    EXPECT_EQ(w.pageNoCour(), 4);
    w.pageUpDown(true); // 5 is not below 5: the pair 4-5 is the end
    EXPECT_EQ(w.pageNoCour(), 4);

    // Mode 3 only redraws.
    w.setModeAffichage(3);
    w.clearCounts();
    w.pageUpDown(true);
    EXPECT_EQ(w.refreshPDFs, 1);
    EXPECT_EQ(w.pageNoCour(), 4);

    // A synced window or another window type never steps on its own.
    RecordingWindow synced;
    synced.setPDF(song(), 1, true, false, 0, nullptr, false);
    synced.pageUpDown(true);
    EXPECT_EQ(synced.pageNoCour(), 1);
    RecordingWindow title(2);
    title.iniSyncPageChanges(false);
    title.setPDF(song(), 1, true, false, 0, nullptr, false);
    title.setNbrPages(5);
    title.pageUpDown(true);
    EXPECT_EQ(title.pageNoCour(), 1);
}

TEST_F(WindowBaseTest, MessageTimerPutsTheNoteBackAfterThreeSeconds)
{
    RecordingWindow w;
    w.setMsg(QStringLiteral("Capo 2"), QString(), false);
    EXPECT_TRUE(w.messageTimerActive());
    clock.advance(2.9);
    EXPECT_EQ(w.notesBack, 0);
    clock.advance(0.2);
    EXPECT_EQ(w.notesBack, 1);
    EXPECT_FALSE(w.messageTimerActive());

    // A new message restarts the wait.
    w.setMsg(QStringLiteral("one"), QString(), false);
    clock.advance(2.0);
    w.setMsg(QStringLiteral("two"), QString(), false);
    clock.advance(2.0);
    EXPECT_EQ(w.notesBack, 1);
    clock.advance(1.1);
    EXPECT_EQ(w.notesBack, 2);

    // A message that stays, and an empty one, run no timer.
    w.setMsg(QStringLiteral("stay"), QString(), true);
    EXPECT_FALSE(w.messageTimerActive());
    w.setMsg(QString(), QString(), false);
    EXPECT_FALSE(w.messageTimerActive());

    // Before, a refresh of the note (the played mark written at thirty seconds)
    // ended the message at once: a cue that came just before it never showed.
    w.setMsg(QStringLiteral("x"), QString(), false);
    w.refreshNote(true);
    EXPECT_TRUE(w.seconds30());
    EXPECT_TRUE(w.messageTimerActive());
    clock.advance(3.1);
    EXPECT_EQ(w.notesBack, 3);
}

TEST_F(WindowBaseTest, ColourSlotsAndModes)
{
    RecordingWindow w;
    for (int slot = 0; slot < WindowPDFxSuper::kColorSlots; ++slot) {
        const QColor c(slot, 255 - slot, 7);
        w.iniColorForObj(slot, c, false);
        EXPECT_EQ(w.colorForObj(slot), c) << slot;
    }
    // Each slot sets exactly its own field.
    EXPECT_EQ(w.actColor(), QColor(0, 255, 7));
    EXPECT_EQ(w.backColor(), QColor(1, 254, 7));
    EXPECT_EQ(w.pdfColor(), QColor(5, 250, 7));
    EXPECT_EQ(w.listHighColor(), QColor(13, 242, 7));
    EXPECT_EQ(w.chordProBarColor(), QColor(20, 235, 7));
    EXPECT_EQ(w.pageNoCHDColor(), QColor(22, 233, 7));
    EXPECT_EQ(w.chordProLyricsHighColor(), QColor(23, 232, 7));
    w.iniColorForObj(24, Qt::red, false);
    EXPECT_FALSE(w.colorForObj(24).isValid());
    EXPECT_FALSE(w.colorForObj(-1).isValid());

    w.iniModeAffichage(4, false);
    w.iniModeAffichage(1, false);
    EXPECT_EQ(w.modeAffichagePrec(), 4);
    w.iniModeAffichage(1, false);
    EXPECT_EQ(w.modeAffichagePrec(), 4);
    w.iniModeAffichage(-1, false);
    EXPECT_EQ(w.modeAffichage(), 4);

    w.iniTypeMetro(2);
    w.iniTypeMetro(11);
    EXPECT_EQ(w.typeMetro(), 2);
    w.setMetroType();
    EXPECT_EQ(w.typeMetro(), 3);
    w.setMetroType();
    EXPECT_EQ(w.typeMetro(), 0);
    w.iniTypeMetro(7);
    w.setMetroType();
    EXPECT_EQ(w.typeMetro(), 0);

    RecordingWindow strip(14);
    EXPECT_EQ(strip.typeMetro(), 0);
    EXPECT_EQ(RecordingWindow(4).actColor(), QColor::fromRgbF(0, 122 / 255.0, 1));
}

class AltVersionTest : public WindowBaseTest {
protected:
    void SetUp() override
    {
        WindowBaseTest::SetUp();
        root = dir.path();
        auto lead = std::make_shared<WinID>(0);
        lead->idWin = QStringLiteral("Lead");
        auto drum = std::make_shared<WinID>(1);
        drum->idWin = QStringLiteral("Drum");
        drum->defPDF = 2;
        drum->defCHO = 1;
        drum->defMsg = 1;
        Data::winIDs() = {lead, drum};
    }
    QString file(const QString &name) { return testsupport::writeFile(root + QLatin1Char('/') + name, "x"); }
    QTemporaryDir dir;
    QString root;
};

TEST_F(AltVersionTest, BindingCopiesThePolicies)
{
    RecordingWindow w;
    w.iniMode(1, QStringLiteral("Drum"));
    EXPECT_EQ(w.altDir(), QStringLiteral("Drum"));
    EXPECT_EQ(w.defPDF(), 2);
    EXPECT_EQ(w.defCHO(), 1);
    EXPECT_EQ(w.defMsg(), 1);
    // The name must match exactly.
    w.iniMode(1, QStringLiteral("drum"));
    EXPECT_EQ(w.defPDF(), 0);
    // Mode 0 unbinds whatever identifier is given.
    w.iniMode(0, QStringLiteral("Drum"));
    EXPECT_EQ(w.altDir(), QString());
}

TEST_F(AltVersionTest, TheVersionShownIsWhatTheRendererFound)
{
    const QString a = file(QStringLiteral("A.pdf"));
    const QString aLead = file(QStringLiteral("A---Lead.pdf"));
    const QString b = file(QStringLiteral("B.pdf"));
    const QString bLead = file(QStringLiteral("B---Lead.chopro"));
    const QString c = file(QStringLiteral("C.cho"));
    const QString cDrumPdf = file(QStringLiteral("C---Drum.pdf"));
    const std::optional<QString> unknown;

    PageRenderer renderer;
    RecordingWindow w;
    EXPECT_EQ(w.versionShown(a, false), a); // unbound: the song itself, nothing to look at
    w.iniMode(1, QStringLiteral("Lead"));
    EXPECT_EQ(w.versionShown(a, true), unknown) << "no renderer, no answer";
    w.renderer = &renderer;
    EXPECT_EQ(w.versionShown(a, false), unknown) << "not asked yet";
    const auto answered = [&](const QString &song) {
        w.versionShown(song, true);
        renderer.waitForIdle();
        return w.versionShown(song, false);
    };
    EXPECT_EQ(answered(a), aLead);
    EXPECT_EQ(answered(b), bLead); // the other kind
    EXPECT_EQ(answered(c), c);     // none: the song itself
    w.toggleAltModeOnOff();
    EXPECT_EQ(w.versionShown(a, false), a);
    w.toggleAltModeOnOff();

    // Drum: PDF songs only as alternate versions, ChordPro songs always their own (known without a look).
    w.iniMode(1, QStringLiteral("Drum"));
    EXPECT_EQ(w.versionShown(a, false), unknown) << "Lead's answer is not Drum's";
    EXPECT_EQ(answered(a), QString());
    EXPECT_EQ(w.versionShown(c, false), c);
    Data::winIDs()[1]->defCHO = 0;
    w.refreshDefNoteDefPDF();
    EXPECT_EQ(answered(c), cDrumPdf);
}

TEST_F(AltVersionTest, SelectNextDirSteps)
{
    int menuRefreshes = 0, reloads = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&](const platform::Notification &n) {
            if (n.intParam() == vocab::RefreshWindowMenus)
                ++menuRefreshes;
            if (n.intParam() == vocab::ReloadWindows)
                ++reloads;
        },
        &owner);
    RecordingWindow w;
    w.selectNextDir();
    EXPECT_EQ(w.altDir(), QStringLiteral("Lead"));
    EXPECT_EQ(w.altMode(), 1);
    EXPECT_EQ(reloads, 0); // no song shown
    w.setPDF(song(), 1, true, false, 0, nullptr, false);
    w.selectNextDir();
    EXPECT_EQ(w.altDir(), QStringLiteral("Drum"));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(w.pieceCour(), nullptr); // reset for the reload
    w.selectNextDir();
    EXPECT_EQ(w.altMode(), 0);
    EXPECT_EQ(w.altDir(), QString());
    EXPECT_EQ(menuRefreshes, 3);
}

// Frameless document windows had no way to be resized by hand: only the
// auxiliary windows took their edges, the Tolvane window none.
TEST(WindowBaseEdges, EdgesResizeTheWindow)
{
    const QSize size(800, 600);
    struct Row {
        QPoint at;
        Qt::Edges edges;
    } rows[] = {
        {{400, 300}, {}},
        {{2, 300}, Qt::LeftEdge},
        {{797, 300}, Qt::RightEdge},
        {{400, 0}, Qt::TopEdge},
        {{400, 599}, Qt::BottomEdge},
        {{0, 599}, Qt::LeftEdge | Qt::BottomEdge},
        {{6, 6}, {}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(WindowPDFxSuper::resizeEdgesAt(r.at, size), r.edges) << r.at.x() << "," << r.at.y();
}

// Before, each change of "always on top" hid the window and showed it again.
TEST_F(WindowBaseTest, AlwaysOnTopNeverHidesTheWindow)
{
    struct HideCounter : QObject {
        int hides = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            hides += e->type() == QEvent::Hide;
            return false;
        }
    } counter;
    RecordingWindow w;
    w.show();
    w.installEventFilter(&counter);
    for (bool on : {true, false, true}) {
        w.iniAlwaysOnTop(on);
        ASSERT_NE(w.windowHandle(), nullptr);
        EXPECT_EQ(w.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), on);
        EXPECT_TRUE(w.isVisible());
    }
    EXPECT_EQ(counter.hides, 0);
}
