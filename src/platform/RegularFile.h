#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// What reading a library file gave.
struct FileBytes {
    enum class Status {
        Ok,
        Missing,
        NotRegular, // a pipe, device, socket or folder: never opened for reading
        Unreadable,
        TooLarge,   // bytes holds only the first maxBytes
    };
    Status status = Status::Missing;
    QByteArray bytes;
    QString error;
    bool ok() const { return status == Status::Ok; }
};

// Reads a regular file (a link is followed to its target) of at most maxBytes.
// A named pipe or a device in the library must never block the window or fill
// the memory: they are told apart before any byte is read, and the file is
// opened without waiting so that one swapped in meanwhile cannot block either.
FileBytes readRegularFile(const QString &path, qint64 maxBytes);

// The size of a regular file (a link is followed); nothing for a missing file,
// a pipe, a device, a socket or a folder. Asks the file system only: nothing
// is opened.
std::optional<qint64> regularFileSize(const QString &path);

} // namespace platform
