#include "controller/CommandTable.h"

#include "platform/Vocabulary.h"

#include <QHash>

namespace controller {

namespace {

using C = Command;

struct Entry {
    int code;
    CommandRef ref;
};

// Every code that does something; a code missing here does nothing.
const Entry kEntries[] = {
    {vocab::PreviousSong, {C::PreviousSong}},
    {vocab::NextSong, {C::NextSong}},
    {vocab::PageUp, {C::PageUp}},
    {vocab::PageDown, {C::PageDown}},
    {vocab::FirstSongOrPreviousTab, {C::FirstSong}},
    {vocab::NextTab, {C::LastSong}},
    {vocab::SpaceBarKey, {C::ConfiguredKey, int(KeyInput::Spacebar)}},
    {vocab::PageUpKey, {C::PageUpKey}},
    {vocab::PageDownKey, {C::PageDownKey}},
    {vocab::EnterKey, {C::Enter}},
    {vocab::OpenInEditor, {C::OpenInEditor}},
    {vocab::ClearFilterAndSearchChar, {C::ClearFilterAndSearchChar}},
    {vocab::ToggleToc, {C::ToggleToc}},
    {vocab::Zoom, {C::Zoom}},
    {vocab::ZoomOut, {C::ZoomOut}},
    {vocab::EditCurrentTab, {C::EditCurrentTab}},
    {vocab::CloseNote, {C::CloseNote}},
    {vocab::ReloadFolder, {C::ReloadFolder}},
    {vocab::RefreshFolder, {C::RefreshFolder}},
    {vocab::ToggleSort, {C::ToggleSort}},
    {vocab::HelpFolder, {C::HelpFolder}},
    {vocab::OpenFolderSlot0 + 0, {C::OpenFolderSlot, 0}},
    {vocab::OpenFolderSlot0 + 1, {C::OpenFolderSlot, 1}},
    {vocab::OpenFolderSlot0 + 2, {C::OpenFolderSlot, 2}},
    {vocab::OpenFolderSlot0 + 3, {C::OpenFolderSlot, 3}},
    {vocab::OpenFolderSlot0 + 4, {C::OpenFolderSlot, 4}},
    {vocab::OpenFolderSlot0 + 5, {C::OpenFolderSlot, 5}},
    {vocab::OpenFolderSlot0 + 6, {C::OpenFolderSlot, 6}},
    {vocab::OpenFolderSlot7, {C::OpenFolderSlot, 7}},
    {vocab::PreviousSongNoSearch, {C::PreviousSongPlain}},
    {vocab::PageUpAlt, {C::PageUp}},
    {vocab::NextSongNoSearch, {C::NextSongPlain}},
    {vocab::PageDownAlt, {C::PageDown}},
    {vocab::ToggleNote, {C::ToggleNote}},
    {vocab::PeriodKey, {C::ConfiguredKey, int(KeyInput::Dot)}},
    {vocab::ToggleAltVersions, {C::ToggleAltVersions}},
    {vocab::ClearSearch, {C::ClearSearch}},
    {vocab::StopOrCancelCountIn, {C::StopOrCancelCountIn}},
    {vocab::MetronomeOnOff, {C::MetronomeOnOff}},
    {vocab::MetronomeType, {C::MetronomeType}},
    {vocab::PreviousFilterEntry, {C::PreviousFilterEntry}},
    {vocab::NextFilterEntry, {C::NextFilterEntry}},
    {vocab::FirstSongOrPreviousTabAlt, {C::FirstSong}},
    {vocab::NextTabAlt, {C::LastSong}},
    {vocab::FilterWindow, {C::FilterWindow}},
    {vocab::ApplyFilterText, {C::ApplyFilterText}},
    {vocab::NextGenre, {C::NextGenre}},
    {vocab::RestartMetronome, {C::RestartMetronome}},
    {vocab::GraveKey, {C::ConfiguredKey, int(KeyInput::Tild)}},
    {vocab::PageDownAlt2, {C::PageDown}},
    {vocab::FirstTab, {C::FirstTab}},
    {vocab::PageDownWrap, {C::PageDownWrap}},
    {vocab::NextCue, {C::NextCue}},
    {vocab::TapTempo, {C::TapTempo}},
    {vocab::AudibleMetronomeToggle, {C::AudibleMetronome, 2}},
    {vocab::AudibleMetronomeOff, {C::AudibleMetronome, 0}},
    {vocab::AudibleMetronomeOn, {C::AudibleMetronome, 1}},
    {vocab::TempoChanged, {C::TempoChanged}},
    {vocab::MetronomeOff, {C::MetronomeOff}},
    {vocab::MetronomeOn, {C::MetronomeOn}},
    {vocab::ShiftGraveKey, {C::ConfiguredKey, int(KeyInput::TildShift)}},
    {vocab::ChordDisplay, {C::ChordDisplay}},
    {vocab::SectionKey, {C::ConfiguredKey, int(KeyInput::Slash)}},
    {vocab::Play, {C::Play}},
    {vocab::StopCountIn, {C::StopCountIn}},
    {vocab::AudioPlayerWindow, {C::AudioPlayerWindow}},
    {vocab::CommandPeriod, {C::PlayNowWithPeriodText}},
    {vocab::Stop, {C::StopPlayback, 1}},
    {vocab::StopNoReset, {C::StopPlayback, 0}},
    {vocab::CloseNoteWindow, {C::CloseNote}},
    {vocab::ToggleNoteWindow, {C::ToggleNote}},
    {vocab::ReloadWindows, {C::ReloadWindows}},
    {vocab::NoteSavedReprocess, {C::RefreshNotes, 1}},
    {vocab::NoteWindowBecameKey, {C::NoteIsChanging, 1}},
    {vocab::NoteWindowResignedKey, {C::NoteIsChanging, 0}},
    {vocab::WindowBecameMain, {C::WindowBecameMain}},
    {vocab::RefreshWindowMenus, {C::RefreshWindowMenus}},
    {vocab::RefreshNoteAndPdfDefaults, {C::RefreshNoteAndPdfDefaults}},
    {vocab::DisplayModeChanged, {C::DisplayModeChanged}},
    {vocab::NoteChanged, {C::RefreshNotes, 0}},
    {vocab::ActivateKeyWindow, {C::ActivateKeyWindow}},
    {vocab::TabNamesChanged, {C::TabNamesChanged}},
    {vocab::SongInfoChanged, {C::SongInfoChanged}},
    {vocab::OpenTagList, {C::OpenTagList}},
    {vocab::CloseTagList, {C::CloseTagList}},
    {vocab::ExportList, {C::ExportList}},
    {vocab::TocSizeChanged, {C::TocSizeChanged}},
    {vocab::EndTagListHold, {C::EndTagListHold}},
    {vocab::NoteEdited, {C::NoteEdited}},
    {vocab::CuesChanged, {C::CuesChanged}},
    {vocab::WindowClosed, {C::WindowClosed}},
    {vocab::NoteDisplayMode, {C::ToggleFormattedMode}},
    {vocab::MetronomeSoundIndicator, {C::RefreshSpeaker}},
    {vocab::DisplaySettingChanged, {C::DisplaySettingChanged}},
    {vocab::RestartPlayedTimer, {C::StartPlayedTimer}},
    {vocab::StopPlayedTimer, {C::StopPlayedTimer}},
    {vocab::MidiMonitorProgram, {C::MidiMonitorProgram}},
    {vocab::MidiMonitorControl, {C::MidiMonitorControl}},
    {vocab::MidiSetupChanged, {C::MidiSetupChanged}},
    {vocab::MidiLearnTrigger, {C::MidiLearnTrigger}},
    {vocab::MidiLearnDestination, {C::MidiLearnDestination}},
};

// Help pages the controller shows; 16 is the one shown modally.
const int kHelpPages[] = {0, 4, 5, 7, 9, 11, 12, 13, 17, 18};
constexpr int kModalHelpPage = 16;

const QHash<int, CommandRef> &table()
{
    static const QHash<int, CommandRef> map = [] {
        QHash<int, CommandRef> m;
        for (const Entry &e : kEntries)
            m.insert(e.code, e.ref);
        for (int page : kHelpPages)
            m.insert(vocab::HelpFirst + page, {C::Help, page, 0});
        m.insert(vocab::HelpFirst + kModalHelpPage, {C::Help, kModalHelpPage, 1});
        return m;
    }();
    return map;
}

} // namespace

CommandRef commandForCode(int code)
{
    if (code >= vocab::TypedCharFirst && code <= vocab::TypedCharLast)
        return {C::TypedCharacter, code};
    return table().value(code, CommandRef{});
}

QString commandName(Command command)
{
    switch (command) {
    case C::Nothing: return QStringLiteral("Nothing");
    case C::TypedCharacter: return QStringLiteral("TypedCharacter");
    case C::PreviousSong: return QStringLiteral("PreviousSong");
    case C::NextSong: return QStringLiteral("NextSong");
    case C::PreviousSongPlain: return QStringLiteral("PreviousSongPlain");
    case C::NextSongPlain: return QStringLiteral("NextSongPlain");
    case C::PageUp: return QStringLiteral("PageUp");
    case C::PageDown: return QStringLiteral("PageDown");
    case C::PageDownWrap: return QStringLiteral("PageDownWrap");
    case C::FirstSong: return QStringLiteral("FirstSong");
    case C::LastSong: return QStringLiteral("LastSong");
    case C::ConfiguredKey: return QStringLiteral("ConfiguredKey");
    case C::PageUpKey: return QStringLiteral("PageUpKey");
    case C::PageDownKey: return QStringLiteral("PageDownKey");
    case C::Enter: return QStringLiteral("Enter");
    case C::OpenInEditor: return QStringLiteral("OpenInEditor");
    case C::ClearFilterAndSearchChar: return QStringLiteral("ClearFilterAndSearchChar");
    case C::ToggleToc: return QStringLiteral("ToggleToc");
    case C::Zoom: return QStringLiteral("Zoom");
    case C::ZoomOut: return QStringLiteral("ZoomOut");
    case C::EditCurrentTab: return QStringLiteral("EditCurrentTab");
    case C::CloseNote: return QStringLiteral("CloseNote");
    case C::ReloadFolder: return QStringLiteral("ReloadFolder");
    case C::RefreshFolder: return QStringLiteral("RefreshFolder");
    case C::ToggleSort: return QStringLiteral("ToggleSort");
    case C::HelpFolder: return QStringLiteral("HelpFolder");
    case C::OpenFolderSlot: return QStringLiteral("OpenFolderSlot");
    case C::ToggleNote: return QStringLiteral("ToggleNote");
    case C::ToggleAltVersions: return QStringLiteral("ToggleAltVersions");
    case C::ClearSearch: return QStringLiteral("ClearSearch");
    case C::StopOrCancelCountIn: return QStringLiteral("StopOrCancelCountIn");
    case C::MetronomeOnOff: return QStringLiteral("MetronomeOnOff");
    case C::MetronomeType: return QStringLiteral("MetronomeType");
    case C::PreviousFilterEntry: return QStringLiteral("PreviousFilterEntry");
    case C::NextFilterEntry: return QStringLiteral("NextFilterEntry");
    case C::FilterWindow: return QStringLiteral("FilterWindow");
    case C::ApplyFilterText: return QStringLiteral("ApplyFilterText");
    case C::NextGenre: return QStringLiteral("NextGenre");
    case C::RestartMetronome: return QStringLiteral("RestartMetronome");
    case C::FirstTab: return QStringLiteral("FirstTab");
    case C::NextCue: return QStringLiteral("NextCue");
    case C::TapTempo: return QStringLiteral("TapTempo");
    case C::AudibleMetronome: return QStringLiteral("AudibleMetronome");
    case C::TempoChanged: return QStringLiteral("TempoChanged");
    case C::MetronomeOff: return QStringLiteral("MetronomeOff");
    case C::MetronomeOn: return QStringLiteral("MetronomeOn");
    case C::ChordDisplay: return QStringLiteral("ChordDisplay");
    case C::Play: return QStringLiteral("Play");
    case C::StopCountIn: return QStringLiteral("StopCountIn");
    case C::AudioPlayerWindow: return QStringLiteral("AudioPlayerWindow");
    case C::PlayNowWithPeriodText: return QStringLiteral("PlayNowWithPeriodText");
    case C::StopPlayback: return QStringLiteral("StopPlayback");
    case C::ReloadWindows: return QStringLiteral("ReloadWindows");
    case C::RefreshNotes: return QStringLiteral("RefreshNotes");
    case C::NoteIsChanging: return QStringLiteral("NoteIsChanging");
    case C::WindowBecameMain: return QStringLiteral("WindowBecameMain");
    case C::RefreshWindowMenus: return QStringLiteral("RefreshWindowMenus");
    case C::RefreshNoteAndPdfDefaults: return QStringLiteral("RefreshNoteAndPdfDefaults");
    case C::DisplayModeChanged: return QStringLiteral("DisplayModeChanged");
    case C::ActivateKeyWindow: return QStringLiteral("ActivateKeyWindow");
    case C::TabNamesChanged: return QStringLiteral("TabNamesChanged");
    case C::SongInfoChanged: return QStringLiteral("SongInfoChanged");
    case C::OpenTagList: return QStringLiteral("OpenTagList");
    case C::CloseTagList: return QStringLiteral("CloseTagList");
    case C::ExportList: return QStringLiteral("ExportList");
    case C::TocSizeChanged: return QStringLiteral("TocSizeChanged");
    case C::EndTagListHold: return QStringLiteral("EndTagListHold");
    case C::NoteEdited: return QStringLiteral("NoteEdited");
    case C::CuesChanged: return QStringLiteral("CuesChanged");
    case C::WindowClosed: return QStringLiteral("WindowClosed");
    case C::ToggleFormattedMode: return QStringLiteral("ToggleFormattedMode");
    case C::RefreshSpeaker: return QStringLiteral("RefreshSpeaker");
    case C::DisplaySettingChanged: return QStringLiteral("DisplaySettingChanged");
    case C::StartPlayedTimer: return QStringLiteral("StartPlayedTimer");
    case C::StopPlayedTimer: return QStringLiteral("StopPlayedTimer");
    case C::MidiMonitorProgram: return QStringLiteral("MidiMonitorProgram");
    case C::MidiMonitorControl: return QStringLiteral("MidiMonitorControl");
    case C::MidiSetupChanged: return QStringLiteral("MidiSetupChanged");
    case C::MidiLearnTrigger: return QStringLiteral("MidiLearnTrigger");
    case C::MidiLearnDestination: return QStringLiteral("MidiLearnDestination");
    case C::Help: return QStringLiteral("Help");
    }
    return QStringLiteral("?");
}

} // namespace controller
