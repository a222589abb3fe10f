#include "platform/AtomicFile.h"
#include "platform/MainThreadFiles.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A folder of the trash, made private to the user when it is not there yet.
bool trashFolder(const QByteArray &path)
{
    struct stat st {};
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// The top of the drive a file is on: the last of its folders on the same device.
QByteArray driveTop(const QByteArray &file, dev_t device)
{
    QByteArray top = file.left(file.lastIndexOf('/'));
    for (;;) {
        const qsizetype slash = top.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArray("/") : top.left(slash);
        struct stat st {};
        if (top.isEmpty() || top == "/" || ::stat(parent.constData(), &st) != 0 || st.st_dev != device)
            return top.isEmpty() ? QByteArray("/") : top;
        top = parent;
    }
}

// The trash a file on another drive goes to, as the desktop's trash rules
// say: the drive's shared .Trash (a sticky folder, never a link) holding one
// per user, else the drive's .Trash-<uid>. Empty when neither can be used.
QByteArray driveTrash(const QByteArray &top)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    struct stat st {};
    const QByteArray shared = base + "/.Trash";
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)
        && trashFolder(shared + '/' + uid))
        return shared + '/' + uid;
    const QByteArray own = base + "/.Trash-" + uid;
    if (trashFolder(own) && ::lstat(own.constData(), &st) == 0 && (st.st_mode & 0777) == 0700)
        return own;
    return QByteArray();
}

// Qt's call names the file through QFile, which cannot reach a name that is
// not valid UTF-8 (Paths.h): such a file is moved here, by the same rules.
bool moveNamedByBytes(const QString &path, const QString &dataFolder)
{
    const QByteArray file = nativePath(absoluteFilePath(path));
    const QByteArray home = nativePath(dataFolder) + "/Trash";
    struct stat source {}, data {};
    if (::lstat(file.constData(), &source) != 0 || ::stat(nativePath(dataFolder).constData(), &data) != 0)
        return false;
    QByteArray trash = home;
    QByteArray named = file; // as the trash's record says where it was
    if (source.st_dev != data.st_dev) {
        const QByteArray top = driveTop(file, source.st_dev);
        trash = driveTrash(top);
        named = file.mid(top == "/" ? 1 : top.size() + 1);
    }
    if (trash.isEmpty() || !trashFolder(trash) || !trashFolder(trash + "/files") || !trashFolder(trash + "/info"))
        return false;
    const QByteArray record = "[Trash Info]\nPath=" + named.toPercentEncoding("/") + "\nDeletionDate="
                              + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toUtf8()
                              + '\n';
    const QByteArray name = file.mid(file.lastIndexOf('/') + 1);
    // The record takes the name in the trash first, so that two trashings never share one.
    for (int counter = 0; counter < 1000; ++counter) {
        const QByteArray kept = counter == 0 ? name : name + '-' + QByteArray::number(counter);
        const QString info = fromNativePath(trash + "/info/" + kept + ".trashinfo");
        bool there = false;
        if (!createFileAtomically(info, record, nullptr, &there)) {
            if (there)
                continue;
            return false;
        }
        const QByteArray target = trash + "/files/" + kept;
        struct stat taken {};
        const bool free = ::lstat(target.constData(), &taken) != 0;
        if (free && ::rename(file.constData(), target.constData()) == 0)
            return true;
        removeFile(info);
        if (free)
            return false;
    }
    return false;
}

} // namespace

bool moveToTrash(const QString &path)
{
    const MainThreadFileCall noted("write", path);
    // Without the user's data folder, the trash would be made in the working folder.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !makeFolder(data))
        return false;
    if (QFile::encodeName(path) == nativePath(path))
        return QFile::moveToTrash(path);
    return moveNamedByBytes(path, data);
}

} // namespace platform
