#include "app/Headless.h"

#include "app/Resources.h"
#include "platform/Paths.h"

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

void useThrowAwayFolders(const QString &root)
{
    const QString temporary = platform::tempPath() + QLatin1Char('/');
    const auto elsewhere = [&temporary](const char *name) { return !qEnvironmentVariable(name).startsWith(temporary); };
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        if (elsewhere(name))
            qputenv(name, platform::filePath(root, QString::fromLatin1(name)).toLocal8Bit());
    // The program's own overrides come before those: one naming a folder elsewhere goes.
    for (const char *name : {"TOLVANE_DATA_DIR", "TOLVANE_CONFIG_DIR"})
        if (qEnvironmentVariableIsSet(name) && elsewhere(name))
            qunsetenv(name);
}
