// Chord names and chord library text as they come from songs and files: any text.
#include "FuzzSupport.h"

#include "chords/ChordDet.h"
#include "chords/ChordLibraryLine.h"
#include "chords/ChordLookup.h"
#include "chords/ChordSpecs.h"
#include "chords/PianoDiagram.h"
#include "chords/PianoInversionText.h"

#include <QStringList>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzsupport::bytes(data, size));
    const QStringList parts = text.split(QLatin1Char('\n'));
    const QString name = parts.value(0);
    const QString key = parts.value(1);

    for (int t = -13; t <= 13; t += 13) {
        for (int pref = 0; pref < 3; ++pref) {
            const QString moved = ChordDet::transposeChordWithRoot(name, t, key, pref);
            // A name never transposes to nothing.
            if (!name.isEmpty() && moved.isEmpty())
                std::abort();
            (void)ChordDet::transposeSingleChord(name, t, key, pref);
        }
    }
    (void)ChordDet::noChordFromChord(name);

    // The whole input as a library or a song's definitions, every line as an import.
    for (const QString &line : parts)
        for (int strings : {6, 4, chordlib::kPianoLine})
            (void)chordlib::parseLine(line, strings);
    for (const QString &n : parts.mid(0, 8)) {
        (void)chordlookup::obtenirMChord(n, text);
        (void)chordlookup::obtenirMChordUk(n, text);
        diagram::PianoInversions piano(chordlookup::obtenirMChordPiano(n, text));
        for (int i = 0; i < 7; ++i)
            piano.step(i % 3 == 0);
        ChordSpecs spec(7);
        spec.setChordName(n);
        (void)spec.sortString1();
        (void)spec.sortString2();
    }

    // Setting an inversion and taking it back leaves the song as it was.
    QString song = text;
    if (!name.contains(QLatin1Char('}')) && !name.contains(QLatin1Char(' ')) && !name.isEmpty()
        && !text.contains(QStringLiteral("{x_piano:"))) {
        pianotext::setInversion(song, name, 2);
        pianotext::setInversion(song, name, 0);
        if (song != text)
            std::abort();
    }
    return 0;
}
