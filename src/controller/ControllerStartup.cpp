#include "audio/EyeTunes.h"
#include "audio/MusicLibrary.h"
#include "audio/MusicX.h"
#include "controller/Controller.h"

#include "chordpro/ChordPro.h"
#include "chordpro/editor/WinEdit.h"
#include "chordpro/export/WinChordProToPDF.h"
#include "chords/windows/WindowChords.h"
#include "controller/PreferencesDialog.h"
#include "controller/SampleSong.h"
#include "events/windows/WinMsg.h"
#include "events/windows/WinNote.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "midi/Midi.h"
#include "midi/windows/MidiPref4.h"
#include "midi/windows/MidiWindows.h"
#include "platform/DataFolder.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "platform/WindowsAtQuit.h"
#include "settings/DataHelp.h"
#include "windows/FloatingWindows.h"
#include "windows/PopupJauge.h"
#include "windows/WindowFactory.h"
#include "windows/WindowList.h"
#include "windows/WindowPDFxSuper.h"

#include <QAction>

using controller::ControllerOptions;

Controller::Controller() = default;

Controller::~Controller()
{
    Pieces::setHeaderAsk({});
    platform::setChooserPlaces({});
    if (windowPref_)
        delete windowPref_.data();
    if (winEditController_)
        delete winEditController_.data();
    deleteSettingsWindows();
    if (popupJauge_)
        delete popupJauge_.data();
}

void Controller::awakeFromNib()
{
    TLOG(QStringLiteral("Controller awakeFromNib"));
    if (started_)
        return;
    started_ = true;
    Pieces::setHeaderAsk([this](const PiecesDetPtr &det) { askSongHeader(det); });
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    // Defaults written for keys an unread settings file lacks are not this
    // run's changes, and the file is taken only once start-up is over.
    const platform::UserDefaults::Provisional startUp(defaults);
    // Nor are they changes where the file cannot be written: a quit that writes
    // the same values again keeps nothing aside.
    const platform::UserDefaults::Bookkeeping startUpOwn(defaults);

    ChordPro::setSizeRef(QSizeF(611.0, 752.0));
    windowfactory::setCreator(14, [] { return new WindowChords; });
    floatingwindows::install();
    makeEditor();
    WinEdit::setHelpShower([this](int page) { afficherHelp(page, true); });
    // Each part that takes something from the store takes it through
    // readStored, so that a file read late is taken by the same code.
    Data::initData();
    Midi::iniMidi();
    Midi::iniMIDIdelegate(this);
    defaults.readStored(QStringLiteral("MIDI clock and ticks"), [] {
        MidiPref4::refreshDestForClock();
        MidiPref4::refreshDestForTick();
    }, this);
    audio::followMusicFolder();
    platform::setChooserPlaces([this] {
        QList<platform::ChooserPlace> places{{QStringLiteral("Music"), audio::musicFolderPath()}};
        for (qint64 slot = 0; slot < controller::SlotCount; ++slot)
            if (folders_.has(slot))
                places.append({controller::folderLabel(folders_.dir(slot)), folders_.dir(slot)});
        return places;
    });
    TLOG(Data::fra() ? QStringLiteral("Français...") : QStringLiteral("Anglais..."));
    defaults.readStored(QStringLiteral("played and flagged"), [this] {
        verifierLogPlayed();
        verifierFlags();
    }, this);

    // The metronome's own fields start as a stopped metronome (MetroState).
    doRefreshCue_ = false;
    tagAuto_ = false;
    pendingSongRefresh_ = false;
    iTunesStartedFromQuillory_ = false;
    noteIsChanging_ = 0;

    buildMenus();
    // Every help window reads the help folder, brought up to date once per data folder.
    DataHelp::setFolderProvider([]() {
        static QString data, folder;
        if (const QString now = platform::dataFolder(); now != data || folder.isEmpty()) {
            data = now;
            folder = controller::ensureHelpFolder();
        }
        return folder;
    });
    createNoteWindows();
    versionsWindow();

    Data::setCurrentScreensetG(0);
    Data::setCurrentGenreG(0);
    userGenre_ = 0;
    screensetToLoad_ = -1;
    lastNbScreens_ = 0;
    // The document windows exist before the first song loads.
    defaults.readStored(QStringLiteral("screen set and genre"), [this] { readStoredScreensetAndGenre(); }, this);

    registerObservers();

    dejaAct_ = false;
    nbrPagesToc_ = 0;
    nbrSongs_ = 0;
    noPageToc_ = 0;
    songNoToc_ = -1;
    if (forceMasterMenuItem_)
        forceMasterMenuItem_->setChecked(false);
    // The play-flag menu items are set by doRefresh, once the folder is known.
    updateItunesInfoX(QString(), QString(), 0.0, 0.0, true, true);
    rechBloque_ = false;
    updateRechInfoX(true, true);
    songNoNote1_ = 0;
    masquerToc();
    ajusterZoomON();
    zoomTop_ = true;
    ongletErr_ = -1;
    resetNavigationState();
    currentDirNo_ = -1;

    defaults.readStored(QStringLiteral("options and folder"), [this] { readStoredOptionsAndFolder(); }, this);
    refreshScreenList();
    refreshMenuWindow();
    startSleepWatch();
    // A settings file set aside, unread or read-only: said once, without a dialog.
    const QString notice = defaults.openNotice();
    // Edits kept (or lost) when the last run quit, once as well, in the same notice.
    const QString kept = platform::kept::takeNotice();
    tellFailure(kept.isEmpty() ? notice : notice.isEmpty() ? kept : notice + QLatin1Char(' ') + kept, Held::OfNoSong);
    if (!defaults.hasRead())
        defaults.whenReadLate([self = QPointer<Controller>(this)](const QString &readNotice) {
            if (self && !self->terminated_)
                self->tellFailure(readNotice);
        });
    // A write refused later (a full disk): said once, as the open's notice is.
    defaults.whenWriteRefused([self = QPointer<Controller>(this)](const QString &refused) {
        if (self && !self->terminated_)
            self->tellFailure(refused);
    });
    // A quit that writes the state as start-up took it changed nothing, even
    // where the file lacks it (a fresh one that cannot grow).
    if (defaults.hasRead()) {
        const platform::UserDefaults::Baseline taken(defaults);
        writeRunState();
    }
    startUpRead_ = true;
    initPourSlave();
}

