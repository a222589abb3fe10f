#pragma once

#include <QList>
#include <QString>

namespace audio {

// One track of the music library, as its file's tags give it.
struct Track {
    QString title;     // the file name without extension when untagged
    QString artist;
    QString comment;
    QString genre;
    QString location;  // absolute file path
    double length = 0; // seconds, 0 when unknown
    quint64 persistentID = 0;

    bool operator==(const Track &) const = default;
};

// The track's identifier: a 64-bit hash of its path, the same on every scan.
quint64 persistentIdForPath(const QString &path);

} // namespace audio
