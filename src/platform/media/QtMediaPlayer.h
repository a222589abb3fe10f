#pragma once

#include "platform/MediaPlayer.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace platform {

// The player on QtMultimedia (GStreamer). Plays without an audio device too.
//
// The backend runs on a thread of its own: it opens the file where it is told
// of it, and a file on a network share that is waking up, or whose server is
// gone, would hold the caller there. Commands are passed on in order; what the
// player shows is what its thread saw last.
class QtMediaPlayer final : public MediaPlayer {
public:
    // The size of the regular file at a path, nothing for anything else.
    using FileLook = std::function<std::optional<qint64>(const QString &path)>;

    // `look` stands in for the file system in tests; it runs on the player's thread.
    explicit QtMediaPlayer(FileLook look = {});
    ~QtMediaPlayer() override;

    void setSource(const QString &path) override;
    QString source() const override { return path_; }
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    bool opening() const override;
    QString heldFile() const override;
    bool isPlaying() const override;
    bool failed() const override;
    bool ended() const override;
    double position() const override;
    double duration() const override;
    // The QtMultimedia players built so far, each a GStreamer pipeline.
    int playersMade() const;

private:
    class Backend;
    struct Seen;

    void post(std::function<void(Backend &)> command);

    QString path_;
    quint64 sources_ = 0; // sources set so far; what is seen belongs to one of them
    std::shared_ptr<Seen> seen_;
    QThread *thread_ = nullptr;
    Backend *backend_ = nullptr;
};

} // namespace platform
