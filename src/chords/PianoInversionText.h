#pragma once

#include <QString>

// The piano inversion directives a song keeps, "{x_piano: Am inversion 1}",
// one per chord on a line of its own.
namespace pianotext {

// Where a new directive goes: after the "}" of the first of the key,
// subtitle or title directives found (any case), else at the start.
qsizetype posInsert(const QString &text);

// The song text with the chord's inversion set: the chord's directive is
// replaced, or inserted on its own line; inversion 0 (root position) removes
// it with its line break. False when the text already says so.
bool setInversion(QString &text, const QString &chordName, int inversion);

} // namespace pianotext
