#include "controller/Controller.h"

#include "library/Data.h"
#include "platform/Clock.h"

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
    iTunesStartedFromQuillory_ = false;
    if (Data::currentGenreG() == 6) {
        if (!ituneTimer_.isActive())
            return false;
    } else {
        return false;
    }
    if (Data::recOn())
        insererAction(QStringLiteral("StopNoReset"));
    ituneTimer_.stop();
    updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, reload);
    setGenreX(userGenre_);
    if (reload)
        chargerPages();
    return true;
}

void Controller::play_trackAndskipTo(double position)
{
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
    waitingFor(QStringLiteral("play from %1 s").arg(position));
    return false;
}

void Controller::startItuneTimer()
{
    tentative_ = 5;
    grecedule_ = false;
    ituneTimer_.start(0.2, true, [this]() { updateItuneInfo(); });
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
    ituneTimer_.stop();
    updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
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
