// Entry point shared by every benchmark: a headless application with the
// bundled resources and fonts and an in-memory user-defaults store, so that
// figures do not depend on the machine's screens, fonts or settings.
#include "app/Resources.h"
#include "platform/Fonts.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TOLVANE_MIDI_BACKEND"))
        qputenv("TOLVANE_MIDI_BACKEND", "loopback");
    QApplication app(argc, argv);
    initTolvaneResources();
    platform::loadBundledFonts();
    platform::UserDefaults::openStandard(QString());
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
