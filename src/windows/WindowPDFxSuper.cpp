#include "windows/WindowPDFxSuper.h"

#include "library/Data.h"
#include "platform/MainMenu.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/WindowStacking.h"
#include "windows/FloatingWindows.h"
#include "windows/TitleRowRules.h"
#include "windows/WindowList.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

WindowPDFxSuper::WindowPDFxSuper(qint64 winType, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), winType_(winType)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    MainMenu::instance().attachTo(this);
}

WindowPDFxSuper::~WindowPDFxSuper() = default;

void WindowPDFxSuper::windowDidLoad()
{
    const bool chordStrip = winType_ == 14;
    auto &c = colors_;
    // The strip's black background wants the dark appearance's text colour; the light palette's black
    // would hide the chord names and the open and muted string marks.
    if (chordStrip)
        c[kActColor] = QColor(Qt::white);
    else if (winType_ == 4)
        c[kActColor] = QColor::fromRgbF(0, 122 / 255.0, 1);
    else
        c[kActColor] = QColor(205, 205, 205);
    c[kBackColor] = Qt::black;
    c[kInactColor] = chordStrip ? QColor::fromRgbF(0.2, 0.2, 0.2) : QColor(Qt::darkGray);
    c[kMetroColor] = QColor(255, 59, 48);  // the system red
    c[kHighColor] = QColor(0, 122, 255);   // the system blue
    c[kPdfColor] = chordStrip ? QColor(Qt::black) : QColor(Qt::white);
    c[kListColor] = QColor(Qt::red);
    c[kTabsActColor] = QColor(0, 122, 255);
    c[kTabsActBackColor] = QColor(Qt::black);
    c[kTabsInactColor] = QColor(152, 152, 157);
    c[kTabsInactBackColor] = QColor(64, 64, 64);
    c[kRefFrameColor] = QColor::fromRgbF(0, 122 / 255.0, 1 / 255.0, 0.5);
    c[kRefMarkerColor] = QColor::fromRgbF(1, 0, 0, 0.35);
    c[kListHighColor] = QColor::fromRgbF(0.4, 1.0, 0.4);
    c[kListSectColor] = QColor(64, 64, 64);
    c[kChordProChordsColor] = QColor(Qt::red);
    c[kChordProLyricsColor] = QColor(Qt::white);
    c[kChordProCommentsColor] = QColor(Qt::black);
    c[kChordProCommentsBackColor] = QColor(Qt::white);
    c[kChordProBackgroundColor] = QColor(Qt::black);
    c[kChordProBarColor] = QColor(Qt::white);
    c[kPageNoPDFColor] = QColor::fromRgbF(0, 0, 0, 0.35);
    c[kPageNoCHDColor] = QColor::fromRgbF(1, 0, 0, 0.6);
    c[kChordProLyricsHighColor] = QColor(Qt::yellow);
    applyBackground();

    resetPDF();

    modeAffichage_ = 0;
    modeAffichagePrec_ = 0;
    fullScreen_ = false;
    ongletsVisibles_ = true;
    singlePageForce_ = false;
    ratio21_ = false;
    keywin_ = false;
    noShadow_ = false;
    hideTitleElementTitle_ = hideTitleElementTempo_ = hideTitleElementNote_ = false;
    hideList_ = false;
    hideFrame_ = false;
    lyricsOnly_ = false;
    syncPageChanges_ = true;
    nbrPages_ = 1;
    fixPageNo_ = 0;
    typeMetro_ = chordStrip ? 0 : 1;
    pageUpdown_ = false;
}

void WindowPDFxSuper::resetPDF()
{
    pieceCour_.reset();
    pieceNext_.reset();
    pageNoCour_ = 0;
    pageNoCourOrig_ = 0;
    currentSort_ = 0;
    zoomTop_ = true;
    seconds30_ = false;
    zoomOn_ = false;
}

void WindowPDFxSuper::windowDidBecomeMain()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::WindowBecameMain);
    if (winType_ == 0) {
        windowlist::clearKeyWin();
        keywin_ = true;
    }
}

void WindowPDFxSuper::ajusterStyleMask(bool avecLumieres)
{
    // Document windows draw their own title row; the lights only decide
    // whether the window keeps a system title bar.
    platform::setWindowFlagInPlace(this, Qt::FramelessWindowHint, !avecLumieres);
}

