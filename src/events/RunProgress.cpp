#include "events/RunProgress.h"

void RunProgress::noteRun(const QString &songKey, double seconds)
{
    // The 0:00 pass of a load says nothing about how far the track got.
    if (!(seconds > 0.0)) {
        if (songKey != songKey_)
            forget();
        return;
    }
    songKey_ = songKey;
    reached_ = seconds;
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
