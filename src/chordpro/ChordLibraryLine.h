#pragma once

#include <QList>
#include <QString>

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

} // namespace chordlib
