#include "controller/CommandText.h"

#include <limits>

namespace controller {

qint64 intValue(const QString &text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > std::numeric_limits<qint32>::max()) {
            value = std::numeric_limits<qint32>::max();
            break;
        }
    }
    return negative ? -value : value;
}

qint64 firstDigit(const QString &text)
{
    if (text.isEmpty())
        return -1;
    const QChar c = text.at(0);
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        return -1;
    return c.unicode() - '0';
}

qint64 countInBeats(const QString &text)
{
    const qint64 n = intValue(text);
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
