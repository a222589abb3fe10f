#include "ControllerTestSupport.h"

#include "windows/ScreenFrames.h"

#include <QGuiApplication>

using namespace controllertest;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

QList<WindowPDFxSuper *> openWindows()
{
    QList<WindowPDFxSuper *> list;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w)
            list.append(w);
    return list;
}

} // namespace

class ControllerScreenSets : public ControllerFixture {};

TEST_F(ControllerScreenSets, EmptyConfigurationStartsWithTheDefaultLayout)
{
    start();
    const QList<WindowPDFxSuper *> list = openWindows();
    ASSERT_EQ(list.size(), 1);
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(list.first(), window());
    EXPECT_EQ(window()->winType(), 0);
    EXPECT_TRUE(window()->isVisible());
    EXPECT_TRUE(window()->syncPageChanges());
    EXPECT_TRUE(window()->ongletsVisibles());
    EXPECT_EQ(window()->typeMetro(), 1);
    ASSERT_TRUE(window()->pieceCour());
    EXPECT_EQ(window()->pieceCour()->pieceDet->titre, QStringLiteral("02 Keyboard Shortcuts"));
    // The built-in layout counts as set 1 once loaded.
    EXPECT_EQ(Data::currentScreensetG(), 1);
    EXPECT_EQ(controller->lastNbScreens(), QGuiApplication::screens().size());
    EXPECT_FALSE(controller->screensetPending());

    controller->applicationWillTerminate();
    const QString prefix = Data::screenSetPrefix(1, QGuiApplication::screens().size());
    EXPECT_EQ(store().integerForKey(QStringLiteral("initialScreenSetNo")), 1);
    EXPECT_TRUE(store().boolForKey(prefix + QStringLiteral("Saved")));
    EXPECT_EQ(store().integerForKey(prefix + QStringLiteral("nbWin")), 1);
    EXPECT_FALSE(store().contains(QStringLiteral("DefaultSaved")));
}

TEST_F(ControllerScreenSets, LayoutSavedAtShutdownComesBackAtTheNextStart)
{
    start();
    WindowPDFxSuper *second = Data::newWindowPDFx(false, 0);
    ASSERT_TRUE(second);
    ASSERT_EQ(windows.size(), 2);
    const QRectF frame0(20, 30, 360, 500);
    const QRectF frame1(400, 60, 380, 420);
    screenframes::setFrame(window(), frame0);
    screenframes::setFrame(second, frame1);
    second->iniHideList(true);
    second->iniModeAffichage(2, false);
    second->iniTypeMetro(3);
    const QRectF stored0 = screenframes::frameOf(window());
    const QRectF stored1 = screenframes::frameOf(second);

    restart();
    const QList<WindowPDFxSuper *> list = openWindows();
    ASSERT_EQ(list.size(), 2);
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(Data::currentScreensetG(), 1);
    EXPECT_EQ(screenframes::frameOf(list.at(0)), stored0);
    EXPECT_EQ(screenframes::frameOf(list.at(1)), stored1);
    EXPECT_FALSE(list.at(0)->hideList());
    EXPECT_TRUE(list.at(1)->hideList());
    EXPECT_EQ(list.at(1)->modeAffichage(), 2);
    EXPECT_EQ(list.at(1)->typeMetro(), 3);
    for (WindowPDFxSuper *w : list) {
        EXPECT_EQ(w->winType(), 0);
        EXPECT_TRUE(w->isVisible());
        // The windows existed before the song loaded and show it.
        ASSERT_TRUE(w->pieceCour());
        EXPECT_EQ(w->pieceCour()->pieceDet->titre, QStringLiteral("02 Keyboard Shortcuts"));
    }
}

TEST_F(ControllerScreenSets, OnlyAuxiliaryWindowsAtShutdownSaveNoLayout)
{
    start();
    ASSERT_TRUE(Data::newWindowPDFx(false, 2));
    Data::closeWinQuietly(window());
    controller->applicationWillTerminate();
    const QString prefix = Data::screenSetPrefix(1, QGuiApplication::screens().size());
    EXPECT_FALSE(store().contains(prefix + QStringLiteral("nbWin")));
    EXPECT_EQ(store().integerForKey(QStringLiteral("initialScreenSetNo")), 1);
}

TEST_F(ControllerScreenSets, ClosedWindowLeavesTheListAndTellsTheController)
{
    start();
    int closed = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&closed](const platform::Notification &n) {
            if (n.param.toInt() == vocab::WindowClosed)
                ++closed;
        },
        &owner);
    WindowPDFxSuper *second = Data::newWindowPDFx(false, 0);
    ASSERT_TRUE(second);
    second->close();
    testsupport::processEvents();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(openWindows(), QList<WindowPDFxSuper *>{window()});
    // The remaining Tolvane window is the one commands go to.
    EXPECT_EQ(Data::obtenirKeywin(), window());
}

TEST_F(ControllerScreenSets, SwitchWaitsForFullScreenThenLoadsTheSet)
{
    manualClock();
    start();
    // A window that does not leave full screen by itself.
    window()->setFullScreen(true);
    controller->setScreensetX(2, true);
    EXPECT_TRUE(controller->screensetPending());
    // The set being left is saved at once.
    EXPECT_TRUE(store().boolForKey(Data::screenSetPrefix(1, QGuiApplication::screens().size()) + QStringLiteral("Saved")));
    // A second request while one waits is ignored.
    controller->setScreensetX(3, true);
    manualClock().advance(2.95);
    EXPECT_TRUE(controller->screensetPending());
    EXPECT_EQ(Data::currentScreensetG(), 1);
    manualClock().advance(0.2);
    EXPECT_FALSE(controller->screensetPending());
    EXPECT_FALSE(window()->fullScreen());
    // Set 2 was never stored: the built-in layout, in the same window.
    EXPECT_EQ(Data::currentScreensetG(), 2);
    EXPECT_EQ(openWindows(), QList<WindowPDFxSuper *>{window()});
    ASSERT_TRUE(window()->pieceCour());
}

TEST_F(ControllerScreenSets, NewScreenCountReloadsTheSetForIt)
{
    manualClock();
    start();
    ASSERT_TRUE(Data::newWindowPDFx(false, 0));
    // As if the set had been loaded while two screens were connected.
    ControllerTestAccess::setLastNbScreens(*controller, 2);
    controller->appChangeScreenParameters();
    manualClock().advance(0.9);
    EXPECT_EQ(openWindows().size(), 2);
    manualClock().advance(0.3);
    // Set 1 has no layout for one screen: the built-in one, in the first window.
    EXPECT_FALSE(controller->screensetPending());
    EXPECT_EQ(controller->lastNbScreens(), QGuiApplication::screens().size());
    EXPECT_EQ(openWindows(), QList<WindowPDFxSuper *>{window()});
}
