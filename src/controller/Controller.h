#pragma once

#include "audio/Track.h"
#include "controller/CommandTable.h"
#include "controller/ControllerOptions.h"
#include "controller/FolderSlots.h"
#include "events/NoteReads.h"
#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

struct FolderRead;
class ChordLibrary;
class DataHelp;
class DataPref4;
class DataPref5;
class DataPref6;
class MidiWindows;
class DataPref7;
class DataPref8;
class DataPref9;
class DataPrefA;
class WinVersions;
class Pieces;
class QAction;
class QRect;
class QWidget;
class WinMsg;
class WinAudioPlayer;
class WinAudioPreview;
class WinNote;
class WinChordProToPDF;
class WinNoteF;
class NoteWriter;
class QMenu;
class PopupJauge;
class PreferencesDialog;
class WinEdit;
class WindowPDFxSuper;
namespace platform {
struct Notification;
}

// The application's controller: starts and stops the program, holds the
// folder slots, navigates songs and pages and dispatches every command of
// the command vocabulary. Its work is spread over files by concern:
// ControllerStartup (start and shut-down, options), ControllerFolders (slots
// and folder loading), ControllerWindows (screen sets), ControllerNavigation,
// ControllerSearch (type-ahead), ControllerToc (table of contents and tabs),
// ControllerKeyActions, ControllerPush (the song push and the window relays),
// ControllerDispatch ("ActionKey"), ControllerNotifications (named and
// system notifications), ControllerMenus (the MIDI, Window, Screenset and
// Song menus, tool windows), ControllerScreens (send to screen, window
// level, new windows), ControllerFiles (the song's file handed to the
// desktop), ControllerDocuments (editing, creating and deleting songs) and
// ControllerPlayback (the song's track, the mute timer and continuous play),
// ControllerFollow (following the media player) and ControllerAudioWindows
// (the loop player and the track preview).
class Controller : public QObject {
    Q_OBJECT
public:
    using PiecePtr = std::shared_ptr<Pieces>;

    Controller();
    ~Controller() override;

    // ---- Start-up and shut-down (ControllerStartup.cpp) ----------------------
    void awakeFromNib();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // Options as read at start and edited by the preferences window.
    const controller::ControllerOptions &options() const { return options_; }
    void setOptions(const controller::ControllerOptions &options);
    // Copies the options that the global state holds into it.
    void applyOptionsToData();
    // The preferences window closed: options to the global state, saved.
    void preferencesClosed(const controller::ControllerOptions &edited);
    void actionPref();
    void ajusterDimmer();
    void setContPlay(qint64 slot, qint64 code);
    void setSlave(qint64 code);
    void setContPlayFlag(qint64 code);
    qint64 nbrExec() const { return options_.nbrExec; }

    // ---- Folder slots and loading (ControllerFolders.cpp) -------------------
    QString obtenirDir(qint64 slot) const;
    void conserverDir(const QString &path, qint64 slot);
    void setDirButton(qint64 currentSlot);
    static QString getLab(const QString &path);
    // Codes: 0 help folder, 1 open slot, 2 choose a folder for the slot,
    // 3 unassign the slot; any other only runs the common end. In turns, the
    // song shown and the table of contents each come in a later turn of the
    // event loop. A slot's folder opens from the reads made off the main thread
    // (refreshAfterRead), never read here: one they do not hold is not
    // available. A folder chosen, and the one shown again after a cancelled
    // choice or another slot unassigned, open once read off the main thread.
    using FolderReads = QHash<QString, FolderRead>;
    void doRefresh(qint64 slot, qint64 code, bool refreshOnly, const FolderReads &reads, bool inTurns = false);
    // doRefresh code 1 for the start's folder and the commands keys and pedals
    // reach: the folders it may need are read off the main thread first, the
    // later command winning.
    void refreshAfterRead(qint64 slot, bool refreshOnly, bool inTurns = false);
    // Whether a folder read is still to be taken.
    bool folderReadPending() const { return folderReads_.busy(); }
    void doChargerHelpTolvane();
    void actionToggleInfo();
    // Offers a sample song in a folder without one: answers whether it was
    // accepted; `opened` takes the folder read again once it is written.
    bool creerDefaultChordPro(const QString &folder, std::function<void(const FolderReads &)> opened);
    static QString defaultChordProString();
    QString getPath(qint64 songNo) const;
    void keepBookMark(qint64 slot);
    void gotoBookMark(qint64 slot);
    qint64 currentDirNo() const { return currentDirNo_; }
    bool dejaAct() const { return dejaAct_; }
    const controller::FolderSlots &folderSlots() const { return folders_; }
    QMenu *folderMenu() const { return menu1_; }

