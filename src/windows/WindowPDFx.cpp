#include "windows/WindowPDFx.h"

#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "library/SongFileCheck.h"
#include "midi/Midi.h"
#include "platform/Fonts.h"
#include "platform/Geometry.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Vocabulary.h"
#include "windows/BarreOnglets.h"
#include "windows/DimmerBox.h"
#include "windows/PageRenderer.h"
#include "windows/TitleRow.h"
#include "windows/ViewKeys.h"
#include "windows/ViewToc.h"
#include "windows/WindowKeys.h"
#include "windows/WindowList.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {
// Title row above the pages and the tab bars on either side, in points.
constexpr int kTitleRowHeight = 24;
constexpr int kTabBarWidth = 24;
constexpr int kPaneGap = 2;
constexpr double kFrameRadius = 8.0;
} // namespace

// The border around the current page or half (boxCadre): drawn over the
// panes, transparent to the mouse.
class FrameOverlay : public QWidget {
public:
    explicit FrameOverlay(WindowPDFx *owner) : QWidget(owner), owner_(owner)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(owner_->refFrameColor());
        pen.setWidthF(2.0);
        p.setPen(pen);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kFrameRadius, kFrameRadius);
    }

private:
    WindowPDFx *owner_;
};

WindowPDFx::WindowPDFx(QWidget *parent, PageRenderer::FileLook look)
    : WindowPDFxSuper(0, parent), renderer_(std::make_unique<PageRenderer>(std::move(look)))
{
    setWindowTitle(QStringLiteral("Tolvane Window"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
    resize(1024, 700);

    using R = PDFViewRedef::Role;
    for (R role : {R::Left, R::Right, R::Single, R::Zoom})
        panes_[static_cast<size_t>(role)] = new PDFViewRedef(this, role, this);

    cadre_ = new FrameOverlay(this);
    cadre_->hide();
    buildOverlays();

    connect(renderer_.get(), &PageRenderer::documentReady, this, &WindowPDFx::documentReady);
    connect(renderer_.get(), &PageRenderer::fileChanged, this, &WindowPDFx::fileChanged);
    connect(renderer_.get(), &PageRenderer::pageReady, this, &WindowPDFx::pageReady);
    connect(renderer_.get(), &PageRenderer::songHeaderRead, this, &Data::tookSongHeader);
    // A page on screen is late (its reader stalled, was killed or is slow to load it): said while it is.
    connect(renderer_.get(), &PageRenderer::pageLate, this, [this](const QString &path, const QString &words, PageRenderer::Late why) {
        if (!pieceCour() || (path != curPath_ && path != pathOf(pieceCour())))
            return;
        sayLate(words, why);
        if (why == PageRenderer::Late::SlowToOpen && waitingForDocument_ && slowToOpen_ != path) {
            slowToOpen_ = path;
            refreshPDF();
        }
    });
}

WindowPDFx::~WindowPDFx() = default;

void WindowPDFx::windowDidLoad()
{
    WindowPDFxSuper::windowDidLoad();
    ongletAct_ = 1;
    if (!chordProDocument_)
        chordProDocument_ = std::make_unique<ChordPro>(QRectF(QPointF(), QSizeF(pageArea().size())), this, true);
    if (!chordProDocumentNext_)
        chordProDocumentNext_ = std::make_unique<ChordPro>(QRectF(QPointF(), QSizeF(pageArea().size())), this, true);
    titleRow_->buttonRec->hide();
    titleRow_->buttonLoop->setVisible(Data::loopOn());
    setTitleRowColors();
    afficherMasquerOnglets(true);
    afficherToc(false);
    barreOngletsGauche_->ajusterDroiteGauche(false, barreOngletsDroite_, this);
    barreOngletsDroite_->ajusterDroiteGauche(true, nullptr, this);
    viewTocGauche_->ajusterDroiteGauche(false, viewTocDroite_, this);
    viewTocDroite_->ajusterDroiteGauche(true, nullptr, this);
    boxDimmer_->iniRefWindowPDFxSuper(this);
    barreOngletsGauche_->ajusterBackgroundColor(backColor());
    barreOngletsDroite_->ajusterBackgroundColor(backColor());
    didLoadOk_ = true;
}

QString WindowPDFx::pathOf(const std::shared_ptr<Pieces> &piece)
{
    return piece ? piece->getPath() : QString();
}

qint32 WindowPDFx::fileKind(const QString &path)
{
    // A song the policy hides counts as a ChordPro song with no file.
    if (path.isEmpty())
        return 1;
    return platform::suffix(path).toUpper() == QLatin1String("PDF") ? 0 : 1;
}

void WindowPDFx::refreshPiece()
{
    WindowPDFxSuper::refreshPiece();
    endLateWordsPast();
    savePageNo1_ = savePageNo2_ = 0;
    songProblem_.clear();
    curLoaded_ = false;
    nextPieceShown_.reset();
    nextKnown_ = false;
    // Nothing of the song before stays on screen.
    for (PDFViewRedef *p : panes_)
        p->clear();
    renderer_->clearPrefetch();
    takeSongFiles();
    // Strips pushed before this window read the song before; they read it now.
    for (WindowPDFxSuper *strip : windowlist::chordStripsOf(this))
        strip->refreshInfo();
    QSet<QString> keep{curPath_,           nextPath_,           prevPath_,           afterPath_,
                       pathOf(pieceCour()), pathOf(pieceNext()), pathOf(piecePrev()), pathOf(pieceAfterNext())};
    for (const auto &[song, shown] : recentPaths_)
        keep << song << shown;
    renderer_->keepOnly(keep, curPath_, {nextPath_, afterPath_, pathOf(pieceNext()), pathOf(pieceAfterNext())});
    titleRow_->buttonRec->setVisible(Data::recOn() && altDir().isEmpty());
    titleRow_->buttonLoop->setVisible(Data::loopOn());
}

std::optional<QString> WindowPDFx::fileOf(const std::shared_ptr<Pieces> &piece, bool ahead)
{
    return versionShown(pathOf(piece), true, ahead);
}

void WindowPDFx::rememberShown(const QString &song, const QString &shown)
{
    recentPaths_.removeIf([&song](const QPair<QString, QString> &r) { return r.first == song; });
    recentPaths_.append({song, shown});
    while (recentPaths_.size() > kRecentSongs)
        recentPaths_.removeFirst();
}

bool WindowPDFx::takeSongFiles()
{
    const QString song = pathOf(pieceCour());
    const std::optional<QString> cur = pieceCour() ? fileOf(pieceCour(), false) : QString();
    if (cur && *cur != curPath_)
        curLoaded_ = false;
    curFound_ = cur.has_value();
    curPath_ = cur.value_or(QString());
    setAltModeOk(cur && !cur->isEmpty() && *cur != song);
    typeFichierCour_ = fileKind(curFound_ ? curPath_ : song);
    if (curFound_ && !curPath_.isEmpty())
        rememberShown(song, curPath_);
    bool textCame = false;
    if (curFound_ && typeFichierCour_ == 1 && !curLoaded_ && chordProDocument_) {
        if (const auto text = renderer_->songText(curPath_)) {
            chordProDocument_->chargerFichier(curPath_, *text);
            curLoaded_ = textCame = true;
            if (!chordProDocument_->loadProblem().isEmpty())
                showSongProblem(curPath_, chordProDocument_->loadProblem());
        } else if (!chordProDocument_->fichier().isEmpty()) {
            // The song before's text must not stand for this one meanwhile (the chord strips read it).
            chordProDocument_->chargerFichier(QString(), platform::FileBytes());
        }
    }
    const std::optional<QString> prev =
        piecePrev() && piecePrev() != pieceCour() ? fileOf(piecePrev(), true) : QString();
    prevPath_ = prev.value_or(QString());
    // Its version is not looked for: a song two steps away must not hold the renderer at a silent share.
    const std::optional<QString> after = pieceAfterNext() && pieceAfterNext() != pieceCour()
                                             ? versionShown(pathOf(pieceAfterNext()), false, true)
                                             : QString();
    afterPath_ = after.value_or(QString());
    updateNextSong();
    return textCame;
}

void WindowPDFx::resetPDF()
{
    WindowPDFxSuper::resetPDF();
    // The next push looks at the songs' files again.
    renderer_->lookAgain();
    for (WindowPDFxSuper *strip : windowlist::chordStripsOf(this))
        strip->resetPDF();
}

void WindowPDFx::updateNextSong()
{
    if (nextKnown_ && nextPieceShown_ == pieceNext())
        return;
    nextPieceShown_ = pieceNext();
    const std::optional<QString> next = pieceNext() ? fileOf(pieceNext(), true) : QString();
    nextPath_ = next.value_or(QString());
    typeFichierNext_ = fileKind(nextPath_);
    // Asked again at each refresh until the library folder has answered.
    nextKnown_ = next.has_value();
    if (nextKnown_ && pieceNext() && typeFichierNext_ == 1 && chordProDocumentNext_) {
        if (const auto text = renderer_->songText(nextPath_, true))
            chordProDocumentNext_->chargerFichier(nextPath_, *text);
        else
            nextKnown_ = false;
    }
}

qint64 WindowPDFx::effectiveMode() const
{
    constexpr qint64 kMuteGenre = 6;
    if (modeAffichage() == 0 && syncPageChanges() && Data::currentGenreG() == kMuteGenre)
        return 4;
    return modeAffichage();
}

bool WindowPDFx::tocLayerShown() const
{
    return Data::tocOn() && !hideList();
}

// ---- Layout ----------------------------------------------------------------------

QRect WindowPDFx::pageArea() const
{
    // Laid out bottom-up like the stored frames: x 1, y 1, the title row above.
    const int side = ongletsVisibles() ? kTabBarWidth + 1 : 1;
    const QRect bottomLeft(side, 1, width() - 2 * side, height() - kTitleRowHeight - 1);
    return platform::flipY(bottomLeft, height());
}

void WindowPDFx::layoutPanes()
{
    const QRect area = pageArea();
    const int half = (area.width() - kPaneGap) / 2;
    pane(PDFViewRedef::Role::Left)->setGeometry(area.x(), area.y(), half, area.height());
    pane(PDFViewRedef::Role::Right)->setGeometry(area.x() + half + kPaneGap, area.y(), area.width() - half - kPaneGap,
                                                 area.height());
    pane(PDFViewRedef::Role::Single)->setGeometry(area);
    pane(PDFViewRedef::Role::Zoom)->setGeometry(area);
    layoutOverlays();
    cadre_->raise();
}

QSize WindowPDFx::paneSizeForRole(PDFViewRedef::Role role) const
{
    return pane(role)->size();
}

void WindowPDFx::afficherMasquerOnglets(bool show)
{
    WindowPDFxSuper::afficherMasquerOnglets(show);
    layoutPanes();
    refreshPDF();
}

void WindowPDFx::resizeEvent(QResizeEvent *event)
{
    WindowPDFxSuper::resizeEvent(event);
    layoutPanes();
    windowDidResize();
    // Qt tells no end of a live resize: the end is a pause in the resizing.
    liveResizeEnd_.start(0.25, false, [this] { windowDidEndLiveResize(); });
}

QSize WindowPDFx::obtenirRefSize() const
{
    switch (modeAffichage()) {
    case 0:
    case 4:
    case 5:
        return paneSizeForRole(PDFViewRedef::Role::Left);
    case 1:
        return paneSizeForRole(PDFViewRedef::Role::Zoom);
    case 2:
        return paneSizeForRole(PDFViewRedef::Role::Single);
    case 3:
        return frameGeometry().size();
    default:
        return QSize();
    }
}

// ---- Title row --------------------------------------------------------------------

QString WindowPDFx::obtenirTitle() const
{
    return QStringLiteral("Tolvane Window - %1").arg(altDir().isEmpty() ? QStringLiteral("Master") : altDir());
}

QString WindowPDFx::titleText() const
{
    return titleRow_->titlePlain;
}

QString WindowPDFx::noteText() const
{
    return titleRow_->labelWin2->text();
}

void WindowPDFx::refreshInfo()
{
    refreshLabels();
    for (QWidget *box : {static_cast<QWidget *>(titleRow_->boxMetro1), static_cast<QWidget *>(titleRow_->boxMetro2),
                         static_cast<QWidget *>(titleRow_->boxMetro3), static_cast<QWidget *>(titleRow_->boxMetro3b),
                         static_cast<QWidget *>(titleRow_->boxMetro3c), static_cast<QWidget *>(titleRow_->boxMetro3d)})
        box->hide();
    QLabel *numbers[4] = {titleRow_->labelMetro1, titleRow_->labelMetro2, titleRow_->labelMetro3,
                          titleRow_->labelMetro4};
    for (int i = 0; i < 4; ++i) {
        numbers[i]->hide();
        numbers[i]->setText(QString::number(i + 1));
    }
    refreshNote(false);
}

void WindowPDFx::refreshNote(bool flag)
{
    WindowPDFxSuper::refreshNote(flag);
    const auto &piece = pieceCour();
    if (!piece) {
        titleRow_->labelWin2->clear();
        placeMessageLine();
        return;
    }
    if (flag)
        refreshLabels();
    // A song that cannot be shown keeps saying why while it is the current song.
    titleRow_->labelWin2->setText(!songProblem_.isEmpty() ? songProblem_
                                  : !message().isEmpty()  ? message()
                                                          : piece->notetxtForDir(altDir(), altMode(), defNote()));
    placeMessageLine();
    refreshTempo();
}

void WindowPDFx::showSongProblem(const QString &path, const QString &reason)
{
    const QString text = songfile::message(path, reason.isEmpty() ? QStringLiteral("cannot be opened") : reason);
    if (text == songProblem_)
        return;
    songProblem_ = text;
    TLOG(QStringLiteral("WindowPDFx %1").arg(text));
    // It takes the line from any message, and holds it by itself.
    WindowPDFxSuper::setMsg(QString(), QString(), true);
    titleRow_->labelWin2->setText(text);
    placeMessageLine();
}

bool WindowPDFx::takesMessage(const QString &forWinID) const
{
    return policyTakes(forWinID);
}

void WindowPDFx::setMsg(const QString &msg, const QString &forWinID, bool stay)
{
    if (!takesMessage(forWinID))
        return;
    WindowPDFxSuper::setMsg(msg, forWinID, stay);
    if (msg.isEmpty()) {
        refreshNote(false);
        return;
    }
    titleRow_->labelWin2->setText(msg);
    placeMessageLine();
}

// ---- Options and colours ---------------------------------------------------------

bool WindowPDFx::gapOption() const
{
    return Data::optGap() != 0;
}

QColor WindowPDFx::color(chordpro::ColorRole role) const
{
    using chordpro::ColorRole;
    switch (role) {
    case ColorRole::Chord: return chordProChordsColor();
    case ColorRole::Text: return chordProLyricsColor();
    case ColorRole::Highlight: return chordProLyricsHighColor();
    case ColorRole::Comment: return chordProCommentsColor();
    case ColorRole::CommentBack: return chordProCommentsBackColor();
    case ColorRole::Bar: return chordProBarColor();
    case ColorRole::Background: return chordProBackgroundColor();
    default: return chordpro::defaultColor(role);
    }
}

void WindowPDFx::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    WindowPDFxSuper::iniColorForObj(slot, color, refreshData);
    const bool withRefresh = refreshData && pieceCour();
    auto reload = [this, withRefresh] {
        if (withRefresh) {
            resetPDF();
            refreshTous();
        }
    };
    switch (slot) {
    case kActColor:
        setTitleRowColors();
        if (withRefresh) {
            refreshInfo();
            refreshTempo();
        }
        break;
    case kBackColor:
        barreOngletsGauche_->ajusterBackgroundColor(backColor());
        barreOngletsDroite_->ajusterBackgroundColor(backColor());
        break;
    case kInactColor:
        if (withRefresh)
            refreshTempo();
        break;
    case kMetroColor:
    case kHighColor:
        setTitleRowColors();
        if (slot == kHighColor && withRefresh)
            refreshInfo();
        break;
    case kPdfColor:
    case kRefMarkerColor:
        for (PDFViewRedef *p : panes_)
            p->update();
        break;
    case kChordProBackgroundColor:
        setTitleRowColors();
        for (PDFViewRedef *p : panes_)
            p->update();
        break;
    case kRefFrameColor:
        cadre_->update();
        break;
    case kListColor:
        setTitleRowColors();
        viewTocGauche_->refreshColor();
        viewTocDroite_->refreshColor();
        break;
    case kTabsActColor:
    case kTabsActBackColor:
    case kTabsInactColor:
    case kTabsInactBackColor:
        if (ongletsVisibles())
            reload();
        break;
    case kListHighColor:
    case kListSectColor:
        viewTocGauche_->refreshColor();
        viewTocDroite_->refreshColor();
        break;
    case kChordProLyricsColor:
        reload();
        setTitleRowColors();
        viewTocGauche_->refreshColor();
        viewTocDroite_->refreshColor();
        break;
    case kChordProChordsColor:
    case kChordProCommentsColor:
    case kChordProCommentsBackColor:
    case kChordProBarColor:
    case kChordProLyricsHighColor:
        reload();
        break;
    case kPageNoPDFColor:
    case kPageNoCHDColor:
        refreshPageNoAttributes();
        break;
    default:
        break;
    }
}

void WindowPDFx::iniLyricsOnly(bool v)
{
    WindowPDFxSuper::iniLyricsOnly(v);
    resetPDF();
    refreshTous();
}

void WindowPDFx::iniHideFrame(bool v)
{
    WindowPDFxSuper::iniHideFrame(v);
    refreshZoomOn();
    ajusterCadre();
}

void WindowPDFx::iniPageNoPDFHide(bool v)
{
    WindowPDFxSuper::iniPageNoPDFHide(v);
    refreshPageNoAttributes();
}

void WindowPDFx::iniPageNoCHDHide(bool v)
{
    WindowPDFxSuper::iniPageNoCHDHide(v);
    refreshPageNoAttributes();
}

void WindowPDFx::iniNoShadow(bool v)
{
    WindowPDFxSuper::iniNoShadow(v);
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::NoDropShadowWindowHint, v);
    if (wasVisible)
        show();
}

