// The Tolvane window's page display: which pane shows which page in each
// display mode, the half-page band, the frame, the dimming of another
// song's page, the resize rule and the pages rendered ahead.
#include "windows/WindowPDFx.h"

#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "library/SongFileCheck.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/PageRenderer.h"
#include "windows/WindowList.h"

#include <QPainter>
#include <QPushButton>

using Role = PDFViewRedef::Role;

namespace {
constexpr double kFrameInset = 3.0;
bool isPairMode(qint64 m) { return m == 0 || m == 4 || m == 5; }
} // namespace

int WindowPDFx::modeCode(Role role, qint64 mode)
{
    switch (role) {
    case Role::Zoom: return 1;
    case Role::Single: return 2;
    default: return int(mode == 4 || mode == 5 ? mode : 0);
    }
}

// ---- Page fill ---------------------------------------------------------------------

void WindowPDFx::refreshPDF()
{
    refreshPageNoAttributes();
    if (!pieceCour())
        return;
    updateNextSong();
    const qint64 m = effectiveMode();
    if (m == 3 || m < 0 || m > 5)
        return; // the panes keep what they show

    // Looked at and read off the main thread; documentReady fills the panes.
    if (!curFound_ || (typeFichierCour_ == 1 && !curLoaded_))
        takeSongFiles();
    if (!curFound_ || (typeFichierCour_ == 1 && !curLoaded_)) {
        waitForSong();
        return;
    }
    qint64 n = 0;
    bool loading = false;
    if (typeFichierCour_ == 0) {
        const auto info = renderer_->documentInfo(curPath_, false, firstPageShown());
        // One slow to open holds its own pane only: the next song shows beside it.
        loading = !info && slowToOpen_ == curPath_;
        if (!info && !loading) {
            waitForSong();
            return;
        }
        n = info && info->ok ? info->pageCount : 0;
        if (info)
            slowToOpen_.clear();
        if (info && !info->ok && !curPath_.isEmpty())
            showSongProblem(curPath_, info->problem);
    } else {
        n = chordProPageCount(false, m == 1 ? Role::Zoom : m == 2 ? Role::Single : Role::Left);
    }
    if (waitingForDocument_) {
        // A pane the plan leaves alone must not go on saying that the folder is silent.
        for (PDFViewRedef *p : panes_)
            if (!p->content().notice.isEmpty())
                p->clear();
    }
    if (loading) {
        waitingForDocument_ = true; // its answer lays the panes out again
    } else {
        waitingForDocument_ = false;
        noAnswer_.stop();
    }
    setNbrPages(n);
    if (syncPageChanges() && pieceCour()->pieceDet) {
        const qint64 count = m == 2 && ratio21() && typeFichierCour_ == 0 ? n / 2 : n;
        if (count > pieceCour()->pieceDet->nbrPagesMax)
            pieceCour()->pieceDet->nbrPagesMax = count;
    }

    qint64 nextCount = 0;
    if (pieceNext() && nextKnown_) {
        if (typeFichierNext_ == 0) {
            // Beside the song's last page, its first page is drawn with its load.
            const bool beside = m == 0 && n <= pageNoCour() && fixPageNo() < 1;
            const auto info = renderer_->documentInfo(nextPath_, false, beside ? firstPageIn(Role::Right, 1) : PageRenderer::FirstPage());
            nextCount = info && info->ok ? info->pageCount : 0;
        } else {
            nextCount = chordProPageCount(true, Role::Right);
        }
    }

    pageplan::Input in;
    in.mode = m;
    in.page = pageNoCour();
    in.pageCount = n;
    in.fixPageNo = fixPageNo();
    in.ratio21 = ratio21();
    in.chordPro = typeFichierCour_ == 1;
    in.hasNext = pieceNext() != nullptr;
    in.nextPageCount = nextCount;
    in.savePageNo1 = savePageNo1_;
    in.savePageNo2 = savePageNo2_;
    const pageplan::Result r = pageplan::fill(in);
    applyPane(Role::Left, r.left);
    applyPane(Role::Right, r.right);
    applyPane(Role::Single, r.single);
    applyPane(Role::Zoom, r.zoom);
    savePageNo1_ = r.savePageNo1;
    savePageNo2_ = r.savePageNo2;
    if (r.inactSet)
        setInactFlags(r.inactAgauche, r.inactAdroite);

    if (isPairMode(m)) {
        ajusterBoxInact();
        ajusterCadre();
    } else {
        ajusterCadre();
    }
    unHidePDF();
    renderAhead();
    endLateWordsPast();
}

