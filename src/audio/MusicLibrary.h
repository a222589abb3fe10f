#pragma once

#include "audio/Track.h"

#include <QPointer>
#include <functional>
#include <vector>

class QObject;

namespace audio {

// The user's music library: every track of the music folder.
class MusicLibrary {
public:
    virtual ~MusicLibrary() = default;
    // False when there is no music folder to read. A question only: it never
    // waits on the file system and starts nothing.
    virtual bool isAvailable() const = 0;
    // A request found no folder: it is looked for again in the background, so
    // that one mounted since is found by the next request.
    virtual void lookAgain() {}
    // Every track known now; never waits for a scan.
    virtual QList<Track> allMediaItems() = 0;
    // The first scan of the folder runs: no track is known yet.
    virtual bool isIndexing() const { return false; }
    // The audio files the running scan has met so far.
    virtual int filesSoFar() const { return 0; }
    // The user chose another music folder.
    virtual void changeFolder(const QString &folder) { Q_UNUSED(folder); }
    // No folder is named yet (the settings are not read): the folder indexed
    // last time is followed meanwhile.
    virtual void followKeptFolder() {}

    // Runs done on the main thread once the first scan has ended (at once
    // when none runs), unless context is gone by then. Main thread only.
    void whenIndexed(const QObject *context, std::function<void()> done);

protected:
    // A scan's tracks have come in: runs what waited for them. Main thread only.
    void indexed();

private:
    std::vector<std::pair<QPointer<const QObject>, std::function<void()>>> waiting_;
};

// The folder the music library indexes: the one chosen in the preferences
// ("musicFolder"), else the desktop's music folder.
QString musicFolderPath();
// The installed library indexes the music folder, off the main thread, so
// that the first track asked for is found at once. Settings not read yet name
// no folder: the folder indexed last time answers until they do.
void followMusicFolder();
// The desktop's music folder: XDG_MUSIC_DIR from the environment when set,
// else from the user-dirs file, else ~/Music.
QString desktopMusicFolder();
// The same, from the environment's value, the user-dirs file's text and the
// home folder. A value naming the home folder itself means none.
QString desktopMusicFolderFrom(const QString &environment, const QString &userDirs, const QString &home);

// The text of a request that waits for the first scan.
QString indexingText(int filesSoFar);
// While the library's first scan runs, says so in the message line and answers true.
bool sayWhileIndexing(const MusicLibrary &library);
// What is said when there is no music folder to index.
QString noMusicFolderText();

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
