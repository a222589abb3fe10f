#include "platform/media/QtMediaPlayer.h"

#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <cmath>

namespace platform {

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

bool endedShortOfLength(double position, double length, bool fileChanged)
{
    constexpr double kEndTolerance = 1.2;
    return length > 0 ? position < length - kEndTolerance : fileChanged;
}

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
    if (!player_->isAvailable())
        TLOG(QStringLiteral("QtMediaPlayer: no media backend, no track can play"));
}

QtMediaPlayer::~QtMediaPlayer()
{
    player_->stop();
}

void QtMediaPlayer::setSource(const QString &path)
{
    path_ = path;
    pendingSeekMs_.reset();
    cutShort_ = false;
    sizeAtStart_ = platform::regularFileSize(path);
    if (!sizeAtStart_) {
        TLOG(QStringLiteral("QtMediaPlayer: %1 is no regular file").arg(path));
        player_->setSource(QUrl());
        return;
    }
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
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia && sizeAtStart_ && !cutShort_) {
        // The backend ends a file at damaged frames, or one truncated or
        // replaced while it played, as if it had played through.
        const double length = duration();
        const bool changed = platform::regularFileSize(path_) != sizeAtStart_;
        cutShort_ = endedShortOfLength(position(), length, changed);
        if (cutShort_)
            TLOG(QStringLiteral("QtMediaPlayer: %1 ended at %2 s of %3 s%4")
                     .arg(path_, QString::number(position()), QString::number(length),
                          changed ? QStringLiteral(", changed while playing") : QString()));
    }
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
    return (!path_.isEmpty() && !sizeAtStart_) || cutShort_ || !player_->isAvailable()
           || player_->error() != QMediaPlayer::NoError || player_->mediaStatus() == QMediaPlayer::InvalidMedia;
}

bool QtMediaPlayer::ended() const
{
    return player_->mediaStatus() == QMediaPlayer::EndOfMedia && !failed();
}

double QtMediaPlayer::position() const
{
    return double(player_->position()) / 1000.0;
}

double QtMediaPlayer::duration() const
{
    return double(player_->duration()) / 1000.0;
}

} // namespace platform
