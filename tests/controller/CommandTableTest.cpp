#include "controller/CommandTable.h"
#include "platform/Vocabulary.h"

#include <gtest/gtest.h>

using controller::Command;
using controller::CommandRef;
using controller::commandForCode;
using controller::KeyInput;

namespace {

struct Row {
    int code;
    CommandRef expected;
};

// The whole dispatcher table, code by code.
const Row kRows[] = {
    {36, {Command::PreviousSong}}, {37, {Command::NextSong}}, {38, {Command::PageUp}}, {39, {Command::PageDown}},
    {40, {Command::FirstSong}}, {41, {Command::LastSong}},
    {42, {Command::ConfiguredKey, int(KeyInput::Spacebar)}}, {43, {Command::PageUpKey}},
    {44, {Command::PageDownKey}}, {45, {Command::Enter}}, {46, {Command::OpenInEditor}},
    {47, {Command::Nothing}}, {48, {Command::Nothing}}, {49, {Command::Nothing}},
    {50, {Command::ClearFilterAndSearchChar}}, {51, {Command::ToggleToc}}, {52, {Command::Zoom}},
    {53, {Command::ZoomOut}}, {54, {Command::EditCurrentTab}}, {55, {Command::CloseNote}},
    {56, {Command::Nothing}}, {57, {Command::ReloadFolder}}, {58, {Command::RefreshFolder}},
    {59, {Command::ToggleSort}}, {60, {Command::HelpFolder}},
    {61, {Command::OpenFolderSlot, 0}}, {62, {Command::OpenFolderSlot, 1}}, {63, {Command::OpenFolderSlot, 2}},
    {64, {Command::OpenFolderSlot, 3}}, {65, {Command::OpenFolderSlot, 4}}, {66, {Command::OpenFolderSlot, 5}},
    {67, {Command::OpenFolderSlot, 6}}, {68, {Command::OpenFolderSlot, 7}},
    {69, {Command::PreviousSongPlain}}, {70, {Command::PageUp}}, {71, {Command::NextSongPlain}},
    {72, {Command::PageDown}}, {73, {Command::ToggleNote}}, {74, {Command::ConfiguredKey, int(KeyInput::Dot)}},
    {75, {Command::ToggleAltVersions}}, {76, {Command::ClearSearch}}, {77, {Command::StopOrCancelCountIn}},
    {78, {Command::MetronomeOnOff}}, {79, {Command::MetronomeType}}, {80, {Command::PreviousFilterEntry}},
    {81, {Command::NextFilterEntry}}, {82, {Command::FirstSong}}, {83, {Command::LastSong}},
    {84, {Command::FilterWindow}}, {85, {Command::ApplyFilterText}}, {86, {Command::NextGenre}},
    {87, {Command::RestartMetronome}}, {88, {Command::ConfiguredKey, int(KeyInput::Tild)}},
    {89, {Command::PageDown}}, {90, {Command::FirstTab}}, {91, {Command::PageDownWrap}}, {92, {Command::NextCue}},
    {93, {Command::TapTempo}}, {94, {Command::AudibleMetronome, 2}}, {95, {Command::AudibleMetronome, 0}},
    {96, {Command::AudibleMetronome, 1}}, {97, {Command::TempoChanged}}, {98, {Command::MetronomeOff}},
    {99, {Command::MetronomeOn}}, {100, {Command::ConfiguredKey, int(KeyInput::TildShift)}},
    {101, {Command::Nothing}}, {102, {Command::Nothing}}, {103, {Command::ChordDisplay}},
    {104, {Command::ConfiguredKey, int(KeyInput::Slash)}}, {105, {Command::Play}}, {106, {Command::StopCountIn}},
    {107, {Command::AudioPlayerWindow}}, {108, {Command::PlayNowWithPeriodText}}, {109, {Command::Nothing}},
    {215, {Command::Nothing}}, {216, {Command::StopPlayback, 1}}, {217, {Command::StopPlayback, 0}},
    {218, {Command::Nothing}}, {1000, {Command::Nothing}},
    {1001, {Command::CloseNote}}, {1002, {Command::ToggleNote}}, {1003, {Command::ReloadWindows}},
    {1004, {Command::RefreshNotes, 1}}, {1005, {Command::NoteIsChanging, 1}}, {1006, {Command::NoteIsChanging, 0}},
    {1007, {Command::Nothing}}, {1008, {Command::Nothing}}, {1009, {Command::WindowBecameMain}},
    {1010, {Command::RefreshWindowMenus}}, {1011, {Command::RefreshNoteAndPdfDefaults}},
    {1012, {Command::DisplayModeChanged}}, {1013, {Command::RefreshNotes, 0}}, {1014, {Command::ActivateKeyWindow}},
    {1015, {Command::TabNamesChanged}}, {1016, {Command::SongInfoChanged}}, {1017, {Command::OpenTagList}},
    {1018, {Command::CloseTagList}}, {1019, {Command::ExportList}}, {1020, {Command::TocSizeChanged}},
    {1021, {Command::EndTagListHold}}, {1022, {Command::NoteEdited}}, {1023, {Command::CuesChanged}},
    {1024, {Command::WindowClosed}}, {1025, {Command::ToggleFormattedMode}}, {1026, {Command::RefreshSpeaker}},
    {1027, {Command::DisplaySettingChanged}}, {1028, {Command::StartPlayedTimer}},
    {1029, {Command::StopPlayedTimer}}, {1030, {Command::Nothing}},
    {2000, {Command::Nothing}}, {2001, {Command::MidiMonitorProgram}}, {2002, {Command::MidiMonitorControl}},
    {2003, {Command::MidiSetupChanged}}, {2004, {Command::MidiLearnTrigger}},
    {2005, {Command::MidiLearnDestination}}, {2006, {Command::Nothing}},
    {3000, {Command::Help, 0}}, {3001, {Command::Nothing}}, {3002, {Command::Nothing}}, {3003, {Command::Nothing}},
    {3004, {Command::Help, 4}}, {3005, {Command::Help, 5}}, {3006, {Command::Nothing}}, {3007, {Command::Help, 7}},
    {3008, {Command::Nothing}}, {3009, {Command::Help, 9}}, {3010, {Command::Nothing}},
    {3011, {Command::Help, 11}}, {3012, {Command::Help, 12}}, {3013, {Command::Help, 13}},
    {3014, {Command::Nothing}}, {3015, {Command::Nothing}}, {3016, {Command::Help, 16, 1}},
    {3017, {Command::Help, 17}}, {3018, {Command::Help, 18}}, {3019, {Command::Nothing}},
    {-1, {Command::Nothing}}, {-37, {Command::Nothing}},
};

} // namespace

