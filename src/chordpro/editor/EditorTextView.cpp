#include "chordpro/editor/EditorTextView.h"

#include "chordpro/ChordProEditing.h"
#include "chordpro/ChordProOptions.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTextBlock>

EditorTextView::EditorTextView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(false);
    // A child of the viewport, not a window of its own: it never takes the keys
    // from the text, which hands it the few that move in the list.
    popup_ = new QListWidget(viewport());
    popup_->setObjectName(QStringLiteral("completionList"));
    popup_->setFocusPolicy(Qt::NoFocus);
    popup_->hide();
    connect(popup_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { acceptCompletion(popup_->row(item)); });
}

void EditorTextView::insererStr(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

void EditorTextView::lancerAction(int code)
{
    platform::NotificationCenter::defaultCenter().post(vocab::ActionGen, QVariant(code));
}

// ---- Completion ------------------------------------------------------------

void EditorTextView::complete()
{
    hideCompletion();
    if (!completionSource_)
        return;
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return;
    const QString line = cursor.block().text();
    const int column = cursor.positionInBlock();
    int start = column;
    while (start > 0 && line.at(start - 1) != QLatin1Char(' ') && line.at(start - 1) != QLatin1Char('\t'))
        --start;
    const int location = cursor.block().position() + start;
    const QStringList entries = completionSource_(location, column - start);
    if (entries.isEmpty())
        return;
    partialStart_ = location;
    partialEnd_ = cursor.position();
    popup_->clear();
    popup_->addItems(entries);
    popup_->setCurrentRow(0);
    const QRect at = cursorRect(cursor);
    const int rows = std::min<int>(int(entries.size()), 10);
    const int height = rows * popup_->sizeHintForRow(0) + 2 * popup_->frameWidth();
    int width = popup_->sizeHintForColumn(0) + 2 * popup_->frameWidth() + popup_->verticalScrollBar()->sizeHint().width();
    width = std::min(width, std::max(80, viewport()->width() - at.left()));
    int top = at.bottom() + 2;
    if (top + height > viewport()->height() && at.top() - height > 0)
        top = at.top() - height;
    popup_->setGeometry(at.left(), top, width, height);
    popup_->show();
    popup_->raise();
}

bool EditorTextView::completionVisible() const { return popup_->isVisible(); }

QStringList EditorTextView::completionEntries() const
{
    QStringList out;
    if (!popup_->isVisible())
        return out;
    for (int i = 0; i < popup_->count(); ++i)
        out << popup_->item(i)->text();
    return out;
}

void EditorTextView::hideCompletion() { popup_->hide(); }

void EditorTextView::acceptCompletion(int row)
{
    if (!popup_->isVisible() || row < 0 || row >= popup_->count())
        return;
    const QString entry = popup_->item(row)->text();
    hideCompletion();
    ignorerTextHighlight_ = false;
    const int length = int(document()->characterCount()) - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(partialStart_, 0, length));
    cursor.setPosition(std::clamp(partialEnd_, 0, length), QTextCursor::KeepAnchor);
    if (cursor.selectedText() == entry)
        return;
    cursor.beginEditBlock();
    cursor.insertText(entry);
    cursor.endEditBlock();
    setTextCursor(cursor);
}

bool EditorTextView::completionKey(QKeyEvent *event)
{
    if (!popup_->isVisible())
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        popup_->setCurrentRow(std::clamp(popup_->currentRow() + step, 0, popup_->count() - 1));
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & Qt::ControlModifier)
            break;
        acceptCompletion(popup_->currentRow());
        return true;
    case Qt::Key_Escape:
        hideCompletion();
        return true;
    default:
        break;
    }
    hideCompletion();
    return false;
}

void EditorTextView::focusOutEvent(QFocusEvent *event)
{
    hideCompletion();
    QPlainTextEdit::focusOutEvent(event);
}

// ---- Keys -----------------------------------------------------------------------

