#pragma once

#include "events/windows/SongFollow.h"

#include <QWidget>

class CompletionList;
class NoteWriter;
class QPlainTextEdit;

// What the plain and the formatted notes windows share: the song they
// follow, the edit flag, the tag list they may have opened, the key-window
// notices, closing, and the note completion of a text view.
class NoteWindow : public QWidget {
    Q_OBJECT
public:
    // Rebuilds or takes the text and writes it when something was edited;
    // answers whether the note was written.
    virtual bool saveNote(bool flag) = 0;
    virtual void refreshPieceData() = 0;

    void closeWin() { close(); }
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer);
    void fermerTags();
    bool noteModifiee() const { return noteModifiee_; }
    PiecesPtr pieceCour() const { return song_.piece; }

protected:
    // Every save goes through the writer: the main thread never writes a note.
    NoteWindow(NoteWriter &writer, QWidget *parent);

    // A push: an edit in progress is saved to its own song first. True when
    // the song changed.
    bool followSong(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn);
    virtual void refreshPageNo() = 0;
    // Leaving the window: what it saves and reloads.
    virtual void resignedKey() = 0;
    void openTags();
    void postCode(int code) const;
    // Offers note completions at the view's insertion point on every change;
    // the list is worked from the keyboard (CompletionList).
    void setUpCompletion(QPlainTextEdit *view);
    void offerCompletion();

    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // Has the writer write the record's note; a failure is told on the title row once known.
    void writeRecord(const PiecesPtr &piece);

    SongFollow song_;
    NoteWriter &writer_;
    bool noteModifiee_ = false;
    bool isCompleting_ = false;
    bool filling_ = false;

private:
    bool fermertag_ = false;
    QPlainTextEdit *completionView_ = nullptr;
    CompletionList *completion_ = nullptr;
};
