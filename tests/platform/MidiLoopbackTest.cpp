#include "platform/MidiSystem.h"
#include "platform/midi/AlsaMidi.h"
#include "platform/midi/LoopbackMidi.h"
#include "platform/midi/NullMidi.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace platform;

namespace {

// What a read callback saw, from whichever thread ran it.
struct Received {
    std::mutex mutex;
    QList<QByteArray> bytes;
    QList<quintptr> refCons;
    std::thread::id thread;

    MidiReadProc proc()
    {
        return [this](const MidiPacketList &packets, quintptr refCon) {
            std::lock_guard lock(mutex);
            thread = std::this_thread::get_id();
            for (const MidiPacket &p : packets) {
                bytes.append(p.data);
                refCons.append(refCon);
            }
        };
    }
};

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

struct Program {
    MidiObjectRef client = 0, in = 0, out = 0;
    MidiEndpointRef virtualIn = 0, virtualOut = 0;
    int notifications = 0;
};

void createProgram(MidiSystem &system, Program &p, Received &received)
{
    ASSERT_EQ(system.clientCreate(QStringLiteral("Quillory MIDI"), [&p](int id) { p.notifications += id == kMidiMsgSetupChanged; }, &p.client), 0);
    ASSERT_EQ(system.inputPortCreate(p.client, QStringLiteral("Quillory Input"), received.proc(), &p.in), 0);
    ASSERT_EQ(system.outputPortCreate(p.client, QStringLiteral("Quillory Output"), &p.out), 0);
    ASSERT_EQ(system.destinationCreate(p.client, QStringLiteral("Quillory IN"), received.proc(), &p.virtualIn), 0);
    ASSERT_EQ(system.sourceCreate(p.client, QStringLiteral("Quillory OUT"), &p.virtualOut), 0);
}

} // namespace

TEST(MidiLoopback, InjectedPacketListsReachTheConnectedPortOnTheReceiveThread)
{
    LoopbackMidi loop;
    Received received;
    Program p;
    createProgram(loop, p, received);
    const MidiObjectRef pedal = loop.plugDevice(QStringLiteral("Pedal"));
    const MidiEndpointRef source = loop.findSource(QStringLiteral("Pedal"));
    ASSERT_NE(source, 0u);
    ASSERT_NE(pedal, 0u);

    // Not connected yet: nothing arrives.
    loop.inject(source, hex("b00740"));
    loop.waitForIdle();
    EXPECT_TRUE(received.bytes.isEmpty());

    ASSERT_EQ(loop.portConnectSource(p.in, source, 77), 0);
    loop.inject(source, MidiPacketList{MidiPacket{0, hex("b00000")}, MidiPacket{0, hex("c011")}});
    loop.waitForIdle();
    ASSERT_EQ(received.bytes, (QList<QByteArray>{hex("b00000"), hex("c011")}));
    EXPECT_EQ(received.refCons, (QList<quintptr>{77, 77}));
    EXPECT_EQ(received.thread, loop.receiveThreadId());
    EXPECT_NE(received.thread, std::this_thread::get_id());

    EXPECT_EQ(loop.portDisconnectSource(p.in, source), 0);
    EXPECT_NE(loop.portDisconnectSource(p.in, source), 0);
    loop.inject(source, hex("c012"));
    loop.waitForIdle();
    EXPECT_EQ(received.bytes.size(), 2);
}

TEST(MidiLoopback, SendsAreRecordedAndAVirtualDestinationHearsThem)
{
    LoopbackMidi loop;
    Received received;
    Program p;
    createProgram(loop, p, received);
    loop.plugDevice(QStringLiteral("Synth"));
    const MidiEndpointRef synth = loop.findDestination(QStringLiteral("Synth"));

    EXPECT_EQ(loop.send(p.out, synth, MidiPacketList{MidiPacket{0, hex("903c64")}}), 0);
    EXPECT_EQ(loop.send(p.out, p.virtualIn, MidiPacketList{MidiPacket{0, hex("f8")}}), 0);
    EXPECT_NE(loop.send(p.out, 0xdead, MidiPacketList{MidiPacket{0, hex("f8")}}), 0);
    EXPECT_NE(loop.send(p.in, synth, MidiPacketList{MidiPacket{0, hex("f8")}}), 0) << "only an output port sends";
    loop.waitForIdle();
    EXPECT_EQ(loop.sentTo(synth), QList<QByteArray>{hex("903c64")});
    EXPECT_EQ(received.bytes, QList<QByteArray>{hex("f8")});
    EXPECT_EQ(received.refCons, QList<quintptr>{0});
}

