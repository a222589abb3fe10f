// Test entry point shared by every test executable: a headless application
// with the bundled fonts and an in-memory user-defaults store.
#include "app/Headless.h"
#include "library/Data.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // No test reads or writes the folders of the user running the tests.
    QTemporaryDir folders;
    useThrowAwayFolders(folders.path());
    testsupport::setUsersFolders(folders.path());
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
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
