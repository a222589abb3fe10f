#include "windows/DimmerBox.h"

#include "library/Data.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowPDFxSuper.h"

#include <QCursor>
#include <QLineF>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QWheelEvent>

namespace {
// Qt's pixel deltas are in points; the platform's coarse scroll deltas that
// the thresholds were made for are about a tenth of that. A wheel notch is one line.
constexpr double kPixelsPerDelta = 10.0;
constexpr double kAnglePerLine = 120.0;
constexpr double kPinchStep = 0.1;
constexpr double kTapSlop = 10.0;
} // namespace

DimmerBox::DimmerBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void DimmerBox::setDimAlpha(double alpha)
{
    dimAlpha_ = std::clamp(alpha, 0.0, 1.0);
    update();
}

void DimmerBox::paintEvent(QPaintEvent *)
{
    if (dimAlpha_ <= 0)
        return;
    QPainter p(this);
    QColor dim(Qt::black);
    dim.setAlphaF(dimAlpha_);
    p.fillRect(rect(), dim);
}

// ---- Hidden regions --------------------------------------------------------------------

bool DimmerBox::clickAt(const QPointF &windowPos)
{
    QWidget *w = refWindowPDFxSuper_ ? static_cast<QWidget *>(refWindowPDFxSuper_.data()) : nullptr;
    // The window's own edges still resize it.
    if (w && WindowPDFxSuper::resizeEdgesAt(windowPos.toPoint(), w->size()))
        return false;
    // Off: the click is swallowed, so a touch on the pages never drags the window.
    if (Data::optHiddenRegions() == 0)
        return true;
    const double width = w ? w->frameGeometry().width() : 0;
    const double height = w ? w->frameGeometry().height() : 0;
    // The regions count y upward from the window's bottom.
    const double y = height - windowPos.y();
    const int code = gesturerules::hiddenRegionCode(windowPos.x(), y, width, height);
    if (code == 0)
        return false;
    platform::NotificationCenter::defaultCenter().postActionKey(code);
    return true;
}

void DimmerBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF inWindow = refWindowPDFxSuper_
                                 ? QPointF(mapTo(static_cast<QWidget *>(refWindowPDFxSuper_.data()),
                                                 event->position().toPoint()))
                                 : event->position();
    if (clickAt(inWindow))
        event->accept();
    else
        event->ignore(); // the window moves by its background
}

// ---- Scrolling ---------------------------------------------------------------------------------

void DimmerBox::scrollStep(Qt::ScrollPhase phase, double deltaX, double deltaY)
{
    switch (phase) {
    case Qt::ScrollBegin:
        scrollIdle_.stop();
        cumulX_ = cumulY_ = 0;
        break;
    case Qt::ScrollEnd:
        scrollIdle_.stop();
        scrollEnded();
        break;
    case Qt::NoScrollPhase:
        // No phases from this platform (X11): a pause ends the gesture.
        cumulX_ += deltaX;
        cumulY_ += deltaY;
        scrollIdle_.start(gesturerules::kScrollIdleEnd, false, [this] { scrollEnded(); });
        break;
    default:
        cumulX_ += deltaX;
        cumulY_ += deltaY;
        break;
    }
}

void DimmerBox::scrollEnded()
{
    const int code = gesturerules::scrollSwipeCode(cumulX_, cumulY_);
    cumulX_ = cumulY_ = 0;
    if (code != 0)
        sendSwipeEvent(code);
}

void DimmerBox::wheelEvent(QWheelEvent *event)
{
    // A Ctrl-wheel zooms, as over the panes the box covers.
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->angleDelta().y() != 0)
            platform::NotificationCenter::defaultCenter().postActionKey(event->angleDelta().y() > 0 ? vocab::Zoom
                                                                                                    : vocab::ZoomOut);
        event->accept();
        return;
    }
    QPointF delta;
    if (!event->pixelDelta().isNull())
        delta = QPointF(event->pixelDelta()) / kPixelsPerDelta;
    else
        delta = QPointF(event->angleDelta()) / kAnglePerLine;
    scrollStep(event->phase(), delta.x(), delta.y());
    event->accept();
}

// ---- Two-finger swipes ---------------------------------------------------------------------------

