#pragma once

#include "library/SongEv.h"
#include "platform/Keys.h"

#include <QString>
#include <QStringList>

// The rules the notes windows apply, free of any window: button titles,
// inserted instruction lines, the cues the buttons add, drop rows and keys.
namespace noterules {

// "mm:ss" of whole seconds (truncated; a negative position reads 0).
QString timeText(double seconds);
// "01:35 Page 3 Bottom", "01:35 Message".
QString pageMarker(double seconds, qint32 page, bool zoomTop);
QString messageMarker(double seconds);
// "01:23 Message Intro": the line the timed message window inserts.
QString messageLine(const QString &time, const QString &text);

// The last received program change as an instruction: no bank byte that was
// not received ("5@Synth", "2:5@Synth", "1.2:5@Synth"; an MSB below 1 counts
// as none). The control change: "CC7:64@Synth".
QString programLine(qint32 msb, qint32 lsb, qint32 program, const QString &dest);
QString controlLine(qint32 controller, qint32 value, const QString &dest);
// The program-change button: the line, or "(n events)@dest" for learned lines.
QString programButtonTitle(qint32 learned, qint32 msb, qint32 lsb, qint32 program, const QString &dest);
// "CC", "CT", "TR", "MIDI", "SYSEX", "Tempo" for the keyword buttons 1-6.
QString keyword(int tag);

// What a cue of the add, record, marker, group and play kinds is made from.
struct CueInput {
    qint64 count = 0;        // events in the list now
    double nextFreeTime = 0; // kind 0
    double currentPos = 0;
    qint32 page = 1;
    bool zoomOn = false;
    bool zoomTop = true;
    QString note;            // the song's note (a second "StopNoReset" is refused)
};
// Kinds: 0 add button, 1 recorded page, 2 marker text ("mm:ss Message x",
// "mm:ss MIDI g", "mm:ss StopNoReset"), 3 group ("MIDI g"), 4 play cue
// ("00:01 Play 3"), 5 page marker ("mm:ss Page 3"). nullptr: nothing to add.
SongEvPtr makeCue(int kind, const QString &text, const CueInput &in);
// 0 for an empty list; the last event's time, plus 10 s unless it was made here.
double nextFreeTime(const SongEvArray &events);

// The row whose time a dropped cue takes: between rows (above) r - 1, row 0
// for r 0 or 1; on a row r, or r - 1 when r is past the last of n rows.
qint64 dropReferenceRow(qint64 r, qint64 n, bool onRow);
// A moved cue made timed whatever the row it lands by.
bool alwaysTimedWhenMoved(const SongEv &ev);

// Tag completion of the tags field; the word first, then "tag ".
QStringList tagCompletions(const QString &word, const QStringList &tags);
// The tags field with a tag added, unchanged when it holds it (in any case).
QString withTag(const QString &field, const QString &tag);

// Keys of the formatted window that no field took: the "ActionKey" code,
// -1 for the default handling. The arrows save first (see savesFirst).
int formattedWindowKey(const platform::KeyEvent &key);
bool savesFirst(const platform::KeyEvent &key);
// Keys of the plain window: an arrangement code (4 or 5) or an "ActionKey"
// code; both -1 for the default handling.
struct PlainKey {
    int arrange = -1;
    int code = -1;
};
PlainKey plainWindowKey(const platform::KeyEvent &key);

// The untimed MIDI lines of a list: what a note sends when it is reached.
QString untimedMidi(const SongEvArray &events);

} // namespace noterules
