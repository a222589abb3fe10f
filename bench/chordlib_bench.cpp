// Importing a chord file of 5,000 lines into the guitar library, choosing to
// replace it: checked, read, sorted, de-duplicated and read again (target:
// under 100 ms). The file holds every line twice, so half are dropped.
#include "chords/ChordLibraryLine.h"
#include "chords/windows/ChordLibrary.h"
#include "library/Data.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString chordFile(int lines)
{
    const char *roots[] = {"C", "C#", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};
    const char *kinds[] = {"", "m", "7", "maj7", "m7", "sus4", "add9", "6", "dim", "9", "11", "13", "aug", "m6", "7sus4", "mMaj7"};
    QString text;
    for (int i = 0; text.count(QLatin1Char('\n')) < lines; ++i) {
        const QString name = QString::fromLatin1(roots[i % 13]) + QString::fromLatin1(kinds[i / 13 % 16]);
        const QList<int> shape = {i % 10, (i / 10) % 10, (i / 100) % 10, -1, 0, (i / 7) % 10};
        const QString line = chordlib::defineLine(name, shape, 1 + i % 12);
        text += line + line;
    }
    return text;
}

void BM_ChordLibraryImport(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("GuitarChords.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(chordFile(5000).toUtf8());
    }
    Data::chargerAllChordsString(false, -1, false);
    platform::ScriptedDialogs dialogs;
    ChordLibrary library;
    library.setInstrument(0);
    for (auto _ : state) {
        dialogs.answerButton(QStringLiteral("Replace entire chord library"));
        library.importChordsfromFile(path);
        benchmark::DoNotOptimize(library.chordSpecsArray().size());
    }
    state.counters["chords"] = double(library.chordSpecsArray().size());
}

} // namespace

BENCHMARK(BM_ChordLibraryImport)->Unit(benchmark::kMillisecond);
