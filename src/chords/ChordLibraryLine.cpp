#include "chords/ChordLibraryLine.h"

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
        values += cordeX(v);
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

int cordeN(const QString &text)
{
    if (text.compare(QLatin1String("x"), Qt::CaseInsensitive) == 0)
        return kMuted;
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    while (i < text.size() && i - start < 9 && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    return text.mid(start, i - start).toInt();
}

QString cordeX(int value)
{
    return value < 0 ? QStringLiteral("x") : QString::number(value);
}

QString lineKey(const QString &name)
{
    return fixedName(name) + QLatin1Char('|');
}

namespace {

// Offsets from the name's first column: after the 16-column name and "|",
// values every two columns, then the filler, then two base-fret digits and "}".
struct Columns {
    int values;
    int fret;
    int end; // one past the closing brace
};

Columns columnsFor(int strings)
{
    if (strings == kPianoLine)
        return {0, kNameWidth + 1, kNameWidth + 4};
    const int firstValue = kNameWidth + 1;
    const int fillerStart = firstValue + 2 * strings - 1; // the "#" after the values
    const int fret = fillerStart + 2 * strings + 1;
    return {strings, fret, fret + 3};
}

} // namespace

std::optional<LineShape> shapeAt(const QString &text, qsizetype namePos, int strings)
{
    const Columns c = columnsFor(strings);
    if (namePos < 0 || text.size() < namePos + c.end)
        return std::nullopt;
    LineShape shape;
    for (int k = 0; k < c.values; ++k)
        shape.values.append(cordeN(text.mid(namePos + kNameWidth + 1 + 2 * k, 1)));
    shape.baseFret = cordeN(text.mid(namePos + c.fret, 2));
    return shape;
}

std::optional<LineShape> findShape(const QString &text, const QString &name, int strings)
{
    if (text.isEmpty())
        return std::nullopt;
    const qsizetype pos = text.indexOf(lineKey(name));
    if (pos < 0)
        return std::nullopt;
    return shapeAt(text, pos, strings);
}

std::optional<LibraryLine> parseLine(const QString &line, int strings)
{
    const QString head = strings == kPianoLine ? QStringLiteral("{x_piano ") : QStringLiteral("{define ");
    const Columns c = columnsFor(strings);
    const qsizetype namePos = head.size();
    if (!line.startsWith(head) || line.size() != namePos + c.end || line.at(namePos + kNameWidth) != QLatin1Char('|')
        || !line.endsWith(QLatin1Char('}')))
        return std::nullopt;
    LibraryLine parsed;
    parsed.name = line.mid(namePos, kNameWidth);
    QString expected;
    for (int k = 0; k < c.values; ++k) {
        const QChar v = line.at(namePos + kNameWidth + 1 + 2 * k);
        if (v != QLatin1Char('x') && v != QLatin1Char('X') && !(v >= QLatin1Char('0') && v <= QLatin1Char('9')))
            return std::nullopt;
        parsed.shape.values.append(cordeN(QString(v)));
        expected += (k ? QStringLiteral(":") : QString()) + v;
    }
    if (strings != kPianoLine) {
        QString filler;
        for (int k = 0; k < strings; ++k)
            filler += k ? QStringLiteral(":x") : QStringLiteral("x");
        expected += QLatin1Char('#') + filler + QLatin1Char('#');
        if (line.mid(namePos + kNameWidth + 1, expected.size()) != expected)
            return std::nullopt;
    }
    const QString fret = line.mid(namePos + c.fret, 2);
    if (!fret.at(0).isDigit() || !fret.at(1).isDigit() || fret.at(0).unicode() > '9' || fret.at(1).unicode() > '9')
        return std::nullopt;
    parsed.shape.baseFret = fret.toInt();
    if (parsed.shape.baseFret > kMaxFret)
        return std::nullopt;
    return parsed;
}

} // namespace chordlib
