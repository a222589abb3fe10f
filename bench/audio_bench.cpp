// The longest main-thread stall of a play request while the music folder's
// index is built (5,000 and 20,000 files), while a kept index is walked again
// and while every look at the folder takes 200 ms (a sleeping network share),
// and the track lookup of one song change over 20,000 tracks.
#include "BenchSupport.h"
#include "audio/TrackLookup.h"
#include "audio/library/MusicFolderIndex.h"
#include "platform/RegularFile.h"
#include "platform/media/QtMediaPlayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <thread>

namespace {

// A silent 16-bit mono WAV of a tenth of a second.
QByteArray tinyWav()
{
    const quint32 bytes = 800 * 2;
    QByteArray out("RIFF");
    auto u32 = [&out](quint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); };
    auto u16 = [&out](quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); };
    u32(36 + bytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    out.append("data");
    u32(bytes);
    out.append(QByteArray(int(bytes), '\0'));
    return out;
}

// A folder of the given number of files, 50 to an artist folder, made once.
QString musicFolder(int files)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> made;
    std::unique_ptr<QTemporaryDir> &dir = made[files];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const QByteArray wav = tinyWav();
        for (int i = 0; i < files; ++i) {
            const QString folder = dir->filePath(QStringLiteral("Artist %1").arg(i / 50));
            if (i % 50 == 0)
                QDir().mkpath(folder);
            QFile f(QStringLiteral("%1/Song %2.wav").arg(folder).arg(i % 50));
            if (f.open(QIODevice::WriteOnly))
                f.write(wav);
        }
    }
    return dir->path();
}

// What a play request costs the main thread: the text saying there is no
// folder or that the first scan runs, else the tracks and the lookup.
double playRequestMs(audio::MusicLibrary &library)
{
    QElapsedTimer timer;
    timer.start();
    if (!library.isAvailable()) {
        benchmark::DoNotOptimize(audio::noMusicFolderText());
    } else if (library.isIndexing()) {
        benchmark::DoNotOptimize(audio::indexingText(library.filesSoFar()));
    } else {
        benchmark::DoNotOptimize(
            audio::chooseTrack(library.allMediaItems(), QStringLiteral("Song 7"), QStringLiteral("ARTIST"), 1).chosen);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// Play requests every millisecond while the index's scan runs; the longest
// one is the stall a key would meet.
double longestStallDuringScan(audio::MusicFolderIndex &index)
{
    double longest = playRequestMs(index);
    while (index.scanRunning()) {
        longest = std::max(longest, playRequestMs(index));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return longest;
}

void BM_PlayStallFirstScan(benchmark::State &state)
{
    const QString music = musicFolder(int(state.range(0)));
    double longest = 0;
    for (auto _ : state) {
        audio::MusicFolderIndex index(music, QString());
        longest = std::max(longest, longestStallDuringScan(index));
        index.waitForScan();
    }
    state.counters["files"] = double(state.range(0));
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(BM_PlayStallFirstScan)->Arg(benchCount(5000, 500))->Arg(benchCount(20000, 2000))->Unit(benchmark::kMillisecond)->Iterations(benchCount(3, 1));

void BM_PlayStallKeptIndex(benchmark::State &state)
{
    const QString music = musicFolder(int(state.range(0)));
    QTemporaryDir cacheDir;
    const QString cache = cacheDir.filePath(QStringLiteral("index"));
    {
        audio::MusicFolderIndex warm(music, cache);
        warm.waitForScan();
    }
    double longest = 0;
    int read = 0;
    for (auto _ : state) {
        audio::MusicFolderIndex index(music, cache);
        longest = std::max(longest, longestStallDuringScan(index));
        index.waitForScan();
        read = index.filesRead();
    }
    state.counters["files_read"] = read;
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(BM_PlayStallKeptIndex)->Arg(benchCount(20000, 2000))->Unit(benchmark::kMillisecond)->Iterations(benchCount(3, 1));

// Play requests, then a folder change and requests again, while the look at
// the folder takes 200 ms: none of them waits for it.
void BM_PlayStallSlowFolderLook(benchmark::State &state)
{
    const QString music = musicFolder(benchCount(5000, 500));
    QTemporaryDir cacheDir;
    const QString cache = cacheDir.filePath(QStringLiteral("index"));
    {
        audio::MusicFolderIndex warm(music, cache);
        warm.waitForScan();
    }
    const auto slowLook = [](const QString &folder) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return QFileInfo(folder).isDir();
    };
    double longest = 0;
    double change = 0;
    for (auto _ : state) {
        audio::MusicFolderIndex index(music, cache, &audio::MusicFolderIndex::readTrack, slowLook);
        longest = std::max(longest, longestStallDuringScan(index));
        QElapsedTimer timer;
        timer.start();
        index.changeFolder(music);
        change = std::max(change, double(timer.nsecsElapsed()) / 1e6);
        longest = std::max(longest, longestStallDuringScan(index));
        index.waitForScan();
    }
    state.counters["look_ms"] = 200;
    state.counters["longest_stall_ms"] = longest;
    state.counters["folder_change_ms"] = change;
}
BENCHMARK(BM_PlayStallSlowFolderLook)->Unit(benchmark::kMillisecond)->Iterations(benchCount(3, 1));

void BM_TrackLookup20000(benchmark::State &state)
{
    QList<audio::Track> tracks;
    const QString genres[] = {QStringLiteral("Rock"), QStringLiteral("Cover"), QStringLiteral("Backing Track"),
                              QStringLiteral("Practice")};
    for (int i = 0; i < 20000; ++i) {
        audio::Track t;
        t.title = QStringLiteral("Song number %1").arg(i);
        t.artist = QStringLiteral("Artist %1").arg(i % 400);
        t.genre = genres[i % 4];
        t.location = QStringLiteral("/music/%1.mp3").arg(i);
        tracks << t;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(
            audio::chooseTrack(tracks, QStringLiteral("Song number 12345"), QStringLiteral("ARTIST 345"), 2).chosen);
}
BENCHMARK(BM_TrackLookup20000)->Unit(benchmark::kMillisecond);

// A track started on a share that takes 200 ms to answer for each file: the
// player is asked at once, and the track plays once the share has answered.
void BM_PlayRequestSlowShare(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("track.wav"));
    {
        QFile f(wav);
        f.open(QIODevice::WriteOnly);
        f.write(tinyWav());
    }
    const auto slowLook = [](const QString &path) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return platform::regularFileSize(path);
    };
    double asked = 0;
    double started = 0;
    for (auto _ : state) {
        platform::QtMediaPlayer player(slowLook);
        QElapsedTimer timer;
        timer.start();
        player.setSource(wav);
        player.play();
        asked = std::max(asked, double(timer.nsecsElapsed()) / 1e6);
        while (!player.isPlaying() && !player.ended() && !player.failed() && timer.elapsed() < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        started = std::max(started, double(timer.nsecsElapsed()) / 1e6);
    }
    state.counters["look_ms"] = 200;
    state.counters["request_ms"] = asked;
    state.counters["until_playing_ms"] = started;
}
BENCHMARK(BM_PlayRequestSlowShare)->Unit(benchmark::kMillisecond)->Iterations(benchCount(3, 1));

} // namespace
