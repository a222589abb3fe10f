#pragma once

#include "chordpro/ChordPro.h"
#include "chords/SongFileEdit.h"
#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class EditorHighlighter;
class EditorPreview;
class EditorTextView;
class Pieces;
class QLabel;
class QPushButton;
class QScrollArea;
class QSplitter;
class TransposeList;
namespace platform {
struct FileBytes;
}

// The ChordPro editor: the song's source beside a preview of every page,
// updated at each edit. Made once by the controller and run modally on a song
// entry, a file, or a new song from the template.
//
// Files: WinEdit.cpp (opening, layout and preview, editing), WinEditSaving.cpp
// (closing, saving and what a quit keeps).
class WinEdit : public QDialog {
    Q_OBJECT
public:
    explicit WinEdit(QWidget *parent = nullptr);
    ~WinEdit() override;

    // Opens the editor and runs it modally until it closes.
    void showWin(const std::shared_ptr<Pieces> &piece, const QString &fichier, bool nouveau);
    // Everything showWin does before the modal run (the tests drive it from
    // here): a song's text is read off the main thread, in the song's queue of
    // edits (songfile::SongFileEdits::read), and the window shows, then `shown`
    // runs, once it answers; a new song shows at once. The later call wins.
    void ouvrir(const std::shared_ptr<Pieces> &piece, const QString &fichier, bool nouveau,
                std::function<void()> shown = {});
    // A song's text is awaited.
    bool reading() const { return reads_.busy(); }
    // Saves when needed; false keeps the window open (and the text). A save
    // is written off the main thread, a song's in the one queue of that file's
    // edits (songfile::SongFileEdits): the window closes once it is, and
    // stays, having said why, when it cannot be.
    bool closeWin();
    // A save of this editor's is under way, the window open or not. While the
    // window waits for one the text stays editable, and what is typed
    // meanwhile is saved after it; Escape or the close box leaves the save
    // going (with what was typed) and the window closes at once.
    bool saving() const { return saves_.busy() || newSave_ != nullptr || writes_.busy(); }
    // At a quit: saves when needed, and keeps the text aside when it is not
    // saved where it belongs (a new song without a title among them). A new
    // song's save is waited for no longer than the quit has left
    // (platform::quitWaitLeftMs); a song's are kept with the rest of its queue.
    void settleOnQuit();

    // ---- Actions (toolbar and keys) ----
    void actionButtonAltCmdX(int tag);
    void actionButtonConvert();
    void actionButtonChorus();
    void actionButtonEmbed();
    void actionButtonHighlight();
    void actionButtonComment();
    void actionButtonClear();
    void actionButtonHelp();
    void actionButtonTranspose();
    void actionButtonAltUp();
    void actionButtonAltDown();
    void actionButtonAltLeft();
    void actionButtonAltRight();
    void actionButtonCmdMinus(int tag);
    void actionButtonCmdEqual(int tag);
    void actionButtonFitXpages();
    void actionButtonEscape();
    void actionButtonCmdEnter();
    void actionGenReceived(qint64 code);
    void actionTransposeReceived(qint64 param);

    void insererStr(const QString &text);
    // Replaces the whole text as one undoable step and lays it out again.
    void useNewString(const QString &text);
    bool augmenterReduireFontsize(double step);
    void doTranspose(int semitones, int prefBemolDiese);
    void convertirTab();
    void majWindowTitle(int pages);
    // Saves a new song under its title's name in the library folder; false
    // (having said why) when the title gives no name.
    bool sauvegarderNouveauFichier();
    QStringList completeNote(int location, int length);
    void AfficherHelp(int page);
    // How the editor's help page is shown (modally); handed in at start-up.
    static void setHelpShower(std::function<void(int page)> shower);

