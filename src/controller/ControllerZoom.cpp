#include "controller/Controller.h"

#include "library/Data.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <algorithm>

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

namespace {

// The window a zoom acts on. Without a window manager keys can reach a window
// the system does not count as active: then the Tolvane window that had them.
WindowPDFxSuper *zoomWindow()
{
    if (WindowPDFxSuper *key = Data::getKeyWin())
        return key;
    return Data::obtenirKeywin();
}

bool anyWindowInHalfPages()
{
    const QList<WindowPDFxSuper *> windows = windowlist::openWindows();
    return std::ranges::any_of(windows, [](const WindowPDFxSuper *w) { return w->modeAffichage() == 1; });
}

} // namespace

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
    WindowPDFxSuper *key = zoomWindow();
    if (!zoomON_) {
        zoomON_ = true;
        zoomTop_ = true;
        setModeAffichageX(1, key && key->modeAffichage() == 2, key);
        // The zoom is on while a window shows half pages, one that does not
        // follow page changes included; none switched leaves it off.
        zoomON_ = anyWindowInHalfPages();
        ajusterCadreX();
        if (!zoomON_)
            return;
    } else if (step == 0) {
        if (key && (key->modeAffichage() == 1 || key->modeAffichage() == 2)) {
            setModeAffichageX(1, true, key);
        } else {
            setModeAffichageX(1, false, key);
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
    WindowPDFxSuper *key = zoomWindow();
    // Without a key window there is no window of its own to bring back.
    if (!zoomON_ && (!key || key->syncPageChanges() || key->modeAffichage() != 1))
        return;
    setModeAffichageX(-1, !(key && key->modeAffichage() == 1), key);
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