// The stored screen set and genre; after a late read, unless the performer
// chose others meanwhile.
void Controller::readStoredScreensetAndGenre()
{
    const bool atStart = !startUpRead_;
    refreshScreensetTitle();
    const qint64 set = Data::initialScreenSet();
    if (atStart)
        setScreensetX(set, true);
    else if (set >= 1 && Data::currentScreensetG() == startScreenset_ && !screensetPending())
        setScreensetX(set, false);
    if (atStart || userGenre_ == startGenre_) {
        // A stored genre the program does not know starts as "Any".
        const qint64 genre = Data::initialGenre();
        setGenreX(genre >= 0 && genre <= 7 ? genre : 0);
        userGenre_ = Data::currentGenreG();
    }
    if (atStart) {
        startScreenset_ = Data::currentScreensetG();
        startGenre_ = userGenre_;
    }
}

// The options, the note mode, the folder slots and the folder shown: at
// start the stored one opens (or the help folder, while it is away); after a
// late read it opens if the help folder is still shown.
void Controller::readStoredOptionsAndFolder()
{
    if (terminated_)
        return;
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    Data::setFormattedNote(!defaults.boolForKey(QStringLiteral("NoteTextMode")));
    const qint64 storedNbrExec = defaults.integerForKey(QStringLiteral("NbrExec"));
    qint64 stored = defaults.integerForKey(QStringLiteral("dirNo"));
    if (stored < -1 || stored >= controller::SlotCount)
        stored = -1;
    stored = folders_.load(defaults, stored);
    checkStoredSlots();
    const bool atStart = !startUpRead_;
    const ControllerOptions before = options_;
    options_.read(defaults, storedNbrExec);
    // Preferences changed before the file was read stay changed; nothing else
    // the run took from the empty store is kept.
    if (atStart)
        startOptions_ = options_;
    else
        options_ = controller::withChangedPreferences(startOptions_, before, options_);
    applyOptionsToData();
    ajusterDimmer();
    actionMidiDelay();

    // The performer may have opened a folder before a late read: it stays;
    // the pages shown take the options read.
    const bool opened = !atStart && currentDirNo_ >= 0;
    if (!atStart) {
        setDirButton(currentDirNo_);
        nextTurn([this] { refreshDefNoteDefPDFX(); });
    }
    if (opened)
        return;
    if (stored < 0 || obtenirDir(stored).isEmpty()) {
        awaitedDirNo_ = -1;
        if (atStart)
            doRefresh(-1, 0, false, {});
        return;
    }
    // The folder is read as a key reads it, so that a share that does not
    // answer holds neither the keys nor a quit; until it opens it is the slot
    // a quit keeps, and one found missing shows the help folder meanwhile.
    // After a late read the folder's scan, its song and its table of contents
    // each take a turn after the read's, so that no turn holds the keys longer
    // than a frame.
    if (atStart) {
        awaitedDirNo_ = stored;
        refreshAfterRead(stored, false);
        return;
    }
    nextTurn([this, stored] {
        if (currentDirNo_ >= 0)
            return;
        awaitedDirNo_ = stored;
        refreshAfterRead(stored, false, true);
    });
}

