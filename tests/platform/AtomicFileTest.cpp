#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using platform::AtomicFile;
using platform::writeFileAtomically;

namespace {

QByteArray readAll(const QString &path)
{
    const platform::FileBytes read = platform::readRegularFile(path, 1 << 24);
    return read.ok() ? read.bytes : QByteArray("<missing>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

enum class Way { Whole, Streamed, InPieces };

// Writes in a child process whose files may not grow past `limit` bytes, as
// a full disk would refuse them.
testsupport::LimitedWrite writeUnderLimit(const QString &path, const QByteArray &bytes, rlim_t limit, Way way)
{
    return testsupport::writeUnderFileSizeLimit(limit, [&](QString *error) {
        if (way == Way::Whole)
            return writeFileAtomically(path, bytes, error);
        AtomicFile file(path);
        bool ok = file.open();
        if (ok && way == Way::Streamed)
            file.device()->write(bytes);
        for (qsizetype at = 0; ok && way == Way::InPieces && at < bytes.size(); at += 1000)
            ok = file.write(bytes.mid(at, 1000));
        ok = ok && file.commit();
        *error = file.errorString();
        return ok;
    });
}

} // namespace

// Before, a 10 KB note written on a full disk became 0 bytes with no word:
// the only real write happened in the save's final flush, whose failure was
// ignored, and the empty temporary file replaced the note. And under a
// file-size limit the first write past it killed the program (SIGXFSZ), and
// once it no longer did, a write cut short there said "Unknown error".
TEST(AtomicFile, AFailedWriteLeavesTheOldFileByteIdenticalAndSaysWhy)
{
    const QByteArray old = QByteArray("TITLE=Old note\n") + QByteArray(10 * 1024, 'x');
    const struct {
        const char *what;
        qsizetype size;
        rlim_t limit;
        Way way;
    } rows[] = {
        {"small file, nothing may be written", 200, 0, Way::Whole},
        {"10 KB note, nothing may be written", 10 * 1024, 0, Way::Whole},
        {"10 KB note, half of it fits", 10 * 1024, 5 * 1024, Way::Whole},
        {"1 MB file, half of it fits", 1024 * 1024, 512 * 1024, Way::Whole},
        {"streamed through the device", 10 * 1024, 100, Way::Streamed},
        {"written in pieces", 50 * 1024, 20 * 1024, Way::InPieces},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("song.txt"));
        put(path, old);
        const testsupport::LimitedWrite r = writeUnderLimit(path, QByteArray(row.size, 'n'), row.limit, row.way);
        EXPECT_FALSE(r.killed);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("too large for the file-size limit")))
            << r.error.toStdString();
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("song.txt")})
            << "no temporary file is left behind";
    }
}

TEST(AtomicFile, WritesWhereAllowedAndRefusesWhereNot)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("existing.txt"));
    const QString readOnly = dir.filePath(QStringLiteral("readonly.txt"));
    const QString taken = dir.filePath(QStringLiteral("taken.txt"));
    put(existing, "old");
    put(taken, "theirs");
    put(readOnly, "keep");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const bool root = geteuid() == 0; // root may write a read-only file
    // Before, written and removed under another name: QFile's names lose the stray byte.
    const QString notUtf8 = dir.filePath(QStringLiteral("Song ")) + QChar(0xdcff) + QStringLiteral(".cho");

    const struct {
        const char *what;
        QString path;
        QByteArray bytes;
        bool ok;
        QByteArray after;
        bool create = false; // only where no file has the name
    } rows[] = {
        {"a new file", dir.filePath(QStringLiteral("new.txt")), "fresh", true, "fresh"},
        {"an existing file is replaced", existing, "replaced", true, "replaced"},
        {"an empty file", dir.filePath(QStringLiteral("empty.txt")), "", true, ""},
        {"a folder that does not exist", dir.filePath(QStringLiteral("nowhere/x.txt")), "x", false, "<missing>"},
        {"a read-only file", readOnly, "changed", root, root ? "changed" : "keep"},
        {"a file made where none is", dir.filePath(QStringLiteral("made.txt")), "fresh", true, "fresh", true},
        {"a file made where one is", taken, "mine", false, "theirs", true},
        {"a name not UTF-8", notUtf8, "fresh", true, "fresh"},
        {"a name not UTF-8, replaced", notUtf8, "replaced", true, "replaced"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QString error;
        bool there = false;
        EXPECT_EQ(row.create ? platform::createFileAtomically(row.path, row.bytes, &error, &there)
                             : writeFileAtomically(row.path, row.bytes, &error), row.ok);
        EXPECT_EQ(error.isEmpty(), row.ok) << error.toStdString();
        EXPECT_EQ(there, row.create && !row.ok);
        EXPECT_EQ(readAll(row.path), row.after);
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".*.new")}, QDir::Files | QDir::Hidden).isEmpty());
    // Made new and streamed, a file made there once the write began stays too.
    AtomicFile late(dir.filePath(QStringLiteral("late.txt")), AtomicFile::Mode::Creates);
    ASSERT_TRUE(late.open() && late.write("mine"));
    put(dir.filePath(QStringLiteral("late.txt")), "theirs");
    EXPECT_TRUE(!late.commit() && late.there());
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("late.txt"))), "theirs");
    EXPECT_TRUE(platform::removeFile(notUtf8));
    EXPECT_EQ(readAll(notUtf8), "<missing>");
}

