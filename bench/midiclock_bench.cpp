// MIDI clock timing on the loopback: the clock loop runs on a worker thread
// as it does on stage, and each timing clock's send time is compared with its
// schedule (start + k × beat / 24). Reported: mean and 99th-percentile
// deviation in microseconds (goal: p99 under 500 µs on an idle machine).
#include "BenchSupport.h"
#include "controller/MetroRules.h"
#include "library/Data.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/midi/LoopbackMidi.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <thread>
#include <vector>

namespace {

void BM_MidiClockTiming(benchmark::State &state)
{
    const qint64 bpm = state.range(0);
    const int beats = int(state.range(1));
    platform::LoopbackMidi loop;
    platform::setMidiSystem(&loop);
    Midi::iniMidi();
    const double beat = metro::beatDuration(bpm);

    std::vector<double> deviations;
    for (auto _ : state) {
        loop.clearSent();
        std::atomic<bool> running{true};
        // The loop's own start time: its first reading of the clock.
        std::atomic<double> t0{0};
        metro::ClockLoopIO io;
        io.now = [&t0]() {
            const double t = platform::now();
            double unset = 0;
            t0.compare_exchange_strong(unset, t);
            return t;
        };
        io.sleep = [](double s) { platform::sleepWorker(s); };
        io.send = [](quint8 b) { Midi::sendClock(b); };
        io.running = [&running]() { return running.load(); };
        io.beatDuration = [beat]() { return beat; };
        io.autoStopDue = []() { return false; };
        std::thread worker([&io]() { metro::runClockLoop(io); });
        // Stop just before the clock that would end the last beat.
        while (t0 == 0 || platform::now() - t0 < beats * beat - beat / 48)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        running = false;
        worker.join();

        int k = 0;
        for (const platform::LoopbackMidi::Sent &s : loop.sent()) {
            if (s.dest != Midi::virtualInTemp() || s.bytes != QByteArray(1, char(metro::kClockTick)))
                continue;
            deviations.push_back((s.time - (t0 + k * beat / metro::kTicksPerBeat)) * 1e6);
            ++k;
        }
    }
    platform::setMidiSystem(nullptr);
    if (deviations.empty()) {
        state.SkipWithError("no clock was sent");
        return;
    }
    std::vector<double> sorted = deviations;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double d : sorted)
        sum += std::abs(d);
    state.counters["clocks"] = double(sorted.size());
    state.counters["mean_us"] = sum / double(sorted.size());
    state.counters["p99_us"] = sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * 0.99))];
    state.counters["max_us"] = sorted.back();
}

} // namespace

BENCHMARK(BM_MidiClockTiming)->Args({120, benchCount(16, 2)})->Args({240, benchCount(32, 4)})->Iterations(1)->Unit(benchmark::kMillisecond);
