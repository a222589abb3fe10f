#pragma once

#include "events/Cues.h"

#include <QString>

// What the event services read of the library and the open windows.
namespace eventsglue {

// The current song's file path; empty when no song is loaded.
QString currentSongKey();
// The current song's page count and time signature, the genre and the
// Tolvane windows that follow page changes.
cues::CueContext currentCueContext();

} // namespace eventsglue
