// A three-page ChordPro song: load and lay out one page, draw one page into a
// full-HD image, and type in the editor.
#include "BenchSupport.h"
#include "chordpro/ChordPro.h"
#include "chordpro/editor/EditorPreview.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/WinEdit.h"
#include "library/TextCodec.h"
#include "platform/RegularFile.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QFile>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

QString threePageSong()
{
    QString text = QStringLiteral("{title: Bench Song}\n{st: The Band}\n{key: G}\n"
                                  "{define: G base-fret 1 frets 3 2 0 0 0 3}\n{x_piano: C inversion 1}\n");
    for (int verse = 0; verse < 5; ++verse) {
        text += QStringLiteral("{c: Verse %1}\n").arg(verse + 1);
        for (int i = 0; i < 4; ++i)
            text += QStringLiteral("[G]Walking down the [D/F#]road at night, the [Em]city lights are [C]shining bright\n");
        text += QStringLiteral("\n{soc}\n[C]Sing it {soh}loud{eoh} and [G]sing it clear\n[Am]Every voice that "
                               "[D]we can hear\n{eoc}\n\n");
    }
    return text;
}

QString songFile(QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("bench.chopro"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(threePageSong().toUtf8());
    return path;
}

void BM_ChordProLoadAndLayout(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = songFile(dir);
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    chordpro::PageRequest request;
    request.pageNo = 2;
    for (auto _ : state) {
        song.chargerFichier(path, platform::readRegularFile(path, ChordPro::kMaxSongBytes));
        benchmark::DoNotOptimize(song.chargerPage(QSizeF(1920, 1080), request).runs.size());
    }
    state.counters["pages"] = song.nbPages();
}
BENCHMARK(BM_ChordProLoadAndLayout)->Unit(benchmark::kMicrosecond);

void BM_ChordProLyricsOnlyLayout(benchmark::State &state)
{
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    song.setChordProData(threePageSong());
    chordpro::PageRequest request;
    request.pageNo = 2;
    request.lyricsOnly = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(song.chargerPage(QSizeF(1920, 1080), request).runs.size());
}
BENCHMARK(BM_ChordProLyricsOnlyLayout)->Unit(benchmark::kMicrosecond);

void BM_ChordProDrawPage(benchmark::State &state)
{
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    song.setChordProData(threePageSong());
    chordpro::PageRequest request;
    request.pageNo = 2;
    request.includeTitle = true;
    const chordpro::ChordProPage &page = song.chargerPage(QSizeF(1920, 1080), request);
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        chordpro::paintPage(painter, page);
    }
}
BENCHMARK(BM_ChordProDrawPage)->Unit(benchmark::kMicrosecond);

// A valid song of about 1 MB (the largest laid out): every page of it in one
// layout pass, as a window lays out the current and the next song.
QString oneMegabyteSong()
{
    const QString verse = threePageSong();
    QString text;
    for (int i = 0; text.size() < 1000 * 1000; ++i)
        text += verse + QStringLiteral("{c: Part %1}\n[A%1]Words [B%1]go on and [C#m%1]on\n").arg(i);
    return text;
}

void BM_ChordProLayoutOneMegabyte(benchmark::State &state)
{
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    song.setChordProData(oneMegabyteSong());
    chordpro::PageRequest request;
    request.pageNo = 2;
    request.lyricsOnly = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(song.chargerPage(QSizeF(1920, 1080), request).runs.size());
    state.counters["pages"] = song.nbPages();
}
BENCHMARK(BM_ChordProLayoutOneMegabyte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Random bytes read as a song: no worse than a valid song of the same size.
void BM_ChordProLayoutOneMegabyteOfNoise(benchmark::State &state)
{
    QByteArray bytes(state.range(0) * 1000 * 1000, Qt::Uninitialized);
    quint32 seed = 12345;
    for (char &b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = char(seed >> 24);
    }
    ChordPro song(QRectF(0, 0, 611, 752), nullptr, true);
    song.setChordProData(textcodec::decode(bytes));
    chordpro::PageRequest request;
    request.pageNo = 2;
    for (auto _ : state)
        benchmark::DoNotOptimize(song.chargerPage(QSizeF(1920, 1080), request).runs.size());
    state.counters["pages"] = song.nbPages();
}
BENCHMARK(BM_ChordProLayoutOneMegabyteOfNoise)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// One keystroke in the editor: the text's colouring, the layout of every page
// and the preview's repaint. Reports the median and the worst keystroke; a
// frame is 16 ms.
void BM_EditorKeystroke(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = songFile(dir);
    WinEdit win;
    win.resize(1400, 900);
    win.ouvrir(nullptr, path, false);
    EditorTextView *editor = win.txViewEdit();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(int(editor->toPlainText().indexOf(QStringLiteral("Walking"))));
    editor->setTextCursor(cursor);

    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(editor, &press);
        win.txView()->repaint();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        state.SetIterationTime(took.count() / 1000.0);
    }
    std::sort(times.begin(), times.end());

    state.counters["median_ms"] = times.empty() ? 0.0 : times[times.size() / 2];
    state.counters["worst_ms"] = times.empty() ? 0.0 : times.back();
    state.counters["pages"] = double(win.txView()->pages().size());
}
BENCHMARK(BM_EditorKeystroke)->UseManualTime()->Iterations(benchCount(200, 1))->Unit(benchmark::kMillisecond);

} // namespace