    // ---- Navigation (ControllerNavigation.cpp) -------------------------------
    void traiterPrev();
    void traiterNext();
    PiecePtr positionnerProchainePieceSelonFiltre();
    PiecePtr obtenirProchainePieceSelonFiltre() const;
    void traiterUP(bool sync);
    void traiterDown(bool sync, qint64 nbc, bool retourPage1);
    void actionUp() { traiterUP(false); }
    void actionDown() { traiterDown(false, 0, false); }
    void traiterSpace() { actionDown(); }
    void actionPGDN();
    void actionFirst();
    void actionLast();
    void gotoPrevNextTab(bool previous);
    void gotoSongNo(qint64 songNo, bool autoSide, bool adjustSlavePaused);
    void actionGotoCur();
    void actionEqual();
    void actionRefresh();
    void actionToggleSort();
    void chargerPages();
    void afficherInfoPiece(const PiecePtr &piece, const PiecePtr &piece2);
    PiecePtr getPieceNext() const;
    PiecePtr getPiecePrev() const;
    PiecePtr getPieceAfterNext() const;

    // ---- Type-ahead search (ControllerSearch.cpp) ----------------------------
    void allerA(qint64 k);
    qint64 rechercherChaine(const QString &text);
    qint64 prioriserPieceDansOnglet(qint64 indexInTab) const;
    static qint64 keyn(const QString &character);
    static QString carn(qint64 index);
    static QString obtenirCar(const QString &key, qint64 n);
    static qint64 obtenirNbCarReq(const QString &key, qint64 n);
    QString rechInfoAttributedString();
    void afficherInfoRech(bool show);
    void startTimer2(bool show);
    void unfocus2();
    void unfocus2b();
    void searchTail();
    const QString &rech() const { return rech_; }

    // ---- Table of contents and tabs (ControllerToc.cpp) ----------------------
    void afficherToc(bool flag);
    void masquerToc();
    void remplirToc();
    void initToc(qint64 slot, qint64 songIndex);
    void verifAffToc();
    void setSongNoToc(qint64 slot);
    void setOnglet(qint64 tab, qint64 code);
    void setTabsName();
    QString obtenirTabNameForDisplay(qint64 tab) const;
    void ajusterPosButtonToc();
    void loadTabsSettings(qint64 slot);
    void initTabsSettings(qint64 slot);
    void startTimerPrev();
    void setPrev();
    void actionOnglet2(qint64 tab, bool cmdPressed);
    void refreshNbTocG();
    // Half-page zoom.
    void afficherZoom(qint64 step, bool wrap);
    void masquerZoom();
    void actionZoom();
    void actionZoomOut();
    bool tocON() const { return tocON_; }
    bool filterON() const { return filterON_; }
    // ---- Table of contents, tabs, half-page zoom, dimmer ----
    bool redTab() const { return redTab_; }
    // The preferences' dimmer controls changed.
    void actionDimmer() { ajusterDimmer(); }
    // ---- end of table of contents, tabs, half-page zoom, dimmer ----

    // ---- Configurable actions and swipes (ControllerKeyActions.cpp) ----------
    struct PagePass {
        bool sync = false;
        qint64 extra = 1;
    };
    // The pre-pass over the open windows; anyFixPage is the dispatcher's variant.
    PagePass windowPrePass(bool anyFixPage) const;
    void traiterKeyAction(qint64 action, bool rev, const QString &text);
    void traiterKeyInput(controller::KeyInput input);
    void traiterSwipe(qint64 direction);
    void demarrerCountDownCountToPourMute();
    void openInExternalApp();
    void traiter_prev_tab();
    void traiter_next_tab();
    void playCurrentTrackAndskipTo(double position);
    void playNow();
    void stopOrPlay(const QString &text, bool withFlaggedContinue);
    void cancelCountIn();
    bool countInRuns() const;
    void triggerNextCue();
    void audibleMetronomeOnOff(qint64 code);
    // A command whose subsystem is not part of the program yet: logged, no effect.

    // ---- Playback of the song's track (ControllerPlayback.cpp) ----------------
    // Stops what plays (the track, or the mute timer in genre 6); reload also
    // resets the cues and shows the song again. True when something stopped.
    bool stop_if_playing(bool reload);
    void play_trackAndskipTo(double position);
    // Looks the current song's track up and starts it; false with a message.
    bool play_track_by_searchAndskipTo(double position);
    void startItuneTimer();
    // The ticks end, and with them the words of a track awaited.
    void stopItuneTimer();
    // Says that the music folder's first scan is under way, until it ends.
    void sayIndexing();
    // The track-information tick: the mute clock, or the player's position.
    void updateItuneInfo();
    void updateItuneInfo2B();
    // A track ended: with continuous play on for the folder, the next song plays.
    void continuePlaying();
    // Plays songNoG_next when there is one; otherwise the track display goes.
    void playSongNext();
    // Chooses songNoG_next for continuous play.
    void determinerPieceNext();
    qint64 songNoGNext() const { return songNoG_next_; }
    qint64 songNoGItunes() const { return songNoG_itunes_; }
    double trackTimerInterval() const { return ituneTimer_.interval(); }

