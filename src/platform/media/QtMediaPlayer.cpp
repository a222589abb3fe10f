#include "platform/media/QtMediaPlayer.h"

#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/ThreadEnd.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <cmath>
#include <mutex>

namespace platform {

namespace {

MediaPlayerFactory &installedFactory()
{
    static MediaPlayerFactory factory;
    return factory;
}

bool isLoaded(QMediaPlayer::MediaStatus status)
{
    return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia
           || status == QMediaPlayer::BufferingMedia || status == QMediaPlayer::StalledMedia;
}

} // namespace

bool endedShortOfLength(double position, double length, bool fileChanged)
{
    constexpr double kEndTolerance = 1.2;
    return length > 0 ? position < length - kEndTolerance : fileChanged;
}

std::shared_ptr<MediaPlayer> makeMediaPlayer()
{
    if (installedFactory())
        return installedFactory()();
    return std::make_shared<QtMediaPlayer>();
}

void setMediaPlayerFactory(MediaPlayerFactory factory)
{
    installedFactory() = std::move(factory);
}

// What the player's thread saw last, for the source numbered `source`.
struct QtMediaPlayer::Seen {
    std::mutex mutex;
    quint64 source = 0;
    QString path; // of that source
    bool opened = false; // the file system has answered for this source
    // Pauses and stops asked so far. Each shows at once; what the thread saw
    // before carrying it out does not change the playing state or position.
    quint64 halts = 0;
    bool playing = false;
    bool failed = false;
    bool ended = false;
    double position = 0.0;
    double duration = 0.0;
    // The player is gone: nobody asks any more, and a backend released by
    // the file system only deletes itself.
    std::atomic<bool> abandoned = false;
    // Not waited for at the player's end: it stops nothing as it goes.
    std::atomic<bool> leftBehind = false;
    std::atomic<int> players = 0; // backends built
};

// The backend, on the player's thread.
class QtMediaPlayer::Backend final : public QObject {
public:
    Backend(FileLook look, std::shared_ptr<Seen> seen) : look_(std::move(look)), seen_(std::move(seen)) {}

    ~Backend() override
    {
        if (player_ && !seen_->leftBehind)
            player_->stop();
    }

    bool abandoned() const { return seen_->abandoned; }

    void start()
    {
        // The backend tells its position now and then; a track followed every
        // fifth of a second wants it fresher.
        ticks_ = new QTimer(this);
        ticks_->setInterval(50);
        connect(ticks_, &QTimer::timeout, this, [this]() { changed(); });
        newPlayer();
        if (!available_)
            TLOG(QStringLiteral("QtMediaPlayer: no media backend, no track can play"));
        publish();
    }

    void setSource(quint64 source, const QString &path)
    {
        source_ = source;
        opened_ = false;
        path_ = path;
        pendingSeekMs_.reset();
        cutShort_ = false;
        publish();
        sizeAtStart_ = path.isEmpty() ? std::nullopt : look_(path);
        if (abandoned())
            return;
        if (player_ && !player_->source().isEmpty())
            dropPlayer();
        if (sizeAtStart_) {
            if (!player_)
                newPlayer();
            player_->setSource(QUrl::fromLocalFile(path));
        } else if (!path.isEmpty()) {
            TLOG(QStringLiteral("QtMediaPlayer: %1 is no regular file").arg(path));
        }
        opened_ = true;
        publish();
    }

    void play()
    {
        if (player_)
            player_->play();
    }
    void pause()
    {
        ++halts_;
        if (player_)
            player_->pause();
    }
    void stop()
    {
        ++halts_;
        if (player_)
            player_->stop();
    }

