#include "ControllerTestSupport.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

using namespace controllertest;

namespace {

// A window that records the song-list rows, the tab buttons and the dimmer.
class TocWindow : public WindowPDFxSuper {
public:
    TocWindow() : WindowPDFxSuper(0) {}
    struct Row {
        qint64 state = -1;
        QString title;
    };
    void setItemStateForItem(qint64 state, const std::shared_ptr<Pieces> &piece, qint64 item) override
    {
        rows[item] = {state, piece && piece->pieceDet ? piece->pieceDet->titre : QString()};
    }
    void setButtonStateForOnglet(qint64 state, const QString &label, qint64 onglet) override
    {
        tabStates << qMakePair(onglet, state);
        if (!label.isNull())
            labels[onglet] = label;
    }
    void setTocLabel2(const QString &text) override { tocLabel = text; }
    void ajusterDimmer(double dimmerAlpha, double inactAlpha) override
    {
        dimmer = dimmerAlpha;
        inact = inactAlpha;
    }
    // The state the last round gave a tab button.
    qint64 lastState(qint64 onglet) const
    {
        for (auto it = tabStates.crbegin(); it != tabStates.crend(); ++it)
            if (it->first == onglet)
                return it->second;
        return -1;
    }

    QMap<qint64, Row> rows;
    QList<QPair<qint64, qint64>> tabStates;
    QMap<qint64, QString> labels;
    QString tocLabel;
    double dimmer = -1;
    double inact = -1;
};

class ControllerTocTest : public ControllerFixture {
protected:
    void TearDown() override
    {
        delete toc.data();
        Data::setNbTocG(36);
        Data::setOnglNoG(0);
        ControllerFixture::TearDown();
    }
    // Starts on count songs, table of contents hidden, with a recording window.
    void startOn(int count)
    {
        startWithSongs(dir, count);
        toc = new TocWindow;
        Data::nsMutaryOfWindows().append(toc.data());
    }
    QString rowTitle(qint64 item) const { return toc->rows.value(item).title; }
    qint64 rowState(qint64 item) const { return toc->rows.value(item).state; }

    QTemporaryDir dir;
    QPointer<TocWindow> toc;
};

} // namespace

TEST_F(ControllerTocTest, FillOpensOnTheCurrentSongsPage)
{
    startOn(40);
    Data::setNbTocG(36);
    Data::setSongNoG(38);
    controller->afficherToc(true);
    EXPECT_TRUE(controller->tocON());
    EXPECT_EQ(toc->tocLabel, QStringLiteral("40 • 2/2"));
    EXPECT_EQ(controller->noPageToc(), 2);
    for (int item = 1; item <= 4; ++item) {
        EXPECT_EQ(rowState(item), 0) << item;
        EXPECT_EQ(rowTitle(item), QStringLiteral("Song %1").arg(36 + item)) << item;
    }
    for (int item = 5; item <= 36; ++item)
        EXPECT_EQ(rowState(item), 1) << item;
    EXPECT_EQ(rowTitle(5), QString());

    // A typed character picks a song of the page shown: "c" is song 39.
    controller->setSongNoToc(2);
    EXPECT_EQ(controller->songNoToc(), 39);
    controller->masquerToc();
    EXPECT_FALSE(controller->tocON());
}

TEST_F(ControllerTocTest, EmptyTabShowsNoEntry)
{
    startOn(5);
    Data::setNbTocG(36);
    Data::setOnglNoG(3); // a tab without songs
    controller->afficherToc(true);
    EXPECT_EQ(toc->tocLabel, QStringLiteral("(no entry)"));
    for (int item = 1; item <= 36; ++item)
        EXPECT_EQ(rowState(item), 1) << item;
}