    // ---- Following the media player (ControllerFollow.cpp) ---------------------
    // Start-up: the follower reset, its first search 2 s later.
    void initPourSlave();
    void premiereRecherchePourSlave();
    void startSlaveObserver();
    void stopSlaveObserver();
    // The media player's state or track changed.
    void updateSlaveInfo();
    void doSearchAuto() { isSearchAutoOk(false); }
    // explicitSearch: asked for by go-to-current. True when it moved to a
    // song or found the track to match none.
    bool isSearchAutoOk(bool explicitSearch);
    // The user moved to a song by hand: following pauses until the track changes.
    void ajusterSlavePaused();
    // The song number (1-based, current sort) of a title-order index; -1 for none.
    qint64 obtenirSongNoFromIdx(qint64 index) const;
    void goToSlaveIdx(qint64 songNo);
    // Every half second the players are asked again; fireSlaveTimer takes the
    // followed one's answer.
    void startSlaveTimer();
    void fireSlaveTimer();
    // reset: the track display goes and the cues start over.
    void updateSlaveTimerInfoX(bool reset);
    // Stops the follow timer and the media player; true when the player was playing.
    bool stopSlavePlayback();
    void remettreSlaveStateNormal();
    QString obtenirIconeMenuGenre() const;
    bool isPlaying() const;
    bool isPlayingInternal() const;
    bool slaveOnPaused() const { return slaveOnPaused_; }

    // ---- Loop player and track preview (ControllerAudioWindows.cpp) ----------
    void closeAudioPlayer();
    void closeAudioPreview();
    // The windows announced their closing: they go, a new one opens next time.
    void actionAudioPlayerCloseReceived();
    void actionAudioPreviewCloseReceived();
    WinAudioPlayer *winAudioPlayer() const;
    WinAudioPreview *winAudioPreview() const;

    // ---- Audio files: reveal and export (ControllerAudioExport.cpp) ----------
    void actionRevealAudio();
    // Asks for a folder, then exports the current song's recordings or the tab's.
    void actionExportAudioFiles(bool currentSongOnly);
    void exportAudioFiles(bool currentSongOnly, const QString &folder);
    void exportAudioFilesMultipleB();
    // Whether an export is under way: its popup shown, or the current song's copy not yet answered.
    bool audioExportRuns() const;
    PopupJauge *audioExportPopup() const;

    // ---- Song push and window relays (ControllerPush.cpp) --------------------
    void setPDFx(const PiecePtr &piece, qint64 pageNo, bool zoomTop, const PiecePtr &pieceNext, bool autom,
                 bool fromGotoPageNo);
    void updateItunesInfoX(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer,
                           bool resetCues);
    void updateRechInfoX(bool show, bool masquer);
    void updateRechInfo2X();
    void afficherTocX(bool flag);
    void setMsgX(const QString &msg, const QString &winID, bool stay);
    // A failure nobody opened a window for (a track that does not play, a
    // folder gone, a write that failed) or a copy kept: logged, and told as a
    // notice that holds the windows' message line for a few seconds or until
    // the next song, never in a modal dialog that would swallow keys and
    // pedals on stage. Every notice goes through here; one held UntilEnded
    // says a state and holds the line until endFailure(why). What the last
    // run kept is no song's: its notice (OfNoSong) is read through whatever song comes.
    enum class Held { ForTheSong, UntilEnded, OfNoSong };
    void tellFailure(const QString &why, Held held = Held::ForTheSong);
    void endFailure(const QString &why);
    bool traiterPageUpDown(bool down);
    void pageUpDownforWinIDX(const QString &winID, bool down);
    void refreshNoteX30();
    void refreshNoteX(bool reprocess);
    void refreshX();
    void ajusterCadreX();
    void refreshinfoX();
    void refreshtempoX();
    void refreshChordX();
    void refreshPieceNextX();
    // Window defaults changed: each window rereads them, then the song reloads.
    void refreshDefNoteDefPDFX();
    // Switches the display mode of every window that follows page changes, or of key alone.
    void setModeAffichageX(qint64 mode, bool allScreens, const WindowPDFxSuper *key);
    void afficherZoomHautX();
    void afficherZoomBasX();
    void refreshCue();
    void resetCue();
    void ajusterZoomON();
    void traiter_backslash();
    void updateCueX();
    void setChordStripX(qint64 kind, const QString &winID);
    bool selectTolvaneWin();
    void startProcessNoteTimer();
    void startAlreadyPlayedTimer();
    void stopAlreadyPlayedTimer();
    // Timers' handlers; the note and played-mark work is filled in by their owners.
    // The note's turn waits for a long note's parse, unless parseHere.
    void processNote(bool parseHere = false);
    bool processPendingNote();
    void alreadyPlayed();
    bool pendingSongRefresh() const { return pendingSongRefresh_; }
    const platform::Timer &noteTimer() const { return noteTimer_; }
    const platform::Timer &playedTimer() const { return playedTimer_; }

