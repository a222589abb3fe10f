#include "midi/MidiInput.h"

#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/MidiInstruction.h"
#include "midi/MidiTrig.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QSoundEffect>
#include <cmath>
#include <mutex>

using platform::MidiEndpointRef;

// ---- The packet walk ----------------------------------------------------------------------

int midiin::messageLength(quint8 status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xC0)
        return 3;
    if (status < 0xE0)
        return 2;
    if (status < 0xF0)
        return 3;
    switch (status) {
    case 0xF0:
        return 0;
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    default:
        return 1;
    }
}

void midiin::walkPacketList(const platform::MidiPacketList &packets, const std::function<void(const Message &)> &visit)
{
    // Before, the walk stepped by the status byte's length past the packet's
    // end, read a status byte as data, and ended the whole list at a clock byte.
    bool inSysex = false; // a SysEx open at the end of a packet goes on in the next
    for (const platform::MidiPacket &packet : packets) {
        const QByteArray &bytes = packet.data;
        Message current;
        int missing = 0; // data bytes the current message still needs
        for (const char c : bytes) {
            const auto b = quint8(c);
            if (isRealTime(b)) {
                visit(Message{b, 0, 0, 1});
                continue;
            }
            if (inSysex) {
                if (b < 0x80)
                    continue;
                inSysex = false;
                if (b == 0xF7)
                    continue;
                // Any other status byte ends the SysEx and starts its own message.
            }
            if (b >= 0x80) {
                missing = 0; // a message cut short by this status byte is dropped
                if (b == 0xF0) {
                    inSysex = true;
                    continue;
                }
                const int length = messageLength(b);
                current = Message{b, 0, 0, length};
                if (length <= 1) {
                    if (b != 0xF7) // a lone end of SysEx carries nothing
                        visit(current);
                } else {
                    missing = length - 1;
                }
                continue;
            }
            if (missing == 0)
                continue; // a data byte with no message to belong to
            if (missing == current.length - 1)
                current.data1 = b;
            else
                current.data2 = b;
            if (--missing == 0)
                visit(current);
        }
        // A message still missing bytes at the packet's end is dropped.
    }
}

qint64 midiin::tapTempo(const QList<double> &taps)
{
    if (taps.size() < 2)
        return 0;
    double sum = 0;
    for (qsizetype i = 1; i < taps.size(); ++i)
        sum += std::fabs(taps[i] - taps[i - 1]);
    const double mean = sum / double(taps.size() - 1);
    // Taps at the same instant are as fast as a tap tempo goes.
    if (!(mean > 0))
        return kMaxTapTempo;
    const float tempo = std::round(60.0f / float(mean));
    return tempo >= float(kMaxTapTempo) ? kMaxTapTempo : qint64(tempo);
}

// ---- Received state ---------------------------------------------------------------------------

