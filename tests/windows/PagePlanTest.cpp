#include "windows/PagePlan.h"

#include <gtest/gtest.h>

using namespace pageplan;

namespace {

struct Shown {
    Source source;
    qint64 page;
    const char *label;
};

void expectPane(const Pane &pane, const Shown &want, const char *what)
{
    EXPECT_EQ(pane.source, want.source) << what;
    if (want.source != Source::Keep && want.source != Source::Empty) {
        EXPECT_EQ(pane.page, want.page) << what;
    }
    EXPECT_EQ(pane.label, QString::fromUtf8(want.label)) << what;
}

Input input(qint64 mode, qint64 page, qint64 count, bool hasNext = true, qint64 nextCount = 4)
{
    Input in;
    in.mode = mode;
    in.page = page;
    in.pageCount = count;
    in.hasNext = hasNext;
    in.nextPageCount = nextCount;
    return in;
}

} // namespace

TEST(PagePlan, TwoPagesSideBySide)
{
    struct Case {
        qint64 page, count;
        bool hasNext;
        Shown left, right;
        bool rightDimmed;
    } cases[] = {
        // First page of a 5-page song.
        {1, 5, true, {Source::Current, 1, "1/5"}, {Source::Current, 2, "2/5"}, false},
        // A middle page.
        {3, 5, true, {Source::Current, 3, "3/5"}, {Source::Current, 4, "4/5"}, false},
        // The last page: the next song's first page, dimmed, with its own count.
        {5, 5, true, {Source::Current, 5, "5/5"}, {Source::Next, 1, "1/4"}, true},
        // The last page without a next song: an empty dimmed pane.
        {5, 5, false, {Source::Current, 5, "5/5"}, {Source::Empty, 0, ""}, true},
        // Fewer than 3 pages: no labels.
        {1, 2, true, {Source::Current, 1, ""}, {Source::Current, 2, ""}, false},
        // A page beyond the count gets no label.
        {7, 5, true, {Source::Current, 7, ""}, {Source::Next, 1, "1/4"}, true},
        // A broken document (count 0).
        {1, 0, true, {Source::Current, 1, ""}, {Source::Next, 1, "1/4"}, true},
    };
    for (const Case &c : cases) {
        const Result r = fill(input(0, c.page, c.count, c.hasNext));
        const std::string what = "page " + std::to_string(c.page) + " of " + std::to_string(c.count);
        expectPane(r.left, c.left, what.c_str());
        expectPane(r.right, c.right, what.c_str());
        EXPECT_TRUE(r.inactSet);
        EXPECT_EQ(r.inactAdroite, c.rightDimmed) << what;
        EXPECT_FALSE(r.inactAgauche);
        EXPECT_EQ(r.savePageNo2, c.rightDimmed ? 0 : c.page + 1) << what;
        EXPECT_EQ(r.single.source, Source::Keep);
        EXPECT_EQ(r.zoom.source, Source::Keep);
    }
    // A next song of 2 pages is not labelled.
    EXPECT_EQ(fill(input(0, 3, 3, true, 2)).right.label, QString());
    // With a page offset the right pane stays on the same song.
    Input in = input(0, 5, 5);
    in.fixPageNo = 1;
    expectPane(fill(in).right, {Source::Current, 6, ""}, "offset");
}

