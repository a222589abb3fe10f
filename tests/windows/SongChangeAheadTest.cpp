// Song changes in a set, as the controller pushes them: each push names the
// song a step back would show, and the pages a change shows were rendered
// before it.
#include "windows/WindowPDFx.h"

#include "library/Data.h"
#include "SongFileSupport.h"
#include "support/TestSupport.h"
#include "windows/PageRenderer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Role = PDFViewRedef::Role;

namespace {

using windowstest::song;

class SongChangeAhead : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setCurrentGenreG(1);
        Data::setTocOn(false);
        for (int i = 0; i < 8; ++i)
            set.append(song(testsupport::writePdf(dir.filePath(QStringLiteral("S%1.pdf").arg(i)), 2 + i % 3)));
        w = std::make_unique<WindowPDFx>();
        w->windowDidLoad();
        w->resize(1920, 1080);
        w->show();
        testsupport::processEvents();
        w->iniModeAffichage(0, false);
    }
    void TearDown() override
    {
        w.reset();
        Data::setCurrentGenreG(0);
        Data::nsMutaryOfWindows().clear();
    }

    // Song i at its first page, the way the controller pushes it.
    void push(int i)
    {
        w->setPiecePrev(i > 0 ? set[i - 1] : nullptr);
        w->setPieceAfterNext(set.value(i + 2));
        w->setPDF(set[i], 1, true, false, 0, set.value(i + 1), false);
    }
    void settle() { ASSERT_TRUE(w->renderer().waitForIdle()); }
    bool bothPanesReady() const
    {
        return w->pane(Role::Left)->hasPageReady() && w->pane(Role::Right)->hasPageReady();
    }

    testsupport::FreshDefaults defaults;
    QTemporaryDir dir;
    PiecesList set;
    std::unique_ptr<WindowPDFx> w;
};

struct Walk {
    const char *what;
    QList<int> before; // songs shown, each settled
    int to;            // the change measured
};

void PrintTo(const Walk &walk, std::ostream *os)
{
    *os << walk.what;
}

class SongChangeWalks : public SongChangeAhead, public ::testing::WithParamInterface<Walk> {};

} // namespace

TEST_P(SongChangeWalks, TheChangeShowsPagesAlreadyRendered)
{
    const Walk &walk = GetParam();
    for (int i : walk.before) {
        push(i);
        settle();
    }
    w->renderer().resetStats();
    push(walk.to);
    EXPECT_TRUE(bothPanesReady());
    EXPECT_EQ(w->renderer().stats().misses, 0);
    EXPECT_GE(w->renderer().stats().hits, 2);
}

// Before, only the next song was rendered ahead and only the last song left
// was kept: each further step back opened and rendered its pages cold.
INSTANTIATE_TEST_SUITE_P(
    Steps, SongChangeWalks,
    ::testing::Values(Walk{"next", {0}, 1}, Walk{"back_one", {0, 1}, 0},
                      Walk{"back_three_first", {2, 3, 4, 5, 4}, 3}, Walk{"back_three_last", {2, 3, 4, 5, 4, 3}, 2},
                      Walk{"back_after_a_jump", {0, 6}, 5}, Walk{"forth_after_back", {3, 4, 3}, 4}),
    [](const ::testing::TestParamInfo<Walk> &info) { return std::string(info.param.what); });

// Before, the song after a one-page next song, shown beside it in two-page
// mode, was rendered only once shown: each change over one-page sheets waited.
TEST_F(SongChangeAhead, AOnePageSongShowsTheSongAfterItRenderedAhead)
{
    for (int i = 0; i < 3; ++i)
        set[i] = song(testsupport::writePdf(dir.filePath(QStringLiteral("One%1.pdf").arg(i)), 1));
    push(0);
    settle();
    w->renderer().resetStats();
    push(1);
    EXPECT_TRUE(bothPanesReady());
    EXPECT_EQ(w->renderer().stats().misses, 0);
}

TEST_F(SongChangeAhead, KeptImagesStayBoundedOverManyChanges)
{
    int at = 0, most = 0;
    for (int change = 0; change < 200; ++change) {
        // Forward mostly, back now and then, a jump every so often.
        at = change % 17 == 0 ? (at + 5) % 8 : change % 3 == 0 ? std::max(0, at - 1) : (at + 1) % 8;
        push(at);
        if (change % 2 == 0)
            settle();
        EXPECT_LE(w->renderer().imageCount(), PageRenderer::kMaxImages);
        EXPECT_LE(w->renderer().imageBytes(), PageRenderer::kMaxImageBytes);
        most = std::max(most, w->renderer().imageCount());
    }
    EXPECT_GT(most, 4);
}

TEST_F(SongChangeAhead, AFileReplacedBetweenTwoVisitsShowsItsNewContent)
{
    push(0);
    settle();
    ASSERT_EQ(w->nbrPages(), 2);
    const QImage before = w->renderer().page(set[0]->pieceDet->fichier, 1, w->pane(Role::Left)->requestedPixelSize());
    push(1);
    settle();
    // An export writes the song again, with more pages on a wider sheet.
    const QString path = set[0]->pieceDet->fichier;
    QFile::remove(path);
    testsupport::writePdf(path, 6);
    push(0);
    settle();
    EXPECT_EQ(w->nbrPages(), 6);
    EXPECT_TRUE(bothPanesReady());
    EXPECT_EQ(w->pane(Role::Left)->content().path, path);
    EXPECT_FALSE(before.isNull());
}
