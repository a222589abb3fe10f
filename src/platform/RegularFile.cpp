#include "platform/RegularFile.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <unistd.h>

namespace platform {

RegularFile RegularFile::failed(FileStatus status, int err)
{
    RegularFile f;
    f.status_ = status;
    f.error_ = QString::fromLocal8Bit(std::strerror(err));
    return f;
}

RegularFile RegularFile::open(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return failed(FileStatus::Missing, ENOENT);
    // Asked first so that a device is never opened at all: opening some has effects.
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return failed(errno == ENOENT || errno == ENOTDIR ? FileStatus::Missing : FileStatus::Unreadable, errno);
    if (!S_ISREG(st.st_mode))
        return failed(FileStatus::NotRegular, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

    RegularFile f;
    f.fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (f.fd_ < 0)
        return failed(errno == ENOENT ? FileStatus::Missing : FileStatus::Unreadable, errno);
    if (::fstat(f.fd_, &st) != 0)
        return failed(FileStatus::Unreadable, errno);
    if (!S_ISREG(st.st_mode))
        return failed(FileStatus::NotRegular, EINVAL);
    f.status_ = FileStatus::Ok;
    f.size_ = qint64(st.st_size);
    return f;
}

RegularFile::RegularFile(RegularFile &&other) noexcept
    : status_(other.status_), fd_(std::exchange(other.fd_, -1)), size_(other.size_), error_(std::move(other.error_))
{
}

RegularFile::~RegularFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileBytes readRegularFile(const QString &path, qint64 maxBytes)
{
    const RegularFile file = RegularFile::open(path);
    FileBytes r;
    r.status = file.status();
    r.error = file.error();
    if (!file.ok())
        return r;
    const qint64 limit = std::max<qint64>(0, maxBytes);
    r.bytes.reserve(qsizetype(std::min<qint64>(file.size(), limit) + 1));
    char buffer[64 * 1024];
    // One byte past the limit tells a file of exactly maxBytes from a longer one.
    while (r.bytes.size() <= limit) {
        const qint64 want = std::min<qint64>(qint64(sizeof buffer), limit + 1 - r.bytes.size());
        const ssize_t n = ::read(file.descriptor(), buffer, size_t(want));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FileBytes failed;
            failed.status = FileStatus::Unreadable;
            failed.error = QString::fromLocal8Bit(std::strerror(errno));
            return failed;
        }
        if (n == 0)
            break;
        r.bytes.append(buffer, n);
    }
    if (r.bytes.size() > limit) {
        r.bytes.truncate(qsizetype(limit));
        r.status = FileStatus::TooLarge;
    }
    return r;
}

FileBytes readSettledFile(const QString &path, qint64 maxBytes)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1)
        restoreStoppedWriteThrough(path);
    return readRegularFile(path, maxBytes);
}

std::optional<qint64> regularFileSize(const QString &path)
{
    const std::optional<FileStamp> stamp = regularFileStamp(path);
    return stamp ? std::optional<qint64>(stamp->size) : std::nullopt;
}

std::optional<FileStamp> regularFileStamp(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec)};
}

} // namespace platform
