#pragma once

#include <QList>
#include <QString>
#include <optional>

// The text form of one chord of the chord library, one line per chord:
//   {define G               |3:2:0:0:0:3#x:x:x:x:x:x#01}
//   {define C               |x:3:2:0#x:x:x:x#03}        (ukulele)
//   {x_piano C               |01}
// A song's own definitions are converted into these lines, and the chord
// library writes its shapes with the same functions.
namespace chordlib {

constexpr int kNameWidth = 16;
constexpr int kMaxFret = 12;
constexpr int kMuted = -1;

// The name padded with blanks or cut to exactly kNameWidth characters.
QString fixedName(const QString &name);

// A guitar (6 values) or ukulele (4 values) line. Values are frets 0-9 or
// kMuted; the base fret 0-12. Answers an empty string for a shape the line's
// one-character fields cannot hold, so a wrong shape is never written.
QString defineLine(const QString &name, const QList<int> &strings, int baseFret);

// A piano line; the inversion is capped to 0-12.
QString pianoLine(const QString &name, int inversion);

// One string value as written in a line: -1 for "x" or "X", otherwise the
// number the text starts with (leading blanks skipped; 0 when there is none).
int cordeN(const QString &text);
// "x" for a muted string, otherwise the number.
QString cordeX(int value);

// --- Reading lines ---
// What a text holds for a name: the key searched for ("name" fixed to the
// name width, then "|"), and where the name was found.
QString lineKey(const QString &name);
constexpr int kPianoLine = 0; // `strings` value of a piano line

struct LineShape {
    QList<int> values; // one per string (none for a piano line)
    int baseFret = 0;  // the base fret, or the piano inversion
};

// The values of the line whose name starts at `namePos` in `text`, for a line
// of 6 or 4 strings or a piano line. Columns are read as written, without
// checking them; nullopt when the text ends before the line does.
std::optional<LineShape> shapeAt(const QString &text, qsizetype namePos, int strings);

// The shape of the first line of `text` holding the name's key; nullopt when
// there is none (or the line is cut short).
std::optional<LineShape> findShape(const QString &text, const QString &name, int strings);

// One whole line (without its line end) checked column by column: the fixed
// texts in place, values "x" or a digit, base fret 00-12. Gives its name
// (blanks kept) and shape.
struct LibraryLine {
    QString name;
    LineShape shape;
};
std::optional<LibraryLine> parseLine(const QString &line, int strings);

} // namespace chordlib
