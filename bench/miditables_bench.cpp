// Opening the MIDI settings windows on long tables: the triggers window with
// 1,000 and 10,000 rows, the destinations and event library windows with
// 1,000 (target: under 100 ms, and no stretch of the main thread over one
// frame, 16.7 ms, for 1,000 rows). "open" is the menu item's call, "turn"
// the longest turn of the event loop after it (painting, rows built later);
// the iteration time is their sum and "longest" the larger of the two.
#include "BenchSupport.h"
#include "midi/Midi.h"
#include "midi/windows/MidiWindows.h"
#include "platform/midi/LoopbackMidi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

void fillTriggers(qint64 rows)
{
    auto &list = Midi::MIDItriggers();
    list.clear();
    for (qint64 i = 0; i < rows; ++i) {
        auto trig = std::make_shared<MidiTrig>(i);
        trig->channel = i % 17;
        trig->sourceType = 1 + i % 6;
        trig->sourceVal1 = i % 128;
        trig->actionType = i % 37;
        trig->actionTxt = QStringLiteral("text %1").arg(i);
        list.append(trig);
    }
}

void fillDestinations(qint64 rows)
{
    auto &list = Midi::MIDIdestinations();
    list.clear();
    for (qint64 i = 0; i < rows; ++i) {
        auto dest = std::make_shared<MidiDest>(i);
        dest->idDest = QStringLiteral("Dest%1").arg(i);
        dest->channel = i % 17;
        list.append(dest);
    }
}

void fillGroups(qint64 rows)
{
    auto &list = Midi::MIDIfav();
    list.clear();
    for (qint64 i = 0; i < rows; ++i) {
        auto group = std::make_shared<MidiFavEvent>(i);
        group->favEventID = i == 0 ? QStringLiteral("DEFAULT") : QStringLiteral("Fav%1").arg(i);
        group->favEventDescr = QStringLiteral("Group %1").arg(i);
        group->favEventTx = QStringLiteral("00:00 MIDI 17@0\n");
        list.append(group);
    }
}

// Each iteration opens a window made afresh, as the first use of the menu
// item does, then lets the event loop run a few dozen turns (rows may be
// built over several).
void openWindow(benchmark::State &state, void (*fill)(qint64), void (MidiWindows::*show)())
{
    platform::LoopbackMidi loop;
    loop.plugDevice(QStringLiteral("Pedals"));
    platform::setMidiSystem(&loop);
    Midi::iniMidi();
    fill(state.range(0));
    // The first window of a run also loads fonts and styles, whatever its rows.
    {
        MidiWindows warmUp;
        (warmUp.*show)();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    double openMax = 0, turnMax = 0;
    for (auto _ : state) {
        auto windows = std::make_unique<MidiWindows>();
        QElapsedTimer timer;
        timer.start();
        (windows.get()->*show)();
        const double open = double(timer.nsecsElapsed()) / 1e9;
        double total = open;
        for (int turn = 0; turn < 30; ++turn) {
            timer.restart();
            QCoreApplication::processEvents();
            const double spent = double(timer.nsecsElapsed()) / 1e9;
            total += spent;
            turnMax = std::max(turnMax, spent);
        }
        state.SetIterationTime(total);
        openMax = std::max(openMax, open);
        state.PauseTiming();
        windows.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(state.range(0));
    state.counters["open_ms"] = openMax * 1000.0;
    state.counters["turn_ms"] = turnMax * 1000.0;
    state.counters["longest_ms"] = std::max(openMax, turnMax) * 1000.0;
    Midi::MIDItriggers().clear();
    Midi::MIDIdestinations().clear();
    Midi::MIDIfav().clear();
    platform::setMidiSystem(nullptr);
}

void BM_TriggersWindowOpen(benchmark::State &state)
{
    openWindow(state, fillTriggers, &MidiWindows::showTriggers);
}

void BM_DestinationsWindowOpen(benchmark::State &state)
{
    openWindow(state, fillDestinations, &MidiWindows::showDestinations);
}

void BM_EventLibraryWindowOpen(benchmark::State &state)
{
    openWindow(state, fillGroups, &MidiWindows::showLibrary);
}

} // namespace

BENCHMARK(BM_TriggersWindowOpen)->Arg(1000)->Arg(10000)->Iterations(benchCount(3, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DestinationsWindowOpen)->Arg(1000)->Iterations(benchCount(3, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EventLibraryWindowOpen)->Arg(1000)->Iterations(benchCount(3, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
