#include "midi/Midi.h"

#include "library/Data.h"
#include "midi/MidiBytes.h"
#include "platform/Clock.h"
#include "platform/Keys.h"
#include "platform/Log.h"

using platform::MidiEndpointRef;
using platform::MidiPacket;
using platform::MidiPacketList;

namespace {

platform::MidiSystem &sys() { return platform::midiSystem(); }

struct Queue {
    std::mutex mutex;
    QList<MidiEvPtr> events;
    // Main thread only: the next drain step is scheduled. At most one is, so
    // the delay between events holds however often a drain is asked for. A
    // restart of the engine (new generation) forgets a step whose clock went away.
    bool stepScheduled = false;
    quint64 generation = 0;
};

// Never destroyed: the clock thread may still send while the program exits.
Queue &queue()
{
    static Queue *q = new Queue;
    return *q;
}

bool sendNow(MidiEndpointRef dest, const QByteArray &bytes)
{
    return sys().send(Midi::outputPort(), dest, MidiPacketList{MidiPacket{0, bytes}}) == platform::midistatus::NoErr;
}

} // namespace

// ---- MidiEv -------------------------------------------------------------------------------

MidiEv::MidiEv() : creationTime(platform::now()) {}

bool MidiEv::send() const
{
    bool sent = false;
    auto &s = sys();
    const MidiEndpointRef ownInput = Midi::virtualInTemp();
    const int count = s.numberOfDestinations();
    for (int i = 0; i < count; ++i) {
        const MidiEndpointRef dest = s.getDestination(i);
        if (destUID == 0) {
            // Before, a send to all reached the program's own input too: a
            // trigger that sends MIDI to all fired itself without end.
            if (dest == ownInput)
                continue;
        } else if (destUID != Midi::MIDIgetUniqueID(dest)) {
            continue;
        }
        if (!Midi::MIDIisOnline(dest))
            continue;
        if (s.send(Midi::outputPort(), dest, packetList) == platform::midistatus::NoErr)
            sent = true;
        else
            TLOG(QStringLiteral("Error in send"));
    }
    return sent;
}

// ---- Queuing ---------------------------------------------------------------------------------

void Midi::sendStatus(quint8 status, quint8 data1, quint8 data2, int nbByte, qint32 destUID, bool forcer)
{
    // A data byte of 0x80 or more would be read as the start of another message.
    if (!midiOk() || status < 0x80 || (nbByte >= 2 && data1 > 0x7F) || (nbByte >= 3 && data2 > 0x7F))
        return;
    const QByteArray bytes = midibytes::channelMessage(status, data1, data2, nbByte);
    if (!bytes.isEmpty())
        keepMidiEvent(MidiPacketList{MidiPacket{0, bytes}}, destUID, forcer);
}

void Midi::sendSysex(const QByteArray &packet, qint32 destUID, bool forcer)
{
    if (!midiOk() || !midibytes::isSendableSysex(packet))
        return;
    keepMidiEvent(MidiPacketList{MidiPacket{0, packet}}, destUID, forcer);
}

void Midi::sendSysexCoarseTune(quint8, quint8 data1, quint8, int, qint32 destUID, bool forcer)
{
    if (!midiOk() || !midibytes::isDataByte(data1))
        return;
    keepMidiEvent(MidiPacketList{MidiPacket{0, midibytes::coarseTuneSysex(data1)}}, destUID, forcer);
}

void Midi::keepMidiEvent(const MidiPacketList &packetList, qint32 destUID, bool forcer)
{
    if (!midiOk() || packetList.isEmpty())
        return;
    for (const MidiPacket &packet : packetList)
        if (packet.data.isEmpty())
            return;
    auto ev = std::make_shared<MidiEv>();
    ev->packetList = packetList;
    ev->destUID = destUID;
    ev->forcer = forcer;
    Queue &q = queue();
    std::lock_guard lock(q.mutex);
    setEventWillBeInserted(true);
    q.events.append(ev);
    setEventWillBeInserted(false);
}

QList<MidiEvPtr> Midi::MIDIevents()
{
    std::lock_guard lock(queue().mutex);
    return queue().events;
}

// ---- Draining ----------------------------------------------------------------------------------

void Midi::scheduleDrainStep(double delay)
{
    Queue &q = queue();
    if (q.stepScheduled)
        return;
    q.stepScheduled = true;
    const quint64 generation = q.generation;
    platform::performAfter(delay, nullptr, [generation] {
        if (queue().generation != generation)
            return;
        queue().stepScheduled = false;
        processOneMidiEvent();
    });
}

