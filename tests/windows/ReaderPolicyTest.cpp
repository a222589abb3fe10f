#include "windows/ReaderPolicy.h"

#include <gtest/gtest.h>

using namespace readerpolicy;

namespace {

Reader busy(Call call, Doc doc = {}, bool stuck = false)
{
    Reader r;
    r.running = Work{call, 9};
    r.runningDoc = doc;
    r.stuck = stuck;
    return r;
}

Reader holding()
{
    Reader r;
    r.holds = true;
    return r;
}

} // namespace

TEST(ReaderPolicy, WhichReaderServesAndWhichIsEnded)
{
    const Work onScreen{Call::Render, 1, true}, ahead{Call::Render, 1, false};
    const Doc sound{0, false, 0.2}, slow{0, false, 1.2}, givenUpOnce{1, false, 0};
    const struct {
        const char *what;
        Reader first, second;
        Work asked;
        Decision want;
    } rows[] = {
        {"on screen, both free: the first", {}, {}, onScreen, {0, -1, -1}},
        {"asked ahead, both free: the second", {}, {}, ahead, {1, -1, -1}},
        {"the free one that holds the document", {}, holding(), onScreen, {1, -1, -1}},
        {"the one running that call", busy(Call::Render), [] { Reader r = busy(Call::Render); r.runsIt = true; return r; }(), onScreen, {1, -1, -1}},
        // Before, any call that gave way had its reader ended: a start per song change.
        {"both on sound calls: taken up, none ended", busy(Call::Render), busy(Call::Load, sound), onScreen, {0, 0, -1}},
        {"taken up where the document is held", busy(Call::Render), [] { Reader r = busy(Call::Sizes); r.holds = true; return r; }(), onScreen, {1, 1, -1}},
        {"a load past a sound one's time is ended", busy(Call::Render), busy(Call::Load, slow), onScreen, {1, -1, 1, Why::BadFile}},
        {"a document given up once is ended", busy(Call::Load, givenUpOnce), busy(Call::Render), onScreen, {0, -1, 0, Why::BadFile}},
        {"a reader that cannot answer is ended", busy(Call::Render), busy(Call::Render, {}, true), onScreen, {1, -1, 1, Why::Stuck}},
        {"a page past a sound one's time is ended", [] { Reader r = busy(Call::Render); r.ran = kDrawPastS; return r; }(),
         busy(Call::Render), onScreen, {0, -1, 0, Why::BadFile}},
        {"asked ahead ends none, even for the bad file", busy(Call::Load, slow), busy(Call::Render), ahead, {1, 1, -1}},
        // Before, a sound load given way was timed until its answer was taken, and its reader ended as the bad file's.
        {"a load its child answered is taken up", [&] { Reader r = busy(Call::Load, slow); r.answered = true; return r; }(), busy(Call::Render),
         onScreen, {0, 0, -1}},
    };
    for (const auto &row : rows) {
        State state;
        state.readers[0] = row.first;
        state.readers[1] = row.second;
        state.asked = row.asked;
        const Decision d = place(state);
        EXPECT_EQ(d.serve, row.want.serve) << row.what;
        EXPECT_EQ(d.pickUp, row.want.pickUp) << row.what;
        EXPECT_EQ(d.end, row.want.end) << row.what;
        EXPECT_EQ(d.why, row.want.why) << row.what;
    }
}

TEST(ReaderPolicy, WhoGivesWayAndTheRulesAroundIt)
{
    const Work page{Call::Render, 2, true};
    const Work gaveWay{Call::Render, 2, true, true};
    const struct {
        const char *what;
        Work running;
        Work waiting;
        double after;
        bool gives;
    } rows[] = {
        {"a call asked ahead gives way at once", {Call::Load, 1, false}, page, 0.0, true},
        {"a page on screen keeps its moment", {Call::Render, 1, true}, page, 0.1, false},
        {"and gives way after it", {Call::Render, 1, true}, page, kYieldS, true},
        {"one that gave way makes none give way in turn", {Call::Render, 1, true}, gaveWay, 5.0, false},
        {"one that gave way before gives way at once", {Call::Render, 1, true, true}, page, 0.0, true},
        {"a song passed gives way at once", {Call::Render, 1, true, false, false}, page, 0.0, true},
        {"never to its own document", {Call::Render, 2, false}, page, 5.0, false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(givesWay(row.running, row.waiting, row.after), row.gives) << row.what;

    EXPECT_EQ(next({{Call::Render, 1, true, true}, {Call::Render, 2, false}, {Call::Render, 3, true}}), 2) << "its moment had";
    // A load's clock runs only once its reader is free of another call.
    EXPECT_FALSE(loadClockRuns(busy(Call::Render)));
    EXPECT_TRUE(loadClockRuns(Reader()));
    // The page of the song shown stays at a song change; a passed song's goes.
    EXPECT_FALSE(dropsAtSongChange(page, {true, true, true}));
    EXPECT_TRUE(dropsAtSongChange(page, {false, false, true}));
    EXPECT_TRUE(dropsAtSongChange(page, {true, false, true}));
    // The second reader is ended once idle, the first keeps its documents.
    EXPECT_TRUE(endsWhenIdle(Reader(), 1));
    EXPECT_FALSE(endsWhenIdle(busy(Call::Render), 0));
    // The stall watch gives a still reader its 3 s.
    EXPECT_FALSE(stalled(0.3, true));
    EXPECT_TRUE(stalled(3.1, true));
    EXPECT_FALSE(stalled(9.0, false));
    // A second try only for a song on screen.
    EXPECT_TRUE(triesAgain({1, false, 0}, {Call::Load, 1, true}));
    EXPECT_FALSE(triesAgain({1, false, 0}, {Call::Load, 1, false}));
    EXPECT_FALSE(triesAgain({2, false, 0}, {Call::Load, 1, true}));
}
