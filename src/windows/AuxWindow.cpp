#include "windows/AuxWindow.h"

#include "library/Data.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "windows/WindowKeys.h"
#include "platform/Fonts.h"
#include "platform/Geometry.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {
// The frame marks of the main window.
constexpr double kMarkSide = 8.0;
const QColor kMarkColor(0, 122, 255, 200);
const QColor kBulletColor(146, 146, 146);
} // namespace

QFont PaintedText::font() const
{
    QFont f = mono ? platform::monoFont(13, true) : platform::systemBoldFont(13);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(std::min(fontSize, 4000.0)))));
    // Titles may hold symbols (flags, arrows) that the bundled fonts lack.
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

double PaintedText::textWidth() const
{
    const QFontMetricsF fm(font());
    if (runs.isEmpty())
        return fm.horizontalAdvance(text);
    double w = 0;
    for (const auto &run : runs)
        w += fm.horizontalAdvance(run.text);
    return w;
}

AuxWindow::AuxWindow(qint64 winType, QWidget *parent) : WindowPDFxSuper(winType, parent)
{
    setMinimumSize(24, 16);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground, true);
    buttonClose_ = new QToolButton(this);
    buttonClose_->setText(QStringLiteral("✕"));
    buttonClose_->setAutoRaise(true);
    buttonClose_->setFixedSize(20, 20);
    buttonClose_->move(4, 4);
    buttonClose_->setStyleSheet(
        QStringLiteral("QToolButton { color: white; background: rgba(90, 90, 90, 180); border-radius: 10px; }"));
    buttonClose_->hide();
    connect(buttonClose_, &QToolButton::clicked, this, &AuxWindow::actionClose);
}

AuxWindow::~AuxWindow() = default;

qint32 AuxWindow::signatureOf(const std::shared_ptr<Pieces> &piece)
{
    if (!piece || !piece->pieceDet)
        return 0;
    const PiecesDet &det = *piece->pieceDet;
    return det.tempoOk ? det.signature : piecesrules::tempoFromNote(det.notetxt).signature;
}

void AuxWindow::windowDidBecomeMain()
{
    WindowPDFxSuper::windowDidBecomeMain();
    // The close button and the marks stand in for a title bar: giving a mapped
    // frameless window a frame on activation would make the window manager
    // hand the focus back to it each time it loses it.
    showChrome(true);
}

void AuxWindow::windowDidResignMain()
{
    showChrome(false);
    ajusterStyleMask(false);
}

void AuxWindow::iniModeAffichage(qint64 mode, bool refresh)
{
    WindowPDFxSuper::iniModeAffichage(mode, refresh);
    ajusterStyleMask(false);
}

// The base puts the background back on these; a vanished window stays clear.
void AuxWindow::iniTransparent(bool on)
{
    WindowPDFxSuper::iniTransparent(on);
    setVanished(vanished_);
}

void AuxWindow::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    WindowPDFxSuper::iniColorForObj(slot, color, refreshData);
    if (slot == kBackColor)
        setVanished(vanished_);
    update();
}

void AuxWindow::actionClose()
{
    close();
}

void AuxWindow::showChrome(bool shown)
{
    chromeShown_ = shown;
    buttonClose_->setVisible(shown);
    buttonClose_->raise();
    update();
}

void AuxWindow::setVanished(bool vanish)
{
    vanished_ = vanish;
    // Always an alpha window that paints its own background: turning
    // translucency on once the window is mapped may not take.
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAutoFillBackground(false);
    update();
}

void AuxWindow::paintBackground(QPainter &painter) const
{
    if (vanished_ || transparent())
        return;
    painter.fillRect(rect(), backColor());
}

void AuxWindow::paintText(QPainter &painter, const PaintedText &t) const
{
    if (t.hidden || (t.text.isEmpty() && t.runs.isEmpty()))
        return;
    const QFont font = t.font();
    const QFontMetricsF fm(font);
    painter.save();
    QRectF box;
    if (t.turned) {
        // Runs upwards: the frame's width lies along the window's height.
        painter.translate(t.frame.x() - t.frame.height(), winH() - t.frame.y());
        painter.rotate(-90);
        box = QRectF(0, 0, t.frame.width(), t.frame.height());
    } else {
        box = platform::flipY(t.frame, winH());
    }
    painter.setClipRect(box);
    painter.setFont(font);
    const Qt::Alignment vertical = t.fromTop ? Qt::AlignTop : Qt::AlignVCenter;
    if (t.runs.isEmpty()) {
        painter.setPen(t.color);
        if (t.wrap) {
            painter.drawText(box, int(t.alignment | vertical) | Qt::TextWordWrap, t.text);
        } else {
            const QString shown = fm.elidedText(t.text, Qt::ElideRight, std::max(0.0, box.width()));
            painter.drawText(box, int(t.alignment | vertical) | Qt::TextSingleLine, shown);
        }
    } else {
        const double total = t.textWidth();
        double x = box.x();
        if (t.alignment & Qt::AlignHCenter)
            x += (box.width() - total) / 2;
        else if (t.alignment & Qt::AlignRight)
            x += box.width() - total;
        x = std::max(x, box.x());
        for (const auto &run : t.runs) {
            const double w = fm.horizontalAdvance(run.text);
            painter.setPen(run.color == auxwin::RunColor::High     ? highColor()
                           : run.color == auxwin::RunColor::Bullet ? kBulletColor
                                                                   : t.color);
            painter.drawText(QRectF(x, box.y(), w + 1, box.height()), int(Qt::AlignLeft | vertical) | Qt::TextSingleLine,
                             run.text);
            x += w;
        }
    }
    painter.restore();
}

void AuxWindow::paintBox(QPainter &painter, const PaintedBox &box) const
{
    if (box.hidden || box.frame.isEmpty())
        return;
    const QRectF r = platform::flipY(box.frame, winH());
    const double radius = std::min(box.radius, std::min(r.width(), r.height()) / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(box.fill);
    painter.drawRoundedRect(r, radius, radius);
    painter.restore();
}

void AuxWindow::paintChrome(QPainter &painter) const
{
    if (!chromeShown_)
        return;
    const double w = winW(), h = winH(), m = kMarkSide;
    const double xs[] = {0, (w - m) / 2, w - m};
    const double ys[] = {0, (h - m) / 2, h - m};
    painter.save();
    for (double y : ys)
        for (double x : xs)
            if (x != xs[1] || y != ys[1]) // eight marks: the corners and the middles of the sides
                painter.fillRect(QRectF(x, y, m, m), kMarkColor);
    painter.restore();
}

void AuxWindow::changeEvent(QEvent *event)
{
    WindowPDFxSuper::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && chromeShown_)
        windowDidResignMain();
}

void AuxWindow::resizeEvent(QResizeEvent *event)
{
    WindowPDFxSuper::resizeEvent(event);
    windowDidResize();
    update();
}

void AuxWindow::keyPressEvent(QKeyEvent *event)
{
    // Return, Delete and the arrows place, close or leave the window; other
    // keys go on to the menus' shortcuts.
    const platform::KeyEvent key = platform::KeyEvent::fromQt(*event);
    if (Data::traiterkeyDown(key, this)) {
        event->accept();
        return;
    }
    // The page keys of a pedal still turn pages from here.
    if (const int code = windowkeys::passedOnCodeForKey(key); code != windowkeys::kPassOn) {
        platform::NotificationCenter::defaultCenter().postActionKey(code);
        event->accept();
        return;
    }
    WindowPDFxSuper::keyPressEvent(event);
}
