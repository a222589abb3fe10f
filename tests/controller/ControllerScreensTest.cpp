#include "ControllerTestSupport.h"

#include "chords/windows/ChordLibrary.h"
#include "controller/MenuTexts.h"
#include "settings/DataPref5.h"
#include "windows/ScreenFrames.h"
#include "windows/ScreenTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWindow>

using namespace controllertest;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

qint64 screens()
{
    return QGuiApplication::screens().size();
}

void makeKey(QWidget *w)
{
    w->show();
    QApplication::setActiveWindow(w);
}

} // namespace

class ControllerScreens : public ControllerFixture {};

TEST_F(ControllerScreens, SendToScreenPlacesTitleWindowsAndFillsTolvaneWindows)
{
    if (!screentest::withScreens({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}}))
        return;
    start();
    QMenu *menu = controller->sendToScreenMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_TRUE(menu->menuAction()->isEnabled());

    WindowPDFxSuper *title = Data::newWindowPDFx(false, 2);
    ASSERT_TRUE(title);
    title->resize(300, 120);
    makeKey(title);
    menu->actions().at(1)->trigger();
    EXPECT_EQ(title->frameGeometry().topLeft(), QPoint(1920, 0));
    EXPECT_EQ(title->size(), QSize(300, 120));

    makeKey(window());
    menu->actions().at(1)->trigger();
    EXPECT_TRUE(window()->isFullScreen());
    EXPECT_EQ(window()->windowHandle()->screen(), QGuiApplication::screens().at(1));
    // Before, a window already full screen was toggled out of it.
    menu->actions().at(0)->trigger();
    EXPECT_TRUE(window()->isFullScreen());
    EXPECT_EQ(window()->windowHandle()->screen(), QGuiApplication::screens().at(0));
    EXPECT_TRUE(dialogs.records().isEmpty());
}

TEST_F(ControllerScreens, OneScreenAndStaleEntries)
{
    start();
    ASSERT_EQ(screens(), 1);
    EXPECT_FALSE(controller->sendToScreenMenu()->menuAction()->isEnabled());
    makeKey(window());
    const QRect before = window()->geometry();
    // Before, a screen gone since the menu was built was read past the list.
    controller->actionMenuSendToScreen(1);
    controller->actionMenuSendToScreen(-1);
    EXPECT_EQ(window()->geometry(), before);
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_TRUE(dialogs.records().isEmpty());

    QApplication::setActiveWindow(nullptr);
    controller->actionMenuSendToScreen(0);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("The currently selected Window cannot be sent to a screen."));

    // With the inspector in front, the window it edits goes.
    makeKey(window());
    controller->actionMenuItemWinInspector();
    ASSERT_TRUE(controller->inspector());
    makeKey(controller->inspector());
    ASSERT_EQ(Data::getKeyWin(), nullptr);
    controller->actionMenuSendToScreen(0);
    EXPECT_TRUE(window()->isFullScreen());
}

TEST_F(ControllerScreens, FloatingWindowsFloatOnlyWhileTheProgramIsActiveOverTheKeyTolvaneWindow)
{
    start();
    makeKey(window());
    WindowPDFxSuper *title = Data::newWindowPDFx(false, 2);
    ASSERT_TRUE(title);
    title->show();
    title->iniAlwaysOnTop(true);
    controller->actionMenuItemChordLib(0);
    QWidget *library = controller->chordLibrary(0, false);
    ASSERT_TRUE(library && library->isVisible());
    const auto floats = [](QWidget *w) { return bool(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint); };

    for (bool active : {false, true}) {
        controller->ajusterWindowLevel(!active);
        for (QWidget *w : {static_cast<QWidget *>(title), library}) {
            EXPECT_EQ(floats(w), active) << w->windowTitle().toStdString();
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(w->windowHandle()->transientParent(), window()->windowHandle()) << w->windowTitle().toStdString();
        }
    }
    // Before, a frame put on at activation and taken off again (hiding and
    // showing the window) left it at normal level.
    title->ajusterStyleMask(true);
    title->ajusterStyleMask(false);
    EXPECT_TRUE(floats(title));
    EXPECT_TRUE(title->isVisible());
    // Windows not marked keep their level.
    EXPECT_FALSE(window()->windowHandle() && (window()->windowHandle()->flags() & Qt::WindowStaysOnTopHint));

    // The ties follow the key Tolvane window.
    RecordingWindow *second = addWindow(QString());
    makeKey(second);
    makeKey(library);
    // Both waited for: one tie may come a turn after the other.
    EXPECT_TRUE(testsupport::waitFor([&] {
        return library->windowHandle()->transientParent() == second->windowHandle()
               && title->windowHandle()->transientParent() == second->windowHandle();
    }));
}

