// Chord names and chord library text as they come from songs and files: any text.
#include "FuzzSupport.h"

#include "chords/ChordDet.h"

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
    return 0;
}
