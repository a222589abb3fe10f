#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the window inspector shows for a target of a given window type, as
// plain values: which controls are live, their items, labels and titles.
// The inspector only copies them into its controls. A type of -1 stands for
// "no target".
namespace inspector {

inline constexpr qint64 kNoTarget = -1;
inline constexpr qint64 kChordStrip = 14;
inline constexpr int kWells = 24;

// ---- Combo boxes ----------------------------------------------------------------
QStringList modeItems();
QStringList fixPageNoItems(qint64 type);
QString fixPageNoLabel(qint64 type);
QStringList metroItems(qint64 type);
QString metroLabel(qint64 type);
bool winIDEnabled(qint64 type);

// The identifier combo of a chord strip: "Master", then the identifier of
// every open window in alternate mode, in list order.
struct OpenWindowBinding {
    qint64 altMode = 0;
    QString altDir;
};
struct WinIDCombo {
    QStringList items;
    int selected = 0;
};
WinIDCombo winIDComboForChordStrip(const QList<OpenWindowBinding> &windows, const QString &targetAltDir);
// Of other windows: "Master" and the known identifiers, plus the target's
// own when it is bound to one that is not known.
WinIDCombo winIDComboForWindow(const QStringList &knownIds, qint64 targetAltMode, const QString &targetAltDir);

// The display-mode item that shows a Tolvane window's mode; -1 leaves the
// combo as it was (a mode the inspector does not offer).
int modeItemFor(qint64 modeAffichage, bool singlePageForce, bool ratio21);

// What choosing a display-mode item does to the target.
struct ModeChoice {
    bool refused = false;   // half-page zoom on a window that is not wider than high
    qint64 modeAffichage = 0;
    bool singlePageForce = false;
    bool ratio21 = false;
    bool fixPageNoEnabled = true; // false: the page offset goes back to 0
};
ModeChoice modeChoice(int item, bool wide);

// The page-offset combo: live for a chord strip, and for a Tolvane window
// outside the half-page zoom without the 2:1 ratio.
bool fixPageNoEnabled(qint64 type, qint64 modeAffichage, bool ratio21);
// The metronome combo: the item shown when it is dead, or -1 when it is live
// (then it shows the window's type).
int metroDeadItem(qint64 type, qint64 instrument);

// ---- Toggles ------------------------------------------------------------------------
enum class Toggle {
    HideTabs, ChordProChordsBold, ChordProLyricsBold, PageNoPDFHide, PageNoCHDHide, NoShadow,
    HideTitleElements, HideList, HideFrame, LyricsOnly, SyncPageChanges, PageUpDown, Transparent,
    AlwaysOnTop
};
inline constexpr int kToggles = 14;
// Live for the type. The page up/down toggle is also dead while the window
// syncs its page changes (syncPageChanges).
bool toggleEnabled(Toggle toggle, qint64 type, bool syncPageChanges);
// The title a target of the type gives the toggle.
QString toggleTitle(Toggle toggle, qint64 type);

// The "ActionKey" code posted after the title-elements toggle; 0 for none.
int hideTitleElementsCode(qint64 type);

// ---- Colour wells (well n is slot n - 1) ------------------------------------------------
bool wellLive(int slot, qint64 type);
// The label of a slot's well for the type; the type's own text for slots 2-5.
QString wellLabel(int slot, qint64 type);

// ---- Keys -------------------------------------------------------------------------------
// The placement code of an arrow key with Shift and Command as held; -1 for
// any other key.
int arrowCode(quint16 keyCode, bool shift, bool command);

// The "ActionKey" codes the placement buttons ask for afterwards.
bool placementResetsPages(int code);
bool placementChangesDisplay(int code);

} // namespace inspector
