#include "library/SongFiles.h"

#include "platform/Paths.h"
#include "platform/RegularFile.h"


namespace songfile {

namespace {

// The path without its extension; the path itself when it has none.
QString withoutSuffix(const QString &path)
{
    const QString suffix = platform::suffix(path);
    return suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
}

} // namespace

bool isPdfFile(const QString &path)
{
    return platform::suffix(path).compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

QString siblingWithSuffix(const QString &path, const QStringList &suffixes)
{
    const QString stem = platform::fileName(withoutSuffix(path));
    if (stem.isEmpty())
        return QString();
    const QString folder = platform::absolutePath(path);
    // Listed whole: a song name may hold characters a name filter reads as a pattern.
    QStringList names;
    for (const platform::FolderEntry &entry : platform::folderEntries(folder).value_or(QList<platform::FolderEntry>()))
        if (!entry.folder)
            names << entry.name;
    names.sort();
    for (const QString &suffix : suffixes)
        for (const QString &name : names)
            if (name.size() == stem.size() + 1 + suffix.size() && name.startsWith(stem)
                && name.mid(stem.size() + 1).compare(suffix, Qt::CaseInsensitive) == 0)
                return platform::filePath(folder, name);
    return QString();
}

QString chordProSibling(const QString &path)
{
    // Never destroyed: a thread a share held may look after the program's statics have gone.
    static const auto *kinds = new QStringList{QStringLiteral("chopro"), QStringLiteral("cho"),
                                               QStringLiteral("crd"),    QStringLiteral("tab"),
                                               QStringLiteral("cpm"),    QStringLiteral("chordpro")};
    return siblingWithSuffix(path, *kinds);
}

QString chordProPathBeside(const QString &pdfPath)
{
    return withoutSuffix(pdfPath) + QStringLiteral(".chopro");
}

DeletionPlan deletionPlan(const QString &path, const QStringList &winIDs)
{
    DeletionPlan plan;
    plan.files << path;
    plan.shared = isPdfFile(path) ? !chordProSibling(path).isEmpty()
                                  : !siblingWithSuffix(path, {QStringLiteral("pdf")}).isEmpty();
    if (plan.shared)
        return plan;
    const QString note = siblingWithSuffix(path, {QStringLiteral("txt")});
    if (!note.isEmpty())
        plan.files << note;
    const QString stem = withoutSuffix(path);
    const QString suffix = platform::suffix(path);
    for (const QString &id : winIDs) {
        if (id.isEmpty())
            continue;
        const QString alternate = siblingWithSuffix(stem + QStringLiteral("---") + id + QStringLiteral(".x"), {suffix});
        if (!alternate.isEmpty() && !plan.files.contains(alternate))
            plan.files << alternate;
    }
    return plan;
}

} // namespace songfile
