#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QObject;
namespace platform {
class FileWork;
}

// Files written where the performer chose (an export, a copy): the place may
// be a share that does not answer, and the chooser may not have asked about
// the name (a folder was chosen, or an extension added to the name).
namespace chosenfile {

// What goes in the file, made on the write's thread (a file read, say), or
// why there is nothing to write.
struct Bytes {
    QByteArray bytes;
    QString error;
};

// Writes the file on work's thread: a new file, and over a file of its name
// only once the performer says so, here or (replace) in the chooser already.
// done takes, on the main thread, why it was not written, "" once it was; it
// is not called when the performer keeps the file there, nor once context,
// which ends work with it, has gone.
void write(platform::FileWork &work, const QString &what, const QString &path, bool replace,
           std::function<Bytes()> bytes, const QObject *context, std::function<void(const QString &error)> done);

} // namespace chosenfile
