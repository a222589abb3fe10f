#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace audio {

// Player states as four-character codes: 'kPSP' playing, 'kPSS' stopped or
// paused; all bits set when no player answered.
inline constexpr quint32 kPlayerPlaying = 0x6b505350;
inline constexpr quint32 kPlayerStopped = 0x6b505353;
inline constexpr quint32 kPlayerNoAnswer = 0xffffffff;

// A track of the music application.
struct ETTrack {
    QString name;
    QString artist; // every artist, joined by ", "
    QString album;
    QString genre;
    QString comment;
    QString location; // the file's path; for a stream, its URL
    qint64 duration = 0; // seconds
    quint64 persistentId = 0; // as in the music library's index
};

struct ETPlaylist {
    QString id; // the list's object path; "library" for the music library
    QString name;
};

// The music application, reached over MPRIS (org.mpris.MediaPlayer2.*) on the
// session bus: the player that plays, else the first. Every call ends within
// 250 ms; without a bus or a player the application is not running and calls
// answer nothing, -1 or false. Values and paths always travel as typed
// arguments, never inside other text.
class EyeTunes : public QObject {
    Q_OBJECT
public:
    explicit EyeTunes(const QDBusConnection &bus);
    static EyeTunes &sharedInstance();

    bool isRunning();
    quint32 playerState();
    // Whole seconds; -1 when no player answered.
    qint64 playerPosition();
    std::optional<ETTrack> currentTrack();

    void play();
    void pause();
    void playPause();
    void stop();
    void resume() { play(); }
    void nextTrack();
    void previousTrack();
    void backTrack() { previousTrack(); }
    void fastForward();
    void rewind();
    // Asks the player to open and play a file.
    bool playTrackWithPath(const QString &path);

    // The music library stands for the application's library; none when it
    // cannot be read.
    std::optional<ETPlaylist> libraryPlaylist();
    // Tracks of the library whose title, artist, album or comment holds the text.
    QList<ETTrack> search(const QString &text);
    // The player's playlists (none when it offers no playlists).
    QList<ETPlaylist> playlists();
    std::optional<ETPlaylist> currentPlaylist();
    // The tracks of the player's current list (empty when it keeps none).
    QList<ETTrack> currentTracks();

    // The bus name of the player these calls go to, "" when none.
    QString playerService();

Q_SIGNALS:
    // The player's state or track changed, or a player came or went.
    void playerInfoChanged();

private Q_SLOTS:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    class Deadline;
    QStringList players(Deadline &deadline);
    QString choosePlayer(Deadline &deadline);
    QVariant property(const QString &service, const QString &interface, const QString &name, Deadline &deadline);
    bool callPlayer(const QString &method, const QVariantList &args = {});

    QDBusConnection bus_;
};

// Builds a track from MPRIS metadata.
ETTrack trackFromMetadata(const QVariantMap &metadata);

} // namespace audio
