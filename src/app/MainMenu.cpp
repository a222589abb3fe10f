#include "app/MainMenu.h"

#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QWidget>

MainMenu &MainMenu::instance()
{
    static MainMenu *menus = new MainMenu;
    return *menus;
}

MainMenu::MainMenu() = default;

QMenu *MainMenu::addMenu(const QString &title)
{
    auto *menu = new QMenu(title);
    menus_.append(menu);
    rebuildContextMenu();
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
    rebuildContextMenu();
}

QMenu *MainMenu::contextMenu()
{
    if (!context_)
        rebuildContextMenu();
    return context_;
}

void MainMenu::rebuildContextMenu()
{
    if (!context_)
        context_ = new QMenu;
    context_->clear();
    for (const auto &menu : menus_)
        if (menu) {
            context_->addMenu(menu);
            // Shortcuts of the menus' actions work in every window.
            for (QAction *action : menu->actions())
                action->setShortcutContext(Qt::ApplicationShortcut);
        }
}

void MainMenu::attachTo(QWidget *window)
{
    if (!window)
        return;
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(window, &QWidget::customContextMenuRequested, window, [this, window](const QPoint &pos) {
        rebuildContextMenu();
        context_->popup(window->mapToGlobal(pos));
    });
    for (QAction *typing : typingActions())
        if (!window->actions().contains(typing))
            window->addAction(typing);
    // Application-wide shortcuts need the actions to live in some widget.
    for (const auto &menu : menus_)
        if (menu)
            for (QAction *action : menu->actions()) {
                action->setShortcutContext(Qt::ApplicationShortcut);
                if (!window->actions().contains(action))
                    window->addAction(action);
            }
}

const QList<QAction *> &MainMenu::typingActions()
{
    if (!typing_.isEmpty())
        return typing_;
    // Codes 0-25 are the letters a-z. Only plain letters: shifted ones, digits
    // (the key pad may play them as MIDI) and every modified key stay with the
    // window's own key map, and F never types (it belongs to the filter).
    for (int i = 0; i < 26; ++i) {
        if (Qt::Key_A + i == Qt::Key_F)
            continue;
        auto *action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::Key_A + i));
        action->setShortcutContext(Qt::WindowShortcut);
        const int code = vocab::TypedCharFirst + i;
        connect(action, &QAction::triggered, this,
                [code]() { platform::NotificationCenter::defaultCenter().postActionKey(code); });
        typing_.append(action);
    }
    return typing_;
}
