#include "midi/windows/MidiWindowRules.h"

namespace midiwin {

std::optional<LastEvent> lastEvent(qint64 type, qint64 v1, qint64 v2, qint64 v3)
{
    const QString a = QString::number(v1), b = QString::number(v2);
    switch (type) {
    case 1:
        return LastEvent{QStringLiteral("Control Message"), QStringLiteral("Control:%1 Value:%2").arg(a, b)};
    case 2:
        return LastEvent{QStringLiteral("Program Change"),
                         QStringLiteral("MSB:%1 LSB:%2 Program:%3").arg(a, b, QString::number(v3))};
    case 3:
        return LastEvent{QStringLiteral("Note"), QStringLiteral("Note:%1").arg(a)};
    case 4:
        return LastEvent{QStringLiteral("Pitch wheel"), QStringLiteral("Control:%1 Value:%2").arg(a, b)};
    default:
        return std::nullopt;
    }
}

namespace {

QStringList numbered(const QString &first, int width)
{
    QStringList items;
    if (!first.isEmpty())
        items << first;
    for (int i = 1; i <= 16; ++i)
        items << QStringLiteral("%1").arg(i, width, 10, QLatin1Char('0'));
    return items;
}

} // namespace

QStringList destChannelItems() { return numbered(QStringLiteral("All"), 1); }
QStringList trigChannelItems() { return numbered(QStringLiteral("Any"), 1); }
QStringList tickChannelItems() { return numbered(QString(), 2); }

QStringList destFixedItems()
{
    return {QStringLiteral("✳️ All devices"), QStringLiteral("🚫 Don't send MIDI data")};
}

QStringList sourceFixedItems() { return {QStringLiteral("✳️ Any source"), QStringLiteral("🚫 Ignore input")}; }

QStringList behaviorItems() { return {QStringLiteral("Normal"), QStringLiteral("Skip"), QStringLiteral("Skip/Reset")}; }

QStringList sourceTypeItems()
{
    return {QStringLiteral("Listening…"),    QStringLiteral("Control Change"), QStringLiteral("Program Change"),
            QStringLiteral("Note On"),       QStringLiteral("Pitch Wheel"),    QStringLiteral("Note Off"),
            QStringLiteral("Note Held")};
}

SourceFields sourceFields(int type)
{
    switch (type) {
    case 1: return {3, {QStringLiteral("Ctrl"), QStringLiteral("From"), QStringLiteral("To")}};
    case 2: return {3, {QStringLiteral("MSB"), QStringLiteral("LSB"), QStringLiteral("Prg")}};
    case 3:
    case 5:
    case 6: return {1, {QStringLiteral("Note")}};
    case 4: return {2, {QStringLiteral("Ctrl"), QStringLiteral("Val")}};
    default: return {0, {}};
    }
}

bool keepsFirstValue(int previousType, int newType)
{
    auto isNote = [](int t) { return t == 3 || t == 5 || t == 6; };
    return isNote(previousType) && isNote(newType);
}

QStringList actionItems()
{
    return {QStringLiteral("No Action"),
            QStringLiteral("Previous Page"),
            QStringLiteral("Next Page"),
            QStringLiteral("Play/Pause"),
            QStringLiteral("Search"),
            QStringLiteral("Search and Play"),
            QStringLiteral("Stop"),
            QStringLiteral("Previous Song"),
            QStringLiteral("Next Song"),
            QStringLiteral("Show/Hide Notes"),
            QStringLiteral("Send MIDI Group"),
            QStringLiteral("Stop and Play"),
            QStringLiteral("Type a Character"),
            QStringLiteral("Select Tab (0-9)"),
            QStringLiteral("Scroll Current Tab"),
            QStringLiteral("Go to Song by Note"),
            QStringLiteral("Play Song by Note"),
            QStringLiteral("Select Tab"),
            QStringLiteral("Show/Hide List"),
            QStringLiteral("First Song"),
            QStringLiteral("Last Song"),
            QStringLiteral("Message"),
            QStringLiteral("Message (stays)"),
            QStringLiteral("Metronome On/Off"),
            QStringLiteral("Restart Metronome"),
            QStringLiteral("Go to Genre"),
            QStringLiteral("Play Next/Pause"),
            QStringLiteral("Next Page or Song"),
            QStringLiteral("Next Cue"),
            QStringLiteral("Tap Tempo"),
            QStringLiteral("Audible Metronome"),
            QStringLiteral("Count-in"),
            QStringLiteral("Count-in (no display)"),
            QStringLiteral("Count-in, Audible"),
            QStringLiteral("Count-in, Audible (no display)"),
            QStringLiteral("Go to Page"),
            QStringLiteral("Go to Page (bottom)")};
}

ActionField actionField(int action)
{
    const QString winID = QStringLiteral("WinID (optional)");
    const QString genre = QStringLiteral("Genre No. (1 - 6)");
    const QString beats = QStringLiteral("Nb. of beats (1 - 99)");
    switch (action) {
    case 1:
        return {true, winID,
                QStringLiteral("WinID (optional)\nWinID is optional.\nEnter a WinID to send Previous Page command to "
                               "a specific WinID. Sync Page Changes must be disabled for the specidifed WinID.")};
    case 2:
    case 27:
        return {true, winID,
                QStringLiteral("WinID (optional)\nWinID is optional.\nEnter a WinID to send Next Page command to a "
                               "specific WinID. Sync Page Changes must be disabled for the specidifed WinID.")};
    case 3:
    case 26:
        return {true, genre,
                QStringLiteral("Genre No. (1 - 6)\nGenre No. is optional.\nEnter a Genre No. to start playback "
                               "using a specific genre.")};
    case 25: return {true, genre, genre};
    case 4:
    case 5: return {true, QStringLiteral("Searchstring"), QStringLiteral("Searchstring")};
    case 10:
        return {true, QStringLiteral("MIDI Group ID"),
                QStringLiteral("MIDI Group ID\nEnter a MIDI Groupd ID that exists the MIDI Event Library.\nExample: "
                               "DEFAULT")};
    case 17: return {true, QStringLiteral("Tab No. (1 - 10)"), QStringLiteral("Tab No. (1 - 10)")};
    case 18:
        return {true, QStringLiteral("Filter (optional)"),
                QStringLiteral("Filter (optional)\nFilter can be any word, artist or tag.\nUse PLAYED, TEMPO or "
                               "ARTIST to use predefined Quick Filter")};
    case 21:
    case 22:
        return {true, QStringLiteral("WinID:Message"),
                QStringLiteral("WinID:Message\nWinID is optional.\nEnter a WinID to send a message to a specific "
                               "WinID.")};
    case 31:
    case 32:
    case 33:
    case 34:
        return {true, beats,
                QStringLiteral("Number of beats (1 - 99)\nLeave blank to automatically set the counter\naccording "
                               "to the time signature of the song.")};
    case 35:
    case 36: return {true, QStringLiteral("Page No."), QStringLiteral("Page No.")};
    default: return {};
    }
}

QStringList yesNoItems() { return {QStringLiteral("✳️ Yes"), QStringLiteral("🚫 No")}; }

QStringList tickSoundItems()
{
    return {QStringLiteral("Side Stick"),   QStringLiteral("High Wood Block"),   QStringLiteral("Low Wood Block"),
            QStringLiteral("Bass Drum"),    QStringLiteral("Cowbell"),           QStringLiteral("Metronome Click"),
            QStringLiteral("Hand Clap"),    QStringLiteral("Hi-Hat Closed"),     QStringLiteral("Hi-Hat Foot"),
            QStringLiteral("Tambourine"),   QStringLiteral("Conga Dead Stroke"), QStringLiteral("Cabasa"),
            QStringLiteral("Maracas"),      QStringLiteral("Claves"),            QStringLiteral("Triangle Mute")};
}

QStringList audibleItems()
{
    return {QStringLiteral("Use Master Switch"), QStringLiteral("Always Audible"), QStringLiteral("Always Mute"),
            QStringLiteral("First Bar"), QStringLiteral("Second Bar")};
}

QStringList syncModeItems()
{
    return {QStringLiteral("Internal"), QStringLiteral("Internal, sending MIDI Clock"),
            QStringLiteral("External MIDI Clock")};
}

// The program's own click follows the same rules as a destination's ticks.
QStringList tickSoundModeItems() { return audibleItems(); }

TickItems itemsOf(const TickSettings &s)
{
    TickItems items;
    items.clock = s.clock ? 0 : 1;
    items.ticks = s.ticks ? 0 : 1;
    items.channel = s.channel >= 1 && s.channel <= 16 ? int(s.channel - 1) : 9;
    items.sound = s.sound >= 1 && s.sound <= 15 ? int(s.sound - 1) : 0;
    items.audible = s.audible >= 1 && s.audible <= 4 ? int(s.audible) : 0;
    return items;
}

TickSettings settingsOf(const TickItems &items)
{
    return {items.clock == 0, items.ticks == 0, items.channel + 1, items.sound + 1, items.audible};
}

} // namespace midiwin
