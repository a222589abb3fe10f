// The disk side of the user defaults: opening (and setting aside only a
// damaged file), and the writer thread that takes the changes in batches.
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/MainThreadFiles.h"
#include "platform/UserDefaults.h"
#include "platform/UserDefaultsCodec.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>
#include <memory>
#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

using namespace defaultscodec;
using namespace std::chrono_literals;

namespace {

using SteadyClock = std::chrono::steady_clock;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count();
}

// Device and inode of the file, 0 when there is none.
quint64 fileIdentity(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return (quint64(st.st_dev) << 40) ^ quint64(st.st_ino) ^ 1;
}

// A busy file at open is waited for this long, once; a write, this long per try.
constexpr int kOpenBusyMs = 500;
constexpr int kWriteBusyMs = 100;
// A close whose quit has spent its waits still tries the file once: a local
// file is written in milliseconds, and a locked one is given this much.
constexpr int kLastTryMs = 50;
constexpr auto kFirstRetry = 50ms;
constexpr auto kLastRetry = 1000ms;
// A file that could not be read is tried again this often.
constexpr auto kReadRetry = 1000ms;

} // namespace

int UserDefaults::busyHandler(void *self, int count)
{
    auto *d = static_cast<UserDefaults *>(self);
    const qint64 giveUpAt = d->giveUpAtMs_.load();
    if ((giveUpAt != 0 && nowMs() >= giveUpAt) || count * 5 >= d->busyBudgetMs_.load())
        return 0;
    std::this_thread::sleep_for(5ms);
    return 1;
}

UserDefaults::Health UserDefaults::healthOf(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return Health::Healthy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return Health::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return Health::Locked;
    case SQLITE_READONLY: return Health::ReadOnly;
    default: return Health::Unavailable;
    }
}

bool UserDefaults::exec(const char *sql, int *rc)
{
    const int r = db_ ? sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
    if (rc)
        *rc = r;
    return r == SQLITE_OK;
}

UserDefaults::Health UserDefaults::failWith(int rc)
{
    failedRc_ = rc;
    failedErrno_ = db_ ? sqlite3_system_errno(db_) : errno;
    return healthOf(rc);
}

bool UserDefaults::diskFull(int rc) const
{
    if ((rc & 0xFF) == SQLITE_FULL)
        return true;
    // On a full disk SQLite often fails making the "-shm" file, which it
    // reports as an I/O error: errno, or the free space, tells them apart.
    if ((rc & 0xFF) != SQLITE_IOERR)
        return false;
    struct statvfs fs {};
    return failedErrno_ == ENOSPC || failedErrno_ == EDQUOT
           || (::statvfs(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), &fs) == 0 && fs.f_bavail == 0);
}

bool UserDefaults::overFileSizeLimit(int rc) const
{
    // SQLite reports a write refused past the limit as an I/O error, most
    // often without its errno (EFBIG): the file it stopped at tells.
    if ((rc & 0xFF) != SQLITE_IOERR && (rc & 0xFF) != SQLITE_FULL)
        return false;
    qint64 largest = 0;
    for (const QString &file : {path_, path_ + QStringLiteral("-wal"), path_ + QStringLiteral("-journal")})
        largest = std::max(largest, QFileInfo(file).size());
    return !fileSizeLimitText(failedErrno_ == EFBIG ? std::numeric_limits<qint64>::max() : largest + 1).isEmpty();
}

QString UserDefaults::failureText(int rc) const
{
    if (overFileSizeLimit(rc))
        return QStringLiteral("the settings file is ") + fileSizeLimitText(std::numeric_limits<qint64>::max());
    return diskFull(rc) ? QStringLiteral("the disk is full") : QString::fromUtf8(sqlite3_errstr(rc));
}

QString UserDefaults::writeFailureText(int rc, const QString &otherwise) const
{
    return diskFull(rc) || overFileSizeLimit(rc) ? failureText(rc) : otherwise;
}

