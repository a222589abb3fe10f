#pragma once

#include <QPlainTextEdit>

// The text view of an event cell: says when it takes the focus, so the
// window that shows it knows which row is being edited.
class EventTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

    qint32 row() const { return row_; }
    void setRow(qint32 row) { row_ = row; }

protected:
    // Posts "EventTextBecomeFirstResponder" with the view as object.
    void focusInEvent(QFocusEvent *event) override;

private:
    qint32 row_ = 0;
};