    // ---- Command dispatch (ControllerDispatch.cpp) ----------------------------
    void actionKeyReceived(const platform::Notification &n);
    void dispatchActionKey(qint64 code);
    void perform(const controller::CommandRef &command, const PagePass &pass);
    void refreshPDForChordPro(bool reset);

    // ---- The song's MIDI (ControllerMidi.cpp) ---------------------------------
    void sendMIDIfromNote();
    void sendMidiGroup(const QString &groupID);
    void actionMidiDelay();
    void refreshLastMIDIdataX();
    void refreshAvecReset();
    void clearFilterAndSearchCharacter();

    // ---- Named and system notifications (ControllerNotifications.cpp) ---------
    void registerObservers();
    void actionGoToSongInTab(qint64 n, bool checkCount);
    void actionGoToGenreNo(qint64 genre);
    void actionPlayNextPause(qint64 genre);
    void actionGoToGenreNoAndPlayPause(qint64 genre);
    void actionGoToGenreNoAndPlayPause2(qint64 genre);
    void actionGoToGenreNoAndPlayNow(qint64 genre);
    void actionGoToPageNo(qint64 page, bool bottom);
    void actionMessage(const QString &text, bool stay);
    void actionDisplayHideList(const QString &word);
    void actionOpen(const QString &path, bool asNew);
    void actionKeyPref(qint64 key);
    void appAct();
    void appInact();
    void appChangeScreenParameters();
    void receiveSleepNote();
    void receiveWakeNote();
    // Text shown in the preferences' key-test field.
    const QString &lastKeyTest() const { return lastKeyTest_; }

    // ---- Note windows (ControllerNotes.cpp) ------------------------------------
    // The note window in use gets the keys when it is shown; false when it is not.
    bool editVisibleNote();
    // "ActionInsererMessage", "ActionInsererAction" (timed here), "ActionInsererTag".
    void insererMessage(const QString &text);
    void insererAction(const QString &text);
    void insererTag(const QString &tag);
    // While recording, a typed character opens the timed message window.
    void showTimedMessage(qint64 code);
    WinNoteF *winNoteF() const { return winNoteF_.get(); }
    WinNote *winNote() const { return winNote_.get(); }
    WinMsg *winMsg() const { return winMsg_.get(); }
    NoteWriter *noteWriter() const { return noteWriter_.get(); }

    // ---- Screen sets (ControllerWindows.cpp) ----------------------------------
    // Switches to a screen set (0: the built-in layout), saving the current
    // one first when asked; windows leave full screen before the layout loads.
    void setScreensetX(qint64 set, bool save);
    void doSetScreensetX();
    void doSetScreensetXb();
    void saveScreenset();
    qint64 lastNbScreens() const { return lastNbScreens_; }
    bool screensetPending() const { return screensetToLoad_ >= 0; }

    // ---- Window inspector and setlist editor (ControllerSettingsWindows.cpp) ----
    void actionMenuItemWinInspector();
    // Refills a visible inspector for the key document window.
    void refreshInspector();
    // nullptr until the inspector is first opened.
    DataPref5 *inspector() const;
    // Made on first use and kept.
    DataPref6 *setlistEditor();
    // The MIDI settings windows (ControllerMidi.cpp).
    MidiWindows &midiWindows();
    // Tag, identifier, version and help windows: made on first use and kept
    // (the versions window at start-up).
    DataPref7 *tagList();
    DataPref8 *tagAssignments();
    DataPref9 *tagFilter();
    DataPref4 *winIDEditor();
    DataPrefA *versionChooser();
    WinVersions *versionsWindow();
    DataHelp *helpWindow();
    // Refreshes a visible versions window for the current song.
    void refreshVersionsWindow();

    // Menu side of the screen sets: switch, save, reload, copy, rename, titles.
    void actionScreensetX(qint64 set);
    void actionReloadScreenset();
    void actionSaveScreenset();
    void actionCopyScreensetTo(qint64 set);
    void renameScreenset();
    void refreshScreensetTitle();
    static QString obtenirScreensetName(qint64 screens, qint64 set);
    QMenu *screensetMenu() const { return menuScreenset_; }

