#include "controller/Controller.h"

#include "app/MainMenu.h"
#include "library/Data.h"
#include "midi/windows/MidiWindows.h"
#include "settings/DataPref5.h"
#include "settings/DataPref6.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>
#include <QApplication>

// ---- The window inspector and the setlist editor -----------------------------------------

void Controller::actionMenuItemWinInspector()
{
    if (!dataPref5Controller_)
        dataPref5Controller_ = new DataPref5;
    dataPref5Controller_->showDataPref5(Data::getKeyWin());
}

void Controller::refreshInspector()
{
    if (dataPref5Controller_ && dataPref5Controller_->isVisible())
        dataPref5Controller_->remplirCombo1(Data::getKeyWin());
}

DataPref5 *Controller::inspector() const
{
    return dataPref5Controller_;
}

DataPref6 *Controller::setlistEditor()
{
    if (!dataPref6Controller_)
        dataPref6Controller_ = new DataPref6;
    return dataPref6Controller_;
}

void Controller::makeInspectedWindowKey()
{
    if (!dataPref5Controller_ || !dataPref5Controller_->isActiveWindow())
        return;
    WindowPDFxSuper *target = dataPref5Controller_->currentWin();
    if (!windowlist::isTolvaneWindow(target))
        return;
    target->activateWindow();
    // Activation reaches the window system later; the command needs its window now.
    QApplication::setActiveWindow(target);
}

void Controller::addSettingsMenuItems()
{
    QMenu *window = MainMenu::instance().menu(QStringLiteral("Window"));
    if (!window)
        window = MainMenu::instance().addMenu(QStringLiteral("Window"));
    QAction *inspector = window->addAction(QStringLiteral("Window Inspector…"));
    connect(inspector, &QAction::triggered, this, [this]() { actionMenuItemWinInspector(); });
}

void Controller::deleteSettingsWindows()
{
    delete dataPref5Controller_.data();
    delete dataPref6Controller_.data();
    delete midiWindows_.data();
}