void WindowPDFx::applyPane(Role role, const pageplan::Pane &plan)
{
    PDFViewRedef *view = pane(role);
    PDFViewRedef::Content content;
    switch (plan.source) {
    case pageplan::Source::Keep:
        return;
    case pageplan::Source::Empty:
        break;
    case pageplan::Source::Current:
        // A song that cannot be shown leaves the pane empty, in the window's colour.
        if (!songProblem_.isEmpty()) {
            content.unreadable = true;
            break;
        }
        // A page outside the document leaves the pane empty.
        if (plan.page >= 1 && plan.page <= (typeFichierCour_ == 1 && ratio21() ? 2 * nbrPages() : nbrPages())) {
            content.kind = typeFichierCour_ == 0 ? PDFViewRedef::Kind::Pdf : PDFViewRedef::Kind::ChordPro;
            content.path = curPath_;
            content.page = plan.page;
        } else if (typeFichierCour_ == 1) {
            // A ChordPro pane past the song's end is a blank text page, not a bright empty PDF page.
            content.kind = PDFViewRedef::Kind::ChordPro;
            content.path = curPath_;
        }
        break;
    case pageplan::Source::Next:
        // Nothing of the next song until the library folder has answered for it.
        if (!nextKnown_)
            break;
        content.kind = typeFichierNext_ == 0 ? PDFViewRedef::Kind::Pdf : PDFViewRedef::Kind::ChordPro;
        content.path = nextPath_;
        content.page = plan.page;
        content.nextSong = true;
        if (content.kind == PDFViewRedef::Kind::Pdf && content.path.isEmpty())
            content = PDFViewRedef::Content();
        if (nextUnreadable()) {
            content = PDFViewRedef::Content();
            content.unreadable = true;
        }
        break;
    }
    view->setContent(content);
    view->setLabel(content.kind == PDFViewRedef::Kind::Empty || content.page < 1 ? QString() : plan.label);
    // Asked now rather than at the next paint, so the render starts at once.
    if (content.kind == PDFViewRedef::Kind::Pdf)
        renderer_->page(content.path, int(content.page), pixelSizeFor(content.path, content.page, role));
}

bool WindowPDFx::nextUnreadable()
{
    if (!pieceNext() || nextPath_.isEmpty() || !nextKnown_)
        return false;
    if (typeFichierNext_ == 1)
        return chordProDocumentNext_ && !chordProDocumentNext_->loadProblem().isEmpty();
    const auto info = renderer_->documentInfo(nextPath_);
    return info && !info->ok;
}

qint64 WindowPDFx::chordProPageCount(bool nextSong, Role role)
{
    ChordPro *doc = nextSong ? chordProDocumentNext_.get() : chordProDocument_.get();
    if (!doc)
        return 0;
    QSizeF size = paneSizeForRole(role);
    if (size.isEmpty())
        size = pageArea().size();
    if (role == Role::Zoom) {
        if (const QSizeF whole = chordProZoomPageSize(nextSong, size); !whole.isEmpty())
            size = whole;
    }
    chordpro::PageRequest request;
    request.pageNo = 1;
    request.lyricsOnly = lyricsOnly();
    request.modeAffichage = modeCode(role, effectiveMode());
    request.ratio21 = ratio21();
    doc->chargerPage(size, request);
    return doc->nbPages();
}

QSizeF WindowPDFx::chordProZoomPageSize(bool nextSong, const QSizeF &band) const
{
    // Like a PDF page in the band, at the proportions the song's pages break at.
    const ChordPro *doc = nextSong ? chordProDocumentNext_.get() : chordProDocument_.get();
    return pageplan::halfPageSize(doc ? doc->referenceInForce() : ChordPro::sizeRefStatique(), band);
}

void WindowPDFx::paintChordProPage(QPainter &painter, const QRectF &target, const PDFViewRedef::Content &content,
                                   Role role)
{
    ChordPro *doc = content.nextSong ? chordProDocumentNext_.get() : chordProDocument_.get();
    if (!doc || content.page < 1)
        return;
    chordpro::PageRequest request;
    request.pageNo = int(content.page);
    request.lyricsOnly = lyricsOnly();
    request.modeAffichage = modeCode(role, effectiveMode());
    request.ratio21 = ratio21();
    doc->chargerPage(painter, target, request);
}

// ---- Showing the panes ---------------------------------------------------------------

