#pragma once

#include "library/DataEvents.h"
#include "library/FolderWalk.h"
#include "library/Pieces.h"
#include "library/TabDet.h"
#include "library/WinID.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

class QAbstractButton;
class QAction;
class QObject;
class QRectF;
class QScreen;
class QWidget;
namespace platform {
struct KeyEvent;
class MediaPlayer;
}
class QSoundEffect;
class WindowPDFxSuper;

// What a folder scan reads from the file system, read on any thread: the walk,
// the note of each song it took and the header of each ChordPro song (in the
// walk's order), and whether the folder could be used at all.
struct FolderRead {
    bool usable = false;
    folderwalk::Result scan;
    QList<notefile::ReadResult> notes;
    QList<std::optional<PiecesDet::Header>> headers;
};
// Touches nothing but the file system, so it may wait on a share off the main thread.
FolderRead readFolder(const QString &folder);

namespace audio {
struct Track;
}

// A plain value of the global state: getter of its name, setter setX that only
// stores. Atomic because the MIDI and clock threads read and write some of them.
#define TOLVANE_DATA_VALUE(Type, name, Setter, init)                                   \
private:                                                                              \
    static inline std::atomic<Type> s_##name{init};                                   \
                                                                                      \
public:                                                                               \
    static Type name() { return s_##name.load(std::memory_order_relaxed); }           \
    static void Setter(Type value) { s_##name.store(value, std::memory_order_relaxed); }

// The application's global state and its class-level services. Never
// instantiated. Spread over files by concern: DataState (statics, start,
// library queries), DataScan (folder scan and combined lists), TabDet and
// WinID (tabs and window identifiers), DataTags, DataLogs (played and flagged
// logs, list export), DataDialogs (dialogs and character tests), DataDesktop
// (hand-offs to other applications). The window side lives with the windows,
// which sit above the library: windows/DataWindows (queries over the open
// document windows), windows/DataWindowList (creating, closing and finding
// document windows), windows/DataScreenSets (stored window layouts) and
// windows/DataArrange (placement on screens). chords/DataChords holds the
// chord libraries.
class Data : public DataEvents {
public:
    Data() = delete;

    // ---- Start ------------------------------------------------------------
    static void initData();
    // What initData takes from the settings (automation, MIDI text option,
    // window identifiers and tags), also after a late read.
    static void readStoredSettings();
    static void initListePieces();

    // ---- Audio objects --------------------------------------------------------
    // Metronome click; created by initData (nullptr before).
    static QSoundEffect *audioPlayerObj();
    // Frees the click before the application object goes away (waits for a load in progress).
    static void releaseAudioObjects();
    // The track player (made on the first play, then reused), the file it
    // holds and the library track played.
    static std::shared_ptr<platform::MediaPlayer> player();
    static void setPlayer(const std::shared_ptr<platform::MediaPlayer> &value);
    static QString playerItem();
    static void setPlayerItem(const QString &path);
    static std::shared_ptr<const audio::Track> mediaItem();
    static void setMediaItem(const std::shared_ptr<const audio::Track> &value);

    // ---- Track lookup (audio/DataAudio.cpp) -------------------------------------
    // Finds the song's track among the library's tracks by title, artist and
    // genre (with the genre's fallbacks), then: with revealOnly shows it in the
    // file manager; otherwise plays it from skipTo seconds in the program's
    // player. False when no track was found.
    static bool play_if_found2(const QList<audio::Track> &items, const QString &titre, const QString &artiste,
                               qint64 genre, bool revealOnly, double skipTo);
    // "n file(s) have been copied to <folder>" with "Ok" and "Reveal in File Manager".
    static void exportAudioFilesMessageFinal(qint32 count);
    // The files an export could not copy (each once), emptied when an export starts.
    static QStringList &filesNotCopied();

    static QAction *refMenuMidi();
    static void initRefMenuMidi(QAction *item);
    static QDateTime timeLastPlayMute();
    static void initTimeLastPlayMute();

    // ---- Flags --------------------------------------------------------------------
    TOLVANE_DATA_VALUE(bool, recOn, setRecOn, false)
    TOLVANE_DATA_VALUE(bool, tocOn, setTocOn, false)
    TOLVANE_DATA_VALUE(bool, loopOn, setLoopOn, false)
    TOLVANE_DATA_VALUE(bool, metroOn, setMetroOn, false)
    TOLVANE_DATA_VALUE(bool, formattedNote, setFormattedNote, false)
    TOLVANE_DATA_VALUE(bool, clockOn, setClockOn, false)
    TOLVANE_DATA_VALUE(bool, gautomationOff, setGautomationOff, false)
    TOLVANE_DATA_VALUE(bool, gTriggerAuto, setGTriggerAuto, false)
    TOLVANE_DATA_VALUE(bool, gTriggerAutoMute, setGTriggerAutoMute, false)
    TOLVANE_DATA_VALUE(bool, gDisplayCount, setGDisplayCount, false)
    TOLVANE_DATA_VALUE(bool, gcountSkip, setGcountSkip, false)
    TOLVANE_DATA_VALUE(bool, fra, setFra, false)
    TOLVANE_DATA_VALUE(bool, useItunes, setUseItunes, false)
    TOLVANE_DATA_VALUE(bool, macOS26, setMacOS26, false)
    TOLVANE_DATA_VALUE(bool, inspectorOn, setInspectorOn, false)
    TOLVANE_DATA_VALUE(bool, getDirOn, setGetDirOn, false)
    TOLVANE_DATA_VALUE(bool, gok, setGok, false)
    TOLVANE_DATA_VALUE(bool, gChordsLoaded, setGChordsLoaded, false)

    // ---- Performance ----------------------------------------------------------
    TOLVANE_DATA_VALUE(qint64, gtempo, setGtempo, 0)
    static qint64 gautomation();
    // Also stored under "gautomation".
    static void setGautomation(qint64 value);
    TOLVANE_DATA_VALUE(double, gpos, setGpos, 0.0)
    TOLVANE_DATA_VALUE(qint32, gPlayAutoForGenre, setGPlayAutoForGenre, -1)
    TOLVANE_DATA_VALUE(qint64, gcount, setGcount, -1)
    TOLVANE_DATA_VALUE(qint64, gcountTo, setGcountTo, 0)
    TOLVANE_DATA_VALUE(qint32, gskipTo, setGskipTo, 0)
    TOLVANE_DATA_VALUE(qint32, gnbTick, setGnbTick, 0)

    // ---- Collections (changed in place by their users) ---------------------------
    static QString &rechInfo();
    static QList<WinIDPtr> &winIDs();
    static QList<TabDetPtr> &tabs();
    static QStringList &tags();
    static QStringList &tagsTemp();

    // The song lists. By title / by author: each tab's main / alternate sort,
    // each tab one contiguous run, tab 0 first. TEMP1: the last scan's
    // accumulation (indexed by PiecesDet::indexInTEMPn). TEMP2: the current
    // filtered list (never touched by a scan or a snapshot recall).
    static PiecesList &listePiecesByTitle();
    static PiecesList &listePiecesByAuthor();
    static PiecesList &listePiecesTEMP1();
    static PiecesList &listePiecesTEMP2();
    static PiecesList &listePiecesByTitle2();
    static PiecesList &listePiecesPrec();
    static PiecesList &listePiecesLog();
    static PiecesList &listePiecesFlagged();
    // Held by the flag operations and the controller's flag and filter passes.
    static std::recursive_mutex &listePiecesFlaggedMonitor();

    // Open document windows, in the order they were opened.
    static QList<QPointer<WindowPDFxSuper>> &nsMutaryOfWindows();

    TOLVANE_DATA_VALUE(qint64, nbWinID, setNbWinID, 0)
    TOLVANE_DATA_VALUE(qint32, nbTick, setNbTick, 0)

    // ---- Texts (changed in place by their users) --------------------------------
    static QString &optMidiText1();
    static QString &dirX();
    static QString &dirOut();
    static QString &premierFichier();
    static QString &filterString();
    static QString &allChordsString();
    static QString &allChordsStringUk();
    static void setOptMidiText1(const QString &v) { optMidiText1() = v; }
    static void setDirX(const QString &v) { dirX() = v; }
    static void setDirOut(const QString &v) { dirOut() = v; }
    static void setPremierFichier(const QString &v) { premierFichier() = v; }
    static void setFilterString(const QString &v) { filterString() = v; }

    static QPointF nsPointWindowOrigin();
    static void setNsPointWindowOrigin(const QPointF &p);

    // ---- Options ------------------------------------------------------------------
    TOLVANE_DATA_VALUE(qint64, optZoomRedLine, setOptZoomRedLine, 0)
    TOLVANE_DATA_VALUE(qint64, optHalfPageMarker, setOptHalfPageMarker, 0)
    TOLVANE_DATA_VALUE(qint64, syncMode, setSyncMode, 0)
    TOLVANE_DATA_VALUE(qint64, tickSound, setTickSound, 0)
    TOLVANE_DATA_VALUE(qint64, optCenterMouse, setOptCenterMouse, 0)
    TOLVANE_DATA_VALUE(qint64, optReverseMouse, setOptReverseMouse, 0)
    TOLVANE_DATA_VALUE(qint64, optHiddenRegions, setOptHiddenRegions, 0)
    TOLVANE_DATA_VALUE(qint64, optAutoOpen, setOptAutoOpen, 0)
    TOLVANE_DATA_VALUE(qint64, optMetroSound, setOptMetroSound, 0)
    TOLVANE_DATA_VALUE(qint64, optExtOpen, setOptExtOpen, 0)
    TOLVANE_DATA_VALUE(qint64, optKeyPad, setOptKeyPad, 0)
    TOLVANE_DATA_VALUE(qint64, optKeyPad2, setOptKeyPad2, 0)
    TOLVANE_DATA_VALUE(qint64, optGap, setOptGap, 0)
    TOLVANE_DATA_VALUE(qint64, optPrevPageSong, setOptPrevPageSong, 0)
    TOLVANE_DATA_VALUE(qint64, optNextPageSong, setOptNextPageSong, 0)

    // ---- Navigation ----------------------------------------------------------------
    TOLVANE_DATA_VALUE(qint64, songNoG, setSongNoG, 0)     // 1-based in the current sort's list
    TOLVANE_DATA_VALUE(qint64, songNbrG, setSongNbrG, 0)
    TOLVANE_DATA_VALUE(qint64, songNbrGPrec, setSongNbrGPrec, 0)
    TOLVANE_DATA_VALUE(qint64, songAsked, setSongAsked, 0)
    TOLVANE_DATA_VALUE(qint64, songNoG_MIDISent, setSongNoG_MIDISent, 0)
    TOLVANE_DATA_VALUE(qint64, songNoGfilter, setSongNoGfilter, 0)
    TOLVANE_DATA_VALUE(qint64, currentSort, setCurrentSort, 0) // 0 by title list, 1 by author list
    TOLVANE_DATA_VALUE(qint64, onglNoG, setOnglNoG, 0)
    TOLVANE_DATA_VALUE(qint64, ongOut, setOngOut, 0)
    TOLVANE_DATA_VALUE(qint64, currentGenreG, setCurrentGenreG, 0)
    TOLVANE_DATA_VALUE(qint64, currentScreensetG, setCurrentScreensetG, 0)
    TOLVANE_DATA_VALUE(qint64, nbTocG, setNbTocG, 0)
    TOLVANE_DATA_VALUE(qint64, filterNoG, setFilterNoG, 0)
    TOLVANE_DATA_VALUE(qint64, filterIndexG, setFilterIndexG, 0)
    TOLVANE_DATA_VALUE(qint64, filterMaxG, setFilterMaxG, 0)
    TOLVANE_DATA_VALUE(qint64, filterTypeG, setFilterTypeG, 0)
    TOLVANE_DATA_VALUE(qint64, filterChampG, setFilterChampG, 0)
    TOLVANE_DATA_VALUE(qint32, nbOut, setNbOut, 0)
    TOLVANE_DATA_VALUE(qint32, nbDestForClock, setNbDestForClock, 0)
    TOLVANE_DATA_VALUE(qint32, nbDestForTick, setNbDestForTick, 0)
    TOLVANE_DATA_VALUE(qint32, nbFileOut, setNbFileOut, 0)

    // ---- Indexed tables (out-of-range reads answer 0, or -1 for tab starts) ---------
    static constexpr int kLetterKeys = 37;
    static constexpr int kTabs = 10;
    static constexpr int kMidiSlots = 21;
    static qint64 debLettre(qint64 key);
    static void setDebLettre(qint64 key, qint64 value);
    static qint64 debLettre2(qint64 key);
    static void setDebLettre2(qint64 key, qint64 value);
    static qint64 indexInTitleArrayG(qint64 tab);
    static void setIndexInTitleArrayG(qint64 tab, qint64 value);
    static qint64 indexInAuthorArrayG(qint64 tab);
    static void setIndexInAuthorArrayG(qint64 tab, qint64 value);
    static qint32 destForClock(qint64 slot);
    static void setDestForClock(qint64 slot, qint32 value);
    static qint32 destForTick(qint64 slot);
    static void setDestForTick(qint64 slot, qint32 value);
    static qint64 channelForTick(qint64 slot);
    static void setChannelForTick(qint64 slot, qint64 value);
    static qint64 noteForTick(qint64 slot);
    static void setNoteForTick(qint64 slot, qint64 value);
    static qint64 audibleForTick(qint64 slot);
    static void setAudibleForTick(qint64 slot, qint64 value);

    // ---- Library queries ---------------------------------------------------------
    // Entry k (1-based) of the current sort's list; nullptr outside 1..count.
    static PiecesPtr getPiece(qint64 k);
    static qint64 getNbrPiecesOng(qint64 tab);
    // Entry of the last scan's accumulation list; nullptr outside it.
    static PiecesPtr getPieceTEMP(qint64 index);

    // ---- Folder scan (DataScan.cpp) -----------------------------------------------
    // Scans the folder and its subfolders into the lists; false (and the
    // lists unchanged) when no song file was found.
    static bool chargerFichiers(const QString &folder, bool noMsg);
    // The same from what readFolder(folder) read.
    static bool chargerFichiers(const QString &folder, const FolderRead &read, bool noMsg);
    static void initDebLettre();
    // The records of a song file take its ChordPro header, read with its text
    // for display; SongInfoChanged is posted when what they show changed.
    static void tookSongHeader(const QString &path, const PiecesDet::Header &header);
    static void determinerGaucheDroite(PiecesList &list, qint64 maxPrec, qint32 sort);
    static void afficherListePieces(const PiecesList &list);
    // Library-folder chooser: the chosen folder's path, "" when cancelled.
    static QString dirPopup();
    // What the folder read found of the chosen folder: a readable one is kept, else it is said.
    static void keepChosenFolder(const QString &chosen, bool readable);
    // Alternate version of a song for a window identifier; "" when none.
    // `exists` is the file system's word (platform::pathExists when none is given).
    static QString obtenirPathPourAltDir(const QString &path, const QString &altDir,
                                         const std::function<bool(const QString &)> &exists = {});
    static constexpr int kMaxFilesPerScan = 50;
    // What the last scan took and left out, for the windows' message line.
    static folderwalk::Result &lastScan();

    // ---- Tabs, window identifiers, tags -------------------------------------------
    static void chargerTabsForDirNo(qint64 dirNo, bool initOnly);
    static void chargerWinIDs();
    static void creerWinIDs();
    static void supprimerWinIDsForIndex(qint64 index);
    static WinIDPtr obtenirNextWinID(qint64 mode, const QString &currentAltDir);
    static bool isValidWinID(const QString &id);
    static void chargerTags();
    static void sauvegarderTags();
    // nullopt: the filter text then every tag; "" leaves the list empty.
    static void chargerTagsTemp(const std::optional<QString> &words);
    static void listerTags();

    // ---- Stored settings ---------------------------------------------------------
    static qint64 initialGenre();
    static void setInitialGenre(qint64 genre);
    static void saveData();

    // ---- Dialogs (DataDialogs.cpp); buttons listed default first ----------------------
    static void msg(const QString &text);
    static bool question(const QString &text);
    static qint64 questionAvecCancel(const QString &text);
    // "Save changes?": 1 yes, 0 no, -1 cancel (withCancel only). A quit,
    // before or while it is asked, answers yes.
    static qint64 askToSave(const QString &text, bool withCancel = false);
    static bool deuxChoix(const QString &text, const QString &choix1, const QString &choix2);
    static qint64 deuxChoixAvecCancel(const QString &text, const QString &choix1, const QString &choix2);
    static QString getStr(const QString &text, const QString &defaultValue);
    static const QString &alertTitle();

    // ---- Character tests and small utilities -------------------------------------
    static bool isChiffre(const QString &s);
    static bool isHexa(const QString &s);
    static qint64 keyn(const QString &s);
    static QString stripAccents(const QString &s);
    static QString obtenirTitreFlag(const PiecesPtr &piece);
    static QString obtenirTitre(const PiecesPtr &piece);
    static void setButtonTextColor(QAbstractButton *button, const QColor &color, const QColor &altColor);

    // ---- Played and flagged logs, list export (DataLogs.cpp) ------------------------
    static void saveLogPlayed();
    static void saveFlags();
    static qint32 recallPlayedStates(const QString &snapshot);
    static qint32 recallFlags(const QString &snapshot);
    static void clearAllPlayedStates();
    static void clearAllFlags();
    static void exporterListe();

    // ---- Windows (DataWindows.cpp) ----------------------------------------------------
    static WindowPDFxSuper *getKeyWin();
    static void determinerNbTocG();
    // Retitles the MIDI status item on the main thread; callable from any thread.
    static void sendingMidi(bool sending);
    // Shows a metronome beat in every document window (main thread).
    static void updateMetroOfWindows(qint64 nbTick, bool masquer, bool reset);
    // The display of each Tolvane window whose page changes follow the song's.
    struct SyncedPageView {
        qint64 modeAffichage = 0;
        bool ratio21 = false;
    };
    static QList<SyncedPageView> syncedPageViews();
    // Makes every Tolvane window showing the file read it again at the next
    // push; true when one showed it.
    static bool resetWindowsShowing(const QString &path);

    // ---- Window list: creation, closing, key window (DataWindowList.cpp) ---------------
    // The list owns its windows: a window that leaves it is deleted later.
    // A new document window of a type 0-16, placed, shown and appended to the
    // list; nullptr for a type whose class is not built. The flag has no effect.
    static WindowPDFxSuper *newWindowPDFx(bool flag, qint64 winType);
    // Interface-description name of a type's class ("WindowPDFx" outside 1-16).
    static QString obtenirClasse(qint64 winType);
    // A window of the list accepted a close: drops it, closes the chord strips
    // bound to a Tolvane window, posts "ActionKey" 1024, activates the key window.
    static void winClose(WindowPDFxSuper *window);
    // Closes without running winClose (no 1024 posted); a Tolvane window's
    // chord strips go with it.
    static void closeWinQuietly(WindowPDFxSuper *window);
    static void exitFullScreenForAllWin();
    static void clearKeyWin();
    // The first Tolvane window marked keywin, else the last Tolvane window on
    // the first one's screen; nullptr when there is none.
    static WindowPDFxSuper *obtenirKeywin();
    static void activateKeywin();
    static void closeAllWin();
    static void closeAllFullScreenWin();
    // Closes every window that is not a Tolvane window.
    static void closeAllCompWin();
    static WindowPDFxSuper *getWinController();
    static WindowPDFxSuper *getWinControllerForWin(const QWidget *window);
    // Index in the screen list, -1 when the screen is not in it.
    static qint64 getScreenNo(const QScreen *screen);
    static bool isUneFenetreEstZoomDemiPage();
    static bool isUneFenetreEstSingleEtSync();
    static bool isUneFenetreEstDoubleEtSync();

    // ---- Screen sets (DataScreenSets.cpp) ----------------------------------------------
    static qint64 initialScreenSet();
    static void setInitialScreenSet(qint64 set);
    // The key prefix of a screen set for a screen count: "lastExec" followed by
    // both numbers; "Default" for set 0, the built-in layout.
    static QString screenSetPrefix(qint64 set, qint64 nbScreens);
    static void saveScreenSet(const QString &prefix);
    static void loadScreenSet(const QString &prefix);
    static void createDefaultScreen();

    // ---- Window arrangement (DataArrange.cpp) ------------------------------------------
    static void arrangeWin(qint64 code, WindowPDFxSuper *window);
    static void distributeWindows(qint64 unused, WindowPDFxSuper *window, bool horiz);
    static bool isFenetresSimilaires(const QRectF &frame1, const QRectF &frame2, bool horiz);
    static void mettreAtraiterFenetresSimilaires(const QRectF &frame, bool horiz);
    static void traiterFenetresSimilaires(const QRectF &oldFrame, const QRectF &newFrame, bool horiz);
    static bool winIsAutoRotate(const WindowPDFxSuper *window);
    // The key handler of the auxiliary windows, asked first: true when it
    // handled the key (Return, Delete and the arrows).
    static bool traiterkeyDown(const platform::KeyEvent &event, WindowPDFxSuper *window);
    static void refreshNoteWithProcess();

    // ---- Chord libraries (chords/DataChords.cpp) -------------------------------------
    // The bundled default library of an instrument (1 ukulele, else guitar);
    // a null string when it cannot be read.
    static QString obtenirDefaultChordStringforInstrument(qint64 instrument);
    // Without reload: loads both libraries once per run (later calls do
    // nothing). With reload: instrument 0 or 1 again, from the bundled default
    // when forced, else from the stored text, else from the default.
    static void chargerAllChordsString(bool reload, qint64 instrument, bool forcerDefault);
    static void saveChordLibraryForInstrument(qint64 instrument);

    // ---- Hand-offs to other applications (DataDesktop.cpp) --------------------------
    // `ended` runs once the print is through, whatever its outcome (the file was read).
    static void printPDF(const QString &path, const std::function<void()> &ended = {});
    static void mailFile(const QString &path, const QString &titre);
    static void openFile(const QString &path);
    static void openFileX(const QString &path, bool deact);
};

#undef TOLVANE_DATA_VALUE
