#include "windows/CompletionList.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>

CompletionList::CompletionList(QPlainTextEdit *view)
    : QObject(view)
    , view_(view)
    , list_(new QListWidget(view->viewport()))
{
    list_->setObjectName(QStringLiteral("completionList"));
    list_->setFocusPolicy(Qt::NoFocus);
    list_->hide();
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { accept(list_->row(item)); });
    // A list left open where the insertion point no longer is would replace the wrong text.
    connect(view, &QPlainTextEdit::cursorPositionChanged, this, [this]() {
        if (isVisible() && view_->textCursor().position() != end_)
            hide();
    });
    view->installEventFilter(this);
}

void CompletionList::offer(const QStringList &entries, int start)
{
    hide();
    if (entries.isEmpty())
        return;
    const QTextCursor cursor = view_->textCursor();
    start_ = start;
    end_ = cursor.position();
    list_->addItems(entries);
    list_->setCurrentRow(0);
    const QRect at = view_->cursorRect(cursor);
    QWidget *area = view_->viewport();
    const int rows = std::min<int>(int(entries.size()), 10);
    const int height = rows * list_->sizeHintForRow(0) + 2 * list_->frameWidth();
    int width = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width();
    width = std::min(width, std::max(80, area->width() - at.left()));
    int top = at.bottom() + 2;
    if (top + height > area->height() && at.top() - height > 0)
        top = at.top() - height;
    list_->setGeometry(at.left(), top, width, height);
    list_->show();
    list_->raise();
}

bool CompletionList::isVisible() const { return !list_->isHidden(); }

QStringList CompletionList::entries() const
{
    QStringList out;
    if (!isVisible())
        return out;
    for (int i = 0; i < list_->count(); ++i)
        out << list_->item(i)->text();
    return out;
}

void CompletionList::hide()
{
    list_->hide();
    list_->clear();
}

void CompletionList::accept(int row)
{
    if (!isVisible() || row < 0 || row >= list_->count())
        return;
    const QString entry = list_->item(row)->text();
    hide();
    const int length = view_->document()->characterCount() - 1;
    QTextCursor cursor = view_->textCursor();
    cursor.setPosition(std::clamp(start_, 0, length));
    cursor.setPosition(std::clamp(end_, 0, length), QTextCursor::KeepAnchor);
    if (cursor.selectedText() == entry)
        return;
    if (beforeInsert)
        beforeInsert();
    inserting_ = true;
    cursor.beginEditBlock();
    cursor.insertText(entry);
    cursor.endEditBlock();
    view_->setTextCursor(cursor);
    inserting_ = false;
}

bool CompletionList::key(int key, Qt::KeyboardModifiers modifiers)
{
    const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
        return false; // on the way to a typed character
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!plain)
            break;
        list_->setCurrentRow(std::clamp(list_->currentRow() + (key == Qt::Key_Up ? -1 : 1), 0, list_->count() - 1));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        // The first entry is the typed word itself: taking it is no pick.
        if (!plain || list_->currentRow() < 1)
            break;
        accept(list_->currentRow());
        return true;
    case Qt::Key_Escape:
        hide();
        return true;
    default:
        break;
    }
    hide();
    return false;
}

bool CompletionList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view_ && isVisible()) {
        if (event->type() == QEvent::KeyPress) {
            const auto *e = static_cast<QKeyEvent *>(event);
            if (key(e->key(), e->modifiers()))
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            hide();
        }
    }
    return QObject::eventFilter(watched, event);
}
