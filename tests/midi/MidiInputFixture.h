#pragma once

#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/MidiTrig.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/MidiTriggerRows.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QObject>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

namespace miditest {

// One notification as the controller would have received it.
struct Posted {
    QString name;
    QVariant param;
    bool operator==(const Posted &o) const { return name == o.name && param == o.param; }
};

inline std::ostream &operator<<(std::ostream &os, const Posted &p)
{
    return os << p.name.toStdString() << "(" << p.param.toString().toStdString() << ")";
}

inline Posted key(int code) { return Posted{vocab::ActionKey, QVariant(code)}; }
inline Posted named(const QString &name, const QVariant &param) { return Posted{name, param}; }

// Lets every hop between the receive thread, the thread pool and the main
// queue run out (no clock time passes).
inline void settle(platform::LoopbackMidi &loop)
{
    loop.waitForIdle();
    for (int i = 0; i < 20; ++i) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// The engine on a loopback MIDI set-up with a pedal board plugged in, a
// manual clock, and every notification recorded.
class MidiInputFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::setGcount(-1);
        Data::setGcountSkip(false);
        Data::setGTriggerAuto(false);
        Data::setGTriggerAutoMute(false);
        Data::setGPlayAutoForGenre(-1);
        Data::setGnbTick(0);
        Data::setNbTick(0);
        Data::setOptMetroSound(0);
        Data::setTickSound(2); // no click
        Data::setNbDestForTick(0);
        Data::setRecOn(false);
        Data::setGtempo(100);
        platform::setMidiSystem(nullptr);
        loop = std::make_unique<platform::LoopbackMidi>();
        board = loop->plugDevice(QStringLiteral("Pedals"));
        pedals = loop->findSource(QStringLiteral("Pedals"));
        platform::setMidiSystem(loop.get());
        Midi::iniMidi();
        platform::NotificationCenter::defaultCenter().addObserver(
            QString(),
            [this](const platform::Notification &n) {
                if (record)
                    posted.append(Posted{n.name, n.param});
            },
            &owner);
        settle();
        posted.clear();
    }

    void TearDown() override
    {
        settle();
        platform::NotificationCenter::defaultCenter().removeObservers(&owner);
        Midi::setListenTrigSourceOn(false);
        Midi::setMidiOutPrefOn(false);
        Midi::setPacketListHandler({});
        miditrig::resetQueues();
        platform::setMidiSystem(nullptr);
    }

    // Replaces the trigger table and rebuilds the input filters, as the triggers window does.
    MidiTrigPtr addTrigger(qint64 type, qint64 v1, qint64 v2, qint64 v3, qint64 action, const QString &text = {},
                           qint64 behavior = 0, qint64 channel = 0)
    {
        MidiTrigPtr t = testsupport::appendTrigger(type, v1, v2, v3, action, text, behavior, channel);
        Midi::refreshTrigFiltreChannel(0);
        Midi::refreshTrigFiltreNoteOff();
        return t;
    }

    void clearTriggers()
    {
        Midi::MIDItriggers().clear();
        Midi::refreshTrigFiltreChannel(0);
        Midi::refreshTrigFiltreNoteOff();
    }

    void settle() { miditest::settle(*loop); }

    // Bytes arriving from the pedal board as one packet list of one packet.
    void receive(const char *hex)
    {
        loop->inject(pedals, QByteArray::fromHex(hex));
        settle();
    }

    void receivePackets(std::initializer_list<const char *> hexPackets)
    {
        platform::MidiPacketList list;
        for (const char *hex : hexPackets)
            list.append(platform::MidiPacket{0, QByteArray::fromHex(hex)});
        loop->inject(pedals, list);
        settle();
    }

    QList<Posted> takePosted()
    {
        settle();
        QList<Posted> out = posted;
        posted.clear();
        return out;
    }

    QList<Posted> takeKeys()
    {
        QList<Posted> out;
        for (const Posted &p : takePosted())
            if (p.name == vocab::ActionKey)
                out.append(p);
        return out;
    }

    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    std::unique_ptr<platform::LoopbackMidi> loop;
    platform::MidiObjectRef board = 0;
    platform::MidiEndpointRef pedals = 0;
    QObject owner;
    bool record = true;
    QList<Posted> posted;
};

} // namespace miditest