int UserDefaults::faultAt(Step step) const
{
    std::lock_guard lock(faultMutex_);
    return fault_ ? fault_(step) : SQLITE_OK;
}

void UserDefaults::setFault(std::function<int(Step)> fault)
{
    std::lock_guard lock(faultMutex_);
    fault_ = std::move(fault);
}

UserDefaults::Health UserDefaults::openDatabase(const QString &databasePath, bool readOnly, bool immutable)
{
    closeDatabase();
    if (const int rc = faultAt(immutable ? Step::OpenImmutable : Step::Open))
        return failWith(rc);
    int flags = (readOnly || immutable ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
                | SQLITE_OPEN_FULLMUTEX;
    QByteArray target = databasePath.toUtf8();
    if (immutable) {
        // Neither locks nor the "-shm" file: readable on a full disk.
        flags |= SQLITE_OPEN_URI;
        target = QUrl::fromLocalFile(databasePath).toEncoded() + "?immutable=1";
    }
    const int rc = sqlite3_open_v2(target.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const Health health = failWith(rc);
        closeDatabase();
        return health;
    }
    sqlite3_busy_handler(db_, &UserDefaults::busyHandler, this);
    const QByteArray name = QFile::encodeName(databasePath);
    readOnly_ = readOnly || sqlite3_db_readonly(db_, "main") == 1
                || (::access(name.constData(), F_OK) == 0 && ::access(name.constData(), W_OK) != 0);
    fileId_ = fileIdentity(databasePath);
    return Health::Healthy;
}

UserDefaults::Health UserDefaults::prepareDatabase()
{
    sqlite3_stmt *check = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(check);
        if (rc == SQLITE_ROW
            && qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)), "ok") != 0) {
            sqlite3_finalize(check);
            return failWith(SQLITE_CORRUPT);
        }
    }
    sqlite3_finalize(check);
    if (healthOf(rc) != Health::Healthy)
        return failWith(rc);
    // Only known once the file was first read: SQLite falls back to reading
    // a file it may not write.
    if (sqlite3_db_readonly(db_, "main") == 1)
        readOnly_ = true;
    if (readOnly_)
        return Health::Healthy;
    // Write-ahead logging lets other programs read while this one writes; a
    // file busy now keeps the mode it has.
    exec("PRAGMA journal_mode=WAL", &rc);
    if (healthOf(rc) == Health::Damaged)
        return failWith(rc);
    exec("PRAGMA synchronous=FULL");
    if (!exec("CREATE TABLE IF NOT EXISTS defaults (key BLOB PRIMARY KEY, type INTEGER NOT NULL, "
              "value BLOB NOT NULL)",
              &rc)) {
        if (healthOf(rc) == Health::ReadOnly) {
            readOnly_ = true;
            return Health::Healthy;
        }
        return failWith(rc);
    }
    return Health::Healthy;
}

UserDefaults::Health UserDefaults::loadAll(Values *out)
{
    Values loaded;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT key, type, value FROM defaults", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        // A file opened read-only before the program ever wrote it has no table.
        if (rc == SQLITE_ERROR) {
            out->clear();
            return Health::Healthy;
        }
        return failWith(rc);
    }
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const QString key = keyFromBytes(sqlite3_column_blob(stmt, 0), sqlite3_column_bytes(stmt, 0));
        const int typeCode = sqlite3_column_int(stmt, 1);
        if (typeCode < 1 || typeCode > static_cast<int>(Type::StringList))
            continue;
        const Type type = static_cast<Type>(typeCode);
        const QByteArray bytes(static_cast<const char *>(sqlite3_column_blob(stmt, 2)), sqlite3_column_bytes(stmt, 2));
        loaded.insert(key, {type, decode(type, bytes)});
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return failWith(rc);
    *out = std::move(loaded);
    return Health::Healthy;
}

void UserDefaults::closeDatabase()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    readOnly_ = false;
}

