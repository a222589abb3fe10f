#include "LibraryTestSupport.h"

#include "library/FolderWalk.h"
#include "platform/dialogs/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace librarytest;

namespace {

struct WalkCase {
    const char *what;
    int songs;                  // s000.pdf ... in the folder
    QList<QByteArray> rawNames; // further files, names as bytes
    bool fifoSong;              // a named pipe "pipe.cho"
    bool deviceLink;            // "zero.cho" linking to /dev/zero
    int taken, leftOut, badNames, special;
    const char *message;
};

void PrintTo(const WalkCase &c, std::ostream *os)
{
    *os << c.what;
}

class FolderWalk : public ::testing::TestWithParam<WalkCase> {};

} // namespace

TEST_P(FolderWalk, TakesCountsAndSaysWhatWasLeft)
{
    const WalkCase &c = GetParam();
    testsupport::RawNamesDir dir;
    for (int i = 0; i < c.songs; ++i)
        song(dir, QStringLiteral("s%1.pdf").arg(i, 3, 10, QLatin1Char('0')));
    for (const QByteArray &name : c.rawNames)
        ASSERT_TRUE(dir.addFile(name));
    if (c.fifoSong) {
        ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe.cho")).constData(), 0644), 0);
    }
    if (c.deviceLink) {
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero.cho")));
    }

    const folderwalk::Result r = folderwalk::walk(dir.path(), Data::kMaxFilesPerScan);
    EXPECT_TRUE(r.folderFound);
    EXPECT_EQ(r.taken.size(), c.taken);
    EXPECT_EQ(r.leftOut, c.leftOut);
    EXPECT_EQ(r.badNames, c.badNames);
    EXPECT_EQ(r.special, c.special);
    EXPECT_EQ(folderwalk::message(r), QString::fromUtf8(c.message));
    for (const QString &path : r.taken)
        EXPECT_TRUE(QFileInfo(path).isFile()) << qPrintable(path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderWalk,
    ::testing::Values(
        WalkCase{"all taken", 3, {}, false, false, 3, 0, 0, 0, ""},
        WalkCase{"cap", 55, {}, false, false, 50, 5, 0, 0, "50 songs loaded, 5 files left out"},
        WalkCase{"one past", 51, {}, false, false, 50, 1, 0, 0, "50 songs loaded, 1 file left out"},
        // Before, such names vanished from the list without a word.
        WalkCase{"latin-1 names", 2, {"caf\xe9.pdf", "na\xefve.cho", "plain.txt"}, false, false, 2, 0, 2, 0,
                 "2 files skipped: their names are not valid UTF-8"},
        WalkCase{"one bad name past the cap", 52, {"\xff.pdf"}, false, false, 50, 2, 1, 0,
                 "50 songs loaded, 2 files left out · 1 file skipped: its name is not valid UTF-8"},
        // Before, opening the pipe hung the start for ever and the link was read until memory ran out.
        WalkCase{"pipe and device", 1, {}, true, true, 1, 0, 0, 2, ""}),
    [](const ::testing::TestParamInfo<WalkCase> &info) {
        QString name = QString::fromLatin1(info.param.what);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        return name.toStdString();
    });

TEST(FolderWalkOrder, TheFirstFiftyInPathOrderAcrossFoldersThenOnlyCounted)
{
    QTemporaryDir dir;
    for (int i = 0; i < 40; ++i)
        song(dir, QStringLiteral("b%1.pdf").arg(i, 2, 10, QLatin1Char('0')));
    for (int i = 0; i < 20; ++i)
        song(dir, QStringLiteral("a/x%1.cho").arg(i, 2, 10, QLatin1Char('0')));
    song(dir, "c/deep/late.pdf");
    song(dir, "b05.pdf.txt"); // a note, not a song
    const folderwalk::Result r = folderwalk::walk(dir.path(), 50);
    ASSERT_EQ(r.taken.size(), 50);
    EXPECT_EQ(QDir(dir.path()).relativeFilePath(r.taken.first()), QStringLiteral("a/x00.cho"));
    EXPECT_EQ(QDir(dir.path()).relativeFilePath(r.taken[20]), QStringLiteral("b00.pdf"));
    EXPECT_EQ(QDir(dir.path()).relativeFilePath(r.taken.last()), QStringLiteral("b29.pdf"));
    EXPECT_EQ(r.leftOut, 11); // b30..b39 and the one below c/
}

TEST(FolderWalkOrder, AMissingFolderIsNotFound)
{
    QTemporaryDir dir;
    EXPECT_FALSE(folderwalk::walk(dir.filePath("gone"), 50).folderFound);
    EXPECT_FALSE(folderwalk::walk(song(dir, "file.pdf"), 50).folderFound);
    EXPECT_TRUE(folderwalk::walk(dir.path() + "/", 50).folderFound);
}

TEST(FolderWalkScan, AMissingFolderOffersNothingAndKeepsTheLists)
{
    resetLibrary();
    QTemporaryDir dir;
    song(dir, "a.pdf");
    ASSERT_TRUE(Data::chargerFichiers(dir.path(), true));
    platform::ScriptedDialogs dialogs;
    EXPECT_FALSE(Data::chargerFichiers(dir.filePath("gone"), false));
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_FALSE(Data::lastScan().folderFound);
    EXPECT_EQ(Data::listePiecesByTitle().size(), 1);
    resetLibrary();
}

TEST(FolderWalkScan, APipeAsANoteDoesNotBlockTheScan)
{
    resetLibrary();
    QTemporaryDir dir;
    const QString path = song(dir, "a.pdf");
    // Before, reading the note opened the pipe and the start waited for a writer for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(notefile::notePathForSong(path)).constData(), 0644), 0);
    ASSERT_TRUE(Data::chargerFichiers(dir.path(), true));
    ASSERT_EQ(Data::listePiecesByTitle().size(), 1);
    EXPECT_TRUE(Data::listePiecesByTitle().first()->pieceDet->noteUnreadable);
    resetLibrary();
}
