#pragma once

#include "controller/ControllerOptions.h"

#include <QString>
#include <array>

namespace platform {
class UserDefaults;
}

namespace controller {

// The eight library-folder slots. A slot's "bookmark" is the folder's
// absolute path; a slot whose folder is missing or unreadable reads as empty.
class FolderSlots {
public:
    // Folder of slot 0-7; empty when unassigned or out of range.
    QString dir(qint64 slot) const;
    bool has(qint64 slot) const { return !dir(slot).isEmpty(); }
    // The stored folder of a slot whose folder was missing at start (a stick
    // not plugged in); "" for any other slot.
    QString missingDir(qint64 slot) const;
    // A missing folder that is back becomes the slot's folder again. Answers
    // whether the slot has a folder now.
    bool recheck(qint64 slot);
    // The same with the missing folder's usability as a read found it.
    bool recheck(qint64 slot, bool missingUsable);

    // Start-up: resolves every slot from its keys ("dirIsanURL%1", "url%1",
    // and the older "dir%1"). Answers the slot to open, which becomes -1 (the
    // help folder) when it was stored in the older layout.
    qint64 load(platform::UserDefaults &defaults, qint64 currentDirNo);

    // A folder chosen for a slot: stored under "url%1" with "dirIsanURL%1" YES.
    void assign(platform::UserDefaults &defaults, qint64 slot, const QString &path);
    // Forgets a slot in memory; with removeStored, also its stored folder.
    void clear(platform::UserDefaults &defaults, qint64 slot, bool removeStored);

    // Shut-down: an empty slot loses its "url" key and gets "dirIsanURL" YES,
    // except a slot whose stored folder was only missing (a drive not
    // plugged in): it comes back once its folder is there again.
    void writeAtShutdown(platform::UserDefaults &defaults) const;

    // Whether the folder exists and can be listed.
    static bool isUsableFolder(const QString &path);

private:
    std::array<QString, SlotCount> dirs_;
    std::array<bool, SlotCount> missing_{};
    std::array<QString, SlotCount> missingDirs_;
};

// The last path component, without any "/" (the slot menu's label).
QString folderLabel(const QString &path);

// What the folder menu shows for a current slot (-1: the help folder).
struct FolderMenuState {
    struct Item {
        QString title;
        QString toolTip;
        bool clearEnabled = false;
    };
    QString folderMenuTitle;   // "%1 ▹ %2", or "? ▹ Help Tolvane"
    QString songMenuTitle;     // "Song" with a current slot, else ""
    bool slotActionsEnabled = false;  // reveal, export, continue play, follow
    bool songItemShown = false;
    std::array<Item, SlotCount> items;
};
FolderMenuState folderMenuState(const FolderSlots &folders, qint64 currentSlot);

} // namespace controller
