#pragma once

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QWidget;

// The program's menus. Document windows are frameless and show no menu bar,
// so every menu is reachable from any window's context menu, and each
// action's key equivalent works from any window of the program.
class MainMenu : public QObject {
    Q_OBJECT
public:
    static MainMenu &instance();

    // Appends a top-level menu (kept in the order added).
    QMenu *addMenu(const QString &title);
    QMenu *menu(const QString &title) const;
    QList<QMenu *> menus() const;
    void removeMenu(QMenu *menu);

    // Makes the menus reachable from a window: its context menu lists them
    // and their shortcuts work while it is active.
    void attachTo(QWidget *window);
    // The context menu shown by attached windows.
    QMenu *contextMenu();

private:
    MainMenu();
    void rebuildContextMenu();
    // Plain letters typed in a document window: type-ahead and the table of
    // contents' slots (the window's own key map passes them on).
    const QList<QAction *> &typingActions();

    QList<QPointer<QMenu>> menus_;
    QPointer<QMenu> context_;
    QWidget *holder_ = nullptr;
    QList<QAction *> typing_;
};
