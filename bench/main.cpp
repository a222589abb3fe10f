// Entry point shared by every benchmark: figures do not depend on the
// machine's screens, fonts or settings, and they write in no folder of the
// user's.
#include "BenchSupport.h"
#include "app/Headless.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

int main(int argc, char **argv)
{
    QTemporaryDir folders;
    useThrowAwayFolders(folders.path());
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
    // A short run takes one iteration of a benchmark that sets none; flags given still win.
    std::vector<char *> args(argv, argv + argc);
    char once[] = "--benchmark_min_time=0";
    if (benchShort())
        args.insert(args.begin() + 1, once);
    int count = int(args.size());
    ::benchmark::Initialize(&count, args.data());
    if (::benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
