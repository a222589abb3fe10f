#include "events/windows/EventTextView.h"

#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

void EventTextView::focusInEvent(QFocusEvent *event)
{
    platform::NotificationCenter::defaultCenter().post(vocab::EventTextBecomeFirstResponder, QVariant(), this);
    QPlainTextEdit::focusInEvent(event);
}
