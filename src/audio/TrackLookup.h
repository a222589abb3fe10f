#pragma once

#include "audio/Track.h"

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

// The text as compared in a title search: precomposed, accents dropped, case folded.
QString searchFold(const QString &text);

} // namespace audio