QString UserDefaults::setAside(const QString &databasePath)
{
    // A name not taken yet: a second damaged file in the same second must
    // neither overwrite the first nor leave the program without a store.
    const QString stamp = databasePath + QStringLiteral(".damaged-")
                          + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
        aside = QStringLiteral("%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(databasePath, aside))
        return QString();
    // The journal goes with its database: it may hold the last writes.
    QFile::rename(databasePath + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(databasePath + QStringLiteral("-shm"));
    return aside;
}

UserDefaults::Health UserDefaults::readStore(Values *out, QString *aside, QString *why, bool *writable)
{
    auto openAndLoad = [&]() {
        Health h = openDatabase(path_, false);
        // A file that cannot be opened for writing may still be read.
        if (h != Health::Healthy && QFileInfo::exists(path_))
            h = openDatabase(path_, true);
        if (h == Health::Healthy)
            h = prepareDatabase();
        if (h == Health::Healthy)
            h = loadAll(out);
        return h;
    };
    *writable = true;
    Health health = openAndLoad();
    if (health == Health::Damaged) {
        closeDatabase();
        out->clear();
        *aside = setAside(path_);
        qWarning().noquote() << QStringLiteral("UserDefaults open: %1 is damaged, %2")
                                    .arg(path_, aside->isEmpty() ? QStringLiteral("could not be moved aside")
                                                                 : QStringLiteral("moved to ") + *aside);
        health = aside->isEmpty() ? Health::Unavailable : openAndLoad();
    }
    if (health == Health::Healthy)
        return health;
    const int failed = failedRc_;
    const int failedErrno = failedErrno_;
    closeDatabase();
    const QFileInfo file(path_);
    if (!file.exists()) {
        // Nothing there to lose: the settings start empty and are written once they can be.
        out->clear();
        *writable = false;
        *why = failureText(failed);
        return Health::Healthy;
    }
    // A full disk leaves no room for the "-shm" file, but an immutable open
    // needs none. It does not see a write-ahead log, so only a file whose log
    // is empty is read that way; a lock means someone writes, so not then.
    failedErrno_ = failedErrno;
    const QFileInfo wal(path_ + QStringLiteral("-wal"));
    if ((health == Health::Unavailable || health == Health::ReadOnly) && (!wal.exists() || wal.size() == 0)) {
        Health h = openDatabase(path_, true, true);
        if (h == Health::Healthy)
            h = prepareDatabase();
        if (h == Health::Healthy)
            h = loadAll(out);
        closeDatabase();
        failedErrno_ = failedErrno;
        if (h == Health::Healthy) {
            *writable = false;
            *why = failureText(failed);
            return h;
        }
    }
    failedRc_ = failed;
    failedErrno_ = failedErrno;
    *why = health == Health::Locked ? QStringLiteral("it is locked by another program") : failureText(failed);
    out->clear();
    return health == Health::Damaged ? Health::Unavailable : health;
}

bool UserDefaults::open(const QString &databasePath)
{
    const MainThreadFileScope own("the settings file, the program's own, opened at start");
    close();
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    path_ = databasePath;
    busyBudgetMs_ = kOpenBusyMs;
    Values stored;
    QString aside;
    QString why;
    bool writable = true;
    const Health health = readStore(&stored, &aside, &why, &writable);
    busyBudgetMs_ = kWriteBusyMs;
    read_ = health == Health::Healthy;
    if (read_) {
        holdAsRead(stored);
        std::lock_guard lock(cacheMutex_);
        values_ = std::move(stored);
    } else {
        lastWriteError_ = why;
    }
    refusalSaid_ = !read_ || !writable || readOnly_;
    if (!aside.isEmpty())
        notice_ = QStringLiteral("The settings file \"%1\" was damaged: it was set aside as \"%2\" and the settings "
                                 "start afresh.")
                      .arg(databasePath, aside);
    else if (!read_)
        notice_ = QStringLiteral("The settings file \"%1\" could not be read (%2): the settings start from their "
                                 "defaults, and nothing is written to it until it has been read.")
                      .arg(databasePath, why);
    else if (!writable || readOnly_)
        notice_ = QStringLiteral("The settings file \"%1\" cannot be written: changes are written once it can be, "
                                 "or kept aside when Tolvane quits.")
                      .arg(databasePath);
    if (!notice_.isEmpty() && aside.isEmpty())
        qWarning().noquote() << QStringLiteral("UserDefaults open: %1").arg(notice_);
    startWriter();
    return read_ || QFileInfo::exists(databasePath);
}

void UserDefaults::close(int waitMs)
{
    const MainThreadFileScope own("the settings file, the program's own, closed at a quit");
    stopWriter(waitMs);
    closeDatabase();
    clearCache();
    path_.clear();
    notice_.clear();
    lastWriteError_.clear();
    std::lock_guard lock(queueMutex_);
    read_ = true;
    readLateHandler_ = nullptr;
    refusedHandler_ = nullptr;
    refusedNotice_.clear();
    refusalSaid_ = false;
    fileHeld_.clear();
    storedParts_.clear();
    readLateNotice_.clear();
    late_ = Late::None;
    lateJoin_ = Join();
    lateNotice_.clear();
}

void UserDefaults::startWriter()
{
    std::lock_guard lock(queueMutex_);
    stopping_ = false;
    retryNow_ = false;
    lastTryRefused_ = false;
    giveUpAtMs_ = 0;
    writer_ = std::thread([this]() { writerLoop(); });
}

void UserDefaults::stopWriter(int waitMs)
{
    {
        std::lock_guard lock(queueMutex_);
        if (!writer_.joinable())
            return;
        stopping_ = true;
        // Nothing to wait for where the changes leave the file as it is, nor
        // for the program's own where the file refused them or was never read.
        if (!writing_)
            pending_ = changesOnly(pending_, lastTryFailed_ || !read_);
        // A file that refused the last write is tried once more now rather than at its next retry.
        if (lastTryRefused_)
            retryNow_ = true;
        waitMs = quitWaitLeftMs(waitMs, kLastTryMs);
        deadline_ = SteadyClock::now() + std::chrono::milliseconds(waitMs);
        giveUpAtMs_ = nowMs() + waitMs;
        queueChanged_.notify_all();
    }
    writer_.join();
    std::lock_guard lock(queueMutex_);
    for (Waiter &waiter : waiters_)
        waiter.done(false, lastWriteError_.isEmpty() ? QStringLiteral("closed before it was written") : lastWriteError_);
    waiters_.clear();
    if (!pending_.empty()) {
        QStringList keys;
        for (const Op &op : pending_)
            keys << (op.kind == Op::Kind::RemoveAll ? QStringLiteral("(all)") : keyFromBytes(op.key.constData(), int(op.key.size())));
        keys.removeDuplicates();
        qWarning().noquote() << QStringLiteral("UserDefaults close: %1 changes could not be written to %2 (%3): %4")
                                    .arg(QString::number(pending_.size()), path_, lastWriteError_,
                                         keys.mid(0, 20).join(QStringLiteral(", ")));
        if (quitting())
            keepUnwritten();
    }
    pending_.clear();
    stopping_ = false;
    giveUpAtMs_ = 0;
}

bool UserDefaults::waitForWrites(int timeoutMs)
{
    std::unique_lock lock(queueMutex_);
    if (!writer_.joinable())
        return pending_.empty();
    retryNow_ = true;
    queueChanged_.notify_all();
    return waitTakingLateRead(lock, timeoutMs, [this]() { return read_ && pending_.empty() && !writing_; });
}

bool UserDefaults::waitTakingLateRead(std::unique_lock<std::mutex> &lock, int timeoutMs,
                                      const std::function<bool()> &done)
{
    // The main thread cannot run the posted take while it waits here, so it
    // takes a file read meanwhile itself.
    const bool takeHere = mayTakeHere();
    const auto takeNow = [&]() { return takeHere && mayTakeNow(); };
    const auto until = SteadyClock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        if (!written_.wait_until(lock, until, [&]() { return done() || takeNow(); }))
            return false;
        if (!takeNow())
            return true;
        takeLateRead(lock, true);
    }
}

void UserDefaults::writeNow(std::function<void(bool ok, const QString &why)> done)
{
    {
        std::lock_guard lock(queueMutex_);
        if (writer_.joinable() && !(read_ && pending_.empty() && !writing_)) {
            waiters_.push_back({triesStarted_, [done = std::move(done)](bool ok, const QString &why) {
                                    runOnMain([done, ok, why]() { done(ok, why); });
                                }});
            retryNow_ = true;
            queueChanged_.notify_all();
            return;
        }
    }
    done(true, QString());
}

bool UserDefaults::writeNowAndWait(int timeoutMs, QString *why)
{
    timeoutMs = quitWaitLeftMs(timeoutMs);
    std::unique_lock lock(queueMutex_);
    if (!writer_.joinable() || (read_ && pending_.empty() && !writing_))
        return true;
    auto result = std::make_shared<std::optional<std::pair<bool, QString>>>();
    waiters_.push_back({triesStarted_, [result](bool ok, const QString &reason) { *result = {ok, reason}; }});
    retryNow_ = true;
    queueChanged_.notify_all();
    if (!waitTakingLateRead(lock, timeoutMs, [&result]() { return result->has_value(); })) {
        if (why)
            *why = lastWriteError_.isEmpty() ? QStringLiteral("not written in time") : lastWriteError_;
        return false;
    }
    if (why)
        *why = (*result)->second;
    return (*result)->first;
}

void UserDefaults::endTry(bool ok)
{
    ++triesDone_;
    lastTryFailed_ = !ok;
    const bool allWritten = read_ && pending_.empty();
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        if (allWritten || (lastTryFailed_ && triesDone_ > it->afterTry)) {
            it->done(allWritten, allWritten ? QString() : lastWriteError_);
            it = waiters_.erase(it);
        } else {
            ++it;
        }
    }
    written_.notify_all();
}

