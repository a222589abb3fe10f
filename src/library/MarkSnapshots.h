#pragma once

#include <QString>
#include <QStringList>

// The ten snapshots each of the played marks and of the flags, kept in the
// user defaults: "...Last" numbers the newest (1-10), "...Tx<n>" holds its
// file names one a line and "...Date<n>" when it was taken.
namespace marksnapshot {

inline constexpr qint64 kCount = 10;

struct Keys {
    QString last;
    QString text;
    QString date;
};

inline const Keys kPlayed{QStringLiteral("plogLast"), QStringLiteral("plogTx%1"), QStringLiteral("plogDate%1")};
inline const Keys kFlags{QStringLiteral("pflagsLast"), QStringLiteral("pflagsTx%1"), QStringLiteral("pflagsDate%1")};

// The first of the upper-cased lines that the upper-cased file name begins
// with (a song stands once in a marks list, at that line); -1 when none.
inline qsizetype lineFor(const QString &upperName, const QStringList &upperLines)
{
    for (qsizetype p = 0; p < upperLines.size(); ++p) {
        if (!upperLines[p].isEmpty() && upperName.startsWith(upperLines[p]))
            return p;
    }
    return -1;
}

} // namespace marksnapshot
