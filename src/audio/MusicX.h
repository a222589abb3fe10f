#pragma once

#include <QList>
#include <QString>

namespace audio {

class EyeTunes;

// A song as the follower compares it: upper-cased title and artist.
struct FollowCandidate {
    QString title;
    QString artist;
};

// The index, among the candidates (title order), of the song the playing
// track belongs to: a song whose title the track's title holds and whose
// artist its artist holds; among several, the longest title, then the first.
// Without such a song, the first whose title alone matches; else -1. The
// track's title and artist are trimmed and upper-cased already; an empty
// song title or artist never matches.
qint32 matchFollowedSong(const QList<FollowCandidate> &songs, const QString &title, const QString &artist);

// The follow state's mark in the genre menu's title.
QString followStateIcon(qint64 state);

// Follows the music application: which song its playing track belongs to,
// where it stands, and stopping it, from what the application said last (no
// call waits for it). Class-level state only; the controller owns the states
// and timers and calls in one at a time on the main thread.
class MusicX {
public:
    MusicX() = delete;

    // The application these calls reach (the shared one unless tests install
    // theirs; nullptr goes back to it).
    static EyeTunes &eyeTunes();
    static void setEyeTunes(EyeTunes *eyeTunes);

    static void initData();
    // Forgets the track last matched, so the next search matches again.
    static void clearPrev();
    // playerPosition := the application's position as last heard.
    static void refreshTime();
    // Asks the application to stop when it was last heard playing; true then.
    static bool stopPlayback();
    // -3 not running, -2 not playing, else the matched song's index in title
    // order (-1 none). The track last matched answers its index again.
    static qint32 obtenirIndexPieceItunesOuMusic();
    // Matches among the songs of the folder's first tab; remembers t and a.
    // An empty title matches nothing.
    static qint32 obtenirPieceSelonTitre(const QString &t, const QString &a);

    static qint32 slaveState();
    static void setSlaveState(qint32 state);
    static qint32 slaveIdx();
    static void setSlaveIdx(qint32 index);
    static double duration();
    static void setDuration(double seconds);
    static double playerPosition();
    static void setPlayerPosition(double seconds);
    static bool iTunesStartedFromQuillory();
    static void setITunesStartedFromQuillory(bool started);
    static QString &titlePrev();
    static QString &artistPrev();
};

} // namespace audio
