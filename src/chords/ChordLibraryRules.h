#pragma once

#include "chords/ChordSpecs.h"

#include <QList>
#include <QString>
#include <optional>

// The rules of the chord library window, apart from the window: library text
// to records and back, the sort that keeps the user's order, locating, drops,
// the shape editor's clicks and fields, chord files, and the define
// directives of a song.
namespace chordlibrary {

// 4 strings for the ukulele (1), 6 otherwise.
int stringCount(qint64 instrument);

// ---- Library text and records ------------------------------------------------------

// One record per line of the text. Without validation any line long enough is
// read whatever stands in its value columns; with it, only lines the line
// writer could have written. A ukulele record has s5 = s6 = -1.
QList<ChordSpecs> readLibrary(const QString &text, qint64 instrument, bool validate, bool userDefined);
// The library line of a record; empty when its shape cannot be written.
QString libraryLine(const ChordSpecs &record, qint64 instrument);
// The library text of the records in order; with de-duplication a line that
// stands already is left out.
QString writeLibrary(const QList<ChordSpecs> &records, qint64 instrument, bool removeDuplicate);
// The library with lines added after it: read, sorted as below, written back
// without duplicates and read again, so that records and text agree.
struct MergedLibrary {
    QString text;
    QList<ChordSpecs> records;
};
MergedLibrary mergeLines(const QString &library, const QString &lines, qint64 instrument);
// Sorts by the library key, keeping the order among shapes of one name.
// Answers where the record that was at `row` ends up (`row` when out of range).
int sortKeepingPositions(QList<ChordSpecs> &records, int row);
// "0 Chord", "1 Chord", "2 Chords".
QString countLabel(qsizetype count);
// A table cell: column 0 the name, 1-6 the strings ("x" muted; empty for a
// ukulele's 5 and 6), 7 the base fret ("%02d").
QString cellText(const ChordSpecs &record, int column, qint64 instrument);

// The first record named `name` (exactly); with shape matching, the first
// whose strings and base fret equal `shape`, else the first of that name.
// -1 when none has the name.
int findChord(const QList<ChordSpecs> &records, const QString &name, bool matchShape, const MChord &shape);

// Reordering within the library table: a drop between rows is allowed only
// beside a record of the dragged record's name (drops on a row never).
bool libraryMoveAllowed(const QList<ChordSpecs> &records, int source, int proposedRow);
// The move itself; false (nothing moved) for rows outside the list.
bool moveRecord(QList<ChordSpecs> &records, int source, int dropRow);

// The name a locate button looks for: roots C C# Db D D# Eb E F F# Gb G G# Ab
// A A# Bb B by tag, "m" added with the command key, else "7" with shift.
QString locateName(int tag, bool command, bool shift);

// ---- Shape editor ----------------------------------------------------------------------

// A click on the dot at `line` (0 the open/muted row, 1-4 frets) of
// `column` (0-5, s1-s6). Row 0 cycles fretted or open -> open -> muted -> open.
MChord clickDot(const MChord &chord, int line, int column);
// The base-fret field: 1-12, anything else (or no number) 1 or 12.
int clampBaseFret(const QString &text);
// The name field keeps at most 16 characters.
QString cutName(const QString &text);
// A typed name tidied: blanks trimmed, the first letter and the bass note
// after "/" upper-cased.
QString reformatChordName(const QString &name);

// ---- Chord files -----------------------------------------------------------------------

// The lines of a chord file that the library takes: each written whole by the
// line writer's rules for the instrument, with its line break.
QString importableLines(const QString &text, qint64 instrument);
QString exportFileName(qint64 instrument);

// ---- Song definitions ------------------------------------------------------------------

// "{define: Am base-fret 1 frets x 0 2 2 1 0}" (four values for the ukulele).
QString defineDirective(const QString &name, const MChord &chord, qint64 instrument);
// Where a new definition goes in the song: after the key directive, else the
// subtitle, else the title (in any case); 0 when there is none.
qsizetype posInsert(const QString &songText);
// The song text with a definition on its own line at posInsert.
QString insertDefinition(const QString &songText, const QString &directive);

// One change of a song's definition of a chord: `from` becomes `to` in the
// song text (for a removal, `to` is empty and one line break goes too).
struct DefinitionEdit {
    QString from;
    QString to;
    bool remove = false;
};
// The edit of `record`'s definition as the song's directives list it
// (`listeDefineOrig`): rewritten with the record's shape (under `newName` when
// given) or removed. None when the list has no such definition.
std::optional<DefinitionEdit> definitionEdit(const QString &listeDefineOrig, const ChordSpecs &record, bool remove,
                                             const QString &newName, qint64 instrument);
// Applies the edit; false (text unchanged) when the song text does not hold
// the directive as listed, e.g. one written over two lines.
bool applyDefinitionEdit(QString &songText, const DefinitionEdit &edit);

} // namespace chordlibrary
