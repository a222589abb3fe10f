#include "platform/MainThreadFiles.h"
#include "support/FileGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest-spi.h>
#include <optional>
#include <thread>

// The guard below Qt sees what Qt asks of the file system by itself, which
// the platform's guard cannot: here the test stands in for the program.
// Before, a build without a sanitizer died here on the symbolizer it lacks.
TEST(FileGuardBelowQt, FailsTheProgramsLookOnTheMainThreadAtATestFolder)
{
    if (!testsupport::guardBelowQtCanRun())
        GTEST_SKIP() << "The guard below Qt needs a sanitizer build's symbolizer to tell the program's calls from the test's";
    QTemporaryDir folder;
    const auto look = [&folder] { QFileInfo::exists(folder.path()); };
    // The program's data folder one below a folder of the test's, which is on the way to it.
    const QString onTheWay = folder.filePath(QStringLiteral("on the way"));
    const auto belowOwn = [&onTheWay](bool (QDir::*call)(const QString &) const) {
        return [&onTheWay, call] {
            qputenv("TOLVANE_DATA_DIR", QFile::encodeName(onTheWay + QStringLiteral("/data")));
            const auto unset = qScopeGuard([] { qunsetenv("TOLVANE_DATA_DIR"); });
            (QDir().*call)(onTheWay);
        };
    };
    struct Row {
        const char *what;
        bool program;
        std::function<void()> work;
        bool fails;
    };
    const Row rows[] = {
        {"the program's look", true, look, true},
        {"a file the performer chose", true, [&look] { const platform::MainThreadFileScope chosen("chosen"); look(); }, false},
        {"off the main thread", true, [&look] { std::thread(look).join(); }, false},
        {"the test's own look", false, look, false},
        {"a folder made on the way to the program's own", true, belowOwn(&QDir::mkdir), false},
        // Before, a folder on the way counted as the program's for every call.
        {"that folder removed", true, belowOwn(&QDir::rmdir), true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::failOnFileCallsBelowQt(); // what came before is the test's
        std::optional<testsupport::TestCallsCount> program;
        if (row.program)
            program.emplace();
        if (row.fails)
            EXPECT_NONFATAL_FAILURE(
                {
                    row.work();
                    testsupport::failOnFileCallsBelowQt();
                },
                folder.path().toStdString());
        else {
            row.work();
            testsupport::failOnFileCallsBelowQt();
        }
    }
}
