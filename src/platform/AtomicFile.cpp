#include "platform/AtomicFile.h"

#include "platform/MainThreadFiles.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

// A write cut short at the limit sets no errno, so the system's own text
// would say "Unknown error".
bool writeWholeAt(int fd, const char *data, qint64 size, qint64 offset)
{
    for (qint64 at = 0; at < size;) {
        const ssize_t n = ::pwrite(fd, data + at, size_t(size - at), off_t(offset + at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
    }
    return true;
}

QString fileSizeLimitText(qint64 size)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || quint64(size) <= limit.rlim_cur)
        return QString();
    return QStringLiteral("too large for the file-size limit (%1 bytes)").arg(quint64(limit.rlim_cur));
}

namespace {

bool failWith(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

QString systemError(int code, qint64 size)
{
    const QString limit = fileSizeLimitText(size);
    return limit.isEmpty() ? qt_error_string(code) : limit;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    return writeWholeAt(fd, bytes.constData(), bytes.size(), 0);
}

// Where a write through a file keeps the file's old bytes until the new ones
// are complete. A program stopped half-way leaves them there, and the next
// settling read of the file (readSettledFile) puts them back: the file then
// holds its old text, never a mix of both.
QString keptPath(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".kept"));
}

// A read of the file that puts kept bytes back may come from another thread.
// Never destroyed: a thread a share held may write after the program's statics have gone.
std::recursive_mutex &writeThroughMutex()
{
    static auto *mutex = new std::recursive_mutex;
    return *mutex;
}

// The kept bytes begin with what the write was to leave, so that a program
// stopped once the new text was complete is not undone by the next read. A
// NUL starts it: no text file does. Copies kept by an earlier version hold
// the old bytes alone. Made at each use, as the mutex above is kept.
QByteArray keptHeader() { return QByteArray("\0leaves ", 8); }

QByteArray checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

struct Kept {
    QByteArray old;
    QByteArray leaves; // "<size> <checksum>" of the text the write was to leave; empty when not said
    bool leftBy(const QByteArray &now) const
    {
        return !leaves.isEmpty() && leaves == QByteArray::number(now.size()) + ' ' + checksum(now);
    }
};

std::optional<Kept> readKept(const QString &kept)
{
    const std::optional<qint64> size = regularFileSize(kept);
    if (!size)
        return std::nullopt;
    FileBytes read = readRegularFile(kept, *size);
    if (!read.ok())
        return std::nullopt;
    Kept out;
    const qsizetype end = read.bytes.startsWith(keptHeader()) ? read.bytes.indexOf('\n') : -1;
    if (end < 0) {
        out.old = std::move(read.bytes);
    } else {
        out.leaves = read.bytes.mid(keptHeader().size(), end - keptHeader().size());
        out.old = read.bytes.mid(end + 1);
    }
    return out;
}

std::optional<QByteArray> readAt(int fd, qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 got = 0; got < size;) {
        const ssize_t n = ::pread(fd, bytes.data() + got, size_t(size - got), off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0) {
            bytes.truncate(got);
            break;
        }
        got += n;
    }
    return bytes;
}

