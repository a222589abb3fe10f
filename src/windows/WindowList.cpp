#include "windows/WindowList.h"

#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

namespace windowlist {

bool isTolvaneWindow(const WindowPDFxSuper *window)
{
    return window && window->winType() == 0;
}

QList<WindowPDFxSuper *> chordStripsOf(const WindowPDFxSuper *tolvane)
{
    QList<WindowPDFxSuper *> strips;
    if (!isTolvaneWindow(tolvane))
        return strips;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w && w->winType() == 14 && w->refTolvaneWin() == tolvane)
            strips.append(w);
    return strips;
}

template <typename Pred>
static bool anyTolvaneWindow(Pred pred)
{
    for (const auto &w : Data::nsMutaryOfWindows())
        if (isTolvaneWindow(w) && pred(*w))
            return true;
    return false;
}

bool isUneFenetreEstZoomDemiPage()
{
    return anyTolvaneWindow([](const WindowPDFxSuper &w) {
        return w.syncPageChanges() && (w.modeAffichage() == 1 || w.ratio21());
    });
}

bool isUneFenetreEstSingleEtSync()
{
    return anyTolvaneWindow(
        [](const WindowPDFxSuper &w) { return w.modeAffichage() == 2 && w.syncPageChanges(); });
}

bool isUneFenetreEstDoubleEtSync()
{
    return anyTolvaneWindow([](const WindowPDFxSuper &w) {
        const qint64 m = w.modeAffichage();
        return w.syncPageChanges() && (m == 0 || m == 4 || m == 5);
    });
}

void clearKeyWin()
{
    for (const auto &w : Data::nsMutaryOfWindows())
        if (isTolvaneWindow(w) && w->keywin())
            w->setKeywin(false);
}

QList<WindowPDFxSuper *> openWindows()
{
    QList<WindowPDFxSuper *> list;
    const auto windows = Data::nsMutaryOfWindows();
    for (const QPointer<WindowPDFxSuper> &w : windows)
        if (w)
            list.append(w.data());
    return list;
}

} // namespace windowlist
