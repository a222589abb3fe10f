#include "platform/UserDefaults.h"
#include "support/CapturedWarnings.h"
#include "support/OtherProgram.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <atomic>
#include <cerrno>
#include <functional>
#include <mutex>
#include <optional>
#include <unistd.h>

using platform::UserDefaults;
using testsupport::OtherProgram;

namespace {

QStringList setAside(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("*.damaged-*")});
}

// A store as an earlier run left it, in write-ahead-log mode; the values
// stored, as the other program reads them.
const QList<QPair<QString, QString>> kStored = {
    {QStringLiteral("dirNo"), QStringLiteral("3")},
    {QStringLiteral("url3"), QStringLiteral("/home/me/Songs")},
    {QStringLiteral("dirIsanURL3"), QStringLiteral("1")},
    {QStringLiteral("tagStr"), QStringLiteral("rock")},
};
QString kStoredText(const QString &key)
{
    for (const auto &[k, value] : kStored)
        if (k == key)
            return value;
    return QStringLiteral("<none>");
}

void storeEarlierRun(const QString &path)
{
    UserDefaults earlier;
    ASSERT_TRUE(earlier.open(path));
    earlier.setInteger(QStringLiteral("dirNo"), 3);
    earlier.setData(QStringLiteral("url3"), "/home/me/Songs");
    earlier.setBool(QStringLiteral("dirIsanURL3"), true);
    earlier.setString(QStringLiteral("tagStr"), QStringLiteral("rock"));
}

// An earlier run's file, held by another program in the middle of writing.
struct HeldEarlierRun {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    const bool stored = (storeEarlierRun(path), true);
    OtherProgram other{path};
    const bool locked = other.lockWhileWriting();
};

} // namespace

// Before, a start that could not read the store (locked, disk full) ran on
// settings built from nothing and wrote them over the store once it could:
// the library's folder slot and "dirNo" were lost for every later start.
TEST(UserDefaultsStore, ALockedStoreIsReadOnceFreeAndKeepsEveryStoredKey)
{
    HeldEarlierRun held;
    ASSERT_TRUE(held.locked);

    UserDefaults d;
    ASSERT_TRUE(d.open(held.path));
    EXPECT_FALSE(d.hasRead());
    EXPECT_TRUE(d.openNotice().contains(QStringLiteral("could not be read"))) << d.openNotice().toStdString();
    EXPECT_TRUE(d.openNotice().contains(QStringLiteral("locked"))) << d.openNotice().toStdString();
    QStringList said;
    d.whenReadLate([&said](const QString &notice) { said << notice; });
    d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz")); // this run's own change
    QString why;
    EXPECT_FALSE(d.writeNowAndWait(10000, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("locked"))) << why.toStdString();

    ASSERT_TRUE(held.other.run("COMMIT")); // the lock goes
    ASSERT_TRUE(d.writeNowAndWait(10000, &why)) << why.toStdString();
    EXPECT_TRUE(d.hasRead());
    EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), 3) << "the stored values are taken";
    EXPECT_EQ(d.dataForKey(QStringLiteral("url3")), QByteArray("/home/me/Songs"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("A")), 7);
    EXPECT_EQ(d.stringForKey(QStringLiteral("tagStr")), QStringLiteral("jazz")) << "this run's change wins";
    for (const auto &[key, value] : kStored)
        EXPECT_EQ(held.other.value(key), key == QStringLiteral("tagStr") ? QStringLiteral("jazz") : value) << key.toStdString();
    EXPECT_EQ(held.other.value(QStringLiteral("A")), QStringLiteral("7"));
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].contains(QStringLiteral("has been read"))) << said[0].toStdString();
}

