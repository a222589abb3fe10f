#include "library/KeptNotes.h"

#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace keptnotes {

namespace {

QString kept(platform::kept::What kind, const QString &name, const QString &what, const QString &suffix,
             const std::function<bool(const QString &path, QString *error)> &write, QString *error,
             platform::kept::Label label = platform::kept::Label::EditNotSaved)
{
    const QString path = platform::kept::keep(name, suffix, write, error, label);
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

// Written over `over` when there is one; otherwise a new copy (`fresh`) the
// next start is told of unless it is removed first.
QString keptWaiting(platform::kept::What kind, const QString &what, const QString &over,
                    const std::function<bool(const QString &path, QString *error)> &write,
                    const std::function<QString()> &fresh)
{
    QString why;
    if (!over.isEmpty() && write(over, &why)) {
        if (platform::quitting())
            platform::kept::tellNextStart(kind, over, what);
        return over;
    }
    if (!over.isEmpty())
        TLOG(QStringLiteral("KeptNotes: %1 could not be written again: %2").arg(over, why));
    const QString path = fresh();
    if (!path.isEmpty() && !platform::quitting())
        platform::kept::tellNextStartUnlessRemoved(kind, path, what);
    return path;
}

QString songWhat(const QString &name) { return QStringLiteral("the edited song %1").arg(name); }

std::function<bool(const QString &, QString *)> songWrite(const QString &text)
{
    return [text](const QString &path, QString *why) { return platform::writeFileAtomically(path, text.toUtf8(), why); };
}

} // namespace

QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error)
{
    return kept(platform::kept::What::Note, platform::completeBaseName(songPath), noteWhat(songPath),
                QStringLiteral("txt"), noteWrite(text, format), error);
}

QString keepWaiting(const QString &songPath, const QString &text, const notefile::Format &format,
                    const QString &over)
{
    return keptWaiting(platform::kept::What::Note, noteWhat(songPath), over, noteWrite(text, format),
                       [&] { return keep(songPath, text, format); });
}

QString keepSongWaiting(const QString &name, const QString &text, const QString &over)
{
    return keptWaiting(platform::kept::What::Song, songWhat(name), over, songWrite(text),
                       [&] { return keepSong(name, text); });
}

QString keepSong(const QString &name, const QString &text, QString *error)
{
    return kept(platform::kept::What::Song, name, songWhat(name), QStringLiteral("cho"), songWrite(text), error);
}

QString keepSongChangedElsewhere(const QString &name, const QString &text, QString *error)
{
    return kept(platform::kept::What::ChangedElsewhere, name,
                QStringLiteral("the text of %1 changed elsewhere").arg(name),
                QStringLiteral("cho"), songWrite(text), error, platform::kept::Label::ChangedElsewhere);
}

} // namespace keptnotes
