// Chord files offered for import (any bytes), libraries merged, and songs
// whose definitions the chord library edits: any text.
#include "FuzzSupport.h"

#include "chords/ChordFileImport.h"
#include "chords/ChordLibraryRules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzsupport::bytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    for (qint64 instrument : {0, 1}) {
        // Whatever an import takes, the library can write back.
        const QString lines = chordlibrary::checkChordBytes(bytes, QString(), instrument).lines;
        for (const ChordSpecs &record : chordlibrary::readLibrary(lines, instrument, true, false))
            if (chordlibrary::libraryLine(record, instrument).isEmpty())
                std::abort();
        QList<ChordSpecs> records = chordlibrary::readLibrary(text, instrument, false, false);
        (void)chordlibrary::sortKeepingPositions(records, int(records.size() / 2));
        (void)chordlibrary::writeLibrary(records, instrument, true);
        // A merged library is settled: merging nothing into it changes nothing.
        const chordlibrary::MergedLibrary merged = chordlibrary::mergeLines(text, lines, instrument);
        if (chordlibrary::mergeLines(merged.text, QString(), instrument).text != merged.text)
            std::abort();

        // Song definitions: an added one is in the song; edits never crash.
        const QString directive = chordlibrary::defineDirective(QStringLiteral("Am"), MChord{-1, 0, 2, 2, 1, 0, 1, false}, instrument);
        if (!chordlibrary::insertDefinition(text, directive).contains(directive))
            std::abort();
        for (const ChordSpecs &record : records.mid(0, 4)) {
            for (bool remove : {false, true}) {
                if (const auto edit = chordlibrary::definitionEdit(text, record, remove, QString(), instrument)) {
                    QString song = text;
                    (void)chordlibrary::applyDefinitionEdit(song, *edit);
                }
            }
        }
    }
    const QString tidy = chordlibrary::reformatChordName(text.left(40));
    if (chordlibrary::reformatChordName(tidy) != tidy)
        std::abort();
    return 0;
}
