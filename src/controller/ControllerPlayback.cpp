#include "controller/Controller.h"

#include "audio/MusicLibrary.h"
#include "audio/MusicX.h"
#include "audio/Track.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/MediaPlayer.h"
#include "platform/Paths.h"

#include <cmath>
#include <mutex>

namespace {

// A mute run ends by itself after half an hour.
constexpr double kMuteRunLimit = 1800.0;
// The scale the track-time windows show a mute run against.
constexpr double kMuteScale = 600.0;

double secondsSinceMutePlay()
{
    const QDateTime start = Data::timeLastPlayMute();
    if (!start.isValid())
        return 0.0;
    return double(start.msecsTo(platform::currentDateTime())) / 1000.0;
}

} // namespace

bool Controller::stop_if_playing(bool reload)
{
    ++playRequests_;
    iTunesStartedFromQuillory_ = false;
    if (Data::currentGenreG() == 6) {
        if (!ituneTimer_.isActive())
            return false;
    } else {
        const std::shared_ptr<platform::MediaPlayer> player = Data::player();
        // A track still loading stops too: otherwise it would start after Stop.
        if (!player || !(player->isPlaying() || (ituneTimer_.isActive() && !player->failed())))
            return false;
        player->pause();
    }
    if (Data::recOn())
        insererAction(QStringLiteral("StopNoReset"));
    stopItuneTimer();
    updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, reload);
    setGenreX(userGenre_);
    if (reload)
        chargerPages();
    return true;
}

void Controller::play_trackAndskipTo(double position)
{
    ++playRequests_;
    // A track the media player plays on its own is stopped first: the same
    // command that would start ours only stops it.
    if (options_.slaveOn && !iTunesStartedFromQuillory_ && !audio::MusicX::iTunesStartedFromQuillory()
        && stopSlavePlayback())
        return;
    if (Data::currentGenreG() == 6) {
        Data::initTimeLastPlayMute();
        iTunesStartedFromQuillory_ = false;
        startItuneTimer();
        return;
    }
    if (play_track_by_searchAndskipTo(position))
        startItuneTimer();
    else
        iTunesStartedFromQuillory_ = false;
}

bool Controller::play_track_by_searchAndskipTo(double position)
{
    songNoG_itunes_ = Data::songNoG();
    const auto giveUp = [this](const QString &message) {
        stopItuneTimer();
        updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
        tellFailure(message);
    };
    audio::MusicLibrary &library = audio::musicLibrary();
    if (!library.isAvailable()) {
        library.lookAgain();
        giveUp(audio::noMusicFolderText());
        songNoG_next_ = 0;
        return false;
    }
    if (audio::sayWhileIndexing(library)) {
        // Until the folder's first scan ends no track is known: the request
        // waits for it, and goes ahead then unless another came meanwhile.
        library.whenIndexed(this, [this, asked = playRequests_, position]() {
            if (asked == playRequests_)
                play_trackAndskipTo(position);
        });
        return false;
    }
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet
        || !Data::play_if_found2(library.allMediaItems(), piece->pieceDet->titre, piece->pieceDet->auteur,
                                 Data::currentGenreG(), false, position)) {
        giveUp(QStringLiteral("Tolvane is unable to find the corresponding song in your Music Library."));
        songNoG_next_ = songNoG_itunes_ = songNoG_prev_ = songNoG_prev_prev_ = 0;
        return false;
    }
    return true;
}

void Controller::sayIndexing()
{
    audio::MusicLibrary &library = audio::musicLibrary();
    const QString words = audio::indexingText(library.filesSoFar());
    if (!library.isIndexing() || words == indexingSaid_)
        return;
    if (!indexingSaid_.isEmpty())
        endFailure(indexingSaid_);
    else
        library.whenIndexed(this, [this] { endFailure(std::exchange(indexingSaid_, QString())); });
    indexingSaid_ = words;
    tellFailure(indexingSaid_, Held::UntilEnded);
}

void Controller::startItuneTimer()
{
    // Another track takes the place of one awaited.
    stopItuneTimer();
    tentative_ = 5;
    openingPolls_ = 0;
    grecedule_ = false;
    ituneTimer_.start(0.2, true, [this]() { updateItuneInfo(); });
}

void Controller::stopItuneTimer()
{
    ituneTimer_.stop();
    if (!trackAwaited_.isEmpty())
        endFailure(std::exchange(trackAwaited_, QString()));
}

void Controller::updateItuneInfo()
{
    if (Data::currentGenreG() != 6) {
        updateItuneInfo2B();
        return;
    }
    const double elapsed = secondsSinceMutePlay();
    if (std::abs(elapsed) >= kMuteRunLimit) {
        stop_if_playing(true);
        return;
    }
    updateItunesInfoX(QString(), QString(), elapsed, kMuteScale, false, false);
}