// A file with other names (hard links): a new file renamed over this name
// would leave the others on the old bytes, so the new bytes go through the
// file itself. Room for them is taken first without changing the size, so a
// full disk refuses before a byte changes; should the write still stop
// half-way, the old bytes are put back, at once or, after a kill, by the next
// settling read of the file.
bool writeThrough(const QString &path, const QByteArray &bytes, qint64 oldSize, QString *error)
{
    const std::lock_guard lock(writeThroughMutex());
    const int fd = ::open(nativePath(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failWith(error, qt_error_string(errno));
    const auto fail = [fd, error](const QString &why) {
        ::close(fd);
        return failWith(error, why);
    };
    const std::optional<QByteArray> now = readAt(fd, oldSize);
    if (!now)
        return fail(qt_error_string(errno));
    const QString kept = keptPath(path);
    // Kept by a write stopped half-way, they are the file's text, not what it
    // holds now; unless that write was complete.
    const std::optional<Kept> stopped = readKept(kept);
    const bool holdsItsText = !stopped || stopped->leftBy(*now);
    const QByteArray old = holdsItsText ? *now : stopped->old;
    {
        AtomicFile aside(kept);
        if (!aside.open() || !aside.write(keptHeader() + QByteArray::number(bytes.size()) + ' ' + checksum(bytes) + '\n')
            || !aside.write(old) || !aside.commit())
            return fail(aside.errorString());
    }
    if (bytes.size() > 0 && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0 && errno != EOPNOTSUPP
        && errno != ENOSYS) {
        const QString why = systemError(errno, bytes.size());
        if (holdsItsText)
            removeFile(kept);
        return fail(why);
    }
    if (!writeAll(fd, bytes) || ::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0) {
        const QString why = systemError(errno, bytes.size());
        if (writeAll(fd, old) && ::ftruncate(fd, off_t(old.size())) == 0 && ::fsync(fd) == 0)
            removeFile(kept);
        return fail(why);
    }
    if (::close(fd) != 0)
        return failWith(error, qt_error_string(errno));
    // Only now is the write complete; a read meanwhile finds the file holding
    // what the kept copy says it leaves, and drops the copy.
    if (!removeFile(kept) && pathExists(kept))
        return failWith(error, QStringLiteral("the old text kept beside it could not be removed"));
    return true;
}

// Where the links from `path` lead, each followed in turn.
QByteArray linkedTarget(QByteArray path)
{
    char target[PATH_MAX];
    for (int links = 0; links < 40; ++links) {
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n <= 0 || n == ssize_t(sizeof target))
            break;
        const QByteArray to(target, n);
        path = to.startsWith('/') ? to : path.left(path.lastIndexOf('/') + 1) + to;
    }
    return path;
}

QByteArray openFile(int fd) { return "/proc/self/fd/" + QByteArray::number(fd); }

QByteArray randomSuffix() { return '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36); }

// Gives the complete file named `temp` the name `target` only while no file has
// it, in one step: 0, or why not (EEXIST: a file has it). Done, `temp` has gone.
int nameWithoutReplacing(const QByteArray &temp, const QByteArray &target)
{
    int code = ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
    // A file system without it (a share): a second name for the complete file, refused where one is there;
    if (code == EINVAL || code == ENOSYS || code == EOPNOTSUPP) {
        code = ::link(temp.constData(), target.constData()) == 0 ? 0 : errno;
        if (code == 0)
            ::unlink(temp.constData());
    }
    // where links are refused too, the name is taken first, then the complete file goes over that empty one.
    if (code == EPERM || code == ENOSYS || code == EOPNOTSUPP) {
        const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        code = claim < 0 ? errno : 0;
        if (claim >= 0)
            ::close(claim);
        if (claim >= 0 && ::rename(temp.constData(), target.constData()) != 0) {
            code = errno;
            ::unlink(target.constData());
        }
    }
    return code;
}

QString alreadyThere() { return QStringLiteral("a file of this name is already there"); }

} // namespace

AtomicFile::AtomicFile(const QString &path, Mode mode)
    : path_(path), mode_(mode)
{
}

AtomicFile::~AtomicFile()
{
    if (!done_)
        cancel();
}

// The new file has no name until it is complete, where the file system allows
// it, so that a program killed meanwhile leaves nothing beside the target.
bool AtomicFile::open()
{
    const MainThreadFileCall noted("write", path_);
    const bool creates = mode_ == Mode::Creates;
    target_ = creates ? nativePath(path_) : linkedTarget(nativePath(path_));
    if (target_.isEmpty())
        return fail(qt_error_string(ENOENT));
    struct stat there {};
    // Made new, a file there refuses it at once rather than after every byte is written: the commit looks again.
    if (creates && ::lstat(target_.constData(), &there) == 0) {
        there_ = true;
        return fail(alreadyThere());
    }
    const bool exists = !creates && ::stat(target_.constData(), &there) == 0;
    if (exists && ::access(target_.constData(), W_OK) != 0)
        return fail(qt_error_string(errno));
    const qsizetype slash = target_.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target_.left(slash);
    fd_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // Without /proc it could not be named at the end.
    if (fd_ >= 0 && ::access(openFile(fd_).constData(), F_OK) != 0) {
        ::close(std::exchange(fd_, -1));
        errno = EOPNOTSUPP;
    }
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))
        for (int tries = 0; tries < 20; ++tries) {
            temporary_ = target_ + randomSuffix();
            fd_ = ::open(temporary_.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST)
                break;
        }
    if (fd_ < 0) {
        temporary_.clear();
        return fail(qt_error_string(errno));
    }
    if (exists)
        ::fchmod(fd_, there.st_mode & 07777);
    if (!file_.open(fd_, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        const QString why = file_.errorString();
        closeTemporary();
        return fail(why);
    }
    return true;
}

bool AtomicFile::write(const QByteArray &bytes)
{
    if (failed_)
        return false;
    if (!file_.isOpen())
        return fail(QStringLiteral("not open"));
    intended_ = file_.pos() + bytes.size();
    if (file_.write(bytes) != bytes.size())
        return fail(file_.errorString());
    return true;
}

