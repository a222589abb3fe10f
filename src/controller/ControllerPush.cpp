#include "controller/Controller.h"

#include "audio/MusicX.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Log.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

namespace {

using windowlist::openWindows;

bool sameWinID(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A message that does not stay, and every notice, is marked as a warning.
QString warned(const QString &msg)
{
    return QStringLiteral("%1 %2").arg(QStringLiteral("⚠️"), msg);
}

} // namespace

void Controller::setPDFx(const PiecePtr &piece, qint64 pageNo, bool zoomTop, const PiecePtr &pieceNext, bool autom,
                         bool fromGotoPageNo)
{
    if (!piece)
        return;
    pageNo = qMax<qint64>(1, pageNo);
    bool playerClosed = false;
    if (Data::songNoG_MIDISent() != Data::songNoG()) {
        // This song's events are loaded once, by the timer restarted below, not
        // by the stop of a run here.
        noteTimer_.stop();
        noteAwaited_ = false;
        // A long note is parsed off the main thread from here on, and the next song's ahead of its turn.
        noteReads_.readAhead(piece->pieceDet);
        if (pieceNext)
            noteReads_.readAhead(pieceNext->pieceDet);
        // A loop belongs to the song it was set on; a mute run too. A track plays on.
        playerClosed = closeAudioPlayerForSongChange();
        if (playerClosed || Data::currentGenreG() == 6)
            stop_if_playing(false);
        pendingSongRefresh_ = true;
        Midi::setResetTrig(true);
        // A cue recording belongs to the song it was started on.
        Data::setRecOn(false);
        if (piece->pieceDet)
            piece->pieceDet->nbrPagesMax = 1;
        Data::setSongNoG_MIDISent(Data::songNoG());
        // A song without a tempo gets 0, the metronome's 100 bpm, as its title row shows.
        Data::setGtempo(piece->tempo());
        startProcessNoteTimer();
        startAlreadyPlayedTimer();
    }
    const QString echo = rechInfoAttributedString();
    const PiecePtr piecePrev = getPiecePrev();
    const PiecePtr pieceAfterNext = pieceNext ? getPieceAfterNext() : nullptr;
    for (WindowPDFxSuper *w : openWindows()) {
        w->setPiecePrev(piecePrev);
        w->setPieceAfterNext(pieceAfterNext);
        w->setPDF(piece, pageNo, zoomTop, zoomON_, Data::currentSort(), pieceNext, autom);
        w->updateRechInfo2(echo);
    }
    if (!fromGotoPageNo)
        pushSongToNotes(piece, pageNo, zoomTop, pieceNext);
    pushSongToAudioWindows(piece);
    refreshVersionsWindow();
    if (playerClosed)
        Data::activateKeywin();
}

void Controller::startProcessNoteTimer()
{
    noteTimer_.start(0.5, false, [this]() { processNote(); });
}

void Controller::startAlreadyPlayedTimer()
{
    playedTimer_.start(30.0, false, [this]() { alreadyPlayed(); });
}

void Controller::stopAlreadyPlayedTimer()
{
    playedTimer_.stop();
}

// Half a second after a song change, or when a long note's parse answers
// after that: the song's events are loaded and those at 0:00 run. Only the
// song reached last gets here.
void Controller::processNote(bool parseHere)
{
    noteTimer_.stop();
    noteAwaited_ = false;
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (piece && piece->pieceDet) {
        // Until then the list keeps the song left behind, which nothing runs on this one.
        if (!parseHere && !noteReads_.readAhead(piece->pieceDet)) {
            noteAwaited_ = true;
            return;
        }
        if (Data::optAutoOpen() && piece->pieceDet->typeFichier1 == 1)
            Data::openFileX(piece->pieceDet->fichier, true);
        Data::chargerSongEventsFromNote(*piece->pieceDet, Data::songEvents());
        updateCueX();
        sendMIDIfromNote();
        if (Data::processSongEventsUpTo(0.0, true, Data::songEvents()))
            updateCueX();
    }
    songNoG_ev_ = Data::songNoG();
    if (winNoteF_)
        winNoteF_->refreshSongEv();
    pendingSongRefresh_ = false;
}

// Within half a second of a song change the event list still holds the song
// left behind: whatever runs events then loads this song's first.
bool Controller::processPendingNote()
{
    if ((!noteTimer_.isActive() && !noteAwaited_) || songNoG_ev_ == Data::songNoG())
        return false;
    processNote(true);
    return true;
}

// Thirty seconds on a song: it counts as played.
void Controller::alreadyPlayed()
{
    playedTimer_.stop();
    markAsalreadyPlayed(false);
}

void Controller::updateItunesInfoX(const QString &title, const QString &artist, double curPos, double maxPos,
                                   bool masquer, bool resetCues)
{
    Data::setGpos(curPos);
    for (WindowPDFxSuper *w : openWindows())
        w->updateItunesInfo(title, artist, curPos, maxPos, masquer);
    pushTrackToAudioWindows(title, artist, curPos, maxPos, masquer);
    pushTrackToNotes(title, artist, curPos, maxPos, masquer);
    bool ran = false;
    if (masquer) {
        doRefreshCue_ = false;
        // Events loaded just now stand reset with those at 0:00 run; those of
        // another song are never run on this one.
        if (!processPendingNote() && songNoG_ev_ == Data::songNoG()) {
            if (resetCues)
                Data::resetSongEventsUsingArray(Data::songEvents());
            ran = Data::processSongEventsUpTo(0.0, true, Data::songEvents());
        }
    } else {
        const bool ownTrack = songNoG_itunes_ == Data::songNoG() && songNoG_ev_ == Data::songNoG();
        const bool muteRun = Data::currentGenreG() == 6 && songNoG_ev_ == Data::songNoG();
        // The media player's track runs the cues of the song it follows, once they are loaded.
        const bool followed = options_.slaveOn && audio::MusicX::slaveState() == 3 && songNoG_ev_ == Data::songNoG();
        if (!ownTrack && !muteRun && !followed)
            return;
        doRefreshCue_ = false;
        ran = Data::processSongEventsUpTo(curPos, true, Data::songEvents());
    }
    if (ran)
        updateCueX();
}

void Controller::updateRechInfoX(bool show, bool masquer)
{
    grechhidden_ = masquer;
    for (WindowPDFxSuper *w : openWindows())
        w->updateRechInfo(show, masquer, rech_);
}

void Controller::updateRechInfo2X()
{
    const QString echo = rechInfoAttributedString();
    for (WindowPDFxSuper *w : openWindows())
        w->updateRechInfo2(echo);
}

void Controller::afficherTocX(bool flag)
{
    if (flag)
        stopAlreadyPlayedTimer();
    else if (Data::songNoG() > 0)
        startAlreadyPlayedTimer();
    for (WindowPDFxSuper *w : openWindows())
        w->afficherToc(flag);
}

void Controller::setMsgX(const QString &msg, const QString &winID, bool stay)
{
    for (WindowPDFxSuper *w : openWindows()) {
        if (!winID.isEmpty() && !sameWinID(winID, w->altDir()))
            continue;
        if (msg.isEmpty())
            w->setMsg(msg, winID, stay);
        else if (stay)
            w->setMsg(msg, winID, true);
        else
            w->setMsg(warned(msg), winID, false);
    }
}

void Controller::tellFailure(const QString &why, Held held)
{
    if (why.isEmpty())
        return;
    // Logged whole, paths and all: the windows show paths by their names.
    qCWarning(lcTolvane).noquote() << QStringLiteral("Controller: %1").arg(why);
    for (WindowPDFxSuper *w : openWindows()) {
        if (held == Held::OfNoSong)
            w->showNoticeOfNoSong(warned(why));
        else
            w->showNotice(warned(why), held == Held::UntilEnded);
    }
}

void Controller::endFailure(const QString &why)
{
    for (WindowPDFxSuper *w : openWindows())
        w->endNotice(warned(why));
}

bool Controller::traiterPageUpDown(bool down)
{
    bool taken = false;
    for (WindowPDFxSuper *w : openWindows()) {
        if (!w->syncPageChanges() && w->pageUpdown()) {
            w->pageUpDown(down);
            taken = true;
        }
    }
    return taken;
}

void Controller::pageUpDownforWinIDX(const QString &winID, bool down)
{
    if (winID.isEmpty())
        return;
    for (WindowPDFxSuper *w : openWindows())
        if (sameWinID(winID, w->altDir()))
            w->pageUpDown(down);
}

void Controller::refreshNoteX30()
{
    for (WindowPDFxSuper *w : openWindows())
        w->refreshNote(true);
}

void Controller::refreshNoteX(bool reprocess)
{
    // A save of the song already processed reads its note again; one made
    // before the note timer ran is processed in full.
    if (reprocess && !noteTimer_.isActive() && songNoG_ev_ == Data::songNoG())
        reprocessSavedNote();
    else if (reprocess)
        processNote();
    for (WindowPDFxSuper *w : openWindows())
        w->refreshNote(false);
}

void Controller::refreshX()
{
    for (WindowPDFxSuper *w : openWindows())
        w->refreshPDF();
}

void Controller::ajusterZoomON()
{
    zoomON_ = windowlist::isUneFenetreEstZoomDemiPage();
    // The windows' own flag follows at once: a frame round one half must not
    // outlive the zoom until the next page push.
    for (WindowPDFxSuper *w : openWindows()) {
        if (w->zoomOn() != zoomON_) {
            w->refreshZoomOn();
            w->ajusterCadre();
        }
    }
}

void Controller::ajusterCadreX()
{
    for (WindowPDFxSuper *w : openWindows()) {
        w->iniZoomOn(zoomON_);
        w->ajusterCadre();
    }
    refreshCue();
}

void Controller::refreshinfoX()
{
    for (WindowPDFxSuper *w : openWindows())
        w->refreshInfo();
}

void Controller::refreshtempoX()
{
    for (WindowPDFxSuper *w : openWindows())
        w->refreshTempo();
}

void Controller::refreshChordX()
{
    for (WindowPDFxSuper *w : openWindows())
        if (w->winType() == 14)
            w->refreshInfo();
}

void Controller::refreshPieceNextX()
{
    const PiecePtr next = getPieceNext();
    for (WindowPDFxSuper *w : openWindows())
        w->refreshPieceNext(next);
}

void Controller::refreshDefNoteDefPDFX()
{
    for (WindowPDFxSuper *w : openWindows()) {
        w->refreshDefNoteDefPDF();
        w->resetPDF();
    }
    chargerPages();
}

void Controller::setModeAffichageX(qint64 mode, bool allScreens, const WindowPDFxSuper *key)
{
    for (WindowPDFxSuper *w : openWindows()) {
        if (w->modeAffichage() == 2)
            continue;
        if (allScreens ? w->syncPageChanges() : w == key)
            w->iniModeAffichage(mode, true);
    }
    ajusterZoomON();
}

void Controller::afficherZoomHautX()
{
    for (WindowPDFxSuper *w : openWindows())
        w->afficherZoomHaut(false);
    pushZoomToNotes(true);
}

void Controller::afficherZoomBasX()
{
    for (WindowPDFxSuper *w : openWindows())
        w->afficherZoomBas(false);
    pushZoomToNotes(false);
}

void Controller::traiter_backslash()
{
    for (WindowPDFxSuper *w : openWindows())
        w->toggleAltModeOnOff();
    chargerPages();
}

void Controller::updateCueX()
{
    for (WindowPDFxSuper *w : openWindows())
        if (w->winType() == 13)
            w->refreshCue();
}

void Controller::refreshCue()
{
    if (!Data::recOn() && doRefreshCue_) {
        updateCueX();
        doRefreshCue_ = false;
    }
}

void Controller::setChordStripX(qint64 kind, const QString &winID)
{
    if (kind < 0 || kind > 3)
        return;
    for (WindowPDFxSuper *w : openWindows()) {
        if (w->winType() != 14)
            continue;
        if (!winID.isEmpty() && !sameWinID(winID, w->altDir()))
            continue;
        if (kind == 3) {
            w->setVisible(false);
            continue;
        }
        if (!w->isVisible())
            w->setVisible(true);
        w->iniFixPageNo(kind);
        w->resetPDF();
        w->refreshTous();
    }
}

bool Controller::selectTolvaneWin()
{
    makeInspectedWindowKey();
    if (windowlist::isTolvaneWindow(Data::getKeyWin()))
        return true;
    Data::msg(QStringLiteral("A Tolvane window must be selected to use this function."));
    return false;
}

void Controller::resetCue()
{
    if (Data::recOn())
        return;
    Data::resetSongEventsUsingArray(Data::songEvents());
    updateCueX();
    if (Data::currentGenreG() == 6 && !ituneTimer_.isActive()) {
        if (const PiecePtr piece = Data::getPiece(Data::songNoG())) {
            pageNo1_ = 1;
            setPDFx(piece, 1, true, getPieceNext(), false, false);
        }
    }
    if (Data::processSongEventsUpTo(0.0, true, Data::songEvents()))
        updateCueX();
}

void Controller::refreshNbTocG()
{
    Data::determinerNbTocG();
    if (tocON_)
        afficherToc(true);
}
