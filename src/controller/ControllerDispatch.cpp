#include "controller/Controller.h"

#include "library/Data.h"
#include "midi/windows/MidiWindows.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <limits>

using controller::Command;
using controller::KeyInput;

void Controller::actionKeyReceived(const platform::Notification &n)
{
    bool ok = false;
    const qint64 code = n.intParam(&ok);
    if (!ok || code < std::numeric_limits<qint32>::min() || code > std::numeric_limits<qint32>::max())
        return;
    dispatchActionKey(code);
}

void Controller::dispatchActionKey(qint64 code)
{
    if (code < 0)
        return;
    const PagePass pass = windowPrePass(true);
    if (code <= vocab::TypedCharLast) {
        if (Data::recOn()) {
            showTimedMessage(code);
            return;
        }
        const bool pageKeys = !tocON_ && Data::optKeyPad() != 0;
        qint64 slot = code;
        if (code == 26) {
            slot = Data::nbTocG() - 1;
        } else if (code == 28 || code == 29) {
            if (pageKeys) {
                perform({code == 28 ? Command::PageUpKey : Command::PageDownKey}, pass);
                return;
            }
            slot = code - 1;
        } else if (code >= 27) {
            slot = code - 1;
        }
        setSongNoToc(slot);
        allerA(code + 1);
        return;
    }
    perform(controller::commandForCode(int(code)), pass);
}

