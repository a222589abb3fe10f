#include "chords/windows/ChordLibrary.h"

#include "chords/ChordLibraryRules.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "windows/WindowPDFxSuper.h"

#include <QDir>
#include <QFile>

namespace {

const QString kPanelTitle = QStringLiteral("Tolvane");

} // namespace

// ---- Chord files -------------------------------------------------------------------------------

void ChordLibrary::importChords()
{
    // The window closes first, so its save question comes before the file's chords.
    close();
    const QString path = platform::dialogs().chooseOpenFile(kPanelTitle, QStringLiteral("Please select valid chord file"),
                                                            QDir::homePath(), {});
    if (!path.isEmpty())
        importChordsfromFile(path);
}

void ChordLibrary::importChordsfromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    if (text.isEmpty())
        return;
    // Only lines the library can write back: any other would become a record
    // that a later rewrite drops unseen.
    const QString lines = chordlibrary::importableLines(text, instrument_);
    if (lines.isEmpty()) {
        Data::msg(QStringLiteral("Selected file cannot be imported. Please, use a valid chord file."));
        return;
    }
    const qint64 choice = Data::deuxChoixAvecCancel(QStringLiteral("Please select..."), QStringLiteral("Keep existing chords"),
                                                    QStringLiteral("Replace entire chord library"));
    if (choice < 0)
        return;
    if (choice == 0)
        libraryText().clear();
    mergeIntoLibrary(lines);
    showFirstRow();
    pendingChanges_ = true;
}

void ChordLibrary::exportChords()
{
    close();
    const QString folder = platform::dialogs().chooseFolder(kPanelTitle, QStringLiteral("Please select a destination folder"),
                                                            QDir::homePath());
    if (!folder.isEmpty())
        exportChordstoDir(folder);
}

void ChordLibrary::exportChordstoDir(const QString &folder)
{
    trierArray1andKeepUserPositions(0);
    reloadTable(LibraryTable);
    generateAllChordsString(true, true);
    showFirstRow();
    const QString path = QDir(folder).filePath(chordlibrary::exportFileName(instrument_));
    QString why;
    if (!platform::writeFileAtomically(path, libraryText().toUtf8(), &why))
        Data::msg(QStringLiteral("The chord file \"%1\" could not be written: %2").arg(path, why));
}

void ChordLibrary::restoreDefault()
{
    const qint64 choice = Data::deuxChoixAvecCancel(QStringLiteral("Please select..."), QStringLiteral("Add Missing Default Chords"),
                                                    QStringLiteral("Replace Entire Chord Library"));
    if (choice < 0)
        return;
    const bool replace = choice == 0;
    if (replace
        && Data::questionAvecCancel(QStringLiteral("WARNING: Chord Library will be restored to its initial state.\n"
                                                   "ALL user defined chords will be removed from the library.\nContinue?"))
               != 1)
        return;
    const qsizetype before = chordSpecsArray_.size();
    if (replace)
        reloadStoredLibrary(true);
    else
        mergeIntoLibrary(Data::obtenirDefaultChordStringforInstrument(instrument_));
    showFirstRow();
    pendingChanges_ = true;
    if (!replace)
        Data::msg(QStringLiteral("%1 chord(s) added to the library.").arg(chordSpecsArray_.size() - before));
}

// ---- Song definitions ---------------------------------------------------------------------------

bool ChordLibrary::writeSong(const std::function<bool(QString &)> &edit)
{
    const QString path = boundSongPath();
    if (path.isEmpty())
        return false;
    const bool written = songfile::editSongFile(path, edit);
    refreshTable2();
    return written;
}

void ChordLibrary::replaceChordinDefinedChordsFromRow(int row, bool remove, Table source)
{
    if (row < 0 || !refTolvaneWindow_ || row >= records(source).size())
        return;
    replaceChordinDefinedChordsFromChordSpec(records(source).at(row), remove, QString());
}

void ChordLibrary::replaceChordinDefinedChordsFromChordSpec(const ChordSpecs &given, bool remove, const QString &newName)
{
    // A copy: the song table is read again below, and the record may be one of its rows.
    const ChordSpecs record = given;
    if (!refTolvaneWindow_)
        return;
    const std::optional<chordlibrary::DefinitionEdit> edit =
        chordlibrary::definitionEdit(listeDefineOrig_, record, remove, newName, instrument_);
    if (!edit)
        return;
    bool found = true;
    writeSong([&](QString &text) {
        found = chordlibrary::applyDefinitionEdit(text, *edit);
        return found && edit->from != edit->to;
    });
    // The song lists the definition, but not as one piece of its text (written
    // over two lines, say): changing only the list would be lost at the next load.
    if (!found)
        Data::msg(QStringLiteral("The definition of %1 could not be changed in \"%2\": write it on one line and try again.")
                      .arg(record.chordName(), songPath_));
}

void ChordLibrary::insertChordinDefinedChordsFromRow(int row)
{
    if (row < 0 || !refTolvaneWindow_ || row >= chordSpecsArray_.size())
        return;
    const ChordSpecs record = chordSpecsArray_.at(row);
    const QString directive = chordlibrary::defineDirective(record.chordName(), record.chordX(), instrument_);
    writeSong([&](QString &text) {
        text = chordlibrary::insertDefinition(text, directive);
        return true;
    });
}