namespace {

using midiin::Message;

platform::NotificationCenter &center() { return platform::NotificationCenter::defaultCenter(); }

// The external clock's counters change as one step: beat, count-in, click.
// This and the tap tempo's are never destroyed, as Midi's lists: the receive
// thread outlives the application.
std::mutex &clockMutex()
{
    static auto *mutex = new std::mutex;
    return *mutex;
}
// Beats per bar of the current song, read on the main thread (the song list
// belongs to it) ahead of the beats that need it.
std::atomic<qint32> g_beatsPerBar{4};
// The last bank-select LSB proper (controller 32) and when it came.
std::atomic<qint32> g_lsb32{-1};
std::atomic<double> g_lsb32Time{0.0};
std::mutex &tapMutex()
{
    static auto *mutex = new std::mutex;
    return *mutex;
}

void refreshBeatsPerBarSoon()
{
    platform::runOnMain([] {
        const qint32 beats = Data::valOrDefNbBeatForCurrentSong(0);
        // A song whose signature gives no beats counts in bars of four.
        g_beatsPerBar.store(beats >= 1 ? beats : 4);
    });
}

// What one packet list leaves for the learned lines, written on the main thread.
struct Learned {
    bool programChange = false;
    qint32 program = 0, msb = -1, lsb = -1, pcChannel = 0;
    MidiEndpointRef pcSource = 0;
    bool controlChange = false;
    qint32 controller = 0, value = 0, ccChannel = 0;
    MidiEndpointRef ccSource = 0;
};

struct ListWalk {
    MidiEndpointRef source = 0;
    double time = 0;
    qint64 bankMsb = -1; // bank select seen earlier in this list
    qint64 bankLsb = -1;
    Learned learned;
};

void playClick()
{
    platform::runOnMain([] {
        if (QSoundEffect *click = Data::audioPlayerObj())
            click->play();
    });
}

void beatStarts()
{
    const qint32 beat = Data::gnbTick() + 1;
    Data::setGnbTick(beat);
    if (Data::gcount() >= 0) {
        const qint32 perBar = std::max<qint32>(g_beatsPerBar.load(), 1);
        if (Data::gcountSkip() && (beat - 1) % perBar == 0) {
            Data::setGcountSkip(false);
            if (Data::gTriggerAutoMute()) {
                Data::setOptMetroSound(1);
                center().postActionKey(vocab::MetronomeSoundIndicator);
            }
        }
        if (!Data::gcountSkip()) {
            const qint64 left = Data::gcount() - 1;
            Data::setGcount(left);
            // The end of the count fires once, on the beat that reaches it.
            if (left == 0) {
                if (Data::gTriggerAutoMute()) {
                    Data::setOptMetroSound(0);
                    Data::setGTriggerAutoMute(false);
                    center().postActionKey(vocab::MetronomeSoundIndicator);
                }
                if (Data::gTriggerAuto()) {
                    Data::setGTriggerAuto(false);
                    center().postActionKey(vocab::NextCue);
                }
                if (Data::gPlayAutoForGenre() >= 0)
                    Midi::demarrerMuteTimer();
            }
        }
    }
    const bool skip = Data::gcountSkip();
    const qint64 rule = Data::tickSound();
    if ((rule == 0 && Data::optMetroSound() != 0 && !skip) || (rule == 1 && !skip) || (rule == 3 && beat < 5)
        || (rule == 4 && beat >= 5 && beat <= 8))
        playClick();
    if (Data::nbDestForTick() > 0)
        Midi::sendTick(0);
    Midi::updateMetroWithNbTickX(beat, false, false);
}

void realTime(const ListWalk &walk, quint8 byte)
{
    std::lock_guard lock(clockMutex());
    const MidiEndpointRef held = Midi::clockRef();
    switch (byte) {
    case 0xFA: // start
        if (held == 0 || held == walk.source) {
            Data::setNbTick(0);
            Data::setGnbTick(0);
            Midi::setClockRef(walk.source);
            refreshBeatsPerBarSoon();
        }
        break;
    case 0xFB: // continue
        if (held == 0 || held == walk.source) {
            Midi::setClockRef(walk.source);
            refreshBeatsPerBarSoon();
        }
        break;
    case 0xFC: // stop, from any source
        if (held != 0) {
            Midi::updateMetroWithNbTickX(0, true, true);
            Midi::setClockRef(0);
        }
        break;
    case 0xF8: { // clock: 24 a beat
        if (held == 0 || held != walk.source)
            break;
        qint32 count = Data::nbTick();
        if (count < 0 || count > 23)
            count = 0;
        if (count == 0) {
            beatStarts();
        } else if (count == 12) {
            Midi::updateMetroWithNbTickX(0, true, false);
            refreshBeatsPerBarSoon();
        }
        Data::setNbTick((count + 1) % 24);
        break;
    }
    default:
        break;
    }
}

// The captured message is set and announced in one step on the main thread:
// set here, a burst from an expression pedal mixed one message's controller
// with the next one's value before the learn window read them.
void captureAndPost(const ListWalk &walk, int channel, qint64 type, qint64 v1, qint64 v2, qint64 v3, int code)
{
    const MidiEndpointRef source = walk.source;
    platform::runOnMain([source, channel, type, v1, v2, v3, code] {
        Midi::setSourceRef(source);
        Midi::setSourceChannel(channel);
        Midi::setSourceType(type);
        Midi::setSourceVal1(v1);
        Midi::setSourceVal2(v2);
        Midi::setSourceVal3(v3);
        center().postActionKey(code);
    });
}

bool filterAdmits(qint64 type, int channel)
{
    return Midi::trigFiltreChannel(type, channel + 1) || Midi::trigFiltreChannel(type, 0);
}

// Learn mode takes the message for the triggers window and nothing else; the
// monitor shows it and the triggers still get it.
void captureAndHandOver(const ListWalk &walk, int channel, qint64 type, qint64 c1, qint64 c2, qint64 c3, qint64 h1,
                        qint64 h2, qint64 h3)
{
    if (Midi::listenTrigSourceOn()) {
        captureAndPost(walk, channel, type, c1, c2, c3, vocab::MidiLearnTrigger);
        return;
    }
    if (Midi::midiOutPrefOn())
        captureAndPost(walk, channel, type, c1, c2, c3, vocab::MidiLearnDestination);
    if (filterAdmits(type, channel))
        Midi::keepMidiTrigInForSourceRef(walk.source, channel + 1, type, h1, h2, h3);
}

void noteOff(const ListWalk &walk, int channel, quint8 note)
{
    if (!Midi::listenTrigSourceOn() && filterAdmits(5, channel) && Midi::trigFiltreNoteOff(note))
        Midi::keepMidiTrigInForSourceRef(walk.source, channel + 1, 5, note, -1, -1);
}

void controlChange(ListWalk &walk, int channel, quint8 k, quint8 v)
{
    const bool paused = Midi::refreshPaused();
    if (k == 0) {
        walk.bankMsb = v;
        if (!paused) {
            Midi::setLastMSBValue(v);
            Midi::initTimeLastMSB();
            Midi::setLastChannel(channel);
            Midi::setLastSourceRef(walk.source);
        }
        return;
    }
    if (k >= 32 && k <= 63) {
        if (k == 32)
            walk.bankLsb = v;
        if (!paused) {
            Midi::setLastLSBNo(k);
            Midi::setLastLSBValue(v);
            Midi::initTimeLastLSB();
            Midi::setLastChannel(channel);
            Midi::setLastSourceRef(walk.source);
            if (k == 32) {
                g_lsb32Time.store(walk.time);
                g_lsb32.store(v);
            }
        }
        return;
    }
    captureAndHandOver(walk, channel, 1, k, v, -1, k, v, -1);
    if (!paused) {
        Midi::setLastControlMessageValue1(k);
        Midi::setLastControlMessageValue2(v);
        Midi::setLastChannel(channel);
        Midi::setLastSourceRef(walk.source);
        Midi::initTimeLastControlMessage();
        walk.learned.controlChange = true;
        walk.learned.controller = k;
        walk.learned.value = v;
        walk.learned.ccChannel = channel;
        walk.learned.ccSource = walk.source;
    }
}

void programChange(ListWalk &walk, int channel, quint8 p)
{
    captureAndHandOver(walk, channel, 2, walk.bankMsb, walk.bankLsb, p, walk.bankMsb, walk.bankLsb, p);
    walk.bankMsb = walk.bankLsb = -1;
    if (Midi::refreshPaused())
        return;
    Midi::setLastProgramChangeValue(p);
    Midi::setLastChannel(channel);
    Midi::setLastSourceRef(walk.source);
    Midi::initTimeLastProgramChange();
    Learned &l = walk.learned;
    l.programChange = true;
    l.program = p;
    l.pcChannel = channel;
    l.pcSource = walk.source;
    // Before, a stale LSB of any controller 32-63 and an MSB the controller
    // had already dropped (-1) went into the line.
    const qint32 msb = Midi::lastMSBValue();
    l.msb = msb >= 0 && walk.time - Midi::timeLastMSB() < 1.0 ? msb : -1;
    const qint32 lsb = g_lsb32.load();
    l.lsb = lsb >= 0 && walk.time - g_lsb32Time.load() < 1.0 ? lsb : -1;
}

void channelMessage(ListWalk &walk, const Message &m)
{
    const int ch = m.channel();
    switch (m.kind()) {
    case 0x80:
        noteOff(walk, ch, m.data1);
        break;
    case 0x90:
        if (m.data2 == 0)
            noteOff(walk, ch, m.data1);
        else
            captureAndHandOver(walk, ch, 3, m.data1, -1, -1, m.data1, m.data2, -1);
        break;
    case 0xB0:
        controlChange(walk, ch, m.data1, m.data2);
        break;
    case 0xC0:
        programChange(walk, ch, m.data1);
        break;
    case 0xE0:
        captureAndHandOver(walk, ch, 4, m.data1, m.data2, -1, m.data1, m.data2, -1);
        break;
    default:
        break; // pressure and system messages are read over
    }
}

QString learnedProgramLine(const Learned &l, const QString &dest)
{
    return QStringLiteral("\n%1@%2").arg(midiinstr::programText(l.msb, l.lsb, l.program), dest);
}

// Main thread: the destination names come from the destination table.
void writeLearnedLines(const Learned &l)
{
    qint32 count = 0;
    {
        std::lock_guard lock(Midi::textMutex());
        QString &lines = Midi::lastEvents();
        if (platform::now() - Midi::timeLastMultiMessage() >= 1.0) {
            lines.clear();
            Midi::setNbLastEvents(0);
        }
        if (l.programChange) {
            lines = learnedProgramLine(l, Midi::obtenirChannelID(l.pcChannel, l.pcSource));
            Midi::setNbLastEvents(1);
        }
        if (l.controlChange) {
            lines += QStringLiteral("\nCC%1:%2@%3")
                         .arg(QString::number(l.controller), QString::number(l.value),
                              Midi::obtenirChannelID(l.ccChannel, l.ccSource));
            Midi::setNbLastEvents(Midi::nbLastEvents() + 1);
        }
        Midi::initTimeLastMultiMessage();
        count = Midi::nbLastEvents();
    }
    if (l.programChange || count > 1)
        center().postActionKey(vocab::MidiMonitorProgram);
    if (l.controlChange)
        center().postActionKey(vocab::MidiMonitorControl);
}

} // namespace

