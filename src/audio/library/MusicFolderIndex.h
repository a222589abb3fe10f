#pragma once

#include "audio/MusicLibrary.h"

#include <QFuture>
#include <QHash>
#include <QString>
#include <mutex>

namespace audio {

// The music library as an index of one folder and its subfolders, read with
// TagLib: title (else the file name), artist, comment, genre and length of
// every audio file. Scans run on a worker thread; a file whose size and date
// are those of the last scan is not read again. The index is kept in a cache
// file between runs.
class MusicFolderIndex final : public MusicLibrary {
public:
    // An empty or missing folder makes a library that is not available.
    MusicFolderIndex(const QString &folder, const QString &cacheFile);
    ~MusicFolderIndex() override;

    bool isAvailable() const override;
    // Waits for the first scan; later calls answer the index at once and
    // start a rescan in the background when the last one is old.
    QList<Track> allMediaItems() override;
    // Forgets the index and reads the new folder (the old one's scan ends first).
    void changeFolder(const QString &folder) override;

    // Starts a scan unless one runs.
    void rescan();
    void waitForScan();
    // Files whose tags the last finished scan read (the others came from the index).
    int filesRead() const;

    struct Entry {
        qint64 size = 0;
        qint64 modified = 0; // ms since the epoch
        Track track;
    };

    // Whether a file name is one of the audio kinds the player reads.
    static bool isAudioFileName(const QString &name);
    // Reads one file's tags; nullopt when TagLib cannot read it.
    static std::optional<Track> readTrack(const QString &path);

private:
    void scan();
    void loadCache();
    void saveCache(const QHash<QString, Entry> &entries) const;

    QString folder_;
    QString cacheFile_;
    mutable std::mutex mutex_;
    QHash<QString, Entry> entries_;
    QList<Track> tracks_;
    QFuture<void> running_;
    bool scannedOnce_ = false;
    double lastScanEnd_ = -1e9;
    int filesRead_ = 0;
};

} // namespace audio
