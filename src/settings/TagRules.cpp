#include "settings/TagRules.h"

#include <QDir>
#include <QFileInfo>

namespace tagrules {

TagPage page(qsizetype tagCount, qsizetype depart)
{
    TagPage p;
    p.first = depart;
    p.shown = int(qBound<qsizetype>(0, tagCount - depart, qsizetype(kTagColumns)));
    p.back = depart > 0;
    p.forward = depart + kTagColumns < tagCount;
    return p;
}

qsizetype pageBack(qsizetype depart)
{
    return qMax<qsizetype>(0, depart - kTagColumns);
}

qsizetype pageForward(qsizetype depart, qsizetype tagCount)
{
    qsizetype next = depart + kTagColumns;
    if (depart + 2 * kTagColumns > tagCount)
        next = tagCount - kTagColumns;
    return qMax<qsizetype>(0, next);
}

QStringList tagsToExtract(const QStringList &tags, const QString &infoF, const QString &nameInfo,
                          const QString &songPath, const QString &libraryFolder)
{
    const QString name = nameInfo.toUpper();
    QString folders;
    const QString library = QDir::cleanPath(libraryFolder);
    const QString parent = QFileInfo(songPath).absolutePath();
    if (!library.isEmpty() && parent.startsWith(library + QLatin1Char('/')))
        folders = parent.mid(library.size() + 1).toUpper();
    QStringList found;
    for (const QString &tag : tags) {
        const QString upper = tag.toUpper();
        if (upper.isEmpty() || piecesrules::hasTag(infoF, tag, Qt::CaseInsensitive))
            continue;
        if (name.contains(upper) || folders.contains(upper))
            found << tag;
    }
    return found;
}

BatchResult editSongs(const PiecesList &songs, const std::function<Edits(const PiecesPtr &)> &plan,
                      const std::function<bool(int, int)> &progress)
{
    BatchResult result;
    const int total = int(songs.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            result.cancelled = true;
            break;
        }
        const PiecesPtr &song = songs.at(i);
        if (!song || !song->pieceDet)
            continue;
        bool written = false;
        for (const auto &[edit, tag] : plan(song)) {
            const Pieces::NoteEditResult r = Pieces::editTagsOnDisk(song, edit, tag);
            if (!r.failure.isEmpty()) {
                result.failures << r.failure;
                break;
            }
            written = written || r.written;
        }
        if (written)
            ++result.written;
    }
    return result;
}

QString failureMessage(const QStringList &failures)
{
    if (failures.isEmpty())
        return QString();
    return QStringLiteral("These notes were left unchanged:\n%1").arg(failures.join(QLatin1Char('\n')));
}

} // namespace tagrules