void Controller::updateItuneInfo2B()
{
    const auto hideTrackInfo = [this]() {
        stopItuneTimer();
        updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
    };
    // The track is over (or another one plays): continuous play goes on.
    const auto trackOver = [&]() {
        hideTrackInfo();
        continuePlaying();
    };
    const std::shared_ptr<platform::MediaPlayer> player = Data::player();
    const std::shared_ptr<const audio::Track> item = Data::mediaItem();
    if (!player || !item) {
        trackOver();
        return;
    }
    // A file that cannot be decoded, or one that ended far short of its
    // length, is said by name; continuous play stops there, for the performer
    // to see it.
    const auto cannotPlay = [&]() {
        player->pause();
        hideTrackInfo();
        tellFailure(QStringLiteral("The track \"%1\" cannot be played.").arg(platform::fileName(player->heldFile())));
    };
    // Said while the player opens that file: its answer, or another file, ends the words.
    const QString awaited = player->opening() && !player->failed()
                                ? QStringLiteral("The music folder does not answer: \"%1\" starts once it does.")
                                      .arg(platform::fileName(player->heldFile()))
                                : QString();
    if (!trackAwaited_.isEmpty() && trackAwaited_ != awaited)
        endFailure(std::exchange(trackAwaited_, QString()));
    if (player->failed()) {
        cannotPlay();
        return;
    }
    if (player->opening()) {
        // The file system has not answered yet, as a share waking up: the
        // start is still to come, however long that takes. Past two seconds
        // the performer is told why nothing plays, naming the file held: a
        // track asked before this one may still hold the player.
        if (++openingPolls_ >= 10 && trackAwaited_.isEmpty()) {
            trackAwaited_ = awaited;
            tellFailure(trackAwaited_, Held::UntilEnded);
        }
        updateItunesInfoX(item->title, item->artist, 0.0, 0.0, false, false);
        return;
    }
    if (!player->isPlaying()) {
        if (player->ended() || grecedule_) {
            // Ended on its own: with its length unknown, this is the first sign.
            trackOver();
        } else if (tentative_-- >= 2) {
            // Still starting: the track stands at 0:00 and no cue is due yet.
            updateItunesInfoX(item->title, item->artist, 0.0, qMax(0.0, player->duration()), false, false);
        } else {
            // The start never came.
            cannotPlay();
        }
        return;
    }
    const double d = player->duration();
    const double t = player->position();
    // A poll seldom falls on the very moment the track ends (a second before
    // its length): it is over once the next poll would come after that.
    const bool over = d > 0 && t + ituneTimer_.interval() >= d - 1.0;
    const bool otherTrackAsked = Data::songAsked() != 0 && Data::songAsked() != qint64(item->persistentID);
    if (over || otherTrackAsked) {
        if (!over)
            Data::setSongAsked(0);
        player->pause();
        trackOver();
        return;
    }
    // Only a known length has an end to approach: some files tell it late.
    if (d > 0 && t >= d - 3.0 && !grecedule_) {
        ituneTimer_.start(0.02, true, [this]() { updateItuneInfo(); });
        grecedule_ = true;
        tentative_ = 1;
    }
    updateItunesInfoX(item->title, item->artist, t, d, false, false);
}

void Controller::continuePlaying()
{
    const bool on = currentDirNo_ >= 0 && currentDirNo_ < controller::SlotCount
                    && options_.contPlay[size_t(currentDirNo_)];
    if (!on || tocON_)
        return;
    determinerPieceNext();
    playSongNext();
}

void Controller::playSongNext()
{
    if (songNoG_next_ > 0 && songNoG_next_ <= Data::songNbrG()) {
        Data::setSongNoG(songNoG_next_);
        chargerPages();
        play_trackAndskipTo(0.0);
    } else {
        stopItuneTimer();
        updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
    }
}

void Controller::determinerPieceNext()
{
    const auto placeInSort = [](const PiecePtr &p) -> qint64 {
        return Data::currentSort() == 0 ? p->indexInTitleArray : p->indexInAuthorArray;
    };
    if (options_.contPlayFlagOn) {
        PiecePtr first;
        {
            std::lock_guard lock(Data::listePiecesFlaggedMonitor());
            PiecesList &flagged = Data::listePiecesFlagged();
            if (!flagged.isEmpty()) {
                first = flagged.takeFirst();
                if (first && first->pieceDet)
                    first->pieceDet->flagged = false;
            }
        }
        ajusterMenuGenre();
        refreshFlagsX();
        refreshNoteX30();
        if (tocON_)
            afficherToc(true);
        songNoG_next_ = first ? placeInSort(first) + 1 : 0;
    } else {
        bool jumped = false;
        if (Data::songNoG() == songNoG_itunes_ && Data::onglNoG() == 0) {
            if (songNoG_prev_ > 0 && songNoG_prev_ != Data::songNoG()) {
                gotoSongNo(songNoG_prev_, false, true);
                jumped = true;
            } else if (songNoG_prev_prev_ >= 1) {
                gotoSongNo(songNoG_prev_prev_, false, true);
                jumped = true;
            }
        }
        const qint64 current = Data::songNoG();
        if (!jumped && current != songNoG_itunes_) {
            songNoG_next_ = current;
        } else {
            const PiecePtr piece = Data::getPiece(current);
            const qint64 tab = piece ? piece->ongNo : Data::onglNoG();
            const qint64 last = tabStart(tab) + Data::getNbrPiecesOng(tab);
            // The end of the tab ends continuous play: it never wraps.
            songNoG_next_ = current >= last ? 0 : current + 1;
        }
    }
    if (songNoG_next_ > Data::songNbrG())
        songNoG_next_ = 0;
}
