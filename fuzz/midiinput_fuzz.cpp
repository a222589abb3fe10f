// Received MIDI as it comes from any device: packet lists of arbitrary bytes,
// walked and handed through the input side to the triggers and their actions.
#include "FuzzSupport.h"

#include "midi/Midi.h"
#include "midi/MidiInput.h"
#include "midi/MidiTrig.h"
#include "support/MidiTriggerRows.h"

#include <QCoreApplication>
#include <cstdlib>

namespace {

void addTrigger(qint64 type, qint64 v1, qint64 v2, qint64 v3, qint64 action, qint64 behavior)
{
    testsupport::appendTrigger(type, v1, v2, v3, action, QString(), behavior);
}

// One trigger of every source type, stepped and plain actions, every behaviour.
void setUpOnce()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Midi::iniMidi();
    Midi::MIDItriggers().clear();
    addTrigger(1, 64, 127, -1, 8, 0);
    addTrigger(1, 7, 0, -1, 29, 1);
    addTrigger(1, 10, 20, 10, 13, 2);
    addTrigger(2, -1, -1, 5, 7, 0);
    addTrigger(3, 60, 0, 0, 15, 1);
    addTrigger(4, 0, 100, 0, 23, 0);
    addTrigger(5, 62, 0, 0, 9, 0);
    addTrigger(6, 60, 0, 0, 31, 0);
    Midi::refreshTrigFiltreChannel(0);
    Midi::refreshTrigFiltreNoteOff();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setUpOnce();

    // Each packet: a length byte (0-15) then that many bytes, cut at the input's end.
    platform::MidiPacketList list;
    for (size_t i = 0; i < size;) {
        const size_t len = data[i++] % 16;
        const size_t take = std::min(len, size - i);
        list.append(platform::MidiPacket{0, fuzzsupport::bytes(data + i, take)});
        i += take;
    }

    midiin::walkPacketList(list, [](const midiin::Message &m) {
        if (m.status < 0x80 || m.data1 > 0x7F || m.data2 > 0x7F || m.length != midiin::messageLength(m.status))
            std::abort();
    });

    Midi::readPacketList(list, Midi::virtualOutTemp());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // Held notes would wait for a clock that does not move here.
    miditrig::resetQueues();
    return 0;
}
