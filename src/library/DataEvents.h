#pragma once

#include "library/PiecesDet.h"
#include "library/SongEv.h"

#include <QString>

// The event-script services of the global state. Data derives from this, so
// they are called as Data::chargerSongEventsFromString(...) and so on. The
// text rules themselves live in EventScript.h and Cues.h.
class DataEvents {
public:
    // ---- The current song's events ------------------------------------------
    static SongEvArray &songEvents();
    // Set while events run or a song's untimed MIDI is sent.
    static bool evInProcess();
    static void setEvInProcess(bool value);
    // The song (file path) whose events the list holds: set by every load of
    // the list for the current song, or by whoever loads it for another.
    static const QString &songEventsKey();
    static void setSongEventsKey(const QString &key);

    // ---- Script text (DataEvents.cpp) ------------------------------------------
    // Loads a text's event lines into the array (emptied first, and the first
    // line passed over, unless keepExistingEntries), then sorts and groups it.
    // Reloading the current song's events while it plays keeps the events up
    // to the position reached done.
    static void chargerSongEventsFromString(const QString &text, bool keepExistingEntries, SongEvArray &array);
    // The same load of a song's note, parsed only when the note or the window
    // identifiers changed since the record's last parse. The current song's
    // list gets the record's own events, their run state reset: whatever
    // changes a cue (not its run state) calls ownSongEvents first.
    static void chargerSongEventsFromNote(PiecesDet &note, SongEvArray &array);
    // The record whose events the current song's list holds takes copies of
    // them, so a change to a cue of the list stays out of what it keeps read.
    static void ownSongEvents();
    // What the record keeps read of its note, emptied first when it was read
    // from another text or other window identifiers (NoteReads.h).
    static PiecesDet::NoteReading &noteReading(PiecesDet &note);
    // Parses one line; true when an event was appended.
    static bool chargerSongEventsFromLine(const QString &line, qint64 evNo, SongEvArray &array);
    static void trierSongEvUsingArray(SongEvArray &array);
    static QString stringFromEventsOfArray(SongEvArray &array, bool trier);

    // ---- Runner (EventRunner.cpp) ----------------------------------------------
    // Runs the due, not yet done timed events up to the time; true when one ran.
    static bool processSongEventsUpTo(double seconds, bool autom, SongEvArray &array);
    // The send button of a cue table: runs one event now.
    static void processSongEventsSingle(const SongEvPtr &ev);
    // Executes one event; true when it queued MIDI.
    static bool processOneSongEvent(const SongEvPtr &ev);
    static void resetSongEventsUsingArray(SongEvArray &array);
    static void listerSongEventsUsingArray(const SongEvArray &array);

    // ---- Count-in (CountIn.cpp) ------------------------------------------------
    static void activerCountDownCountToFor(qint32 beats, bool countTo, bool display, bool autoAudible,
                                           qint32 playAutoForGenre, bool waitForFirstBeat);
    static qint32 valOrDefNbBeatForCurrentSong(qint32 beats);

    // ---- Cues (DataEvents.cpp) ------------------------------------------------
    static QString obtenirCueX(const SongEv &ev, bool withTime);
    static QString obtenirTimeCueX(const SongEv &ev, bool withTime);
    static QString genreX(qint64 genre);
    static bool isAtLeastOneTimeEvent();
    // The next cue of the current song, nullptr when none is left.
    static SongEvPtr obtenirNextCue();
};
