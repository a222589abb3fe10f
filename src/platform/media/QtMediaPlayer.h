#pragma once

#include "platform/MediaPlayer.h"

#include <QObject>
#include <optional>

class QAudioOutput;
class QMediaPlayer;

namespace platform {

// The player on QtMultimedia (GStreamer). Plays without an audio device too.
class QtMediaPlayer final : public QObject, public MediaPlayer {
public:
    QtMediaPlayer();
    ~QtMediaPlayer() override;

    void setSource(const QString &path) override;
    QString source() const override { return path_; }
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    bool isPlaying() const override;
    bool failed() const override;
    bool ended() const override;
    double position() const override;
    double duration() const override;

private:
    void onStatusChanged();

    QMediaPlayer *player_ = nullptr;
    QAudioOutput *output_ = nullptr;
    QString path_;
    std::optional<qint64> pendingSeekMs_;
    // Nothing for a path that is no regular file: it never reaches the backend.
    std::optional<qint64> sizeAtStart_;
    bool cutShort_ = false;
};

} // namespace platform
