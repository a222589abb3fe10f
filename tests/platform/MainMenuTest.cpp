#include "app/Application.h"
#include "platform/MainMenu.h"

#include <QAction>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// What makes a menu-only action's key equivalent fire in every window.
bool worksFromWindow(QAction *action, QWidget *window)
{
    return action->shortcutContext() == Qt::ApplicationShortcut && action->associatedObjects().contains(window);
}

} // namespace

// Before, only the actions a menu already held when a window opened got a
// shortcut there: actions added later, or inside a submenu, had none at all.
TEST(MainMenu, KeyEquivalentsWorkFromEveryWindowWhateverTheOrder)
{
    QWidget early;
    MainMenu::instance().attachTo(&early);
    QMenu *menu = MainMenu::instance().addMenu(QStringLiteral("Marks"));
    QAction *flag = menu->addAction(QStringLiteral("Flag"));
    flag->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    QMenu *recall = menu->addMenu(QStringLiteral("Recall Flags"));
    QAction *recalled = recall->addAction(QStringLiteral("1"));
    QWidget late;
    MainMenu::instance().attachTo(&late);

    for (QWidget *window : {&early, &late}) {
        EXPECT_TRUE(worksFromWindow(flag, window));
        EXPECT_TRUE(worksFromWindow(recalled, window));
        EXPECT_EQ(window->contextMenuPolicy(), Qt::CustomContextMenu);
    }
    EXPECT_TRUE(MainMenu::instance().contextMenu()->actions().contains(menu->menuAction()));

    // A rebuilt menu takes its old items away from the windows too.
    recall->clear();
    EXPECT_FALSE(late.actions().contains(recalled));
    menu->removeAction(flag);
    EXPECT_FALSE(early.actions().contains(flag));
    MainMenu::instance().removeMenu(menu);
    EXPECT_FALSE(MainMenu::instance().contextMenu()->actions().contains(menu->menuAction()));
    delete menu;  // takes its actions with it
}

// Before, a controller's menus stayed after it was gone: every window
// attached later took their actions too, and their key equivalents clashed
// with those of the next controller's menus.
TEST(MainMenu, AMenuGoesWithItsOwner)
{
    QWidget window;
    MainMenu::instance().attachTo(&window);
    auto owner = std::make_unique<QObject>();
    const QPointer<QMenu> menu = MainMenu::instance().addMenu(QStringLiteral("Owned"), owner.get());
    QAction *item = menu->addAction(QStringLiteral("Item"));
    ASSERT_TRUE(worksFromWindow(item, &window));

    owner.reset();
    EXPECT_TRUE(menu.isNull());
    EXPECT_EQ(MainMenu::instance().menu(QStringLiteral("Owned")), nullptr);
    EXPECT_TRUE(window.actions().isEmpty());
    QWidget later;
    MainMenu::instance().attachTo(&later);
    EXPECT_TRUE(later.actions().isEmpty());
}

TEST(Platform, X11IsAskedForOnlyWhereBothDisplaysAreOfferedAndNoneWasChosen)
{
    struct Row {
        bool chosen, wayland, x11;
        const char *plugin;
    };
    const Row rows[] = {
        {false, true, true, "xcb"}, {true, true, true, ""}, {false, true, false, ""},
        {false, false, true, ""},   {false, false, false, ""},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.chosen << r.wayland << r.x11);
        EXPECT_EQ(Application::platformToRequest(r.chosen, r.wayland, r.x11), QByteArray(r.plugin));
    }
}
