#include "controller/Controller.h"

#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

void Controller::actionZoom()
{
    doRefreshCue_ = true;
    afficherZoom(0, false);
}

void Controller::actionZoomOut()
{
    doRefreshCue_ = true;
    masquerZoom();
}

// Half-page stepping: top half, bottom half, the next page's top half.
void Controller::afficherZoom(qint64 step, bool wrap)
{
    if (tocON_)
        actionEqual();
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece)
        return;
    if (step == 1 && zoomTop_ && zoomON_) {
        afficherZoomBasX();
        zoomTop_ = false;
        return;
    }
    if (step == -1 && !zoomTop_ && zoomON_) {
        afficherZoomHautX();
        zoomTop_ = true;
        return;
    }
    WindowPDFxSuper *key = Data::getKeyWin();
    if (!zoomON_) {
        zoomON_ = true;
        zoomTop_ = true;
        setModeAffichageX(1, key && key->modeAffichage() == 2);
        zoomON_ = true;
        ajusterCadreX();
    } else if (step == 0) {
        if (key && (key->modeAffichage() == 1 || key->modeAffichage() == 2)) {
            setModeAffichageX(1, true);
        } else {
            setModeAffichageX(1, false);
            if (key)
                key->setPDF(piece, pageNo1_, zoomTop_, zoomON_, Data::currentSort(), getPieceNext(), false);
            ajusterCadreX();
            return;
        }
    }
    const qint64 pages = piece->pieceDet ? piece->pieceDet->nbrPagesMax : 1;
    if (step == 1) {
        if (pageNo1_ < pages) {
            ++pageNo1_;
        } else if (wrap) {
            pageNo1_ = 1;
        } else {
            if (Data::optNextPageSong())
                traiterNext();
            return;
        }
    } else if (step == -1) {
        if (pageNo1_ <= 1) {
            if (Data::optPrevPageSong())
                traiterPrev();
            else
                resetCue();
            return;
        }
        --pageNo1_;
    }
    zoomTop_ = step != -1;
    setPDFx(piece, pageNo1_, zoomTop_, getPieceNext(), false, false);
}

// Two-page display resumes on the odd page of the pair.
void Controller::masquerZoom()
{
    WindowPDFxSuper *key = Data::getKeyWin();
    // Without a key window there is no window of its own to bring back.
    if (!zoomON_ && (!key || key->syncPageChanges() || key->modeAffichage() != 1))
        return;
    setModeAffichageX(-1, !(key && key->modeAffichage() == 1));
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (key && key->modeAffichage() == 1 && zoomON_) {
        if (pageNo1_ % 2 == 0 && piece)
            key->setPDF(piece, pageNo1_ - 1, true, zoomON_, Data::currentSort(), getPieceNext(), false);
        return;
    }
    ajusterCadreX();
    if (pageNo1_ % 2 == 0 && piece) {
        --pageNo1_;
        setPDFx(piece, pageNo1_, true, getPieceNext(), false, false);
    }
}
