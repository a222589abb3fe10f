#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
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

    bool operator==(const ETTrack &) const = default;
};

struct ETPlaylist {
    QString id; // the list's object path; "library" for the music library
    QString name;
};

// The music application, reached over MPRIS (org.mpris.MediaPlayer2.*) on the
// session bus: the player that plays, else the first that answers. Nothing
// here waits on the bus: players are asked asynchronously and what they said
// last is kept, so the state, position and track below are that of the
// followed player as last heard; a player that leaves a question unanswered
// for a quarter of a second is let go until it answers again. Without a bus
// or a player the application is not running and answers nothing, -1 or
// false. Values and paths always travel as typed arguments, never inside
// other text. Main thread only.
class EyeTunes : public QObject {
    Q_OBJECT
public:
    explicit EyeTunes(const QDBusConnection &bus);
    static EyeTunes &sharedInstance();
    // How long a question waits for its answer before it is dropped; 0 for
    // the program's own quarter second (a test on a loaded machine waits longer).
    static void setAnswerTime(int ms);

    // As last heard.
    bool isRunning() const;
    quint32 playerState() const;
    // Whole seconds; -1 when no player answered.
    qint64 playerPosition() const;
    std::optional<ETTrack> currentTrack() const;
    // The bus name of the followed player, "" when none.
    QString playerService() const;

    // Asks every player on the bus again. done runs once all have answered or
    // been let go, unless context is gone by then.
    void refresh(const QObject *context = nullptr, std::function<void()> done = {});

    // Commands to the followed player, sent without waiting for its answer.
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
    // Asks the player to open and play a file; false when no player is followed.
    bool playTrackWithPath(const QString &path);

    // The music library stands for the application's library; none when it
    // cannot be read.
    std::optional<ETPlaylist> libraryPlaylist();
    // Tracks of the library whose title, artist, album or comment holds the text.
    QList<ETTrack> search(const QString &text);
    // The followed player's lists, given to done when they come (none when it
    // offers no playlists or does not answer), unless context is gone by then.
    void playlists(const QObject *context, std::function<void(QList<ETPlaylist>)> done);
    void currentPlaylist(const QObject *context, std::function<void(std::optional<ETPlaylist>)> done);
    // The tracks of the player's current list (empty when it keeps none).
    void currentTracks(const QObject *context, std::function<void(QList<ETTrack>)> done);

Q_SIGNALS:
    // The followed player changed, or its state or track did.
    void playerInfoChanged();
    // The followed player said where it stands.
    void positionRead();

private Q_SLOTS:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    // What a player said last; kept when it answered with an error, so that
    // an older round's reply coming after it is known for older.
    struct Answer {
        quint64 round = 0;
        bool silent = false;
        quint32 state = kPlayerStopped;
        std::optional<ETTrack> track;
        qint64 positionUs = -1;
    };
    // What the follower sees: the followed player, its state and track.
    struct Heard {
        QString service;
        quint32 state = kPlayerNoAnswer;
        std::optional<ETTrack> track;
        bool operator==(const Heard &) const = default;
    };
    struct Round;

    // Sends call; done gets its reply, or an error when none came in time,
    // unless context is gone by then.
    void ask(const QDBusMessage &call, const QObject *context, std::function<void(const QDBusMessage &)> done);
    void listed(const std::shared_ptr<Round> &round, const QDBusMessage &reply);
    void answered(const std::shared_ptr<Round> &round, const QString &name, const QDBusMessage &reply);
    void stepDone(const std::shared_ptr<Round> &round);
    // Follows the player that plays, else the first that answered; says so when that changes what is heard.
    void follow();
    bool callPlayer(const QString &method, const QVariantList &args = {});
    void askProperty(const QString &interface, const QString &name, const QObject *context,
                     std::function<void(const QVariant &)> done);

    QDBusConnection bus_;
    quint64 rounds_ = 0;
    // The players on the bus, sorted, as last listed, and what those that answered said.
    QStringList names_;
    quint64 namesRound_ = 0;
    QHash<QString, Answer> answers_;
    Heard heard_;
};

// Builds a track from MPRIS metadata.
ETTrack trackFromMetadata(const QVariantMap &metadata);

} // namespace audio
