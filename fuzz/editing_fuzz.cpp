// The editor's text rules on any text a user may type or paste: conversion,
// transposition of the chords the layout finds, font steps, names and colours.
#include "FuzzSupport.h"

#include "chordpro/ChordPro.h"
#include "chordpro/ChordProEditing.h"

#include <cstdlib>

using namespace chordpro::editing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(fuzzsupport::bytes(data, size));

    (void)convertirTab(text);
    for (const QString &line : text.split(QLatin1Char('\n')))
        (void)ligneMerge(line, text.left(40));

    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    song.determinerTitreSousTitreCle(text);
    song.traiterChordProData(text, chordpro::ModeChords, 0, 0);
    const QStringList chords = chordNames(song.obtenirListeAccords());
    for (int t : {-6, 1, 13})
        (void)doTranspose(text, chords, song.obtenirCle(), t, t & 1 ? 1 : 2);

    // A step either refuses or changes the text, so the fit command ends.
    for (double step : {-1.0, 0.1}) {
        const std::optional<QString> stepped = stepFontSize(text, step);
        if (stepped && *stepped == text)
            std::abort();
    }

    for (const ColourSpan &span : colourSpans(text))
        if (span.start < 0 || span.length <= 0 || span.start + span.length > text.size())
            std::abort();

    const QString name = newSongBaseName(text.left(300), song.obtenirSousTitre());
    if (name.toUtf8().size() > 244 || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')))
        std::abort();
    return 0;
}