void UserDefaults::enqueue(Op op)
{
    // Without a file there is only memory.
    if (!writer_.joinable())
        return;
    pending_.push_back(std::move(op));
    if (batchDepth_ == 0)
        queueChanged_.notify_all();
}

void UserDefaults::writerLoop()
{
    std::unique_lock lock(queueMutex_);
    auto backoff = std::chrono::duration_cast<SteadyClock::duration>(kFirstRetry);
    std::optional<SteadyClock::time_point> retryAt;
    if (!read_)
        retryAt = SteadyClock::now() + kReadRetry;
    auto done = [this]() { return stopping_ && (pending_.empty() || SteadyClock::now() >= deadline_); };
    bool waitSaid = false;
    for (;;) {
        // Values read late wait for the main thread, except at close.
        auto ready = [&]() {
            if (late_ != Late::None)
                return retryNow_ || done() || (stopping_ && late_ == Late::Waiting);
            return retryNow_ || done()
                   || (!retryAt && (!read_ || (!pending_.empty() && (batchDepth_ == 0 || stopping_))));
        };
        if (retryAt) {
            const SteadyClock::time_point wake = stopping_ ? std::min(*retryAt, deadline_) : *retryAt;
            if (stopping_ && !waitSaid && !ready()) {
                waitSaid = true;
                qWarning().noquote() << QStringLiteral("UserDefaults close: waiting for %1 to take %2 changes")
                                            .arg(path_, QString::number(pending_.size()));
            }
            if (!queueChanged_.wait_until(lock, wake, ready))
                retryAt.reset();
        } else {
            queueChanged_.wait(lock, ready);
        }
        if (retryNow_) {
            retryNow_ = false;
            retryAt.reset();
        }
        if (done())
            break;
        if (stopping_ && late_ == Late::Waiting)
            takeLateRead(lock, false);
        if (late_ != Late::None)
            continue;
        if (stopping_ && retryAt && SteadyClock::now() >= *retryAt)
            retryAt.reset();
        if (retryAt)
            continue;
        if (!read_) {
            readAgain(lock);
            if (!read_ && late_ == Late::None)
                retryAt = SteadyClock::now() + kReadRetry;
            if (!read_ && stopping_)
                pending_ = changesOnly(pending_, true);
            continue;
        }
        if (pending_.empty() || (batchDepth_ > 0 && !stopping_))
            continue;

        std::vector<Op> ops;
        ops.swap(pending_);
        writing_ = true;
        ++triesStarted_;
        lock.unlock();
        QString error;
        const bool ok = writeBatch(ops, &error);
        lock.lock();
        writing_ = false;
        lastTryRefused_ = !ok && !lastTryBusy_;
        if (ok) {
            backoff = kFirstRetry;
            if (!lastWriteError_.isEmpty())
                qWarning().noquote() << QStringLiteral("UserDefaults: %1 can be written again").arg(path_);
            lastWriteError_.clear();
        } else {
            pending_.insert(pending_.begin(), std::make_move_iterator(ops.begin()), std::make_move_iterator(ops.end()));
            if (stopping_)
                pending_ = changesOnly(pending_, true);
            // A quit does not wait on a file that refuses the write itself: its changes are kept aside at once.
            if (stopping_ && lastTryRefused_)
                deadline_ = SteadyClock::now();
            retryAt = SteadyClock::now() + backoff;
            backoff = std::min<SteadyClock::duration>(backoff * 2, kLastRetry);
            if (error != lastWriteError_)
                qWarning().noquote() << QStringLiteral("UserDefaults: changes kept in memory, %1: %2").arg(path_, error);
            lastWriteError_ = error;
            if (!stopping_ && !refusalSaid_ && !lastTryBusy_)
                sayRefused(error);
        }
        endTry(ok);
    }
    written_.notify_all();
}