bool AtomicFile::commit()
{
    const MainThreadFileCall noted("write", path_);
    if (done_)
        return !failed_;
    if (failed_ || !file_.isOpen()) {
        if (!failed_)
            fail(QStringLiteral("not open"));
        cancel();
        return false;
    }
    // A device written to through device() may have failed without write() seeing it.
    if (file_.error() != QFileDevice::NoError || !file_.flush() || file_.error() != QFileDevice::NoError) {
        fail(file_.errorString());
        cancel();
        return false;
    }
    // The data, as QSaveFile did: its size and times need no second write.
    if (::fdatasync(fd_) != 0 && errno != EINVAL) {
        fail(qt_error_string(errno));
        cancel();
        return false;
    }
    if (mode_ == Mode::Creates) {
        // Without a name yet, it takes the target's by a link, which never replaces a file.
        int code = 0;
        if (temporary_.isEmpty())
            code = ::linkat(AT_FDCWD, openFile(fd_).constData(), AT_FDCWD, target_.constData(), AT_SYMLINK_FOLLOW) == 0
                       ? 0
                       : errno;
        else if ((code = nameWithoutReplacing(temporary_, target_)) == 0)
            temporary_.clear();
        if (code != 0) {
            there_ = code == EEXIST;
            fail(there_ ? alreadyThere() : systemError(code, intended_));
            cancel();
            return false;
        }
        done_ = true;
        closeTemporary();
        return true;
    }
    // Named beside the target, then renamed over it: the one step that replaces it.
    for (int tries = 0; temporary_.isEmpty() && tries < 20; ++tries) {
        const QByteArray name = target_ + randomSuffix();
        if (::linkat(AT_FDCWD, openFile(fd_).constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            temporary_ = name;
        else if (errno != EEXIST)
            break;
    }
    if (temporary_.isEmpty() || ::rename(temporary_.constData(), target_.constData()) != 0) {
        fail(qt_error_string(errno));
        cancel();
        return false;
    }
    temporary_.clear();
    done_ = true;
    closeTemporary();
    return true;
}

void AtomicFile::cancel()
{
    if (done_)
        return;
    done_ = true;
    fail(QStringLiteral("writing cancelled"));
    closeTemporary();
}

// Closed, and its name, if it has one, removed.
void AtomicFile::closeTemporary()
{
    file_.close();
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temporary_.isEmpty())
        ::unlink(std::exchange(temporary_, {}).constData());
}

bool AtomicFile::fail(const QString &why)
{
    failed_ = true;
    if (error_.isEmpty())
        error_ = fileSizeLimitText(qMax(intended_, file_.pos()));
    if (error_.isEmpty())
        error_ = why.isEmpty() ? QStringLiteral("write failed") : why;
    return false;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    const MainThreadFileCall noted("write", path);
    struct stat there {};
    if (::stat(nativePath(path).constData(), &there) == 0 && S_ISREG(there.st_mode) && there.st_nlink > 1)
        return writeThrough(path, bytes, qint64(there.st_size), error);
    AtomicFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok) {
        file.cancel();
        if (error)
            *error = file.errorString();
    }
    return ok;
}

bool createFileAtomically(const QString &path, const QByteArray &bytes, QString *error, bool *there)
{
    const MainThreadFileCall noted("write", path);
    AtomicFile file(path, AtomicFile::Mode::Creates);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (there)
        *there = file.there();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

bool copyToNewFile(const QString &source, const QString &target, qint64 maxBytes, QString *error, bool *there)
{
    if (there)
        *there = false;
    // A name taken costs no read of the source.
    if (nameTaken(target)) {
        if (there)
            *there = true;
        return failWith(error, alreadyThere());
    }
    const FileBytes in = readRegularFile(source, maxBytes);
    if (!in.ok())
        return failWith(error, in.status == FileStatus::TooLarge ? QStringLiteral("too large to copy") : in.error);
    return createFileAtomically(target, in.bytes, error, there);
}

bool restoreStoppedWriteThrough(const QString &path, const std::atomic_bool *stopped)
{
    const MainThreadFileCall noted("write", path);
    const auto stop = [stopped] { return stopped && *stopped; };
    const std::lock_guard lock(writeThroughMutex());
    const QString kept = keptPath(path);
    const std::optional<Kept> left = readKept(kept);
    if (!left || stop())
        return false;
    const std::optional<qint64> size = regularFileSize(path);
    if (!size || stop())
        return false;
    const FileBytes now = readRegularFile(path, *size);
    if (stop())
        return false;
    if (now.ok() && left->leftBy(now.bytes)) {
        removeFile(kept);
        return false;
    }
    return writeThrough(path, left->old, *size, nullptr);
}

void reportFileSizeLimitAsWriteError()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace platform