TEST(PagePlan, HalfPageBandAndSinglePageLabelFromTwoPages)
{
    expectPane(fill(input(1, 1, 2)).zoom, {Source::Current, 1, "1/2"}, "zoom 2 pages");
    expectPane(fill(input(1, 1, 1)).zoom, {Source::Current, 1, ""}, "zoom 1 page");
    expectPane(fill(input(2, 2, 2)).single, {Source::Current, 2, "2/2"}, "single 2 pages");
    expectPane(fill(input(2, 1, 1)).single, {Source::Current, 1, ""}, "single 1 page");
    expectPane(fill(input(2, 3, 2)).single, {Source::Current, 3, ""}, "single beyond");

    // A ChordPro song split in halves counts twice its pages.
    Input in = input(2, 3, 2);
    in.chordPro = true;
    in.ratio21 = true;
    expectPane(fill(in).single, {Source::Current, 3, "3/4"}, "ChordPro halves");
    // A single-page ChordPro song in halves still shows its label.
    in = input(2, 1, 1);
    in.chordPro = true;
    in.ratio21 = true;
    expectPane(fill(in).single, {Source::Current, 1, "1/2"}, "one page in halves");

    const Result r = fill([] { Input i = input(1, 2, 4); i.savePageNo1 = 3; i.savePageNo2 = 4; return i; }());
    EXPECT_EQ(r.savePageNo1, 0);
    EXPECT_EQ(r.savePageNo2, 0);
    EXPECT_EQ(r.left.source, Source::Keep);
}

TEST(PagePlan, AlternatePagingReloadsOnlyTheChangedPane)
{
    // Page 1 of a 6-page song: both panes load.
    Result r = fill(input(4, 1, 6));
    expectPane(r.left, {Source::Current, 1, "1/6"}, "p1 left");
    expectPane(r.right, {Source::Current, 2, "2/6"}, "p1 right");

    // Page 2: the right pane already holds it; only the left loads page 3.
    Input in = input(4, 2, 6);
    in.savePageNo1 = r.savePageNo1;
    in.savePageNo2 = r.savePageNo2;
    r = fill(in);
    expectPane(r.left, {Source::Current, 3, "3/6"}, "p2 left");
    EXPECT_EQ(r.right.source, Source::Keep);
    EXPECT_EQ(r.savePageNo1, 3);
    EXPECT_EQ(r.savePageNo2, 2);

    // The last (odd) page: the right pane is left alone.
    in = input(4, 5, 5);
    in.savePageNo1 = 3;
    in.savePageNo2 = 4;
    r = fill(in);
    expectPane(r.left, {Source::Current, 5, "5/5"}, "last left");
    EXPECT_EQ(r.right.source, Source::Keep);

    // The last (even) page: the left pane is left alone.
    in = input(4, 4, 4);
    in.savePageNo1 = 3;
    r = fill(in);
    EXPECT_EQ(r.left.source, Source::Keep);
    expectPane(r.right, {Source::Current, 4, "4/4"}, "even last right");
}

TEST(PagePlan, SlidingPair)
{
    Result r = fill(input(5, 4, 4));
    expectPane(r.left, {Source::Current, 3, "3/4"}, "last left");
    expectPane(r.right, {Source::Current, 4, "4/4"}, "last right");
    r = fill(input(5, 2, 4));
    expectPane(r.left, {Source::Current, 2, "2/4"}, "middle left");
    expectPane(r.right, {Source::Current, 3, "3/4"}, "middle right");
    // A one-page song: page 1 and an empty page 2 beyond the count.
    r = fill(input(5, 1, 1));
    expectPane(r.left, {Source::Current, 1, ""}, "one page left");
    expectPane(r.right, {Source::Current, 2, ""}, "one page right");
}

TEST(PagePlan, ModeThreeLoadsNothing)
{
    const Result r = fill(input(3, 2, 4));
    for (const Pane *p : {&r.left, &r.right, &r.single, &r.zoom})
        EXPECT_EQ(p->source, Source::Keep);
    EXPECT_FALSE(r.inactSet);
}

