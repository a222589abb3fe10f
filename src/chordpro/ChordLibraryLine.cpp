#include "chordpro/ChordLibraryLine.h"

namespace chordlib {

QString fixedName(const QString &name)
{
    return name.leftJustified(kNameWidth, QLatin1Char(' '), true);
}

QString defineLine(const QString &name, const QList<int> &strings, int baseFret)
{
    if ((strings.size() != 6 && strings.size() != 4) || baseFret < 0 || baseFret > kMaxFret)
        return {};
    QString values;
    QString mask;
    for (int v : strings) {
        if (v != kMuted && (v < 0 || v > 9))
            return {};
        if (!values.isEmpty()) {
            values += QLatin1Char(':');
            mask += QLatin1Char(':');
        }
        values += v == kMuted ? QStringLiteral("x") : QString::number(v);
        mask += QLatin1Char('x');
    }
    return QStringLiteral("{define %1|%2#%3#%4}\n")
        .arg(fixedName(name), values, mask, QString::number(baseFret).rightJustified(2, QLatin1Char('0')));
}

QString pianoLine(const QString &name, int inversion)
{
    const int inv = qBound(0, inversion, kMaxFret);
    return QStringLiteral("{x_piano %1|%2}\n")
        .arg(fixedName(name), QString::number(inv).rightJustified(2, QLatin1Char('0')));
}

} // namespace chordlib
