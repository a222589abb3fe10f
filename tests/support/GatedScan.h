#pragma once

#include "audio/library/MusicFolderIndex.h"

#include <QFileInfo>
#include <condition_variable>
#include <mutex>

namespace testsupport {

// A latch a worker thread waits at until the test opens it; opening twice is harmless.
class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this]() { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// Reads a track from its file name alone (title, artist "Band"), after
// opening `reached` and waiting for `release`: a scan the test holds at its
// first file.
inline audio::MusicFolderIndex::TrackReader gatedReader(Gate &reached, Gate &release)
{
    return [&reached, &release](const QString &path) -> std::optional<audio::Track> {
        reached.open();
        release.wait();
        audio::Track t;
        t.title = QFileInfo(path).completeBaseName();
        t.artist = QStringLiteral("Band");
        t.location = path;
        t.persistentID = audio::persistentIdForPath(path);
        return t;
    };
}

} // namespace testsupport
