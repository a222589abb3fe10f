#include "platform/MainMenu.h"

#include <QAction>
#include <QActionEvent>
#include <QWidget>

MainMenu &MainMenu::instance()
{
    static MainMenu *menus = new MainMenu;
    return *menus;
}

MainMenu::MainMenu() = default;

QMenu *MainMenu::addMenu(const QString &title, const QObject *owner)
{
    auto *menu = new QMenu(title);
    menus_.append(menu);
    watchMenu(menu);
    rebuildContextMenu();
    // Its actions act on the owner: left behind, they would still be shared
    // with every window attached later.
    if (owner)
        connect(owner, &QObject::destroyed, this, [this, menu = QPointer<QMenu>(menu)]() {
            removeMenu(menu);
            delete menu.data();
        });
    return menu;
}

QMenu *MainMenu::menu(const QString &title) const
{
    for (const auto &menu : menus_)
        if (menu && menu->title() == title)
            return menu;
    return nullptr;
}

QList<QMenu *> MainMenu::menus() const
{
    QList<QMenu *> list;
    for (const auto &menu : menus_)
        if (menu)
            list.append(menu);
    return list;
}

void MainMenu::removeMenu(QMenu *menu)
{
    menus_.removeAll(menu);
    if (menu) {
        menu->removeEventFilter(this);
        for (QAction *action : menu->actions())
            unshareAction(action);
    }
    rebuildContextMenu();
}

QMenu *MainMenu::contextMenu()
{
    if (!context_)
        rebuildContextMenu();
    return context_;
}

void MainMenu::showMenuFor(QWidget *window)
{
    if (!window)
        return;
    const auto *button = window->findChild<QWidget *>(QStringLiteral("menuButton"));
    const QPoint at = button && button->isVisible() ? button->mapToGlobal(QPoint(0, button->height()))
                                                    : window->mapToGlobal(QPoint(8, 24));
    contextMenu()->popup(at);
}

void MainMenu::rebuildContextMenu()
{
    if (!context_)
        context_ = new QMenu;
    context_->clear();
    for (const auto &menu : menus_)
        if (menu)
            context_->addMenu(menu);
}

QList<QWidget *> MainMenu::windows()
{
    QList<QWidget *> list;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (*it) {
            list.append(*it);
            ++it;
        } else {
            it = windows_.erase(it);
        }
    }
    return list;
}

void MainMenu::watchMenu(QMenu *menu)
{
    if (!menu)
        return;
    // installEventFilter moves an already installed filter to the front, so
    // a menu met twice is still watched once.
    menu->installEventFilter(this);
    for (QAction *action : menu->actions())
        shareAction(action);
}

void MainMenu::shareAction(QAction *action)
{
    if (!action || action->isSeparator())
        return;
    if (QMenu *submenu = QMenu::menuInAction(action)) {
        watchMenu(submenu);
        return;
    }
    action->setShortcutContext(Qt::ApplicationShortcut);
    for (QWidget *window : windows())
        if (!action->associatedObjects().contains(window))
            window->addAction(action);
}

void MainMenu::unshareAction(QAction *action)
{
    if (!action)
        return;
    if (QMenu *submenu = QMenu::menuInAction(action)) {
        submenu->removeEventFilter(this);
        for (QAction *inner : submenu->actions())
            unshareAction(inner);
        return;
    }
    for (QWidget *window : windows())
        window->removeAction(action);
}

bool MainMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ActionAdded)
        shareAction(static_cast<QActionEvent *>(event)->action());
    else if (event->type() == QEvent::ActionRemoved)
        unshareAction(static_cast<QActionEvent *>(event)->action());
    return QObject::eventFilter(watched, event);
}

void MainMenu::attachTo(QWidget *window)
{
    if (!window || windows().contains(window))
        return;
    windows_.append(window);
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(window, &QWidget::customContextMenuRequested, window, [this, window](const QPoint &pos) {
        contextMenu()->popup(window->mapToGlobal(pos));
    });
    for (const auto &menu : menus_)
        if (menu)
            for (QAction *action : menu->actions())
                shareAction(action);
}