TEST(MidiLoopback, DevicesEntitiesAndEndpointsDescribeTheSetUp)
{
    LoopbackMidi loop;
    Received received;
    Program p;
    createProgram(loop, p, received);
    const MidiObjectRef device = loop.plugDevice(QStringLiteral("Board"), 2);

    ASSERT_EQ(loop.numberOfDevices(), 1);
    EXPECT_EQ(loop.getDevice(0), device);
    ASSERT_EQ(loop.deviceNumberOfEntities(device), 2);
    const MidiObjectRef second = loop.deviceGetEntity(device, 1);
    ASSERT_EQ(loop.entityNumberOfSources(second), 1);
    const MidiEndpointRef source = loop.entityGetSource(second, 0);
    QString name;
    EXPECT_EQ(loop.getStringProperty(source, MidiProperty::Name, &name), 0);
    EXPECT_EQ(name, QStringLiteral("Board 2"));
    MidiObjectRef entity = 0;
    EXPECT_EQ(loop.endpointGetEntity(source, &entity), 0);
    EXPECT_EQ(entity, second);
    EXPECT_EQ(loop.endpointGetEntity(p.virtualOut, &entity), 0);
    EXPECT_EQ(entity, 0u) << "a virtual source has no entity";

    // Two device sources plus the program's own virtual source.
    EXPECT_EQ(loop.numberOfSources(), 3);
    EXPECT_EQ(loop.numberOfDestinations(), 3);

    qint32 uidA = 0, uidB = 0, offline = -1;
    loop.getIntegerProperty(device, MidiProperty::UniqueID, &uidA);
    loop.getIntegerProperty(source, MidiProperty::UniqueID, &uidB);
    EXPECT_NE(uidA, 0);
    EXPECT_NE(uidA, uidB);
    loop.setDeviceOffline(device, true);
    EXPECT_EQ(loop.getIntegerProperty(source, MidiProperty::Offline, &offline), 0);
    EXPECT_EQ(offline, 1) << "an endpoint goes offline with its device";
    EXPECT_NE(loop.getIntegerProperty(0xdead, MidiProperty::Offline, &offline), 0);
}

TEST(MidiLoopback, OnlyAProgramsOwnVirtualEndpointsTakeAUniqueIdAndOnlyAFreeOne)
{
    LoopbackMidi loop;
    Received received;
    Program p;
    createProgram(loop, p, received);
    const MidiObjectRef device = loop.plugDevice(QStringLiteral("Synth"));
    qint32 deviceUid = 0, uid = 0;
    loop.getIntegerProperty(device, MidiProperty::UniqueID, &deviceUid);

    EXPECT_EQ(loop.setIntegerProperty(p.virtualIn, MidiProperty::UniqueID, 123456), 0);
    loop.getIntegerProperty(p.virtualIn, MidiProperty::UniqueID, &uid);
    EXPECT_EQ(uid, 123456);
    EXPECT_EQ(loop.setIntegerProperty(p.virtualOut, MidiProperty::UniqueID, deviceUid), midistatus::IDNotUnique);
    EXPECT_NE(loop.setIntegerProperty(loop.findDestination(QStringLiteral("Synth")), MidiProperty::UniqueID, 99), 0);
    loop.setRefuseUniqueIds(true);
    EXPECT_NE(loop.setIntegerProperty(p.virtualOut, MidiProperty::UniqueID, 555), 0);
}

TEST(MidiLoopback, PluggingAndUnpluggingRaiseASetUpChangeOnTheMainThread)
{
    LoopbackMidi loop;
    Received received;
    Program p;
    createProgram(loop, p, received);

    const MidiObjectRef device = loop.plugDevice(QStringLiteral("Pedal"));
    EXPECT_EQ(p.notifications, 0) << "delivered through the main thread's queue";
    testsupport::processEvents();
    EXPECT_EQ(p.notifications, 1);

    const MidiEndpointRef source = loop.findSource(QStringLiteral("Pedal"));
    ASSERT_EQ(loop.portConnectSource(p.in, source, 1), 0);
    loop.unplugDevice(device);
    testsupport::processEvents();
    EXPECT_EQ(p.notifications, 2);
    EXPECT_EQ(loop.setupChangesRaised(), 2);
    EXPECT_EQ(loop.findSource(QStringLiteral("Pedal")), 0u);
    EXPECT_FALSE(loop.isConnected(p.in, source)) << "an unplugged source is disconnected";
    EXPECT_EQ(loop.numberOfDevices(), 0);
}

