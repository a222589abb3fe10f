#include "library/DataEvents.h"

#include "events/Cues.h"
#include "events/EventScript.h"
#include "events/EventsGlue.h"
#include "events/NoteReads.h"
#include "events/RunProgress.h"
#include "library/Data.h"
#include "platform/Log.h"

namespace {
SongEvArray g_songEvents;
// The record's list whose events the current song's list holds, not copies of them.
std::shared_ptr<SongEvArray> g_songEventsSharedWith;
bool g_evInProcess = false;
QString g_songEventsKey;
} // namespace

namespace eventsglue {

QString currentSongKey()
{
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    return piece && piece->pieceDet ? piece->pieceDet->fichier : QString();
}

cues::CueContext currentCueContext()
{
    cues::CueContext context;
    context.genre = Data::currentGenreG();
    const PiecesPtr piece = Data::getPiece(Data::songNoG());
    if (piece && piece->pieceDet) {
        context.pageCount = piece->pieceDet->nbrPagesMax;
        context.signature = piece->pieceDet->signature;
    }
    for (const Data::SyncedPageView &view : Data::syncedPageViews())
        context.windows.append(cues::CueWindow{view.modeAffichage, view.ratio21});
    return context;
}

} // namespace eventsglue

SongEvArray &DataEvents::songEvents() { return g_songEvents; }
bool DataEvents::evInProcess() { return g_evInProcess; }
void DataEvents::setEvInProcess(bool value) { g_evInProcess = value; }
const QString &DataEvents::songEventsKey() { return g_songEventsKey; }
void DataEvents::setSongEventsKey(const QString &key) { g_songEventsKey = key; }

namespace {

// What every load of events shares: reloading the current song's list while it
// plays keeps the events up to the position reached done.
template <typename Load>
void loadEvents(bool keepExistingEntries, SongEvArray &array, Load load)
{
    if (g_evInProcess)
        TLOG(QStringLiteral("Data song events loaded while events run"));
    const bool reload = &array == &g_songEvents && !keepExistingEntries;
    const double reached = reload ? RunProgress::current().reachedFor(eventsglue::currentSongKey()) : -1.0;
    // Copies: a note reloaded unchanged gets the very events back, their run state reset.
    SongEvArray before;
    if (reached > 0.0)
        for (const SongEvPtr &ev : std::as_const(array))
            before.append(std::make_shared<SongEv>(*ev));
    load();
    if (reload)
        g_songEventsKey = eventsglue::currentSongKey();
    // Before, a note saved mid-song reloaded every event undone and the next
    // position update fired all the past ones again.
    if (reached > 0.0)
        eventscript::carryDoneState(before, array, reached);
}

} // namespace

void DataEvents::chargerSongEventsFromString(const QString &text, bool keepExistingEntries, SongEvArray &array)
{
    // Added lines regroup the colours of those already there.
    if (keepExistingEntries && &array == &g_songEvents)
        ownSongEvents();
    loadEvents(keepExistingEntries, array,
               [&]() { eventscript::loadFromString(text, keepExistingEntries, array, Data::isValidWinID); });
    if (&array == &g_songEvents && !keepExistingEntries)
        g_songEventsSharedWith.reset();
}

void DataEvents::chargerSongEventsFromNote(PiecesDet &note, SongEvArray &array)
{
    const std::shared_ptr<SongEvArray> &events = notereads::keptEvents(note);
    const bool shared = &array == &g_songEvents;
    loadEvents(false, array, [&]() {
        if (shared) {
            array = *events;
            // Left run by an earlier visit of the song.
            eventscript::resetEvents(array);
            return;
        }
        array.clear();
        for (const SongEvPtr &ev : std::as_const(*events))
            array.append(std::make_shared<SongEv>(*ev));
    });
    if (shared)
        g_songEventsSharedWith = events;
}

void DataEvents::ownSongEvents()
{
    const std::shared_ptr<SongEvArray> kept = std::exchange(g_songEventsSharedWith, nullptr);
    // The record takes the copies: the list's events keep their rows in the cue table.
    if (kept && kept.use_count() > 1)
        for (SongEvPtr &ev : *kept)
            ev = std::make_shared<SongEv>(*ev);
}

PiecesDet::NoteReading &DataEvents::noteReading(PiecesDet &note)
{
    PiecesDet::NoteReading &kept = note.reading;
    const QList<WinIDPtr> &ids = Data::winIDs();
    bool same = kept.winIDs.size() == ids.size();
    for (qsizetype i = 0; same && i < ids.size(); ++i)
        same = kept.winIDs.at(i) == ids.at(i)->idWin;
    // Text shared with the note compares at once; an equal copy is compared once, then shared.
    if (same && kept.text == note.notetxt) {
        kept.text = note.notetxt;
        return kept;
    }
    QStringList winIDs;
    for (const WinIDPtr &id : ids)
        winIDs << id->idWin;
    kept = PiecesDet::NoteReading{note.notetxt, winIDs, nullptr, nullptr, nullptr};
    return kept;
}

bool DataEvents::chargerSongEventsFromLine(const QString &line, qint64 evNo, SongEvArray &array)
{
    SongEvPtr ev = eventscript::parseLine(line, evNo, Data::isValidWinID);
    if (!ev)
        return false;
    array.append(ev);
    return true;
}

void DataEvents::trierSongEvUsingArray(SongEvArray &array) { eventscript::sortEvents(array); }

QString DataEvents::stringFromEventsOfArray(SongEvArray &array, bool trier)
{
    return eventscript::writeEvents(array, trier);
}

QString DataEvents::obtenirCueX(const SongEv &ev, bool withTime)
{
    return cues::obtenirCueX(ev, withTime, eventsglue::currentCueContext());
}

QString DataEvents::obtenirTimeCueX(const SongEv &ev, bool withTime) { return cues::obtenirTimeCueX(ev, withTime); }

QString DataEvents::genreX(qint64 genre) { return cues::genreX(genre); }

bool DataEvents::isAtLeastOneTimeEvent() { return eventscript::hasTimedEvent(g_songEvents); }

SongEvPtr DataEvents::obtenirNextCue() { return cues::obtenirNextCue(g_songEvents, eventsglue::currentCueContext()); }
