#include "controller/Controller.h"

#include "audio/TrackLookup.h"
#include "audio/windows/WinAudioPlayer.h"
#include "audio/windows/WinAudioPreview.h"
#include "library/Data.h"
#include "platform/MediaPlayer.h"

void Controller::actionMenuAudioPlayer()
{
    if (winAudioPlayer_ && !Data::loopOn())
        winAudioPlayer_->closeWin();
    else
        afficherMasquerAudioPlayer();
}

void Controller::afficherMasquerAudioPlayer()
{
    if (!winAudioPlayer_)
        winAudioPlayer_ = new WinAudioPlayer();
    winAudioPlayer_->showWin(Data::getPiece(Data::songNoG()), 0.0, QStringLiteral("Toto"));
}

void Controller::actionMenuAudioPreview()
{
    if (winAudioPreview_)
        winAudioPreview_->closeWin();
    else
        afficherMasquerAudioPreview();
}

void Controller::afficherMasquerAudioPreview()
{
    if (!winAudioPreview_)
        winAudioPreview_ = new WinAudioPreview();
    winAudioPreview_->showWin(Data::getPiece(Data::songNoG()), 0.0, QStringLiteral("Toto"));
}

void Controller::actionAudioPlayerCloseReceived()
{
    Data::setLoopOn(false);
    Data::setGautomationOff(false);
    if (winAudioPlayer_)
        winAudioPlayer_->deleteLater();
    winAudioPlayer_ = nullptr;
}

void Controller::actionAudioPreviewCloseReceived()
{
    if (winAudioPreview_)
        winAudioPreview_->deleteLater();
    winAudioPreview_ = nullptr;
}

void Controller::closeAudioPlayer()
{
    if (winAudioPlayer_)
        winAudioPlayer_->closeWin();
}

void Controller::closeAudioPreview()
{
    if (winAudioPreview_)
        winAudioPreview_->closeWin();
}

WinAudioPlayer *Controller::winAudioPlayer() const { return winAudioPlayer_; }
WinAudioPreview *Controller::winAudioPreview() const { return winAudioPreview_; }

bool Controller::closeAudioPlayerForSongChange()
{
    if (!winAudioPlayer_ || !(Data::loopOn() || audio::trackPlays()))
        return false;
    closeAudioPlayer();
    return true;
}

void Controller::pushSongToAudioWindows(const PiecePtr &piece)
{
    if (winAudioPlayer_)
        winAudioPlayer_->setPDF(piece);
    if (winAudioPreview_)
        winAudioPreview_->setPDF(piece);
}

void Controller::pushTrackToAudioWindows(const QString &title, const QString &artist, double curPos, double maxPos,
                                         bool masquer)
{
    if (winAudioPlayer_)
        winAudioPlayer_->updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (winAudioPreview_)
        winAudioPreview_->updateItunesInfo(title, artist, curPos, maxPos, masquer);
}
