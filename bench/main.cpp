// Entry point shared by every benchmark: figures do not depend on the
// machine's screens, fonts or settings, and they write in no folder of the
// user's.
#include "app/Headless.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    QTemporaryDir folders;
    useThrowAwayFolders(folders.path());
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