TEST(CommandTable, EveryCodeResolvesToItsCommand)
{
    for (const Row &row : kRows) {
        const CommandRef got = commandForCode(row.code);
        EXPECT_EQ(got, row.expected) << "code " << row.code << ": got " << controller::commandName(got.command).toStdString()
                                     << " expected " << controller::commandName(row.expected.command).toStdString();
    }
}

TEST(CommandTable, TypedCharactersCarryTheirCode)
{
    for (int code = vocab::TypedCharFirst; code <= vocab::TypedCharLast; ++code)
        EXPECT_EQ(commandForCode(code), (CommandRef{Command::TypedCharacter, code}));
}

TEST(CommandTable, EveryUserCommandIsInTheTable)
{
    // Every code of the user range either acts or is one of the documented no-ops.
    const QList<int> noOps = {47, 48, 49, 56, 101, 102};
    for (int code = vocab::UserCommandFirst; code <= vocab::UserCommandLast; ++code)
        EXPECT_EQ(commandForCode(code).command == Command::Nothing, noOps.contains(code)) << code;
    for (int code = vocab::WindowRequestFirst; code <= vocab::WindowRequestLast; ++code)
        EXPECT_EQ(commandForCode(code).command == Command::Nothing, code == 1007 || code == 1008) << code;
}
