#pragma once

#include "chords/ChordFileImport.h"
#include "chords/ChordLibraryRules.h"
#include "chords/ChordSpecs.h"
#include "chords/SongFileEdit.h"
#include "chords/windows/ViewChordsEdit.h"
#include "chords/windows/ViewChordsSuper.h"
#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class ChordLibraryModel;
class ChordPro;
class PopupJauge;
class QComboBox;
class QFrame;
class QLabel;
class QMimeData;
class QPushButton;
class QTableView;
class WindowPDFxSuper;

// The chord library of one instrument (0 guitar, 1 ukulele) beside the
// chord definitions of the song in a chosen Tolvane window: browse, locate,
// reorder, add, delete and edit shapes; import, export and restore the
// library; write definitions into the song file.
//
// Files: ChordLibrary.cpp (window, tables, locating), ChordLibraryCommands.cpp
// (drags, adding, deleting, the command buttons), ChordLibraryFiles.cpp (chord
// files, defaults, song definitions), ChordLibraryEditor.cpp (the shape editor
// and creation mode); ChordLibraryModel.h the tables' cells.
class ChordLibrary : public QWidget, public ViewChordsSuperDelegate, public ViewChordsEditDelegate {
    Q_OBJECT
public:
    enum Table { LibraryTable = 0, SongTable = 1 };

    explicit ChordLibrary(QWidget *parent = nullptr);
    ~ChordLibrary() override;

    // ---- Reached from the controller ---------------------------------------------------
    void setInstrument(qint64 instrument);
    qint64 instrument() const { return instrument_; }
    void showChordLib(WindowPDFxSuper *window);
    void chordLibLocateChord(const QString &name, const MChord &chord, WindowPDFxSuper *window);
    // Reads the bound song off the main thread (the later call wins); its table,
    // then `then`, follow once it answers.
    void refreshTable2(std::function<void()> then = {});
    void remplirCombo1(WindowPDFxSuper *window);
    // At quitting: a shown window closes (its question runs); a hidden one
    // with unsaved changes asks the same question.
    void settleOnQuit();
    // A settings file read late: the stored library replaces the built-in one
    // shown until then, unsaved changes to that one included.
    void takeStoredLibrary();

    // ---- Commands -------------------------------------------------------------------------
    // Command buttons by tag (2 remove from song ... 9 save).
    void actionTest(int tag);
    // Locate buttons by tag 0-16; ctrl adds "m", else shift "7".
    void actionLocateChord(int tag, Qt::KeyboardModifiers modifiers);
    void saveChordLibrary();
    void deleteChordFromLibrary();
    void addNewChordToLibrary(const ChordSpecs &record);

    // ---- Tables ---------------------------------------------------------------------------
    // A row chosen by the user (click or keys); false when refused.
    bool tableViewShouldSelectRow(Table table, int row);
    void doClick(Table table);
    int selectedRow(Table table) const;
    bool posiChordWithName(const QString &name, Table table, bool refresh, bool matchShape, const MChord &shape);
    void refreshChordDetailsUsingRow(int row, Table table);
    // Drags: the data of a dragged row, whether a drop may go there (onRow:
    // onto a row rather than between rows), and the drop.
    QMimeData *mimeForRow(Table table, int row);
    bool validateDrop(Table table, const QMimeData *data, int row, bool onRow) const;
    bool acceptDrop(Table table, const QMimeData *data, int row);
    QString chordLibraryDataType() const;
    QString chordDefinesDataType() const;
    bool dropsAccepted() const { return dragOn_; }

    // ---- Chord files and song definitions (ChordLibraryFiles.cpp) ------------------------
    void importChords();
    void exportChords();
    // Reads and checks the file, then merges it, on a worker: the window and
    // the keys stay live, and the tables change once, at the end.
    void importChordsfromFile(const QString &path);
    // From the start of an import until its chords are in the library or it is refused.
    bool importRunning() const { return importRun_ != 0; }
    // Shown when an import takes longer than half a second.
    PopupJauge *importProgress() const;
    void exportChordstoDir(const QString &folder);
    void restoreDefault();
    void replaceChordinDefinedChordsFromRow(int row, bool remove, Table source);
    void replaceChordinDefinedChordsFromChordSpec(const ChordSpecs &record, bool remove, const QString &newName);
    void insertChordinDefinedChordsFromRow(int row);