void WindowPDFx::unHidePDF()
{
    const qint64 m = effectiveMode();
    if (m == 3 || m < 0 || m > 5)
        return;
    const bool pair = isPairMode(m);
    const bool pairShown = pair && !tocLayerShown();
    pane(Role::Left)->setVisible(pairShown);
    pane(Role::Right)->setVisible(pairShown);
    pane(Role::Zoom)->setVisible(m == 1);
    pane(Role::Single)->setVisible(m == 2);
    cadre_->raise();
}

void WindowPDFx::ajusterSelonModeAffichageWithRefresh(bool refresh)
{
    if (tocLayerShown()) {
        layoutPanes();
        return;
    }
    const qint64 m = effectiveMode();
    auto hideAndEmpty = [this](Role role) {
        pane(role)->hide();
        pane(role)->clear();
        pane(role)->setLabel(QString());
    };
    if (isPairMode(m)) {
        hideAndEmpty(Role::Single);
        hideAndEmpty(Role::Zoom);
        ajusterBoxInact();
    } else if (m == 1) {
        hideAndEmpty(Role::Left);
        hideAndEmpty(Role::Right);
        hideAndEmpty(Role::Single);
        savePageNo1_ = savePageNo2_ = 0;
        boxInactGaucheShown_ = boxInactDroiteShown_ = false;
    } else if (m == 2) {
        hideAndEmpty(Role::Left);
        hideAndEmpty(Role::Right);
        hideAndEmpty(Role::Zoom);
        savePageNo1_ = savePageNo2_ = 0;
        boxInactGaucheShown_ = boxInactDroiteShown_ = false;
    } else {
        if (refresh)
            refreshPDF();
        return;
    }
    layoutPanes();
    ajusterCadre();
    if (refresh)
        refreshPDF();
}

// ---- Half-page band, markers, frame, dimming ---------------------------------------

void WindowPDFx::afficherZoomHaut(bool forced)
{
    if (!syncPageChanges() && !forced)
        return;
    if (ratio21() && pageNoCour() % 2 == 0 && pageNoCour() >= 2) {
        setPageNoCour(pageNoCour() - 1);
        refreshPDF();
    }
    pane(Role::Zoom)->setZoomTop(true);
    setZoomTopState(true);
    ajusterMarqueurZoom();
    ajusterCadre();
    refreshPageNo();
}

void WindowPDFx::afficherZoomBas(bool forced)
{
    if (!syncPageChanges() && !forced)
        return;
    if (ratio21() && pageNoCour() % 2 != 0) {
        setPageNoCour(pageNoCour() + 1);
        refreshPDF();
    }
    pane(Role::Zoom)->setZoomTop(false);
    setZoomTopState(false);
    ajusterMarqueurZoom();
    ajusterCadre();
    refreshPageNo();
}

void WindowPDFx::ajusterMarqueurZoom()
{
    markerLineShown_ = Data::optZoomRedLine() == 1;
    switch (Data::optHalfPageMarker()) {
    case 0:
        marker1Shown_ = true;
        marker2Shown_ = false;
        break;
    case 1:
        marker1Shown_ = zoomTop();
        marker2Shown_ = !zoomTop();
        break;
    case 2:
        marker1Shown_ = marker2Shown_ = false;
        break;
    default:
        break;
    }
    pane(Role::Zoom)->update();
}