    // ---- Accessors ----
    EditorTextView *txViewEdit() const { return txViewEdit_; }
    EditorPreview *txView() const { return txView_; }
    QScrollArea *previewScroll() const { return previewScroll_; }
    QLabel *labelNbPages() const { return labelNbPages_; }
    // Says, above the text, that the save the window waits for waits on the folder.
    QLabel *labelSaving() const { return labelSaving_; }
    ChordPro &chordProDocument() { return chordProDocument_; }
    const std::shared_ptr<Pieces> &pieceCour() const { return pieceCour_; }
    const QString &fichierCour() const { return fichierCour_; }
    bool modifiee() const { return modifiee_; }
    TransposeList *transposeList() const;
    QPushButton *button(const QString &objectName) const;

public Q_SLOTS:
    void reject() override;

Q_SIGNALS:
    // The library folder has kept the song's text, or a save, unanswered
    // half a second; answered: it has answered since (`why` as said before),
    // the window open or not.
    void noAnswer(const QString &why);
    void answered(const QString &why);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void textDidChange();
    // Lays the text out (all pages), reads title, subtitle and key, and
    // refreshes the title, page label and preview; answers the output range
    // of the source line holding curPos.
    chordpro::SourceRange miseEnPage(const QString &text, int curPos);
    void renderPreview();
    // Marks and scrolls to the lines of the edited source line.
    void followInPreview();
    void markup(int kind);
    bool isNewSong() const { return !pieceCour_ && fichierCour_.isEmpty(); }
    void windowWillClose();
    // Shows the text read (or the template); false, having said why, for a
    // file that is there but cannot be edited as text.
    bool montrer(const std::shared_ptr<Pieces> &piece, const QString &path, bool nouveau,
                 const platform::FileBytes *file);
    QString shownPath() const;
    // Puts back what the file holds when a save was not written.
    void keptOnDisk(bool written, const QString &known, const QString &asked);
    // Writes the text to `path`, or for a new song (no path) to a free name
    // made of `newName` in the library folder; the window waits for it.
    void startSave(const QString &path, const QString &newName);
    // A save has been written to `written` (empty: it was not). `id` is the
    // one the window may wait for; `entry`: made from a song of the list.
    void saveAnswered(quint64 id, const QString &written, bool isNew, bool entry);
    struct Save;
    // Keeps a new song's failed save aside, then says `failure` and where it is kept.
    void keepFailedSave(const std::shared_ptr<Save> &save, const QString &failure);
    // The window leaves the save it waits for going, with what was typed since.
    void leaveSaving();
    // Says to the title rows that a save waits ("": none does any more), and
    // on the window while it waits for it.
    void saySaveWaits(const QString &notice);
    void showSaveWaits();

    ChordPro chordProDocument_;
    EditorTextView *txViewEdit_ = nullptr;
    EditorHighlighter *highlighter_ = nullptr;
    EditorPreview *txView_ = nullptr;
    QScrollArea *previewScroll_ = nullptr;
    QSplitter *splitter_ = nullptr;
    QLabel *labelNbPages_ = nullptr;
    QLabel *labelSaving_ = nullptr;
    QPointer<TransposeList> TransposeListController_;
    std::shared_ptr<Pieces> pieceCour_;
    QString fichierCour_;
    bool modifiee_ = false;
    bool initOk_ = false;
    bool detached_ = false;     // the text is being replaced: edits are not the user's
    bool closing_ = false;      // the close was decided: the close box asks nothing
    QString lastText_;          // the text of the last layout
    int previewPageNo_ = 0;     // page and lines followed in the preview
    QStringList previewLines_;
    quint64 readsAsked_ = 0;
    QString awaited_;           // what was said while the text was awaited
    platform::Timer readLate_;
    songfile::SongFileEdits reads_{this}; // says nothing itself: readLate_ does
    songfile::SongFileEdits saves_{this};
    std::shared_ptr<Save> newSave_; // shared with the thread that writes it
    quint64 savesAsked_ = 0;
    quint64 closingOn_ = 0;      // the save the open window closes on (0: none)
    QString queuedText_;         // what that save writes
    QString onDisk_;             // the song as last read or asked written: a save keeps another program's change aside
    QString saveName_;           // the file (or new song) being saved
    QString saveSaid_;           // what was said while a save waited
    platform::Timer saveLate_;
    platform::FileWork writes_;
};
