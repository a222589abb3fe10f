#pragma once

#include "midi/MidiRecords.h"
#include "platform/MidiSystem.h"

#include <QtGlobal>
#include <memory>

// A received message waiting in the trigger queue. Types 1-6 as MidiTrig's
// sourceType; 7 is a note released before the hold time (a short press).
class MidiTrigIn {
public:
    MidiTrigIn() = default;
    MidiTrigIn(platform::MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType, qint64 sourceVal1,
               qint64 sourceVal2, qint64 sourceVal3)
        : sourceRef(sourceRef), channel(channel), sourceType(sourceType), sourceVal1(sourceVal1),
          sourceVal2(sourceVal2), sourceVal3(sourceVal3)
    {
    }

    platform::MidiEndpointRef sourceRef = 0;
    qint64 channel = 0; // 1-16
    qint64 sourceType = 1;
    qint64 sourceVal1 = -1; // controller, bank MSB, note, or the wheel's low byte; -1 none
    qint64 sourceVal2 = -1; // value, bank LSB, velocity, or the wheel's high byte; -1 none
    qint64 sourceVal3 = -1; // program; -1 none

    // Matches the candidate against every trigger and fires their actions
    // (main thread; MidiTrigActions.cpp).
    void process();
};

// A pressed note watched until it is held for a second or released.
class MidiTrigInHold {
public:
    platform::MidiEndpointRef sourceRef = 0;
    qint64 channel = 0;
    qint64 sourceType = 1;
    qint64 sourceVal1 = -1;
    qint64 sourceVal2 = -1;
    qint64 sourceVal3 = -1;
    double creationTime = 0; // platform::now()
    bool annule = false;     // cancelled
    bool force = false;      // released
};

using MidiTrigInPtr = std::shared_ptr<MidiTrigIn>;
using MidiTrigInHoldPtr = std::shared_ptr<MidiTrigInHold>;

// The value rules of trigger matching, free of any engine state.
namespace miditrig {

// Seconds a note must be held to count as held.
inline constexpr double kHoldTime = 1.0;

// Source and channel rules: any source, or the one source of that unique
// identifier ("ignore input" never passes); channel 0 is any channel.
bool acceptsSource(const MidiTrig &trig, qint32 sourceUID, qint64 channel);

// Empties the candidate queue and the hold list (engine set-up).
void resetQueues();

// Action codes whose control-change trigger fires at each step of its range.
bool isSteppedAction(qint64 action);

// Control-change range rule. From/To are the trigger's sourceVal2/sourceVal3
// (To -1: none), v the received value, vex the trigger's last state (updated
// here). True on a match; *step is the step value (-1 for unstepped actions).
bool controlChangeMatches(qint64 action, qint64 from, qint64 to, qint64 v, qint64 &vex, qint64 *step);

// Program change: the trigger's bank MSB, LSB and program against the
// candidate's (-1 MSB: no bank select came with it).
bool programChangeMatches(const MidiTrig &trig, const MidiTrigIn &in);

// Note rule of note triggers: the same note, or for actions 15 and 16 any
// note from the trigger's first note up; actions 12-14 never match a note.
bool noteMatches(const MidiTrig &trig, qint64 note);

// Pitch wheel: both on the same side of the centre (64 itself on neither).
bool pitchWheelMatches(const MidiTrig &trig, const MidiTrigIn &in);

// The pitch-wheel repeat filter: a wheel candidate on the same side as the
// last processed one is dropped.
bool pitchWheelRepeat(qint64 lastType, qint64 lastVal2, const MidiTrigIn &in);

} // namespace miditrig
