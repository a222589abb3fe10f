#include "library/KeptNotes.h"

#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace keptnotes {

namespace {

QString kept(platform::kept::What kind, const QString &name, const QString &what, const QString &suffix,
             const std::function<bool(const QString &path, QString *error)> &write, QString *error)
{
    const QString path = platform::kept::keep(name, suffix, write, error);
    if (platform::quitting())
        platform::kept::tellNextStart(kind, path, what);
    else if (!path.isEmpty())
        TLOG(QStringLiteral("KeptNotes: %1 is kept in %2").arg(what, path));
    return path;
}

std::function<bool(const QString &, QString *)> noteWrite(const QString &text, const notefile::Format &format)
{
    const bool binary = format.encoding == textcodec::Encoding::Binary;
    return [text, format = binary ? notefile::Format{} : format](const QString &path, QString *why) {
        return notefile::write(path, text, format, why);
    };
}

QString noteWhat(const QString &songPath) { return QStringLiteral("the edited note of %1").arg(songPath); }

} // namespace

QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error)
{
    return kept(platform::kept::What::Note, platform::completeBaseName(songPath), noteWhat(songPath),
                QStringLiteral("txt"), noteWrite(text, format), error);
}

QString keepWaiting(const QString &songPath, const QString &text, const notefile::Format &format,
                    const QString &over)
{
    const auto write = noteWrite(text, format);
    QString why;
    if (!over.isEmpty() && write(over, &why)) {
        if (platform::quitting())
            platform::kept::tellNextStart(platform::kept::What::Note, over, noteWhat(songPath));
        return over;
    }
    if (!over.isEmpty())
        TLOG(QStringLiteral("KeptNotes: %1 could not be written again: %2").arg(over, why));
    const QString path = keep(songPath, text, format);
    if (!path.isEmpty() && !platform::quitting())
        platform::kept::tellNextStartUnlessRemoved(path, noteWhat(songPath));
    return path;
}

QString keepSong(const QString &name, const QString &text, QString *error)
{
    return kept(platform::kept::What::Song, name, QStringLiteral("the edited song %1").arg(name), QStringLiteral("cho"),
                [&](const QString &path, QString *why) {
                    return platform::writeFileAtomically(path, text.toUtf8(), why);
                },
                error);
}

} // namespace keptnotes
