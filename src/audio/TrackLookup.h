#pragma once

#include "audio/Track.h"

#include <QStringList>

#include <array>
#include <optional>

namespace audio {

// Whether a song's track plays: the program's own player, or with the music
// application in use, the application's player.
bool trackPlays();

// The recordings a song may have, found by words in a track's genre.
enum class Slot { Any, Cover, BackingTrack, Practice, Recording, Best };
inline constexpr int kSlots = 6;

struct TrackChoice {
    // Index into the track list of the best track of each slot.
    std::array<std::optional<qsizetype>, kSlots> bySlot;
    // The track chosen for the genre, else the best of all; nullopt: none.
    std::optional<qsizetype> chosen;

    std::optional<qsizetype> slot(Slot s) const { return bySlot[size_t(s)]; }
};

// Chooses a song's track among the library's tracks, by the song's title and
// artist and the genre (1 Any, 2 Cover, 3 Backing Track, 4 Practice,
// 5 Recording; any other genre takes the best track of all). A track is a
// candidate when its title holds the song's, whatever the case and accents;
// an empty song title has no candidates. The files are not looked at: the
// library lists the ones its scan found, and the player says when one went.
TrackChoice chooseTrack(const QList<Track> &tracks, const QString &title, const QString &artist, qint64 genre);

// The tracks an export copies of a song: the one chosen for each genre from
// 1 Any to 5 Recording, each once.
QStringList tracksToExport(const QList<Track> &items, const QString &title, const QString &artist);

// A track copied into an export folder under its own name, never over a file
// there. It waits on the music folder and the export folder: never on the main thread.
enum class CopyResult { Copied, AlreadyThere, Failed };
CopyResult copyTrackInto(const QString &source, const QString &folder);
// A track over this is neither indexed nor copied. A song stays far below it
// even as 24-bit 96 kHz stereo WAV (an hour of that is just under 2 GB); above
// it, TagLib might read a damaged file end to end.
inline constexpr qint64 kMaxTrackBytes = qint64(2) << 30;

// The text as compared in a title search: precomposed, accents dropped, case folded.
QString searchFold(const QString &text);

} // namespace audio
