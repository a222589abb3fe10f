// Test entry point shared by every test executable: a headless application
// with the bundled fonts and an in-memory user-defaults store.
#include "app/Headless.h"
#include "library/Data.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // No test reads or writes the folders of the user running the tests.
    QTemporaryDir folders;
    useThrowAwayFolders(folders.path());
    testsupport::setUsersFolders(folders.path());
    // Nor the user's message bus: the run has its own. With none named, D-Bus
    // launches one that writes under HOME.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(folders.filePath(QStringLiteral("no-bus"))));
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
    const testsupport::PrivateBus bus;
    if (!bus.address().isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    testsupport::limitTheRun(qEnvironmentVariableIntValue("TOLVANE_TEST_SECONDS"));
    // No suite's main thread asks the C library for a file outside the program's own folders, not even through Qt.
    testsupport::guardBelowQt();
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_GUARD_ALL"))
        testsupport::guardEveryTest();
    const int result = RUN_ALL_TESTS();
    Data::releaseAudioObjects();
    return result;
}