TEST(UserDefaultsStore, AStoreThatCannotBeOpenedIsNeverWrittenBeforeItIsRead)
{
    const struct {
        const char *what;
        bool immutableReads; // the log is empty: an open without "-shm" reads it
    } rows[] = {
        {"read at once without the -shm file", true},
        {"read once space is back", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
        storeEarlierRun(path);

        std::mutex mutex;
        bool full = true;
        bool writtenUnread = false;
        UserDefaults d;
        d.setFault([&](UserDefaults::Step step) {
            std::lock_guard lock(mutex);
            if (step == UserDefaults::Step::Write && !d.hasRead())
                writtenUnread = true;
            if (!full || (step == UserDefaults::Step::OpenImmutable && row.immutableReads))
                return SQLITE_OK;
            return SQLITE_FULL;
        });
        ASSERT_TRUE(d.open(path));
        EXPECT_EQ(d.hasRead(), row.immutableReads);
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), row.immutableReads ? 3 : 0);
        EXPECT_TRUE(d.openNotice().contains(row.immutableReads ? QStringLiteral("cannot be written")
                                                                : QStringLiteral("could not be read (the disk is full)")))
            << d.openNotice().toStdString();
        d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz"));
        d.removeObjectForKey(QStringLiteral("url3"));
        QString why;
        EXPECT_FALSE(d.writeNowAndWait(10000, &why));
        EXPECT_TRUE(why.contains(QStringLiteral("full"))) << why.toStdString();

        {
            std::lock_guard lock(mutex);
            full = false;
        }
        ASSERT_TRUE(d.writeNowAndWait(10000, &why)) << why.toStdString();
        EXPECT_FALSE(writtenUnread);
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), 3);
        OtherProgram other(path);
        EXPECT_EQ(other.value(QStringLiteral("dirNo")), QStringLiteral("3"));
        EXPECT_EQ(other.value(QStringLiteral("dirIsanURL3")), QStringLiteral("1"));
        EXPECT_EQ(other.value(QStringLiteral("tagStr")), QStringLiteral("jazz"));
        EXPECT_EQ(other.value(QStringLiteral("url3")), QStringLiteral("<none>")) << "removed by this run";
    }
}

// Before, every change waiting when a late read came counted as this run's
// own: the defaults start-up wrote for keys it found missing, and tables
// written back as start-up had them from the empty store, replaced the
// stored values (the tag list at once, MIDI tables when a window closed).
TEST(UserDefaultsStore, OnlyThisRunsOwnChangesWinOverALateRead)
{
    HeldEarlierRun held;
    ASSERT_TRUE(held.locked);

    const struct {
        const char *what;
        QString key;
        QList<std::optional<QString>> provisional; // written in turn before the read, nullopt a removal
        QList<std::optional<QString>> changed;     // then the performer's changes
        QString stored;                             // once read, on disk and in memory
        QString memory = stored;                    // as a string, where the stored text is a bool's
    } rows[] = {
        {"a default for a key start-up found missing", QStringLiteral("tagStr"), {QStringLiteral("Pop")}, {},
         QStringLiteral("rock")},
        {"a default the file lacks too", QStringLiteral("fresh"), {QStringLiteral("5")}, {}, QStringLiteral("5")},
        {"a provisional removal", QStringLiteral("dirIsanURL3"), {std::nullopt}, {}, QStringLiteral("1"),
         QStringLiteral("true")},
        {"the performer's change", QStringLiteral("dirNo"), {}, {QStringLiteral("4")}, QStringLiteral("4")},
        {"the performer's change over a default", QStringLiteral("url3"), {QStringLiteral("/a")},
         {QStringLiteral("/b")}, QStringLiteral("/b")},
    };

    UserDefaults d;
    ASSERT_TRUE(d.open(held.path));
    ASSERT_FALSE(d.hasRead());
    QStringList memoryInHandler;
    QStringList diskInHandler;
    d.whenReadLate([&](const QString &) {
        for (const auto &row : rows) {
            memoryInHandler << d.stringForKey(row.key);
            diskInHandler << held.other.value(row.key);
        }
    });
    auto apply = [&d](const QString &key, const std::optional<QString> &value) {
        if (value)
            d.setString(key, *value);
        else
            d.removeObjectForKey(key);
    };
    {
        const UserDefaults::Provisional startUp(d);
        for (const auto &row : rows)
            for (const auto &value : row.provisional)
                apply(row.key, value);
    }
    for (const auto &row : rows)
        for (const auto &value : row.changed)
            apply(row.key, value);

    ASSERT_TRUE(held.other.run("COMMIT"));
    QString why;
    ASSERT_TRUE(d.writeNowAndWait(10000, &why)) << why.toStdString();
    ASSERT_EQ(memoryInHandler.size(), int(std::size(rows)));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto &row = rows[i];
        SCOPED_TRACE(row.what);
        const QString before = kStoredText(row.key);
        EXPECT_EQ(diskInHandler[int(i)], before) << "nothing is written before the program has reloaded";
        EXPECT_EQ(memoryInHandler[int(i)], row.memory);
        EXPECT_EQ(d.stringForKey(row.key), row.memory);
        EXPECT_EQ(held.other.value(row.key), row.stored);
    }

    // Once read, a scope begun before still never replaces a stored value; one begun after is a plain write.
    d.setInteger(QStringLiteral("dirNo"), 4);
    {
        const UserDefaults::Provisional afterRead(d);
        d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz"));
    }
    ASSERT_TRUE(d.writeNowAndWait(10000, &why)) << why.toStdString();
    EXPECT_EQ(held.other.value(QStringLiteral("tagStr")), QStringLiteral("jazz"));
}