TEST_F(ControllerTocTest, FillStaysInTheTabWhateverTheCurrentSong)
{
    startOn(40);
    // Tab 0 runs over songs 1-30, tab 1 over songs 31-40.
    Data::setIndexInTitleArrayG(1, 30);
    Data::setNbTocG(18);
    Data::setOnglNoG(1);
    Data::setSongNoG(2); // a song of tab 0, before tab 1's run
    controller->afficherToc(true);
    // Before, the page came out as 0 and listed tab 0's songs 13-30.
    EXPECT_EQ(toc->tocLabel, QStringLiteral("10 • 1/1"));
    EXPECT_EQ(rowTitle(1), QStringLiteral("Song 31"));
    EXPECT_EQ(rowTitle(10), QStringLiteral("Song 40"));
    EXPECT_EQ(rowState(11), 1);

    // A page kept from a longer list is brought back into the tab's pages.
    Data::setOnglNoG(0);
    Data::setSongNoG(30);
    controller->afficherToc(true); // tab 0: 30 songs, page 2 of 2 with 18 a page
    EXPECT_EQ(toc->tocLabel, QStringLiteral("30 • 2/2"));
    Data::setNbTocG(36);
    controller->remplirToc();
    // Before, page 2 of 1 was shown, all empty.
    EXPECT_EQ(toc->tocLabel, QStringLiteral("30 • 1/1"));
    EXPECT_EQ(rowTitle(30), QStringLiteral("Song 30"));
    EXPECT_EQ(rowState(31), 1);
}

TEST_F(ControllerTocTest, PageKeysTurnTheListsPages)
{
    startOn(40);
    Data::setNbTocG(18);
    Data::setSongNoG(1);
    controller->afficherToc(true);
    EXPECT_EQ(toc->tocLabel, QStringLiteral("40 • 1/3"));
    controller->traiterDown(false, 0, false);
    EXPECT_EQ(toc->tocLabel, QStringLiteral("40 • 2/3"));
    EXPECT_EQ(rowTitle(1), QStringLiteral("Song 19"));
    controller->traiterUP(false);
    controller->traiterUP(false);
    EXPECT_EQ(toc->tocLabel, QStringLiteral("40 • 3/3")); // wraps to the last page
    EXPECT_EQ(rowTitle(4), QStringLiteral("Song 40"));
    EXPECT_EQ(rowState(5), 1);
}

TEST_F(ControllerTocTest, TabButtonsAndNames)
{
    startOn(3);
    controller->setOnglet(3, 1);
    EXPECT_EQ(Data::onglNoG(), 3);
    EXPECT_EQ(controller->onglNoGuser(), 3);
    EXPECT_EQ(toc->lastState(4), 1);
    EXPECT_EQ(toc->lastState(1), 0);
    EXPECT_EQ(toc->lastState(10), 0);
    EXPECT_FALSE(controller->redTab());

    controller->setOnglet(0, 1);
    EXPECT_EQ(controller->onglNoGuser(), 3); // tab 0 is not a user's choice
    EXPECT_EQ(toc->lastState(1), 1);
    EXPECT_EQ(toc->lastState(4), 0);

    ASSERT_FALSE(Data::tabs().isEmpty());
    const QString all = Data::tabs().first()->tabNameForDisplay();
    toc->labels.clear();
    controller->setTabsName();
    EXPECT_EQ(toc->labels.value(1), all);
    // A filter on with the list hidden marks tab 0.
    ControllerTestAccess::setFilterOn(*controller, true);
    controller->setTabsName();
    EXPECT_EQ(toc->labels.value(1), QStringLiteral("🔻%1").arg(all));
    EXPECT_EQ(controller->obtenirTabNameForDisplay(1), Data::tabs().value(1)->tabNameForDisplay());
    ControllerTestAccess::setFilterOn(*controller, false);
}

TEST_F(ControllerTocTest, StayTimerRecordsSongsAfterTwoSeconds)
{
    manualClock();
    startOn(5);
    Data::setIndexInTitleArrayG(1, 2); // tab 1 over songs 3-5
    controller->setOnglet(1, 1);
    Data::setSongNoG(3);
    controller->startTimerPrev();
    clock->advance(1.9);
    EXPECT_EQ(controller->songNoGPrev(), 0); // under 2 s: not recorded
    clock->advance(0.2);
    EXPECT_EQ(controller->songNoGPrev(), 3);

    // In tab 0 nothing is recorded.
    Data::setOnglNoG(0);
    Data::setSongNoG(1);
    controller->startTimerPrev();
    clock->advance(2.5);
    EXPECT_EQ(controller->songNoGPrev(), 3);
}

