#include "platform/RegularFile.h"

#include "platform/AtomicFile.h"
#include "platform/MainThreadFiles.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
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
    const MainThreadFileCall noted("read", path);
    const QByteArray name = nativePath(path);
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
    return readRegularFile(path, maxBytes, {});
}

FileBytes readBlocks(const RegularFile &file, qint64 maxBytes, const std::function<void()> &answered,
                     const std::function<qint64(qint64 done, qint64 want)> &step)
{
    FileBytes r;
    r.status = file.status();
    r.error = file.error();
    if (!file.ok())
        return r;
    const qint64 limit = std::max<qint64>(0, maxBytes);
    qint64 total = 0;
    while (total <= limit) {
        const qint64 n = step(total, limit + 1 - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            FileBytes failed;
            failed.status = FileStatus::Unreadable;
            failed.error = QString::fromLocal8Bit(std::strerror(errno));
            return failed;
        }
        if (n == 0)
            break;
        total += n;
        if (answered)
            answered();
    }
    if (total > limit)
        r.status = FileStatus::TooLarge;
    return r;
}

FileBytes readBlocks(const RegularFile &file, qint64 maxBytes, const std::function<void()> &answered,
                     const std::function<bool(const char *, qint64)> &take)
{
    char buffer[64 * 1024];
    return readBlocks(file, maxBytes, answered, [&](qint64 done, qint64 want) -> qint64 {
        const ssize_t n = ::read(file.descriptor(), buffer, size_t(std::min<qint64>(qint64(sizeof buffer), want)));
        const qint64 kept = std::min<qint64>(n, std::max<qint64>(0, maxBytes) - done);
        if (kept > 0 && !take(buffer, kept)) {
            errno = ENOSPC;
            return -1;
        }
        return n;
    });
}

FileBytes readRegularFile(const QString &path, qint64 maxBytes, const std::function<void()> &answered)
{
    const RegularFile file = RegularFile::open(path);
    QByteArray bytes;
    if (file.ok())
        bytes.reserve(qsizetype(std::min<qint64>(file.size(), std::max<qint64>(0, maxBytes)) + 1));
    FileBytes r = readBlocks(file, maxBytes, answered, [&bytes](const char *data, qint64 size) {
        bytes.append(data, qsizetype(size));
        return true;
    });
    if (r.status == FileStatus::Ok || r.status == FileStatus::TooLarge)
        r.bytes = std::move(bytes);
    return r;
}

FileBytes readRegularFile(const QString &path, qint64 maxBytes, const std::function<void()> &answered,
                          const std::function<bool(const char *, qint64)> &take)
{
    return readBlocks(RegularFile::open(path), maxBytes, answered, take);
}

FileBytes readSettledFile(const QString &path, qint64 maxBytes, const std::atomic_bool *stopped)
{
    const MainThreadFileCall noted("read", path);
    const auto stop = [stopped] { return stopped && *stopped; };
    const FileBytes none{FileStatus::Unreadable, {}, QStringLiteral("stopped")};
    struct stat st {};
    const bool linked = ::stat(nativePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1;
    if (stop())
        return none;
    if (linked)
        restoreStoppedWriteThrough(path, stopped);
    if (stop())
        return none;
    return readRegularFile(path, maxBytes);
}

std::optional<qint64> regularFileSize(const QString &path)
{
    const std::optional<FileStamp> stamp = regularFileStamp(path);
    return stamp ? std::optional<qint64>(stamp->size) : std::nullopt;
}

std::optional<FileStamp> regularFileStamp(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    const QByteArray name = nativePath(path);
    struct stat st {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec)};
}

namespace {

bool statOf(const QString &path, struct stat &st)
{
    const QByteArray name = nativePath(path);
    return !name.isEmpty() && ::stat(name.constData(), &st) == 0;
}

} // namespace

bool pathExists(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    struct stat st {};
    return statOf(path, st);
}

bool nameTaken(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    const QByteArray name = nativePath(path);
    struct stat st {};
    return !name.isEmpty() && ::lstat(name.constData(), &st) == 0;
}

bool isFolder(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

bool isReadableFolder(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode) && ::access(nativePath(path).constData(), R_OK | X_OK) == 0;
}

bool isReadableFile(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    struct stat st {};
    return statOf(path, st) && S_ISREG(st.st_mode) && ::access(nativePath(path).constData(), R_OK) == 0;
}

std::optional<QList<FolderEntry>> folderEntries(const QString &folder)
{
    const MainThreadFileCall noted("folder list", folder);
    DIR *listed = folder.isEmpty() ? nullptr : ::opendir(nativePath(folder).constData());
    if (!listed)
        return std::nullopt;
    QList<FolderEntry> entries;
    while (const dirent *entry = ::readdir(listed)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool folderEntry = entry->d_type == DT_DIR;
        // A link, or a file system that does not say: its target is asked.
        struct stat st {};
        if ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) && ::fstatat(::dirfd(listed), entry->d_name, &st, 0) == 0)
            folderEntry = S_ISDIR(st.st_mode);
        entries.append({fromNativePath(name), folderEntry});
    }
    ::closedir(listed);
    return entries;
}

bool makeFolder(const QString &path)
{
    const MainThreadFileCall noted("write", path);
    const QByteArray name = nativePath(cleanPath(path));
    if (name.isEmpty())
        return false;
    // Each missing folder from the top, as mkdir -p.
    for (qsizetype slash = name.indexOf('/', 1); ; slash = name.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? name : name.left(slash);
        struct stat st {};
        if (::mkdir(part.constData(), 0777) != 0 && !(errno == EEXIST && ::stat(part.constData(), &st) == 0 && S_ISDIR(st.st_mode)))
            return false;
        if (slash < 0)
            return true;
    }
}

bool removeFile(const QString &path)
{
    const MainThreadFileCall noted("write", path);
    const QByteArray name = nativePath(path);
    return !name.isEmpty() && ::unlink(name.constData()) == 0;
}

bool removeEmptyFolder(const QString &path)
{
    const MainThreadFileCall noted("write", path);
    const QByteArray name = nativePath(path);
    return !name.isEmpty() && ::rmdir(name.constData()) == 0;
}

QString fileIdentity(const QString &path)
{
    const MainThreadFileCall noted("look", path);
    const auto real = [](const QString &p) {
        char *found = p.isEmpty() ? nullptr : ::realpath(nativePath(p).constData(), nullptr);
        const QString named = found ? fromNativePath(found) : QString();
        std::free(found);
        return named;
    };
    if (const QString found = real(path); !found.isEmpty())
        return found;
    const QString absolute = absoluteFilePath(path);
    const QString folder = real(absolutePath(path));
    return folder.isEmpty() ? cleanPath(absolute) : filePath(folder, fileName(absolute));
}

} // namespace platform
