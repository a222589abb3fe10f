#include "controller/MetroRules.h"

#include <cmath>

namespace metro {

double beatDuration(qint64 tempo)
{
    return tempo > 0 ? 60.0 / double(tempo) : 0.6;
}

qint64 beatsDue(double now, double start, double duration)
{
    if (!(duration > 0))
        return 0;
    return qint64(std::floor((now - start + duration) / duration));
}

bool clickSounds(qint64 tickSound, bool metroSound, bool countSkip, qint64 beat)
{
    switch (tickSound) {
    case 0:
        return metroSound && !countSkip;
    case 1:
        return true;
    case 3:
        return beat < 5;
    case 4:
        return beat >= 5 && beat <= 8;
    default:
        return false;
    }
}

bool isFirstBeatOfBar(qint64 beat, qint64 beatsPerBar)
{
    if (beatsPerBar < 1)
        return true;
    return beat % beatsPerBar == 1 % beatsPerBar;
}

OnOffPress pressWhileRunning(double startSync, double now, qint64 nbtempo, bool stopAuto)
{
    OnOffPress r;
    r.nbtempo = nbtempo;
    r.stopAuto = stopAuto;
    if (!(startSync > 0) || !(double(nbtempo) * 0.03125 > now - startSync)) {
        r.stop = true;
        return r;
    }
    r.nbtempo = stopAuto ? nbtempo + 32 : 16;
    r.stopAuto = true;
    return r;
}

double clockTickTime(double t0, qint64 beat, double beatLength, int tick, double startBeatLength)
{
    return t0 + double(beat) * beatLength + double(tick) * startBeatLength / kTicksPerBeat;
}

ClockEnd runClockLoop(const ClockLoopIO &io)
{
    const double d = io.beatDuration();
    const double t0 = io.now();
    // Checked before Start, so a stop that came first never sees Start after its Stop.
    if (!io.running())
        return ClockEnd::NotStarted;
    io.send(kClockStart);
    const double poll = d / (kTicksPerBeat * kPollsPerTick);
    int i = 0;
    qint64 b = 0;
    double next = t0;
    while (io.running()) {
        if (io.now() >= next) {
            io.send(kClockTick);
            if (++i == kTicksPerBeat) {
                i = 0;
                ++b;
            }
            next = clockTickTime(t0, b, io.beatDuration(), i, d);
        }
        if (io.autoStopDue())
            return ClockEnd::AutoStop;
        // Polls at least every tenth of a tick, and wakes right on the next clock.
        const double wait = next - io.now();
        if (wait > 0)
            io.sleep(wait < poll ? wait : poll);
    }
    // The rest of the beat's tick slots pass silently before the stop.
    if (i != 0)
        for (int k = i; k < kTicksPerBeat; ++k)
            io.sleep(poll);
    return ClockEnd::Stopped;
}

} // namespace metro
