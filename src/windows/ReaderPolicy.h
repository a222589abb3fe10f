#pragma once

#include "library/SongFileCheck.h"

#include <QtGlobal>

#include <vector>

// The schedule of a window's two PDF readers, as plain rules of a small
// state: which reader serves a call, which call gives way, which reader is
// ended and why, what a song change keeps, what a pick-up takes up and what
// an idle window lets go. PageRenderWorker applies the decisions; the tests
// drive the same rules through whole walks in virtual time.
//
// What a reader costs: a start is a process and the documents it loads again;
// CPU on a file the performer left competes with the audio for nothing. So a
// reader is ended only for the bad file's call (its load past a sound one's
// time, or a document already given up once) or for one that cannot be
// called back; a sound call left running is taken up or settled instead.
namespace readerpolicy {

enum class Call { None, Load, Sizes, Render };

// A call, running in a reader or waiting for one.
struct Work {
    Call call = Call::None;
    quint32 doc = 0;
    bool onScreen = false; // else asked ahead; of a call left running, its song is the one shown
    bool gaveWay = false;  // on screen, it had its moment and gave way once
    bool kept = true;      // its song is still on screen or asked ahead
    double since = 0;      // when it was taken, in seconds
};

// What a document's load has cost so far.
struct Doc {
    int givenUp = 0;      // readers that gave up on it
    bool retried = false; // refused before, and tried again
    double loadUsed = 0;  // reader time of its load, the piece running included
};

struct Reader {
    Work running;          // the call left running there; Call::None when free
    Doc runningDoc;        // the document of that call
    bool holds = false;    // it holds the document of the call to place
    bool runsIt = false;   // it runs that very call, or that document's load
    bool stuck = false;    // no progress for the stall watch's time: it cannot be called back
    bool answered = false; // its child is done with the call: the answer waits to be taken
    double ran = 0;        // how long the call left running has run, in seconds
    bool busy() const { return running.call != Call::None; }
};

struct State {
    Reader readers[2];
    Work asked;        // the call to place
    Doc askedDoc;      // and its document
    double waited = 0; // how long, since its song was arrived on, it has waited for calls left running
    bool shown = true; // its song is the one shown: a song kept beside it waits as long as it takes
};

enum class Why {
    None,
    BadFile, // the call left running is the bad file's
    Stuck,   // the reader cannot be called back
    Passed,  // both readers held past a pick-up by calls of songs not shown
};

struct Decision {
    int serve = -1;  // the reader for the call, once what comes below is done
    int pickUp = -1; // first take up (or settle) the call left running there, at most kPickUpMs
    int end = -1;    // the reader ended first
    Why why = Why::None;
};

// A sound document loads within this; a load past it is the bad file's.
inline constexpr double kLoadPastS = 1.0;
// A sound page draws within this (the heaviest sheets take under two seconds
// on a laptop, a few more on a loaded one); one past it is the bad file's.
inline constexpr double kDrawPastS = 5.0;
// How long a call waits at most for a sound call left running before looking again.
inline constexpr int kPickUpMs = 100;
// How long a page on screen holds the reader before another song's page asked since goes first.
inline constexpr double kYieldS = 0.25;

// Pages on screen go to the first reader, work asked ahead and a document
// given up on once to the second; a call goes to the reader that runs it,
// else to a free one holding its document, else to a free one. A page on
// screen that has not given way waits one pick-up at most for calls of
// songs not shown: both readers still held by such calls, the one not
// holding its document is ended and serves.
Decision place(const State &state);

// Whether the call left running in a reader is the bad file's: ended, it
// costs a start the file has earned; any other is worth waiting for.
bool badFile(const Reader &reader);

// Whether the call under way gives way to this call waiting: a call asked
// ahead at once to a page on screen of another song; a page on screen after
// its moment, at once when it gave way before or its song was passed. One
// that gave way makes none give way in turn, or three songs' long calls
// would take the reader from each other for ever.
bool givesWay(const Work &running, const Work &waiting, double now);

// The next call to take: pages on screen before work asked ahead, and among
// them those that have not had their moment first. -1 when none waits.
int next(const std::vector<Work> &waiting);

// The reader time a try at a load may use: the whole limit for the song shown;
// a sound load's time for one asked ahead or beside it, which past that is the
// bad file's and waits for the performer to arrive (so readers rest once the
// keys stop, rather than spend seconds on the next song's looping file).
double loadTry(bool shown, double limitS);

// Whether a document's load clock runs: only while its reader is free of
// every other call, so that what another call left there is no part of it.
bool loadClockRuns(const Reader &reader);

// Whether a reader that gave up on a load is followed by a fresh one's try:
// once, and only while its song is on screen; asked ahead, the try waits for
// the performer to arrive, so no second load runs for a song never shown.
bool triesAgain(const Doc &doc, const Work &load);

// A song as a song change leaves it: among the songs the window keeps (the
// one shown, those beside it, the last ones shown), and the one shown, when
// the window says which.
struct Kept {
    bool kept = false;
    bool shown = false;
    bool shownTold = false;
};

// Whether a page queued or under way drops out at a song change: told which
// song is shown, only its pages stay (the window asks again those it still
// wants, the page beside among them, and a song kept only for a return draws
// nothing meanwhile); else those of the songs kept. Pages of the songs passed
// go, on screen or asked ahead, the one under way too.
bool dropsAtSongChange(const Work &page, const Kept &song);

// Whether the keep that follows a song change closes a document (its load),
// or takes out the page sizes asked ahead of it: those of songs no longer
// kept, so that none is loaded for nothing. Its pages are the song change's;
// anything else asked is awaited.
bool goesAtKeep(Call call, const Kept &song);

// What a pick-up does with the call left running in a reader (settled when
// neither): the load of a document still wanted (`loadWanted`) goes on as its
// load; else a page waiting that the call draws is taken from it, on screen
// before asked ahead, and never drawn again from nothing.
struct TakeUp {
    bool load = false;
    int page = -1; // in `drawnThere`, the pages waiting that the call draws
};
TakeUp takeUp(bool loadWanted, const std::vector<Work> &drawnThere);

// Whether a reader is ended for a call nobody waits for any more (its song
// left, its page not asked again): the bad file's (its CPU goes no further
// for nothing) or one that cannot be called back. A sound call ends by itself,
// which costs less than a reader started and its documents loaded again.
bool endsWhenLeft(const Reader &reader);

// Whether a reader is ended once the window is idle: the first keeps its
// documents for the songs around, unless the bad file's call holds it; the
// second goes (a spare waits for the next need), with whatever it was left
// running: seconds after the last call, that is an answer nobody takes or
// the bad file's call.
bool endsWhenIdle(const Reader &reader, int index);

// Whether the reader left once the window is idle keeps a document loaded:
// the song shown's and those of the songs kept ahead, whose pages come next.
// One kept only for a return is closed there, its file unmapped and its heap
// given back; the worker keeps its bytes, so a return loads it without a read.
// Until the window tells the song shown, all stay.
bool keepsLoadedWhenIdle(bool shownTold, bool shown, bool ahead);

// How long a window waits after its last call before it is idle.
inline constexpr double kIdleS = 4.0;
// What an idle window does: ends the readers endsWhenIdle names, lets go the
// memory kept for pages to come that its pages had (images', and buffers no
// child maps), and looks again after as long while the first is left with a
// call (the bad file's is ended once past its time).
struct AtIdle {
    bool end[2] = {false, false};
    bool letGoMemory = true;
    bool lookAgain = false;
};
AtIdle atIdle(const Reader (&readers)[2]);

// Whether a watched reader that made no progress this long is stalled.
bool stalled(double stillForS, bool watched);

// A reader killed or stalled from outside is no fault of the document's: a
// fresh one takes over, a few times; then the document is refused, as out of
// memory where a child holding it alone was killed each time (the system's killer).
inline constexpr int kOutsideTries = 3;
struct Outside {
    int tries = 0;
    int killedAlone = 0;
};
enum class AfterOutside { Fresh, OutOfMemory, Stopped };
AfterOutside afterOutside(Outside &soFar, bool killed, bool heldAlone);

// A refusal of a document the reader gave up on (or ran out, or could not
// start) stands this long; one of readers stopped from outside, less. Coming
// back to the song after it tries the document again.
inline constexpr double kRetryAfterS = 60.0;
inline constexpr double kRetryStoppedAfterS = 5.0;
// Seconds until a refusal for this cause is tried again; 0 for never (a
// damaged or locked file stays so while unchanged).
double retryAfter(songfile::PdfLoad why);

} // namespace readerpolicy
