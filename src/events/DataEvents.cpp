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
    const SongEvArray before = reached > 0.0 ? array : SongEvArray();
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
    loadEvents(keepExistingEntries, array,
               [&]() { eventscript::loadFromString(text, keepExistingEntries, array, Data::isValidWinID); });
}

void DataEvents::chargerSongEventsFromNote(PiecesDet &note, SongEvArray &array)
{
    const SongEvArray &events = notereads::keptEvents(note);
    loadEvents(false, array, [&]() {
        array.clear();
        array.reserve(events.size());
        for (const SongEvPtr &ev : events)
            array.append(std::make_shared<SongEv>(*ev));
    });
}

PiecesDet::NoteReading &DataEvents::noteReading(PiecesDet &note)
{
    QStringList winIDs;
    for (const WinIDPtr &id : Data::winIDs())
        winIDs << id->idWin;
    PiecesDet::NoteReading &kept = note.reading;
    if (kept.text != note.notetxt || kept.winIDs != winIDs)
        kept = PiecesDet::NoteReading{note.notetxt, winIDs, std::nullopt, nullptr};
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
