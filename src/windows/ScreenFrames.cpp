#include "windows/ScreenFrames.h"

#include "platform/Geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace screenframes {

namespace {

// Global bottom-left coordinates flip about the primary screen's bottom edge.
qreal flipHeight()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0.0;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}

QRectF toBottomLeft(const QRect &topLeft)
{
    return platform::flipY(QRectF(topLeft), flipHeight());
}

} // namespace

QList<QScreen *> screens()
{
    return QGuiApplication::screens();
}

int screenNo(const QScreen *screen)
{
    if (!screen)
        return -1;
    const QList<QScreen *> all = screens();
    for (int i = 0; i < all.size(); ++i)
        if (all.at(i) == screen)
            return i;
    return -1;
}

QScreen *screenAt(qint64 index)
{
    const QList<QScreen *> all = screens();
    return index >= 0 && index < all.size() ? all.at(int(index)) : nullptr;
}

QScreen *screenOf(const QWidget *window)
{
    if (!window)
        return nullptr;
    const QRect frame = window->frameGeometry();
    QScreen *best = nullptr;
    qint64 bestArea = 0;
    for (QScreen *screen : screens()) {
        const QRect common = screen->geometry().intersected(frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

QRectF wholeFrame(const QScreen *screen)
{
    return screen ? toBottomLeft(screen->geometry()) : QRectF();
}

QRectF visibleFrame(const QScreen *screen)
{
    return screen ? toBottomLeft(screen->availableGeometry()) : QRectF();
}

QRectF frameOf(const QWidget *window)
{
    return window ? toBottomLeft(window->frameGeometry()) : QRectF();
}

bool setFrame(QWidget *window, const QRectF &frame)
{
    if (!window || !(frame.width() > 0.0) || !(frame.height() > 0.0))
        return false;
    QRectF f = frame;
    f.setWidth(std::max(f.width(), kMinimumSize));
    f.setHeight(std::max(f.height(), kMinimumSize));
    const QRectF topLeft = platform::flipY(f, flipHeight());
    // The frame includes the title bar of a decorated window; Qt sets the inside.
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                           outer.bottom() - inner.bottom());
    const QRect target(int(std::lround(topLeft.x())), int(std::lround(topLeft.y())), int(std::lround(topLeft.width())),
                       int(std::lround(topLeft.height())));
    window->setGeometry(target.marginsRemoved(margins));
    return true;
}

void toggleFullScreen(QWidget *window)
{
    if (!window)
        return;
    if (window->isFullScreen())
        window->showNormal();
    else
        window->showFullScreen();
}

void showFullScreenOn(QWidget *window, QScreen *screen)
{
    if (!window || !screen)
        return;
    if (window->isFullScreen())
        window->showNormal();
    setFrame(window, visibleFrame(screen));
    if (QWindow *handle = window->windowHandle())
        handle->setScreen(screen);
    window->showFullScreen();
}

} // namespace screenframes