TEST(MidiLoopback, ABrokenServerFailsTheStepAskedFor)
{
    LoopbackMidi loop;
    loop.setFailure(LoopbackMidi::FailStep::OutputPort);
    MidiObjectRef client = 0, in = 0, out = 0;
    EXPECT_EQ(loop.clientCreate(QStringLiteral("X"), {}, &client), 0);
    EXPECT_EQ(loop.inputPortCreate(client, QStringLiteral("in"), {}, &in), 0);
    EXPECT_NE(loop.outputPortCreate(client, QStringLiteral("out"), &out), 0);
    EXPECT_EQ(out, 0u);
}

TEST(MidiSystemChoice, TheEnvironmentForcesABackendAndDownMeansNothingWorks)
{
    const QByteArray saved = qgetenv("TOLVANE_MIDI_BACKEND");
    qputenv("TOLVANE_MIDI_BACKEND", "loopback");
    EXPECT_EQ(createMidiSystemFromEnvironment()->backendName(), QStringLiteral("loopback"));
    qputenv("TOLVANE_MIDI_BACKEND", "none");
    auto none = createMidiSystemFromEnvironment();
    EXPECT_EQ(none->backendName(), QStringLiteral("none"));
    MidiObjectRef client = 1;
    EXPECT_NE(none->clientCreate(QStringLiteral("Quillory MIDI"), {}, &client), 0);
    EXPECT_EQ(client, 0u);
    EXPECT_EQ(none->numberOfDestinations(), 0);
    qputenv("TOLVANE_MIDI_BACKEND", saved);

    // The installed system wins over the environment's.
    LoopbackMidi loop;
    setMidiSystem(&loop);
    EXPECT_EQ(&midiSystem(), &loop);
    setMidiSystem(nullptr);
}

// Runs only where a sequencer exists: the program appears as an ALSA client
// with its two visible ports, and its own endpoints take the ids it sets.
TEST(MidiAlsa, TheClientShowsItsPortsAndKeepsTheIdsItIsGiven)
{
    QString why;
    auto alsa = createAlsaMidi(&why);
    if (!alsa)
        GTEST_SKIP() << "no ALSA sequencer here: " << why.toStdString();
    Received received;
    Program p;
    createProgram(*alsa, p, received);
    bool listedIn = false, listedOut = false;
    for (int i = 0; i < alsa->numberOfDestinations(); ++i) {
        QString name;
        alsa->getStringProperty(alsa->getDestination(i), MidiProperty::Name, &name);
        listedIn = listedIn || (name == QLatin1String("Quillory IN"));
        EXPECT_NE(name, QLatin1String("Quillory Input")) << "the private ports stay hidden";
    }
    for (int i = 0; i < alsa->numberOfSources(); ++i) {
        QString name;
        alsa->getStringProperty(alsa->getSource(i), MidiProperty::Name, &name);
        listedOut = listedOut || (name == QLatin1String("Quillory OUT"));
    }
    EXPECT_TRUE(listedIn);
    EXPECT_TRUE(listedOut);
    EXPECT_EQ(alsa->setIntegerProperty(p.virtualIn, MidiProperty::UniqueID, 424242), 0);
    qint32 uid = 0;
    alsa->getIntegerProperty(p.virtualIn, MidiProperty::UniqueID, &uid);
    EXPECT_EQ(uid, 424242);
}

TEST(NullMidi, SendsNothingAndListsNothing)
{
    NullMidi none;
    EXPECT_NE(none.send(1, 2, MidiPacketList{MidiPacket{0, hex("f8")}}), 0);
    EXPECT_EQ(none.numberOfSources(), 0);
    qint32 v = 0;
    EXPECT_NE(none.getIntegerProperty(1, MidiProperty::UniqueID, &v), 0);
}