// Before, only the Provisional depth kept a late read out of start-up and
// quit, and no test held it; a read taken inside a modal dialog's loop
// reloaded the program under that dialog's handler; and a dialog with a
// layout passed its layout for the watch on its closing, so the read was
// never taken.
TEST(UserDefaultsStore, ALateReadWaitsForStartUpQuitAndModalDialogs)
{
    const struct {
        const char *what;
        // Runs inside() while the read must wait.
        std::function<void(UserDefaults &, const std::function<void()> &inside)> hold;
    } rows[] = {
        {"start-up or quit",
         [](UserDefaults &d, const std::function<void()> &inside) {
             const UserDefaults::Provisional startUp(d);
             inside();
         }},
        {"a modal dialog",
         [](UserDefaults &, const std::function<void()> &inside) {
             QDialog dialog;
             auto *layout = new QVBoxLayout(&dialog);
             layout->addWidget(new QLabel(QStringLiteral("Sure?"), &dialog));
             layout->addWidget(new QPushButton(QStringLiteral("Ok"), &dialog));
             QTimer::singleShot(0, &dialog, [&]() {
                 inside();
                 QWidget *focus = QApplication::focusWidget();
                 QTest::keyClick(focus ? focus : &dialog, Qt::Key_Escape);
             });
             dialog.exec();
         }},
    };
    testsupport::CapturedWarnings log;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        HeldEarlierRun held;
        ASSERT_TRUE(held.locked);
        UserDefaults d;
        ASSERT_TRUE(d.open(held.path));
        bool holding = false;
        QList<bool> takenWhileHolding;
        d.whenReadLate([&](const QString &) { takenWhileHolding << holding; });
        const int readsBefore = log.lines().filter(QStringLiteral("has been read")).size();

        holding = true;
        row.hold(d, [&]() {
            ASSERT_TRUE(held.other.run("COMMIT"));
            d.writeNow([](bool, const QString &) {});
            while (log.lines().filter(QStringLiteral("has been read")).size() == readsBefore)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            EXPECT_FALSE(d.waitForWrites(0)) << "a wait here takes the read only where it may";
            QCoreApplication::processEvents();
            EXPECT_FALSE(d.hasRead());
        });
        holding = false;
        for (int turn = 0; turn < 3 && takenWhileHolding.isEmpty(); ++turn)
            QCoreApplication::processEvents();
        EXPECT_EQ(takenWhileHolding, QList<bool>{false}) << "taken once, right after";
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), 3);
    }
}

