#pragma once

#include "events/NoteForm.h"
#include "events/windows/NoteWindow.h"
#include "library/Pieces.h"
#include "midi/MidiRecords.h"
#include "library/SongEv.h"

#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <array>

class QCompleter;
class QMimeData;
class CueTable;

// The formatted notes window: the current song's note as fields (master
// line, title, artist, tempo and signature, key, last-played dates, tags,
// comments) over a cue table of the song's events. Every edit rebuilds the
// note from the fields and the cues and saves it; lines no field shows are
// kept as they were. Created once, floating; the controller pushes every
// song, page, zoom and track position to it. Spread over WinNoteF.cpp
// (fields, saving, keys) and WinNoteFCues.cpp (cue table, inserts, recording).
class WinNoteF : public NoteWindow {
    Q_OBJECT
public:
    explicit WinNoteF(NoteWriter &writer, QWidget *parent = nullptr);
    ~WinNoteF() override;

    // ---- Driven by the controller (WinNoteF.cpp) ------------------------------
    void showWin();
    void editer();
    void setPDF(const PiecesPtr &piece, qint64 pageNo, bool zoomTop, bool zoomOn, qint64 currSort,
                const PiecesPtr &pieceNext);
    void afficherZoomHaut();
    void afficherZoomBas();
    void refreshPieceData() override;
    // After the plain window: the fields again, and a save only when it had
    // changed the note.
    void refreshPieceDataEtForcerSave(bool plainChanged);
    // Rebuilds the note from the fields and saves it when something was
    // edited; answers whether the note was written.
    bool saveNote(bool flag) override;
    void addNoteString(const QString &text);
    void addTagString(const QString &tag);
    // Writes the screen set's played date, a write the performer did not ask
    // for: answers why it could not be written ("" when it was or needed not
    // be), and never opens a dialog. Through the note writer the answer comes
    // later, to toldLater.
    QString updateLastPlayedDate(const QString &date, std::function<void(const QString &failure)> toldLater = {});
    void refreshTempoTap();
    void insererMidiFromLib(const MidiFavEventPtr &group);

    // ---- Cue table (WinNoteFCues.cpp) ---------------------------------------
    void refreshSongEv();
    void refreshPageNo() override;
    void refreshLastMIDIdata();
    void refreshLastMIDIdataCC();
    void refreshColorLastMIDIdata(bool grey);
    bool beginRecording();
    // Kinds 0-5 of the add, record, marker, group and play cues.
    void ajouterSongEv(int kind, const QString &str);
    // A drop at row r, between rows (above) or on a row; false when refused.
    bool acceptDrop(const QMimeData *data, qint64 r, bool onRow);

    void actionButtonAjouter();
    void actionButtonSupprimer();
    void actionButtonDupliquer();
    void actionButtonSetTime();
    void actionButtonSendSongEv();
    void actionPlayPause();
    void actionRec();
    void actionInsererMIDIa();
    void actionInsererMIDIb();
    void actionTempoTap();
    void actionTempoKeep();

    // ---- State read by the controller and tests --------------------------------
    // The fields show the current song's note, read now if the window was hidden.
    bool readOnly() const { return readOnly_; }
    qint64 selectedRow() const;
    void selectRow(qint64 row);
    // The cue table, holding the song's cues as they are now.
    QTableView *table() const;
    QLineEdit *masterNoteField() const { syncFields(); return masterNote_; }
    QLineEdit *titleField() const { syncFields(); return title_; }
    QLineEdit *artistField() const { syncFields(); return artist_; }
    QLineEdit *tempoField() const { syncFields(); return tempo_; }
    QComboBox *signatureCombo() const { syncFields(); return comboSignature_; }
    QLineEdit *keyField() const { syncFields(); return cle_; }
    QLineEdit *dateField(int screenSet) const;
    QLineEdit *tagsField() const { syncFields(); return tags_; }
    QPlainTextEdit *commentsView() const { syncFields(); return comments_; }
    QPushButton *buttonSetTime() const { return buttonSetTime_; }
    QPushButton *buttonPlay() const { return buttonEVc_; }
    QPushButton *buttonMIDIa() const { return buttonMIDIa_; }
    QPushButton *buttonMIDIb() const { return buttonMIDIb_; }
    QPushButton *buttonTempoTap() const { return buttonTempoTap_; }
    QLabel *readOnlyNotice() const { return readOnlyNotice_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resignedKey() override;

private:
    // The window's own keys (Space, arrows, comma, grave): true when one was taken.
    bool windowKey(const QKeyEvent &event);
    // saveNote, telling a failure in *failure instead of a dialog when given.
    bool writeNote(bool flag, QString *failure);
    // WinNoteF.cpp
    void buildFields(QWidget *form);
    noteform::Fields fieldsNow() const;
    void setTitleLike(QLineEdit *field, const QString &value, const QString &songValue);
    void fieldEdited(QLineEdit *field);
    void tagsCompletion();
    void setReadOnly(bool on);
    // WinNoteFCues.cpp
    void buildCues(QWidget *pane);
    // The cue table stops telling this window of its edits and drops.
    void detachCueRows();
    // A row edited in the table is written into its event.
    void cueRowEdited(qint64 row, bool timeEnded);
    // A hidden window takes the song's cues only when it shows or a row is asked for.
    void syncTable() const;
    // The same for the note's fields.
    void syncFields() const;
    void fillFields();
    // The events list holds this window's song: loaded from its note if not.
    void ensureOwnEvents();
    // The selected row's event; without one the user is told and nullptr answers.
    SongEvPtr selectedEvent();
    void reloadTable(const SongEvPtr &keepSelected);
    void showRow(qint64 row);
    void rowsChanged();
    void addedCue(const SongEvPtr &ev);
    void pageCueWhileRecording();
    void insertLearned(const QString &text);

    bool delEnCours_ = false;
    bool readOnly_ = false;

    QLineEdit *masterNote_ = nullptr;
    QLineEdit *title_ = nullptr;
    QLineEdit *artist_ = nullptr;
    QLineEdit *tempo_ = nullptr;
    QComboBox *comboSignature_ = nullptr;
    QLineEdit *cle_ = nullptr;
    std::array<QLineEdit *, 9> lastPlayedDate_{};
    QLineEdit *tags_ = nullptr;
    QPlainTextEdit *comments_ = nullptr;
    QComboBox *comboAuto_ = nullptr;
    QPushButton *buttonTempoTap_ = nullptr;
    QPushButton *buttonTempoKeep_ = nullptr;
    QPushButton *buttonTextMode_ = nullptr;
    QPushButton *buttonCmdEnter_ = nullptr;
    QPushButton *buttonEscape_ = nullptr;
    QLabel *readOnlyNotice_ = nullptr;
    QCompleter *tagsCompleter_ = nullptr;

    CueTable *mTable_ = nullptr;
    QPushButton *buttonAjouter_ = nullptr;
    QPushButton *buttonSupprimer_ = nullptr;
    QPushButton *buttonDupliquer_ = nullptr;
    QPushButton *buttonSetTime_ = nullptr;
    QPushButton *buttonSend_ = nullptr;
    QPushButton *buttonEVc_ = nullptr;
    QPushButton *buttonEVe_ = nullptr;
    QPushButton *buttonEVf_ = nullptr;
    QPushButton *buttonMIDIa_ = nullptr;
    QPushButton *buttonMIDIb_ = nullptr;
    mutable bool tableStale_ = false;
    mutable bool fieldsStale_ = false;
};
