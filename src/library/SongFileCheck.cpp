#include "library/SongFileCheck.h"

#include "platform/Paths.h"
#include "platform/RegularFile.h"

namespace songfile {

QString readProblem(const platform::FileBytes &file)
{
    using Status = platform::FileStatus;
    switch (file.status) {
    case Status::Missing: return QStringLiteral("cannot be opened: file not found");
    case Status::NotRegular: return QStringLiteral("cannot be opened: not a file");
    case Status::Unreadable: return QStringLiteral("cannot be opened: not readable");
    case Status::TooLarge: return QString();
    case Status::Ok: break;
    }
    return file.bytes.isEmpty() ? QStringLiteral("cannot be opened: empty file") : QString();
}

QString pdfProblem(const platform::FileBytes &file, PdfLoad load)
{
    if (QString problem = readProblem(file); !problem.isEmpty())
        return problem;
    // Readers accept the header anywhere in the first kilobyte.
    if (!file.bytes.left(1024).contains("%PDF-"))
        return QStringLiteral("cannot be opened: not a PDF file");
    switch (load) {
    case PdfLoad::Loaded: break;
    case PdfLoad::Damaged: return QStringLiteral("damaged PDF");
    case PdfLoad::NeedsPassword: return QStringLiteral("cannot be opened: needs a password");
    case PdfLoad::GivenUp: return QStringLiteral("cannot be shown: the PDF reader gives up on it");
    case PdfLoad::NoReader: return QStringLiteral("cannot be shown: the PDF reader does not start");
    case PdfLoad::OutOfMemory: return QStringLiteral("cannot be shown: the PDF reader runs out of memory on it");
    case PdfLoad::Stopped: return QStringLiteral("cannot be shown: the PDF reader was stopped; it is tried again when you come back");
    }
    return QString();
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
    return QStringLiteral("⚠️ %1 — %2").arg(platform::fileName(path), reason);
}

QString noAnswer(const QString &path)
{
    return QStringLiteral("The library folder does not answer: \"%1\" shows once it does.")
        .arg(platform::fileName(path));
}

QString noAnswer()
{
    return QStringLiteral("The library folder does not answer.");
}

QString pageLate(const QString &path)
{
    return QStringLiteral("\"%1\" is late: the PDF reader stopped answering, a fresh one takes over.")
        .arg(platform::fileName(path));
}

QString slowToOpen(const QString &path)
{
    return QStringLiteral("\"%1\" is slow to open: the PDF reader is still loading it.").arg(platform::fileName(path));
}

QString slowToDraw(const QString &path)
{
    return QStringLiteral("\"%1\" is slow to draw: the PDF reader is still drawing its page.")
        .arg(platform::fileName(path));
}

QString pageKept(const QString &path)
{
    return QStringLiteral("\"%1\" is late: the PDF reader was stopped; what was drawn stays, and is drawn again shortly.")
        .arg(platform::fileName(path));
}

} // namespace songfile
