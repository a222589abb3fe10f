// Test entry point shared by every test executable: a headless application
// with the bundled fonts and an in-memory user-defaults store.
#include "app/Resources.h"
#include "platform/Fonts.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <gtest/gtest.h>

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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