// Before, the main thread's turn of a late read reloaded every table key by
// key (77 ms for 10,000 trigger rows); work prepared from the values on the
// store's thread must not outlive a write of its keys.
TEST(UserDefaultsStore, WorkPreparedFromALateReadHoldsUntilItsKeysAreWritten)
{
    const struct {
        const char *what;
        bool writeWhilePreparing; // "dirNo" is written between the read and the take
        bool writeInHandler;      // "url3" is written in the handler before the check
    } rows[] = {
        {"nothing written", false, false},
        {"a key written before the take", true, false},
        {"a key written in the handler", false, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        HeldEarlierRun held;
        ASSERT_TRUE(held.locked);
        UserDefaults d;
        ASSERT_TRUE(d.open(held.path));
        d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz")); // this run's own change
        QString preparedTag;
        qint64 preparedDirNo = 0;
        quint64 readId = 0;
        d.prepareForLateRead([&](const UserDefaults::Snapshot &values, quint64 id) {
            preparedTag = values.objectForKey(QStringLiteral("tagStr")).toString();
            preparedDirNo = values.integerForKey(QStringLiteral("dirNo"));
            readId = id;
            if (row.writeWhilePreparing)
                d.setInteger(QStringLiteral("dirNo"), 8);
        });
        QList<bool> holds; // for "dirNo", "url3", "tagStr"
        d.whenReadLate([&](const QString &) {
            if (row.writeInHandler)
                d.setData(QStringLiteral("url3"), "/elsewhere");
            for (const char *key : {"dirNo", "url3", "tagStr"})
                holds << d.preparedStillHolds(readId, QString::fromLatin1(key));
        });
        ASSERT_TRUE(held.other.run("COMMIT"));
        QString why;
        ASSERT_TRUE(d.writeNowAndWait(10000, &why)) << why.toStdString();
        EXPECT_EQ(preparedTag, QStringLiteral("jazz")) << "prepared from the values the main thread takes";
        EXPECT_EQ(preparedDirNo, 3);
        EXPECT_EQ(holds, (QList<bool>{!row.writeWhilePreparing, !row.writeInHandler, true}));
        EXPECT_FALSE(d.preparedStillHolds(readId, QStringLiteral("tagStr"))) << "only in the handler";
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), row.writeWhilePreparing ? 8 : 3);
        EXPECT_EQ(d.stringForKey(QStringLiteral("tagStr")), QStringLiteral("jazz"));
        EXPECT_EQ(d.dataForKey(QStringLiteral("url3")),
                  row.writeInHandler ? QByteArray("/elsewhere") : QByteArray("/home/me/Songs"));
    }
}

// Before, the quit's writes of what start-up took from the empty store went
// over the file when it was read during the two seconds quitting waits.
TEST(UserDefaultsStore, AReadWhileClosingKeepsTheStoredValuesOverProvisionalOnes)
{
    HeldEarlierRun held;
    ASSERT_TRUE(held.locked);

    UserDefaults d;
    ASSERT_TRUE(d.open(held.path));
    d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz")); // the performer's, before quitting
    {
        const UserDefaults::Provisional quitting(d);
        d.setInteger(QStringLiteral("dirNo"), -1);
        d.setString(QStringLiteral("tagStr"), QStringLiteral("jazz"));
        d.removeObjectForKey(QStringLiteral("url3"));
    }
    ASSERT_TRUE(held.other.run("COMMIT"));
    d.close(10000);
    EXPECT_EQ(held.other.value(QStringLiteral("dirNo")), QStringLiteral("3"));
    EXPECT_EQ(held.other.value(QStringLiteral("url3")), QStringLiteral("/home/me/Songs"));
    EXPECT_EQ(held.other.value(QStringLiteral("tagStr")), QStringLiteral("jazz"));
}

// Before, a store that could not be read on a full disk said "disk I/O
// error": SQLite reports the "-shm" file it cannot make as an I/O error.
TEST(UserDefaultsStore, AStoreUnreadableOnAFullDiskSaysSo)
{
    const struct {
        int rc;
        int err;
        const char *said;
    } rows[] = {
        {SQLITE_FULL, 0, "could not be read (the disk is full)"},
        {SQLITE_IOERR_SHMOPEN, ENOSPC, "could not be read (the disk is full)"},
        {SQLITE_IOERR, EIO, "could not be read (disk I/O error)"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.said);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
        storeEarlierRun(path);
        UserDefaults d;
        d.setFault([&row](UserDefaults::Step) {
            errno = row.err;
            return row.rc;
        });
        d.open(path);
        EXPECT_FALSE(d.hasRead());
        EXPECT_TRUE(d.openNotice().contains(QLatin1String(row.said))) << d.openNotice().toStdString();
        d.setFault(nullptr);
        d.close(0);
    }
}

