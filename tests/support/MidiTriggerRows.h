#pragma once

// Header-only so that the fuzz targets, which do not link the test support
// library, can share it.
#include "midi/Midi.h"
#include "midi/MidiRecords.h"

#include <memory>

namespace testsupport {

// Appends a row to the trigger table; the caller rebuilds the input filters.
inline MidiTrigPtr appendTrigger(qint64 type, qint64 v1, qint64 v2, qint64 v3, qint64 action,
                                 const QString &text = {}, qint64 behavior = 0, qint64 channel = 0)
{
    auto t = std::make_shared<MidiTrig>(Midi::MIDItriggers().size());
    t->sourceType = type;
    t->sourceVal1 = v1;
    t->sourceVal2 = v2;
    t->sourceVal3 = v3;
    t->actionType = action;
    t->actionTxt = text;
    t->behavior = behavior;
    t->channel = channel;
    Midi::MIDItriggers().append(t);
    return t;
}

} // namespace testsupport