    // ---- Menus and tool windows (ControllerMenus.cpp) -------------------------
    // The MIDI, Window, Screenset and Song menus.
    void buildPeripheryMenus();
    QMenu *midiMenu() const { return menuMidi_; }
    QMenu *windowMenu() const { return menuWindow_; }
    QMenu *songMenu() const { return menuPDF1_; }
    QAction *forceMasterMenuItem() const { return forceMasterMenuItem_; }
    // Tool windows. Each one still to come logs its waiting line here, the
    // one place its window replaces.
    void actionMenuItemNotes();
    void actionMenuItemWinID();
    void actionMenuItemTags();
    void actionMenuItemMidiOut();
    void actionMenuItemMidiFav();
    void actionMenuItemMidiTrig();
    void actionMenuItemMidiClock();
    void afficherHelp(qint64 page, bool modal);
    // 0 guitar, 1 ukulele; other instruments do nothing.
    void actionMenuItemChordLib(qint64 instrument);
    void actionMenuAudioPlayer();
    void afficherMasquerAudioPlayer();
    void actionMenuAudioPreview();
    void afficherMasquerAudioPreview();
    void actionManageVersions();
    // Operations 0 mail, 1 print, 2 preview, 3 export of the tab, 4 export of the song.
    void afficherWinChordProToPDF(qint64 operation);
    WinChordProToPDF *winChordProToPDF() const { return winChordProToPDF_.get(); }
    // The ChordPro editor on a song, a file, or empty.
    void showEditor(const PiecePtr &piece, const QString &path, bool isNew);
    WinEdit *winEditController() const;
    // The editor, made once: a song's folder that keeps its text is said on the windows.
    void makeEditor();
    // The chooser among a song's versions.
    void showVersionChooser();
    bool noteWindowVisible() const;
    void showNoteWindow();
    void closeNoteWindow();
    bool tagListVisible() const;
    // ---- Chord library windows (ControllerChordLibrary.cpp) ----
    void refreshChordLibrary();
    void refreshChordLibTable2();
    // "ActionEditChord" from a diagram: the library of its instrument opens on the chord.
    void actionEditChordReceived(const QString &name, QObject *view);
    // The library window of an instrument (0, 1), made on first use; null otherwise.
    ChordLibrary *chordLibrary(qint64 instrument, bool create);
    // At quitting: shown libraries close, hidden ones with unsaved changes ask;
    // the chord windows' song edits still waiting are kept aside.
    void closeChordLibraries();
    void toggleNote();
    void fermerNote();
    void toggleFormattedMode();
    void actionForceMaster();
    // The last waiting line logged (what a later window will do).

    // ---- Screens, window level, new windows (ControllerScreens.cpp) ----------
    bool isAuMoinsUneFenetreTolvane() const;
    void refreshMenuWindow();
    void refreshScreenList();
    void actionMenuSendToScreen(qint64 screenIndex);
    void actionMenuArrange(qint64 code);
    // deactivating: the application resigns active.
    void ajusterWindowLevel(bool deactivating);
    // A document window of a type (0-16), or a chord strip of a kind.
    void actionCreerWinX(qint64 winType);
    void actionCreerWinY(qint64 kind);
    QMenu *sendToScreenMenu() const { return menuSendToScreen_; }

    // ---- File commands (ControllerFiles.cpp) ----------------------------------
    // The current song's file, or the alternate version the key window shows.
    QString getFichier() const;
    void enableMenuPDF1(bool enabled);
    void openDirInFinder();
    void posiDirInFinder();
    void posiPieceInFinder();
    // tag 1 or more: the default application; below 1: viewer or editor.
    void actionOpenPDFx(qint64 tag);
    void actionOpenPDF2x();
    void mailPiece();
    void mailPiece2();
    void printPiece();
    void actionExportPDFx(qint64 tag);

    // ---- Document commands (ControllerDocuments.cpp) --------------------------
    void lancerEditeur();
    bool afficherPopupSiPlusieursVersions();
    bool isPlusieursVersionsEnCours() const;
    void actionCreerChordProDocument();
    void actionCreerChordProFromPDF();
    void actionSupprimerDocument();

    // ---- State read by tests and other parts ---------------------------------
    qint64 pageNo1() const { return pageNo1_; }
    bool zoomON() const { return zoomON_; }
    bool zoomTopState() const { return zoomTop_; }
    qint64 songNoToc() const { return songNoToc_; }
    qint64 onglNoGuser() const { return onglNoGuser_; }
    qint64 songNoGPrev() const { return songNoG_prev_; }
    qint64 userGenre() const { return userGenre_; }
    bool slaveOn() const { return options_.slaveOn; }
    bool trackTimerActive() const { return ituneTimer_.isActive(); }
    bool slaveTimerActive() const { return slaveTimer_.isActive(); }

