#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <atomic>

namespace platform {

// The one way this program writes a file: the new bytes go to a temporary
// file beside the target, which replaces the target only once every byte has
// reached the disk. On any failure the old file stays as it was and the caller
// learns why. A link is followed: the file it leads to is replaced.
//
// Not QSaveFile: its names go through QFile's, which lose a name that is not
// valid UTF-8 (Paths.h), so a song so named could not be saved over. And with
// Qt 6.4, when the only write of a small file happened in its commit's final
// flush and that flush failed (disk full), it still renamed the empty
// temporary file over the target: every write is flushed and checked here
// before the rename.
class AtomicFile {
public:
    // Creates: the file must not be there yet, as for createFileAtomically: the
    // complete file takes the name only while no file has it, in one step, and
    // a link there is a file there.
    enum class Mode { Replaces, Creates };
    explicit AtomicFile(const QString &path, Mode mode = Mode::Replaces);
    ~AtomicFile(); // cancels unless committed

    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // False (with errorString()) when the temporary file cannot be made or the
    // existing file is not writable.
    bool open();
    // The device to write to, for writers that stream (PDF, images).
    QIODevice *device() { return &file_; }
    bool write(const QByteArray &bytes);
    // Flushes, checks, then replaces the target (Creates: takes its name while
    // no file has it). False leaves the target untouched.
    bool commit();
    // Creates: the commit found a file of the name, and left it as it is.
    bool there() const { return there_; }
    // Drops what was written; the target stays untouched.
    void cancel();
    QString errorString() const { return error_; }

private:
    bool fail(const QString &why);
    void closeTemporary();

    QString path_;
    Mode mode_;
    QByteArray target_;    // the file replaced, as the file system names it
    QByteArray temporary_; // the new file's name beside it; none while it has none
    int fd_ = -1;
    QFile file_;           // on fd_
    QString error_;
    qint64 intended_ = 0; // the file's size once the write under way is done
    bool failed_ = false;
    bool done_ = false;
    bool there_ = false;
};

// Writes the whole file atomically (see AtomicFile). False, with the reason in
// *error, when anything failed; the old file is then byte-identical. A file
// with more than one name (hard links) keeps them all: the complete new bytes
// are written through it, with room for them taken first, instead of
// replacing this name alone; its old bytes are kept beside it meanwhile.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// The same for a file that must not be there yet (AtomicFile::Mode::Creates):
// the complete new bytes take the name only while no file has it, in one step,
// so that a file another program made since the caller looked is never
// replaced. False with the reason in *error, and *there set when a file has the name.
bool createFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                          bool *there = nullptr);

// Copies a regular file of at most maxBytes (read as readRegularFile reads it)
// to a name no file has, as createFileAtomically writes: a file there, or one
// made while the source was read, is never replaced. False with the reason in
// *error, and *there set when a file has the name.
bool copyToNewFile(const QString &source, const QString &target, qint64 maxBytes, QString *error = nullptr,
                   bool *there = nullptr);

// A file with more than one name whose write was stopped half-way (the
// program killed) gets back the old bytes kept beside it; true when it did.
// One that already holds all the new text keeps it, and the kept bytes go.
// Asked by readSettledFile only: any other read leaves the file as it is.
// Once stopped is set, nothing follows the file call under way.
bool restoreStoppedWriteThrough(const QString &path, const std::atomic_bool *stopped = nullptr);

// Writes all of `size` bytes at `offset` of an open file, going on after a
// signal or a short write; false on the first error (errno tells).
bool writeWholeAt(int fd, const char *data, qint64 size, qint64 offset);

// Why a file of `size` bytes cannot be written under the file-size limit
// (ulimit -f), in the words every failed write uses; "" within it.
QString fileSizeLimitText(qint64 size);

// Called once at start: past a file-size limit (ulimit -f) a write then fails
// with EFBIG and is reported like any failed write, instead of the kernel
// killing the program with SIGXFSZ.
void reportFileSizeLimitAsWriteError();

} // namespace platform
