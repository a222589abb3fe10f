#include "controller/MenuTexts.h"

#include <QStringList>

namespace controller {

namespace {

// A circled digit (① to ⑨): a single character that common menu fonts and
// the bundled one draw. Keycap sequences (digit + U+20E3) came out as boxes
// in menus, whose font has no emoji fallback.
QString circledDigit(qint64 n)
{
    return QChar(char16_t(0x2460 + n - 1));
}

QString setMark(qint64 set)
{
    return circledDigit(set >= 1 && set <= 9 ? set : 1);
}

} // namespace

QString labelNoScreen(qint64 screens)
{
    if (screens <= 9)
        return circledDigit(qMax<qint64>(screens, 1));
    return QStringLiteral("(%1)").arg(screens);
}

QString screensetMenuTitle(qint64 set, qint64 screens)
{
    return labelNoScreen(screens) + setMark(set);
}

QString screensetItemTitle(qint64 set, qint64 screens, const QString &name)
{
    return QStringLiteral("%1 Screenset %2 %3").arg(labelNoScreen(screens), setMark(set), name);
}

QString screenSetNameKey(qint64 screens, qint64 set)
{
    return QStringLiteral("screenSetName%1%2").arg(screens).arg(set);
}

QString screenTitle(const QString &manufacturer, const QString &model, const QString &name)
{
    QStringList words;
    for (const QString &part : {manufacturer, model})
        if (!part.trimmed().isEmpty())
            words << part.trimmed();
    if (!name.trimmed().isEmpty())
        words << QStringLiteral("(%1)").arg(name.trimmed());
    return words.isEmpty() ? QStringLiteral("unknown") : words.join(QLatin1Char(' '));
}

KeyFieldHint keyFieldHint(qint64 action)
{
    const QString winIdPage = QStringLiteral(
        "WinID (optional)\nWinID is optional.\nEnter a WinID to send %1 command to a specific WinID. Sync Page "
        "Changes must be disabled for the specidifed WinID.");
    const QString genre = QStringLiteral("Genre No. (1 - 6)");
    const QString beats = QStringLiteral("Number of beats (1 - 99)");
    switch (action) {
    case 2:
        return {true, QStringLiteral("WinID (optional)"), winIdPage.arg(QStringLiteral("Previous Page"))};
    case 3:
        return {true, QStringLiteral("WinID (optional)"), winIdPage.arg(QStringLiteral("Next Page"))};
    case 6:
        return {true, QStringLiteral("Filter (optional)"),
                QStringLiteral("Filter (optional)\nFilter can be any word, artist or tag.\nUse PLAYED, FLAGS, TEMPO, "
                               "KEY or ARTIST to use predefined Quick Filter")};
    case 7:
        return {true, QStringLiteral("Genre No. 1 - 6 (optional)"),
                QStringLiteral("Genre No. (1 - 6)\nGenre No. is optional.\nEnter a Genre No. to start playback using "
                               "a specific genre.\n1 Any\n2 Cover\n3 Backing Track\n4 Practice\n5 Recording\n6 MUTE")};
    case 9:
        return {true, QStringLiteral("MIDI Group ID"),
                QStringLiteral("MIDI Group ID\nEnter a MIDI Groupd ID that exists in the MIDI Event Library.\nExample: "
                               "DEFAULT")};
    case 10:
        return {true, QStringLiteral("Tab No. (1 - 10)"), QStringLiteral("Tab No. (1 - 10)")};
    case 11:
    case 12:
        return {true, QStringLiteral("WinID:Message"),
                QStringLiteral("WinID:Message\nWinID is optional.\nEnter a WinID to send a message to a specific "
                               "WinID.")};
    case 15:
        return {true, genre, genre};
    case 16:
        return {true, genre,
                QStringLiteral("Genre No. (1 - 6)\nGenre No. is optional.\nEnter a Genre No. to start playback using "
                               "a specific genre.")};
    case 22:
    case 23:
    case 24:
    case 25:
        return {true, beats,
                QStringLiteral("Number of beats (1 - 99)\nLeave blank to automatically set the counter\naccording to "
                               "the time signature of the song.")};
    case 102:
        return {true, QStringLiteral("WinID (optional)"), winIdPage.arg(QStringLiteral("Previous/Next Page(s)"))};
    case 103:
        return {true, QStringLiteral("WinID (optional)"), winIdPage.arg(QStringLiteral("Previous/Next Page"))};
    default:
        return {};
    }
}

} // namespace controller