void WindowPDFx::ajusterDimmer(double dimmerAlpha, double inactAlpha)
{
    dimmerAlpha_ = std::clamp(dimmerAlpha, 0.0, 1.0);
    inactAlpha_ = std::clamp(inactAlpha, 0.0, 1.0);
    // The dimmer box darkens the pages; the panes dim another song's page themselves.
    boxDimmer_->setDimAlpha(dimmerAlpha_);
    for (PDFViewRedef *p : panes_)
        p->update();
}

// ---- Keys -------------------------------------------------------------------------

void WindowPDFx::keyPressEvent(QKeyEvent *event)
{
    const platform::KeyEvent key = platform::KeyEvent::fromQt(*event);
    // Command-Option arrows place the window, and the key still goes on.
    if (const int placement = windowkeys::arrangePlacementForKey(key); placement >= 0)
        Data::arrangeWin(placement, this);
    // A key played as MIDI (the key-pad MIDI option) does nothing more.
    if (Midi::isKeynToMIDI(key, false)) {
        event->accept();
        return;
    }
    int code = windowkeys::actionCodeForKey(key);
    if (code == windowkeys::kPassOn)
        code = windowkeys::passedOnCodeForKey(key);
    if (code != windowkeys::kPassOn) {
        // Without a window manager keys can reach a window the system does not
        // count as active; what they ask for acts on this one.
        if (!isActiveWindow()) {
            Data::clearKeyWin();
            setKeywin(true);
        }
        platform::NotificationCenter::defaultCenter().postActionKey(code);
        event->accept();
        return;
    }
    WindowPDFxSuper::keyPressEvent(event);
}
