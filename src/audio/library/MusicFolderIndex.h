#pragma once

#include "audio/MusicLibrary.h"

#include <QFuture>
#include <QHash>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace audio {

// The music library as an index of one folder and its subfolders, read with
// TagLib: title (else the file name), artist, comment, genre and length of
// every audio file. The main thread never waits on a scan: scans run on a
// worker thread and their tracks replace the index in one step when they end;
// until then look-ups are answered from the index kept from the last run. A
// file whose size and date are those of the last scan is not read again.
class MusicFolderIndex final : public MusicLibrary {
public:
    using TrackReader = std::function<std::optional<Track>(const QString &path)>;

    // An empty or missing folder makes a library that is not available.
    MusicFolderIndex(const QString &folder, const QString &cacheFile, TrackReader reader = &readTrack);
    ~MusicFolderIndex() override;

    bool isAvailable() const override;
    // The index as it stands; starts a scan in the background when the last
    // one is old (or none has ended, as for a folder made since).
    QList<Track> allMediaItems() override;
    bool isIndexing() const override;
    int filesSoFar() const override;
    // Forgets the index and reads the new folder (the old folder's scan is
    // abandoned).
    void changeFolder(const QString &folder) override;

    // Starts a scan unless one runs.
    void rescan();
    bool scanRunning() const;
    // For tests and benchmarks: blocks until the running scan has ended.
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
    void startScan(bool loadKept);
    void scan(bool loadKept);
    // Takes the index kept from the last run when it is this folder's.
    bool loadCache();
    // Tells the main thread that tracks came in.
    void announce();
    void saveCache(const QHash<QString, Entry> &entries) const;
    void stopScan();

    QString folder_;
    QString cacheFile_;
    TrackReader reader_;
    mutable std::mutex mutex_;
    QHash<QString, Entry> entries_;
    QList<Track> tracks_;
    QFuture<void> running_;
    // The tracks are known: from the kept index or a finished scan.
    bool known_ = false;
    double lastScanEnd_ = -1e9;
    int filesRead_ = 0;
    std::atomic<int> filesSoFar_ = 0;
    std::atomic<bool> abandon_ = false;
    // Scans that end after the index is gone deliver nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace audio
