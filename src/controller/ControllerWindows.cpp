#include "controller/Controller.h"

#include "controller/MenuTexts.h"
#include "library/Data.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
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
    for (const QPointer<QAction> &item : screensetItems_)
        if (item)
            item->setChecked(false);
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
    refreshScreensetTitle();
    const qint64 current = Data::currentScreensetG();
    if (current >= 0 && current <= 9) {
        if (QAction *item = screensetItems_.value(qMax<qint64>(current, 1) - 1))
            item->setChecked(true);
        if (menuScreenset_)
            menuScreenset_->setTitle(controller::screensetMenuTitle(current, screens));
    }
    screensetToLoad_ = -1;
    refreshInspector();
    refreshChordLibrary();
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

QString Controller::obtenirScreensetName(qint64 screens, qint64 set)
{
    return platform::UserDefaults::standard().stringForKey(controller::screenSetNameKey(screens, set));
}

void Controller::refreshScreensetTitle()
{
    const qint64 screens = screenCount();
    for (qint64 i = 0; i < screensetItems_.size(); ++i)
        if (QAction *item = screensetItems_.at(i))
            item->setText(controller::screensetItemTitle(i + 1, screens, obtenirScreensetName(screens, i + 1)));
}

// While a switch is pending, the windows stand half-way between two layouts:
// none of the menu commands may store or reload them until it ends.
void Controller::actionScreensetX(qint64 set)
{
    if (screensetPending())
        return;
    if (Data::filterTypeG() > 0)
        prevNextFilterNoG(-2, 1, 0, true);
    setScreensetX(set, true);
}

void Controller::actionReloadScreenset()
{
    if (screensetPending())
        return;
    if (Data::filterTypeG() > 0)
        prevNextFilterNoG(-2, 1, 0, true);
    setScreensetX(Data::currentScreensetG(), false);
}

void Controller::actionSaveScreenset()
{
    if (screensetPending())
        return;
    saveScreenset();
}

void Controller::actionCopyScreensetTo(qint64 set)
{
    if (screensetPending() || set < 1 || set > 9)
        return;
    const qint64 screens = screenCount();
    const QString name = obtenirScreensetName(screens, Data::currentScreensetG());
    if (Data::filterTypeG() > 0)
        prevNextFilterNoG(-2, 1, 0, true);
    Data::setCurrentScreensetG(set);
    saveScreenset();
    setScreensetX(set, false);
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    defaults.setString(controller::screenSetNameKey(screens, set), name);
    defaults.synchronize();
    refreshScreensetTitle();
}

void Controller::renameScreenset()
{
    if (screensetPending())
        return;
    const qint64 screens = screenCount();
    const qint64 set = Data::currentScreensetG();
    const QString name = Data::getStr(QStringLiteral("Screenset Name"), obtenirScreensetName(screens, set));
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    defaults.setString(controller::screenSetNameKey(screens, set), name);
    defaults.synchronize();
    refreshScreensetTitle();
}