// ---- Engine operations -----------------------------------------------------------------------

void Midi::startInput()
{
    miditrig::resetQueues();
    g_lsb32.store(-1);
    refreshBeatsPerBarSoon();
    setPacketListHandler(&Midi::readPacketList);
}

void Midi::readPacketList(const platform::MidiPacketList &packets, MidiEndpointRef source)
{
    ListWalk walk;
    walk.source = source;
    walk.time = platform::now();
    midiin::walkPacketList(packets, [&walk](const Message &m) {
        if (midiin::isRealTime(m.status))
            realTime(walk, m.status);
        else if (m.status < 0xF0)
            channelMessage(walk, m);
    });
    if (walk.learned.programChange || walk.learned.controlChange)
        platform::runOnMain([learned = walk.learned] { writeLearnedLines(learned); });
}

void Midi::updateMetroWithNbTickX(qint64 nbTick, bool masquer, bool reset)
{
    platform::runOnMain([nbTick, masquer, reset] { Data::updateMetroOfWindows(nbTick, masquer, reset); });
}

void Midi::demarrerMuteTimer()
{
    Data::setGPlayAutoForGenre(-1);
    platform::runOnMain([] { center().post(vocab::ActionDemarrerMuteTimer); });
}

// ---- Tap tempo ----------------------------------------------------------------------------------

