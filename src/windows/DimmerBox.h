#pragma once

#include "platform/Clock.h"
#include "windows/GestureRules.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class WindowPDFxSuper;

// The box laid over the page area: its fill darkens the pages, and it reads
// clicks in four hidden regions, scrolling and two-finger swipes as commands.
// Linux gives applications scroll events rather than raw touchpad touches:
// a swipe is read from the scroll's phases (or its pause where the platform
// gives no phases), and from touch events on devices that send them.
class DimmerBox : public QWidget {
    Q_OBJECT
public:
    explicit DimmerBox(QWidget *parent = nullptr);

    void iniRefWindowPDFxSuper(WindowPDFxSuper *window) { refWindowPDFxSuper_ = window; }
    WindowPDFxSuper *refWindowPDFxSuper() const { return refWindowPDFxSuper_; }
    void setRefWindowPDFxSuper(WindowPDFxSuper *window) { refWindowPDFxSuper_ = window; }
    // The fill's alpha (0 shows the pages untouched).
    void setDimAlpha(double alpha);
    double dimAlpha() const { return dimAlpha_; }
    double cumulX() const { return cumulX_; }
    double cumulY() const { return cumulY_; }
    void setCumulX(double v) { cumulX_ = v; }
    void setCumulY(double v) { cumulY_ = v; }

    // The handlers, callable with plain values for the tests: a click in
    // window coordinates (y down, as Qt gives them), a scroll step and its
    // phase, a gesture's fingers.
    // Answers false when the click goes on to the window (the side edges while
    // the regions are on); with the regions off a click does nothing at all.
    bool clickAt(const QPointF &windowPos);
    void scrollStep(Qt::ScrollPhase phase, double deltaX, double deltaY);
    void beginGesture(const QHash<int, QPointF> &normalisedStarts);
    void endGesture(const QHash<int, QPointF> &normalisedEnds);
    bool gestureRunning() const { return touching_; }

    void sendSwipeEvent(int code);
    void centerMousePointer();

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;

private:
    void scrollEnded();

    QPointer<WindowPDFxSuper> refWindowPDFxSuper_;
    double dimAlpha_ = 0.0;
    double cumulX_ = 0.0;
    double cumulY_ = 0.0;
    // Starting touches by touch id; valid while touching_.
    QHash<int, QPointF> twoFingersTouches_;
    QHash<int, QPointF> lastTouches_;
    bool touching_ = false;
    double pinch_ = 0.0;
    QPointF tapStart_;
    platform::Timer scrollIdle_;
};
