#include "FuzzSupport.h"

#include "app/Resources.h"
#include "platform/Fonts.h"
#include "platform/UserDefaults.h"

#include <QApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TOLVANE_MIDI_BACKEND"))
        qputenv("TOLVANE_MIDI_BACKEND", "loopback");
    // Lives for the whole run: the fuzzer exits without unwinding.
    static QApplication *app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    initTolvaneResources();
    platform::loadBundledFonts();
    platform::UserDefaults::openStandard(QString());
    return 0;
}