void DimmerBox::beginGesture(const QHash<int, QPointF> &normalisedStarts)
{
    TLOG(QStringLiteral("beginGestureWithEvent"));
    twoFingersTouches_ = normalisedStarts;
    lastTouches_ = normalisedStarts;
    touching_ = true;
}

void DimmerBox::endGesture(const QHash<int, QPointF> &normalisedEnds)
{
    if (!touching_)
        return;
    const QHash<int, QPointF> starts = twoFingersTouches_;
    twoFingersTouches_.clear();
    touching_ = false;
    QList<gesturerules::FingerTrack> fingers;
    for (auto it = normalisedEnds.cbegin(); it != normalisedEnds.cend(); ++it)
        if (starts.contains(it.key()))
            fingers.append({starts.value(it.key()), it.value()});
    if (fingers.size() < 2)
        return;
    double sx = 0, sy = 0;
    for (const auto &f : fingers) {
        sx += f.end.x() - f.start.x();
        sy += f.end.y() - f.start.y();
    }
    TLOG(QStringLiteral("Absx: %1   Absy: %2").arg(std::abs(sx), 0, 'f', 6).arg(std::abs(sy), 0, 'f', 6));
    if (const int code = gesturerules::touchSwipeCode(fingers))
        sendSwipeEvent(code);
}

bool DimmerBox::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: {
        auto *touch = static_cast<QTouchEvent *>(e);
        // Normalised pad positions with y growing upward, as the swipe rules count them.
        auto normalised = [](const QEventPoint &p) {
            const QPointF n = p.normalizedPosition();
            return QPointF(n.x(), 1.0 - n.y());
        };
        if (e->type() == QEvent::TouchCancel) {
            twoFingersTouches_.clear();
            touching_ = false;
            return true;
        }
        if (!touching_) {
            QHash<int, QPointF> starts;
            for (const QEventPoint &p : touch->points())
                starts.insert(p.id(), normalised(p));
            beginGesture(starts);
        } else {
            // A finger put down after the first joins the gesture from there.
            for (const QEventPoint &p : touch->points()) {
                if (!twoFingersTouches_.contains(p.id()))
                    twoFingersTouches_.insert(p.id(), normalised(p));
                lastTouches_.insert(p.id(), normalised(p));
            }
        }
        if (e->type() == QEvent::TouchBegin && !touch->points().isEmpty())
            tapStart_ = touch->points().first().position();
        if (e->type() == QEvent::TouchEnd) {
            for (const QEventPoint &p : touch->points())
                lastTouches_.insert(p.id(), normalised(p));
            const bool oneFinger = twoFingersTouches_.size() == 1;
            endGesture(lastTouches_);
            // Accepted touches bring no mouse events: a one-finger tap is a click.
            if (oneFinger && !touch->points().isEmpty()) {
                const QPointF end = touch->points().first().position();
                if (QLineF(tapStart_, end).length() < kTapSlop && refWindowPDFxSuper_)
                    clickAt(QPointF(mapTo(static_cast<QWidget *>(refWindowPDFxSuper_.data()), end.toPoint())));
            }
        }
        e->accept();
        return true;
    }
    case QEvent::NativeGesture: {
        // A pinch is the application's zoom, as over the panes the box covers.
        auto *g = static_cast<QNativeGestureEvent *>(e);
        if (g->gestureType() == Qt::ZoomNativeGesture) {
            pinch_ += g->value();
            if (std::abs(pinch_) > kPinchStep) {
                platform::NotificationCenter::defaultCenter().postActionKey(pinch_ > 0 ? vocab::Zoom : vocab::ZoomOut);
                pinch_ = 0;
            }
            return true;
        }
        if (g->gestureType() == Qt::EndNativeGesture)
            pinch_ = 0;
        return QWidget::event(e);
    }
    default:
        return QWidget::event(e);
    }
}

void DimmerBox::sendSwipeEvent(int code)
{
    platform::NotificationCenter::defaultCenter().post(vocab::mySwipe, QVariant(qint64(code)));
    centerMousePointer();
}

void DimmerBox::centerMousePointer()
{
    if (Data::optCenterMouse() == 0 || !refWindowPDFxSuper_)
        return;
    // Where the platform refuses to move the pointer (Wayland) this does nothing.
    const QRect frame = refWindowPDFxSuper_->frameGeometry();
    QCursor::setPos(frame.center());
}
