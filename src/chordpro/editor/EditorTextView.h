#pragma once

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <functional>

class CompletionList;

// The ChordPro editor's source view: keys that insert chords and markup or
// post the editor's action codes ("ActionGen"), and a completion list after
// "[" and "{".
class EditorTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit EditorTextView(QWidget *parent = nullptr);

    // Set while the completion list is offered: the next colouring pass is skipped.
    bool ignorerTextHighlight() const { return ignorerTextHighlight_; }
    void setIgnorerTextHighlight(bool on) { ignorerTextHighlight_ = on; }

    // Inserts at the selection as one undoable step; the clipboard is left alone.
    void insererStr(const QString &text);
    // Posts "ActionGen" with the code.
    void lancerAction(int code);

    // Offers completions for the partial word before the cursor (from the last
    // blank or the line start), asking the source with its range.
    using CompletionSource = std::function<QStringList(int location, int length)>;
    void setCompletionSource(CompletionSource source) { completionSource_ = std::move(source); }
    // The window's key equivalents, offered each key before the text sees it;
    // true when the window took it.
    void setKeyEquivalents(std::function<bool(QKeyEvent *)> handler) { keyEquivalents_ = std::move(handler); }
    void complete();
    bool completionVisible() const;
    QStringList completionEntries() const;
    // Replaces the partial word with entry row; hides the list.
    void acceptCompletion(int row);
    void hideCompletion();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool ignorerTextHighlight_ = false;
    CompletionSource completionSource_;
    std::function<bool(QKeyEvent *)> keyEquivalents_;
    CompletionList *completion_ = nullptr;
};

// Colours the source as one scan over the text would (see
// chordpro::editing::colourSpans): a block's state carries an open "[" or "{"
// to the next line, and an opener left open at a line's end is coloured when
// a later line closes it.
class EditorHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    EditorHighlighter(QTextDocument *document, EditorTextView *view);

    // Recolours from the first line of a span still open at block back to it,
    // after an edit there may have closed or reopened it.
    void refreshOpenSpans(const QTextBlock &block);
    // True while refreshOpenSpans recolours: the document reports a change of
    // its text then, which is no edit.
    bool refreshing() const { return refreshing_; }

protected:
    void highlightBlock(const QString &text) override;

private:
    bool closesLater(QChar opener, QChar closer) const;

    EditorTextView *view_;
    bool refreshing_ = false;
};
