#include "ControllerTestSupport.h"

#include "platform/MainMenu.h"
#include "settings/DataPref5.h"
#include "settings/DataPref6.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QTimer>

using namespace controllertest;

class ControllerSettingsWindows : public ControllerFixture {};

TEST_F(ControllerSettingsWindows, TheWindowMenuOpensTheInspectorWhichFollowsTheWindows)
{
    QTemporaryDir songs;
    startWithSongs(songs, 3);
    QApplication::setActiveWindow(window());
    QMenu *menu = MainMenu::instance().menu(QStringLiteral("Window"));
    ASSERT_TRUE(menu);
    QAction *item = nullptr;
    for (QAction *a : menu->actions())
        if (a->text().startsWith(QStringLiteral("Window Inspector")))
            item = a;
    ASSERT_TRUE(item);
    item->trigger();
    DataPref5 *inspector = controller->inspector();
    ASSERT_TRUE(inspector);
    EXPECT_TRUE(inspector->isVisible());
    EXPECT_EQ(inspector->currentWin(), window());

    // A second window, then the first one closes: the inspector moves on.
    WindowPDFxSuper *second = Data::newWindowPDFx(false, 3);
    ASSERT_TRUE(second);
    QApplication::setActiveWindow(second);
    postKey(vocab::WindowBecameMain);
    EXPECT_EQ(inspector->currentWin(), second);
    EXPECT_EQ(inspector->combo1()->count(), 2);
    Data::winClose(window());
    EXPECT_EQ(inspector->combo1()->count(), 1);
    EXPECT_EQ(inspector->currentWin(), second);
    inspector->close();
}

TEST_F(ControllerSettingsWindows, WithTheInspectorKeyItsTolvaneWindowBecomesKey)
{
    QTemporaryDir songs;
    startWithSongs(songs, 2);
    QApplication::setActiveWindow(window());
    controller->actionMenuItemWinInspector();
    QApplication::setActiveWindow(controller->inspector());
    dialogs.clear();
    EXPECT_TRUE(controller->selectTolvaneWin());
    EXPECT_EQ(Data::getKeyWin(), window());
    EXPECT_TRUE(dialogs.records().isEmpty());
    controller->inspector()->close();
}

TEST_F(ControllerSettingsWindows, EditCurrentTabOpensTheEditorOnThatTab)
{
    QTemporaryDir songs;
    startWithSongs(songs, 3);
    Data::setOnglNoG(0);
    postKey(vocab::EditCurrentTab); // tab 0 is never edited
    Data::setOnglNoG(2);
    Data::tabs()[2]->tabName = QStringLiteral("Encore");
    QString shown;
    // The modal run ends as soon as it has started.
    QTimer::singleShot(0, controller.get(), [&]() {
        DataPref6 *editor = controller->setlistEditor();
        shown = editor->isVisible() ? editor->windowTitle() : QString();
        editor->actionCancel();
    });
    postKey(vocab::EditCurrentTab);
    EXPECT_EQ(shown, QStringLiteral("Tab: Encore"));
    EXPECT_FALSE(controller->setlistEditor()->isVisible());
    EXPECT_TRUE(dialogs.records().isEmpty());
}
