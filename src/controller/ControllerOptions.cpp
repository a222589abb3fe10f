#include "controller/ControllerOptions.h"

#include "platform/UserDefaults.h"

#include <cmath>

namespace controller {

const QList<PopupItem> &keyActionItems()
{
    // Index 0 (period key), 2 and 3 (page keys), 5 (space bar), 15, 16 and 21
    // (grave, shift-grave and section keys) are the fallback choices.
    static const QList<PopupItem> items = {
        {7, QStringLiteral("Stop / Play")},
        {0, QStringLiteral("Previous song")},
        {2, QStringLiteral("Page up")},
        {3, QStringLiteral("Page down")},
        {1, QStringLiteral("Next song")},
        {16, QStringLiteral("Next page, else Stop / Play")},
        {18, QStringLiteral("Page down, back to page 1 at the end")},
        {4, QStringLiteral("Half-page zoom on / off")},
        {5, QStringLiteral("Show / hide the note")},
        {6, QStringLiteral("Show / hide the list (text: filter word)")},
        {8, QStringLiteral("Go to the current song")},
        {9, QStringLiteral("Send MIDI events (text: group identifier)")},
        {10, QStringLiteral("Select a tab (text: 1-9)")},
        {11, QStringLiteral("Message (text: [WinID:]message)")},
        {12, QStringLiteral("Message that stays (text: [WinID:]message)")},
        {13, QStringLiteral("Metronome on / off")},
        {14, QStringLiteral("Restart the metronome")},
        {15, QStringLiteral("Select a genre (text: 1-7)")},
        {17, QStringLiteral("Open in the external application")},
        {19, QStringLiteral("Next cue")},
        {21, QStringLiteral("Audible metronome on / off")},
        {20, QStringLiteral("Tap tempo")},
        {22, QStringLiteral("Count-in to n (text: n)")},
        {23, QStringLiteral("Count-in n (text: n)")},
        {24, QStringLiteral("Count-in to n with sound (text: n)")},
        {25, QStringLiteral("Count-in n with sound (text: n)")},
        {26, QStringLiteral("Show / hide the tabs")},
        {27, QStringLiteral("Play now")},
        {NoActionTag, QStringLiteral("Nothing")},
    };
    return items;
}

const QList<PopupItem> &swipeActionItems()
{
    // Index 2 (left-right) and 5 (up-down) are the fallback choices.
    static const QList<PopupItem> items = {
        {NoActionTag, QStringLiteral("Nothing")},
        {100, QStringLiteral("Previous / next tab")},
        {101, QStringLiteral("Previous / next song")},
        {102, QStringLiteral("Page up / down")},
        {104, QStringLiteral("Page up / down, back to page 1 at the end")},
        {103, QStringLiteral("Page up / down (pages only)")},
        {4, QStringLiteral("Half-page zoom on / off")},
        {5, QStringLiteral("Show / hide the note")},
        {7, QStringLiteral("Stop / Play")},
        {8, QStringLiteral("Go to the current song")},
        {26, QStringLiteral("Show / hide the tabs")},
    };
    return items;
}

const QList<PopupItem> &muteCountInItems()
{
    static const QList<PopupItem> items = {
        {NoActionTag, QStringLiteral("No count-in")},
        {22, QStringLiteral("Count-in to n (text: n)")},
        {23, QStringLiteral("Count-in n (text: n)")},
        {24, QStringLiteral("Count-in to n with sound (text: n)")},
        {25, QStringLiteral("Count-in n with sound (text: n)")},
    };
    return items;
}

const QList<PopupItem> &halfPageMarkerItems()
{
    // The tag is the marker style the windows read.
    static const QList<PopupItem> items = {
        {0, QStringLiteral("Grey marker")},
        {1, QStringLiteral("Marker on the half shown")},
        {2, QStringLiteral("No marker")},
    };
    return items;
}

const QList<PopupItem> &itemsFor(KeyInput input)
{
    switch (input) {
    case KeyInput::SwipeLeftRight:
    case KeyInput::SwipeUpDown:
        return swipeActionItems();
    case KeyInput::Mute:
        return muteCountInItems();
    default:
        return keyActionItems();
    }
}

int tagForIndex(KeyInput input, int index)
{
    const QList<PopupItem> &items = itemsFor(input);
    if (index < 0 || index >= items.size())
        return NoActionTag;
    return items.at(index).tag;
}

namespace {

const char *const kPopupKeys[KeyInputCount] = {
    "optSwipeLeftRight", "optSwipeUpDown", "optSpacebar", "optDot", "optMute",
    "optTild", "optTildShift", "optSlash", "optPageUp", "optPageDown",
};

// Which guard flag covers each pop-up.
const char *const kPopupGuards[KeyInputCount] = {
    "OptWasSaved2D", "OptWasSaved2D", "OptWasSaved2D", "OptWasSaved2D", "OptWasSaved3H",
    "OptWasSaved2D", "OptWasSaved3E", "OptWasSaved3F", "OptWasSaved2D", "OptWasSaved2D",
};

const char *const kGuardFlags[] = {
    "OptWasSaved3D", "OptWasSaved3E", "OptWasSaved3F", "OptWasSaved3H", "OptWasSaved3I",
    "OptWasSaved3J", "OptWasSaved3K", "OptWasSaved", "OptWasSaved2D",
};

QString slotKey(const char *stem, int slot)
{
    return QString::fromLatin1(stem) + QString::number(slot);
}

// A stored float that is not a number keeps the fallback.
double readDouble(platform::UserDefaults &d, const QString &key, double fallback)
{
    const double v = d.doubleForKey(key);
    return std::isfinite(v) ? v : fallback;
}

} // namespace

QString popupKey(KeyInput input)
{
    return QString::fromLatin1(kPopupKeys[int(input)]);
}

QString textKey(KeyInput input)
{
    return popupKey(input) + QStringLiteral("Tx");
}

std::array<int, KeyInputCount> ControllerOptions::fallbackKeyIndexes()
{
    std::array<int, KeyInputCount> a{};
    a[size_t(KeyInput::SwipeLeftRight)] = 2;
    a[size_t(KeyInput::SwipeUpDown)] = 5;
    a[size_t(KeyInput::Spacebar)] = 5;
    a[size_t(KeyInput::Dot)] = 0;
    a[size_t(KeyInput::Mute)] = 0;
    a[size_t(KeyInput::Tild)] = 15;
    a[size_t(KeyInput::TildShift)] = 16;
    a[size_t(KeyInput::Slash)] = 21;
    a[size_t(KeyInput::PageUp)] = 2;
    a[size_t(KeyInput::PageDown)] = 3;
    return a;
}

double ControllerOptions::effectiveMidiDelay() const
{
    return (std::isfinite(midiDelayVal) && midiDelayVal > 0.0) ? midiDelayVal : 0.01;
}

void ControllerOptions::read(platform::UserDefaults &d, qint64 storedNbrExec)
{
    *this = ControllerOptions();
    const bool firstRun = storedNbrExec < 1;
    if (firstRun) {
        gap = false;
        nbrExec = 2;
    } else {
        for (int i = 0; i < SlotCount; ++i) {
            contPlay[size_t(i)] = d.boolForKey(slotKey("contPlay", i));
            songNoBookMark[size_t(i)] = d.integerForKey(slotKey("songNoBookMark", i));
            sortBookMark[size_t(i)] = d.integerForKey(slotKey("sortBookMark", i));
        }
        if (d.boolForKey(QStringLiteral("OptWasSaved"))) {
            halfPageMarker = int(d.integerForKey(QStringLiteral("zoomOptHalfPageMarker")));
            zoomRedLine = d.integerForKey(QStringLiteral("zoomOptRedLine")) != 0;
            dimmer = d.integerForKey(QStringLiteral("genOptDimmer")) != 0;
            dimmerVal = readDouble(d, QStringLiteral("genOptDimmerVal"), 20.0);
            midiDelayVal = readDouble(d, QStringLiteral("genOptMidiDelayVal"), 0.01);
            if (midiDelayVal == 0.0)
                midiDelayVal = 0.01;
            centerMouse = d.integerForKey(QStringLiteral("genOptCenterMouse")) != 0;
            reverseMouse = d.integerForKey(QStringLiteral("genOptReverseMouse")) != 0;
            hiddenRegions = d.integerForKey(QStringLiteral("genOptHiddenRegions")) != 0;
            autoOpen = d.integerForKey(QStringLiteral("genOptAutoOpen")) != 0;
            extOpen = d.integerForKey(QStringLiteral("genOptExtOpen")) != 0;
        }
        if (d.boolForKey(QStringLiteral("OptWasSaved3D"))) {
            metroSound = d.integerForKey(QStringLiteral("genOptMetroSound"));
            syncMode = d.integerForKey(QStringLiteral("syncMode"));
            tickSound = d.integerForKey(QStringLiteral("tickSound2"));
        }
        if (d.boolForKey(QStringLiteral("OptWasSaved2D")))
            dimmerValInact = readDouble(d, QStringLiteral("genOptDimmerValInact"), 15.0);
        for (int i = 0; i < KeyInputCount; ++i) {
            if (d.boolForKey(QString::fromLatin1(kPopupGuards[i])))
                keyIndex[size_t(i)] = int(d.integerForKey(popupKey(KeyInput(i))));
        }
        if (d.boolForKey(QStringLiteral("OptWasSaved3I"))) {
            prevPageSong = d.integerForKey(QStringLiteral("genOptPrevPageSong")) != 0;
            nextPageSong = d.integerForKey(QStringLiteral("genOptNextPageSong")) != 0;
        }
        if (d.boolForKey(QStringLiteral("OptWasSaved3J")))
            keyPad = d.integerForKey(QStringLiteral("genOptKeyPad")) != 0;
        if (d.boolForKey(QStringLiteral("OptWasSaved3K"))) {
            keyPad2 = d.integerForKey(QStringLiteral("genOptKeyPad2")) != 0;
            gap = d.integerForKey(QStringLiteral("genOptGap")) != 0;
        }
        nbrExec = storedNbrExec + 1;
    }

    // A pop-up cannot show an index it does not have: such a value falls back.
    const auto fallbacks = fallbackKeyIndexes();
    for (int i = 0; i < KeyInputCount; ++i) {
        if (keyIndex[size_t(i)] < 0 || keyIndex[size_t(i)] >= itemsFor(KeyInput(i)).size())
            keyIndex[size_t(i)] = fallbacks[size_t(i)];
    }
    if (halfPageMarker < 0 || halfPageMarker >= halfPageMarkerItems().size())
        halfPageMarker = 2;

    slaveOn = d.boolForKey(QStringLiteral("slaveOn"));
    contPlayFlagOn = d.boolForKey(QStringLiteral("contPlayFlagOn"));
    for (int i = 0; i < KeyInputCount; ++i)
        keyText[size_t(i)] = d.stringForKey(textKey(KeyInput(i)));
    version23DejaExec = d.boolForKey(QStringLiteral("Version23DEJAEXEC"));
    d.setBool(QStringLiteral("Version23DEJAEXEC"), true);
}

void ControllerOptions::write(platform::UserDefaults &d) const
{
    platform::UserDefaults::Batch batch(d);
    for (int i = 0; i < SlotCount; ++i)
        d.setBool(slotKey("contPlay", i), contPlay[size_t(i)]);
    d.setBool(QStringLiteral("slaveOn"), slaveOn);
    d.setBool(QStringLiteral("contPlayFlagOn"), contPlayFlagOn);

    d.setInteger(QStringLiteral("zoomOptHalfPageMarker"), halfPageMarker);
    if (syncMode)
        d.setInteger(QStringLiteral("syncMode"), *syncMode);
    if (tickSound)
        d.setInteger(QStringLiteral("tickSound2"), *tickSound);
    d.setInteger(QStringLiteral("zoomOptRedLine"), zoomRedLine ? 1 : 0);
    d.setInteger(QStringLiteral("genOptDimmer"), dimmer ? 1 : 0);
    d.setDouble(QStringLiteral("genOptDimmerVal"), dimmerVal);
    d.setDouble(QStringLiteral("genOptMidiDelayVal"), midiDelayVal);
    d.setInteger(QStringLiteral("genOptCenterMouse"), centerMouse ? 1 : 0);
    d.setInteger(QStringLiteral("genOptReverseMouse"), reverseMouse ? 1 : 0);
    d.setInteger(QStringLiteral("genOptHiddenRegions"), hiddenRegions ? 1 : 0);
    d.setInteger(QStringLiteral("genOptAutoOpen"), autoOpen ? 1 : 0);
    if (metroSound)
        d.setInteger(QStringLiteral("genOptMetroSound"), *metroSound);
    d.setInteger(QStringLiteral("genOptExtOpen"), extOpen ? 1 : 0);
    d.setInteger(QStringLiteral("genOptKeyPad"), keyPad ? 1 : 0);
    d.setInteger(QStringLiteral("genOptKeyPad2"), keyPad2 ? 1 : 0);
    d.setInteger(QStringLiteral("genOptGap"), gap ? 1 : 0);
    d.setInteger(QStringLiteral("genOptPrevPageSong"), prevPageSong ? 1 : 0);
    d.setInteger(QStringLiteral("genOptNextPageSong"), nextPageSong ? 1 : 0);
    d.setDouble(QStringLiteral("genOptDimmerValInact"), dimmerValInact);
    for (int i = 0; i < KeyInputCount; ++i)
        d.setInteger(popupKey(KeyInput(i)), keyIndex[size_t(i)]);
    {
        // The song each folder showed is the program's record, not the
        // performer's change: a store that cannot take it keeps nothing aside.
        const platform::UserDefaults::Bookkeeping own(d);
        for (int i = 0; i < SlotCount; ++i)
            d.setInteger(slotKey("songNoBookMark", i), songNoBookMark[size_t(i)]);
    }
    for (int i = 0; i < SlotCount; ++i)
        d.setInteger(slotKey("sortBookMark", i), sortBookMark[size_t(i)]);
    for (int i = 0; i < KeyInputCount; ++i)
        d.setString(textKey(KeyInput(i)), keyText[size_t(i)]);
    for (const char *flag : kGuardFlags)
        d.setBool(QString::fromLatin1(flag), true);
}

namespace {

template <typename T>
void takeChange(T &field, const T &before, const T &after)
{
    if (after != before)
        field = after;
}

} // namespace

ControllerOptions withChangedPreferences(const ControllerOptions &before, const ControllerOptions &after,
                                         ControllerOptions onto)
{
    takeChange(onto.halfPageMarker, before.halfPageMarker, after.halfPageMarker);
    takeChange(onto.zoomRedLine, before.zoomRedLine, after.zoomRedLine);
    takeChange(onto.dimmer, before.dimmer, after.dimmer);
    takeChange(onto.dimmerVal, before.dimmerVal, after.dimmerVal);
    takeChange(onto.dimmerValInact, before.dimmerValInact, after.dimmerValInact);
    takeChange(onto.midiDelayVal, before.midiDelayVal, after.midiDelayVal);
    takeChange(onto.centerMouse, before.centerMouse, after.centerMouse);
    takeChange(onto.reverseMouse, before.reverseMouse, after.reverseMouse);
    takeChange(onto.hiddenRegions, before.hiddenRegions, after.hiddenRegions);
    takeChange(onto.autoOpen, before.autoOpen, after.autoOpen);
    takeChange(onto.extOpen, before.extOpen, after.extOpen);
    takeChange(onto.keyPad, before.keyPad, after.keyPad);
    takeChange(onto.keyPad2, before.keyPad2, after.keyPad2);
    takeChange(onto.gap, before.gap, after.gap);
    takeChange(onto.prevPageSong, before.prevPageSong, after.prevPageSong);
    takeChange(onto.nextPageSong, before.nextPageSong, after.nextPageSong);
    for (size_t i = 0; i < size_t(KeyInputCount); ++i) {
        // An action and its parameter go together.
        if (after.keyIndex[i] != before.keyIndex[i] || after.keyText[i] != before.keyText[i]) {
            onto.keyIndex[i] = after.keyIndex[i];
            onto.keyText[i] = after.keyText[i];
        }
    }
    return onto;
}

} // namespace controller
