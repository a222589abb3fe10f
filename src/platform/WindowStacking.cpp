#include "platform/WindowStacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

namespace platform {

void setTransientFor(QWindow *window, QWindow *owner)
{
    if (!window || window == owner)
        return;
    window->setTransientParent(owner);
    // The X11 platform writes the tie only when it maps a tool or dialog
    // window, and clears it when it maps any other: a window already shown
    // gets it from here.
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window->handle() || !window->isVisible())
        return;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const xcb_window_t id = window->winId();
    const xcb_window_t ownerId = owner && owner->handle() ? xcb_window_t(owner->winId()) : xcb_window_t(XCB_WINDOW_NONE);
    if (ownerId == XCB_WINDOW_NONE)
        xcb_delete_property(connection, id, XCB_ATOM_WM_TRANSIENT_FOR);
    else
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                            &ownerId);
    xcb_flush(connection);
}

bool placedByWindowManager(const QWindow *window)
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && !window->frameMargins().isNull();
}

void setWindowFlagInPlace(QWidget *window, Qt::WindowType flag, bool on)
{
    // The widget keeps the flag for a later change of its flags, which
    // applies the widget's flags to the native window again.
    window->overrideWindowFlags(on ? window->windowFlags() | flag : window->windowFlags() & ~flag);
    if (QWindow *handle = window->windowHandle())
        handle->setFlag(flag, on);
}

} // namespace platform
