#include "platform/media/FakeMediaPlayer.h"

namespace platform {

void FakeMediaPlayer::setSource(const QString &path)
{
    calls << QStringLiteral("source ") + path;
    path_ = path;
    if (!opening_)
        held_ = path;
    loaded_ = failed_ = ended_ = false;
    position_ = duration_ = 0.0;
    pendingSeek_ = -1.0;
}

void FakeMediaPlayer::play()
{
    calls << QStringLiteral("play");
    wantsPlay_ = true;
}

void FakeMediaPlayer::pause()
{
    calls << QStringLiteral("pause");
    wantsPlay_ = false;
}

void FakeMediaPlayer::stop()
{
    calls << QStringLiteral("stop");
    wantsPlay_ = false;
    position_ = 0.0;
}

void FakeMediaPlayer::seek(double seconds)
{
    calls << QStringLiteral("seek %1").arg(seconds);
    if (loaded_)
        position_ = seconds;
    else
        pendingSeek_ = seconds;
}

void FakeMediaPlayer::setOpening(bool opening)
{
    opening_ = opening;
    if (!opening)
        held_ = path_;
}

void FakeMediaPlayer::load(double length)
{
    setOpening(false);
    loaded_ = true;
    duration_ = length;
    if (pendingSeek_ >= 0)
        position_ = pendingSeek_;
    pendingSeek_ = -1.0;
}

void FakeMediaPlayer::finish()
{
    ended_ = true;
    wantsPlay_ = false;
    failed_ = failed_ || endedShortOfLength(position_, duration_, false);
}

} // namespace platform
