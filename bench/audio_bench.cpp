// The music folder's index of 5,000 files, read cold and from its kept
// index, and the track lookup of one song change over 20,000 tracks.
#include "audio/TrackLookup.h"
#include "audio/library/MusicFolderIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>

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

// 5,000 files in 100 artist folders.
const QTemporaryDir &musicFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        const QByteArray wav = tinyWav();
        for (int artist = 0; artist < 100; ++artist) {
            const QString folder = dir.filePath(QStringLiteral("Artist %1").arg(artist));
            QDir().mkpath(folder);
            for (int song = 0; song < 50; ++song) {
                QFile f(QStringLiteral("%1/Song %2.wav").arg(folder).arg(song));
                if (f.open(QIODevice::WriteOnly))
                    f.write(wav);
            }
        }
        made = true;
    }
    return dir;
}

void BM_MusicIndexCold(benchmark::State &state)
{
    const QString music = musicFolder().path();
    for (auto _ : state) {
        audio::MusicFolderIndex index(music, QString());
        benchmark::DoNotOptimize(index.allMediaItems().size());
    }
    state.counters["files"] = 5000;
}
BENCHMARK(BM_MusicIndexCold)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MusicIndexCached(benchmark::State &state)
{
    const QString music = musicFolder().path();
    QTemporaryDir cacheDir;
    const QString cache = cacheDir.filePath(QStringLiteral("index"));
    {
        audio::MusicFolderIndex warm(music, cache);
        warm.allMediaItems();
    }
    int read = 0;
    for (auto _ : state) {
        audio::MusicFolderIndex index(music, cache);
        benchmark::DoNotOptimize(index.allMediaItems().size());
        read = index.filesRead();
    }
    state.counters["files_read"] = read;
}
BENCHMARK(BM_MusicIndexCached)->Unit(benchmark::kMillisecond)->Iterations(3);

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
    const auto exists = [](const audio::Track &) { return true; };
    for (auto _ : state)
        benchmark::DoNotOptimize(audio::chooseTrack(tracks, QStringLiteral("Song number 12345"),
                                                    QStringLiteral("ARTIST 345"), 2, exists)
                                     .chosen);
}
BENCHMARK(BM_TrackLookup20000)->Unit(benchmark::kMillisecond);

} // namespace
