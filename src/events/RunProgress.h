#pragma once

#include <QString>

// How far the current song's events have been run, so that reloading them
// (a note saved while the song plays) does not fire the past ones again.
class RunProgress {
public:
    // A pass over the song's events reached this time.
    void noteRun(const QString &songKey, double seconds);
    // The cues were reset: nothing counts as reached.
    void forget();
    // The time reached for that song, or a negative value when none.
    double reachedFor(const QString &songKey) const;

    // The one kept for the current song's events.
    static RunProgress &current();

private:
    QString songKey_;
    double reached_ = -1.0;
};
