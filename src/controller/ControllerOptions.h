#pragma once

#include "controller/CommandTable.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace platform {
class UserDefaults;
}

namespace controller {

// One item of a preferences pop-up. The stored option is the item's index;
// the action run is its tag (a configurable action number, or a count-in kind).
struct PopupItem {
    int tag;
    QString title;
};

// The tag that means "no action" in the action pop-ups and "no count-in" in
// the mute pop-up.
inline constexpr int NoActionTag = 99;

// The item lists, fixed here once for the preferences window and the
// dispatcher alike.
const QList<PopupItem> &keyActionItems();    // the eight key pop-ups
const QList<PopupItem> &swipeActionItems();  // the two swipe pop-ups
const QList<PopupItem> &muteCountInItems();  // what the mute genre starts with
const QList<PopupItem> &halfPageMarkerItems();
const QList<PopupItem> &itemsFor(KeyInput input);

// Tag of the item at index in the input's pop-up; NoActionTag when out of range.
int tagForIndex(KeyInput input, int index);

// User-defaults keys of an input's pop-up and parameter text.
QString popupKey(KeyInput input);
QString textKey(KeyInput input);

// Number of folder slots.
inline constexpr int SlotCount = 8;

// The options the controller owns, the per-slot state stored beside them and
// the run count. Read once at start, written once at shut-down; the
// preferences window edits a copy.
struct ControllerOptions {
    // Guard "OptWasSaved".
    int halfPageMarker = 2;
    bool zoomRedLine = true;
    bool dimmer = false;
    double dimmerVal = 20.0;
    double midiDelayVal = 0.01;
    bool centerMouse = true;
    bool reverseMouse = false;
    bool hiddenRegions = false;
    bool autoOpen = false;
    bool extOpen = false;
    // Guard "OptWasSaved3D": no fallback, the global state keeps its start value.
    std::optional<qint64> metroSound;
    std::optional<qint64> syncMode;
    std::optional<qint64> tickSound;
    // Guard "OptWasSaved2D" (and the single-key guards 3E, 3F, 3H).
    double dimmerValInact = 15.0;
    std::array<int, KeyInputCount> keyIndex = fallbackKeyIndexes();
    std::array<QString, KeyInputCount> keyText;
    // Guards "OptWasSaved3I", "3J", "3K".
    bool prevPageSong = false;
    bool nextPageSong = false;
    bool keyPad = false;
    bool keyPad2 = false;
    bool gap = true;

    // Per-slot state and follow flags.
    std::array<bool, SlotCount> contPlay{};
    std::array<qint64, SlotCount> songNoBookMark{};
    std::array<qint64, SlotCount> sortBookMark{};
    bool slaveOn = false;
    bool contPlayFlagOn = false;

    // Run count: below 1 on a first run; reading makes it 2, later runs add 1.
    qint64 nbrExec = 0;
    // "Version23DEJAEXEC" as it was before this run set it.
    bool version23DejaExec = false;

    static std::array<int, KeyInputCount> fallbackKeyIndexes();

    // Start-up: reads every option with its guard flag, given the stored run
    // count ("NbrExec"). Sets "Version23DEJAEXEC".
    void read(platform::UserDefaults &defaults, qint64 storedNbrExec);
    // Shut-down: writes every option, the per-slot state and the guard flags.
    // The run count and the current slot are written by the controller.
    void write(platform::UserDefaults &defaults) const;

    int keyTag(KeyInput input) const { return tagForIndex(input, keyIndex[size_t(input)]); }
    const QString &text(KeyInput input) const { return keyText[size_t(input)]; }
    // The MIDI delay as applied: 0 (or nonsense) stands for 0.01 s.
    double effectiveMidiDelay() const;
};

// The preferences (what the Preferences window edits) that differ between
// before and after, made in onto: what the performer changed, and nothing else.
ControllerOptions withChangedPreferences(const ControllerOptions &before, const ControllerOptions &after,
                                         ControllerOptions onto);

} // namespace controller