// Before, a write the store refused mid-run (a full disk) was said in the log
// alone; the performer learnt of it at the next start, if at all.
TEST(UserDefaultsStore, AWriteRefusedMidRunIsSaidOnce)
{
    const struct {
        const char *what;
        int openRc;  // the open's fault
        int writeRc; // each write's
        const char *said; // nullptr: nothing
    } rows[] = {
        {"a full disk", SQLITE_OK, SQLITE_FULL, "cannot be written now (the disk is full): changes are kept in memory"},
        {"a file another program holds", SQLITE_OK, SQLITE_BUSY, nullptr},
        {"a file the open found read-only", SQLITE_READONLY, SQLITE_READONLY, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
        storeEarlierRun(path);
        UserDefaults d;
        d.setFault([&row](UserDefaults::Step step) {
            return step == UserDefaults::Step::Write ? row.writeRc : step == UserDefaults::Step::Open ? row.openRc : SQLITE_OK;
        });
        d.open(path);
        QStringList said;
        d.whenWriteRefused([&said](const QString &notice) { said << notice; });
        for (int i = 0; i < 3; ++i) {
            d.setString(QStringLiteral("tagStr"), QStringLiteral("rock\nTag%1\n").arg(i));
            EXPECT_FALSE(d.writeNowAndWait(10000, nullptr));
        }
        testsupport::processEvents();
        EXPECT_EQ(said.size(), row.said ? 1 : 0) << said.join('\n').toStdString();
        if (row.said && !said.isEmpty()) {
            EXPECT_TRUE(said.first().contains(QLatin1String(row.said))) << said.first().toStdString();
        }
        d.setFault(nullptr);
        d.close(0);
    }
}

// Before, a store write refused by the file-size limit (ulimit -f) said "disk
// I/O error".
TEST(UserDefaultsStore, AWriteOverTheFileSizeLimitSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    const testsupport::LimitedWrite r = testsupport::writeUnderFileSizeLimit(64 * 1024, [&](QString *error) {
        UserDefaults d;
        d.open(path);
        d.setString(QStringLiteral("chordLibrary"), QString(200 * 1024, QLatin1Char('C')));
        const bool ok = d.writeNowAndWait(10000, error);
        d.close(0);
        return ok;
    });
    EXPECT_FALSE(r.killed);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("the settings file is too large for the file-size limit (65536 bytes)"));
}

// Before, a store that another program held locked was called damaged and
// moved aside, and the program started with empty settings; and every write
// then waited two seconds on the main thread (start took 23 s, quit 283 s).
TEST(UserDefaultsStore, ALockedStoreIsKeptAndWritesNeverWait)
{
    const struct {
        const char *what;
        const char *journal; // the file's journal mode
        const char *lock;    // what the other program holds
        bool readable;       // our open can still read the file
    } rows[] = {
        {"a writer in a write-ahead log", "PRAGMA journal_mode=WAL", "BEGIN IMMEDIATE", true},
        {"an exclusive lock on a rollback journal", "PRAGMA journal_mode=DELETE", "BEGIN EXCLUSIVE", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
        {
            UserDefaults first;
            ASSERT_TRUE(first.open(path));
            first.setInteger(QStringLiteral("dirNo"), 3);
        }
        OtherProgram other(path);
        ASSERT_TRUE(other.run(row.journal));
        ASSERT_TRUE(other.run(row.lock));
        ASSERT_TRUE(other.run("INSERT OR REPLACE INTO defaults VALUES (x'4100', 1, '7')"));

        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        EXPECT_TRUE(setAside(dir).isEmpty());
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), row.readable ? 3 : 0);
        EXPECT_EQ(d.openNotice().contains(QStringLiteral("locked")), !row.readable) << d.openNotice().toStdString();

        QElapsedTimer mainThread;
        mainThread.start();
        for (int i = 0; i < 200; ++i)
            d.setInteger(QStringLiteral("MidiTrig_channel_%1").arg(i), i);
        d.setInteger(QStringLiteral("dirNo"), 5);
        EXPECT_LT(mainThread.elapsed(), 500) << "writes waited for the lock";
        EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), 5) << "reads come from memory";
        EXPECT_FALSE(d.waitForWrites(0));

        ASSERT_TRUE(other.run("COMMIT"));
        EXPECT_TRUE(d.waitForWrites(10000));
        EXPECT_EQ(other.value(QStringLiteral("dirNo")), QStringLiteral("5"));
        EXPECT_EQ(other.value(QStringLiteral("MidiTrig_channel_199")), QStringLiteral("199"));
        EXPECT_EQ(other.value(QStringLiteral("A")), QStringLiteral("7")) << "the other program's row stays";
    }
}

