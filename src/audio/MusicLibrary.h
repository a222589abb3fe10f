#pragma once

#include "audio/Track.h"

namespace audio {

// The user's music library: every track of the music folder.
class MusicLibrary {
public:
    virtual ~MusicLibrary() = default;
    // False when there is no music folder to read.
    virtual bool isAvailable() const = 0;
    // Every track; the first call waits for the first scan to end.
    virtual QList<Track> allMediaItems() = 0;
    // The user chose another music folder.
    virtual void changeFolder(const QString &folder) { Q_UNUSED(folder); }
};

// The folder the music library indexes: the one chosen in the preferences
// ("musicFolder"), else the desktop's music folder (XDG_MUSIC_DIR).
QString musicFolderPath();

// The installed library (the music folder's index unless another was installed).
MusicLibrary &musicLibrary();
// Installs a library (not owned); nullptr goes back to the music folder's index.
void setMusicLibrary(MusicLibrary *library);

// A library of tracks given in advance; no files are read.
class StaticMusicLibrary final : public MusicLibrary {
public:
    explicit StaticMusicLibrary(QList<Track> tracks = {}, bool available = true)
        : tracks_(std::move(tracks)), available_(available)
    {
    }
    bool isAvailable() const override { return available_; }
    QList<Track> allMediaItems() override { return tracks_; }
    void setTracks(QList<Track> tracks) { tracks_ = std::move(tracks); }

private:
    QList<Track> tracks_;
    bool available_;
};

} // namespace audio
