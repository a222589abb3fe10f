// The song and page push, the own page step and the window identifier
// binding of every document window.
#include "windows/WindowPDFxSuper.h"

#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/PageRenderer.h"
#include "windows/WindowList.h"

namespace {

constexpr qint64 kMuteGenre = 6;

} // namespace

// ---- Window identifier binding -------------------------------------------------

void WindowPDFxSuper::iniMode(qint64 mode, const QString &aDir)
{
    altModeOff_ = false;
    altModeOk_ = false;
    altMode_ = mode;
    altDir_ = mode != 0 ? aDir : QString();
    refreshDefNoteDefPDF();
}

void WindowPDFxSuper::refreshDefNoteDefPDF()
{
    defNote_ = defPDF_ = defCHO_ = defMsg_ = 0;
    for (const auto &id : Data::winIDs()) {
        if (id && id->idWin == altDir_) {
            defNote_ = id->defNote;
            defPDF_ = id->defPDF;
            defCHO_ = id->defCHO;
            defMsg_ = id->defMsg;
            return;
        }
    }
}

void WindowPDFxSuper::selectNextDir()
{
    const WinIDPtr next = Data::obtenirNextWinID(altMode_, altDir_);
    if (next)
        iniMode(1, next->idWin);
    else
        iniMode(0, QString());
    if (pieceCour_) {
        resetPDF();
        refreshTous();
    }
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::RefreshWindowMenus);
}

void WindowPDFxSuper::toggleAltModeOnOff()
{
    altModeOff_ = !altModeOff_;
    resetPDF();
}

std::optional<QString> WindowPDFxSuper::versionShown(const QString &path, bool ask, bool ahead) const
{
    if (path.isEmpty() || altMode_ == 0 || altModeOff_)
        return path;
    PageRenderer *renderer = pageRenderer();
    if (!renderer)
        return std::nullopt;
    const PageRenderer::Binding binding{altDir_, defPDF_, defCHO_};
    return ask ? renderer->version(path, binding, ahead) : renderer->knownVersion(path, binding);
}

void WindowPDFxSuper::refreshTous()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ReloadWindows);
}

// ---- Song and page push ------------------------------------------------------------

void WindowPDFxSuper::setPDF(const std::shared_ptr<Pieces> &piece, qint64 pageNo, bool zoomTop, bool zoomOn,
                             qint64 currSort, const std::shared_ptr<Pieces> &pieceNext, bool autom)
{
    const qint64 genre = Data::currentGenreG();
    bool hold = false;
    qint64 page = 0;
    if (syncPageChanges_) {
        hold = zoomTop && autom && genre == kMuteGenre && (modeAffichage_ == 0 || modeAffichage_ == 4) && !zoomTop_;
        pageNoCourOrig_ = pageNo;
        page = pageNo + std::max<qint64>(fixPageNo_, 0);
        if (ratio21_)
            page = zoomTop ? 2 * page - 1 : 2 * page;
        // The left pane of two side by side always holds an odd page.
        if (modeAffichage_ == 0 && genre != kMuteGenre && page >= 2 && page % 2 == 0)
            page -= 1;
    } else {
        page = pageNoCour_;
        pageNoCourOrig_ = page;
        zoomTop = zoomTop_;
    }

    const bool songChange = piece != pieceCour_;
    if (songChange && !syncPageChanges_) {
        page = fixPageNo_ + 1;
        pageNoCourOrig_ = page;
        zoomTop = true;
    }
    const bool sameNext = !songChange && currentSort_ == currSort && pieceNext_ == pieceNext;
    const bool samePage = !songChange && pageNoCour_ == page;
    const bool halfChanged = songChange || !samePage || zoomTop_ != zoomTop;

    pieceCour_ = piece;
    pieceNext_ = pieceNext;
    if (!hold)
        pageNoCour_ = page;
    zoomTop_ = zoomTop;
    zoomOn_ = zoomOn;
    currentSort_ = currSort;

    if (songChange)
        refreshPiece();

    if (samePage) {
        if (modeAffichage_ == 0 && windowlist::isUneFenetreEstSingleEtSync())
            ajusterCadre();
        else if (pageNo == 1 && zoomTop_ && zoomOn_ && !ratio21_ && !hideFrame_ && syncPageChanges_)
            ajusterCadre();
    } else if (hold) {
        ajusterCadre();
    } else {
        refreshPDF();
    }
    if (!sameNext)
        refreshInfo();
    if (halfChanged) {
        if (zoomTop_)
            afficherZoomHaut(true);
        else
            afficherZoomBas(true);
    }
}

