#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
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
// set aside; closing waits at most two seconds for changes not yet written
// (for a file held locked, not for one that refuses them).
//
// Nothing is ever written to a file this run has not read: one that could not
// be read at open (locked, disk full) is tried again every second. Once read,
// its values are taken, except those this run changed itself (writes in a
// Provisional scope do not count), and only then are the changes written.
// With an application object the values are taken on the main thread, in one
// step with the late-read handler, so the program reloads what it took from
// the empty store before anything it holds can be written over the file.
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
    // program, read-only or unreadable is kept; one that could not be read
    // starts empty and is read later. False only when no store could be kept
    // on disk at all.
    bool open(const QString &databasePath);
    // Whether the file's settings are in memory (always, without a file).
    bool hasRead() const;
    // Runs handler on the main thread once a file that could not be read at
    // open has been read, with one sentence for the performer. The file's
    // values are in memory when it runs, and nothing is written before it returns.
    void whenReadLate(std::function<void(const QString &notice)> handler);
    // Work the handler would do on the main thread, done before on the
    // store's thread: prepare runs there with the values the main thread is
    // to take (keeping no copy of them), and readId naming this read.
    class Snapshot;
    void prepareForLateRead(std::function<void(const Snapshot &values, quint64 readId)> prepare);
    // In the late-read handler of read readId: whether the work prepared
    // still holds, no key beginning with prefix having been written since.
    bool preparedStillHolds(quint64 readId, const QString &prefix) const;
    // Whatever the program takes from the store at start is taken by one
    // function per part: read runs now and, when the file is read late, again
    // on the main thread before the late-read handler, in the order the parts
    // were given, so nothing still holds a value the file did not have. A part
    // given again (the same name and owner) replaces the earlier one; with an
    // owner it ends with the owner.
    void readStored(const QString &part, std::function<void()> read, const QObject *owner = nullptr);
    // The same without the run now: for a window that read the store when it
    // opened and must show the file's values once read.
    void afterLateRead(const QString &part, std::function<void()> read, const QObject *owner = nullptr);
    // Waits at most waitMs for the changes not yet written (not for the
    // program's own, where the file refused them or was never read), logs
    // those that could not be (at a quit, keeps them aside:
    // platform/KeptAtQuit.h), and closes. A file that refuses the write
    // itself (read-only, full, over the size limit) is tried once, not
    // waited for. At a quit no longer than the quit has left
    // (quitWaitLeftMs), the file still tried once. A file read meanwhile is
    // taken without the late-read handler.
    void close(int waitMs = 2000);
    QString path() const { return path_; }
    // One sentence for the performer when the file was set aside, could not
    // be read or cannot be written now (said once, at start); empty when all
    // is well.
    QString openNotice() const;
    // Runs handler on the main thread the first time this run the file
    // refuses a write (a full disk), with one sentence for the performer;
    // never when the open notice said the file cannot be written, nor for a
    // file another program holds for a moment.
    void whenWriteRefused(std::function<void(const QString &notice)> handler);
    // Waits at most timeoutMs for every change so far to be on disk; false
    // when some are still waiting (the file locked or read-only). On the main
    // thread, a file read meanwhile is taken here, late-read handler included.
    bool waitForWrites(int timeoutMs);
    // For a save the performer asked for: every change so far is tried at
    // once, and done runs on the main thread, ok once they are on disk, else
    // with why the try failed; at once when nothing waits (or there is no
    // file). Changes that failed stay waiting like any other.
    void writeNow(std::function<void(bool ok, const QString &why)> done);
    // The same, waiting on the calling thread at most timeoutMs (at a quit,
    // no more than the quit has left: quitWaitLeftMs).
    bool writeNowAndWait(int timeoutMs, QString *why);

    // Tests only: asked before each open and each write of the file; a
    // non-zero SQLite result code fails that step as SQLite would (a full
    // disk, on which SQLite cannot make the file's "-shm" companion), with
    // the errno the fault leaves set.
    enum class Step { Open, OpenImmutable, Write };
    void setFault(std::function<int(Step)> fault);

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
    // Every value as it is now, for reading many keys in one step.
    Snapshot snapshot() const;

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

    // Writes of what the program took from the store at start-up, or of its
    // defaults for keys it found missing, are not the performer's changes. In
    // a scope begun while the file is unread they never replace a stored
    // value: the file's value wins when it is read, and once read they only
    // fill keys it does not hold. Begun once the file is read, it does nothing.
    class Provisional {
    public:
        explicit Provisional(UserDefaults &defaults);
        ~Provisional();
        Provisional(const Provisional &) = delete;
        Provisional &operator=(const Provisional &) = delete;

    private:
        UserDefaults &defaults_;
        bool active_ = false;
    };

    // Writes the program keeps for itself (a run count, what start-up writes
    // of what it took or its defaults): written with the rest, but no change
    // of the performer's, so never kept aside at a quit; nor is a later write
    // that gives a key the file lacks the value one of these gave it.
    class Bookkeeping {
    public:
        explicit Bookkeeping(UserDefaults &defaults);
        ~Bookkeeping();
        Bookkeeping(const Bookkeeping &) = delete;
        Bookkeeping &operator=(const Bookkeeping &) = delete;

    private:
        UserDefaults &defaults_;
    };

    // What the program took at start-up, as a quit would write it: writes in
    // this scope change nothing, and a later write of the same value to a key
    // the file lacks is no change of the performer's either.
    class Baseline {
    public:
        explicit Baseline(UserDefaults &defaults);
        ~Baseline();
        Baseline(const Baseline &) = delete;
        Baseline &operator=(const Baseline &) = delete;

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
        bool provisional = false; // see Provisional and Bookkeeping
    };
    // A file read late: its values wait for the main thread, then are taken
    // while the late-read handler runs.
    enum class Late { None, Waiting, Taking };
    enum class Health { Healthy, Damaged, Locked, ReadOnly, Unavailable };
    using Values = QHash<QString, QPair<Type, QVariant>>;
    // Someone waiting for the changes made before it to be tried.
    struct Waiter {
        quint64 afterTry = 0;
        std::function<void(bool ok, const QString &why)> done;
    };

    void write(const QString &key, Type type, const QVariant &value);
    void enqueue(Op op);
    void clearCache();

    // Disk side (UserDefaultsStore.cpp): sqlite is used by open() and, once
    // open() has returned, only by the writer thread.
    Health openDatabase(const QString &databasePath, bool readOnly, bool immutable = false);
    Health prepareDatabase();
    Health loadAll(Values *out);
    // Reads path_ into out, setting a damaged file aside; why says what stopped it.
    Health readStore(Values *out, QString *aside, QString *why, bool *writable);
    void readAgain(std::unique_lock<std::mutex> &lock);
    // A late read's values joined with this run's own changes, and what the
    // join replaced, to join them again should the program write meanwhile.
    struct Join {
        Values values;
        QSet<QString> yielded; // provisional writes the file's values win over
        Values replaced;       // the file's values of keys this run changed
        QSet<QString> added;   // keys this run changed that the file lacks
        bool cleared = false;
    };
    Join joinOwnChanges(Values stored) const;
    void install(Join join);
    void takeJoined();
    void takeLateRead(std::unique_lock<std::mutex> &lock, bool withHandler);
    void takeLateReadOnMain();
    void postTake();
    bool mayTakeHere() const;
    bool mayTakeNow() const;
    // Waits at most timeoutMs for done, taking a file read late meanwhile on the main thread.
    bool waitTakingLateRead(std::unique_lock<std::mutex> &lock, int timeoutMs, const std::function<bool()> &done);
    // Whether a write in a Provisional scope is one, or else must leave a stored value.
    bool provisionalNow() const { return !read_ && late_ != Late::Taking; }
    // Why the file could not be read or written, in the performer's words.
    bool diskFull(int sqliteCode) const;
    bool overFileSizeLimit(int sqliteCode) const;
    QString failureText(int sqliteCode) const;
    // failureText where it names the cause, else `otherwise`.
    QString writeFailureText(int sqliteCode, const QString &otherwise) const;
    void endTry(bool ok);
    int faultAt(Step step) const;
    Health failWith(int sqliteCode);
    void closeDatabase();
    QString setAside(const QString &databasePath);
    void startWriter();
    void stopWriter(int waitMs);
    // At a quit: the changes the file could not take, kept aside in a file.
    void keepUnwritten() const;
    // What the file holds as far as this run knows, values encoded: as read,
    // then as written. A key whose last change leaves it as the file holds it
    // was not changed, whatever was written meanwhile.
    using Held = QHash<QString, QPair<int, QByteArray>>;
    void holdAsRead(const Values &values);
    void holdAsWritten(const std::vector<Op> &ops, bool recreated);
    // ops without the keys they leave as the file holds them (the file read),
    // and without the program's own writes (of keys only it wrote) when
    // dropOwn; queueMutex_ held.
    std::vector<Op> changesOnly(const std::vector<Op> &ops, bool dropOwn) const;
    void sayRefused(const QString &why);
    void writerLoop();
    bool writeBatch(std::vector<Op> &ops, QString *error);
    bool ensureWritable(bool *recreated, QString *error);
    std::vector<Op> allAsOps() const;
    bool exec(const char *sql, int *rc = nullptr);
    static Health healthOf(int sqliteCode);
    static int busyHandler(void *self, int count);

    // Readers on any thread take only cacheMutex_, so they never wait for the disk.
    mutable std::mutex cacheMutex_;
    Values values_;
    // From a late read's join to the end of its handler: the keys written since.
    quint64 trackingFor_ = 0;
    QSet<QString> writtenSince_;
    bool clearedSince_ = false;

    // The queue of changes between the callers and the writer thread.
    mutable std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::condition_variable written_;
    std::vector<Op> pending_;
    bool writing_ = false;   // a batch taken from pending_ is being written
    bool stopping_ = false;
    bool retryNow_ = false;
    bool read_ = true;        // the file's contents are in memory
    quint64 triesStarted_ = 0; // reads and writes of the file begun
    quint64 triesDone_ = 0;
    bool lastTryFailed_ = false;
    std::vector<Waiter> waiters_;
    std::function<void(const QString &)> readLateHandler_;
    std::function<void(const QString &)> refusedHandler_;
    QString refusedNotice_;   // said before a handler was given
    bool refusalSaid_ = false;
    bool lastTryBusy_ = false; // writer thread: the last write failed on another program's lock
    bool lastTryRefused_ = false; // the file itself refused the last write (read-only, full, too large)
    Held fileHeld_;
    // The values the program's own writes gave (queueMutex_).
    Held ownHeld_;
    // Parts read again after a late read (main thread only).
    struct StoredPart {
        QString name;
        const QObject *owner = nullptr;
        QPointer<const QObject> alive;
        std::function<void()> read;
    };
    std::vector<StoredPart> storedParts_;
    void runStoredParts();
    // Waits for the modal window a late read waits on (main thread only).
    class ModalWatch;
    QPointer<ModalWatch> modalWatch_;
    QString readLateNotice_;  // once read late, until a handler takes it
    Late late_ = Late::None;
    Join lateJoin_;
    quint64 lateReadId_ = 0;
    std::vector<std::function<void(const Snapshot &, quint64)>> preparers_;
    QString lateNotice_;
    std::shared_ptr<UserDefaults *> alive_ = std::make_shared<UserDefaults *>(this); // for work posted to the main thread
    int batchDepth_ = 0;
    int provisionalDepth_ = 0; // Provisional scopes begun while unread
    int bookkeepingDepth_ = 0;
    int baselineDepth_ = 0;
    std::chrono::steady_clock::time_point deadline_; // while stopping
    std::thread writer_;
    std::atomic<qint64> giveUpAtMs_{0}; // steady-clock ms after which a busy file is no longer waited for
    std::atomic<int> busyBudgetMs_{100};

    mutable std::mutex faultMutex_;
    std::function<int(Step)> fault_;

    sqlite3 *db_ = nullptr;
    int failedRc_ = 0; // the SQLite code of the last failed open or read
    int failedErrno_ = 0; // and the system's errno then
    bool readOnly_ = false;
    quint64 fileId_ = 0; // device and inode, to notice the file deleted or replaced
    QString path_;
    QString notice_;
    QString lastWriteError_;
};

// The values of a store at one moment, read without its lock: a table of
// thousands of rows is read in one step, and the store's writes meanwhile
// leave it as it was (the store copies its values once, at its next write,
// while a snapshot is kept).
class UserDefaults::Snapshot {
public:
    qsizetype size() const { return values_.size(); }
    QVariant objectForKey(const QString &key) const;
    // As UserDefaults::integerForKey; stored, when given, says whether the key is there.
    qint64 integerForKey(const QString &key, bool *stored = nullptr) const;

private:
    friend class UserDefaults;
    explicit Snapshot(Values values) : values_(std::move(values)) {}
    Values values_;
};

} // namespace platform