void Controller::resetNavigationState()
{
    Data::setSongNbrG(0);
    Data::setSongNbrGPrec(0);
    Data::setCurrentSort(0);
    currentSortPrev_ = 0;
    Data::setSongAsked(0);
    verifTOC_ = false;
    rech_.clear();
    clearFilterState();
    Data::setSongNoG(0);
    Data::setNbTocG(36);
    Data::setSongNoG_MIDISent(0);
    songNoG_prev_ = 0;
    songNoG_prev_prev_ = 0;
    songNoG_ongl_ = 0;
    Data::setOnglNoG(0);
    onglNoGuser_ = 0;
    for (int tab = 0; tab < Data::kTabs; ++tab) {
        Data::setIndexInTitleArrayG(tab, -1);
        Data::setIndexInAuthorArrayG(tab, -1);
    }
}

void Controller::clearFilterState()
{
    Data::setFilterNoG(-1);
    Data::setFilterTypeG(0);
    filterON_ = false;
    Data::setFilterChampG(0);
}

void Controller::applicationDidFinishLaunching()
{
    TLOG(QStringLiteral("Controller applicationDidFinishLaunching"));
    Midi::setTraiterMidiNotifications(true);
}

void Controller::setOptions(const ControllerOptions &options)
{
    options_ = options;
}

// Every option the global state holds, fallbacks included, so that a first
// run behaves as the preferences window shows.
void Controller::applyOptionsToData()
{
    Data::setOptHalfPageMarker(controller::halfPageMarkerItems().value(options_.halfPageMarker).tag);
    Data::setOptZoomRedLine(options_.zoomRedLine ? 1 : 0);
    Data::setOptCenterMouse(options_.centerMouse ? 1 : 0);
    Data::setOptReverseMouse(options_.reverseMouse ? 1 : 0);
    Data::setOptHiddenRegions(options_.hiddenRegions ? 1 : 0);
    Data::setOptAutoOpen(options_.autoOpen ? 1 : 0);
    Data::setOptExtOpen(options_.extOpen ? 1 : 0);
    Data::setOptKeyPad(options_.keyPad ? 1 : 0);
    Data::setOptKeyPad2(options_.keyPad2 ? 1 : 0);
    Data::setOptGap(options_.gap ? 1 : 0);
    Data::setOptPrevPageSong(options_.prevPageSong ? 1 : 0);
    Data::setOptNextPageSong(options_.nextPageSong ? 1 : 0);
    if (options_.metroSound)
        Data::setOptMetroSound(*options_.metroSound);
    if (options_.syncMode)
        Data::setSyncMode(*options_.syncMode);
    if (options_.tickSound)
        Data::setTickSound(*options_.tickSound);
}

void Controller::preferencesClosed(const ControllerOptions &edited)
{
    // The dialog edits the preferences; the run state stays the controller's.
    options_ = controller::withChangedPreferences(options_, edited, options_);
    applyOptionsToData();
    {
        // Not changed in the window: never over a stored value not read yet.
        const platform::UserDefaults::Provisional unchanged(platform::UserDefaults::standard());
        Data::saveData();
    }
    ajusterDimmer();
    actionMidiDelay();
    Data::activateKeywin();
}

void Controller::actionPref()
{
    if (!windowPref_) {
        windowPref_ = new PreferencesDialog;
        // Modal, as the options apply when it closes.
        windowPref_->setWindowModality(Qt::ApplicationModal);
        QObject::connect(windowPref_, &PreferencesDialog::closedWithOptions, this,
                         [this](const ControllerOptions &) { preferencesClosed(windowPref_->editedOptions(options_)); });
    }
    windowPref_->showOptions(options_);
}

void Controller::ajusterDimmer()
{
    const double level = options_.dimmer ? options_.dimmerVal / 100.0 : 0.0;
    const double inact = qMin(1.0, options_.dimmerValInact / 100.0);
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w)
            w->ajusterDimmer(level, inact);
}

void Controller::setContPlay(qint64 slot, qint64 code)
{
    if (slot < 0 || slot >= controller::SlotCount)
        return;
    if (code == 1)
        options_.contPlay[size_t(slot)] = !options_.contPlay[size_t(slot)];
    if (QAction *item = contPlayItems_.value(slot))
        item->setChecked(options_.contPlay[size_t(slot)]);
    // The current slot's item shows the current slot, whichever slot was toggled.
    if (contPlayX_ && (slot == currentDirNo_ || code != 1))
        contPlayX_->setChecked(options_.contPlay[size_t(slot)]);
    ajusterMenuGenre();
}

