#include "library/Data.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowFactory.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QApplication>
#include <QScreen>

namespace {

// Context of the will-close connections, so a quiet close can cut exactly them.
QObject &closeObserver()
{
    // Never destroyed: it must outlive every window, and the application.
    static QObject *observer = new QObject;
    return *observer;
}

void stopObserving(WindowPDFxSuper *window)
{
    QObject::disconnect(window, &WindowPDFxSuper::windowWillClose, &closeObserver(), nullptr);
}

// Drops the window from the list, which owned it. Windows deleted behind the
// list's back go too.
void takeOut(WindowPDFxSuper *window)
{
    auto &list = Data::nsMutaryOfWindows();
    list.removeIf([window](const QPointer<WindowPDFxSuper> &w) { return !w || w == window; });
    window->deleteLater();
}

// A copy of the list, so closing may change the list while it is walked.
QList<QPointer<WindowPDFxSuper>> snapshot()
{
    return Data::nsMutaryOfWindows();
}

bool inList(const WindowPDFxSuper *window)
{
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w == window)
            return true;
    return false;
}

} // namespace

WindowPDFxSuper *Data::newWindowPDFx(bool /*flag*/, qint64 winType)
{
    WindowPDFxSuper *window = windowfactory::create(winType);
    if (!window)
        return nullptr;

    if (winType == 14) {
        if (WindowPDFxSuper *key = obtenirKeywin())
            window->iniMode(key->altMode(), key->altDir());
    } else {
        window->iniMode(0, QString());
    }

    // Each new window sits a little below and right of the previous one.
    QPointF origin = nsPointWindowOrigin();
    if (origin.x() > 100.0)
        origin = QPointF(10.0, 10.0);
    origin += QPointF(10.0, 10.0);
    setNsPointWindowOrigin(origin);
    const QRectF frame = screenframes::frameOf(window);
    screenframes::setFrame(window, QRectF(origin, frame.size()));

    window->masquerObjet();
    window->afficherToc(false);
    nsMutaryOfWindows().append(window);
    QObject::connect(window, &WindowPDFxSuper::windowWillClose, &closeObserver(),
                     [](WindowPDFxSuper *w) { Data::winClose(w); });
    window->show();
    return window;
}

QString Data::obtenirClasse(qint64 winType)
{
    return windowfactory::className(winType);
}

void Data::winClose(WindowPDFxSuper *window)
{
    WindowPDFxSuper *controller = getWinControllerForWin(window);
    if (!controller)
        return;
    stopObserving(controller);
    takeOut(controller);
    // Each strip's own close runs this handler in turn.
    for (WindowPDFxSuper *strip : windowlist::chordStripsOf(controller)) {
        QPointer<WindowPDFxSuper> guard(strip);
        if (guard && inList(guard))
            guard->close();
    }
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::WindowClosed);
    activateKeywin();
}

void Data::closeWinQuietly(WindowPDFxSuper *window)
{
    if (!window)
        return;
    const QList<WindowPDFxSuper *> strips = windowlist::chordStripsOf(window);
    stopObserving(window);
    // Replacing the last window must not end the application.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->close();
    takeOut(window);
    for (WindowPDFxSuper *strip : strips) {
        QPointer<WindowPDFxSuper> guard(strip);
        if (guard && inList(guard))
            closeWinQuietly(guard);
    }
}

void Data::exitFullScreenForAllWin()
{
    for (const QPointer<WindowPDFxSuper> &w : snapshot())
        if (w && (w->fullScreen() || w->isFullScreen()))
            w->showNormal();
}

void Data::clearKeyWin()
{
    windowlist::clearKeyWin();
}

WindowPDFxSuper *Data::obtenirKeywin()
{
    WindowPDFxSuper *candidate = nullptr;
    const QScreen *candidateScreen = nullptr;
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows()) {
        if (!windowlist::isTolvaneWindow(w))
            continue;
        if (w->keywin())
            return w;
        if (!candidate) {
            candidate = w;
            candidateScreen = screenframes::screenOf(w);
        } else if (screenframes::screenOf(w) == candidateScreen) {
            candidate = w;
        }
    }
    return candidate;
}

void Data::activateKeywin()
{
    WindowPDFxSuper *key = obtenirKeywin();
    if (!key)
        return;
    key->show();
    key->raise();
    key->activateWindow();
}

void Data::closeAllWin()
{
    for (const QPointer<WindowPDFxSuper> &w : snapshot())
        if (w && inList(w))
            closeWinQuietly(w);
    nsMutaryOfWindows().clear();
}

void Data::closeAllFullScreenWin()
{
    const auto windows = snapshot();
    for (qsizetype i = windows.size() - 1; i >= 0; --i)
        if (windows.at(i) && windows.at(i)->fullScreen() && inList(windows.at(i)))
            closeWinQuietly(windows.at(i));
}

void Data::closeAllCompWin()
{
    const auto windows = snapshot();
    for (qsizetype i = windows.size() - 1; i >= 0; --i)
        if (windows.at(i) && !windowlist::isTolvaneWindow(windows.at(i)) && inList(windows.at(i)))
            closeWinQuietly(windows.at(i));
}

WindowPDFxSuper *Data::getWinController()
{
    return getWinControllerForWin(QApplication::activeWindow());
}

WindowPDFxSuper *Data::getWinControllerForWin(const QWidget *window)
{
    if (!window)
        return nullptr;
    const auto &list = nsMutaryOfWindows();
    for (qsizetype i = list.size() - 1; i >= 0; --i)
        if (list.at(i) && list.at(i)->window() == window)
            return list.at(i);
    return nullptr;
}

qint64 Data::getScreenNo(const QScreen *screen)
{
    return screenframes::screenNo(screen);
}

bool Data::isUneFenetreEstZoomDemiPage()
{
    return windowlist::isUneFenetreEstZoomDemiPage();
}

bool Data::isUneFenetreEstSingleEtSync()
{
    return windowlist::isUneFenetreEstSingleEtSync();
}

bool Data::isUneFenetreEstDoubleEtSync()
{
    return windowlist::isUneFenetreEstDoubleEtSync();
}
