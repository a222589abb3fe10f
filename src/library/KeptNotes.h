#pragma once

#include "library/PiecesDet.h"

#include <QString>

// Where a performer's edit goes when it cannot be written where it belongs: a
// dated copy in "Kept notes" of the program's data folder (or, when that
// cannot be written, of its cache or runtime folder), so the words are never
// lost with the failed write.
namespace keptnotes {

// Keeps the text as "<song> (edit not saved <date>).txt", in the note's format.
// Answers the path, or "" with the reason in *error. An edit kept, or lost,
// while the program quits is logged and said at the next start.
QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error = nullptr);

// The same for an edit that waits on a note that does not answer, written
// over `over` (the copy kept of the same note before) when there is one. While
// the program runs the next start is told of a new copy, and says it unless
// the copy is removed first, once the edit is written.
QString keepWaiting(const QString &songPath, const QString &text, const notefile::Format &format,
                    const QString &over);

// The same for the ChordPro editor's text, as "<name> (edit not saved <date>).cho".
QString keepSong(const QString &name, const QString &text, QString *error = nullptr);

// The same for the text of a song whose edits wait on a song file that does
// not answer, as keepWaiting does for a note.
QString keepSongWaiting(const QString &name, const QString &text, const QString &over);

// Another program's text of a song, which the editor's save goes over, as
// "<name> (changed elsewhere <date>).cho".
QString keepSongChangedElsewhere(const QString &name, const QString &text, QString *error = nullptr);

} // namespace keptnotes