TEST(UserDefaultsStore, QuitWaitsBoundedAndLogsWhatCouldNotBeWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    testsupport::CapturedWarnings log;
    {
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        OtherProgram other(path);
        ASSERT_TRUE(other.run("BEGIN IMMEDIATE"));
        ASSERT_TRUE(other.run("INSERT INTO defaults VALUES (x'42', 1, '1')"));
        d.setString(QStringLiteral("tagStr"), QStringLiteral("rock"));
        QElapsedTimer quit;
        quit.start();
        d.close(300);
        EXPECT_LT(quit.elapsed(), 1500);
        other.run("ROLLBACK");
        EXPECT_EQ(other.value(QStringLiteral("tagStr")), QStringLiteral("<none>"));
    }
    EXPECT_TRUE(log.lines().filter(QStringLiteral("could not be written")).join(QString()).contains(QStringLiteral("tagStr")))
        << log.lines().join('\n').toStdString();

    // Before, a store locked since the open held the quit two seconds for the
    // program's own writes, which could only have filled keys the file lacks.
    HeldEarlierRun held;
    UserDefaults unread;
    ASSERT_TRUE(held.locked && unread.open(held.path));
    {
        const UserDefaults::Provisional quitting(unread);
        unread.setInteger(QStringLiteral("NbrExec"), 5);
    }
    QElapsedTimer quit;
    quit.start();
    unread.close(2000);
    EXPECT_LT(quit.elapsed(), 1000);
}

// Before, a settings file deleted while the program ran was never made again:
// every later write went to the unlinked file and was lost at quit.
TEST(UserDefaultsStore, ADeletedStoreIsRecreatedWithEverythingInMemory)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    d.setInteger(QStringLiteral("dirNo"), 2);
    d.setString(QStringLiteral("tagStr"), QStringLiteral("rock pop"));
    ASSERT_TRUE(d.waitForWrites(10000));
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QString::fromUtf8(suffix));
    d.setBool(QStringLiteral("OptWasSaved"), true);
    ASSERT_TRUE(d.waitForWrites(10000));
    ASSERT_TRUE(QFileInfo::exists(path));
    OtherProgram other(path);
    EXPECT_EQ(other.value(QStringLiteral("dirNo")), QStringLiteral("2"));
    EXPECT_EQ(other.value(QStringLiteral("tagStr")), QStringLiteral("rock pop"));
    EXPECT_EQ(other.value(QStringLiteral("OptWasSaved")), QStringLiteral("1"));
}

TEST(UserDefaultsStore, OnlyDamageSetsAStoreAside)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes a read-only file";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    {
        UserDefaults first;
        ASSERT_TRUE(first.open(path));
        first.setInteger(QStringLiteral("dirNo"), 4);
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    UserDefaults d;
    EXPECT_TRUE(d.open(path));
    EXPECT_TRUE(setAside(dir).isEmpty());
    EXPECT_EQ(d.integerForKey(QStringLiteral("dirNo")), 4);
    EXPECT_TRUE(d.openNotice().contains(QStringLiteral("cannot be written")));
    d.setInteger(QStringLiteral("dirNo"), 6);
    EXPECT_FALSE(d.waitForWrites(0));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(d.waitForWrites(10000));
    OtherProgram other(path);
    EXPECT_EQ(other.value(QStringLiteral("dirNo")), QStringLiteral("6"));
}
