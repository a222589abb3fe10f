#include "controller/FolderSlots.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"

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
                path = platform::fromNativePath(bookmark);
        } else {
            if (d.contains(key("dir", n)))
                path = d.stringForKey(key("dir", n));
            else
                d.setBool(key("dirIsanURL", n), true);
            if (currentDirNo == n)
                currentDirNo = -1;
        }
        dirs_[size_t(n)] = path.isEmpty() ? QString() : platform::cleanPath(platform::absoluteFilePath(path));
        unchecked_[size_t(n)] = !path.isEmpty();
        keptIfMissing_[size_t(n)] = d.boolForKey(key("dirIsanURL", n));
        missing_[size_t(n)] = false;
        missingDirs_[size_t(n)].clear();
    }
    return currentDirNo;
}

std::array<QString, SlotCount> FolderSlots::unchecked() const
{
    std::array<QString, SlotCount> out;
    for (size_t n = 0; n < out.size(); ++n)
        if (unchecked_[n])
            out[n] = dirs_[n];
    return out;
}

QString FolderSlots::missingDir(qint64 slot) const
{
    return validSlot(slot) && missing_[size_t(slot)] ? missingDirs_[size_t(slot)] : QString();
}

bool FolderSlots::tell(qint64 slot, const QString &folder, bool usable)
{
    if (!validSlot(slot) || folder.isEmpty())
        return has(slot);
    const size_t n = size_t(slot);
    if (unchecked_[n] && dirs_[n] == folder) {
        unchecked_[n] = false;
        if (!usable) {
            dirs_[n].clear();
            missing_[n] = keptIfMissing_[n];
            missingDirs_[n] = missing_[n] ? folder : QString();
        }
    } else if (missing_[n] && missingDirs_[n] == folder && usable) {
        dirs_[n] = folder;
        missing_[n] = false;
        missingDirs_[n].clear();
    }
    return has(slot);
}

void FolderSlots::assign(platform::UserDefaults &d, qint64 slot, const QString &path)
{
    if (!validSlot(slot))
        return;
    const QString clean = platform::cleanPath(platform::absoluteFilePath(path));
    d.setData(key("url", slot), platform::nativePath(clean));
    d.setBool(key("dirIsanURL", slot), true);
    dirs_[size_t(slot)] = clean;
    unchecked_[size_t(slot)] = false;
    missing_[size_t(slot)] = false;
    missingDirs_[size_t(slot)].clear();
}

void FolderSlots::clear(platform::UserDefaults &d, qint64 slot, bool removeStored)
{
    if (!validSlot(slot))
        return;
    dirs_[size_t(slot)].clear();
    unchecked_[size_t(slot)] = false;
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