TEST_F(ControllerTocTest, DimmerLevels)
{
    startOn(2);
    controller::ControllerOptions o = controller->options();
    o.dimmer = true;
    o.dimmerVal = 40;
    o.dimmerValInact = 150;
    controller->setOptions(o);
    controller->actionDimmer();
    EXPECT_DOUBLE_EQ(toc->dimmer, 0.4);
    EXPECT_DOUBLE_EQ(toc->inact, 1.0); // at most fully dark
    o.dimmer = false;
    controller->setOptions(o);
    controller->actionDimmer();
    EXPECT_DOUBLE_EQ(toc->dimmer, 0.0);
}

// ---- Half-page zoom ---------------------------------------------------------------------------------

TEST_F(ControllerTocTest, ZoomStepsThroughHalvesAndStopsAtTheEnds)
{
    startOn(3);
    Data::setSongNoG(2);
    controller->chargerPages();
    setPages(3);
    controller->actionZoom();
    ASSERT_TRUE(controller->zoomON());
    EXPECT_TRUE(controller->zoomTopState());
    EXPECT_EQ(controller->pageNo1(), 1);

    struct Step {
        qint64 dir;
        qint64 page;
        bool top;
    };
    const Step down[] = {{1, 1, false}, {1, 2, true}, {1, 2, false}, {1, 3, true}, {1, 3, false},
                         {1, 3, false}}; // the last bottom half stays without the option
    for (const Step &s : down) {
        controller->afficherZoom(s.dir, false);
        EXPECT_EQ(controller->pageNo1(), s.page);
        EXPECT_EQ(controller->zoomTopState(), s.top) << s.page;
    }
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
    EXPECT_EQ(window()->pageNoCour(), 3);

    // Up from a top half goes to the bottom half of the page before.
    controller->afficherZoom(-1, false); // 3 top
    controller->afficherZoom(-1, false); // 2 bottom
    EXPECT_EQ(controller->pageNo1(), 2);
    EXPECT_FALSE(controller->zoomTopState());
    controller->afficherZoom(-1, false); // 2 top
    controller->afficherZoom(-1, false); // 1 bottom
    controller->afficherZoom(-1, false); // 1 top
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_TRUE(controller->zoomTopState());
    // Before, up on page 1's top half went to its bottom half.
    controller->afficherZoom(-1, false);
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_TRUE(controller->zoomTopState());
    EXPECT_EQ(window()->pageNoCour(), 1);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
}

TEST_F(ControllerTocTest, ZoomEndsMoveOnWithTheOptionsOrWrap)
{
    startOn(3);
    Data::setSongNoG(2);
    controller->chargerPages();
    setPages(3);
    controller->actionZoom();
    for (int i = 0; i < 5; ++i)
        controller->afficherZoom(1, false); // page 3, bottom half
    controller->afficherZoom(1, true);
    EXPECT_EQ(controller->pageNo1(), 1);
    EXPECT_TRUE(controller->zoomTopState());

    for (int i = 0; i < 5; ++i)
        controller->afficherZoom(1, false);
    Data::setOptNextPageSong(1);
    controller->afficherZoom(1, false);
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 03"));

    Data::setOptPrevPageSong(1);
    controller->actionZoom();
    controller->afficherZoom(-1, false); // page 1 top: the song before
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 02"));
}

TEST_F(ControllerTocTest, ZoomOffResumesOnTheOddPage)
{
    startOn(2);
    Data::setSongNoG(1);
    controller->chargerPages();
    setPages(5);
    controller->actionZoom();
    for (int i = 0; i < 6; ++i)
        controller->afficherZoom(1, false); // page 4, top half
    ASSERT_EQ(controller->pageNo1(), 4);
    controller->actionZoomOut();
    EXPECT_FALSE(controller->zoomON());
    EXPECT_EQ(controller->pageNo1(), 3);
    EXPECT_EQ(window()->pageNoCour(), 3);
    EXPECT_TRUE(window()->zoomTop());
    // Off again: nothing changes.
    controller->actionZoomOut();
    EXPECT_EQ(controller->pageNo1(), 3);
}

