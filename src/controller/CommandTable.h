#pragma once

#include <QString>

namespace controller {

// What an "ActionKey" code asks for. The dispatcher resolves the code with
// commandForCode() and then performs the command; the table is the one place
// where codes meet actions.
enum class Command {
    Nothing,
    TypedCharacter,         // arg: the code 0-35
    PreviousSong,           // with the search tail
    NextSong,               // with the search tail
    PreviousSongPlain,      // no search tail
    NextSongPlain,          // no search tail
    PageUp,
    PageDown,
    PageDownWrap,           // back to page 1 after the last page
    FirstSong,              // first song or previous tab
    LastSong,               // next tab
    ConfiguredKey,          // arg: the KeyInput of the configured key
    PageUpKey,
    PageDownKey,
    Enter,
    OpenInEditor,
    ClearFilterAndSearchChar,
    ToggleToc,
    Zoom,
    ZoomOut,
    EditCurrentTab,
    CloseNote,
    ReloadFolder,
    RefreshFolder,
    ToggleSort,
    HelpFolder,
    OpenFolderSlot,         // arg: slot 0-7
    ToggleNote,
    ToggleAltVersions,
    ClearSearch,
    StopOrCancelCountIn,
    MetronomeOnOff,
    MetronomeType,
    PreviousFilterEntry,
    NextFilterEntry,
    FilterWindow,
    ApplyFilterText,
    NextGenre,
    RestartMetronome,
    FirstTab,
    NextCue,
    TapTempo,
    AudibleMetronome,       // arg: 2 toggle, 0 off, 1 on
    TempoChanged,
    MetronomeOff,
    MetronomeOn,
    ChordDisplay,
    Play,
    StopCountIn,
    AudioPlayerWindow,
    PlayNowWithPeriodText,
    StopPlayback,           // arg: 1 resets the cues and reloads, 0 does not
    ReloadWindows,
    RefreshNotes,           // arg: 1 reprocesses the note first
    NoteIsChanging,         // arg: 1 or 0
    WindowBecameMain,
    RefreshWindowMenus,
    RefreshNoteAndPdfDefaults,
    DisplayModeChanged,
    ActivateKeyWindow,
    TabNamesChanged,
    SongInfoChanged,
    OpenTagList,
    CloseTagList,
    ExportList,
    TocSizeChanged,
    EndTagListHold,
    NoteEdited,
    CuesChanged,
    WindowClosed,
    ToggleFormattedMode,
    RefreshSpeaker,
    DisplaySettingChanged,
    StartPlayedTimer,
    StopPlayedTimer,
    MidiMonitorProgram,
    MidiMonitorControl,
    MidiSetupChanged,
    MidiLearnTrigger,
    MidiLearnDestination,
    Help,                   // arg: page; modal when arg2 is 1
};

// The inputs whose action the user configures: a pop-up and a parameter text
// each, in the order the preferences list them.
enum class KeyInput {
    SwipeLeftRight,
    SwipeUpDown,
    Spacebar,
    Dot,
    Mute,
    Tild,
    TildShift,
    Slash,
    PageUp,
    PageDown,
};
inline constexpr int KeyInputCount = 10;

struct CommandRef {
    Command command = Command::Nothing;
    int arg = 0;
    int arg2 = 0;

    bool operator==(const CommandRef &other) const = default;
};

// Resolves an "ActionKey" code. Codes outside the vocabulary, negative ones
// included, and the codes that the vocabulary keeps unused give Nothing.
CommandRef commandForCode(int code);

// A readable name of a command, for the debug log and test messages.
QString commandName(Command command);

} // namespace controller