void Controller::perform(const controller::CommandRef &c, const PagePass &pass)
{
    switch (c.command) {
    case Command::Nothing:
    case Command::TypedCharacter:
        break;
    case Command::PreviousSong:
        traiterPrev();
        searchTail();
        break;
    case Command::NextSong:
        traiterNext();
        searchTail();
        break;
    case Command::PreviousSongPlain:
        traiterPrev();
        break;
    case Command::NextSongPlain:
        traiterNext();
        break;
    case Command::PageUp:
        traiterUP(pass.sync);
        break;
    case Command::PageDown:
        traiterDown(pass.sync, pass.extra, false);
        break;
    case Command::PageDownWrap:
        traiterDown(pass.sync, pass.extra, true);
        break;
    case Command::FirstSong:
        actionFirst();
        break;
    case Command::LastSong:
        actionLast();
        break;
    case Command::ConfiguredKey:
        traiterKeyInput(KeyInput(c.arg));
        break;
    case Command::PageUpKey:
        if (!traiterPageUpDown(false))
            traiterKeyInput(KeyInput::PageUp);
        break;
    case Command::PageDownKey:
        if (!traiterPageUpDown(true))
            traiterKeyInput(KeyInput::PageDown);
        break;
    case Command::Enter:
        if (tocON_)
            traiterNext();
        else if (!editVisibleNote())
            actionEqual();
        break;
    case Command::ClearFilterAndSearchChar:
        clearFilterAndSearchCharacter();
        break;
    case Command::ToggleToc:
        actionEqual();
        break;
    case Command::Zoom:
        actionZoom();
        refreshInspector();
        break;
    case Command::ZoomOut:
        actionZoomOut();
        refreshInspector();
        break;
    case Command::ReloadFolder:
        refreshAfterRead(currentDirNo_, false);
        break;
    case Command::RefreshFolder:
        actionRefresh();
        break;
    case Command::ToggleSort:
        actionToggleSort();
        break;
    case Command::HelpFolder:
        actionToggleInfo();
        break;
    case Command::OpenFolderSlot:
        refreshAfterRead(c.arg, false);
        break;
    case Command::ToggleAltVersions:
        traiter_backslash();
        break;
    case Command::ClearSearch:
        rech_.clear();
        rechBloque_ = false;
        break;
    case Command::StopOrCancelCountIn:
        if (countInRuns()) {
            cancelCountIn();
            break;
        }
        if (Data::loopOn())
            closeAudioPlayer();
        stop_if_playing(true);
        break;
    case Command::FirstTab:
        actionOnglet2(0, false);
        break;
    case Command::NextCue:
        // Posted from the MIDI thread too: the cue work runs on the main thread.
        platform::runOnMain([self = QPointer<Controller>(this)]() {
            if (self)
                self->triggerNextCue();
        });
        break;
    case Command::AudibleMetronome:
        audibleMetronomeOnOff(c.arg);
        break;
    case Command::TempoChanged:
        refreshtempoX();
        metroFollowTempo();
        break;
    case Command::ChordDisplay:
        refreshChordX();
        break;
    case Command::Play:
        if (Data::loopOn())
            closeAudioPlayer();
        playCurrentTrackAndskipTo(0.0);
        break;
    case Command::StopCountIn:
        if (countInRuns())
            cancelCountIn();
        break;
    case Command::PlayNowWithPeriodText:
        traiterKeyAction(27, false, options_.text(KeyInput::Dot));
        break;
    case Command::ReloadWindows:
        chargerPages();
        break;
    case Command::RefreshNotes:
        refreshNoteX(c.arg == 1);
        break;
    case Command::NoteIsChanging:
        noteIsChanging_ = c.arg;
        break;
    case Command::WindowBecameMain:
        refreshMenuWindow();
        refreshInspector();
        ajusterZoomON();
        ajusterCadreX();
        refreshNbTocG();
        break;
    case Command::RefreshNoteAndPdfDefaults:
        refreshDefNoteDefPDFX();
        refreshChordLibTable2();
        break;
    case Command::DisplayModeChanged:
        ajusterZoomON();
        chargerPages();
        doRefreshCue_ = true;
        ajusterCadreX();
        break;
    case Command::ActivateKeyWindow:
        Data::activateKeywin();
        break;
    case Command::TabNamesChanged:
        setTabsName();
        ajusterPosButtonToc();
        break;
    case Command::SongInfoChanged:
        refreshinfoX();
        if (tocON_)
            afficherToc(true);
        if (menuItemRefresh_)
            menuItemRefresh_->setVisible(true);
        break;
    case Command::OpenTagList:
        afficherTags();
        tagAuto_ = true;
        break;
    case Command::CloseTagList:
        // A tag list the user keeps open stays for the next note window.
        if (!tagListVisible())
            tagAuto_ = false;
        fermerTags();
        break;
    case Command::EndTagListHold:
        tagAuto_ = false;
        break;
    case Command::ExportList:
        Data::exporterListe();
        break;
    case Command::TocSizeChanged:
        refreshNbTocG();
        break;
    case Command::NoteEdited:
        refreshNoteX(false);
        if (!Data::inspectorOn() && !tocON_)
            startAlreadyPlayedTimer();
        break;
    case Command::CuesChanged:
        updateCueX();
        break;
    case Command::WindowClosed:
        doRefreshCue_ = true;
        refreshMenuWindow();
        refreshInspector();
        refreshChordLibrary();
        ajusterZoomON();
        ajusterCadreX();
        refreshNbTocG();
        break;
    case Command::RefreshSpeaker:
        Data::sendingMidi(false);
        if (midiWindows_)
            midiWindows_->refreshGenOptMetroSound();
        break;
    case Command::DisplaySettingChanged:
        refreshPDForChordPro(false);
        break;
    case Command::StartPlayedTimer:
        if (!Data::inspectorOn() && !tocON_)
            startAlreadyPlayedTimer();
        break;
    case Command::StopPlayedTimer:
        stopAlreadyPlayedTimer();
        break;
    case Command::MetronomeOnOff:
        traiter_metroOnOff();
        break;
    case Command::MetronomeType:
        traiter_metroType();
        refreshInspector();
        break;
    case Command::PreviousFilterEntry:
        traiterPrevNextFilter(-1);
        break;
    case Command::NextFilterEntry:
        traiterPrevNextFilter(1);
        break;
    case Command::FilterWindow:
        filter();
        break;
    case Command::ApplyFilterText:
        applyFilterText();
        break;
    case Command::NextGenre:
        nextGenre();
        break;
    case Command::RestartMetronome:
        restartMetronome();
        break;
    case Command::TapTempo:
        refreshTapTempo();
        break;
    case Command::MetronomeOff:
        traiter_metroOff();
        break;
    case Command::MetronomeOn:
        traiter_metroOn();
        break;
    case Command::EditCurrentTab:
        editerSetlist(Data::onglNoG());
        break;
    case Command::MidiMonitorProgram:
        // Posted from the MIDI receive thread: the refresh runs on the main thread.
        platform::runOnMain([self = QPointer<Controller>(this)]() {
            if (self) {
                self->refreshLastMIDIdataX();
                self->midiWindows().midiMonitorProgram();
            }
        });
        break;
    // Posted from the MIDI receive thread too: the windows change on the main thread.
    case Command::MidiMonitorControl:
    case Command::MidiSetupChanged:
    case Command::MidiLearnTrigger:
    case Command::MidiLearnDestination:
        platform::runOnMain([self = QPointer<Controller>(this), command = c.command]() {
            if (!self)
                return;
            // The control-change labels of the notes windows first, as the MIDI windows do.
            if (command != Command::MidiSetupChanged)
                self->refreshNotesMidi(true);
            MidiWindows &w = self->midiWindows();
            if (command == Command::MidiMonitorControl)
                w.midiMonitorControl();
            else if (command == Command::MidiSetupChanged)
                w.midiSetupChanged();
            else if (command == Command::MidiLearnTrigger)
                w.midiLearnTrigger();
            else
                w.midiLearnDestination();
        });
        break;
    // Commands of parts of the program still to come: each says so in the
    // log and does nothing else.
    case Command::OpenInEditor:
        lancerEditeur();
        break;
    case Command::CloseNote:
        fermerNote();
        break;
    case Command::ToggleNote:
        toggleNote();
        break;
    case Command::ToggleFormattedMode:
        toggleFormattedMode();
        break;
    case Command::AudioPlayerWindow:
        afficherMasquerAudioPlayer();
        break;
    case Command::StopPlayback:
        stop_if_playing(c.arg == 1);
        break;
    case Command::RefreshWindowMenus:
        refreshMenuWindow();
        refreshInspector();
        refreshChordLibrary();
        break;
    case Command::Help:
        afficherHelp(c.arg, c.arg2 == 1);
        break;
    }
}

