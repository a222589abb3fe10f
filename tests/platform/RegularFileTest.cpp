#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/KeptAtQuit.h"
#include "platform/PdfProcess.h"
#include "platform/RegularFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

using platform::FileBytes;
using platform::readRegularFile;

// Before, a named pipe with a song's name hung the start for ever, and a link
// to /dev/zero was read until the kernel killed the program.
TEST(RegularFile, OnlyRegularFilesAreReadAndNeverPastTheLimit)
{
    QTemporaryDir dir;
    auto path = [&dir](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
    auto put = [](const QString &p, const QByteArray &bytes) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    put(path("small.txt"), "hello");
    put(path("ten.txt"), "0123456789");
    put(path("eleven.txt"), "0123456789A");
    ASSERT_TRUE(QFile::link(path("small.txt"), path("link.txt")));
    ASSERT_TRUE(QFile::link(path("gone.txt"), path("dangling.txt")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero.cho")));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("pipe.cho")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.cho")));

    const struct {
        const char *name;
        FileBytes::Status status;
        QByteArray bytes;
    } rows[] = {
        {"small.txt", FileBytes::Status::Ok, "hello"},
        {"ten.txt", FileBytes::Status::Ok, "0123456789"}, // exactly the limit
        {"eleven.txt", FileBytes::Status::TooLarge, "0123456789"},
        {"link.txt", FileBytes::Status::Ok, "hello"},
        {"dangling.txt", FileBytes::Status::Missing, ""},
        {"missing.txt", FileBytes::Status::Missing, ""},
        {"zero.cho", FileBytes::Status::NotRegular, ""},
        {"pipe.cho", FileBytes::Status::NotRegular, ""},
        {"folder.cho", FileBytes::Status::NotRegular, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const FileBytes r = readRegularFile(path(row.name), 10);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.bytes, row.bytes);
        EXPECT_EQ(r.error.isEmpty(), row.status == FileBytes::Status::Ok || row.status == FileBytes::Status::TooLarge);
        // A PDF is kept open for its reader, read-only, under the same checks.
        FileBytes pdf;
        const platform::PdfBytes bytes = platform::PdfBytes::readFile(path(row.name), 10, pdf);
        EXPECT_EQ(pdf.status, row.status);
        EXPECT_TRUE(pdf.bytes.isEmpty());
        EXPECT_EQ(bytes.isNull(), !pdf.ok());
        QByteArray kept(bytes.size(), '\0');
        if (!bytes.isNull()) {
            EXPECT_EQ(::pread(bytes.descriptor(), kept.data(), size_t(kept.size()), 0), bytes.size());
            EXPECT_EQ(::fcntl(bytes.descriptor(), F_GETFL) & O_ACCMODE, O_RDONLY);
        }
        EXPECT_EQ(kept, pdf.ok() ? row.bytes : QByteArray());
    }
}

// Before, nothing told a file call made on the main thread: each round found one more by hand.
TEST(RegularFile, AFileCallOnTheMainThreadOutsideTheProgramsFoldersFailsTheTest)
{
    QTemporaryDir library, data, config;
    qputenv("TOLVANE_DATA_DIR", QFile::encodeName(data.path()));
    qputenv("TOLVANE_CONFIG_DIR", QFile::encodeName(config.path()));
    const QString song = library.filePath(QStringLiteral("Song.cho"));
    ASSERT_TRUE(platform::writeFileAtomically(song, "{title:Song}\n"));
    const testsupport::MainThreadFilesFail guard;
    const struct {
        const char *name;
        std::function<void()> call;
        bool fails;
    } rows[] = {
        {"read", [&] { readRegularFile(song, 100); }, true},
        {"settled read", [&] { platform::readSettledFile(song, 100); }, true}, // once, not at each call within
        {"look", [&] { platform::regularFileSize(song); }, true},
        {"exists", [&] { platform::pathExists(song); }, true},
        {"kept copy", [&] { platform::kept::datedFreePath(song, QStringLiteral("x"), QStringLiteral("txt")); }, true},
        {"readable", [&] { platform::isReadableFile(song); }, true},
        {"folder", [&] { platform::isReadableFolder(library.path()); }, true},
        {"folder list", [&] { platform::folderEntries(library.path()); }, true},
        {"write", [&] { platform::writeFileAtomically(song, "{title:Song}\n"); }, true},
        {"data folder", [&] { platform::writeFileAtomically(data.filePath(QStringLiteral("a.txt")), "a"); }, false},
        {"config folder", [&] { platform::regularFileStamp(config.filePath(QStringLiteral("defaults.sqlite"))); }, false},
        {"in a scope", [&] {
             const platform::MainThreadFileScope allow("a file chosen in a dialog");
             readRegularFile(song, 100);
         }, false},
        {"other thread", [&] { std::thread([&] { readRegularFile(song, 100); }).join(); }, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (row.fails)
            EXPECT_NONFATAL_FAILURE(row.call(), library.path().toStdString());
        else
            row.call();
    }
    qunsetenv("TOLVANE_DATA_DIR");
    qunsetenv("TOLVANE_CONFIG_DIR");
}

// Before, the suites ran in the folders of the user running them: kept copies
// written by the tests were announced at the user's next start.
TEST(RegularFile, TheTestsRunInThrowAwayFolders)
{
    for (const QString &folder : platform::ownFolders())
        EXPECT_TRUE(folder.startsWith(QDir::tempPath() + QLatin1Char('/'))) << folder.toStdString();
}