void WindowPDFxSuper::keyPressEvent(QKeyEvent *event)
{
    // F10 opens the menus, as on other Linux desktops' windows.
    if (event->key() == Qt::Key_F10 && !(event->modifiers() & ~Qt::KeypadModifier)) {
        MainMenu::instance().showMenuFor(this);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

QSize WindowPDFxSuper::obtenirRefSize() const
{
    return frameGeometry().size();
}

QString WindowPDFxSuper::obtenirTitle() const
{
    return QString();
}

void WindowPDFxSuper::iniTransparent(bool on)
{
    transparent_ = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    applyBackground();
}

void WindowPDFxSuper::iniAlwaysOnTop(bool on)
{
    alwaysOnTop_ = on;
    platform::setFloating(this, on);
    floatingwindows::tie(this);
}

void WindowPDFxSuper::iniModeAffichage(qint64 mode, bool refresh)
{
    if (mode == -1)
        mode = modeAffichagePrec_;
    if (mode == 1 && modeAffichage_ != 1)
        modeAffichagePrec_ = modeAffichage_;
    modeAffichage_ = mode;
    ajusterSelonModeAffichageWithRefresh(refresh);
}

void WindowPDFxSuper::iniTypeMetro(qint64 type)
{
    if (type < 0 || type > 10)
        return;
    typeMetro_ = type;
    updateMetroWithNbTick(0, true, true);
}

void WindowPDFxSuper::setMetroType()
{
    typeMetro_ = typeMetro_ > 2 ? 0 : typeMetro_ + 1;
    updateMetroWithNbTick(0, true, true);
}

void WindowPDFxSuper::iniColorForObj(qint64 slot, const QColor &color, bool /*refreshData*/)
{
    if (slot < 0 || slot >= kColorSlots)
        return;
    colors_[static_cast<size_t>(slot)] = color;
    if (slot == kBackColor)
        applyBackground();
}

QColor WindowPDFxSuper::colorForObj(qint64 slot) const
{
    if (slot < 0 || slot >= kColorSlots)
        return QColor();
    return colors_[static_cast<size_t>(slot)];
}

void WindowPDFxSuper::applyBackground()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, transparent_ ? QColor(Qt::transparent) : colors_[kBackColor]);
    setPalette(pal);
    setAutoFillBackground(!transparent_);
}

// ---- Messages -----------------------------------------------------------------

void WindowPDFxSuper::setMsg(const QString &msg, const QString & /*forWinID*/, bool stay)
{
    notice_.clear();
    message_ = msg;
    msgTimer_.stop();
    if (!msg.isEmpty() && !stay)
        startTimerMsg();
    else if (msg.isEmpty() && !held_.isEmpty())
        holdLine(held_.last(), true);
}

void WindowPDFxSuper::showNotice(const QString &text, bool untilEnded)
{
    if (text.isEmpty() || !takesMessage(QString()))
        return;
    const QString shown = titlerules::noticeShown(text);
    if (untilEnded) {
        held_.removeAll(shown);
        held_.append(shown);
    }
    setMsg(shown, QString(), false);
    holdLine(shown, untilEnded);
    refreshNote(false);
}

void WindowPDFxSuper::showNoticeOfNoSong(const QString &text)
{
    showNotice(text);
    // Only when shown: a notice of the song that stays is not made to outlive it.
    noticeOfNoSong_ = !text.isEmpty() && notice_ == titlerules::noticeShown(text);
}

void WindowPDFxSuper::holdLine(const QString &shown, bool untilEnded)
{
    notice_ = shown;
    noticeOfNoSong_ = false;
    noticePart_ = 0;
    noticeSong_ = pieceCour_ ? pieceCour_->getPath() : QString();
    noticeLibrary_ = Data::dirX();
    msgTimer_.start(kNoticeSeconds, true, [this, untilEnded] {
        if (++noticePart_ < noticePartCount() || untilEnded) {
            noticePart_ %= noticePartCount();
            refreshNote(false);
        } else {
            msgTimer_.stop();
            hideMsg();
        }
    });
}

void WindowPDFxSuper::endNotice(const QString &text)
{
    const QString shown = titlerules::noticeShown(text);
    held_.removeAll(shown);
    if (!notice_.isEmpty() && notice_ == shown) {
        msgTimer_.stop();
        hideMsg();
    }
}

void WindowPDFxSuper::startTimerMsg()
{
    msgTimer_.start(kMessageSeconds, false, [this] { hideMsg(); });
}

void WindowPDFxSuper::hideMsg()
{
    notice_.clear();
    message_.clear();
    if (!held_.isEmpty())
        holdLine(held_.last(), true);
    refreshNote(false);
}

void WindowPDFxSuper::refreshNote(bool flag)
{
    if (flag)
        seconds30_ = true;
}

void WindowPDFxSuper::updateItunesInfo(const QString &, const QString &, double, double, bool masquer)
{
    playing_ = !masquer;
}

// ---- Moving by the background -------------------------------------------------

void WindowPDFxSuper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !fullScreen_) {
        // Without a system frame the window is resized by its edges.
        const Qt::Edges edges = resizeEdgesAt(event->position().toPoint(), size());
        if (edges && windowHandle() && windowHandle()->startSystemResize(edges)) {
            event->accept();
            return;
        }
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

Qt::Edges WindowPDFxSuper::resizeEdgesAt(const QPoint &p, const QSize &size)
{
    constexpr int kResizeEdge = 6;
    Qt::Edges edges;
    if (p.x() < kResizeEdge)
        edges |= Qt::LeftEdge;
    if (p.x() >= size.width() - kResizeEdge)
        edges |= Qt::RightEdge;
    if (p.y() < kResizeEdge)
        edges |= Qt::TopEdge;
    if (p.y() >= size.height() - kResizeEdge)
        edges |= Qt::BottomEdge;
    return edges;
}

void WindowPDFxSuper::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void WindowPDFxSuper::mouseReleaseEvent(QMouseEvent *event)
{
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void WindowPDFxSuper::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        windowDidBecomeMain();
    if (event->type() == QEvent::WindowStateChange) {
        if (windowState() & Qt::WindowFullScreen)
            windowWillEnterFullScreen();
        else
            windowDidExitFullScreen();
    }
    QWidget::changeEvent(event);
}

void WindowPDFxSuper::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit windowWillClose(this);
}
