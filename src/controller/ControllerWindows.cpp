#include "controller/Controller.h"

#include "app/MainMenu.h"
#include "library/Data.h"
#include "platform/Log.h"
#include "windows/WindowPDFx.h"

#include <QGuiApplication>
#include <QScreen>

WindowPDFxSuper *Controller::creerTolvaneWindow()
{
    WindowPDFxSuper *window = nullptr;
    if (windowFactory_) {
        window = windowFactory_();
    } else {
        auto *tolvane = new WindowPDFx;
        tolvane->windowDidLoad();
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            tolvane->resize(qMin(1024, area.width()), qMin(720, area.height()));
            tolvane->move(area.center() - tolvane->rect().center());
        }
        window = tolvane;
    }
    if (!window)
        return nullptr;
    Data::nsMutaryOfWindows().append(window);
    MainMenu::instance().attachTo(window);
    window->show();
    return window;
}

// The windows exist before the first song loads. Until screen sets restore a
// stored layout, the start opens one Tolvane window here.
void Controller::buildInitialWindows()
{
    TLOG(QStringLiteral("Controller buildInitialWindows"));
    creerTolvaneWindow();
}
