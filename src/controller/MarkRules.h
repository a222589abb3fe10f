#pragma once

#include "library/Pieces.h"

#include <QString>
#include <QStringList>
#include <optional>

// The rules of the played and flagged marks, the filters and the genre menu,
// free of the controller and of any window.
namespace marks {

// ---- Played and flagged ----------------------------------------------------

// A song just marked played joins the log unless it is already its last song.
void appendToLog(PiecesList &log, const PiecesPtr &entry);

// A flag command on an entry; the list holds each song once, whichever tab's
// entry flagged it. remove: unflag. flag NO: flag (no reordering). flag YES
// on a flagged song: to the front, or unflagged when already first.
void applyFlag(PiecesList &flagged, const PiecesPtr &entry, bool flag, bool remove);

// Inverts the flag of every entry given, each song once.
void toggleFlags(PiecesList &flagged, const PiecesList &entries);

// Place 1-10 of snapshot n in its recall menu when last was written last:
// the newest first.
int recallMenuPlace(qint64 n, qint64 last);

// ---- Filters ---------------------------------------------------------------

// Field codes of a filter.
enum Field { FieldTempo = 0, FieldArtist = 1, FieldTag = 2, FieldPlayed = 3, FieldSearch = 4, FieldKey = 5,
             FieldFlags = 6 };

// Quick filters by their number (1 ARTIST ... 5 PLAYED), counted back from
// the end of the filter list.
qint64 quickFilterIndex(qint64 quick, qint64 count);

// The five quick entries appended to a library filter list, in order:
// "Played", "Flags", tempo, key, artist (as windows show it; none gives
// "(no artist)", which matches the songs stored without one).
QStringList quickEntries(qint32 tempo, const QString &key, const QString &artist);
// The filter list built from a song's own tags, tempo, key and artist.
QStringList songEntries(const QString &tagsText, qint32 tempo, const QString &key, const QString &artist);

// The field a library filter entry filters on.
int fieldForIndex(qint64 index, qint64 count, bool searchTextEmpty);

// The filter index after a step (quick 0), or the quick filter's index.
qint64 stepIndex(qint64 current, qint64 count, qint64 step, qint64 quick);

// Whether a song's record passes the entry (any case) on the field. Flags
// and played are lists of their own and are not matched here.
bool matches(int field, const PiecesDet &det, const QString &entry);

// Texts of the rows that are not songs.
QString headerText(const QString &entry, bool wholeLibrary);
QString noEntryText();

// ---- Genres ----------------------------------------------------------------

// The genre menu's title, nullopt for a genre outside 0-6.
std::optional<QString> genreMenuTitle(qint64 genre, const QString &icon, const QString &flaggedCount);

} // namespace marks
