#pragma once

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QWidget;

// The program's menus. Document windows are frameless and show no menu bar,
// so every menu is reachable from any window's context menu, and each
// action's key equivalent works from any window of the program, including
// actions added to a menu or a submenu after the windows opened.
class MainMenu : public QObject {
    Q_OBJECT
public:
    static MainMenu &instance();

    // Appends a top-level menu (kept in the order added). With an owner, it is
    // removed and deleted when the owner is destroyed.
    QMenu *addMenu(const QString &title, const QObject *owner = nullptr);
    QMenu *menu(const QString &title) const;
    QList<QMenu *> menus() const;
    void removeMenu(QMenu *menu);

    // Makes the menus reachable from a window: its context menu lists them
    // and their shortcuts work while any attached window is shown.
    void attachTo(QWidget *window);
    // The context menu shown by attached windows.
    QMenu *contextMenu();
    // Opens that menu from a window's menu button ("☰") or F10: below the
    // button when the window has one, else at the window's top-left corner.
    void showMenuFor(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainMenu();
    void rebuildContextMenu();
    void watchMenu(QMenu *menu);
    // Shortcuts of actions that live only in menus fire when some visible
    // widget holds the action: every attached window holds every action.
    void shareAction(QAction *action);
    void unshareAction(QAction *action);
    QList<QWidget *> windows();

    QList<QPointer<QMenu>> menus_;
    QPointer<QMenu> context_;
    QList<QPointer<QWidget>> windows_;
};
