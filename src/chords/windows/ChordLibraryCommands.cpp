#include "chords/windows/ChordLibrary.h"

#include "chords/ChordLibraryRules.h"
#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

#include <QMimeData>

namespace {

// The source row of a drag, or -1.
int sourceRow(const QMimeData *data, const QString &type)
{
    if (!data || !data->hasFormat(type))
        return -1;
    bool ok = false;
    const int row = data->data(type).toInt(&ok);
    return ok ? row : -1;
}

} // namespace

// ---- Drags -----------------------------------------------------------------------------------

QMimeData *ChordLibrary::mimeForRow(Table table, int row)
{
    rowSource_ = row;
    auto *data = new QMimeData;
    data->setData(table == LibraryTable ? chordLibraryDataType() : chordDefinesDataType(), QByteArray::number(row));
    return data;
}

bool ChordLibrary::validateDrop(Table table, const QMimeData *data, int row, bool onRow) const
{
    if (!dragOn_ || !data)
        return false;
    const bool libraryRows = data->hasFormat(chordLibraryDataType());
    const bool songRows = data->hasFormat(chordDefinesDataType());
    if (table == LibraryTable) {
        if (libraryRows)
            return !onRow && chordlibrary::libraryMoveAllowed(chordSpecsArray_, sourceRow(data, chordLibraryDataType()), row);
        return songRows;
    }
    return libraryRows && !songRows;
}

bool ChordLibrary::acceptDrop(Table table, const QMimeData *data, int row)
{
    if (!data)
        return false;
    if (table == LibraryTable) {
        if (data->hasFormat(chordLibraryDataType())) {
            if (!chordlibrary::moveRecord(chordSpecsArray_, sourceRow(data, chordLibraryDataType()), row))
                return false;
            reloadTable(LibraryTable);
            generateAllChordsString(true, false);
            pendingChanges_ = true;
            return true;
        }
        const int source = sourceRow(data, chordDefinesDataType());
        if (source >= 0 && source < chordSpecsArray2_.size())
            addNewChordToLibrary(chordSpecsArray2_.at(source));
        return false;
    }
    const int source = sourceRow(data, chordLibraryDataType());
    if (!refTolvaneWindow_ || source < 0 || source >= chordSpecsArray_.size())
        return false;
    const QString name = chordSpecsArray_.at(source).chordName();
    if (listeDefineOrig_.contains(QLatin1Char(' ') + name + QLatin1Char(' ')))
        replaceChordinDefinedChordsFromRow(source, false, LibraryTable);
    else
        insertChordinDefinedChordsFromRow(source);
    return true;
}

// ---- Library changes ---------------------------------------------------------------------------

void ChordLibrary::addNewChordToLibrary(const ChordSpecs &record)
{
    ChordSpecs added(chordSpecsArray_.size());
    added.setChordName(record.chordName());
    MChord shape = record.chordX();
    shape.userDefined = false;
    added.setChordX(shape);
    chordSpecsArray_.append(added);
    const int row = trierArray1andKeepUserPositions(int(chordSpecsArray_.size()) - 1);
    reloadTable(LibraryTable);
    generateAllChordsString(true, false);
    selectRow(LibraryTable, row);
    refreshChordDetailsUsingRow(row, LibraryTable);
    pendingChanges_ = true;
}

void ChordLibrary::deleteChordFromLibrary()
{
    const int row = selectedRow(LibraryTable);
    if (row < 0) {
        Data::msg(QStringLiteral("A chord must be selected to perform this operation."));
        return;
    }
    if (Data::questionAvecCancel(QStringLiteral("Delete Selected Chord from Library?")) != 1)
        return;
    chordSpecsArray_.removeAt(row);
    reloadTable(LibraryTable);
    generateAllChordsString(true, false);
    if (!chordSpecsArray_.isEmpty()) {
        const int next = std::min(row, int(chordSpecsArray_.size()) - 1);
        selectRow(LibraryTable, next);
        refreshChordDetailsUsingRow(next, LibraryTable);
    } else {
        refreshChordDetailsUsingRow(-2, LibraryTable);
    }
    pendingChanges_ = true;
}

// ---- Commands ------------------------------------------------------------------------------------

bool ChordLibrary::guard()
{
    return !pendingNewChord_ || traiterOkCancel(false, true);
}

void ChordLibrary::actionTest(int tag)
{
    if (tag < 2 || tag > 9)
        return;
    if (tag != 2 && !guard())
        return;
    switch (tag) {
    case 2:
        if (cadre2Shown_)
            replaceChordinDefinedChordsFromRow(selectedRow(SongTable), true, SongTable);
        break;
    case 3:
        closeEditor();
        importChords();
        break;
    case 4:
        exportChords();
        break;
    case 5:
        enterCreationMode(nullptr);
        break;
    case 6: {
        const int row = selectedRow(activeTable());
        if (row < 0) {
            Data::msg(QStringLiteral("A chord must be selected to perform this operation."));
            break;
        }
        const ChordSpecs from = records(activeTable()).at(row);
        enterCreationMode(&from);
        break;
    }
    case 7:
        if (cadre2Shown_)
            replaceChordinDefinedChordsFromRow(selectedRow(SongTable), true, SongTable);
        else
            deleteChordFromLibrary();
        break;
    case 8:
        closeEditor();
        restoreDefault();
        break;
    case 9:
        closeEditor();
        saveChordLibrary();
        break;
    }
}
