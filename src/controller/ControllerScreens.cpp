#include "controller/Controller.h"

#include "controller/MenuTexts.h"
#include "library/Data.h"
#include "platform/Log.h"
#include "settings/DataPref5.h"
#include "windows/FloatingWindows.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWindow>

namespace {

constexpr qint64 kChordStrip = 14;

using windowlist::openWindows;

} // namespace

bool Controller::isAuMoinsUneFenetreTolvane() const
{
    for (WindowPDFxSuper *w : openWindows())
        if (w->winType() == 0)
            return true;
    return false;
}

void Controller::refreshMenuWindow()
{
    if (menuItemSendToScreen_)
        menuItemSendToScreen_->setEnabled(screenframes::screens().size() >= 2);
}

void Controller::refreshScreenList()
{
    if (!menuSendToScreen_)
        return;
    menuSendToScreen_->clear();
    const QList<QScreen *> screens = screenframes::screens();
    for (qint64 i = 0; i < screens.size(); ++i) {
        const QScreen *screen = screens.at(i);
        QAction *item = menuSendToScreen_->addAction(
            controller::screenTitle(screen->manufacturer(), screen->model(), screen->name()));
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, i]() { actionMenuSendToScreen(i); });
    }
    if (menuItemSendToScreen_)
        menuItemSendToScreen_->setEnabled(screens.size() >= 2 && Data::getKeyWin());
}

void Controller::actionMenuSendToScreen(qint64 screenIndex)
{
    // The menu may still list a screen that has gone since.
    QScreen *screen = screenframes::screenAt(screenIndex);
    if (!screen)
        return;
    WindowPDFxSuper *window = Data::getKeyWin();
    // With the inspector in front, the window it edits.
    if (!window && dataPref5Controller_ && dataPref5Controller_->isActiveWindow())
        window = dataPref5Controller_->currentWin();
    if (!window) {
        Data::msg(QStringLiteral("The currently selected Window cannot be sent to a screen."));
        return;
    }
    const QRectF visible = screenframes::visibleFrame(screen);
    if (window->winType() >= 2) {
        const QRectF frame = screenframes::frameOf(window);
        screenframes::setFrame(window, QRectF(visible.x(), visible.y() + visible.height() - frame.height(),
                                              frame.width(), frame.height()));
        return;
    }
    // A window already full screen elsewhere ends full screen on this one too.
    screenframes::showFullScreenOn(window, screen);
    window->setFullScreen(true);
}

void Controller::actionMenuArrange(qint64 code)
{
    Data::arrangeWin(code, Data::getKeyWin());
}

void Controller::ajusterWindowLevel(bool deactivating)
{
    floatingwindows::adjustLevels(!deactivating);
}

void Controller::actionCreerWinX(qint64 winType)
{
    if (winType == kChordStrip && !isAuMoinsUneFenetreTolvane()) {
        Data::msg(QStringLiteral("A Tolvane window must be available to create a new Chord Strip."));
        return;
    }
    WindowPDFxSuper *window = Data::newWindowPDFx(false, winType);
    // A type without a window class makes nothing, and nothing else moves.
    if (!window)
        return;
    showNewWindow(window);
}

void Controller::actionCreerWinY(qint64 kind)
{
    if (!isAuMoinsUneFenetreTolvane()) {
        Data::msg(QStringLiteral("A Tolvane window must be available to create a new Chord Strip."));
        return;
    }
    WindowPDFxSuper *window = Data::newWindowPDFx(false, kChordStrip);
    if (!window)
        return;
    window->iniFixPageNo(kind);
    showNewWindow(window);
}

void Controller::showNewWindow(WindowPDFxSuper *window)
{
    ajusterDimmer();
    setTabsName();
    chargerPages();
    window->show();
    if (window->winType() >= 2)
        window->iniAlwaysOnTop(true);
    refreshMenuWindow();
    refreshInspector();
    refreshChordLibrary();
    doRefreshCue_ = true;
    refreshCue();
}
