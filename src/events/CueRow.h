#pragma once

#include "library/SongEv.h"

#include <QString>
#include <QStringList>

// What one cue row shows of an event and the event it gives back: a time, one
// of 29 kinds and the value fields that kind needs. Pure: the window
// identifiers, destinations and groups are handed in.
namespace cuerow {

inline constexpr int kKindCount = 29;

// Kinds with a meaning of their own in the rules below.
enum Kind : int {
    KindNone = 0,
    KindPage = 1,
    KindPageBottom = 2,
    KindMessage = 3,
    KindWinText = 4,
    KindCue = 5,
    KindTempo = 6,
    KindCountDown = 11,
    KindDisplayCountTo = 14,
    KindPlay = 15,
    KindChordGuitar = 18,
    KindChordHidden = 21,
    KindGroup = 22,
    KindNote = 23,
    KindProgram = 24,
    KindControl = 25,
    KindCoarseTune = 26,
    KindTranspose = 27,
    KindSysex = 28,
};

// The library's event table offers only "none" and the MIDI kinds 22-28.
int kindForIndex(int comboIndex, bool lib);
int indexForKind(int kind, bool lib);
// The item texts of the kind combo (29, or 8 in the library table).
QStringList kindItems(bool lib);

// What a kind shows besides the time.
struct Layout {
    bool val1 = false, val1a = false, val1b = false, val1c = false;
    bool winIds = false; // the window-identifier combo holds identifiers
    bool dests = false;  // it holds MIDI destinations and channels
    bool groups = false; // the group combo holds event-library groups
    bool semiTones = false;
    QString ph1, ph1a, ph1b, ph1c; // placeholders
    bool showsWinCombo() const { return winIds || dests; }
    bool showsFavCombo() const { return groups || semiTones; }
};
Layout layoutFor(int kind);

// One row as text: the time, the kind, the value fields and the two combo
// choices (an identifier, destination or "Ch. n" in winId; a group
// identifier or semitone in fav; empty for none).
struct Row {
    int kind = KindNone;
    QString mmss, val1, val1a, val1b, val1c;
    QString winId, fav;
};

// The names the combos offer.
struct Lists {
    QStringList winIds;
    QStringList destIds;
    QStringList groupIds;
    QStringList groupDescrs; // one per group
};

Row rowForEvent(const SongEv &ev, bool lib);
// Rewrites the event from the row (time, type, action and text).
void applyRow(const Row &row, SongEv &ev);
// The same for a row first shown as `shown` for the event `original`: while
// the user leaves the values as shown, the event keeps its own text and
// only its time follows the row.
void applyEdit(const Row &row, const Row &shown, const SongEv &original, SongEv &ev);

// A combo's items: what each shows, the choice it stands for, which is selected.
struct Combo {
    QStringList texts;
    QStringList choices;
    int selected = 0;
};
// Identifiers or destinations (then "Ch. 1" to "Ch. 16"). A choice matches
// without case; one not offered is added, so it is never lost.
Combo winIdCombo(const QString &choice, bool dest, const Lists &lists);
// Groups ("ID:description") or the 13 semitone steps "+6" to "-6".
Combo favCombo(const QString &choice, bool semiTone, const Lists &lists);

// The semitone step of an item 0-12 ("+6" ... "0" ... "-6"), "0" otherwise,
// and the item of a step text ("+3", "-1"; anything else is item 6, "0").
QString semiToneText(int index);
int semiToneIndex(const QString &text);

// "@name", "@n" for "Ch. n+1", "@0" for no destination.
QString destSuffix(const QString &choice);

// The time field after editing: "mm:ss" from "1:30", "130", "90", "75:99".
QString normaliseTime(const QString &text);

// Changing the kind in the cue table keeps the texts within one family.
bool keepsTexts(int fromKind, int toKind, bool lib);
// The row's texts once its kind changes to `kind`: kept within a family,
// "6" for a newly chosen play (cue table), the second and third numbers emptied.
Row withKind(Row row, int kind, bool lib);
// The row as its combos show it: a window, destination or group named in
// another case takes the listed name.
Row asOffered(Row row, const Lists &lists);

// How a row looks: its time colour and its background strength.
enum class TimeColour { Normal, Red, Grey };
struct Look {
    TimeColour time = TimeColour::Normal;
    double alpha = 0.01;
};
Look lookFor(const SongEv &ev);

} // namespace cuerow
