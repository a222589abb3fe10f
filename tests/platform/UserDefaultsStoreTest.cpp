#include "platform/UserDefaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

using platform::UserDefaults;

namespace {

// A second program's connection to the same file.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path) { sqlite3_open(path.toUtf8().constData(), &db_); }
    ~OtherProgram() { sqlite3_close(db_); }
    bool run(const char *sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    // The stored text of a key, "<none>" when absent.
    QString value(const QString &key)
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db_, "SELECT value FROM defaults WHERE key = ?", -1, &stmt, nullptr);
        const QByteArray k(reinterpret_cast<const char *>(key.utf16()), key.size() * 2);
        sqlite3_bind_blob(stmt, 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
        QString out = QStringLiteral("<none>");
        if (sqlite3_step(stmt) == SQLITE_ROW)
            out = QString::fromUtf8(static_cast<const char *>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }

private:
    sqlite3 *db_ = nullptr;
};

QStringList setAside(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("*.damaged-*")});
}

// Collects the warnings the store logs.
QStringList *g_log = nullptr;
void collect(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (g_log)
        g_log->append(text);
}

} // namespace

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
    QStringList log;
    g_log = &log;
    const QtMessageHandler previous = qInstallMessageHandler(collect);
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
    qInstallMessageHandler(previous);
    g_log = nullptr;
    EXPECT_TRUE(log.filter(QStringLiteral("could not be written")).join(QString()).contains(QStringLiteral("tagStr")))
        << log.join('\n').toStdString();
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