bool EditorTextView::event(QEvent *event)
{
    // Tab and Shift-Tab insert "[" and "{" here, never move the focus.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void EditorTextView::keyPressEvent(QKeyEvent *event)
{
    ignorerTextHighlight_ = false;
    if (keyEquivalents_ && keyEquivalents_(event)) {
        hideCompletion();
        return;
    }
    if (completionKey(event))
        return;
    namespace kc = platform::keycode;
    const platform::KeyEvent key = platform::KeyEvent::fromQt(*event);

    if (key.option() && !key.shift() && !key.command()) {
        static const QHash<quint16, QString> chordKeys = {
            {kc::A, QStringLiteral("[A]")}, {kc::B, QStringLiteral("[B]")}, {kc::C, QStringLiteral("[C]")},
            {kc::D, QStringLiteral("[D]")}, {kc::E, QStringLiteral("[E]")}, {kc::F, QStringLiteral("[F]")},
            {kc::G, QStringLiteral("[G]")},
        };
        static const QHash<quint16, int> codeKeys = {
            {kc::H, 6}, {kc::M, 9}, {kc::N, 7}, {kc::R, 8}, {kc::T, 1}, {kc::S, 10},
        };
        if (chordKeys.contains(key.keyCode)) {
            insererStr(chordKeys.value(key.keyCode));
            return;
        }
        if (codeKeys.contains(key.keyCode)) {
            lancerAction(codeKeys.value(key.keyCode));
            return;
        }
    }
    if (key.command() && key.keyCode == kc::Equal) {
        lancerAction(key.shift() ? 3 : 5);
        return;
    }
    if (key.command() && key.keyCode == kc::Minus) {
        lancerAction(key.shift() ? 2 : 4);
        return;
    }
    if (key.keyCode == kc::Tab && !key.command()) {
        insererStr(key.shift() ? QStringLiteral("{") : QStringLiteral("["));
        return;
    }
    lancerAction(99);
    QPlainTextEdit::keyPressEvent(event);
}

// ---- Colouring -------------------------------------------------------------------

namespace {

enum BlockState { ChordOpen = 1, DirectiveOpen = 2 };

QTextCharFormat colourFormat(chordpro::editing::SpanKind kind)
{
    using chordpro::editing::SpanKind;
    QTextCharFormat format;
    switch (kind) {
    case SpanKind::Chord: format.setForeground(chordpro::namedColor(QStringLiteral("LyricsChordColor"))); break;
    case SpanKind::Directive: format.setForeground(chordpro::namedColor(QStringLiteral("ChordProPageNoColor"))); break;
    case SpanKind::Comment: format.setForeground(QColor(Qt::gray)); break;
    }
    return format;
}

} // namespace

EditorHighlighter::EditorHighlighter(QTextDocument *document, EditorTextView *view)
    : QSyntaxHighlighter(document)
    , view_(view)
{
}

bool EditorHighlighter::closesLater(QChar opener, QChar closer) const
{
    for (QTextBlock block = currentBlock().next(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (const QChar c : text) {
            if (c == closer)
                return true;
            if (c == opener)
                return false;
        }
    }
    return false;
}

void EditorHighlighter::refreshOpenSpans(const QTextBlock &block)
{
    QTextBlock first = block;
    while (first.isValid() && first.previous().isValid() && first.previous().userState() > 0)
        first = first.previous();
    for (QTextBlock b = first; b.isValid() && b != block; b = b.next())
        rehighlightBlock(b);
}

void EditorHighlighter::highlightBlock(const QString &text)
{
    using chordpro::editing::SpanKind;
    const int carried = std::max(0, previousBlockState());
    if (view_ && view_->ignorerTextHighlight()) {
        view_->setIgnorerTextHighlight(false);
        setCurrentBlockState(carried);
        return;
    }
    // A span carried in from an earlier line starts here (-2: started before).
    int chord = carried & ChordOpen ? -2 : -1;
    int directive = carried & DirectiveOpen ? -2 : -1;
    auto colour = [this](int start, int end, SpanKind kind) {
        const int from = std::max(0, start);
        setFormat(from, end - from + 1, colourFormat(kind));
    };
    const bool commentLine = currentBlock().blockNumber() > 0 && text.startsWith(QLatin1Char('#'));
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('[')) {
            chord = i;
        } else if (c == QLatin1Char(']') && chord != -1) {
            colour(chord, i, SpanKind::Chord);
            chord = -1;
        } else if (c == QLatin1Char('{')) {
            directive = i;
        } else if (c == QLatin1Char('}') && directive != -1) {
            colour(directive, i, SpanKind::Directive);
            directive = -1;
        }
    }
    // The line end closes a comment line; the text's last line has none.
    if (commentLine && currentBlock().next().isValid())
        colour(0, int(text.size()) - 1, SpanKind::Comment);
    if (chord != -1 && closesLater(QLatin1Char('['), QLatin1Char(']')))
        colour(chord, int(text.size()), SpanKind::Chord);
    if (directive != -1 && closesLater(QLatin1Char('{'), QLatin1Char('}')))
        colour(directive, int(text.size()), SpanKind::Directive);
    setCurrentBlockState((chord != -1 ? ChordOpen : 0) | (directive != -1 ? DirectiveOpen : 0));
}
