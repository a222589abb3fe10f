// Test entry point shared by every test executable: a headless application
// with the bundled fonts and an in-memory user-defaults store.
#include "app/Headless.h"
#include "library/Data.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // What the program keeps at a quit may go to the cache or runtime folder:
    // no test reads or removes the records of the user running the tests. A
    // child started in a test's own home keeps the folders it was given.
    QTemporaryDir folders;
    for (const char *name : {"XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        if (!qEnvironmentVariable(name).startsWith(QDir::tempPath()))
            qputenv(name, QFile::encodeName(folders.filePath(QString::fromLatin1(name))));
    const std::unique_ptr<QApplication> app = makeHeadlessApplication(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsSet("TOLVANE_TEST_GUARD_ALL"))
        testsupport::guardEveryTest();
    const int result = RUN_ALL_TESTS();
    Data::releaseAudioObjects();
    return result;
}