bool UserDefaults::ensureWritable(bool *recreated, QString *error)
{
    const quint64 id = fileIdentity(path_);
    if (db_ && id != fileId_) {
        // Deleted (or replaced) behind our back: writing on would go to a file nobody reads.
        closeDatabase();
        if (id == 0) {
            QFile::remove(path_ + QStringLiteral("-wal"));
            QFile::remove(path_ + QStringLiteral("-shm"));
        }
    }
    if (db_ && readOnly_)
        closeDatabase(); // try again for writing
    if (db_)
        return true;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // Journal files made while the file was read-only took its permissions:
    // once it is writable again they must be too, or every write still fails.
    if (id != 0 && ::access(QFile::encodeName(path_).constData(), W_OK) == 0) {
        for (const QString &journal : {path_ + QStringLiteral("-wal"), path_ + QStringLiteral("-shm")})
            if (QFileInfo::exists(journal) && ::access(QFile::encodeName(journal).constData(), W_OK) != 0)
                QFile::setPermissions(journal, QFile::permissions(path_));
    }
    Health h = openDatabase(path_, false);
    if (h == Health::Healthy)
        h = prepareDatabase();
    if (h != Health::Healthy || readOnly_) {
        *error = writeFailureText(failedRc_, db_ ? QString::fromUtf8(sqlite3_errmsg(db_))
                                                 : QStringLiteral("cannot be opened for writing"));
        if (readOnly_)
            *error = QStringLiteral("read-only");
        closeDatabase();
        return false;
    }
    // A new file holds nothing: everything in memory goes into it.
    *recreated = id == 0;
    return true;
}

