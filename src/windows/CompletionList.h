#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QListWidget;
class QPlainTextEdit;

// The completion list of a text view, shown under the insertion point inside
// the view. It never takes the keyboard: the view keeps the focus, and the
// keys that work the list are taken before the view sees them, however they
// arrive. ↑ and ↓ move in the list; Return, Enter or Tab take the entry
// picked; Escape closes it. A key typed on without a pick (Return for a line
// break included) closes the list and reaches the text. The first entry is
// what was typed, so it counts as no pick.
class CompletionList : public QObject {
    Q_OBJECT
public:
    explicit CompletionList(QPlainTextEdit *view);

    // Shows the entries for the text from start to the insertion point (an
    // empty list hides it); the first entry is highlighted.
    void offer(const QStringList &entries, int start);
    bool isVisible() const;
    QStringList entries() const;
    // Replaces the text from start to the insertion point with the entry; hides the list.
    void accept(int row);
    void hide();
    // True while an accepted entry goes into the text.
    bool inserting() const { return inserting_; }
    // Run just before an accepted entry goes in.
    std::function<void()> beforeInsert;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool key(int key, Qt::KeyboardModifiers modifiers);

    QPlainTextEdit *view_;
    QListWidget *list_;
    int start_ = 0;
    int end_ = 0;
    bool inserting_ = false;
};
