#include "settings/SetlistRules.h"

#include "platform/Paths.h"

#include <algorithm>

namespace setlist {

namespace {
const QString kKeywordSuffix = QStringLiteral(".dummy");
} // namespace

QString keywordPath(const QString &word)
{
    return word + kKeywordSuffix;
}

bool isKeywordPath(const QString &path)
{
    return path.endsWith(kKeywordSuffix) && !path.contains(QLatin1Char('/'));
}

QString listLine(const QString &path, const QString &title, bool isSetlist)
{
    if (!isSetlist || isKeywordPath(path))
        return title;
    return platform::fileName(path);
}

QString listText(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

QStringList nonEmptyLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

bool lineInLibrary(const QString &line, const QStringList &upperFileNames)
{
    const QString upper = line.toUpper();
    return std::any_of(upperFileNames.begin(), upperFileNames.end(),
                       [&](const QString &name) { return name.startsWith(upper); });
}

QString nameToSave(const QString &text, qsizetype rowCount)
{
    if (rowCount > 0 && text.isEmpty())
        return QStringLiteral("no name");
    return text;
}

std::optional<QList<int>> moveRows(int count, const QList<int> &dragged, int dropRow)
{
    QList<int> block = dragged;
    std::sort(block.begin(), block.end());
    block.erase(std::unique(block.begin(), block.end()), block.end());
    if (block.isEmpty() || block.first() < 0 || block.last() >= count)
        return std::nullopt;
    dropRow = std::clamp(dropRow, 0, count);
    QList<int> order;
    for (int r = 0; r < count; ++r)
        if (!block.contains(r))
            order << r;
    const auto above = std::count_if(block.begin(), block.end(), [&](int r) { return r < dropRow; });
    const int at = dropRow - int(above);
    for (int i = 0; i < block.size(); ++i)
        order.insert(at + i, block.at(i));
    return order;
}

int rowAfterDelete(int lastSelected, int removed, int remaining)
{
    if (remaining <= 0)
        return -1;
    return std::clamp(lastSelected - removed + 1, 0, remaining - 1);
}

QString fromSourceFormat()
{
    return QStringLiteral("application/x-tolvane-MyPrivateTableViewDataType6");
}

QString moveFormat()
{
    return QStringLiteral("application/x-tolvane-MyPrivateTableViewDataTypeMove6");
}

QString tagFormat()
{
    return QStringLiteral("application/x-tolvane-MyPrivateTableViewDataTypeTag6");
}

QByteArray encodeRows(const QList<int> &rows)
{
    QStringList parts;
    for (int r : rows)
        parts << QString::number(r);
    return parts.join(QLatin1Char(',')).toLatin1();
}

std::optional<QList<int>> decodeRows(const QByteArray &data, int rowCount)
{
    QList<int> rows;
    for (const QByteArray &part : data.split(',')) {
        bool ok = false;
        const int r = part.trimmed().toInt(&ok);
        if (!ok || r < 0 || r >= rowCount)
            return std::nullopt;
        if (!rows.contains(r))
            rows << r;
    }
    if (rows.isEmpty())
        return std::nullopt;
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace setlist
