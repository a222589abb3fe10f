#include "chords/windows/ChordLibrary.h"

#include "chords/ChordLibraryRules.h"
#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

#include <QLineEdit>
#include <QToolButton>

// ---- Opening and closing the editor -----------------------------------------------------------

void ChordLibrary::viewChordsSuperModify()
{
    mViewChordEdit_->setModeOkCancel(pendingNewChord_);
    editorOpen_ = true;
    mViewChordEdit_->show();
    mViewChordEdit_->raise();
    mViewChord_->hideLabelAndButtonModify();
    mViewChord_->setEditionEnCours(true);
    ajusterSizeAndRefreshChords();
}

void ChordLibrary::closeEditor()
{
    // Hiding the fields ends their editing: nothing is applied from here on.
    editorOpen_ = false;
    mViewChordEdit_->hide();
    mViewChord_->showLabelAndButtonModify();
    chordModifie_ = false;
    mViewChord_->setEditionEnCours(false);
}

// ---- Applying a change ---------------------------------------------------------------------------

void ChordLibrary::modifierChordselonTypeModif(int kind, int line, int column, int pos, const QString &name)
{
    const Table table = activeTable();
    const int row = selectedRow(table);
    ChordSpecs *chord = &chordSpecsToAdd_;
    if (!pendingNewChord_) {
        if (row < 0)
            return;
        chord = &records(table)[row];
    }
    MChord shape = chord->chordX();
    if (kind == 0 || kind == 1) {
        shape = kind == 0 ? chordlibrary::clickDot(shape, line, column) : shape;
        if (kind == 1)
            shape.fretPos = pos;
        // A dot already set stays set: only the open row clears a string.
        if (shape == chord->chordX())
            return;
    } else if (kind == 2) {
        if (name.isEmpty()) {
            refreshChordDetailsUsingRow(pendingNewChord_ ? -1 : row, table);
            return;
        }
    } else {
        return;
    }
    const bool inSong = !pendingNewChord_ && table == SongTable;
    // A change the song cannot take now leaves its row and diagram as they are.
    if (inSong && songEditRefused()) {
        refreshChordDetailsUsingRow(row, table);
        return;
    }
    const ChordSpecs before = *chord;
    if (kind == 2)
        chord->setChordName(name);
    else
        chord->setChordX(shape);
    chordModifie_ = true;
    if (pendingNewChord_) {
        refreshChordDetailsUsingRow(-1, table);
        return;
    }
    if (inSong) {
        ChordSpecs edited = before;
        edited.setChordX(shape);
        // The row and the diagram show the change while the song is written; its read puts both right.
        reloadTable(SongTable);
        selectRow(SongTable, row);
        refreshChordDetailsUsingRow(row, table);
        replaceChordinDefinedChordsFromChordSpec(edited, false, kind == 2 ? name : QString());
        return;
    }
    const int newRow = kind == 2 ? trierArray1andKeepUserPositions(row) : row;
    reloadTable(LibraryTable);
    generateAllChordsString(true, false);
    selectRow(LibraryTable, newRow);
    refreshChordDetailsUsingRow(newRow, LibraryTable);
    pendingChanges_ = true;
}

// ---- Delegate of the editor -------------------------------------------------------------------------

void ChordLibrary::boxRondClickatLine(int line, int column)
{
    // Taking the focus ends a field's editing, which applies the field first.
    mViewChordEdit_->boutonModify()->setFocus();
    modifierChordselonTypeModif(0, line, column, 0, QString());
}

void ChordLibrary::actionChordsPosModified()
{
    chordModifie_ = true;
}

void ChordLibrary::actionChordsPosModifiedEnd()
{
    if (!editorOpen_)
        return;
    modifierChordselonTypeModif(1, 0, 0, chordlibrary::clampBaseFret(mViewChordEdit_->labelPos()->text()), QString());
}

void ChordLibrary::actionChordsNameModified()
{
    chordModifie_ = true;
}

void ChordLibrary::actionChordsNameModifiedEnd()
{
    if (!editorOpen_)
        return;
    const QString name = chordlibrary::reformatChordName(mViewChordEdit_->labelChord()->text());
    mViewChordEdit_->labelChord()->setText(name);
    modifierChordselonTypeModif(2, 0, 0, 0, name);
}

void ChordLibrary::actionChordsModifyDone()
{
    if (pendingNewChord_) {
        traiterOkCancel(true, true);
        return;
    }
    closeEditor();
}

void ChordLibrary::actionChordsCancel()
{
    if (pendingNewChord_) {
        traiterOkCancel(false, true);
        return;
    }
    closeEditor();
    pendingNewChord_ = false;
    activerDrag(true);
    showRowOrFirst(LibraryTable);
}

void ChordLibrary::showRowOrFirst(Table table)
{
    int row = selectedRow(table);
    if (row < 0)
        row = 0;
    if (row < records(table).size()) {
        selectRow(table, row);
        refreshChordDetailsUsingRow(row, table);
    }
}

// ---- Creation mode ---------------------------------------------------------------------------------

void ChordLibrary::createNewChordSpecsUsingChordSpecs(const ChordSpecs *record)
{
    chordSpecsToAdd_ = ChordSpecs(0);
    MChord shape;
    if (record) {
        chordSpecsToAdd_.setChordName(record->chordName());
        shape = record->chordX();
    } else {
        shape.fretPos = 1;
    }
    shape.userDefined = false;
    chordSpecsToAdd_.setChordX(shape);
}

void ChordLibrary::enterCreationMode(const ChordSpecs *from)
{
    pendingNewChord_ = true;
    activerDrag(false);
    createNewChordSpecsUsingChordSpecs(from);
    refreshChordDetailsUsingRow(-1, LibraryTable);
    viewChordsSuperModify();
    chordModifie_ = false;
    mViewChordEdit_->labelChord()->setFocus();
}

bool ChordLibrary::traiterOkCancel(bool ok, bool withCancel)
{
    bool save = ok && chordModifie_;
    if (chordModifie_ && !ok) {
        const QString question = QStringLiteral("Changes have been done.\nDo you want to save your changes?");
        if (withCancel) {
            const qint64 answer = Data::askToSave(question, true);
            if (answer < 0)
                return false;
            save = answer == 1;
        } else {
            save = Data::askToSave(question) == 1;
        }
    }
    if (!save) {
        sortirModeCreationAccord(true);
        return true;
    }
    const QString name = chordlibrary::reformatChordName(mViewChordEdit_->labelChord()->text());
    mViewChordEdit_->labelChord()->setText(name);
    if (name.isEmpty()) {
        Data::msg(QStringLiteral("A chord name must be specified."));
        mViewChordEdit_->labelChord()->setFocus();
        return false;
    }
    chordSpecsToAdd_.setChordName(name);
    sortirModeCreationAccord(false);
    addNewChordToLibrary(chordSpecsToAdd_);
    return true;
}

void ChordLibrary::sortirModeCreationAccord(bool reselect)
{
    closeEditor();
    pendingNewChord_ = false;
    activerDrag(true);
    chordModifie_ = false;
    if (!reselect)
        return;
    if (chordSpecsArray_.isEmpty())
        refreshChordDetailsUsingRow(-2, LibraryTable);
    else
        showRowOrFirst(LibraryTable);
}