    // ---- Marks, filters, genres, metronome, note timer ----
    // Played and flagged marks and their snapshot menus (ControllerMarks.cpp).
    void markAsalreadyPlayed(bool toggle);
    // A write the performer did not ask for failed (played date, flags,
    // marks): logged, and told in the windows' 3-second message once per
    // folder load. A modal dialog would swallow page turns on stage.
    void reportUnaskedWriteFailure(const QString &why);
    void markAsFlagged(bool flag, bool supprimer);
    void flagAllselectedSongs();
    void actionMenuAlreadyPlayed();
    // Tags: 0 flag, 1 unflag, 2 clear all flags, 3 invert the songs in view.
    void actionMenuFlagged(qint64 tag);
    void actionMenuItemRecall(qint64 n);
    void actionMenuItemRecallFlags(qint64 n);
    void actionMenuItemClearAllPlayedStates();
    // 1 for a snapshot found in check mode, the songs restored otherwise, 0 for none.
    qint64 loadLogPlayed(qint64 n, bool verifOnly, bool produireListe);
    qint64 loadFlags(qint64 n, bool verifOnly, bool produireListe);
    // A null title hides the item.
    void majMenuLogPlayed(qint64 n, qint64 logLast, const QString &str);
    void majMenuFlags(qint64 n, qint64 flagsLast, const QString &str);
    void verifierLogPlayed();
    void verifierFlags();
    void refreshFlagsX();
    QMenu *marksMenu();
    QMenu *recallMenu() { marksMenu(); return menuItemRecallx_; }
    QMenu *recallFlagsMenu() { marksMenu(); return menuItemRecallFlagsx_; }
    // Filters and their dummy header rows (ControllerFilters.cpp).
    // step: -2 clear, -1/1 step, above 1 that entry; pred: 0 none, 1 ARTIST,
    // 2 KEY, 3 TEMPO, 4 FLAGS, 5 PLAYED.
    void prevNextFilterNoG(qint64 step, qint64 type, qint64 pred, bool refresh);
    void ajouterPiecesPourFiltre(qint64 tab, bool determinerNoPage, int champ);
    void traiterPrevNextFilter(qint64 step);
    void applyFilterText();
    void editerSetlist(qint64 tab);
    void afficherTags();
    void fermerTags();
    void tagsAssignments();
    void filter();
    qint64 noPageToc() const { return noPageToc_; }
    qint64 nbrSongs() const { return nbrSongs_; }
    // Genres (ControllerGenres.cpp).
    void nextGenre();
    void setGenreX(qint64 genre);
    void setGenre();
    void ajusterMenuGenre();
    QMenu *genreMenu();
    // Metronome, MIDI clock (ControllerMetronome.cpp).
    void traiter_metroOn();
    void traiter_metroOff();
    void traiter_metroOnOff();
    void traiter_metroType();
    void restartMetronome();
    void refreshTapTempo();
    void startMetroTimer();
    void stopMetroTimer();
    void startClock();
    void updateMetro();
    void updateMetroWithNbTickX(qint64 nbTick, bool masquer, bool reset);
    // The song's tempo reached the global state: a running metronome follows it.
    void metroFollowTempo();
    double gduration() const;
    bool gskipmetro() const;
    void setGskipmetro(bool skip);
    bool gStopAuto() const;
    qint64 gnbtempo() const;
    bool metroTimerActive() const;
    qint64 clicksPlayed() const;

private:
    // Note windows (ControllerNotes.cpp).
    void createNoteWindows();
    QWidget *noteWindowInUse() const;
    QRect noteWindowFrame() const;
    void takeNoteWindowFrame(const QRect &frame);
    void pushSongToNotes(const PiecePtr &piece, qint64 pageNo, bool zoomTop, const PiecePtr &pieceNext);
    void pushTrackToNotes(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer);
    void pushZoomToNotes(bool top);
    // The loop player closes on a song change while it loops or a track plays; true when it did.
    bool closeAudioPlayerForSongChange();
    void pushSongToAudioWindows(const PiecePtr &piece);
    void pushTrackToAudioWindows(const QString &title, const QString &artist, double curPos, double maxPos,
                                 bool masquer);
    void refreshNotesMidi(bool control);
    // Saves the plain window's unsaved text; true when it wrote.
    bool savePlainNote();
    void saveNotesAtShutdown();
    void writePlayedDate(const QString &date);
    void reprocessSavedNote();
    double secondsSinceMuteStart() const;
    // Before the windows that write through it: it goes after them.
    std::unique_ptr<NoteWriter> noteWriter_;
    // The words said of the note write that waits, held until it ends.
    QString noteWaitSaid_;
    std::unique_ptr<WinNoteF> winNoteF_;
    std::unique_ptr<WinNote> winNote_;
    std::unique_ptr<WinMsg> winMsg_;
    std::unique_ptr<WinChordProToPDF> winChordProToPDF_;

