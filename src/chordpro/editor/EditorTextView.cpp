#include "chordpro/editor/EditorTextView.h"

#include "chordpro/ChordProEditing.h"
#include "chordpro/ChordProOptions.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/CompletionList.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTextBlock>

EditorTextView::EditorTextView(QWidget *parent)
    : QPlainTextEdit(parent)
    , completion_(new CompletionList(this))
{
    setTabChangesFocus(false);
    // The entry goes in coloured.
    completion_->beforeInsert = [this]() { ignorerTextHighlight_ = false; };
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
    completion_->hide();
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
    completion_->offer(completionSource_(location, column - start), location);
}

bool EditorTextView::completionVisible() const { return completion_->isVisible(); }

QStringList EditorTextView::completionEntries() const { return completion_->entries(); }

void EditorTextView::hideCompletion() { completion_->hide(); }

void EditorTextView::acceptCompletion(int row) { completion_->accept(row); }

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
    const QScopedValueRollback guard(refreshing_, true);
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
