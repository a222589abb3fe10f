#pragma once

#include "audio/library/MusicFolderIndex.h"

#include <QFileInfo>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace testsupport {

// A latch a worker thread waits at until the test opens it; opening twice is
// harmless. Copies share one latch, so a scan left behind that still holds a
// copy never outlives the latch it waits at.
class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(latch_->mutex);
            latch_->open = true;
        }
        latch_->changed.notify_all();
    }
    void wait() const
    {
        std::unique_lock lock(latch_->mutex);
        latch_->changed.wait(lock, [this]() { return latch_->open; });
    }
    bool isOpen() const
    {
        std::lock_guard lock(latch_->mutex);
        return latch_->open;
    }

private:
    struct Latch {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = false;
    };
    std::shared_ptr<Latch> latch_ = std::make_shared<Latch>();
};

// Reads a track from its file name alone (title, artist "Band"), after
// opening `reached` and waiting for `release`: a scan the test holds at its
// first file.
inline audio::MusicFolderIndex::TrackReader gatedReader(Gate reached, Gate release)
{
    return [reached, release](const QString &path, int, const std::atomic<bool> &) mutable -> std::optional<audio::Track> {
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

// The same reader, never held.
inline audio::MusicFolderIndex::TrackReader plainReader()
{
    Gate open;
    open.open();
    return gatedReader(open, open);
}

} // namespace testsupport
