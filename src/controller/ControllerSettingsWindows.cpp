#include "controller/Controller.h"

#include "chords/windows/ChordLibrary.h"
#include "controller/SampleSong.h"
#include "library/Data.h"
#include "midi/windows/MidiWindows.h"
#include "platform/MainMenu.h"
#include "settings/DataHelp.h"
#include "settings/DataPref4.h"
#include "settings/DataPref5.h"
#include "settings/DataPref6.h"
#include "settings/DataPref7.h"
#include "settings/DataPref8.h"
#include "settings/DataPref9.h"
#include "settings/WinVersions.h"
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

// ---- Tags, window identifiers, versions and help ------------------------------------------

DataPref7 *Controller::tagList()
{
    if (!dataPref7Controller_) {
        dataPref7Controller_ = new DataPref7;
        dataPref7Controller_->setNoteWriter(noteWriter_.get());
    }
    return dataPref7Controller_;
}

DataPref8 *Controller::tagAssignments()
{
    if (!dataPref8Controller_) {
        dataPref8Controller_ = new DataPref8;
        dataPref8Controller_->setNoteWriter(noteWriter_.get());
    }
    return dataPref8Controller_;
}

DataPref9 *Controller::tagFilter()
{
    if (!dataPref9Controller_)
        dataPref9Controller_ = new DataPref9;
    return dataPref9Controller_;
}

DataPref4 *Controller::winIDEditor()
{
    if (!dataPref4Controller_)
        dataPref4Controller_ = new DataPref4;
    return dataPref4Controller_;
}

DataPrefA *Controller::versionChooser()
{
    if (!dataPrefAController_)
        dataPrefAController_ = new DataPrefA;
    return dataPrefAController_;
}

WinVersions *Controller::versionsWindow()
{
    if (!winVersionsController_)
        winVersionsController_ = new WinVersions;
    return winVersionsController_;
}

DataHelp *Controller::helpWindow()
{
    if (!dataHelpController_)
        dataHelpController_ = new DataHelp;
    return dataHelpController_;
}

void Controller::refreshVersionsWindow()
{
    if (winVersionsController_ && winVersionsController_->isVisible())
        winVersionsController_->showWin(Data::getPiece(Data::songNoG()), true);
}

void Controller::addSettingsMenuItems()
{
    QMenu *window = MainMenu::instance().menu(QStringLiteral("Window"));
    if (!window)
        window = MainMenu::instance().addMenu(QStringLiteral("Window"), this);
    QAction *inspector = window->addAction(QStringLiteral("Window Inspector…"));
    connect(inspector, &QAction::triggered, this, [this]() { actionMenuItemWinInspector(); });
    QMenu *tools = menuWindow_ ? menuWindow_.data() : window;
    QAction *filterItem = tools->addAction(QStringLiteral("Filter by Tag…"));
    connect(filterItem, &QAction::triggered, this, [this]() { filter(); });
    QAction *assignments = marksMenu()->addAction(QStringLiteral("Tags Assignments…"));
    connect(assignments, &QAction::triggered, this, [this]() { tagsAssignments(); });
}

void Controller::deleteSettingsWindows()
{
    delete dataPref5Controller_.data();
    delete dataPref6Controller_.data();
    delete midiWindows_.data();
    delete dataPref4Controller_.data();
    delete dataPref7Controller_.data();
    delete dataPref8Controller_.data();
    delete dataPref9Controller_.data();
    delete dataPrefAController_.data();
    delete winVersionsController_.data();
    delete dataHelpController_.data();
    for (const QPointer<ChordLibrary> &library : chordLibraries_)
        delete library.data();
}
