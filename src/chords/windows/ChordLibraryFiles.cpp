#include "chords/windows/ChordLibrary.h"

#include "chords/ChordFileImport.h"
#include "chords/ChordLibraryRules.h"
#include "chords/SongFileEdit.h"
#include "library/ChosenFile.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "windows/PopupJauge.h"
#include "windows/WindowPDFxSuper.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <atomic>
#include <memory>
#include <type_traits>

namespace {

const QString kPanelTitle = QStringLiteral("Tolvane");
// An import that takes longer than this shows its progress popup.
constexpr double kProgressDelay = 0.5;
constexpr double kCancelPoll = 0.1;

// Runs work on a worker thread, then done with its result on the main thread,
// unless the owner is gone by then.
template <typename Work, typename Done>
void afterWorker(QObject *owner, Work work, Done done)
{
    QPointer<QObject> guard(owner);
    platform::runGlobal([guard, work = std::move(work), done = std::move(done)]() {
        auto result = std::make_shared<const std::invoke_result_t<Work>>(work());
        platform::runOnMain([guard, result, done]() {
            if (guard)
                done(*result);
        });
    });
}

} // namespace

// ---- Chord files -------------------------------------------------------------------------------

void ChordLibrary::importChords()
{
    // The window closes first, so its save question comes before the file's chords.
    close();
    const QString path = platform::dialogs().chooseOpenFile(kPanelTitle, QStringLiteral("Please select valid chord file"),
                                                            platform::homePath(), {});
    if (!path.isEmpty())
        importChordsfromFile(path);
}

void ChordLibrary::importChordsfromFile(const QString &path)
{
    // A second import replaces one still running; the first one's result is dropped.
    endImport();
    const quint64 run = importRun_ = ++lastImportRun_;
    const qint64 instrument = instrument_;
    importPath_ = path;
    showImportProgressLater();
    chordFileReads_.run(
        QStringLiteral("Chord file: %1").arg(path),
        [path, instrument]() { return chordlibrary::checkChordFile(path, instrument); },
        [this, run, instrument](const chordlibrary::ChordFileCheck &check) {
            if (!importCurrent(run, instrument))
                return;
            if (!check.problem.isEmpty()) {
                endImport();
                Data::msg(check.problem);
                return;
            }
            importChecked(run, check.lines);
        });
}

void ChordLibrary::importChecked(quint64 run, const QString &lines)
{
    // The question is not asked over the progress popup.
    importTimer_.stop();
    if (importPopup_)
        importPopup_->closePopupJauge();
    const QPointer<ChordLibrary> self(this);
    const qint64 choice = Data::deuxChoixAvecCancel(QStringLiteral("Please select..."), QStringLiteral("Keep existing chords"),
                                                    QStringLiteral("Replace entire chord library"));
    // The window may have gone while the question was up.
    if (!self || run != importRun_)
        return;
    if (choice < 0) {
        endImport();
        return;
    }
    showImportProgressLater();
    mergeImport(run, lines, choice == 0);
}

void ChordLibrary::mergeImport(quint64 run, const QString &lines, bool replace)
{
    const QString before = libraryText();
    const qint64 instrument = instrument_;
    afterWorker(
        this,
        [base = replace ? QString() : before, lines, instrument]() { return chordlibrary::mergeLines(base, lines, instrument); },
        [this, run, lines, replace, before, instrument](const chordlibrary::MergedLibrary &merged) {
            if (!importCurrent(run, instrument))
                return;
            // Chords edited in the window meanwhile are kept: merged again with them.
            if (!replace && libraryText() != before) {
                mergeImport(run, lines, replace);
                return;
            }
            endImport();
            takeLibrary(merged);
            showFirstRow();
            pendingChanges_ = true;
        });
}

PopupJauge *ChordLibrary::importProgress() const
{
    return importPopup_;
}

