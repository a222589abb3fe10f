#include "library/SongFileCheck.h"

#include <QFile>
#include <QFileInfo>

namespace songfile {

QString openProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("cannot be opened: file not found");
    if (!info.isFile())
        return QStringLiteral("cannot be opened: not a file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be opened: not readable");
    if (info.size() == 0)
        return QStringLiteral("cannot be opened: empty file");
    return QString();
}

QString pdfProblem(const QString &path, bool loaded)
{
    if (QString problem = openProblem(path); !problem.isEmpty())
        return problem;
    QFile file(path);
    // Readers accept the header anywhere in the first kilobyte.
    if (!file.open(QIODevice::ReadOnly) || !file.read(1024).contains("%PDF-"))
        return QStringLiteral("cannot be opened: not a PDF file");
    return loaded ? QString() : QStringLiteral("damaged PDF");
}

QString textProblem(const QByteArray &bytes)
{
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!utf16 && bytes.contains('\0'))
        return QStringLiteral("cannot be opened: not a text file");
    return QString();
}

QString message(const QString &path, const QString &reason)
{
    return QStringLiteral("⚠️ %1 — %2").arg(QFileInfo(path).fileName(), reason);
}

} // namespace songfile
