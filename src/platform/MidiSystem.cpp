#include "platform/MidiSystem.h"

#include "platform/midi/AlsaMidi.h"
#include "platform/midi/LoopbackMidi.h"
#include "platform/midi/NullMidi.h"

#include <QDebug>
#include <atomic>
#include <mutex>

namespace platform {

namespace {
std::atomic<MidiSystem *> g_installed{nullptr};
std::once_flag g_defaultOnce;
std::unique_ptr<MidiSystem> g_default;
} // namespace

std::unique_ptr<MidiSystem> createMidiSystemFromEnvironment()
{
    const QString forced = qEnvironmentVariable("TOLVANE_MIDI_BACKEND").trimmed().toLower();
    if (forced == QLatin1String("loopback"))
        return std::make_unique<LoopbackMidi>();
    if (forced == QLatin1String("none"))
        return std::make_unique<NullMidi>();
    QString why;
    if (auto alsa = createAlsaMidi(&why))
        return alsa;
    if (forced == QLatin1String("alsa")) {
        qWarning().noquote() << QStringLiteral("MIDI is off: the ALSA sequencer cannot be opened (%1)").arg(why);
        return std::make_unique<NullMidi>();
    }
    qInfo().noquote() << QStringLiteral("MIDI: no ALSA sequencer (%1), using the in-process loopback").arg(why);
    return std::make_unique<LoopbackMidi>();
}

MidiSystem &midiSystem()
{
    if (MidiSystem *installed = g_installed.load())
        return *installed;
    std::call_once(g_defaultOnce, [] { g_default = createMidiSystemFromEnvironment(); });
    return *g_default;
}

void setMidiSystem(MidiSystem *system)
{
    g_installed.store(system);
}

} // namespace platform
