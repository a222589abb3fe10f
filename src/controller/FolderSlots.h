#pragma once

#include "controller/ControllerOptions.h"

#include <QString>
#include <array>

namespace platform {
class UserDefaults;
}

namespace controller {

// The eight library-folder slots. A slot's "bookmark" is the folder's
// absolute path. A stored folder is the slot's until a look at it, made off
// the main thread, finds it missing or unreadable: the slot then reads as empty.
class FolderSlots {
public:
    // Folder of slot 0-7; empty when unassigned or out of range.
    QString dir(qint64 slot) const;
    bool has(qint64 slot) const { return !dir(slot).isEmpty(); }
    // The stored folder of a slot whose folder was found missing since start
    // (a stick not plugged in); "" for any other slot.
    QString missingDir(qint64 slot) const;
    // The stored folders not looked at yet, by slot ("" for the others).
    std::array<QString, SlotCount> unchecked() const;
    // What a look at a slot's folder found: a stored folder not looked at yet
    // that cannot be used goes missing, a missing one that can comes back. A
    // look at a folder the slot no longer holds changes nothing. Answers
    // whether the slot has a folder now.
    bool tell(qint64 slot, const QString &folder, bool usable);

    // Start-up: resolves every slot from its keys ("dirIsanURL%1", "url%1",
    // and the older "dir%1") without looking at the folders. Answers the slot
    // to open, which becomes -1 (the help folder) when it was stored in the
    // older layout.
    qint64 load(platform::UserDefaults &defaults, qint64 currentDirNo);

    // A folder chosen for a slot: stored under "url%1" with "dirIsanURL%1" YES.
    void assign(platform::UserDefaults &defaults, qint64 slot, const QString &path);
    // Forgets a slot in memory; with removeStored, also its stored folder.
    void clear(platform::UserDefaults &defaults, qint64 slot, bool removeStored);

    // Shut-down: an empty slot loses its "url" key and gets "dirIsanURL" YES,
    // except a slot whose stored folder was only missing (a drive not
    // plugged in): it comes back once its folder is there again.
    void writeAtShutdown(platform::UserDefaults &defaults) const;

private:
    std::array<QString, SlotCount> dirs_;
    std::array<bool, SlotCount> unchecked_{};
    // Stored in the older layout, a folder missing at start loses its slot.
    std::array<bool, SlotCount> keptIfMissing_{};
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
