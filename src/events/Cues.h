#pragma once

#include "library/SongEv.h"

#include <QList>
#include <QString>

// Cue texts ("▷01:30 Page 3") and the next cue of a song. Pure: the window
// survey and the song's facts are handed in.
namespace cues {

// A Tolvane window that follows the song's page changes, as the cue rules see it.
struct CueWindow {
    qint64 modeAffichage = 0;
    bool ratio21 = false;
};

struct CueContext {
    QList<CueWindow> windows;  // only Tolvane windows with synchronised page changes
    qint64 genre = 0;          // current genre; 6 is "(MUTE)"
    qint64 pageCount = 0;      // the current song's page count
    qint64 signature = 0;      // the current song's time-signature code
};

inline constexpr qint64 kGenreMute = 6;

// "(Genre=Any)" ... "(MUTE)"; empty for numbers outside 0-6.
QString genreX(qint64 genre);
// n unchanged when not 0, else the song's beats per bar.
qint32 valOrDefNbBeat(qint32 n, qint64 signature);

// "mm:ss " when withTime, else empty.
QString obtenirTimeCueX(const SongEv &ev, bool withTime);
// The one-line text of a cue, or empty when the event has none.
QString obtenirCueX(const SongEv &ev, bool withTime, const CueContext &context);
// The next timed, not yet done event that counts as a cue under the page rule.
SongEvPtr obtenirNextCue(const SongEvArray &events, const CueContext &context);

} // namespace cues
