#include "controller/Controller.h"

#include "chords/SongFileEdit.h"
#include "chords/windows/ChordLibrary.h"
#include "chords/windows/ViewChordsSuper.h"
#include "library/Data.h"
#include "windows/WindowPDFxSuper.h"

ChordLibrary *Controller::chordLibrary(qint64 instrument, bool create)
{
    if (instrument != 0 && instrument != 1)
        return nullptr;
    QPointer<ChordLibrary> &library = chordLibraries_[instrument];
    if (!library && create) {
        library = new ChordLibrary;
        library->setInstrument(instrument);
    }
    return library;
}

void Controller::actionMenuItemChordLib(qint64 instrument)
{
    ChordLibrary *library = chordLibrary(instrument, true);
    if (!library)
        return;
    library->setInstrument(instrument);
    library->showChordLib(Data::obtenirKeywin());
}

void Controller::actionEditChordReceived(const QString &name, QObject *view)
{
    auto *diagram = qobject_cast<ViewChordsSuper *>(view);
    if (!diagram)
        return;
    const qint64 instrument = diagram->instrument();
    if (instrument != 0 && instrument != 1)
        return;
    ChordLibrary *library = chordLibrary(instrument, false);
    const bool wasShown = library && library->isVisible();
    if (!library)
        library = chordLibrary(instrument, true);
    // Its song table is read as it shows: the locate follows the rows.
    if (!wasShown)
        library->showChordLib(nullptr);
    library->chordLibLocateChord(name, diagram->mChordx(), diagram->refTolvaneWin());
}

void Controller::refreshChordLibrary()
{
    for (const QPointer<ChordLibrary> &library : chordLibraries_)
        if (library && library->isVisible())
            library->remplirCombo1(Data::getKeyWin());
}

void Controller::refreshChordLibTable2()
{
    for (const QPointer<ChordLibrary> &library : chordLibraries_)
        if (library)
            library->refreshTable2();
}

void Controller::closeChordLibraries()
{
    for (const QPointer<ChordLibrary> &library : chordLibraries_)
        if (library)
            library->settleOnQuit();
    // The song edits still waiting, the editor's saves among them, are kept aside.
    songfile::SongFileEdits::settleAllOnQuit();
}
