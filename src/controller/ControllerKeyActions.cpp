#include "controller/Controller.h"

#include "controller/CommandText.h"
#include "library/Data.h"
#include "library/TextNumbers.h"
#include "midi/windows/MidiWindows.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <mutex>

using controller::KeyInput;

namespace {

void post(const QString &name, const QVariant &param)
{
    platform::NotificationCenter::defaultCenter().post(name, param);
}

} // namespace

Controller::PagePass Controller::windowPrePass(bool anyFixPage) const
{
    PagePass pass;
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    const qint64 pages = (piece && piece->pieceDet) ? piece->pieceDet->nbrPagesMax : 1;
    const bool mute = Data::currentGenreG() == 6;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!w)
            continue;
        const qint64 mode = w->modeAffichage();
        const bool follows = w->syncPageChanges() && (anyFixPage || w->fixPageNo() == 0);
        if (follows && (mode == 2 || mode == 4 || mode == 5 || (mute && mode == 0)))
            pass.sync = true;
        if (w->winType() == 0 && w->syncPageChanges() && mode != 4 && mode != 5) {
            if (mode != 0 || (!mute && pages % 2 == 1))
                pass.extra = 0;
        }
    }
    return pass;
}

void Controller::traiterKeyInput(KeyInput input)
{
    traiterKeyAction(options_.keyTag(input), false, options_.text(input));
}

void Controller::traiterKeyAction(qint64 action, bool rev, const QString &t)
{
    const PagePass pass = windowPrePass(false);
    switch (action) {
    case 0:
        traiterPrev();
        searchTail();
        break;
    case 1:
        traiterNext();
        searchTail();
        break;
    case 2:
        if (t.isEmpty())
            traiterUP(pass.sync);
        else
            pageUpDownforWinIDX(t, false);
        break;
    case 3:
        if (t.isEmpty())
            traiterDown(pass.sync, pass.extra, false);
        else
            pageUpDownforWinIDX(t, true);
        break;
    case 4:
        if (zoomON_)
            actionZoomOut();
        else
            actionZoom();
        refreshInspector();
        break;
    case 6:
        post(vocab::ActionDisplayHideList, t);
        break;
    case 7:
        stopOrPlay(t, true);
        break;
    case 8:
        actionGotoCur();
        break;
    case 10: {
        const qint64 d = textnum::firstDigit(t);
        if (d >= 1 && d <= 9)
            post(vocab::ActionOngletB, d - 1);
        break;
    }
    case 11:
        post(vocab::ActionMessage, t);
        break;
    case 12:
        post(vocab::ActionMessageStay, t);
        break;
    case 15: {
        const qint64 g = textnum::firstDigit(t);
        if (g >= 1 && g <= 7)
            post(vocab::ActionGoToGenreNo, g);
        break;
    }
    case 16: {
        const PiecePtr piece = Data::getPiece(Data::songNoG());
        const qint64 pages = (piece && piece->pieceDet) ? piece->pieceDet->nbrPagesMax : 1;
        const bool furtherPage = pages > pageNo1_ + pass.extra || (zoomON_ && zoomTop_);
        if ((ituneTimer_.isActive() || slaveTimer_.isActive()) && furtherPage)
            traiterDown(pass.sync, pass.extra, false);
        else
            stopOrPlay(t, false);
        break;
    }
    case 17:
        openInExternalApp();
        break;
    case 18:
        if (t.isEmpty())
            traiterDown(pass.sync, pass.extra, true);
        else
            pageUpDownforWinIDX(t, true);
        break;
    case 19:
        triggerNextCue();
        break;
    case 21:
        audibleMetronomeOnOff(2);
        break;
    case 22:
    case 23:
    case 24:
    case 25: {
        const qint64 beats = controller::countInBeats(t);
        if (beats < 0)
            break;
        Data::activerCountDownCountToFor(qint32(beats), action == 22 || action == 24, true,
                                         action == 24 || action == 25, -1, true);
        break;
    }
    case 27:
        playNow();
        break;
    case 26:
        if (WindowPDFxSuper *key = Data::getKeyWin())
            key->traiterAfficherMasquerOnglets();
        refreshInspector();
        break;
    case 100:
        if (rev)
            traiter_prev_tab();
        else
            traiter_next_tab();
        break;
    case 101:
        if (rev)
            traiterPrev();
        else
            traiterNext();
        searchTail();
        break;
    case 102:
    case 103:
        if (!t.isEmpty())
            pageUpDownforWinIDX(t, !rev);
        else if (rev)
            traiterUP(pass.sync);
        else
            traiterDown(pass.sync, pass.extra, false);
        break;
    case 104:
        if (!t.isEmpty())
            pageUpDownforWinIDX(t, !rev);
        else if (rev)
            traiterUP(pass.sync);
        else
            traiterDown(pass.sync, pass.extra, true);
        break;
    case 9:
        sendMidiGroup(t);
        break;
    case 13:
        traiter_metroOnOff();
        break;
    case 14:
        restartMetronome();
        break;
    case 20:
        refreshTapTempo();
        break;
    case 5:
        toggleNote();
        break;
    default:
        break;
    }
}

