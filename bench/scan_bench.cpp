// The folder scan at start-up: one folder of 50, 1,000 or 5,000 songs, of
// which the scan takes the first 50. Its cost should not grow with the files
// it leaves out. Run one size per process to read its peak memory
// (--benchmark_filter=BM_ScanFolder/5000).
#include "library/Data.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_ScanFolder(benchmark::State &state)
{
    const int count = int(state.range(0));
    QTemporaryDir dir;
    for (int i = 0; i < count; ++i) {
        // Names in no particular order, as a library copied in grows.
        QFile f(dir.filePath(QStringLiteral("Song %1 %2.pdf").arg((i * 7919) % count, 5, 10, QLatin1Char('0')).arg(i)));
        f.open(QIODevice::WriteOnly);
    }
    for (auto _ : state) {
        Data::initListePieces();
        Data::setSongNbrG(0);
        Data::setSongNoG(0);
        benchmark::DoNotOptimize(Data::chargerFichiers(dir.path(), true));
    }
    state.counters["songs"] = double(Data::listePiecesByTitle().size());
    state.counters["peak_rss_kB"] = double(maxRssKb());
}
BENCHMARK(BM_ScanFolder)->Arg(50)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
