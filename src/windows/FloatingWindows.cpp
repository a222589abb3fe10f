#include "windows/FloatingWindows.h"

#include "library/Data.h"
#include "platform/WindowStacking.h"
#include "windows/TitleRow.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace floatingwindows {
namespace {

// Tool and settings windows: a window of a parent widget is already tied to
// that parent's window.
bool isToolWindow(const QWidget *w)
{
    return w->isWindow() && !w->parentWidget() && (w->windowType() == Qt::Tool || w->windowType() == Qt::Dialog);
}

bool floats(const QWidget *w)
{
    if (const auto *doc = qobject_cast<const WindowPDFxSuper *>(w))
        return doc->alwaysOnTop() && !windowlist::isTolvaneWindow(doc);
    return isToolWindow(w);
}

QWindow *ownerOf(const QWidget *w)
{
    if (!floats(w))
        return nullptr;
    WindowPDFxSuper *owner = nullptr;
    if (const auto *doc = qobject_cast<const WindowPDFxSuper *>(w))
        owner = doc->refTolvaneWin();
    if (!owner)
        owner = Data::obtenirKeywin();
    return owner ? owner->windowHandle() : nullptr;
}

// Written again only when the owner changed.
void follow(QWidget *w)
{
    QWindow *handle = w->windowHandle();
    if (QWindow *owner = ownerOf(w); handle && handle->transientParent() != owner)
        platform::setTransientFor(handle, owner);
}

// Tool windows shown where nobody placed them, until the window manager has.
QList<QPointer<QWidget>> &unplaced()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}

// A tool window nobody gave a place goes where the window manager puts it,
// but not over the title row of the key Tolvane window: at the top left it
// hid the song's title and the notices that window itself causes.
void moveOffTitleRow(QWidget *w)
{
    const WindowPDFxSuper *owner = Data::obtenirKeywin();
    const TitleRow *row = owner ? owner->findChild<TitleRow *>() : nullptr;
    if (!row || !row->isVisible())
        return;
    const QRect rowOnScreen(row->mapToGlobal(QPoint(0, 0)), row->size());
    const QRect frame = w->frameGeometry();
    if (frame.intersects(rowOnScreen))
        w->move(frame.x(), rowOnScreen.bottom() + 1);
}

// A tool window just shown is in its place once it is on screen, or once it
// has moved where a window manager put it.
void placedBy(const QObject *watched, QEvent::Type type)
{
    QList<QPointer<QWidget>> &list = unplaced();
    list.removeIf([](const QPointer<QWidget> &w) { return !w || !w->isVisible(); });
    for (qsizetype i = 0; i < list.size(); ++i) {
        QWidget *w = list.at(i);
        const QWindow *handle = w->windowHandle();
        if (!handle || watched != (type == QEvent::Move ? static_cast<const QObject *>(w) : handle))
            continue;
        if ((type == QEvent::Move) != platform::placedByWindowManager(handle))
            return;
        list.removeAt(i); // moving it sends a move of its own
        moveOffTitleRow(w);
        return;
    }
}

class Watcher : public QObject {
public:
    explicit Watcher(QApplication *app) : QObject(app)
    {
        app->installEventFilter(this);
        // Queued: the key window is marked on the activation that follows.
        connect(app, &QGuiApplication::focusWindowChanged, this, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && floats(w))
                    follow(w);
        }, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::Expose || event->type() == QEvent::Move) && !unplaced().isEmpty())
            placedBy(watched, event->type());
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        // Tied before the window is mapped and again once it is: mapping may
        // clear the tie, and a flag change may have made the native window anew.
        if (w->isWindow() && floats(w)) {
            tie(w);
            QTimer::singleShot(0, w, [w] { tie(w); });
        }
        if (isToolWindow(w)) {
            if (w->windowType() == Qt::Tool) {
                if (!w->testAttribute(Qt::WA_Moved) && !unplaced().contains(w))
                    unplaced().append(w);
                platform::setFloating(w, QGuiApplication::applicationState() == Qt::ApplicationActive);
            }
            w->raise();
            if (!w->testAttribute(Qt::WA_ShowWithoutActivating))
                w->activateWindow();
        }
        return false;
    }
};

} // namespace

void install()
{
    static QPointer<Watcher> watcher;
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()); app && !watcher)
        watcher = new Watcher(app);
}

void tie(QWidget *window)
{
    if (QWindow *handle = window->windowHandle())
        platform::setTransientFor(handle, ownerOf(window));
}

void adjustLevels(bool active)
{
    for (WindowPDFxSuper *w : windowlist::openWindows()) {
        if (!w->alwaysOnTop())
            continue;
        platform::setFloating(w, active);
        if (!active && w->isVisible())
            w->raise();
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && isToolWindow(w) && w->windowType() == Qt::Tool)
            platform::setFloating(w, active);
}

} // namespace floatingwindows
