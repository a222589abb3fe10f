#include "chords/SongFileEdit.h"

#include "library/Data.h"
#include "library/Pieces.h"
#include "library/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QFile>

namespace songfile {

namespace {

void reloadWhereShown(const QString &path)
{
    const bool shown = Data::resetWindowsShowing(path);
    auto &center = platform::NotificationCenter::defaultCenter();
    if (shown)
        center.postActionKey(vocab::ReloadWindows);
    center.postActionKey(vocab::ChordDisplay);
}

} // namespace

bool editSongFile(const QString &path, const std::function<bool(QString &text)> &edit)
{
    QFile in(path);
    if (path.isEmpty() || !in.open(QIODevice::ReadOnly)) {
        Data::msg(QStringLiteral("The song \"%1\" could not be read: %2").arg(path, in.errorString()));
        return false;
    }
    QString text = textcodec::decode(in.readAll());
    in.close();
    if (!edit(text))
        return false;

    QString why;
    if (!platform::writeFileAtomically(path, text.toUtf8(), &why)) {
        Data::msg(QStringLiteral("The song \"%1\" could not be saved: %2").arg(path, why));
        return false;
    }
    reloadWhereShown(path);
    return true;
}

} // namespace songfile
