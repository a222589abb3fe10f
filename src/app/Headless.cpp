#include "app/Headless.h"

#include "app/Resources.h"

#include <QString>

std::unique_ptr<QApplication> makeHeadlessApplication(int &argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TOLVANE_MIDI_BACKEND"))
        qputenv("TOLVANE_MIDI_BACKEND", "loopback");
    auto app = std::make_unique<QApplication>(argc, argv);
    initTolvaneRun(QString());
    return app;
}
