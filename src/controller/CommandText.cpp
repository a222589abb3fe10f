#include "controller/CommandText.h"

#include "library/TextNumbers.h"

namespace controller {

qint64 countInBeats(const QString &text)
{
    const qint64 n = textnum::intValue(text);
    if (n < 0)
        return -1;
    return qMin<qint64>(n, 99);
}

RoutedMessage splitMessage(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon > 0)
        return {text.left(colon), text.mid(colon + 1)};
    return {QString(), text};
}

qint64 quickFilterNumber(const QString &word)
{
    static const char *const words[] = {"ARTIST", "KEY", "TEMPO", "FLAGS", "PLAYED"};
    for (int i = 0; i < 5; ++i)
        if (word == QLatin1String(words[i]))
            return i + 1;
    return 0;
}

QString keyPrefName(qint64 key, bool keyPadOn)
{
    const QString other = QStringLiteral("(other key)");
    if (key >= 7 && key <= 10 && !keyPadOn)
        return other;
    switch (key) {
    case 1: return QStringLiteral("Arrow Left (previous song)");
    case 2: return QStringLiteral("Arrow Right (next song)");
    case 3: return QStringLiteral("Arrow Up (previous page)");
    case 4: return QStringLiteral("Arrow Down (next page)");
    case 5:
    case 7:
    case 9: return QStringLiteral("Page Up (customizable)");
    case 6:
    case 8:
    case 10: return QStringLiteral("Page Down (customizable)");
    default: return other;
    }
}

} // namespace controller