TEST(PagePlan, ResizeRule)
{
    struct Case {
        double w, h;
        qint64 mode;
        bool force;
        qint64 newMode;
        bool zoomOut;
    } cases[] = {
        {800, 600, 2, false, 0, false},  // wide single page goes to two pages
        {800, 600, 2, true, -1, false},  // unless forced to one page
        {800, 600, 1, false, -1, false}, // wide in another mode keeps it
        {600, 800, 1, false, 2, true},   // tall leaves the band with a zoom-out
        {630, 500, 0, false, 2, false},  // narrower than 640
        {640, 500, 2, false, 0, false},  // exactly 640 is wide
        {700, 700, 0, false, 2, false},  // square is not wider than high
        {600, 800, 2, false, 2, false},  // already single: set again
    };
    for (const Case &c : cases) {
        const ResizeDecision d = resizeRule(c.w, c.h, c.mode, c.force);
        EXPECT_EQ(d.newMode, c.newMode) << c.w << "x" << c.h << " mode " << c.mode;
        EXPECT_EQ(d.postZoomOut, c.zoomOut) << c.w << "x" << c.h;
    }
    // The end of a live resize never zooms out, and redraws a wide window that keeps its mode.
    EXPECT_FALSE(endResizeRule(600, 800, 1, false).postZoomOut);
    EXPECT_EQ(endResizeRule(600, 800, 1, false).newMode, 2);
    EXPECT_TRUE(endResizeRule(800, 600, 4, false).refreshOnly);
    EXPECT_EQ(endResizeRule(800, 600, 2, false).newMode, 0);
}

// Before, the band scaled the page to its width only: on a 16:9 screen each
// half showed about 345 pt of a 792 pt Letter page and the rows between
// 345 pt and 450 pt were in neither half.
TEST(HalfPageBand, TheTwoHalvesSeeEveryRowOfThePage)
{
    struct Case {
        const char *what;
        QSizeF page;
        QSizeF band;
        bool widthFit; // the band is high enough for the width fit
    };
    const Case cases[] = {
        {"Letter, 1920x1080", {612, 792}, {1920, 1080}, false},
        {"A4, 1920x1080", {595, 842}, {1920, 1080}, false},
        {"Letter, 1280x1024", {612, 792}, {1280, 1024}, true},
        {"A4, 1280x1024", {595, 842}, {1280, 1024}, true},
        {"landscape page, 1920x1080", {842, 595}, {1920, 1080}, true},
        {"upright band", {612, 792}, {700, 1200}, true},
    };
    for (const Case &c : cases) {
        const QSizeF shown = halfPageSize(c.page, c.band);
        const double scale = shown.width() / c.page.width();
        EXPECT_NEAR(shown.height() / c.page.height(), scale, 1e-9) << c.what;
        EXPECT_LE(shown.width(), c.band.width() + 1e-9) << c.what;
        EXPECT_LE(shown.height() / 2, c.band.height() + 1e-9) << c.what;
        if (c.widthFit)
            EXPECT_NEAR(shown.width(), c.band.width(), 1e-9) << c.what;
        else
            EXPECT_NEAR(shown.height() / 2, c.band.height(), 1e-9) << c.what;

        // Page rows each step shows, in points.
        const QRectF band(QPointF(), c.band);
        double seenTo = 0;   // the top half shows rows from 0 to here
        double seenFrom = 0; // the bottom half shows rows from here to the end
        for (bool top : {true, false}) {
            const QRectF r = halfPageRect(shown, c.band, top);
            EXPECT_NEAR(r.center().x(), band.center().x(), 1e-9) << c.what;
            const QRectF seen = r.intersected(band);
            const double from = (seen.top() - r.top()) / scale, to = (seen.bottom() - r.top()) / scale;
            if (top) {
                EXPECT_NEAR(from, 0, 1e-9) << c.what;
                seenTo = to;
            } else {
                EXPECT_NEAR(to, c.page.height(), 1e-6) << c.what;
                seenFrom = from;
            }
        }
        EXPECT_GE(seenTo, seenFrom - 1e-6) << c.what << ": a band of the page is in neither half";
    }
    EXPECT_TRUE(halfPageSize(QSizeF(612, 792), QSizeF(0, 1080)).isEmpty());
    EXPECT_TRUE(halfPageSize(QSizeF(qQNaN(), 792), QSizeF(1920, 1080)).isEmpty());
}