std::vector<UserDefaults::Op> UserDefaults::allAsOps() const
{
    std::vector<Op> ops;
    std::lock_guard lock(cacheMutex_);
    ops.reserve(size_t(values_.size()));
    for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
        Op op;
        op.key = keyBytes(it.key());
        op.type = static_cast<int>(it->first);
        op.value = encode(it->first, it->second);
        ops.push_back(std::move(op));
    }
    return ops;
}

void UserDefaults::whenWriteRefused(std::function<void(const QString &notice)> handler)
{
    std::lock_guard lock(queueMutex_);
    refusedHandler_ = std::move(handler);
    if (!refusedNotice_.isEmpty())
        sayRefused(QString());
}

void UserDefaults::sayRefused(const QString &why)
{
    refusalSaid_ = true;
    if (!why.isEmpty())
        refusedNotice_ = QStringLiteral("The settings file \"%1\" cannot be written now (%2): changes are kept in "
                                        "memory and written once it can be, or kept aside when Tolvane quits.")
                             .arg(path_, why);
    if (!refusedHandler_)
        return;
    runOnMain([handler = refusedHandler_, notice = std::exchange(refusedNotice_, QString())]() { handler(notice); });
}

bool UserDefaults::writeBatch(std::vector<Op> &ops, QString *error)
{
    lastTryBusy_ = false;
    if (const int rc = faultAt(Step::Write)) {
        failedErrno_ = errno;
        *error = failureText(rc);
        lastTryBusy_ = healthOf(rc) == Health::Locked;
        return false;
    }
    bool recreated = false;
    failedRc_ = SQLITE_OK;
    if (!ensureWritable(&recreated, error)) {
        lastTryBusy_ = healthOf(failedRc_) == Health::Locked;
        return false;
    }
    const std::vector<Op> all = recreated ? allAsOps() : std::vector<Op>();
    const std::vector<Op> &todo = recreated ? all : ops;
    auto fail = [&]() {
        failedErrno_ = sqlite3_system_errno(db_);
        *error = writeFailureText(sqlite3_extended_errcode(db_), QString::fromUtf8(sqlite3_errmsg(db_)));
        const Health health = healthOf(sqlite3_errcode(db_));
        lastTryBusy_ = health == Health::Locked;
        exec("ROLLBACK");
        // Opened again at the next try: a file made writable meanwhile is then written.
        if (health != Health::Locked)
            closeDatabase();
        return false;
    };
    if (!exec("BEGIN IMMEDIATE"))
        return fail();
    sqlite3_stmt *insert = nullptr;
    sqlite3_stmt *remove = nullptr;
    bool ok = sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO defaults (key, type, value) VALUES (?, ?, ?)", -1,
                                 &insert, nullptr)
                  == SQLITE_OK
              && sqlite3_prepare_v2(db_, "DELETE FROM defaults WHERE key = ?", -1, &remove, nullptr) == SQLITE_OK;
    for (size_t i = 0; ok && i < todo.size(); ++i) {
        const Op &op = todo[i];
        switch (op.kind) {
        case Op::Kind::Set:
            sqlite3_reset(insert);
            sqlite3_bind_blob(insert, 1, op.key.constData(), int(op.key.size()), SQLITE_STATIC);
            sqlite3_bind_int(insert, 2, op.type);
            sqlite3_bind_blob(insert, 3, op.value.constData(), int(op.value.size()), SQLITE_STATIC);
            ok = sqlite3_step(insert) == SQLITE_DONE;
            break;
        case Op::Kind::Remove:
            sqlite3_reset(remove);
            sqlite3_bind_blob(remove, 1, op.key.constData(), int(op.key.size()), SQLITE_STATIC);
            ok = sqlite3_step(remove) == SQLITE_DONE;
            break;
        case Op::Kind::RemoveAll:
            ok = exec("DELETE FROM defaults");
            break;
        }
    }
    sqlite3_finalize(insert);
    sqlite3_finalize(remove);
    if (!ok || !exec("COMMIT"))
        return fail();
    fileId_ = fileIdentity(path_);
    std::lock_guard lock(queueMutex_);
    holdAsWritten(todo, recreated);
    return true;
}

} // namespace platform
