#pragma once

#include <QtGlobal>
#include <functional>

// The metronome's arithmetic and the MIDI clock loop, free of the controller
// and of any window, so that both can be stepped in tests.
namespace metro {

// Length of one beat in seconds; a tempo of 0 (or less) gives 0.6 s.
double beatDuration(qint64 tempo);

// The beat that is due at now when beat 1 fell at start (1 at start, 2 one
// beat later ...). 0 when the duration is not positive.
qint64 beatsDue(double now, double start, double duration);

// Whether the click sounds on this beat, by the click pattern: 0 with the
// metronome sound on and no count-in waiting for its bar, 1 always, 3 beats
// 1-4, 4 beats 5-8, any other never.
bool clickSounds(qint64 tickSound, bool metroSound, bool countSkip, qint64 beat);

// Whether a count-in waiting for the bar may start on this beat. A song
// whose time signature gives no beats per bar has no bar to wait for.
bool isFirstBeatOfBar(qint64 beat, qint64 beatsPerBar);

// A press of the on/off command while the metronome runs: stop it, or arm
// (or extend) the automatic stop.
struct OnOffPress {
    bool stop = false;
    qint64 nbtempo = 16;
    bool stopAuto = false;
};
OnOffPress pressWhileRunning(double startSync, double now, qint64 nbtempo, bool stopAuto);

// The MIDI clock loop: Start once, then 24 timing clocks per beat on a
// schedule fixed from the start time. Everything it touches comes through
// these functions, so it can run against a scripted clock.
struct ClockLoopIO {
    std::function<double()> now;
    std::function<void(double)> sleep;
    std::function<void(quint8)> send;
    // The metronome still runs.
    std::function<bool()> running;
    // The beat length now; a change applies from the next beat.
    std::function<double()> beatDuration;
    // The automatic stop is armed and its beat limit reached.
    std::function<bool()> autoStopDue;
};

inline constexpr quint8 kClockTick = 0xF8;
inline constexpr quint8 kClockStart = 0xFA;
inline constexpr quint8 kClockStop = 0xFC;
inline constexpr int kTicksPerBeat = 24;
// Polls per tick at least; the loop also wakes when the next clock is due.
inline constexpr int kPollsPerTick = 10;

enum class ClockEnd {
    NotStarted, // the metronome stopped before Start could go out
    Stopped,    // the metronome was stopped
    AutoStop,   // the loop reached the automatic stop itself
};

// Runs until the metronome stops or the automatic stop is due. Never sends
// Stop: that is the stop routine's, after the loop has ended.
ClockEnd runClockLoop(const ClockLoopIO &io);

// When tick i of beat b is due, from the start time t0, the current beat
// length and the beat length at the start.
double clockTickTime(double t0, qint64 beat, double beatLength, int tick, double startBeatLength);

} // namespace metro
