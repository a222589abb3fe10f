#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

namespace platform {

enum class FileStatus {
    Ok,
    Missing,
    NotRegular, // a pipe, device, socket or folder: never opened for reading
    Unreadable,
    TooLarge,   // over the reader's limit
};

// What reading a library file gave.
struct FileBytes {
    using Status = FileStatus;
    Status status = Status::Missing;
    QByteArray bytes; // when TooLarge, only the first maxBytes
    QString error;
    bool ok() const { return status == Status::Ok; }
};

// A regular file (a link is followed to its target) opened for reading. A
// named pipe or a device must never block the caller: they are told apart
// before the file is opened and again on the opened descriptor, and it is
// opened without waiting, so that one swapped in meanwhile cannot block either.
class RegularFile {
public:
    static RegularFile open(const QString &path);
    RegularFile(RegularFile &&other) noexcept;
    RegularFile &operator=(RegularFile &&) = delete;
    ~RegularFile();

    FileStatus status() const { return status_; }
    bool ok() const { return status_ == FileStatus::Ok; }
    // -1 unless ok; closed with this object.
    int descriptor() const { return fd_; }
    // The size when it was opened.
    qint64 size() const { return size_; }
    QString error() const { return error_; }

private:
    RegularFile() = default;
    static RegularFile failed(FileStatus status, int err);

    FileStatus status_ = FileStatus::Missing;
    int fd_ = -1;
    qint64 size_ = 0;
    QString error_;
};

// Reads a regular file, opened as above, of at most maxBytes, so that a file
// swapped for a device cannot fill the memory either.
FileBytes readRegularFile(const QString &path, qint64 maxBytes);
// The same, calling `answered` each time the file system hands over bytes, so
// that a long read of a large file is told from a file system that is silent.
FileBytes readRegularFile(const QString &path, qint64 maxBytes, const std::function<void()> &answered);
// The same, handing the bytes to `take` block by block rather than keeping
// them (the answer's bytes stay empty); `take` answers false to fail the read.
FileBytes readRegularFile(const QString &path, qint64 maxBytes, const std::function<void()> &answered,
                          const std::function<bool(const char *, qint64)> &take);

// The one block loop of the reads above, over a file opened as above:
// `step` moves on at most `want` bytes from its descriptor, `done` moved
// before, and answers how many (0 at its end, negative with errno set). One
// byte past maxBytes is asked for, to tell a longer file (TooLarge).
FileBytes readBlocks(const RegularFile &file, qint64 maxBytes, const std::function<void()> &answered,
                     const std::function<qint64(qint64 done, qint64 want)> &step);
// The same, handing at most maxBytes to `take` as readRegularFile's last form does.
FileBytes readBlocks(const RegularFile &file, qint64 maxBytes, const std::function<void()> &answered,
                     const std::function<bool(const char *, qint64)> &take);

// The same for a file the program writes through its other names (a note): a
// write a kill stopped is settled first (restoreStoppedWriteThrough), which
// may write the file. Any other read must not: a song on a read-only share,
// or a file read by the renderer's thread. Once stopped is set (the file
// system held the caller past a quit), nothing follows the file call under
// way, and the answer is Unreadable.
FileBytes readSettledFile(const QString &path, qint64 maxBytes, const std::atomic_bool *stopped = nullptr);

// The size of a regular file (a link is followed); nothing for a missing file,
// a pipe, a device, a socket or a folder. Asks the file system only: nothing
// is opened.
std::optional<qint64> regularFileSize(const QString &path);

// What the file system tells of a regular file without opening it, so that a
// file written again is told from the one read before.
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedNs = 0; // since the epoch
    bool operator==(const FileStamp &) const = default;
};
// The same look as regularFileSize, with the modification time.
std::optional<FileStamp> regularFileStamp(const QString &path);

// The looks the program asks of the file system besides reads and writes,
// each a file call the guard notes (MainThreadFiles.h). A link is followed;
// nothing is opened.
bool pathExists(const QString &path); // a dangling link is not there
bool nameTaken(const QString &path);  // by anything, a dangling link too
bool isFolder(const QString &path);
bool isReadableFolder(const QString &path); // a folder this program may list and enter
bool isReadableFile(const QString &path);   // a regular file this program may read
// Every entry of a folder, hidden ones too, by its name as the file system
// holds it (Paths.h, fromNativePath) and whether it is a folder (a link is
// followed). Nothing when the folder cannot be listed.
struct FolderEntry {
    QString name;
    bool folder = false;
};
std::optional<QList<FolderEntry>> folderEntries(const QString &folder);
// The folder and its parents; true once it is there.
bool makeFolder(const QString &path);
// A file (never a folder); false when it is not there or stays.
bool removeFile(const QString &path);
// A folder, only when nothing is in it; false when it stays.
bool removeEmptyFolder(const QString &path);
// Moves a file to the user's trash, by the desktop's trash rules (a file on
// another drive goes to that drive's trash); false when it stays where it was.
bool moveToTrash(const QString &path);
// The file a path leads to, every link on the way followed: one file reached
// by two paths (a library folder reached through a link) answers one string.
// A file not there yet is named in its folder as the links lead to it.
QString fileIdentity(const QString &path);

} // namespace platform
