// One keystroke in the ChordPro editor on a three-page song: the text's
// colouring, the layout of every page and the preview's repaint. Reports the
// median and the worst keystroke; a frame is 16 ms.
#include "chordpro/editor/EditorPreview.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/WinEdit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

QString threePageSong()
{
    QString text = QStringLiteral("{title: Bench Song}\n{st: The Band}\n{key: G}\n");
    for (int verse = 0; verse < 5; ++verse) {
        text += QStringLiteral("{c: Verse %1}\n").arg(verse + 1);
        for (int i = 0; i < 4; ++i)
            text += QStringLiteral("[G]Walking down the [D/F#]road at night, the [Em]city lights are [C]shining bright\n");
        text += QStringLiteral("\n{soc}\n[C]Sing it {soh}loud{eoh} and [G]sing it clear\n[Am]Every voice that "
                               "[D]we can hear\n{eoc}\n\n");
    }
    return text;
}

void BM_EditorKeystroke(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.chopro"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(threePageSong().toUtf8());
    file.close();
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
BENCHMARK(BM_EditorKeystroke)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);

} // namespace