void Controller::clearFilterAndSearchCharacter()
{
    Data::setFilterNoG(-1);
    Data::setFilterTypeG(0);
    if (filterON_) {
        filterON_ = false;
        setTabsName();
        refreshPieceNextX();
    }
    if (grechhidden_) {
        actionGotoCur();
        return;
    }
    if (rechBloque_ || rech_.size() == 1) {
        rech_.clear();
        rechBloque_ = false;
        updateRechInfo2X();
        startTimer2(true);
    } else if (rech_.isEmpty()) {
        updateRechInfoX(true, true);
        fadeTimer2_.stop();
    } else {
        rech_.chop(1);
        rechBloque_ = false;
        updateRechInfo2X();
        startTimer2(true);
    }
}

void Controller::refreshPDForChordPro(bool reset)
{
    if (reset) {
        pageNo1_ = 1;
        zoomTop_ = true;
        refreshAvecReset();
        return;
    }
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (piece && piece->pieceDet && piece->pieceDet->typeFichier1 == 1)
        refreshAvecReset();
    else
        refreshX();
}

void Controller::refreshAvecReset()
{
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w && w->winType() == 0)
            w->resetPDF();
    startTimerPrev();
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece)
        return;
    const qint64 pages = piece->pieceDet ? piece->pieceDet->nbrPagesMax : 1;
    if (pageNo1_ > pages) {
        pageNo1_ = 1;
        zoomTop_ = true;
    }
    setPDFx(piece, pageNo1_, zoomTop_, getPieceNext(), false, false);
}
