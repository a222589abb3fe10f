#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;

namespace platform {

// The user-defaults store: flat keys spelt exactly as the rest of the program
// spells them (any character, "/" and NUL included) mapped to typed values.
// An absent key reads as 0, false or empty, and contains() tells it apart
// from an empty value. Kept in one SQLite database.
//
// Reads are served from memory and writes never wait on the disk: a writer
// thread takes the changes in batches, each batch one transaction (a Batch
// keeps a table of records in one), so a crash never leaves half a write.
// While another program holds the file locked, or it cannot be written, the
// changes stay in memory and are written once it can be; a file deleted
// meanwhile is made again with everything in memory. Only a damaged file is
// set aside; closing waits at most two seconds for changes not yet written.
class UserDefaults {
public:
    enum class Type { Integer = 1, Double, Bool, String, Data, Date, Color, StringList };

    // The standard store of the running program (in memory until opened).
    static UserDefaults &standard();
    // $TOLVANE_CONFIG_DIR/defaults.sqlite, else $XDG_CONFIG_HOME/tolvane/defaults.sqlite.
    static QString defaultDatabasePath();
    // Reopens the standard store on a file (an empty path: in memory only).
    static bool openStandard(const QString &databasePath);

    UserDefaults();
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // A damaged file (not a database, or failing its integrity check) is
    // renamed aside and an empty store starts. A file locked by another
    // program, read-only or unreadable is kept: what could be read is used.
    // False only when no store could be kept on disk at all.
    bool open(const QString &databasePath);
    // Waits at most waitMs for the changes not yet written, logs those that
    // could not be, and closes.
    void close(int waitMs = 2000);
    QString path() const { return path_; }
    // One sentence for the performer when the file was set aside or cannot be
    // written now (said once, at start); empty when all is well.
    QString openNotice() const;
    // Waits at most timeoutMs for every change so far to be on disk; false
    // when some are still waiting (the file locked or read-only).
    bool waitForWrites(int timeoutMs);

    bool contains(const QString &key) const;
    QVariant objectForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    QDateTime dateForKey(const QString &key) const;
    QColor colorForKey(const QString &key) const;
    QStringList stringListForKey(const QString &key) const;
    QStringList allKeys() const;

    void setInteger(const QString &key, qint64 value);
    void setDouble(const QString &key, double value);
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void setDate(const QString &key, const QDateTime &value);
    void setColor(const QString &key, const QColor &value);
    void setStringList(const QString &key, const QStringList &value);
    void removeObjectForKey(const QString &key);
    void removeAll();
    // Kept for callers that ask for it; writes are already durable.
    void synchronize() {}

    // Groups the writes made during its lifetime into one transaction
    // (tables of records are rewritten whole).
    class Batch {
    public:
        explicit Batch(UserDefaults &defaults);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        UserDefaults &defaults_;
    };

private:
    // One change waiting for the disk, its value already encoded.
    struct Op {
        enum class Kind { Set, Remove, RemoveAll } kind = Kind::Set;
        QByteArray key;
        int type = 0;
        QByteArray value;
    };
    enum class Health { Healthy, Damaged, Locked, ReadOnly, Unavailable };

    void write(const QString &key, Type type, const QVariant &value);
    void enqueue(Op op);
    void clearCache();

    // Disk side (UserDefaultsStore.cpp): sqlite is used by open() and, once
    // open() has returned, only by the writer thread.
    Health openDatabase(const QString &databasePath, bool readOnly);
    Health prepareDatabase();
    Health loadAll();
    void closeDatabase();
    QString setAside(const QString &databasePath);
    void startWriter();
    void stopWriter(int waitMs);
    void writerLoop();
    bool writeBatch(std::vector<Op> &ops, QString *error);
    bool ensureWritable(bool *recreated, QString *error);
    std::vector<Op> snapshot() const;
    bool exec(const char *sql, int *rc = nullptr);
    static Health healthOf(int sqliteCode);
    static int busyHandler(void *self, int count);

    // Readers on any thread take only cacheMutex_, so they never wait for the disk.
    mutable std::mutex cacheMutex_;
    QHash<QString, QPair<Type, QVariant>> values_;

    // The queue of changes between the callers and the writer thread.
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::condition_variable written_;
    std::vector<Op> pending_;
    bool writing_ = false;   // a batch taken from pending_ is being written
    bool stopping_ = false;
    bool retryNow_ = false;
    int batchDepth_ = 0;
    std::chrono::steady_clock::time_point deadline_; // while stopping
    std::thread writer_;
    std::atomic<qint64> giveUpAtMs_{0}; // steady-clock ms after which a busy file is no longer waited for
    std::atomic<int> busyBudgetMs_{100};

    sqlite3 *db_ = nullptr;
    bool readOnly_ = false;
    quint64 fileId_ = 0; // device and inode, to notice the file deleted or replaced
    QString path_;
    QString notice_;
    QString lastWriteError_;
};

} // namespace platform
