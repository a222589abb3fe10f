#include "library/TextNumbers.h"

#include <algorithm>
#include <limits>

namespace textnum {

qint32 intValue(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Long digit runs saturate instead of overflowing.
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min()) : std::numeric_limits<qint32>::max();
    qint64 value = 0;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min(value * 10 + (c.unicode() - '0'), limit);
    }
    return static_cast<qint32>(negative ? -value : value);
}

qint32 firstDigit(const QString &text)
{
    if (text.isEmpty() || text.at(0) < QLatin1Char('0') || text.at(0) > QLatin1Char('9'))
        return -1;
    return text.at(0).unicode() - '0';
}

quint64 longlongValue(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i + 1 < text.size() && text[i] == QLatin1Char('0') && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X')))
        i += 2;
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = QStringLiteral("0123456789abcdef").indexOf(text[i].toLower());
        if (digit < 0)
            break;
        // Too many digits saturate rather than wrap round to a small number.
        value = value > (~quint64(0) >> 4) ? ~quint64(0) : (value << 4) | quint64(digit);
    }
    return value;
}

} // namespace textnum