// Before, the windows kept their zoom flag after the zoom ended on an odd
// page (no page push follows), and the frame stayed round the lower half.
TEST_F(ControllerTocTest, ZoomOffClearsTheHalfFrameAtOnce)
{
    startOn(2);
    Data::setSongNoG(1);
    controller->chargerPages();
    setPages(5);
    controller->actionZoom();
    EXPECT_TRUE(window()->zoomOn());
    for (int i = 0; i < 5; ++i)
        controller->afficherZoom(1, false); // page 3, bottom half
    ASSERT_EQ(controller->pageNo1(), 3);
    controller->actionZoomOut();
    EXPECT_FALSE(controller->zoomON());
    EXPECT_FALSE(window()->zoomOn());
}

// ---- Keys typed into the program's own Tolvane window ------------------------------------------

class ControllerTocKeysTest : public ControllerTocTest {
protected:
    // Starts on count songs in real Tolvane windows, the first one active.
    WindowPDFxSuper *startInRealWindows(int count)
    {
        manualClock();
        startWithSongs(dir, count);
        WindowPDFxSuper *tolvane = Data::nsMutaryOfWindows().value(0).data();
        if (tolvane) {
            tolvane->resize(1200, 800);
            QApplication::setActiveWindow(tolvane);
        }
        return tolvane;
    }
    void TearDown() override
    {
        QApplication::setActiveWindow(nullptr);
        ControllerTocTest::TearDown();
    }
    windowfactory::ScopedCreator realWindows{0, nullptr};
};

// Digits typed into the window were dropped: the rows labelled 1-9 and 0
// could only be picked from the on-screen key pad.
TEST_F(ControllerTocKeysTest, ADigitOpensTheRowLabelledWithIt)
{
    WindowPDFxSuper *tolvane = startInRealWindows(40);
    ASSERT_TRUE(tolvane);
    const struct {
        char digit;
        const char *song;
    } cases[] = {{'1', "Song 27"}, {'2', "Song 28"}, {'5', "Song 31"}, {'9', "Song 35"}, {'0', "Song 36"}};
    for (const auto &c : cases) {
        Data::setSongNoG(1);
        controller->chargerPages();
        controller->afficherToc(true);
        ASSERT_EQ(Data::nbTocG(), 36);
        QTest::keyClick(tolvane->windowHandle(), c.digit);
        EXPECT_EQ(currentTitle(), QString::fromUtf8(c.song)) << c.digit;
        manualClock().advance(3.0); // the typed echo fades
    }
}

// Without a window manager the keys reached a window the system did not count
// as active: Ctrl+= then switched no window to half pages, yet marked the zoom
// on, and every window drew a half-page frame over its two pages.
TEST_F(ControllerTocKeysTest, ZoomActsOnTheWindowThatHadTheKey)
{
    WindowPDFxSuper *first = startInRealWindows(3);
    ASSERT_TRUE(first);
    WindowPDFxSuper *second = Data::newWindowPDFx(false, 0);
    ASSERT_TRUE(second);
    testsupport::processEvents(); // the system's activation of the window just shown
    QApplication::setActiveWindow(first);
    controller->chargerPages();
    for (WindowPDFxSuper *typedInto : {first, second}) {
        QApplication::setActiveWindow(nullptr);
        QTest::keyClick(typedInto->windowHandle(), Qt::Key_Equal, Qt::ControlModifier);
        WindowPDFxSuper *other = typedInto == first ? second : first;
        EXPECT_TRUE(controller->zoomON());
        EXPECT_EQ(typedInto->modeAffichage(), 1);
        EXPECT_EQ(other->modeAffichage(), 0);
        EXPECT_TRUE(typedInto->zoomOn());
        QTest::keyClick(typedInto->windowHandle(), Qt::Key_Minus, Qt::ControlModifier);
        EXPECT_FALSE(controller->zoomON());
        EXPECT_EQ(typedInto->modeAffichage(), 0);
        EXPECT_FALSE(typedInto->zoomOn());
    }

    // With no window left to switch, the zoom is not marked on.
    closeProgramWindows();
    controller->actionZoom();
    EXPECT_FALSE(controller->zoomON());
}
