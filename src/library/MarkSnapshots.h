#pragma once

#include <QString>

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

} // namespace marksnapshot