    void seek(qint64 ms)
    {
        if (player_ && isLoaded(player_->mediaStatus()) && player_->isSeekable())
            player_->setPosition(ms);
        else
            pendingSeekMs_ = ms;
        changed();
    }

private:
    // A file gets a player that never had one: one player tells what became
    // of its last file (its end above all, handled late) as of the next one,
    // even once that has loaded and started: a track asked right as the one
    // before ended stopped at 0 s, said cut short. Building one costs its
    // thread milliseconds: the start's takes the first file, and a stop or
    // what is no regular file builds none.
    void newPlayer()
    {
        ++seen_->players;
        player_ = new QMediaPlayer(this);
        player_->setAudioOutput(new QAudioOutput(player_));
        available_ = player_->isAvailable();
        connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this]() { onStatusChanged(); });
        connect(player_, &QMediaPlayer::seekableChanged, this, [this]() { onStatusChanged(); });
        connect(player_, &QMediaPlayer::durationChanged, this, [this]() { changed(); });
        connect(player_, &QMediaPlayer::positionChanged, this, [this]() { changed(); });
        connect(player_, &QMediaPlayer::errorOccurred, this, [this]() { changed(); });
        connect(player_, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
            if (state == QMediaPlayer::PlayingState)
                ticks_->start();
            else
                ticks_->stop();
            changed();
        });
    }

    void dropPlayer()
    {
        player_->disconnect(this);
        ticks_->stop();
        delete player_; // its audio output with it
        player_ = nullptr;
    }

    void onStatusChanged()
    {
        if (player_->mediaStatus() == QMediaPlayer::EndOfMedia && sizeAtStart_ && !cutShort_) {
            // The backend ends a file at damaged frames, or one truncated or
            // replaced while it played, as if it had played through.
            const double length = double(player_->duration()) / 1000.0;
            const double at = double(player_->position()) / 1000.0;
            const bool changed = look_(path_) != sizeAtStart_;
            cutShort_ = endedShortOfLength(at, length, changed);
            if (cutShort_)
                TLOG(QStringLiteral("QtMediaPlayer: %1 ended at %2 s of %3 s%4")
                         .arg(path_, QString::number(at), QString::number(length),
                              changed ? QStringLiteral(", changed while playing") : QString()));
        }
        if (pendingSeekMs_ && isLoaded(player_->mediaStatus()) && player_->isSeekable()) {
            player_->setPosition(*pendingSeekMs_);
            pendingSeekMs_.reset();
        }
        changed();
    }

    // The backend tells one change in several signals (stopped, then at the
    // end of the file): they are shown together, once it is done telling.
    void changed()
    {
        if (publishing_)
            return;
        publishing_ = true;
        QMetaObject::invokeMethod(
            this,
            [this]() {
                publishing_ = false;
                publish();
            },
            Qt::QueuedConnection);
    }

    void publish()
    {
        const QMediaPlayer::MediaStatus status = player_ ? player_->mediaStatus() : QMediaPlayer::NoMedia;
        const bool error = player_ && player_->error() != QMediaPlayer::NoError;
        const bool failed = (!path_.isEmpty() && !sizeAtStart_) || cutShort_ || !available_ || error
                            || status == QMediaPlayer::InvalidMedia;
        const std::lock_guard lock(seen_->mutex);
        seen_->source = source_;
        seen_->path = path_;
        seen_->opened = opened_;
        if (halts_ == seen_->halts) {
            // The backend stays in the playing state after a decode error; a track
            // asked to start further on has not started until it got there.
            seen_->playing = player_ && player_->playbackState() == QMediaPlayer::PlayingState && isLoaded(status)
                             && !error && !pendingSeekMs_;
            seen_->position = player_ ? double(player_->position()) / 1000.0 : 0.0;
        }
        seen_->failed = failed;
        seen_->ended = status == QMediaPlayer::EndOfMedia && !failed;
        seen_->duration = player_ ? double(player_->duration()) / 1000.0 : 0.0;
    }

    FileLook look_;
    std::shared_ptr<Seen> seen_;
    QMediaPlayer *player_ = nullptr; // none after a file, until the next
    QTimer *ticks_ = nullptr;
    bool available_ = false;
    bool publishing_ = false;
    quint64 source_ = 0;
    quint64 halts_ = 0; // pauses and stops carried out
    bool opened_ = false;
    QString path_;
    std::optional<qint64> pendingSeekMs_;
    // Nothing for a path that is no regular file: it never reaches the backend.
    std::optional<qint64> sizeAtStart_;
    bool cutShort_ = false;
};

QtMediaPlayer::QtMediaPlayer(FileLook look) : seen_(std::make_shared<Seen>())
{
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("Track player"));
    backend_ = new Backend(look ? std::move(look) : FileLook(&regularFileSize), seen_);
    backend_->moveToThread(thread_);
    thread_->start();
    post([](Backend &backend) { backend.start(); });
}

QtMediaPlayer::~QtMediaPlayer()
{
    // Before the wait: a share that answers during it must not let the backend
    // go on to open the file. The commands not carried out yet are dropped.
    seen_->abandoned = true;
    // The backend goes with its thread. Not posted as a command: those are skipped now.
    QMetaObject::invokeMethod(
        backend_,
        [backend = backend_, thread = thread_]() {
            const BeforeTheEnd going;
            backend->deleteLater();
            thread->quit();
        },
        Qt::QueuedConnection);
    // The backend takes up to a second to let go of a file it could not decode.
    if (!endThread(thread_, kThreadEndWaitMs, QStringLiteral("QtMediaPlayer: %1").arg(heldFile())))
        seen_->leftBehind = true;
}

void QtMediaPlayer::post(std::function<void(Backend &)> command)
{
    QMetaObject::invokeMethod(
        backend_,
        [backend = backend_, command = std::move(command)]() {
            if (!backend->abandoned())
                command(*backend);
        },
        Qt::QueuedConnection);
}

void QtMediaPlayer::setSource(const QString &path)
{
    path_ = path;
    post([source = ++sources_, path](Backend &backend) { backend.setSource(source, path); });
}

void QtMediaPlayer::play()
{
    post([](Backend &backend) { backend.play(); });
}

void QtMediaPlayer::pause()
{
    {
        // Seen as paused at once, as a play/stop key pressed again must see it.
        const std::lock_guard lock(seen_->mutex);
        ++seen_->halts;
        seen_->playing = false;
    }
    post([](Backend &backend) { backend.pause(); });
}

void QtMediaPlayer::stop()
{
    {
        const std::lock_guard lock(seen_->mutex);
        ++seen_->halts;
        seen_->playing = false;
        seen_->position = 0.0;
    }
    post([](Backend &backend) { backend.stop(); });
}

void QtMediaPlayer::seek(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return;
    post([ms = qint64(std::llround(seconds * 1000.0))](Backend &backend) { backend.seek(ms); });
}

bool QtMediaPlayer::opening() const
{
    if (sources_ == 0)
        return false;
    const std::lock_guard lock(seen_->mutex);
    return seen_->source != sources_ || !seen_->opened;
}

QString QtMediaPlayer::heldFile() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == 0 ? path_ : seen_->path;
}

bool QtMediaPlayer::isPlaying() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == sources_ && seen_->opened && seen_->playing;
}

bool QtMediaPlayer::failed() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == sources_ && seen_->opened && seen_->failed;
}

bool QtMediaPlayer::ended() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == sources_ && seen_->opened && seen_->ended;
}

double QtMediaPlayer::position() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == sources_ && seen_->opened ? seen_->position : 0.0;
}

int QtMediaPlayer::playersMade() const
{
    return seen_->players;
}

double QtMediaPlayer::duration() const
{
    const std::lock_guard lock(seen_->mutex);
    return seen_->source == sources_ && seen_->opened ? seen_->duration : 0.0;
}

} // namespace platform