void Controller::setSlave(qint64 code)
{
    if (code == 1) {
        if (options_.slaveOn) {
            options_.slaveOn = false;
            slaveOnPaused_ = false;
            stopSlaveObserver();
            slaveTimer_.stop();
            updateSlaveTimerInfoX(true);
        } else {
            if (ituneTimer_.isActive())
                stop_if_playing(true);
            options_.slaveOn = true;
            startSlaveObserver();
            audio::MusicX::eyeTunes().refresh(this, [this]() {
                if (options_.slaveOn && !audio::MusicX::eyeTunes().isRunning())
                    tellFailure(QStringLiteral("No media player answers: start one to follow it."));
            });
        }
    }
    if (slaveX_)
        slaveX_->setChecked(options_.slaveOn);
    doSearchAuto();
}

void Controller::setContPlayFlag(qint64 code)
{
    if (code == 1)
        options_.contPlayFlagOn = !options_.contPlayFlagOn;
    if (contPlayFlagX_)
        contPlayFlagX_->setChecked(options_.contPlayFlagOn);
    ajusterMenuGenre();
}

void Controller::applicationWillTerminate()
{
    TLOG(QStringLiteral("Controller applicationWillTerminate"));
    if (!started_ || terminated_)
        return;
    terminated_ = true;
    // A song file made or trashed since is not shown: no folder reloads on the way out.
    songFiles_.end();
    folderReads_.end();
    Pieces::setHeaderAsk({});
    songHeaders_.end();
    headersAsked_.clear();
    folderReadLate_.stop();
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    // Settings still unread: what this run holds came from an empty store.
    const platform::UserDefaults::Provisional unread(defaults);
    // Every window left open counts as closed, with its changes, before any
    // of what it changes is written here; the document windows stay for the
    // layout.
    platform::closeWindowsForQuit(
        [](const QWidget *window) { return qobject_cast<const WindowPDFxSuper *>(window) != nullptr; });
    // A closed editor's new song may still wait on its folder.
    if (winEditController_)
        winEditController_->settleOnQuit();
    closeChordLibraries();
    saveNotesAtShutdown();
    // What it kept is settled: a copy removed since, its edit written after all, is not told of.
    platform::kept::forgetRemovedCopies();
    // Auxiliary windows alone make no layout worth keeping; one half-way
    // through a switch of screen set is none either.
    bool anyTolvane = false;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        anyTolvane = anyTolvane || windowlist::isTolvaneWindow(w);
    if (anyTolvane && !screensetPending()) {
        // The layout as the windows stand is the program's record of them: kept
        // aside where the file cannot take it, it would only bury a real edit.
        const platform::UserDefaults::Bookkeeping own(defaults);
        saveScreenset();
    }
    Data::saveLogPlayed();
    Data::saveFlags();
    keepBookMark(currentDirNo_);
    {
        // The run count changes at every quit, but not as the performer's change.
        const platform::UserDefaults::Bookkeeping own(defaults);
        defaults.setInteger(QStringLiteral("NbrExec"), options_.nbrExec);
    }
    writeRunState();
    Midi::unRegisterInputDevices(Midi::inputPort());
}

void Controller::writeRunState()
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    Data::setInitialScreenSet(screensetToLoad_ >= 1 ? screensetToLoad_ : Data::currentScreensetG());
    Data::setInitialGenre(userGenre_);
    defaults.setBool(QStringLiteral("NoteTextMode"), !Data::formattedNote());
    folders_.writeAtShutdown(defaults);
    defaults.setInteger(QStringLiteral("dirNo"), currentDirNo_ < 0 && awaitedDirNo_ >= 0 ? awaitedDirNo_ : currentDirNo_);
    // Options held by the global state are written as it holds them now.
    options_.halfPageMarker = int(Data::optHalfPageMarker());
    options_.zoomRedLine = Data::optZoomRedLine() != 0;
    options_.centerMouse = Data::optCenterMouse() != 0;
    options_.reverseMouse = Data::optReverseMouse() != 0;
    options_.hiddenRegions = Data::optHiddenRegions() != 0;
    options_.autoOpen = Data::optAutoOpen() != 0;
    options_.extOpen = Data::optExtOpen() != 0;
    options_.keyPad = Data::optKeyPad() != 0;
    options_.keyPad2 = Data::optKeyPad2() != 0;
    options_.gap = Data::optGap() != 0;
    options_.prevPageSong = Data::optPrevPageSong() != 0;
    options_.nextPageSong = Data::optNextPageSong() != 0;
    options_.metroSound = Data::optMetroSound();
    options_.syncMode = Data::syncMode();
    options_.tickSound = Data::tickSound();
    options_.write(defaults);
}
