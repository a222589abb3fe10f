#include "library/Data.h"

#include "windows/WindowPDFx.h"
#include "windows/WindowPDFxSuper.h"

#include <QApplication>

WindowPDFxSuper *Data::getKeyWin()
{
    QWidget *active = QApplication::activeWindow();
    if (!active)
        return nullptr;
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows()) {
        if (w && w->window() == active)
            return w;
    }
    return nullptr;
}

void Data::determinerNbTocG()
{
    setNbTocG(36);
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows()) {
        // A narrow Tolvane window showing its list has room for half the entries.
        if (w && w->winType() == 0 && w->width() < 640 && !w->hideList()) {
            setNbTocG(18);
            return;
        }
    }
}

void Data::updateMetroOfWindows(qint64 nbTick, bool masquer, bool reset)
{
    const QList<QPointer<WindowPDFxSuper>> windows = nsMutaryOfWindows();
    for (const QPointer<WindowPDFxSuper> &w : windows)
        if (w)
            w->updateMetroWithNbTick(nbTick, masquer, reset);
}

QList<Data::SyncedPageView> Data::syncedPageViews()
{
    QList<SyncedPageView> views;
    for (const QPointer<WindowPDFxSuper> &w : std::as_const(nsMutaryOfWindows())) {
        if (w && w->winType() == 0 && w->syncPageChanges())
            views.append(SyncedPageView{w->modeAffichage(), w->ratio21()});
    }
    return views;
}

bool Data::resetWindowsShowing(const QString &path)
{
    bool shown = false;
    for (const QPointer<WindowPDFxSuper> &w : nsMutaryOfWindows()) {
        auto *tolvane = qobject_cast<WindowPDFx *>(w.data());
        if (!tolvane || !tolvane->pieceCour())
            continue;
        if (tolvane->pieceCour()->getPath() == path || tolvane->currentFile() == path) {
            // The next push counts as a song change, which reads the file again.
            tolvane->resetPDF();
            shown = true;
        }
    }
    return shown;
}