    struct MetroState;
    MetroState &metro();
    QList<PiecePtr> songsInView() const;
    std::shared_ptr<MetroState> metro_;
    QPointer<QMenu> marksMenu_;
    QPointer<QMenu> menuItemRecallx_;
    QPointer<QMenu> menuItemRecallFlagsx_;
    QList<QPointer<QAction>> menuItemRecall_;
    QList<QPointer<QAction>> menuItemRecallFlags_;
    QPointer<QMenu> menuGenre_;
    QList<QPointer<QAction>> genreItems_;
    // ---- end of marks, filters, genres, metronome, note timer ----

private Q_SLOTS:
    void onPrepareForSleep(bool start);

private:
    friend class ControllerTestAccess;

    // Start-up steps.
    void buildMenus();
    void addSettingsMenuItems();
    void deleteSettingsWindows();
    // With the inspector key on a Tolvane window, that window becomes key.
    void makeInspectedWindowKey();
    void resetNavigationState();
    // The folder, screen set, genre, note mode, folder slots and options as
    // the run holds them: written at a quit, taken as the start's at start-up.
    void writeRunState();
    // What start-up takes from the store, one function per part, run again
    // by the store when a file that could not be read at start is read.
    void readStoredScreensetAndGenre();
    void readStoredOptionsAndFolder();
    void startSleepWatch();

    // Folder loading steps.
    bool scanSlot(qint64 slot, bool noMsg, const FolderReads &reads);
    void loadHelpFolder();
    void refreshCommonStart(qint64 slot);
    void refreshCommonEnd(bool refreshOnly, qint64 slotBefore, bool inTurns);
    void showScannedToc();
    // Runs fn at the next turn of the event loop, unless the controller has gone or ended by then.
    void nextTurn(std::function<void()> fn);
    QString unavailableFolder(qint64 slot, const FolderReads &reads);
    void checkStoredSlots();
    // Reads the folders off the main thread and hands them to `then`, unless a
    // later command came first; past half a second the windows say which
    // folder is awaited, until it answers.
    void readFolders(const QStringList &folders, std::function<void(const FolderReads &)> then);
    // Asks for a folder for the slot and opens it once read, asking again
    // while the one chosen has no song (code 1 offers a sample song first).
    void chooseFolder(qint64 slot, bool offerSample);
    // Opens the folder chosen for the slot from its read; false (the lists
    // and the slot unchanged) when it holds no song.
    bool openChosen(qint64 slot, const QString &chosen, const FolderRead &read, bool quiet);
    // What the program showed, or was opening, read again; else the help folder.
    void reopenShown();
    // The folder read under way is not taken, and its notice goes.
    void endFolderRead();
    void clearWindowsForEmptyList();

    void clearFilterState();
    qint64 tabStart(qint64 tab) const;
    void showNewWindow(WindowPDFxSuper *window);

    controller::ControllerOptions options_;
    controller::FolderSlots folders_;
    qint64 currentDirNo_ = -1;
    // The slot stored to open at start while its folder has not opened (not
    // answered yet, or missing): kept for the next start and opened by a
    // refresh once the folder is back.
    qint64 awaitedDirNo_ = -1;
    bool dejaAct_ = false;
    bool slaveOnPaused_ = false;
    // A search runs: a nested one takes the last index.
    bool slaveSearchEnCours_ = false;
    QMetaObject::Connection slaveObserver_;
    QMetaObject::Connection slavePositionObserver_;
    QPointer<WinAudioPlayer> winAudioPlayer_;
    QPointer<WinAudioPreview> winAudioPreview_;
    bool started_ = false;
    bool terminated_ = false;

    // Navigation.
    qint64 pageNo1_ = 1;
    bool tocON_ = false;
    bool filterON_ = false;
    bool zoomON_ = false;
    bool zoomTop_ = true;
    qint64 noPageToc_ = 0;
    qint64 nbrPagesToc_ = 0;
    qint64 nbrSongs_ = 0;
    bool verifTOC_ = false;
    qint64 songNoG_prev_ = 0;
    qint64 songNoG_prev_prev_ = 0;
    qint64 songNoG_itunes_ = 0;
    qint64 songNoG_next_ = 0;
    qint64 songNoG_ev_ = 0;
    qint64 songNoG_ongl_ = 0;
    qint64 onglNoGuser_ = 0;
    qint64 ongletErr_ = -1;
    bool redTab_ = false;
    qint64 currentSortPrev_ = 0;
    QString rech_;
    bool rechBloque_ = false;
    bool grechhidden_ = false;
    qint64 songNoToc_ = -1;
    qint64 songNoNote1_ = 0;

