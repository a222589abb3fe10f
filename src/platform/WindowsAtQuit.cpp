#include "platform/WindowsAtQuit.h"

#include "platform/Dialogs.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// The field that has the keys is left, as a click elsewhere leaves it: a cell
// editor is committed and closed by its delegate, a field says its editing
// finished. A window that lost the keys has had its field left already.
void leaveFocusedField(QWidget *window)
{
    if (QWidget *field = window->focusWidget(); field && field->hasFocus())
        field->clearFocus();
}

} // namespace

void closeWindowsForQuit(const std::function<bool(const QWidget *)> &stays)
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && !(window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip) &&
            !isQuestion(window) && !(stays && stays(window)))
            windows.append(window);
    // One window's close may close or delete another.
    for (const QPointer<QWidget> &window : windows) {
        if (!window || !window->isVisible())
            continue;
        leaveFocusedField(window);
        if (window)
            window->close();
    }
}

} // namespace platform