TEST(AtomicFile, AnAbandonedWriteChangesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    put(path, "old");
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
    } // destroyed without commit
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
        file.cancel();
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
}

// Before, every write renamed a new file over the name, and a note's other
// name (a hard link) kept the old text.
TEST(AtomicFile, AFileWithOtherNamesKeepsThemInStep)
{
    const QByteArray old = "Title=Old\n" + QByteArray(300, 'o');
    const struct {
        const char *what;
        bool linked;
        QByteArray bytes;
        rlim_t limit; // 0: none
    } rows[] = {
        {"one name: replaced as a new file", false, "Title=New\n", 0},
        {"two names, longer text", true, "Title=New\n" + QByteArray(900, 'n'), 0},
        {"two names, shorter text", true, "Title=New\n", 0},
        // Cut off midway: the old bytes are put back.
        {"two names, the longer text stopped by the file-size limit", true, QByteArray(900, 'n'), 600},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("song.txt"));
        const QString other = dir.filePath(QStringLiteral("other name.txt"));
        put(path, old);
        if (row.linked) {
            ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        }
        struct stat before {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
        const testsupport::LimitedWrite limited =
            row.limit ? writeUnderLimit(path, row.bytes, row.limit, Way::Whole) : testsupport::LimitedWrite{};
        EXPECT_EQ(row.limit ? limited.ok : writeFileAtomically(path, row.bytes), row.limit == 0);
        if (row.limit) {
            EXPECT_TRUE(limited.error.startsWith(QStringLiteral("too large for the file-size limit")))
                << limited.error.toStdString();
        }
        const QByteArray now = row.limit ? old : row.bytes;
        EXPECT_EQ(readAll(path), now);
        if (row.linked) {
            EXPECT_EQ(readAll(other), now);
        }
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, row.linked) << "only a single name is replaced by a new file";
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), row.linked ? 2 : 1)
            << "no temporary file is left";
    }
}

// Before, a kill while a note with two names was written through left its old
// text followed by NUL bytes (the room taken first had grown the file), which
// the next start refused as not text; or the new text followed by the end of
// the old one. Now the next read finds the old text or the new, whole. And a
// kill once the new text was complete had the next read put the old one back.
TEST(AtomicFile, AFileWithOtherNamesKilledAtAnyStepOfItsWriteIsReadAsTheOldTextOrTheNew)
{
    const QByteArray old = "Title=Old\n" + QByteArray(300, 'o');
    const QByteArray longer = "Title=New\n" + QByteArray(900, 'n');
    const QByteArray shorter = "Title=New\n";
    const struct {
        const char *step;
        std::vector<long> calls;
        bool complete; // the new text is all in the file
    } steps[] = {
        {"taking room", {SYS_fallocate}, false},
        {"writing", {SYS_pwrite64}, false},
        {"setting the size", {SYS_ftruncate}, false},
        {"flushing", {SYS_fsync}, true},
        {"dropping the kept text", {SYS_unlink, SYS_unlinkat}, true},
    };
    for (const auto &step : steps) {
        for (const QByteArray &bytes : {longer, shorter}) {
            SCOPED_TRACE(std::string(step.step) + (bytes == longer ? ", longer text" : ", shorter text"));
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("song.txt"));
            const QString other = dir.filePath(QStringLiteral("other name.txt"));
            put(path, old);
            ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
            const testsupport::LimitedWrite r = testsupport::writeKilledAtCall(
                step.calls, [&](QString *error) { return writeFileAtomically(path, bytes, error); });
            EXPECT_TRUE(r.killed) << "stopped at that step";
            platform::readRegularFile(path, 1024 * 1024);
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "only a note's read settles it";
            const platform::FileBytes read = platform::readSettledFile(path, 1024 * 1024);
            ASSERT_TRUE(read.ok());
            EXPECT_TRUE(read.bytes == bytes || (!step.complete && read.bytes == old)) << read.bytes.toStdString();
            EXPECT_EQ(readAll(other), read.bytes);
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "nothing is left beside it";
        }
    }
}
