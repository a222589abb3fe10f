#include "library/Data.h"

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
