#pragma once

// The command vocabulary shared by every part of the program: the "ActionKey"
// command codes and the named notifications, each spelt exactly once here.

#include <QString>

namespace vocab {

// ---- Notification names -------------------------------------------------
inline const QString ActionKey = QStringLiteral("ActionKey");
inline const QString ActionOpen = QStringLiteral("ActionOpen");
inline const QString ActionOpenNew = QStringLiteral("ActionOpenNew");
inline const QString ActionMessage = QStringLiteral("ActionMessage");
inline const QString ActionMessageStay = QStringLiteral("ActionMessageStay");
// A sentence for the message line of every song window, shown as a warning;
// unlike ActionMessage it is never read for a window identifier.
inline const QString ActionNotice = QStringLiteral("ActionNotice");
// A notice that says a state: held until the same text is posted as ActionNoticeEnded.
inline const QString ActionNoticeHeld = QStringLiteral("ActionNoticeHeld");
inline const QString ActionNoticeEnded = QStringLiteral("ActionNoticeEnded");
// Something waits on the music folder's first scan: said until the scan ends.
inline const QString ActionIndexing = QStringLiteral("ActionIndexing");
inline const QString ActionGoToSongNo = QStringLiteral("ActionGoToSongNo");
inline const QString ActionGoToPageNo = QStringLiteral("ActionGoToPageNo");
inline const QString ActionGoToPageBottomNo = QStringLiteral("ActionGoToPageBottomNo");
inline const QString ActionGoToGenreNo = QStringLiteral("ActionGoToGenreNo");
inline const QString ActionPlaySongNo = QStringLiteral("ActionPlaySongNo");
inline const QString ActionPlayNextPause = QStringLiteral("ActionPlayNextPause");
inline const QString ActionOnglet = QStringLiteral("ActionOnglet");
inline const QString ActionOngletB = QStringLiteral("ActionOngletB");
inline const QString ActionCmdOnglet = QStringLiteral("ActionCmdOnglet");
inline const QString ActionInsererTag = QStringLiteral("ActionInsererTag");
inline const QString ActionInsererMessage = QStringLiteral("ActionInsererMessage");
inline const QString ActionInsererAction = QStringLiteral("ActionInsererAction");
inline const QString ActionEditChord = QStringLiteral("ActionEditChord");
inline const QString ActionSetChordStripGuitar = QStringLiteral("ActionSetChordStripGuitar");
inline const QString ActionSetChordStripUkulele = QStringLiteral("ActionSetChordStripUkulele");
inline const QString ActionSetChordStripPiano = QStringLiteral("ActionSetChordStripPiano");
inline const QString ActionSetChordStripHidden = QStringLiteral("ActionSetChordStripHidden");
inline const QString ActionScrollCurrentOnglet = QStringLiteral("ActionScrollCurrentOnglet");
inline const QString ActionDisplayHideList = QStringLiteral("ActionDisplayHideList");
inline const QString ActionPageUpForWinID = QStringLiteral("ActionPageUpForWinID");
inline const QString ActionPageDownForWinID = QStringLiteral("ActionPageDownForWinID");
inline const QString ActionPageDownPreloadForWinID = QStringLiteral("ActionPageDownPreloadForWinID");
inline const QString ActionGoToGenreNoAndPlayPause = QStringLiteral("ActionGoToGenreNoAndPlayPause");
inline const QString ActionGoToGenreNoAndPlayPause2 = QStringLiteral("ActionGoToGenreNoAndPlayPause2");
inline const QString ActionGoToGenreNoAndPlayNow = QStringLiteral("ActionGoToGenreNoAndPlayNow");
inline const QString ActionDemarrerMuteTimer = QStringLiteral("ActionDemarrerMuteTimer");
inline const QString ActionAudioPlayerClose = QStringLiteral("ActionAudioPlayerClose");
inline const QString ActionAudioPreviewClose = QStringLiteral("ActionAudioPreviewClose");
inline const QString ActionKeyPref = QStringLiteral("ActionKeyPref");
inline const QString mySwipe = QStringLiteral("mySwipe");
inline const QString refreshSpeaker = QStringLiteral("refreshSpeaker");

// Notifications kept inside windows, never handled by the controller.
// "InsererMidiFromLib(F)" carry the event group's identifier as "param".
inline const QString InsererMidiFromLib = QStringLiteral("InsererMidiFromLib");
inline const QString InsererMidiFromLibF = QStringLiteral("InsererMidiFromLibF");
inline const QString EventUpdateRow = QStringLiteral("EventUpdateRow");
inline const QString EventListen = QStringLiteral("EventListen");
inline const QString NoteBecomeFirstResponder = QStringLiteral("NoteBecomeFirstResponder");
inline const QString EventTextBecomeFirstResponder = QStringLiteral("EventTextBecomeFirstResponder");
// The ChordPro editor's own: its keys' action codes and the transpose choice.
inline const QString ActionGen = QStringLiteral("ActionGen");
inline const QString ActionTranspose = QStringLiteral("ActionTranspose");
// Posted by a song-list row's label button; nothing acts on it.
inline const QString ActionItem = QStringLiteral("ActionItem");

// The key of the one entry of a notification's userInfo.
inline const QString param = QStringLiteral("param");

// ---- "ActionKey" code groups ---------------------------------------------
// 0-35: the typed characters of kTypedChars (table-of-contents slot, type-ahead).
inline constexpr int TypedCharFirst = 0;
inline constexpr int TypedCharLast = 35;
inline const QString kTypedChars = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
// 36-108: user commands.
inline constexpr int UserCommandFirst = 36;
inline constexpr int UserCommandLast = 108;
// 216, 217: stop playback (216 also resets the cues and reloads the song).
// 1001-1029: requests from windows.
inline constexpr int WindowRequestFirst = 1001;
inline constexpr int WindowRequestLast = 1029;
// 2001-2005: MIDI monitor, learn and set-up-change refreshes.
inline constexpr int MidiRefreshFirst = 2001;
inline constexpr int MidiRefreshLast = 2005;
// 3000-3018: help pages (code minus 3000).
inline constexpr int HelpFirst = 3000;
inline constexpr int HelpLast = 3018;

// ---- Individual codes ----------------------------------------------------
// Add each code here under its own name when a part of the program posts or
// handles it; keep them in numeric order.
inline constexpr int PreviousSong = 36;
inline constexpr int NextSong = 37;
inline constexpr int PageUp = 38;
inline constexpr int PageDown = 39;
inline constexpr int FirstSongOrPreviousTab = 40;
inline constexpr int NextTab = 41;
inline constexpr int SpaceBarKey = 42;
inline constexpr int PageUpKey = 43;
inline constexpr int PageDownKey = 44;
inline constexpr int EnterKey = 45;
inline constexpr int OpenInEditor = 46;
inline constexpr int ClearFilterAndSearchChar = 50;
inline constexpr int ToggleToc = 51;
inline constexpr int Zoom = 52;
inline constexpr int ZoomOut = 53;
inline constexpr int EditCurrentTab = 54;
inline constexpr int CloseNote = 55;
inline constexpr int ReloadFolder = 57;
inline constexpr int RefreshFolder = 58;
inline constexpr int ToggleSort = 59;
inline constexpr int HelpFolder = 60;
inline constexpr int OpenFolderSlot0 = 61;  // 61-68: folder slots 0-7
inline constexpr int OpenFolderSlot7 = 68;
inline constexpr int PreviousSongNoSearch = 69;
inline constexpr int PageUpAlt = 70;
inline constexpr int NextSongNoSearch = 71;
inline constexpr int PageDownAlt = 72;
inline constexpr int ToggleNote = 73;
inline constexpr int PeriodKey = 74;
inline constexpr int ToggleAltVersions = 75;
inline constexpr int ClearSearch = 76;
inline constexpr int StopOrCancelCountIn = 77;
inline constexpr int MetronomeOnOff = 78;
inline constexpr int MetronomeType = 79;
inline constexpr int PreviousFilterEntry = 80;
inline constexpr int NextFilterEntry = 81;
inline constexpr int FirstSongOrPreviousTabAlt = 82;
inline constexpr int NextTabAlt = 83;
inline constexpr int FilterWindow = 84;
inline constexpr int ApplyFilterText = 85;
inline constexpr int NextGenre = 86;
inline constexpr int RestartMetronome = 87;
inline constexpr int GraveKey = 88;
inline constexpr int PageDownAlt2 = 89;
inline constexpr int FirstTab = 90;
inline constexpr int PageDownWrap = 91;
inline constexpr int NextCue = 92;
inline constexpr int TapTempo = 93;
inline constexpr int AudibleMetronomeToggle = 94;
inline constexpr int AudibleMetronomeOff = 95;
inline constexpr int AudibleMetronomeOn = 96;
inline constexpr int TempoChanged = 97;
inline constexpr int MetronomeOff = 98;
inline constexpr int MetronomeOn = 99;
inline constexpr int ShiftGraveKey = 100;
inline constexpr int ChordDisplay = 103;
inline constexpr int SectionKey = 104;
inline constexpr int Play = 105;
inline constexpr int StopCountIn = 106;
inline constexpr int AudioPlayerWindow = 107;
inline constexpr int CommandPeriod = 108;
inline constexpr int Stop = 216;
inline constexpr int StopNoReset = 217;
inline constexpr int CloseNoteWindow = 1001;
inline constexpr int ToggleNoteWindow = 1002;
inline constexpr int ReloadWindows = 1003;
inline constexpr int NoteSavedReprocess = 1004;
inline constexpr int NoteWindowBecameKey = 1005;
inline constexpr int NoteWindowResignedKey = 1006;
// A settings or tool window announces its showing and its closing.
inline constexpr int ToolWindowShown = 1007;
inline constexpr int ToolWindowClosed = 1008;
inline constexpr int WindowBecameMain = 1009;
inline constexpr int RefreshWindowMenus = 1010;
inline constexpr int RefreshNoteAndPdfDefaults = 1011;
inline constexpr int DisplayModeChanged = 1012;
inline constexpr int NoteChanged = 1013;
inline constexpr int ActivateKeyWindow = 1014;
inline constexpr int TabNamesChanged = 1015;
inline constexpr int SongInfoChanged = 1016;
inline constexpr int OpenTagList = 1017;
inline constexpr int CloseTagList = 1018;
inline constexpr int ExportList = 1019;
inline constexpr int TocSizeChanged = 1020;
inline constexpr int EndTagListHold = 1021;
inline constexpr int NoteEdited = 1022;
inline constexpr int CuesChanged = 1023;
inline constexpr int WindowClosed = 1024;
inline constexpr int NoteDisplayMode = 1025;
inline constexpr int MetronomeSoundIndicator = 1026;
inline constexpr int DisplaySettingChanged = 1027;
inline constexpr int RestartPlayedTimer = 1028;
inline constexpr int StopPlayedTimer = 1029;
inline constexpr int MidiMonitorProgram = 2001;
inline constexpr int MidiMonitorControl = 2002;
inline constexpr int MidiSetupChanged = 2003;
inline constexpr int MidiLearnTrigger = 2004;
inline constexpr int MidiLearnDestination = 2005;

} // namespace vocab
