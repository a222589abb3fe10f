#include "settings/InspectorRules.h"

#include "platform/Keys.h"
#include "platform/Vocabulary.h"

#include <initializer_list>

namespace inspector {

namespace {

bool oneOf(qint64 type, std::initializer_list<qint64> types)
{
    for (qint64 t : types)
        if (t == type)
            return true;
    return false;
}

// A document window of the types 0-16 other than the summary window.
bool notSummary(qint64 type)
{
    return type >= 0 && type <= 16 && type != 1;
}

} // namespace

QStringList modeItems()
{
    return {QStringLiteral("Auto"), QStringLiteral("Half Page Zoom"), QStringLiteral("Single Page"),
            QStringLiteral("Single Page Ratio 2:1"), QStringLiteral("Alternate Left/Right"),
            QStringLiteral("Slide to Left")};
}

QStringList fixPageNoItems(qint64 type)
{
    if (type == kChordStrip)
        return {QStringLiteral("Guitar"), QStringLiteral("Ukulele"), QStringLiteral("Piano")};
    return {QStringLiteral("+0 (default)"), QStringLiteral("+1"), QStringLiteral("+2"), QStringLiteral("+3"),
            QStringLiteral("+4"), QStringLiteral("+5"), QStringLiteral("+6")};
}

QString fixPageNoLabel(qint64 type)
{
    return type == kChordStrip ? QStringLiteral("Instrument") : QStringLiteral("Page No.");
}

QStringList metroItems(qint64 type)
{
    if (oneOf(type, {kNoTarget, 0, 5, 9}))
        return {QStringLiteral("Simple"), QStringLiteral("Double"), QStringLiteral("Acc. to Signature"),
                QStringLiteral("No Metronome")};
    if (type == kChordStrip)
        return {QStringLiteral("Left-Handed"), QStringLiteral("Right-Handed")};
    return {QStringLiteral("Center"), QStringLiteral("Left"), QStringLiteral("Right")};
}

QString metroLabel(qint64 type)
{
    if (oneOf(type, {kNoTarget, 0, 5, 9}))
        return QStringLiteral("Metronome");
    if (type == kChordStrip)
        return QStringLiteral("Direction");
    return QStringLiteral("Alignment");
}

bool winIDEnabled(qint64 type)
{
    return oneOf(type, {0, 1, 8, kChordStrip});
}

WinIDCombo winIDComboForChordStrip(const QList<OpenWindowBinding> &windows, const QString &targetAltDir)
{
    WinIDCombo combo;
    combo.items << QStringLiteral("Master");
    for (const OpenWindowBinding &w : windows)
        if (w.altMode != 0)
            combo.items << w.altDir;
    // The last item bearing the target's identifier.
    for (int i = int(combo.items.size()) - 1; i > 0; --i)
        if (combo.items.at(i) == targetAltDir) {
            combo.selected = i;
            break;
        }
    return combo;
}

WinIDCombo winIDComboForWindow(const QStringList &knownIds, qint64 targetAltMode, const QString &targetAltDir)
{
    WinIDCombo combo;
    combo.items << QStringLiteral("Master") << knownIds;
    if (targetAltMode == 0)
        return combo;
    const qsizetype at = knownIds.indexOf(targetAltDir);
    if (at >= 0) {
        combo.selected = int(at) + 1;
    } else {
        combo.items << targetAltDir;
        combo.selected = int(combo.items.size()) - 1;
    }
    return combo;
}

int modeItemFor(qint64 modeAffichage, bool singlePageForce, bool ratio21)
{
    switch (modeAffichage) {
    case 0: return 0;
    case 1: return 1;
    case 2: return singlePageForce ? (ratio21 ? 3 : 2) : 0;
    case 4: return 4;
    case 5: return 5;
    default: return -1;
    }
}

ModeChoice modeChoice(int item, bool wide)
{
    ModeChoice c;
    switch (item) {
    case 0: c.modeAffichage = wide ? 0 : 2; break;
    case 1:
        c.refused = !wide;
        c.modeAffichage = 1;
        c.fixPageNoEnabled = false;
        break;
    case 2:
        c.modeAffichage = 2;
        c.singlePageForce = true;
        break;
    case 3:
        c.modeAffichage = 2;
        c.singlePageForce = true;
        c.ratio21 = true;
        c.fixPageNoEnabled = false;
        break;
    case 4: c.modeAffichage = 4; break;
    case 5: c.modeAffichage = 5; break;
    default: c.refused = true; break;
    }
    return c;
}

bool fixPageNoEnabled(qint64 type, qint64 modeAffichage, bool ratio21)
{
    if (type == kChordStrip)
        return true;
    return type == 0 && modeAffichage != 1 && !ratio21;
}

int metroDeadItem(qint64 type, qint64 instrument)
{
    if (type == kNoTarget || type == 7 || type == 12)
        return 1;
    if (type == kChordStrip && instrument == 2)
        return 0;
    return -1;
}

bool toggleEnabled(Toggle toggle, qint64 type, bool syncPageChanges)
{
    switch (toggle) {
    case Toggle::HideTabs:
    case Toggle::ChordProChordsBold:
    case Toggle::ChordProLyricsBold:
    case Toggle::PageNoPDFHide:
    case Toggle::PageNoCHDHide:
    case Toggle::NoShadow:
    case Toggle::LyricsOnly:
    case Toggle::SyncPageChanges: return type == 0;
    case Toggle::PageUpDown: return type == 0 && !syncPageChanges;
    case Toggle::HideFrame: return oneOf(type, {0, 2, 4, 8, 10, 11, 13, 15, 16});
    case Toggle::HideTitleElements: return oneOf(type, {0, 8, 13});
    case Toggle::HideList: return oneOf(type, {0, 8});
    case Toggle::Transparent:
    case Toggle::AlwaysOnTop: return notSummary(type);
    }
    return false;
}

QString toggleTitle(Toggle toggle, qint64 type)
{
    switch (toggle) {
    case Toggle::HideTabs: return QStringLiteral("Hide Tabs");
    case Toggle::ChordProChordsBold: return QStringLiteral("ChordPro Chords Bold");
    case Toggle::ChordProLyricsBold: return QStringLiteral("ChordPro Lyrics Bold");
    case Toggle::PageNoPDFHide: return QStringLiteral("Hide PDF Page No.");
    case Toggle::PageNoCHDHide: return QStringLiteral("Hide ChordPro Page No.");
    case Toggle::NoShadow: return QStringLiteral("No Shadow");
    case Toggle::LyricsOnly: return QStringLiteral("Lyrics Only");
    case Toggle::SyncPageChanges: return QStringLiteral("Sync Page Changes");
    case Toggle::PageUpDown: return QStringLiteral("Use Page Up/Down");
    case Toggle::HideFrame:
        return oneOf(type, {2, 4, 8, 10, 11, 13, 15, 16}) ? QStringLiteral("Hide on List")
                                                           : QStringLiteral("Hide Half Page Frame");
    case Toggle::HideTitleElements:
        if (type == 8)
            return QStringLiteral("Hide if no Note");
        return type == 13 ? QStringLiteral("Hide Time") : QStringLiteral("Hide Note");
    case Toggle::HideList:
        return type == 8 ? QStringLiteral("Clear after 30 seconds") : QStringLiteral("Hide List");
    case Toggle::Transparent: return type == 0 ? QStringLiteral("Hide Title") : QStringLiteral("Transparent");
    case Toggle::AlwaysOnTop: return type == 0 ? QStringLiteral("Hide Tempo") : QStringLiteral("Always on Top");
    }
    return QString();
}

int hideTitleElementsCode(qint64 type)
{
    if (type == 8)
        return vocab::NoteChanged;
    return type == 13 ? vocab::CuesChanged : 0;
}

bool wellLive(int slot, qint64 type)
{
    switch (slot) {
    case 0: return oneOf(type, {0, 1, 2, 4, 5, 8, 9, 10, 11, 13, 14, 15, 16});
    case 1: return type >= 0 && type <= 16;
    case 2: return oneOf(type, {0, 1, 3, 5, 6, 7, 14});
    case 3: return oneOf(type, {0, 1, 5, 9, 13, 14});
    case 4: return oneOf(type, {0, 1, 3, 5, 6, 7, 9, 11, 14});
    case 5: return oneOf(type, {0, 14});
    default: return slot > 5 && slot < kWells && type == 0;
    }
}

QString wellLabel(int slot, qint64 type)
{
    const bool strip = type == kChordStrip;
    switch (slot) {
    case 0: return QStringLiteral("Active Elements");
    case 1: return QStringLiteral("Background");
    case 2: return strip ? QStringLiteral("Grid") : QStringLiteral("Inactive Elements");
    case 3: return strip ? QStringLiteral("Base Fret/Root") : QStringLiteral("Metronome");
    case 4: return strip ? QStringLiteral("Bullets") : QStringLiteral("Highlight");
    case 5: return strip ? QStringLiteral("Chord Background") : QStringLiteral("PDF Background");
    case 6: return QStringLiteral("List");
    case 7: return QStringLiteral("Active Tab (Text, Back)");
    case 9: return QStringLiteral("Inactive Tab (Text, Back)");
    case 11: return QStringLiteral("Reference Frame");
    case 12: return QStringLiteral("Marker, List Highlight, Section");
    case 15: return QStringLiteral("Chords");
    case 16: return QStringLiteral("Lyrics");
    case 17: return QStringLiteral("Comments (Text, Back)");
    case 19: return QStringLiteral("ChordPro Background");
    case 20: return QStringLiteral("Bar");
    case 21: return QStringLiteral("PDF Page No.");
    case 22: return QStringLiteral("ChordPro Page No.");
    case 23: return QStringLiteral("Lyrics Highlight");
    default: return QString(); // shares the label of the well before it
    }
}

int arrowCode(quint16 keyCode, bool shift, bool command)
{
    // Left, right, down, up for each row of modifiers.
    static const int codes[4][4] = {{14, 15, 13, 12}, {18, 19, 17, 16}, {23, 22, 21, 20}, {27, 26, 25, 24}};
    int column;
    switch (keyCode) {
    case platform::keycode::LeftArrow: column = 0; break;
    case platform::keycode::RightArrow: column = 1; break;
    case platform::keycode::DownArrow: column = 2; break;
    case platform::keycode::UpArrow: column = 3; break;
    default: return -1;
    }
    const int row = (command ? 2 : 0) + (shift ? 1 : 0);
    return codes[row][column];
}

bool placementResetsPages(int code)
{
    return code >= 4 && code <= 9;
}

bool placementChangesDisplay(int code)
{
    return code == 10 || code == 11;
}

} // namespace inspector
