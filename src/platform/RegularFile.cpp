#include "platform/RegularFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FileBytes failed(FileBytes::Status status, int err)
{
    FileBytes r;
    r.status = status;
    r.error = QString::fromLocal8Bit(std::strerror(err));
    return r;
}

} // namespace

FileBytes readRegularFile(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    if (name.isEmpty())
        return failed(FileBytes::Status::Missing, ENOENT);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return failed(errno == ENOENT || errno == ENOTDIR ? FileBytes::Status::Missing : FileBytes::Status::Unreadable,
                      errno);
    if (!S_ISREG(st.st_mode))
        return failed(FileBytes::Status::NotRegular, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(errno == ENOENT ? FileBytes::Status::Missing : FileBytes::Status::Unreadable, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0)
        return failed(FileBytes::Status::Unreadable, errno);
    if (!S_ISREG(st.st_mode))
        return failed(FileBytes::Status::NotRegular, EINVAL);

    FileBytes r;
    r.status = FileBytes::Status::Ok;
    const qint64 limit = std::max<qint64>(0, maxBytes);
    r.bytes.reserve(qsizetype(std::min<qint64>(st.st_size, limit) + 1));
    char buffer[64 * 1024];
    // One byte past the limit tells a file of exactly maxBytes from a longer one.
    while (r.bytes.size() <= limit) {
        const qint64 want = std::min<qint64>(qint64(sizeof buffer), limit + 1 - r.bytes.size());
        const ssize_t n = ::read(fd, buffer, size_t(want));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failed(FileBytes::Status::Unreadable, errno);
        }
        if (n == 0)
            break;
        r.bytes.append(buffer, n);
    }
    if (r.bytes.size() > limit) {
        r.bytes.truncate(qsizetype(limit));
        r.status = FileBytes::Status::TooLarge;
    }
    return r;
}

std::optional<qint64> regularFileSize(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return qint64(st.st_size);
}

} // namespace platform
