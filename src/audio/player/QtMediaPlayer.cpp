#include "audio/player/QtMediaPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <cmath>

namespace audio {

namespace {

MediaPlayerFactory &installedFactory()
{
    static MediaPlayerFactory factory;
    return factory;
}

bool isLoaded(QMediaPlayer::MediaStatus status)
{
    return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia
           || status == QMediaPlayer::BufferingMedia || status == QMediaPlayer::StalledMedia;
}

} // namespace

std::shared_ptr<MediaPlayer> makeMediaPlayer()
{
    if (installedFactory())
        return installedFactory()();
    return std::make_shared<QtMediaPlayer>();
}

void setMediaPlayerFactory(MediaPlayerFactory factory)
{
    installedFactory() = std::move(factory);
}

QtMediaPlayer::QtMediaPlayer()
{
    player_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    player_->setAudioOutput(output_);
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this]() { onStatusChanged(); });
    connect(player_, &QMediaPlayer::seekableChanged, this, [this]() { onStatusChanged(); });
}

QtMediaPlayer::~QtMediaPlayer()
{
    player_->stop();
}

void QtMediaPlayer::setSource(const QString &path)
{
    path_ = path;
    pendingSeekMs_.reset();
    player_->setSource(QUrl::fromLocalFile(path));
}

void QtMediaPlayer::play()
{
    player_->play();
}

void QtMediaPlayer::pause()
{
    player_->pause();
}

void QtMediaPlayer::stop()
{
    player_->stop();
}

void QtMediaPlayer::seek(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return;
    const qint64 ms = qint64(std::llround(seconds * 1000.0));
    if (isLoaded(player_->mediaStatus()) && player_->isSeekable())
        player_->setPosition(ms);
    else
        pendingSeekMs_ = ms;
}

void QtMediaPlayer::onStatusChanged()
{
    if (pendingSeekMs_ && isLoaded(player_->mediaStatus()) && player_->isSeekable()) {
        player_->setPosition(*pendingSeekMs_);
        pendingSeekMs_.reset();
    }
}

bool QtMediaPlayer::isPlaying() const
{
    // The backend stays in the playing state after a decode error.
    return player_->playbackState() == QMediaPlayer::PlayingState && isLoaded(player_->mediaStatus())
           && player_->error() == QMediaPlayer::NoError;
}

bool QtMediaPlayer::failed() const
{
    return player_->error() != QMediaPlayer::NoError || player_->mediaStatus() == QMediaPlayer::InvalidMedia;
}

double QtMediaPlayer::position() const
{
    return double(player_->position()) / 1000.0;
}

double QtMediaPlayer::duration() const
{
    return double(player_->duration()) / 1000.0;
}

} // namespace audio