void Midi::resetQueue()
{
    Queue &q = queue();
    std::lock_guard lock(q.mutex);
    q.events.clear();
    q.stepScheduled = false;
    ++q.generation;
    setEventEnTraitement(false);
    setEventWillBeInserted(false);
}

void Midi::processMidiEvents()
{
    // Before, a second call during a drain started a second series of steps
    // and the events left at twice the rate the delay allows.
    scheduleDrainStep(midiDelay());
}

void Midi::processOneMidiEvent()
{
    Queue &q = queue();
    if (eventEnTraitement()) {
        scheduleDrainStep(midiDelay()); // a step is under way further up: come back
        return;
    }
    setEventEnTraitement(true);
    double pause = midiDelay();
    MidiEvPtr head;
    {
        std::lock_guard lock(q.mutex);
        if (!q.events.isEmpty())
            head = q.events.takeFirst();
    }
    if (head) {
        // A new batch (a song change) leaves the previous one's unsent events behind.
        if (head->creationTime < timeLastLotEvents() && !head->forcer)
            pause = 0;
        else if (head->send())
            Data::sendingMidi(true);
    }
    setEventEnTraitement(false);
    bool remaining;
    {
        std::lock_guard lock(q.mutex);
        remaining = !q.events.isEmpty();
    }
    if (remaining) {
        scheduleDrainStep(pause);
        return;
    }
    lancerRefreshPauseFalse();
    lancerSendingMidiFalse();
}

void Midi::lancerRefreshPauseFalse()
{
    platform::performAfter(1.0, nullptr, [] { refreshPausedFalse(); });
}

void Midi::refreshPausedFalse() { setRefreshPaused(false); }

void Midi::lancerSendingMidiFalse()
{
    platform::performAfter(0.01, nullptr, [] { sendingMidiFalse(); });
}

void Midi::sendingMidiFalse() { Data::sendingMidi(false); }

// ---- Direct sends: clock, ticks, keypad --------------------------------------------------------

void Midi::sendClock(quint8 status)
{
    if (!midiOk())
        return;
    const QByteArray bytes(1, char(status));
    // The program's own input first: the metronome display follows its clock.
    if (!sendNow(virtualInTemp(), bytes))
        TLOG(QStringLiteral("Error in sendStatus"));
    const qint32 count = std::min<qint32>(Data::nbDestForClock(), Data::kMidiSlots);
    for (qint32 i = 0; i < count; ++i) {
        const auto dest = MidiEndpointRef(Data::destForClock(i));
        if (dest != 0 && !sendNow(dest, bytes))
            TLOG(QStringLiteral("Error in sendStatus"));
    }
}

void Midi::sendTick(int)
{
    if (!midiOk())
        return;
    const qint32 count = std::min<qint32>(Data::nbDestForTick(), Data::kMidiSlots);
    for (qint32 i = 0; i < count; ++i) {
        if (!midibytes::tickAudible(Data::audibleForTick(i), Data::optMetroSound() != 0, Data::gcountSkip(),
                                    Data::gnbTick()))
            continue;
        // A sound or channel outside what the clock window offers sends nothing.
        const int note = midibytes::tickNote(Data::noteForTick(i));
        const qint64 channel = Data::channelForTick(i);
        if (note < 0 || channel < 0 || channel > 15)
            continue;
        const auto dest = MidiEndpointRef(Data::destForTick(i));
        const QByteArray on = midibytes::channelMessage(quint8(midibytes::NoteOn + channel), quint8(note), 127, 3);
        const QByteArray off = midibytes::channelMessage(quint8(midibytes::NoteOff + channel), quint8(note), 0, 3);
        if (!sendNow(dest, on) || !sendNow(dest, off))
            TLOG(QStringLiteral("Error in sendStatus"));
    }
}

bool Midi::isKeynToMIDI(const platform::KeyEvent &event, bool sansVerif)
{
    const int note = midibytes::keyToMidiNote(event.keyCode, event.modifierFlags, Data::optKeyPad2() != 0,
                                              Data::optKeyPad() != 0, sansVerif);
    if (note < 0)
        return false;
    sendKeyn(note);
    return true;
}

void Midi::sendKeyn(int note)
{
    if (!midiOk() || !midibytes::isDataByte(note))
        return;
    // To the program's own input, so that keys fire note triggers as a pedal would.
    sendNow(virtualInTemp(), midibytes::channelMessage(midibytes::NoteOn, quint8(note), 127, 3));
    sendNow(virtualInTemp(), midibytes::channelMessage(midibytes::NoteOff, quint8(note), 0, 3));
}
