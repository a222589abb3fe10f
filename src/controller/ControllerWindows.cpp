#include "controller/Controller.h"

#include "library/Data.h"
#include "platform/Log.h"
#include "windows/WindowPDFxSuper.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Windows get 3 s (30 ticks of 0.1 s) to leave full screen by themselves.
constexpr double kFullScreenTick = 0.1;
constexpr int kFullScreenPatience = 30;

qint64 screenCount()
{
    return QGuiApplication::screens().size();
}

} // namespace

void Controller::setScreensetX(qint64 set, bool save)
{
    TLOG(QStringLiteral("Controller setScreensetX %1").arg(set));
    // A switch under way finishes first.
    if (screensetToLoad_ >= 0)
        return;
    screensetToLoad_ = set;
    if (save && Data::currentScreensetG() >= 1)
        saveScreenset();
    Data::closeAllCompWin();
    Data::exitFullScreenForAllWin();
    // At start-up no set is loaded yet and no window waits on full screen.
    if (Data::currentScreensetG() == 0) {
        doSetScreensetXb();
        return;
    }
    nbLoopFullScreen_ = 0;
    fTimer_.start(kFullScreenTick, true, [this]() { doSetScreensetX(); });
}

void Controller::doSetScreensetX()
{
    ++nbLoopFullScreen_;
    bool waiting = false;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
        if (!w)
            continue;
        if (nbLoopFullScreen_ > kFullScreenPatience) {
            if (w->isFullScreen())
                w->showNormal();
            w->setFullScreen(false);
        }
        if (w->fullScreen() || w->isFullScreen())
            waiting = true;
    }
    if (waiting)
        return;
    fTimer_.stop();
    doSetScreensetXb();
}

void Controller::doSetScreensetXb()
{
    const qint64 screens = screenCount();
    if (screensetToLoad_ != 0) {
        Data::setCurrentScreensetG(screensetToLoad_);
        Data::loadScreenSet(Data::screenSetPrefix(screensetToLoad_, screens));
        ajusterZoomON();
    } else {
        Data::loadScreenSet(Data::screenSetPrefix(0, screens));
    }
    lastNbScreens_ = screens;
    if (Data::currentScreensetG() == 0)
        Data::setCurrentScreensetG(1);
    if (currentDirNo_ >= 0) {
        const QString dir = obtenirDir(currentDirNo_);
        Data::setDirX(dir.isEmpty() ? obtenirDir(-1) : dir);
    }
    ajusterDimmer();
    setTabsName();
    chargerPages();
    refreshNbTocG();
    screensetToLoad_ = -1;
    refreshInspector();
    ajusterZoomON();
    doRefreshCue_ = true;
    ajusterCadreX();
    Data::sendingMidi(false);
}

// Saved under the screen count the set was loaded for, so a set keeps one
// layout per screen count.
void Controller::saveScreenset()
{
    const qint64 set = Data::currentScreensetG();
    // Set 0 is the built-in layout, never stored.
    if (set < 1)
        return;
    Data::saveScreenSet(Data::screenSetPrefix(set, lastNbScreens_));
}