void WindowPDFxSuper::pageUpDown(bool forward)
{
    if (winType_ != 0 || syncPageChanges_)
        return;
    const qint64 m = ratio21_ ? 1 : modeAffichage_;
    const qint64 p = pageNoCour_;
    const qint64 n = nbrPages_;
    const qint64 f = fixPageNo_;
    qint64 newPage = p;
    bool newTop = zoomTop_;
    bool step = true;
    switch (m) {
    case 0:
        if (forward) {
            if (p + 2 <= f + n)
                newPage = p + 2;
            else
                step = false;
        } else {
            newPage = p - 2 > f ? p - 2 : f + 1;
        }
        newTop = true;
        break;
    case 1:
        if (forward) {
            if (zoomTop_)
                newTop = false;
            else if (p < (ratio21_ ? 2 * n : n))
                newPage = p + 1, newTop = true;
            else
                step = false;
        } else {
            if (!zoomTop_)
                newTop = true;
            else if (p >= 2)
                newPage = p - 1, newTop = false;
            else
                step = false;
        }
        break;
    case 2:
    case 4:
    case 5:
        if (forward) {
            const bool canStep = m == 2 ? p < f + n : p + 1 < f + n;
            if (canStep)
                newPage = p + 1;
            else
                step = false;
        } else {
            newPage = p > f + 1 ? p - 1 : f + 1;
        }
        newTop = true;
        break;
    default:
        refreshPDF();
        return;
    }
    if (!step)
        return;
    pageNoCourOrig_ = newPage;
    if (newPage != p) {
        pageNoCour_ = newPage;
        zoomTop_ = newTop;
        refreshPDF();
    } else if (newTop == zoomTop_) {
        return;
    }
    zoomTop_ = newTop;
    if (newTop)
        afficherZoomHaut(true);
    else
        afficherZoomBas(true);
}

void WindowPDFxSuper::refreshZoomOn()
{
    zoomOn_ = windowlist::isUneFenetreEstZoomDemiPage();
}

void WindowPDFxSuper::refreshPieceNext(const std::shared_ptr<Pieces> &piece)
{
    if (piece == pieceNext_)
        return;
    pieceNext_ = piece;
    if (winType_ == 10)
        refreshInfo();
}

void WindowPDFxSuper::refreshFlags()
{
    if (winType_ == 16)
        refreshInfo();
}

void WindowPDFxSuper::refreshPiece()
{
    if (Data::recOn())
        Data::setRecOn(false);
    seconds30_ = false;
    // A message belongs to the song it came on.
    message_.clear();
    // A notice held until ended says a state, which no song change ends; one
    // put aside by a message comes back with the next song.
    if (held_.contains(notice_))
        return;
    if (notice_.isEmpty()) {
        msgTimer_.stop();
        if (!held_.isEmpty())
            holdLine(held_.last(), true);
        return;
    }
    // A notice belongs to the song it was told on: the next song ends it. The
    // program's own showing of a song is no next song: the same song again
    // (a screen set reloaded), the first song at all, or the first of a library
    // opened meanwhile takes the notice over.
    const QString song = pieceCour_ ? pieceCour_->getPath() : QString();
    if (noticeOfNoSong_ || noticeSong_.isEmpty() || song == noticeSong_ || Data::dirX() != noticeLibrary_) {
        noticeSong_ = song;
        noticeLibrary_ = Data::dirX();
        return;
    }
    notice_.clear();
    msgTimer_.stop();
    if (!held_.isEmpty())
        holdLine(held_.last(), true);
}