void Midi::keepTapTempo()
{
    std::lock_guard lock(tapMutex());
    const double now = platform::now();
    const qint32 next = std::clamp<qint32>(nbTapTempo(), 0, 8);
    if (next >= 1 && std::fabs(now - timeLastTapTempo(next - 1)) > 2.0) {
        // A pause of more than two seconds starts a new series.
        setNbTapTempoB(0);
        setTimeLastTapTempo(0, now);
        setNbTapTempo(1);
    } else if (next < 8) {
        setTimeLastTapTempo(next, now);
        setNbTapTempo(next + 1);
    } else {
        setTimeLastTapTempo(0, now);
        setNbTapTempo(1);
        setNbTapTempoB(1);
    }
    if (nbTapTempo() > 1 || nbTapTempoB() != 0)
        calculateTapTempo();
}

void Midi::calculateTapTempo()
{
    QList<double> taps;
    const qint32 next = std::clamp<qint32>(nbTapTempo(), 0, 8);
    if (nbTapTempoB() != 0) {
        // All eight, oldest first: the ring goes on from the newest slot.
        for (qint32 k = 0; k < 8; ++k)
            taps.append(timeLastTapTempo((next + k) % 8));
    } else {
        for (qint32 k = 0; k < next; ++k)
            taps.append(timeLastTapTempo(k));
    }
    const qint64 tempo = midiin::tapTempo(taps);
    if (tempo > 0)
        Data::setGtempo(tempo);
}

double Midi::obtenirTimeLastTapTempo(qint32 slot)
{
    return timeLastTapTempo(slot >= 1 && slot <= 7 ? slot : 0);
}