void Controller::traiterSwipe(qint64 direction)
{
    const bool reverse = Data::optReverseMouse() != 0;
    switch (direction) {
    case 1:
        traiterKeyAction(options_.keyTag(KeyInput::SwipeLeftRight), !reverse, options_.text(KeyInput::SwipeLeftRight));
        break;
    case 2:
        traiterKeyAction(options_.keyTag(KeyInput::SwipeLeftRight), reverse, options_.text(KeyInput::SwipeLeftRight));
        break;
    case 3:
        traiterKeyAction(options_.keyTag(KeyInput::SwipeUpDown), true, options_.text(KeyInput::SwipeUpDown));
        break;
    case 4:
        traiterKeyAction(options_.keyTag(KeyInput::SwipeUpDown), false, options_.text(KeyInput::SwipeUpDown));
        break;
    default:
        break;
    }
}

bool Controller::countInRuns() const
{
    return Data::gcount() >= 0;
}

void Controller::cancelCountIn()
{
    Data::setGcount(-1);
    Data::setGcountTo(0);
    Data::setGTriggerAuto(false);
    Data::setGPlayAutoForGenre(-1);
    stop_if_playing(false);
    resetCue();
}

// Action 7, and action 16 without a further page (no flagged continue).
void Controller::stopOrPlay(const QString &text, bool withFlaggedContinue)
{
    if (countInRuns()) {
        cancelCountIn();
        return;
    }
    if (Data::loopOn())
        closeAudioPlayer();
    if (!text.isEmpty()) {
        const qint64 g = textnum::firstDigit(text);
        if (g >= 1 && g <= 6)
            post(vocab::ActionGoToGenreNoAndPlayPause, g);
        return;
    }
    bool flaggedLeft = false;
    {
        std::lock_guard lock(Data::listePiecesFlaggedMonitor());
        flaggedLeft = !Data::listePiecesFlagged().isEmpty();
    }
    if (withFlaggedContinue && options_.contPlayFlagOn && flaggedLeft) {
        if (stop_if_playing(true))
            return;
        determinerPieceNext();
        playSongNext();
        return;
    }
    playCurrentTrackAndskipTo(0.0);
}

void Controller::demarrerCountDownCountToPourMute()
{
    const qint64 tag = options_.keyTag(KeyInput::Mute);
    if (tag < 22 || tag > 25)
        return;
    const qint64 beats = controller::countInBeats(options_.text(KeyInput::Mute));
    if (beats < 0)
        return;
    Data::activerCountDownCountToFor(qint32(beats), tag == 22 || tag == 24, true, tag == 24 || tag == 25, 6, true);
}

void Controller::playCurrentTrackAndskipTo(double position)
{
    // The same key stops and starts.
    if (stop_if_playing(true))
        return;
    if (Data::currentGenreG() == 6 && options_.keyTag(KeyInput::Mute) != controller::NoActionTag) {
        if (!pendingSongRefresh_)
            demarrerCountDownCountToPourMute();
        else
            platform::performAfter(0.5, this, [this]() { demarrerCountDownCountToPourMute(); });
        return;
    }
    play_trackAndskipTo(position);
}

void Controller::playNow()
{
    if (Data::loopOn())
        closeAudioPlayer();
    // Playing a flagged song takes it off the flagged list.
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (piece && piece->pieceDet && piece->pieceDet->flagged)
        markAsFlagged(true, true);
    playCurrentTrackAndskipTo(0.0);
}

void Controller::openInExternalApp()
{
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet)
        return;
    const QString path = piece->pieceDet->fichier;
    if (platform::suffix(path).toLower() != QLatin1String("pdf"))
        Data::openFileX(path, true);
}

void Controller::traiter_prev_tab()
{
    if (tocON_)
        actionFirst();
    else
        actionEqual();
}

void Controller::traiter_next_tab()
{
    if (!redTab_) {
        actionLast();
        return;
    }
    if (tocON_)
        actionEqual();
    gotoSongNo(songNoG_prev_, false, true);
    redTab_ = false;
}

void Controller::triggerNextCue()
{
    processPendingNote();
    if (!Data::isAtLeastOneTimeEvent()) {
        platform::NotificationCenter::defaultCenter().postActionKey(vocab::PageDownWrap);
        return;
    }
    if (countInRuns() && !Data::recOn()) {
        const qint32 genreWaiting = Data::gPlayAutoForGenre();
        Data::setGcount(-1);
        Data::setGcountTo(0);
        Data::setGTriggerAuto(false);
        Data::setGPlayAutoForGenre(-1);
        if (genreWaiting >= 0) {
            stop_if_playing(false);
            resetCue();
            return;
        }
    }
    if (const SongEvPtr cue = Data::obtenirNextCue()) {
        if (Data::processSongEventsUpTo(cue->val, false, Data::songEvents()))
            updateCueX();
        return;
    }
    if (!Data::recOn()) {
        if (Data::currentGenreG() == 6)
            stop_if_playing(false);
        resetCue();
    }
}

void Controller::audibleMetronomeOnOff(qint64 code)
{
    if (code == 0)
        Data::setOptMetroSound(0);
    else if (code == 1)
        Data::setOptMetroSound(1);
    else if (code == 2)
        Data::setOptMetroSound(Data::optMetroSound() ? 0 : 1);
    Data::sendingMidi(false);
    if (midiWindows_)
        midiWindows_->refreshGenOptMetroSound();
}
