#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The setlist and collection editor's rules on its rows, as plain values:
// what a row stores, how rows move and go, what a drag carries.
namespace setlist {

// ---- Rows ----------------------------------------------------------------------------
// A keyword row (a tag, a word, a dropped text) lives under a made-up file
// name that no library song has.
QString keywordPath(const QString &word);
bool isKeywordPath(const QString &path);
// The line a row stores: a collection stores its title (the word); a
// setlist the song's file name, or the word of a keyword row, so that the
// line still selects the songs whose file names begin with it.
QString listLine(const QString &path, const QString &title, bool isSetlist);
// The stored list text: each line followed by "\n".
QString listText(const QStringList &lines);
// The non-empty lines of a stored list or of a pasted text, unchanged.
QStringList nonEmptyLines(const QString &text);

// Whether a setlist line names a song of the library: some file name,
// upper-cased, begins with the upper-cased line (folders play no part).
bool lineInLibrary(const QString &line, const QStringList &upperFileNames);

// The name saved: "no name" for a list with rows and no name.
QString nameToSave(const QString &text, qsizetype rowCount);

// ---- Moves and deletions -------------------------------------------------------------------
// The new order (as old row numbers) after the dragged rows are put back as
// one block at drop row R of a list of count rows; nullopt when a dragged row
// is not in the list.
std::optional<QList<int>> moveRows(int count, const QList<int> &dragged, int dropRow);
// The row selected after removing `removed` rows when `lastSelected` was
// the last row added to the selection; -1 when no row remains.
int rowAfterDelete(int lastSelected, int removed, int remaining);

// ---- Drags ---------------------------------------------------------------------------------
// The drag formats of the editor's three tables.
QString fromSourceFormat();
QString moveFormat();
QString tagFormat();
QByteArray encodeRows(const QList<int> &rows);
// The dragged rows, ascending; nullopt for data that does not decode, an
// empty set, or a row outside 0..rowCount-1.
std::optional<QList<int>> decodeRows(const QByteArray &data, int rowCount);

} // namespace setlist
