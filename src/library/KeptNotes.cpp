#include "library/KeptNotes.h"

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace keptnotes {

namespace {

QString folder() { return QDir(platform::dataFolder()).filePath(QStringLiteral("Kept notes")); }

// The copies kept while quitting, one path a line, until the next start tells them.
QString quitList() { return QDir(platform::dataFolder()).filePath(QStringLiteral("kept-at-quit.list")); }

QByteArray readList()
{
    const platform::FileBytes r = platform::readRegularFile(quitList(), 1024 * 1024);
    return r.ok() ? r.bytes : QByteArray();
}

} // namespace

QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error)
{
    if (!QDir().mkpath(folder())) {
        if (error)
            *error = QStringLiteral("the folder \"%1\" could not be made").arg(folder());
        return QString();
    }
    const QString path = notefile::datedFreePath(QDir(folder()).filePath(QFileInfo(songPath).completeBaseName()),
                                                 QStringLiteral("edit not saved"));
    const bool binary = format.encoding == textcodec::Encoding::Binary;
    if (!notefile::write(path, text, binary ? notefile::Format{} : format, error))
        return QString();
    if (!platform::quitting()) {
        TLOG(QStringLiteral("KeptNotes: an edit of %1 is kept in %2").arg(songPath, path));
        return path;
    }
    qWarning().noquote() << QStringLiteral("The edited note of %1 could not be saved while quitting; it is kept in %2")
                                .arg(songPath, path);
    QString why;
    if (!platform::writeFileAtomically(quitList(), readList() + path.toUtf8() + '\n', &why))
        qWarning().noquote() << QStringLiteral("The next start cannot be told of it: %1").arg(why);
    return path;
}

QString takeQuitNotice()
{
    const QByteArray list = readList();
    if (list.isEmpty())
        return QString();
    if (!QFile::remove(quitList()))
        TLOG(QStringLiteral("KeptNotes: %1 could not be removed").arg(quitList()));
    const QStringList paths = QString::fromUtf8(list).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (paths.size() == 1)
        return QStringLiteral("An edited note could not be saved when Tolvane last quit: it is kept as \"%1\".")
            .arg(paths.first());
    return QStringLiteral("%1 edited notes could not be saved when Tolvane last quit: they are kept in \"%2\".")
        .arg(paths.size())
        .arg(QFileInfo(paths.first()).absolutePath());
}

} // namespace keptnotes