void WindowPDFx::ajusterCadre()
{
    const qint64 mode = modeAffichage();
    bool show = !tocLayerShown() && !ratio21() && !hideFrame() && syncPageChanges()
        && (zoomOn() || (isPairMode(mode) && windowlist::isUneFenetreEstSingleEtSync()));
    PDFViewRedef *target = nullptr;
    const qint64 orig = pageNoCourOrig();
    const qint64 n = nbrPages();
    if (mode == 0 || mode == 4)
        target = pane(orig % 2 != 0 ? Role::Left : Role::Right);
    else if (mode == 5)
        target = pane((n == 2 && orig == 2) || (n >= 3 && orig == n) ? Role::Right : Role::Left);
    else if (mode == 2)
        target = pane(Role::Single);
    if (!target)
        show = false; // the half-page band and mode 3 have no frame
    cadreShown_ = show;
    if (!show) {
        cadre_->hide();
        return;
    }
    QRectF r = target->geometry();
    if (zoomOn()) {
        const double half = r.height() / 2;
        r = zoomTop() ? QRectF(r.x(), r.y(), r.width(), half) : QRectF(r.x(), r.y() + half, r.width(), half);
    }
    r.adjust(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
    cadreRect_ = r.toAlignedRect();
    cadre_->setGeometry(cadreRect_);
    cadre_->show();
    cadre_->raise();
    cadre_->update();
}

void WindowPDFx::ajusterBoxInact()
{
    if (modeAffichage() == 0 && effectiveMode() == 0 && !tocLayerShown()) {
        if (pieceCour()) {
            boxInactGaucheShown_ = inactAgauche();
            boxInactDroiteShown_ = inactAdroite();
        } else {
            boxInactGaucheShown_ = boxInactDroiteShown_ = true;
        }
    } else {
        boxInactGaucheShown_ = boxInactDroiteShown_ = false;
    }
    pane(Role::Left)->update();
    pane(Role::Right)->update();
}

void WindowPDFx::refreshPageNoAttributes()
{
    if (!pieceCour()) {
        labelsShown_ = false;
    } else if (typeFichierCour_ == 1) {
        labelColor_ = pageNoCHDColor();
        labelsShown_ = !pageNoCHDHide();
    } else {
        labelColor_ = pageNoPDFColor();
        labelsShown_ = !pageNoPDFHide();
    }
    for (PDFViewRedef *p : panes_)
        p->update();
}

void WindowPDFx::pageUpDown(bool forward)
{
    if (Data::tocOn() && !hideList())
        return;
    WindowPDFxSuper::pageUpDown(forward);
}

// ---- Resize rule ---------------------------------------------------------------------

void WindowPDFx::windowDidResize()
{
    if (!didLoadOk_)
        return;
    refreshPosTitleElements();
    cadre_->hide();
    cadreShown_ = false;
    const auto d = pageplan::resizeRule(width(), height(), modeAffichage(), singlePageForce());
    if (d.newMode >= 0) {
        if (d.postZoomOut)
            platform::NotificationCenter::defaultCenter().postActionKey(vocab::ZoomOut);
        setModeAffichage(d.newMode);
        ajusterSelonModeAffichageWithRefresh(false);
    }
    ajusterPosButtonToc();
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::TocSizeChanged);
}

void WindowPDFx::windowDidEndLiveResize()
{
    if (!didLoadOk_)
        return;
    TLOG(QStringLiteral("WindowPDFx viewDidEndLiveResize"));
    if (Data::tocOn())
        buttonFiltre_->setVisible(Data::filterTypeG() != 0 && !hideList());
    const auto d = pageplan::endResizeRule(width(), height(), modeAffichage(), singlePageForce());
    if (d.newMode >= 0) {
        setModeAffichage(d.newMode);
        ajusterSelonModeAffichageWithRefresh(false);
        refreshPDF();
    } else if (d.refreshOnly) {
        refreshPDF();
    }
    for (PDFViewRedef *p : panes_)
        p->update();
}

// ---- Pages rendered ahead ------------------------------------------------------------

QSize WindowPDFx::pixelSizeFor(const QString &path, qint64 page, Role role)
{
    const auto info = renderer_->documentInfo(path);
    if (!info || !info->ok)
        return QSize();
    const QSizeF pagePts = info->pageSize(int(page));
    const qreal dpr = devicePixelRatioF();
    if (role == Role::Zoom)
        return PageRenderer::halfPageFitSize(pagePts, paneSizeForRole(role), dpr);
    return PageRenderer::fitSize(pagePts, paneSizeForRole(role), dpr);
}

PageRenderer::FirstPage WindowPDFx::firstPageShown() const
{
    const qint64 m = effectiveMode();
    const qint64 p = std::max<qint64>(1, pageNoCour());
    Role role = Role::Left;
    if (m == 4 && p % 2 == 0)
        role = Role::Right;
    else if (m == 2 && !ratio21())
        role = Role::Single;
    else if (!(m == 0 || m == 4 || (m == 5 && p == 1)))
        return {};
    return firstPageIn(role, p);
}

PageRenderer::FirstPage WindowPDFx::firstPageIn(Role role, qint64 page) const
{
    if (!isVisible())
        return {};
    return {int(page), QSizeF(paneSizeForRole(role)), devicePixelRatioF()};
}

