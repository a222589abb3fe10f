// The chord strip after a song change: 20 guitar chords looked up in the
// default library, laid out in a 1920x100 strip and painted (target: 8 ms).
// The figure also holds the Tolvane window's own push of the new song and the
// wait for its read, which the strip takes its chords from.
#include "chords/windows/WindowChords.h"
#include "library/Data.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString writeSong(const QString &path, int variant)
{
    const char *roots[] = {"C", "D", "E", "F", "G", "A", "Bb", "F#", "Eb", "Ab"};
    const char *kinds[] = {"", "m", "7", "maj7", "m7", "sus4", "add9", "6", "dim", "9"};
    QString text = QStringLiteral("{title: Bench %1}\n{key: C}\n").arg(variant);
    for (int line = 0; line < 40; ++line) {
        for (int c = 0; c < 4; ++c) {
            const int i = (line * 4 + c + variant) % 20;
            text += QStringLiteral("[%1%2]words ").arg(QLatin1String(roots[i % 10]), QLatin1String(kinds[(i / 10 * 3 + i + variant) % 10]));
        }
        text += QLatin1Char('\n');
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return path;
}

PiecesPtr song(const QString &path)
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    piece->pieceDet->typeFichier1 = 1;
    return piece;
}

void BM_ChordStripSongChange(benchmark::State &state)
{
    QTemporaryDir dir;
    Data::chargerAllChordsString(false, -1, false);
    const PiecesPtr songs[] = {song(writeSong(dir.filePath(QStringLiteral("a.cho")), 0)),
                               song(writeSong(dir.filePath(QStringLiteral("b.cho")), 1))};
    // The program hands the strip's class to the factory at start-up.
    const windowfactory::ScopedCreator stripClass{14, [] { return new WindowChords; }};
    auto *tolvane = qobject_cast<WindowPDFx *>(Data::newWindowPDFx(false, 0));
    auto *strip = qobject_cast<WindowChords *>(Data::newWindowPDFx(false, 14));
    strip->resize(1920, 100);
    QImage frame(strip->size(), QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        const PiecesPtr &next = songs[n++ % 2];
        tolvane->setPDF(next, 1, true, false, 0, nullptr, false);
        tolvane->renderer().waitForIdle();
        strip->setPDF(next, 1, true, false, 0, nullptr, false);
        strip->render(&frame);
        benchmark::DoNotOptimize(frame.bits());
    }
    state.counters["chords"] = strip->nbChords();
    Data::closeWinQuietly(tolvane);
    Data::closeWinQuietly(strip);
    Data::nsMutaryOfWindows().clear();
}
BENCHMARK(BM_ChordStripSongChange)->Unit(benchmark::kMillisecond);

} // namespace
