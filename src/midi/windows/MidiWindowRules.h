#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The rules the MIDI settings windows apply, free of any widget.
namespace midiwin {

// ---- Last received message -----------------------------------------------------------------
struct LastEvent {
    QString kind;
    QString toolTip;
};
// Types 1 control change, 2 program change, 3 note on, 4 pitch wheel; nothing for another.
std::optional<LastEvent> lastEvent(qint64 type, qint64 val1, qint64 val2, qint64 val3);

// ---- Destinations --------------------------------------------------------------------------
QStringList destChannelItems();     // "All", "1" ... "16"
QStringList destFixedItems();       // every device, no MIDI
QStringList sourceFixedItems();     // any source, ignore input
QStringList trigChannelItems();     // "Any", "1" ... "16"
QStringList behaviorItems();        // "Normal", "Skip", "Skip/Reset"

// ---- Trigger source -------------------------------------------------------------------------
QStringList sourceTypeItems();      // item 0 listening, 1-6 the types
struct SourceFields {
    int shown = 0; // how many of the three value fields show (0 while listening)
    QStringList placeholders;
};
SourceFields sourceFields(int type);
// The first value survives a change of type only between note types.
bool keepsFirstValue(int previousType, int newType);

// ---- Trigger action -------------------------------------------------------------------------
QStringList actionItems();          // items 0-36
struct ActionField {
    bool shown = false;
    QString placeholder;
    QString toolTip;
};
ActionField actionField(int action);

// ---- Clock and ticks --------------------------------------------------------------------------
inline constexpr int kMaxSlots = 21;
QStringList yesNoItems();           // "✳️ Yes", "🚫 No"
QStringList tickChannelItems();     // "01" ... "16"
QStringList tickSoundItems();       // 15 percussion sounds, stored as 1-15
QStringList audibleItems();         // 5 audibility rules, stored as 0-4
QStringList syncModeItems();
QStringList tickSoundModeItems();

// The stored settings of one destination, as the keys hold them.
struct TickSettings {
    bool clock = false;
    bool ticks = false;
    qint64 channel = 10; // 1-16
    qint64 sound = 1;    // 1-15
    qint64 audible = 0;  // 0-4
};
// The combo items of stored settings (out-of-range values show the defaults).
struct TickItems {
    int clock = 1;
    int ticks = 1;
    int channel = 9;
    int sound = 0;
    int audible = 0;
};
TickItems itemsOf(const TickSettings &stored);
TickSettings settingsOf(const TickItems &items);

} // namespace midiwin
