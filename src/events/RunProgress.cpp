#include "events/RunProgress.h"

void RunProgress::noteRun(const QString &songKey, double seconds)
{
    // A pass at 0:00 (a song load, a stopped track) leaves nothing reached: a
    // reload after it must let the track fire every event again.
    songKey_ = songKey;
    reached_ = seconds > 0.0 ? seconds : 0.0;
}

void RunProgress::forget()
{
    songKey_.clear();
    reached_ = -1.0;
}

double RunProgress::reachedFor(const QString &songKey) const
{
    if (songKey_.isEmpty() || songKey != songKey_)
        return -1.0;
    return reached_;
}

RunProgress &RunProgress::current()
{
    static RunProgress progress;
    return progress;
}
