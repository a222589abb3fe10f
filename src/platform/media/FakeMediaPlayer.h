#pragma once

#include "platform/MediaPlayer.h"

#include <QStringList>

namespace platform {

// A player that tests drive: loading, position and failure happen when the
// test says so. Records what was asked of it.
class FakeMediaPlayer final : public MediaPlayer {
public:
    void setSource(const QString &path) override;
    QString source() const override { return path_; }
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    bool opening() const override { return opening_; }
    QString heldFile() const override { return held_; }
    bool isPlaying() const override { return wantsPlay_ && loaded_ && !failed_ && !ended_; }
    bool failed() const override { return failed_; }
    bool ended() const override { return ended_ && !failed_; }
    double position() const override { return position_; }
    double duration() const override { return duration_; }

    // The file is read: its length (0 for one not known yet) becomes known,
    // and a seek held back takes effect.
    void load(double length);
    void setDuration(double length) { duration_ = length; }
    void setPosition(double seconds) { position_ = seconds; }
    // The file system holds the file's opening, as a share waking up does, or
    // answers. A file asked while one is held waits behind it.
    void setOpening(bool opening);
    // The file cannot be decoded.
    void fail() { failed_ = true; }
    // Playback ends by itself where it stands: at the track's length when it
    // played through, earlier at damaged frames (then it failed).
    void finish();

    // "source <path>", "play", "pause", "stop", "seek <s>" in order.
    QStringList calls;

private:
    QString path_;
    QString held_;
    bool opening_ = false;
    bool wantsPlay_ = false;
    bool loaded_ = false;
    bool failed_ = false;
    bool ended_ = false;
    double position_ = 0.0;
    double duration_ = 0.0;
    double pendingSeek_ = -1.0;
};

} // namespace platform
