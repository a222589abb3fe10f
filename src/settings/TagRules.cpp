#include "settings/TagRules.h"

#include "platform/Paths.h"

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
    const QString library = platform::cleanPath(libraryFolder);
    const QString parent = platform::absolutePath(songPath);
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

std::function<QString(const QString &)> change(const Edits &edits)
{
    return [edits](const QString &note) {
        QString text = note;
        for (const auto &[edit, tag] : edits)
            text = Pieces::tagChange(edit, tag)(text);
        return text;
    };
}

QString failureMessage(const QStringList &failures)
{
    if (failures.isEmpty())
        return QString();
    return QStringLiteral("These notes were left unchanged:\n%1").arg(failures.join(QLatin1Char('\n')));
}

} // namespace tagrules
