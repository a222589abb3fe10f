#include "midi/MidiTrig.h"

#include <QString>

namespace miditrig {

namespace {

// How many steps the full range of a stepped action holds: a tempo per value
// (53-180), ten tabs, 36 typed characters, the 128 scroll positions, or the
// two halves of an on/off action.
qint64 stepCount(qint64 action)
{
    switch (action) {
    case 29:
    case 14:
        return 128;
    case 13:
        return 10;
    case 12:
        return 36;
    default:
        return 2;
    }
}

// Both on the same side of the centre; 64 itself is on neither.
bool sameSideOfCentre(qint64 a, qint64 b) { return (a < 64 && b < 64) || (a > 64 && b > 64); }

} // namespace

bool acceptsSource(const MidiTrig &trig, qint32 sourceUID, qint64 channel)
{
    if (trig.sourceMode == 2) {
        if (trig.sourceUID != sourceUID)
            return false;
    } else if (trig.sourceMode != 0) {
        return false;
    }
    return trig.channel == 0 || trig.channel == channel;
}

bool isSteppedAction(qint64 action)
{
    switch (action) {
    case 3:
    case 12:
    case 13:
    case 14:
    case 23:
    case 29:
    case 30:
        return true;
    default:
        return false;
    }
}

bool controlChangeMatches(qint64 action, qint64 from, qint64 to, qint64 v, qint64 &vex, qint64 *step)
{
    *step = -1;
    const bool stepped = isSteppedAction(action);
    if (to == -1) {
        if (stepped) {
            from = 0;
            to = 127;
        } else {
            to = from;
        }
    }
    if (stepped) {
        // A range whose end lies below its start holds no value: nothing to divide.
        if (v < from || v > to)
            return false;
        const qint64 n = to - from + 1;
        const qint64 s = ((v - from) * stepCount(action)) / n;
        if (s == vex)
            return false;
        vex = s;
        *step = s;
        return true;
    }
    if (v >= from && v <= to) {
        const bool entered = vex != 1;
        vex = 1;
        return entered;
    }
    vex = 0;
    return false;
}

bool programChangeMatches(const MidiTrig &trig, const MidiTrigIn &in)
{
    if (trig.sourceVal3 != in.sourceVal3)
        return false;
    if (in.sourceVal1 == -1)
        return true;
    return trig.sourceVal1 == in.sourceVal1 && trig.sourceVal2 == in.sourceVal2;
}

bool noteMatches(const MidiTrig &trig, qint64 note)
{
    switch (trig.actionType) {
    case 12:
    case 13:
    case 14:
        return false;
    case 15:
    case 16:
        // The trigger's note is the first of a range that counts songs upward.
        return note >= trig.sourceVal1;
    default:
        return note == trig.sourceVal1;
    }
}

bool pitchWheelMatches(const MidiTrig &trig, const MidiTrigIn &in)
{
    return sameSideOfCentre(in.sourceVal2, trig.sourceVal2);
}

bool pitchWheelRepeat(qint64 lastType, qint64 lastVal2, const MidiTrigIn &in)
{
    if (in.sourceType != 4 || lastType != 4)
        return false;
    return sameSideOfCentre(in.sourceVal2, lastVal2);
}

} // namespace miditrig