    // ---- Shape editor (ChordLibraryEditor.cpp) ------------------------------------------
    void viewChordsSuperModify() override;
    void modifierChordselonTypeModif(int kind, int line, int column, int pos, const QString &name);
    // Creation mode from nothing (tag 5), from the selection (tag 6), or from a name.
    void enterCreationMode(const ChordSpecs *from);
    bool traiterOkCancel(bool ok, bool withCancel);
    void sortirModeCreationAccord(bool reselect);
    void boxRondClickatLine(int line, int column) override;
    void actionChordsPosModified() override;
    void actionChordsPosModifiedEnd() override;
    void actionChordsNameModified() override;
    void actionChordsNameModifiedEnd() override;
    void actionChordsModifyDone() override;
    void actionChordsCancel() override;

    // ViewChordsSuperDelegate
    bool viewChordsSuperIsToolsOn() const override { return false; }
    void viewChordsSuperShowTools() override {}
    WindowPDFxSuper *viewChordsRefTolvaneWin() const override;

    // ---- State, for the window's own parts and tests ------------------------------------
    const QList<ChordSpecs> &chordSpecsArray() const { return chordSpecsArray_; }
    const QList<ChordSpecs> &chordSpecsArray2() const { return chordSpecsArray2_; }
    const ChordSpecs &chordSpecsToAdd() const { return chordSpecsToAdd_; }
    bool pendingChanges() const { return pendingChanges_; }
    bool pendingNewChord() const { return pendingNewChord_; }
    bool chordModifie() const { return chordModifie_; }
    bool cadre1Shown() const { return cadre1Shown_; }
    bool cadre2Shown() const { return cadre2Shown_; }
    WindowPDFxSuper *refTolvaneWindow() const { return viewChordsRefTolvaneWin(); }
    QString songPath() const { return songPath_; }
    // An edit of the bound song has not answered yet.
    bool songEditing() const { return songEdits_.busy(); }
    // A chord file's read or an export's write has not answered yet.
    bool chordFilesBusy() const { return chordFileReads_.busy(); }
    // The song table waits for its song's text.
    bool songReading() const { return songReadShown_ != songReadsAsked_; }
    // What the window says under the song table while its folder does not answer.
    QLabel *songNotice() const { return songNotice_; }
    ViewChords *mViewChord() const { return mViewChord_; }
    ViewChordsEdit *mViewChordEdit() const { return mViewChordEdit_; }
    QComboBox *combo1() const { return combo1_; }
    QLabel *labelNbChord() const { return labelNbChord_; }
    QTableView *table(Table which) const { return which == SongTable ? mTable2_ : mTable_; }
    QList<QPushButton *> locateButtons() const { return locateButtons_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class ChordLibraryModel;

    void buildControls();
    void windowWillClose();
    void askToSaveChanges();
    // A save the settings store could not write: the window stays unsaved and says why.
    void saveFailed(const QString &why);
    QString &libraryText() const;
    QList<ChordSpecs> &records(Table table) { return table == SongTable ? chordSpecsArray2_ : chordSpecsArray_; }
    const QList<ChordSpecs> &records(Table table) const { return table == SongTable ? chordSpecsArray2_ : chordSpecsArray_; }
    void reloadTable(Table table);
    void selectRow(Table table, int row);
    void readLibraryText();
    // The stored library (or the default) in place of the edited one.
    void reloadStoredLibrary(bool forcerDefault);
    // Library lines added, then sorted and de-duplicated.
    void mergeIntoLibrary(const QString &lines);
    void takeLibrary(const chordlibrary::MergedLibrary &merged);
    // The steps of an import (ChordLibraryFiles.cpp); `run` tells a result
    // from that of an import replaced or cancelled since.
    void importChecked(quint64 run, const QString &lines);
    void mergeImport(quint64 run, const QString &lines, bool replace);
    bool importCurrent(quint64 run, qint64 instrument) const { return run == importRun_ && instrument == instrument_; }
    void showImportProgressLater();
    void endImport();
    void showFirstRow();
    void generateAllChordsString(bool refresh, bool removeDuplicate);
    void refreshChordsForAllWindows();
    int trierArray1andKeepUserPositions(int row);
    void setCadreForTableView(Table table);
    void activerDrag(bool on);
    void ajusterSizeAndRefreshChords();
    WindowPDFxSuper *obtenirWinSelonIndex() const;
    void comboBoxSelectionDidChange();
    Table activeTable() const { return cadre2Shown_ ? SongTable : LibraryTable; }
    // The ChordPro file of the bound window's song; empty for none or a PDF.
    QString boundSongPath();
    // The song table from the song's text, read of path.
    void showSongTable(const QString &path, const QString &text);
    // The song table and its selection from the song's text, as read or as the edits asked leave it.
    void takeSongText(const QString &path, const QString &text);
    // Runs once the song table shows the song last asked for.
    void afterSongRead(std::function<void()> then);
    void saySong(QString *notice, const QString &text);
    // Settles a pending new chord before a command; false: the command stops.
    bool guard();
    void closeEditor();
    void showRowOrFirst(Table table);
    void createNewChordSpecsUsingChordSpecs(const ChordSpecs *record);
    // Says why the bound song cannot be edited now (its read waits), or that there is none.
    bool songEditRefused();
    // Edits the bound song off the main thread, behind those asked before it
    // in the song's queue; its table shows the edit at once, and the song as
    // read once the last edit asked is written.
    void writeSong(songfile::SongFileEdits::Edit edit, std::function<void()> then = {});

    qint64 instrument_ = 0;
    bool menuOn_ = false;
    bool chordModifie_ = false;
    bool pendingNewChord_ = false;
    bool pendingChanges_ = false;
    bool cadre1Shown_ = true;
    bool cadre2Shown_ = false;
    bool dragOn_ = false;
    bool selecting_ = false;
    bool editorOpen_ = false;
    int rowSource_ = -1;
    QList<ChordSpecs> chordSpecsArray_;
    QList<ChordSpecs> chordSpecsArray2_;
    ChordSpecs chordSpecsToAdd_;
    QPointer<WindowPDFxSuper> refTolvaneWindow_;
    // The bound song as last read: its file survives the window's reload.
    QPointer<WindowPDFxSuper> songWindow_;
    QString songPath_;
    // The song's reads: the later asked wins, and what waits on it follows.
    platform::FileWork songReads_;
    quint64 songReadsAsked_ = 0;
    quint64 songReadShown_ = 0;
    std::vector<std::function<void()>> afterSongRead_;
    platform::Timer songReadLate_;
    // The song table's song as read, which a quit keeps an edit of when the file does not answer.
    QString songText_;
    QString songTextPath_;
    QString readNotice_;
    QString editNotice_;
    QString listeDefineOrig_;
    std::unique_ptr<ChordPro> song_;
    quint64 importRun_ = 0;
    quint64 lastImportRun_ = 0;
    QString importPath_;
    platform::Timer importTimer_;
    QPointer<PopupJauge> importPopup_;
    // A chord file may sit on a share that stops answering: it is read (and
    // an export written) on a thread of its own, ended with the window, so that it holds neither the
    // shared pool (which the application waits for as it ends) nor the window's end.
    platform::FileWork chordFileReads_;
    songfile::SongFileEdits songEdits_{this};

    QTableView *mTable_ = nullptr;
    QTableView *mTable2_ = nullptr;
    ChordLibraryModel *model1_ = nullptr;
    ChordLibraryModel *model2_ = nullptr;
    QFrame *cadre1_ = nullptr;
    QFrame *cadre2_ = nullptr;
    QWidget *diagramHost_ = nullptr;
    ViewChords *mViewChord_ = nullptr;
    ViewChordsEdit *mViewChordEdit_ = nullptr;
    QComboBox *combo1_ = nullptr;
    QLabel *labelNbChord_ = nullptr;
    QLabel *songNotice_ = nullptr;
    QList<QPushButton *> locateButtons_;
};