void ChordLibrary::showImportProgressLater()
{
    importTimer_.start(kProgressDelay, false, [this]() {
        if (!importPopup_)
            importPopup_ = new PopupJauge(this);
        importPopup_->showPopupJauge(-1, false);
        importPopup_->level1()->setRange(0, 0); // how far along is not known: a busy bar
        importPopup_->txt1()->setText(QStringLiteral("Importing chords from \"%1\"").arg(importPath_));
        // Cancel is only noted by the popup: looked at while the import runs.
        importTimer_.start(kCancelPoll, true, [this]() {
            if (importPopup_ && importPopup_->cancelPressed())
                endImport();
        });
    });
}

void ChordLibrary::endImport()
{
    importRun_ = 0;
    importTimer_.stop();
    if (importPopup_ && importPopup_->enCours())
        importPopup_->closePopupJauge();
}

void ChordLibrary::exportChords()
{
    close();
    const QString folder = platform::dialogs().chooseFolder(kPanelTitle, QStringLiteral("Please select a destination folder"),
                                                            platform::homePath());
    if (!folder.isEmpty())
        exportChordstoDir(folder);
}

void ChordLibrary::exportChordstoDir(const QString &folder)
{
    trierArray1andKeepUserPositions(0);
    reloadTable(LibraryTable);
    generateAllChordsString(true, true);
    showFirstRow();
    const QString path = platform::filePath(folder, chordlibrary::exportFileName(instrument_));
    chosenfile::write(
        chordFileReads_, QStringLiteral("the chord library's export"), path, false,
        [bytes = libraryText().toUtf8()] { return chosenfile::Bytes{bytes, {}}; }, this, [path](const QString &error) {
            if (!error.isEmpty())
                Data::msg(QStringLiteral("The chord file \"%1\" could not be written: %2").arg(path, error));
        });
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

bool ChordLibrary::songEditRefused()
{
    const QString path = boundSongPath();
    if (!path.isEmpty() && (songReading() || path != songTextPath_)) {
        Data::msg(QStringLiteral("The song \"%1\" is still being read: try again once its chords show.").arg(path));
        return true;
    }
    return path.isEmpty();
}

void ChordLibrary::writeSong(songfile::SongFileEdits::Edit edit, std::function<void()> then)
{
    if (songEditRefused())
        return;
    // The table and the diagram show the song as the edits asked leave it, and the next edit is made from there.
    const QString known = songText_;
    if (QString text = known; edit(text))
        takeSongText(songPath_, text);
    songEdits_.edit(songPath_, known, std::move(edit), [this, then = std::move(then)](bool) {
        // Read once the last one answers: a read between would show the song without those still waiting.
        if (then)
            afterSongRead_.push_back(then);
        if (!songEdits_.busy())
            refreshTable2();
    });
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
    // Set off the main thread, read once the edit answers (and set alike where the queue keeps it aside meanwhile).
    auto found = std::make_shared<std::atomic_bool>(true);
    writeSong(
        [found, edit = *edit](QString &text) {
            *found = chordlibrary::applyDefinitionEdit(text, edit);
            return *found && edit.from != edit.to;
        },
        // The song lists the definition, but not as one piece of its text (written
        // over two lines, say): changing only the list would be lost at the next load.
        [found, name = record.chordName(), path = songPath_] {
            if (!*found)
                Data::msg(QStringLiteral("The definition of %1 could not be changed in \"%2\": write it on one line and try again.")
                              .arg(name, path));
        });
}

void ChordLibrary::insertChordinDefinedChordsFromRow(int row)
{
    if (row < 0 || !refTolvaneWindow_ || row >= chordSpecsArray_.size())
        return;
    const ChordSpecs record = chordSpecsArray_.at(row);
    const QString directive = chordlibrary::defineDirective(record.chordName(), record.chordX(), instrument_);
    writeSong([directive](QString &text) {
        text = chordlibrary::insertDefinition(text, directive);
        return true;
    });
}
