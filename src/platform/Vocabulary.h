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
inline const QString ActionGoToGenreNoAndPlayPause = QStringLiteral("ActionGoToGenreNoAndPlayPause");
inline const QString ActionGoToGenreNoAndPlayPause2 = QStringLiteral("ActionGoToGenreNoAndPlayPause2");
inline const QString ActionGoToGenreNoAndPlayNow = QStringLiteral("ActionGoToGenreNoAndPlayNow");
inline const QString ActionDemarrerMuteTimer = QStringLiteral("ActionDemarrerMuteTimer");
inline const QString ActionAudioPlayerClose = QStringLiteral("ActionAudioPlayerClose");
inline const QString ActionAudioPreviewClose = QStringLiteral("ActionAudioPreviewClose");
inline const QString ActionKeyPref = QStringLiteral("ActionKeyPref");
inline const QString mySwipe = QStringLiteral("mySwipe");

// Notifications kept inside windows, never handled by the controller.
inline const QString InsererMidiFromLib = QStringLiteral("InsererMidiFromLib");
inline const QString InsererMidiFromLibF = QStringLiteral("InsererMidiFromLibF");
inline const QString EventUpdateRow = QStringLiteral("EventUpdateRow");
inline const QString EventListen = QStringLiteral("EventListen");
inline const QString NoteBecomeFirstResponder = QStringLiteral("NoteBecomeFirstResponder");

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
inline constexpr int NextCue = 92;
inline constexpr int Stop = 216;
inline constexpr int StopNoReset = 217;
inline constexpr int WindowClosed = 1024;
inline constexpr int MetronomeSoundIndicator = 1026;
inline constexpr int MidiMonitorProgram = 2001;
inline constexpr int MidiMonitorControl = 2002;
inline constexpr int MidiSetupChanged = 2003;
inline constexpr int MidiLearnTrigger = 2004;
inline constexpr int MidiLearnDestination = 2005;

} // namespace vocab
