#include "windows/ReaderPolicy.h"

#include "platform/PdfProcess.h"

#include <algorithm>

namespace readerpolicy {

bool badFile(const Reader &reader)
{
    const Doc &doc = reader.runningDoc;
    if (reader.answered)
        return false;
    if (reader.running.call == Call::Load)
        return doc.givenUp > 0 || doc.retried || doc.loadUsed >= kLoadPastS;
    return reader.running.call == Call::Render && reader.ran >= kDrawPastS;
}

Decision place(const State &state)
{
    Decision d;
    const Reader *r = state.readers;
    for (int i : {0, 1})
        if (r[i].runsIt) {
            d.serve = i;
            return d;
        }
    const bool second = !state.asked.onScreen
                        || (state.asked.call == Call::Load && (state.askedDoc.givenUp > 0 || state.askedDoc.retried));
    const int order[2] = {second ? 1 : 0, second ? 0 : 1};
    for (int i : order)
        if (!r[i].busy() && r[i].holds) {
            d.serve = i;
            return d;
        }
    for (int i : order)
        if (!r[i].busy()) {
            d.serve = i;
            return d;
        }
    // Both go on with calls that gave way. A page on screen waits for no bad
    // file's call and no reader that cannot answer: that one is ended.
    if (state.asked.onScreen) {
        for (int i : order)
            if (r[i].stuck) {
                d.serve = d.end = i;
                d.why = Why::Stuck;
                return d;
            }
        for (int i : order)
            if (badFile(r[i])) {
                d.serve = d.end = i;
                d.why = Why::BadFile;
                return d;
            }
    }
    // Two long calls of songs no longer shown would hold the song arrived on
    // for seconds: past a pick-up, one reader is theirs to lose.
    if (state.asked.onScreen && !state.asked.gaveWay && state.shown && state.waited >= kPickUpMs / 1000.0 && !r[0].running.onScreen
        && !r[1].running.onScreen) {
        d.serve = d.end = r[order[0]].holds && !r[order[1]].holds ? order[1] : order[0];
        d.why = Why::Passed;
        return d;
    }
    // A sound call ends within moments: taken up first, where the document is held if it is.
    const int pick = !r[order[0]].holds && r[order[1]].holds ? order[1] : order[0];
    d.serve = d.pickUp = pick;
    return d;
}

bool givesWay(const Work &running, const Work &waiting, double now)
{
    if (waiting.call == Call::None || !waiting.onScreen || waiting.gaveWay || waiting.doc == running.doc)
        return false;
    return !running.onScreen || running.gaveWay || !running.kept || now - running.since >= kYieldS;
}

int next(const std::vector<Work> &waiting)
{
    int firstOnScreen = -1;
    for (int i = 0; i < int(waiting.size()); ++i) {
        if (!waiting[i].onScreen)
            continue;
        if (!waiting[i].gaveWay)
            return i;
        if (firstOnScreen < 0)
            firstOnScreen = i;
    }
    if (firstOnScreen >= 0)
        return firstOnScreen;
    return waiting.empty() ? -1 : 0;
}

double loadTry(bool shown, double limitS)
{
    return shown ? limitS : std::min(limitS, kLoadPastS);
}

bool loadClockRuns(const Reader &reader)
{
    return !reader.busy() || reader.runsIt;
}

bool triesAgain(const Doc &doc, const Work &load)
{
    return doc.givenUp < 2 && load.kept && load.onScreen;
}

bool dropsAtSongChange(const Work &page, const Kept &song)
{
    return page.call == Call::Render && !(song.shownTold ? song.shown : song.kept);
}

bool goesAtKeep(Call call, const Kept &song)
{
    return (call == Call::Load || call == Call::Sizes) && !song.kept;
}

TakeUp takeUp(bool loadWanted, const std::vector<Work> &drawnThere)
{
    TakeUp t;
    if (loadWanted) {
        t.load = true;
        return t;
    }
    for (int i = 0; i < int(drawnThere.size()); ++i)
        if (t.page < 0 || (drawnThere[i].onScreen && !drawnThere[t.page].onScreen))
            t.page = i;
    return t;
}

bool endsWhenLeft(const Reader &reader)
{
    return reader.busy() && !reader.answered && (reader.stuck || badFile(reader));
}

bool endsWhenIdle(const Reader &reader, int index)
{
    return index == 1 || reader.stuck || badFile(reader);
}

bool keepsLoadedWhenIdle(bool shownTold, bool shown, bool ahead)
{
    return !shownTold || shown || ahead;
}

AtIdle atIdle(const Reader (&readers)[2])
{
    AtIdle a;
    for (int i : {0, 1})
        a.end[i] = endsWhenIdle(readers[i], i);
    a.lookAgain = readers[0].busy() && !a.end[0];
    return a;
}

bool stalled(double stillForS, bool watched)
{
    return watched && stillForS >= platform::PdfProcess::kStallS;
}

AfterOutside afterOutside(Outside &soFar, bool killed, bool heldAlone)
{
    if (killed && heldAlone && ++soFar.killedAlone >= kOutsideTries)
        return AfterOutside::OutOfMemory;
    return ++soFar.tries > kOutsideTries ? AfterOutside::Stopped : AfterOutside::Fresh;
}

double retryAfter(songfile::PdfLoad why)
{
    switch (why) {
    case songfile::PdfLoad::GivenUp:
    case songfile::PdfLoad::OutOfMemory:
    case songfile::PdfLoad::NoReader: return kRetryAfterS;
    case songfile::PdfLoad::Stopped: return kRetryStoppedAfterS;
    default: return 0;
    }
}

} // namespace readerpolicy
