#pragma once

#include <QMimeData>
#include <QString>
#include <optional>

// The private drag types of the program's tables. Each carries the dragged
// rows' indexes as text ("3" or "3 4 7"); a receiver uses the first.
namespace dragtypes {

inline const QString TagsDataType = QStringLiteral("application/x-tolvane-TagsDataType");
inline const QString NotesSongEvDataType = QStringLiteral("application/x-tolvane-NotesSongEvDataType");
inline const QString MidiGroupDataType = QStringLiteral("application/x-tolvane-MidiGroupDataType");
inline const QString GroupSongEvDataType = QStringLiteral("application/x-tolvane-GroupSongEvDataType");
// Reordering within one table: the suffix names the window ("3" the triggers).
inline QString privateTableType(const QString &suffix)
{
    return QStringLiteral("application/x-tolvane-MyPrivateTableViewDataType") + suffix;
}

// A drag of rows (sorted, at least one) of a type.
inline QMimeData *rowsMimeData(const QString &type, const QList<int> &rows)
{
    auto *data = new QMimeData;
    QStringList text;
    for (int r : rows)
        text << QString::number(r);
    data->setData(type, text.join(QLatin1Char(' ')).toUtf8());
    return data;
}

// The first dragged row when the data holds the type and it is a valid index
// of a list of `count` entries; nothing for a drag that does not decode.
inline std::optional<int> firstRow(const QMimeData *data, const QString &type, qsizetype count)
{
    if (!data || !data->hasFormat(type))
        return std::nullopt;
    const QString text = QString::fromUtf8(data->data(type)).trimmed();
    const QString first = text.section(QLatin1Char(' '), 0, 0);
    bool ok = false;
    const int row = first.toInt(&ok);
    if (!ok || row < 0 || row >= count)
        return std::nullopt;
    return row;
}

} // namespace dragtypes