TEST_F(ControllerScreens, NewWindowsFromTheWindowMenu)
{
    start();
    const qint64 before = Data::nsMutaryOfWindows().size();
    controller->actionCreerWinX(2);
    ASSERT_EQ(Data::nsMutaryOfWindows().size(), before + 1);
    WindowPDFxSuper *title = Data::nsMutaryOfWindows().last();
    EXPECT_EQ(title->winType(), 2);
    EXPECT_TRUE(title->isVisible());
    EXPECT_TRUE(title->alwaysOnTop());

    // A type no window class serves makes nothing.
    controller->actionCreerWinX(17);
    EXPECT_EQ(Data::nsMutaryOfWindows().size(), before + 1);

    // The strip menu's "Default" item makes a chord strip of the default instrument.
    QMenu *strips = nullptr;
    for (QAction *a : controller->windowMenu()->actions())
        if (a->text() == QStringLiteral("New Chord Strip"))
            strips = a->menu();
    ASSERT_TRUE(strips);
    QStringList items;
    for (QAction *a : strips->actions())
        items << a->text();
    EXPECT_EQ(items, QStringList({"Guitar", "Ukulele", "Piano", "Default"}));
    strips->actions().last()->trigger();
    ASSERT_EQ(Data::nsMutaryOfWindows().size(), before + 2);
    EXPECT_EQ(Data::nsMutaryOfWindows().last()->winType(), 14);
    EXPECT_EQ(Data::nsMutaryOfWindows().last()->fixPageNo(), 0);

    closeProgramWindows();
    controller->actionCreerWinY(2);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A Tolvane window must be available to create a new Chord Strip."));
    EXPECT_TRUE(Data::nsMutaryOfWindows().isEmpty());
}

TEST_F(ControllerScreens, ScreensetMenuTitlesAndNames)
{
    manualClock();
    start();
    QMenu *menu = controller->screensetMenu();
    EXPECT_EQ(menu->title(), controller::screensetMenuTitle(1, screens()));
    EXPECT_TRUE(menu->actions().at(0)->isChecked());

    dialogs.answerText(QStringLiteral("Club"));
    controller->renameScreenset();
    EXPECT_EQ(store().stringForKey(QStringLiteral("screenSetName%1%2").arg(screens()).arg(1)), QStringLiteral("Club"));
    EXPECT_EQ(menu->actions().at(0)->text(), controller::screensetItemTitle(1, screens(), QStringLiteral("Club")));

    // Copy set 1 to set 5: the windows as they stand, the name, and set 5 current.
    controller->actionCopyScreensetTo(5);
    EXPECT_TRUE(store().boolForKey(Data::screenSetPrefix(5, screens()) + QStringLiteral("Saved")));
    manualClock().advance(0.2);
    EXPECT_FALSE(controller->screensetPending());
    EXPECT_EQ(Data::currentScreensetG(), 5);
    EXPECT_EQ(controller->obtenirScreensetName(screens(), 5), QStringLiteral("Club"));
    EXPECT_TRUE(menu->actions().at(4)->isChecked());
    EXPECT_FALSE(menu->actions().at(0)->isChecked());
    EXPECT_EQ(menu->title(), controller::screensetMenuTitle(5, screens()));
}

TEST_F(ControllerScreens, MenuCommandsWaitForAPendingSwitch)
{
    manualClock();
    start();
    window()->setFullScreen(true);
    controller->actionScreensetX(2);
    ASSERT_TRUE(controller->screensetPending());
    const QStringList keysBefore = store().allKeys();
    // Before, these stored the half-switched windows.
    dialogs.answerText(QStringLiteral("Half"));
    controller->renameScreenset();
    controller->actionCopyScreensetTo(6);
    controller->actionSaveScreenset();
    controller->actionReloadScreenset();
    EXPECT_EQ(store().allKeys(), keysBefore);
    EXPECT_TRUE(dialogs.records().isEmpty());
    window()->setFullScreen(false);
    manualClock().advance(0.2);
    EXPECT_FALSE(controller->screensetPending());
    EXPECT_EQ(Data::currentScreensetG(), 2);
}
