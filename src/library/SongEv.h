#pragma once

#include <QList>
#include <QString>
#include <memory>

// One event of a song's event script (also one cue row and one entry of an
// event-library group). Events exist only as script text; this record is
// what the loader makes of one line.
class SongEv {
public:
    explicit SongEv(qint64 index = 0) : index(index) {}

    // "%01d%08d%01d%08ld": timed flag, time in seconds, 0 for a "CUE:" window
    // message (so it leads its time group), index.
    QString sortString1() const;
    // mm * 60 + ss, computed wide so a silly seconds value cannot overflow.
    qint64 secondsFromTime() const { return qint64(mm) * 60 + qint64(ss); }

    qint64 index = 0;
    qint32 mm = 0;
    qint32 ss = 0;
    qint32 evType = -1;
    qint32 actionType = 0;
    QString actionTxt;
    bool traite = false;
    bool timeEv = false;
    double val = 0.0;
    qint32 colorCode = 0;
    qint32 levelNo = 0;
};

using SongEvPtr = std::shared_ptr<SongEv>;
using SongEvArray = QList<SongEvPtr>;
