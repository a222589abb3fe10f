#pragma once

#include "audio/MusicLibrary.h"

#include <QHash>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

namespace audio {

// The music library as an index of one folder and its subfolders, read with
// TagLib: title (else the file name), artist, comment, genre and length of
// every audio file. The main thread never waits on a scan: scans run on a
// worker thread and their tracks replace the index in one step when they end;
// until then look-ups are answered from the index kept from the last run. A
// file whose size and date are those of the last scan is not read again.
// Only regular files are read (links followed), and never past a size cap.
// A scan that is stopped (a folder change, the index gone) delivers nothing;
// it ends within a moment, and one stuck in the file system is left behind
// without being waited for: answered once the program has ended, it goes no
// further (platform::BeforeTheEnd). Whether the folder is there is also
// learnt by the scan: the main thread never asks the file system.
class MusicFolderIndex final : public MusicLibrary {
public:
    // Reads one file's tags from the descriptor the scan opened and checked;
    // the path names the file and tells its kind. Gives up once stop is set,
    // touching nothing of the program's: the scan enters a platform::BeforeTheEnd
    // once it returns.
    using TrackReader =
        std::function<std::optional<Track>(const QString &path, int descriptor, const std::atomic<bool> &stop)>;

    // Whether the folder is there to be read. Asked on the scan thread only:
    // a sleeping or lost network share may keep it waiting.
    using FolderCheck = std::function<bool(const QString &folder)>;

    // An empty folder makes a library that is not available; so does a missing
    // one, once its first scan has looked.
    MusicFolderIndex(const QString &folder, const QString &cacheFile, TrackReader reader = &readTrack,
                     FolderCheck isFolder = &isFolderOnDisk);
    ~MusicFolderIndex() override;

    // As the last scan found it. Until a scan has looked, the folder counts as
    // there (its kept index answers, else look-ups wait for the scan).
    bool isAvailable() const override;
    void lookAgain() override;
    // The index as it stands; starts a scan in the background when the last
    // one is old (or none has ended, as for a folder made since).
    QList<Track> allMediaItems() override;
    bool isIndexing() const override;
    int filesSoFar() const override;
    // Forgets the index and reads the new folder at once; the old folder's
    // scan is stopped, not waited for.
    void changeFolder(const QString &folder) override;
    // The folder of the index kept from the last run, as changeFolder does;
    // none when no index was kept.
    void followKeptFolder() override;

    // Starts a scan unless one runs.
    void rescan();
    bool scanRunning() const;
    // For tests and benchmarks: blocks until every scan has ended, those
    // stopped too.
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
    static std::optional<Track> readTrack(const QString &path, int descriptor, const std::atomic<bool> &stop);
    // The folder check unless another is given.
    static bool isFolderOnDisk(const QString &folder);

private:
    struct Scan;
    struct Shared;
    struct Job;

    void startScan(bool loadKept);
    // Tells the scan running to stop, and answers it.
    std::shared_ptr<Scan> stopScan();
    static void scan(const Job &job);

    // Main thread only; a scan is handed its own copy.
    QString folder_;
    const QString cacheFile_;
    const TrackReader reader_;
    const FolderCheck isFolder_;
    // All a scan touches: it outlives the index while a scan holds it.
    const std::shared_ptr<Shared> shared_;
    // Scans that end after the index is gone deliver nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace audio
