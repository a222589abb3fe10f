#include "windows/PDFViewRedef.h"

#include "platform/Fonts.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/PagePlan.h"
#include "windows/PageRenderer.h"
#include "windows/WindowPDFx.h"

#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace {
constexpr double kPaneRadius = 8.0;
constexpr double kZoomRadius = 15.0;
constexpr double kPinchStep = 0.1;
} // namespace

PDFViewRedef::PDFViewRedef(WindowPDFx *owner, Role role, QWidget *parent)
    : QWidget(parent), owner_(owner), role_(role)
{
    // Keys always reach the window.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void PDFViewRedef::setContent(const Content &content)
{
    if (content == content_)
        return;
    content_ = content;
    update();
}

void PDFViewRedef::setLabel(const QString &text)
{
    if (text == label_)
        return;
    label_ = text;
    update();
}

void PDFViewRedef::setZoomTop(bool top)
{
    if (top == zoomTop_)
        return;
    zoomTop_ = top;
    update();
}

QSize PDFViewRedef::requestedPixelSize() const
{
    if (content_.kind != Kind::Pdf)
        return QSize();
    return owner_->pixelSizeFor(content_.path, content_.page, role_);
}

QImage PDFViewRedef::currentImage() const
{
    const QSize size = requestedPixelSize();
    if (size.isEmpty() || !owner_->renderer().hasPage(content_.path, int(content_.page), size))
        return QImage();
    return owner_->renderer().page(content_.path, int(content_.page), size);
}

bool PDFViewRedef::hasPageReady() const
{
    switch (content_.kind) {
    case Kind::Empty: return false;
    case Kind::ChordPro: return true;
    case Kind::Pdf: return !currentImage().isNull();
    }
    return false;
}

QRectF PDFViewRedef::pageRect(const QSizeF &logical) const
{
    const QSizeF pane = size();
    if (role_ == Role::Zoom)
        return pageplan::halfPageRect(logical, pane, zoomTop_);
    return QRectF((pane.width() - logical.width()) / 2.0, (pane.height() - logical.height()) / 2.0, logical.width(),
                  logical.height());
}

void PDFViewRedef::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), owner_->backColor());
    QPainterPath clip;
    const double radius = role_ == Role::Zoom ? kZoomRadius : kPaneRadius;
    clip.addRoundedRect(QRectF(rect()), radius, radius);
    p.setClipPath(clip);

    switch (content_.kind) {
    case Kind::Empty:
        // No bright blank page for a song that cannot be shown.
        p.fillRect(rect(), content_.unreadable ? owner_->backColor() : owner_->pdfColor());
        if (!content_.notice.isEmpty()) {
            p.setFont(platform::systemFont(18));
            p.setPen(owner_->actColor());
            p.drawText(QRectF(rect()).adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, content_.notice);
        }
        break;
    case Kind::Pdf: {
        p.fillRect(rect(), owner_->pdfColor());
        const QSize wanted = requestedPixelSize();
        PageRenderer &renderer = owner_->renderer();
        QImage image;
        const bool resizing = owner_->liveResizeEnd_.isActive();
        if (!wanted.isEmpty() && (!resizing || renderer.hasPage(content_.path, int(content_.page), wanted)))
            image = renderer.page(content_.path, int(content_.page), wanted);
        const qreal dpr = devicePixelRatioF();
        if (!image.isNull()) {
            image.setDevicePixelRatio(dpr);
            p.drawImage(pageRect(wanted / dpr), image);
        } else if (!wanted.isEmpty()) {
            // The same page at another size, scaled, until the right one comes.
            const QImage stand = renderer.anyPage(content_.path, int(content_.page));
            if (!stand.isNull()) {
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                p.drawImage(pageRect(wanted / dpr), stand);
            }
        }
        break;
    }
    case Kind::ChordPro: {
        p.fillRect(rect(), owner_->chordProBackgroundColor());
        QRectF target(rect());
        if (role_ == Role::Zoom) {
            const QSizeF whole = owner_->chordProZoomPageSize(content_.nextSong, QSizeF(size()));
            if (!whole.isEmpty())
                target = pageRect(whole);
        }
        owner_->paintChordProPage(p, target, content_, role_);
        break;
    }
    }

    if ((role_ == Role::Left && owner_->boxInactGaucheShown()) || (role_ == Role::Right && owner_->boxInactDroiteShown())) {
        QColor dim(Qt::black);
        dim.setAlphaF(owner_->inactAlpha());
        p.fillRect(rect(), dim);
    }
    if (role_ == Role::Zoom) {
        const double h = height();
        if (owner_->markerLineShown()) {
            QPen pen(owner_->refMarkerColor());
            pen.setWidthF(3.0);
            p.setPen(pen);
            // The line between the page's halves: below the top half, above the bottom one.
            const double y = zoomTop_ ? h - 2 : 2;
            p.drawLine(QPointF(0, y), QPointF(width(), y));
        }
        const QColor grey(128, 128, 128, 160);
        if (owner_->marker1Shown())
            p.fillRect(QRectF(0, 0, 6, h / 2), grey);
        if (owner_->marker2Shown())
            p.fillRect(QRectF(0, h / 2, 6, h / 2), grey);
    }
    paintLabel(p);
}

void PDFViewRedef::paintLabel(QPainter &p)
{
    if (label_.isEmpty() || !owner_->labelsShown())
        return;
    p.setClipping(false);
    p.setFont(platform::systemBoldFont(14));
    p.setPen(owner_->labelColor());
    p.drawText(rect().adjusted(0, 0, -10, -6), Qt::AlignRight | Qt::AlignBottom, label_);
}

void PDFViewRedef::zoomIn()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::Zoom);
}

void PDFViewRedef::zoomOut()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ZoomOut);
}

void PDFViewRedef::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() > 0)
            zoomIn();
        else if (event->angleDelta().y() < 0)
            zoomOut();
        event->accept();
        return;
    }
    event->ignore();
}

bool PDFViewRedef::event(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto *gesture = static_cast<QNativeGestureEvent *>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            pinch_ += gesture->value();
            if (pinch_ > kPinchStep) {
                zoomIn();
                pinch_ = 0;
            } else if (pinch_ < -kPinchStep) {
                zoomOut();
                pinch_ = 0;
            }
            return true;
        }
        if (gesture->gestureType() == Qt::EndNativeGesture)
            pinch_ = 0;
    }
    return QWidget::event(event);
}

void PDFViewRedef::mousePressEvent(QMouseEvent *event)
{
    // The window moves by its pages too.
    event->ignore();
}
