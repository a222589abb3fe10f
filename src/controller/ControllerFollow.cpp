#include "controller/Controller.h"

#include "audio/EyeTunes.h"
#include "audio/MusicX.h"
#include "audio/TrackLookup.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "platform/MediaPlayer.h"

using audio::MusicX;

namespace {

// The follow states the genre menu and the title rows show.
enum FollowState : qint32 {
    Off = 0,
    Paused = 1,
    NoSong = 2,
    Following = 3,
    NotPlaying = 4,
    NothingFound = 5,
};

} // namespace

void Controller::initPourSlave()
{
    MusicX::initData();
    MusicX::setSlaveIdx(-1);
    slaveSearchEnCours_ = false;
    MusicX::setSlaveState(Off);
    platform::performAfter(2.0, this, [this]() { premiereRecherchePourSlave(); });
}

void Controller::premiereRecherchePourSlave()
{
    doSearchAuto();
    if (options_.slaveOn)
        startSlaveObserver();
}

void Controller::startSlaveObserver()
{
    if (slaveObserver_)
        return;
    slaveObserver_ = connect(&MusicX::eyeTunes(), &audio::EyeTunes::playerInfoChanged, this,
                             [this]() { updateSlaveInfo(); });
    slavePositionObserver_ = connect(&MusicX::eyeTunes(), &audio::EyeTunes::positionRead, this,
                                     [this]() { fireSlaveTimer(); });
}

void Controller::stopSlaveObserver()
{
    disconnect(slaveObserver_);
    disconnect(slavePositionObserver_);
    slaveObserver_ = {};
    slavePositionObserver_ = {};
}

void Controller::updateSlaveInfo()
{
    if (iTunesStartedFromQuillory_) {
        iTunesStartedFromQuillory_ = false;
        MusicX::setITunesStartedFromQuillory(true);
        return;
    }
    const bool ours = MusicX::iTunesStartedFromQuillory();
    MusicX::setITunesStartedFromQuillory(false);
    if (ours)
        return;
    if (ituneTimer_.isActive())
        stop_if_playing(true);
    doSearchAuto();
}

bool Controller::isSearchAutoOk(bool explicitSearch)
{
    const qint32 before = MusicX::slaveState();
    bool answer = false;
    const auto stopFollowing = [this]() {
        slaveTimer_.stop();
        updateSlaveTimerInfoX(true);
    };
    const auto search = [&]() {
        if (!options_.slaveOn) {
            MusicX::setSlaveState(Off);
            return;
        }
        const qint32 previous = MusicX::slaveIdx();
        qint32 found = previous;
        if (!slaveSearchEnCours_) {
            slaveSearchEnCours_ = true;
            stopFollowing();
            found = MusicX::obtenirIndexPieceItunesOuMusic();
            slaveSearchEnCours_ = false;
        }
        const bool sameTrack = explicitSearch && found == previous;
        if (!sameTrack)
            slaveOnPaused_ = false;
        if (sameTrack && slaveOnPaused_) {
            MusicX::setSlaveState(Paused);
            if (found < 0)
                stopFollowing();
            return;
        }
        if (found >= 0) {
            goToSlaveIdx(obtenirSongNoFromIdx(found));
            MusicX::setSlaveState(Following);
            startSlaveTimer();
            answer = true;
            return;
        }
        stopFollowing();
        const auto nothingFound = [this]() {
            MusicX::setSlaveState(NothingFound);
            // Only while nothing newer was found: a later search may already
            // follow a song, whose icon and cues must stay.
            platform::performAfter(1.0, this, [this]() {
                if (MusicX::slaveState() == NothingFound)
                    remettreSlaveStateNormal();
            });
        };
        switch (found) {
        case -3:
            if (explicitSearch)
                nothingFound();
            else
                MusicX::setSlaveState(NotPlaying);
            break;
        case -2:
            if (!explicitSearch) {
                MusicX::setSlaveState(NotPlaying);
                break;
            }
            nothingFound();
            if (previous >= 0) {
                const qint64 songNo = obtenirSongNoFromIdx(previous);
                if (songNo != Data::songNoG()) {
                    goToSlaveIdx(songNo);
                    answer = true;
                }
            }
            break;
        case -1:
            MusicX::setSlaveState(NoSong);
            answer = true;
            break;
        default:
            break;
        }
    };
    search();
    if (MusicX::slaveState() != before) {
        ajusterMenuGenre();
        refreshNoteX30();
    }
    return answer;
}

void Controller::ajusterSlavePaused()
{
    if (!options_.slaveOn || slaveOnPaused_)
        return;
    slaveOnPaused_ = true;
    MusicX::setSlaveState(Paused);
    ajusterMenuGenre();
    refreshNoteX30();
}

qint64 Controller::obtenirSongNoFromIdx(qint64 index) const
{
    if (index < 0)
        return -1;
    if (Data::currentSort() != 1)
        return index + 1;
    const PiecesList &byTitle = Data::listePiecesByTitle();
    const qint64 at = index + qMax<qint64>(0, Data::indexInTitleArrayG(0));
    if (at >= byTitle.size() || !byTitle.at(at))
        return -1;
    return byTitle.at(at)->indexInAuthorArray + 1;
}

void Controller::goToSlaveIdx(qint64 songNo)
{
    if (songNo < 0)
        return;
    if (tocON_)
        masquerToc();
    gotoSongNo(songNo, true, false);
}

void Controller::startSlaveTimer()
{
    slaveTimer_.start(0.5, true, []() { MusicX::eyeTunes().refresh(); });
}

void Controller::fireSlaveTimer()
{
    if (!slaveTimer_.isActive())
        return;
    MusicX::refreshTime();
    updateSlaveTimerInfoX(false);
}

void Controller::updateSlaveTimerInfoX(bool reset)
{
    if (reset) {
        updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
        return;
    }
    if (ituneTimer_.isActive())
        return;
    updateItunesInfoX(QString(), QString(), MusicX::playerPosition(), MusicX::duration(), false, false);
}

bool Controller::stopSlavePlayback()
{
    if (slaveTimer_.isActive()) {
        slaveTimer_.stop();
        updateSlaveTimerInfoX(true);
    }
    return MusicX::stopPlayback();
}

void Controller::remettreSlaveStateNormal()
{
    MusicX::setSlaveState(NotPlaying);
    ajusterMenuGenre();
    refreshNoteX30();
}

QString Controller::obtenirIconeMenuGenre() const
{
    return audio::followStateIcon(MusicX::slaveState());
}

bool Controller::isPlayingInternal() const
{
    if (Data::useItunes())
        return false;
    const std::shared_ptr<platform::MediaPlayer> player = Data::player();
    return player && player->isPlaying();
}

bool Controller::isPlaying() const
{
    return audio::trackPlays();
}
