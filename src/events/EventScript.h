#pragma once

#include "library/SongEv.h"

#include <QString>
#include <functional>

// The event script: the lines of a song's note (or of an event-library group)
// that name timed or untimed actions. Pure text logic, no window and no global
// state: the window-identifier test is handed in by the caller.
namespace eventscript {

// Which keyword a line used (SongEv::evType).
enum EvType : qint32 {
    EvNone = -1,
    EvPage = 0,
    EvMessage = 1,
    EvMidi = 2,
    EvMidiGroup = 3,
    EvTempo = 4,
    EvWinIdText = 5,
    EvMetronome = 6,
    EvCountDown = 7,
    EvCountTo = 8,
    EvDisplayCountDown = 9,
    EvDisplayCountTo = 10,
    EvPlay = 11,
    EvStop = 12,
    EvStopNoReset = 13,
    EvChordStripGuitar = 14,
    EvChordStripUkulele = 15,
    EvChordStripPiano = 16,
    EvChordStripHidden = 17,
};

// What the runner does (SongEv::actionType). 95-99 and 216-217 are also the
// "ActionKey" codes the runner posts for them.
enum ActionType : qint32 {
    ActNone = 0,
    ActMidiGroup = 10,
    ActMessage = 21,
    ActMessageStay = 22,
    ActPage = 23,
    ActPageBottom = 24,
    ActMidi = 31,
    ActMetronomeSoundOff = 95,
    ActMetronomeSoundOn = 96,
    ActTempo = 97,
    ActMetronomeStop = 98,
    ActMetronomeStart = 99,
    ActNothing = 100,
    ActCountDown = 101,
    ActCountTo = 102,
    ActDisplayCountDown = 103,
    ActDisplayCountTo = 104,
    ActPlay = 215,
    ActStop = 216,
    ActStopNoReset = 217,
    ActChordStripGuitar = 218,
    ActChordStripUkulele = 219,
    ActChordStripPiano = 220,
    ActChordStripHidden = 221,
};

using WinIdTest = std::function<bool(const QString &)>;

// "mm:ss" opening a line: the first ":" at index 2 after a digit. A word with
// "@" is a MIDI instruction ("12:5@Synth"), never a time.
bool isTimeWord(const QString &word);

// Whether a note line may hold an event at all (header lines never do).
bool isEventLine(const QString &line);

// Parses one line; nullptr when it names no event. evNo becomes the index.
SongEvPtr parseLine(const QString &line, qint64 evNo, const WinIdTest &isValidWinID);

// Loads the event lines of a text into the array, then sorts it and sets the
// colour grouping. Without keepExisting the array is emptied first and the
// text's first line (a note's one-line master note) is passed over.
void loadFromString(const QString &text, bool keepExisting, SongEvArray &array, const WinIdTest &isValidWinID);

// Sorts in place by sortString1 (stable, so equal keys keep their order).
void sortEvents(SongEvArray &array);
// Alternating colour per time group, level 1 for the followers of a group.
void setColourGrouping(SongEvArray &array);

// The script text of the events, one line each; sorts the array first when asked.
QString writeEvents(SongEvArray &array, bool sort);
// The one line written for an event (empty when it writes nothing).
QString lineForEvent(const SongEv &ev);
// "mm:ss " of a timed event, as it leads its line.
QString timePrefix(const SongEv &ev);

// Every event not done, its time back to mm:ss.
void resetEvents(SongEvArray &array);

// After a reload of the same song mid-run: an event that was done before stays
// done, and a new one at or before the time reached counts as past.
void carryDoneState(const SongEvArray &before, SongEvArray &after, double reached);

bool hasTimedEvent(const SongEvArray &array);

} // namespace eventscript
