#pragma once

#include "events/windows/NoteWindow.h"
#include "library/Pieces.h"
#include "midi/MidiRecords.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

class WinNoteF;

// The note's text view: says when it takes the focus and turns a dropped tag
// into a request to add it to the note's tags (it inserts no text itself).
class NoteTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
    // The tag of a drop, or nothing when the drop is not a tag of the list.
    static std::optional<QString> droppedTag(const QMimeData *data);

protected:
    void focusInEvent(QFocusEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
};

// The plain notes window: the current song's whole note as text, with the
// event script written by hand, buttons that insert MIDI instructions and
// timed markers, playback and recording buttons. Created once, floating;
// used while the formatted note mode is off.
class WinNote : public NoteWindow {
    Q_OBJECT
public:
    explicit WinNote(NoteWriter &writer, QWidget *parent = nullptr);
    ~WinNote() override;

    void setRefwNoteF(WinNoteF *formatted) { wNoteF_ = formatted; }
    void showWin();
    void editer();
    void setPDF(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn, qint64 currSort,
                const PiecesPtr &pieceNext);
    void refreshPieceData() override;
    void afficherZoomHaut();
    void afficherZoomBas();
    // Writes the text when it was edited; answers whether it wrote.
    bool saveNote(bool flag) override;
    void refreshLastMIDIdata();
    void refreshLastMIDIdataCC();
    void insererMidiFromLib(const MidiFavEventPtr &group);
    void insererMidiIntoNote(const QString &text);

    // Buttons: markers and playback (tags 1-5), keywords (1-6), last MIDI.
    void actionEV(int tag);
    void actionInsererMIDIn(int tag);
    void actionInsererMIDIa();
    void actionInsererMIDIb();

    bool readOnly() const { return noteReadOnly_; }
    NoteTextView *textView() const { return view(); }
    QPushButton *buttonEVa() const { return buttonEVa_; }
    QPushButton *buttonEVb() const { return buttonEVb_; }
    QPushButton *buttonEVc() const { return buttonEVc_; }
    QPushButton *buttonEVd() const { return buttonEVd_; }
    QPushButton *buttonMIDIa() const { return buttonMIDIa_; }
    QPushButton *buttonMIDIb() const { return buttonMIDIb_; }
    QPushButton *buttonMIDIc() const { return buttonMIDIc_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void refreshPageNo() override;
    void resignedKey() override;
    void refreshColorLastMIDIdata(bool grey);
    void insertText(const QString &text);
    // Saves an edit and has the formatted window read the note again.
    void handOver();
    void backToSong();
    // The text view, holding the song's note.
    NoteTextView *view() const;
    // The song's note into the shown view: a long one laid out on the shared pool.
    void showText();
    void takeDocument(QTextDocument *doc);

    NoteTextView *txViewNote_ = nullptr;
    bool noteReadOnly_ = false;
    bool textStale_ = false;
    bool fillAwaited_ = false;
    quint64 fillSerial_ = 0;
    QTextDocument *shownDoc_ = nullptr; // the view's, once it has had one
    QLabel *readOnlyNotice_ = nullptr;
    QPushButton *buttonCmdEnter_ = nullptr, *buttonEscape_ = nullptr;
    QPushButton *buttonMIDIa_ = nullptr, *buttonMIDIb_ = nullptr, *buttonMIDIc_ = nullptr, *buttonMIDId_ = nullptr,
                *buttonMIDIe_ = nullptr, *buttonTempo_ = nullptr;
    QPushButton *buttonEVa_ = nullptr, *buttonEVb_ = nullptr, *buttonEVc_ = nullptr, *buttonEVd_ = nullptr,
                *buttonEVe_ = nullptr, *buttonEVf_ = nullptr, *buttonFormatted_ = nullptr;
    WinNoteF *wNoteF_ = nullptr;
};