    // Performance state.
    bool pendingSongRefresh_ = false;
    bool doRefreshCue_ = false;
    bool unaskedWriteFailureTold_ = false; // since the last folder load
    qint64 noteIsChanging_ = 0;
    bool tagAuto_ = false;
    bool iTunesStartedFromQuillory_ = false;
    qint64 userGenre_ = 0;
    // The screen set and genre start-up chose, told apart from the performer's.
    qint64 startScreenset_ = 0;
    qint64 startGenre_ = 0;
    // Start-up has taken what it reads from the store: its parts run again only after a late read.
    bool startUpRead_ = false;
    controller::ControllerOptions startOptions_; // as start-up read them
    // Track-information ticks left while the player has not started yet.
    int tentative_ = 5;
    // Polls the track has waited on its file system (a share waking up).
    int openingPolls_ = 0;
    // The words said of the file the player still opens, held while it does.
    QString trackAwaited_;
    // The words said of the music folder's first scan, held while it lasts.
    QString indexingSaid_;
    // The tick runs fast near the track's end.
    bool grecedule_ = false;
    // Counts play and stop requests: a play that waits for the music folder's
    // first scan goes ahead only if no request came after it.
    quint64 playRequests_ = 0;
    // The audio export in progress: its popup, songs and library tracks. A
    // song's tracks are copied off the main thread, one song at a time, then
    // `then` runs with the song's copies counted.
    QPointer<PopupJauge> popupJauge_;
    QList<PiecePtr> exportSongs_;
    QList<audio::Track> exportItems_;
    void copySongTracks(const PiecePtr &piece, std::function<void()> then);
    platform::FileWork audioCopies_;
    qint64 screensetToLoad_ = -1;
    qint64 lastNbScreens_ = 0;
    QString lastKeyTest_;

    // Timers (all through the platform clock).
    platform::Timer noteTimer_;
    // The note's turn came before its parse answered: it is taken when that comes.
    bool noteAwaited_ = false;
    NoteReads noteReads_{[this]() {
        if (noteAwaited_)
            processNote();
    }};
    platform::Timer playedTimer_;
    platform::Timer prevTimer_;
    platform::Timer fadeTimer2_;
    platform::Timer ituneTimer_;
    platform::Timer slaveTimer_;
    platform::Timer fTimer_;
    int nbLoopFullScreen_ = 0;

    // Menus.
    QPointer<QMenu> menu1_;
    QList<QPointer<QAction>> slotItems_;
    QList<QPointer<QAction>> clearItems_;
    QList<QPointer<QAction>> slotActions_;
    QList<QPointer<QAction>> contPlayItems_;
    QPointer<QAction> contPlayX_;
    QPointer<QAction> slaveX_;
    QPointer<QAction> contPlayFlagX_;
    QPointer<QAction> menuItemRefresh_;
    QPointer<PreferencesDialog> windowPref_;
    QPointer<WinEdit> winEditController_;
    QPointer<DataPref5> dataPref5Controller_;
    QPointer<DataPref6> dataPref6Controller_;
    QPointer<MidiWindows> midiWindows_;
    QPointer<DataPref4> dataPref4Controller_;
    QPointer<DataPref7> dataPref7Controller_;
    QPointer<DataPref8> dataPref8Controller_;
    QPointer<DataPref9> dataPref9Controller_;
    QPointer<DataPrefA> dataPrefAController_;
    QPointer<WinVersions> winVersionsController_;
    QPointer<DataHelp> dataHelpController_;
    QPointer<ChordLibrary> chordLibraries_[2];

    QPointer<QMenu> menuMidi_;
    QPointer<QMenu> menuWindow_;
    QPointer<QMenu> menuScreenset_;
    QPointer<QMenu> menuPDF1_;
    QPointer<QMenu> menuSendToScreen_;
    QPointer<QAction> menuItemSendToScreen_;
    QPointer<QAction> forceMasterMenuItem_;
    QList<QPointer<QAction>> screensetItems_;
    QList<QPointer<QAction>> songItems_;

    // A new ChordPro file beside a PDF and a song's deletion look at the song's
    // folder and write there off the main thread, one command at a time.
    platform::FileWork songFiles_;
    // Runs on that work's thread (and on the folder reads') before its file
    // calls on the path given: tests stand a silent share in.
    std::function<void(const QString &)> songFileCall_;
    // ChordPro headers a record wants and no read has given yet (Pieces::askHeader),
    // read off the main thread, one job per song file asked.
    void askSongHeader(const PiecesDetPtr &det);
    platform::FileWork songHeaders_;
    QHash<QString, QList<std::weak_ptr<PiecesDet>>> headersAsked_;
    // Library-folder reads for refreshAfterRead; only the one asked last is taken.
    platform::FileWork folderReads_;
    quint64 folderReadAsked_ = 0;
    platform::Timer folderReadLate_;
    // The notice of the folder read awaited, held until it answers.
    QString folderAwaited_;
};
