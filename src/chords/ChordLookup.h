#pragma once

#include "chords/MChord.h"

#include <QString>

// Chord name to shape. Guitar and ukulele shapes come from the song's own
// definitions (library lines; empty for none) first, then from the loaded
// library; piano shapes are built from the name's quality with the song's
// inversion. A name found nowhere gives the all-zero shape.
namespace chordlookup {

MChord obtenirMChord(const QString &name, const QString &songDefines);
MChord obtenirMChordUk(const QString &name, const QString &songDefines);
MChord obtenirMChordPiano(const QString &name, const QString &songInversions);

// The keys of a quality suffix over a C root (1 = root); all zero for a
// suffix not in the table.
MChord pianoSuffixKeys(const QString &suffix);
// The name without its bass note ("Am/G" gives "Am"); a name that starts with
// its bass gives "".
QString pianoBaseName(const QString &name);

} // namespace chordlookup