void WindowPDFx::renderAhead()
{
    renderer_->clearPrefetch();
    if (!pieceCour() || !isVisible())
        return;
    const qint64 m = effectiveMode();
    QList<Role> roles;
    if (isPairMode(m))
        roles = {Role::Left, Role::Right};
    else if (m == 1)
        roles = {Role::Zoom};
    else if (m == 2)
        roles = {Role::Single};
    else
        return;
    auto ahead = [&](const QString &path, qint64 page) {
        for (Role role : roles) {
            const QSize size = pixelSizeFor(path, page, role);
            renderer_->prefetch(path, int(page), size);
        }
    };
    // What the next song and the song before show when they come: their first pages.
    auto opening = [&](const QString &path) {
        if (path.isEmpty())
            return;
        if (fileKind(path) != 0) {
            renderer_->songText(path, true);
            return;
        }
        if (const auto info = renderer_->documentInfo(path, true); info && info->ok)
            for (qint64 page = 1; page <= std::min<qint64>(2, info->pageCount); ++page)
                ahead(path, page);
    };
    if (pieceNext()) {
        opening(nextPath_);
        // A one-page next song shows the song after it beside its page, in the right pane.
        const auto next = typeFichierNext_ == 0 ? renderer_->documentInfo(nextPath_, true) : std::nullopt;
        if (m == 0 && next && next->pageCount == 1 && !afterPath_.isEmpty() && fileKind(afterPath_) == 0)
            if (const auto after = renderer_->documentInfo(afterPath_, true); after && after->ok)
                renderer_->prefetch(afterPath_, 1, pixelSizeFor(afterPath_, 1, Role::Right));
    }
    opening(prevPath_);
    // The pages a page turn shows, forward first.
    if (typeFichierCour_ == 0) {
        const qint64 p = pageNoCour();
        const qint64 n = nbrPages();
        for (qint64 page : {p + 1, p + 2, p + 3, p - 1, p - 2})
            if (page >= 1 && page <= n)
                ahead(curPath_, page);
    }
}

void WindowPDFx::waitForSong()
{
    waitingForDocument_ = true;
    if (!noAnswer_.isActive())
        noAnswer_.start(PageRenderer::kNoAnswerPoll, true, [this] { sayNoAnswer(); });
}

void WindowPDFx::sayNoAnswer()
{
    if (!waitingForDocument_ || !pieceCour()) {
        noAnswer_.stop();
        return;
    }
    if (renderer_->fileSystemSilence() < PageRenderer::kNoAnswerSeconds)
        return;
    PDFViewRedef::Content said;
    said.unreadable = true;
    said.notice = songfile::noAnswer(curFound_ ? curPath_ : pathOf(pieceCour()));
    for (PDFViewRedef *p : panes_) {
        p->setContent(said);
        p->setLabel(QString());
    }
}

void WindowPDFx::documentReady(const QString &path)
{
    if (!pieceCour())
        return;
    const bool current = path == curPath_ || path == pathOf(pieceCour());
    const bool next = pieceNext() && (path == nextPath_ || path == pathOf(pieceNext()));
    const bool before = path == prevPath_ || path == pathOf(piecePrev()) || path == afterPath_
                        || (pieceAfterNext() && path == pathOf(pieceAfterNext()));
    const bool wasFound = curFound_;
    if (current || next || before) {
        if (takeSongFiles()) {
            for (WindowPDFxSuper *strip : windowlist::chordStripsOf(this))
                strip->refreshInfo();
        }
        // The title row tells whether the song shows its version.
        if (curFound_ && !wasFound)
            refreshLabels();
    }
    if ((current && waitingForDocument_) || next)
        refreshPDF();
    else if (current || before)
        renderAhead();
    for (PDFViewRedef *p : panes_)
        if (p->content().path == path)
            p->update();
    endLateWordsPast();
}

void WindowPDFx::fileChanged(const QString &path)
{
    if (!pieceCour())
        return;
    if (path == curPath_ || path == pathOf(pieceCour())) {
        // Written again, or a version came or went: shown anew, problem and all.
        curLoaded_ = false;
        if (!songProblem_.isEmpty()) {
            songProblem_.clear();
            refreshNote(false);
        }
    } else if (pieceNext() && (path == nextPath_ || path == pathOf(pieceNext()))) {
        nextKnown_ = false;
    } else if (path != prevPath_ && path != pathOf(piecePrev())) {
        return;
    }
    takeSongFiles();
    refreshPDF();
}

void WindowPDFx::pageReady(const QString &path, int page)
{
    for (PDFViewRedef *p : panes_)
        if (p->content().page == page && p->content().path == path)
            p->update();
    endLateWordsPast();
}
