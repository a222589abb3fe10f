// ChordPro to PDF: one three-page song with twenty chords written with its
// diagram strips (Letter, strip on every page) laid out from its text, and a tab of 200 such songs
// through the real export chain, one song per event-loop turn.
//   tolvane_bench --benchmark_filter=BM_PdfExport --benchmark_repetitions=9
// BM_PdfExportTab reports the whole run, the longest turn (what Cancel waits
// for) and the resident memory it added.
#include "BenchSupport.h"
#include "chordpro/export/PdfRender.h"
#include "chordpro/export/WinChordProToPDF.h"
#include "library/Data.h"
#include "library/PiecesDet.h"
#include "platform/desktop/RecordingDesktopServices.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "windows/PopupJauge.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QStringList kChords = {"C", "D", "E", "F", "G", "A", "B", "Am", "Bm", "Cm",
                             "Dm", "Em", "Fm", "Gm", "C7", "D7", "E7", "G7", "A7", "B7"};

// About three Letter pages of chords over lyrics, using twenty chords.
QByteArray twentyChordSong(const QString &title)
{
    QString text = QStringLiteral("{title: %1}\n{st: The Band}\n").arg(title);
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("[%1]Walking down the road at [%2]night, the city lights are shining\n")
                    .arg(kChords.at((2 * i) % 20), kChords.at((2 * i + 1) % 20));
    return text.toUtf8();
}

QString writeSong(const QString &path, const QString &title)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(twentyChordSong(title));
    return path;
}

void BM_PdfExportSong(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString song = writeSong(dir.filePath(QStringLiteral("song.chopro")), QStringLiteral("Night Road"));
    const platform::FileBytes text = platform::readRegularFile(song, ChordPro::kMaxSongBytes);
    pdfexport::PdfSettings settings;
    settings.includeHeader = true;
    pdfexport::RenderResult result;
    QByteArray pdf;
    for (auto _ : state)
        result = pdfexport::renderSongPdf(song, text, settings, {QStringLiteral("Night Road"), QString(), QString()}, &pdf);
    state.counters["pages"] = result.songPages + result.extraPages;
    state.counters["chords"] = result.chordsDrawn;
    state.counters["file_kB"] = double(pdf.size()) / 1024.0;
}
BENCHMARK(BM_PdfExportSong)->Unit(benchmark::kMillisecond);

void BM_PdfExportTab(benchmark::State &state)
{
    // A scan takes 50 songs at most: the tab of 200 is put together here.
    QTemporaryDir library;
    Data::initListePieces();
    const int tab = benchCount(200, 20);
    for (int i = 0; i < tab; ++i) {
        const QString title = QStringLiteral("Song %1").arg(i, 3, 10, QLatin1Char('0'));
        auto piece = std::make_shared<Pieces>();
        piece->pieceDet = std::make_shared<PiecesDet>();
        piece->pieceDet->fichier = writeSong(library.filePath(title + QStringLiteral(".chopro")), title);
        piece->pieceDet->titre = title;
        piece->pieceDet->typeFichier1 = 1;
        Data::listePiecesByTitle().append(piece);
    }
    Data::setCurrentSort(0);
    Data::setOnglNoG(0);
    Data::setIndexInTitleArrayG(0, 0);
    Data::setSongNbrG(tab);
    platform::ScriptedDialogs dialogs;
    platform::RecordingDesktopServices desktop;
    WinChordProToPDF win;
    win.comboSettings()->setCurrentIndex(2);
    double longestMs = 0;
    long rssGrowth = 0;
    qint64 songs = 0;
    for (auto _ : state) {
        QTemporaryDir out;
        dialogs.answerButton(QStringLiteral("Yes"));
        const long before = residentKb();
        QElapsedTimer turn;
        win.exportMultiplePDF_2(false, out.path());
        PopupJauge *gauge = win.popupJaugeController();
        songs = gauge ? gauge->level1()->maximum() : 0;
        turn.start();
        QObject::connect(gauge->level1(), &QProgressBar::valueChanged, gauge, [&]() {
            longestMs = std::max(longestMs, turn.nsecsElapsed() / 1e6);
            turn.restart();
        });
        while (win.batchRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        longestMs = std::max(longestMs, turn.nsecsElapsed() / 1e6);
        rssGrowth = residentKb() - before;
        QObject::disconnect(gauge->level1(), &QProgressBar::valueChanged, gauge, nullptr);
    }
    state.counters["songs"] = double(songs);
    state.counters["longest_turn_ms"] = longestMs;
    state.counters["rss_growth_kB"] = double(rssGrowth);
}
BENCHMARK(BM_PdfExportTab)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
