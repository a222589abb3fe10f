#include "controller/FolderSlots.h"

#include "library/FolderWalk.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>

namespace controller {

namespace {

QString key(const char *stem, qint64 slot)
{
    return QString::fromLatin1(stem) + QString::number(slot);
}

bool validSlot(qint64 slot)
{
    return slot >= 0 && slot < SlotCount;
}

} // namespace

bool FolderSlots::isUsableFolder(const QString &path)
{
    return folderwalk::usable(path);
}

QString FolderSlots::dir(qint64 slot) const
{
    return validSlot(slot) ? dirs_[size_t(slot)] : QString();
}

qint64 FolderSlots::load(platform::UserDefaults &d, qint64 currentDirNo)
{
    for (int n = 0; n < SlotCount; ++n) {
        QString path;
        if (d.boolForKey(key("dirIsanURL", n))) {
            const QByteArray bookmark = d.dataForKey(key("url", n));
            if (!bookmark.isEmpty())
                path = QString::fromUtf8(bookmark);
        } else {
            if (d.contains(key("dir", n)))
                path = d.stringForKey(key("dir", n));
            else
                d.setBool(key("dirIsanURL", n), true);
            if (currentDirNo == n)
                currentDirNo = -1;
        }
        const bool usable = isUsableFolder(path);
        dirs_[size_t(n)] = usable ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : QString();
        missing_[size_t(n)] = !usable && !path.isEmpty() && d.boolForKey(key("dirIsanURL", n));
        missingDirs_[size_t(n)] = missing_[size_t(n)] ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : QString();
    }
    return currentDirNo;
}

QString FolderSlots::missingDir(qint64 slot) const
{
    return validSlot(slot) && missing_[size_t(slot)] ? missingDirs_[size_t(slot)] : QString();
}

bool FolderSlots::recheck(qint64 slot)
{
    return recheck(slot, isUsableFolder(missingDir(slot)));
}

bool FolderSlots::recheck(qint64 slot, bool missingUsable)
{
    if (!validSlot(slot))
        return false;
    if (missing_[size_t(slot)] && missingUsable) {
        dirs_[size_t(slot)] = missingDirs_[size_t(slot)];
        missing_[size_t(slot)] = false;
        missingDirs_[size_t(slot)].clear();
    }
    return has(slot);
}

void FolderSlots::assign(platform::UserDefaults &d, qint64 slot, const QString &path)
{
    if (!validSlot(slot))
        return;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    d.setData(key("url", slot), clean.toUtf8());
    d.setBool(key("dirIsanURL", slot), true);
    dirs_[size_t(slot)] = clean;
    missing_[size_t(slot)] = false;
    missingDirs_[size_t(slot)].clear();
}

void FolderSlots::clear(platform::UserDefaults &d, qint64 slot, bool removeStored)
{
    if (!validSlot(slot))
        return;
    dirs_[size_t(slot)].clear();
    missing_[size_t(slot)] = false;
    missingDirs_[size_t(slot)].clear();
    if (removeStored) {
        d.removeObjectForKey(key("url", slot));
        d.setBool(key("dirIsanURL", slot), true);
    }
}

void FolderSlots::writeAtShutdown(platform::UserDefaults &d) const
{
    for (int n = 0; n < SlotCount; ++n) {
        if (dirs_[size_t(n)].isEmpty() && !missing_[size_t(n)]) {
            d.removeObjectForKey(key("url", n));
            d.setBool(key("dirIsanURL", n), true);
        }
    }
}

QString folderLabel(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    QString label = p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
    label.remove(QLatin1Char('/'));
    return label;
}

FolderMenuState folderMenuState(const FolderSlots &folders, qint64 currentSlot)
{
    FolderMenuState state;
    bool found = false;
    for (int i = 0; i < SlotCount; ++i) {
        FolderMenuState::Item &item = state.items[size_t(i)];
        const QString path = folders.dir(i);
        if (!path.isEmpty()) {
            item.toolTip = path;
            item.title = folderLabel(path);
            item.clearEnabled = true;
            if (i == currentSlot) {
                state.folderMenuTitle = QStringLiteral("%1 ▹ %2").arg(QString::number(i + 1), item.title);
                found = true;
            }
        } else {
            item.toolTip = QStringLiteral("Click to assign");
            item.title = QStringLiteral("(unassigned)");
        }
    }
    state.slotActionsEnabled = found;
    state.songItemShown = found;
    if (found) {
        state.songMenuTitle = QStringLiteral("Song");
    } else {
        state.folderMenuTitle = QStringLiteral("? ▹ Help Tolvane");
    }
    return state;
}

} // namespace controller
