#include "library/KeptNotes.h"

#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"

#include <QFileInfo>

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

} // namespace

QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error)
{
    const QString song = QFileInfo(songPath).completeBaseName();
    const bool binary = format.encoding == textcodec::Encoding::Binary;
    return kept(platform::kept::What::Note, song, QStringLiteral("the edited note of %1").arg(songPath),
                QStringLiteral("txt"),
                [&](const QString &path, QString *why) {
                    return notefile::write(path, text, binary ? notefile::Format{} : format, why);
                },
                error);
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
