#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace platform {

// The program's own track player. A file set with setSource is opened and
// loaded in the background, never by the caller: it counts as playing only
// once it is loaded, asked to play and decodes without error. Only regular
// files reach the media backend: a named pipe would block inside its open().
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    virtual void setSource(const QString &path) = 0;
    virtual QString source() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // Seconds. A seek asked for before the file is loaded is held until then,
    // since the backend drops it.
    virtual void seek(double seconds) = 0;

    // The file system has not answered for the file yet (a network share
    // waking up): the track neither plays nor failed, and may still come.
    virtual bool opening() const = 0;
    // The file the player went to open last: while opening(), the one the
    // file system has not answered for, which may be one asked before
    // source() that still holds the player.
    virtual QString heldFile() const = 0;
    virtual bool isPlaying() const = 0;
    // The file could not be opened or decoded, is no regular file, or ended
    // by itself short of its length (endedShortOfLength): it will not play (on).
    virtual bool failed() const = 0;
    // The track played through to its end.
    virtual bool ended() const = 0;
    virtual double position() const = 0;
    // Seconds; 0 while not yet known (some files tell it late).
    virtual double duration() const = 0;
};

// Whether a track that ended by itself at `position` stopped short instead of
// playing through: more than a second and a poll (1.2 s) before its known
// length, as at damaged frames, or, with its length unknown, after its file
// changed. Nearer the end it is the track's own end: lengths of compressed
// files are estimates, and the program stops a track a second early anyway.
bool endedShortOfLength(double position, double length, bool fileChanged);

using MediaPlayerFactory = std::function<std::shared_ptr<MediaPlayer>()>;

// A new player from the installed factory (QtMultimedia unless one was installed).
std::shared_ptr<MediaPlayer> makeMediaPlayer();
// Installs the factory; an empty one goes back to QtMultimedia.
void setMediaPlayerFactory(MediaPlayerFactory factory);

} // namespace platform
