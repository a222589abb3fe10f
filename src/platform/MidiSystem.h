#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// The MIDI services of the operating system, shaped like the client/port/
// endpoint model the MIDI engine is written against: a client with input and
// output ports, virtual endpoints, and devices made of entities made of source
// and destination endpoints. Implementations: ALSA sequencer (midi/AlsaMidi),
// the in-process loopback (midi/LoopbackMidi) and the do-nothing one used when
// MIDI is down (midi/NullMidi).

// Any object of the MIDI set-up; 0 is no object.
using MidiObjectRef = quint32;
using MidiEndpointRef = MidiObjectRef;

// Status of every operation: 0 is success.
using MidiStatus = int;
namespace midistatus {
inline constexpr MidiStatus NoErr = 0;
inline constexpr MidiStatus InvalidClient = -10830;
inline constexpr MidiStatus InvalidPort = -10831;
inline constexpr MidiStatus WrongEndpointType = -10832;
inline constexpr MidiStatus NoConnection = -10833;
inline constexpr MidiStatus UnknownEndpoint = -10834;
inline constexpr MidiStatus UnknownProperty = -10835;
inline constexpr MidiStatus MessageSendErr = -10838;
inline constexpr MidiStatus ServerStartErr = -10839;
inline constexpr MidiStatus ObjectNotFound = -10842;
inline constexpr MidiStatus IDNotUnique = -10843;
inline constexpr MidiStatus NotPermitted = -10844;
} // namespace midistatus

// Message identifiers handed to the notify callback.
inline constexpr int kMidiMsgSetupChanged = 1;

enum class MidiProperty { Name, DisplayName, UniqueID, Offline };

// One packet: bytes of one or more complete MIDI messages (or a SysEx part).
struct MidiPacket {
    quint64 timeStamp = 0; // 0: now
    QByteArray data;
};
using MidiPacketList = QList<MidiPacket>;

// Runs on the receive thread; the second argument is the reference value the
// source was connected with (0 for a virtual destination).
using MidiReadProc = std::function<void(const MidiPacketList &packets, quintptr srcConnRefCon)>;
// Runs on the main thread.
using MidiNotifyProc = std::function<void(int messageId)>;

class MidiSystem {
public:
    virtual ~MidiSystem() = default;

    // "alsa", "loopback" or "none".
    virtual QString backendName() const = 0;

    virtual MidiStatus clientCreate(const QString &name, MidiNotifyProc notify, MidiObjectRef *outClient) = 0;
    virtual MidiStatus inputPortCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                       MidiObjectRef *outPort) = 0;
    virtual MidiStatus outputPortCreate(MidiObjectRef client, const QString &name, MidiObjectRef *outPort) = 0;
    // A destination other programs send to; what arrives goes to read.
    virtual MidiStatus destinationCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                         MidiEndpointRef *outDest) = 0;
    // A source other programs listen to.
    virtual MidiStatus sourceCreate(MidiObjectRef client, const QString &name, MidiEndpointRef *outSrc) = 0;

    virtual MidiStatus portConnectSource(MidiObjectRef port, MidiEndpointRef source, quintptr connRefCon) = 0;
    virtual MidiStatus portDisconnectSource(MidiObjectRef port, MidiEndpointRef source) = 0;

    // Thread-safe: the clock thread and the main thread both send.
    virtual MidiStatus send(MidiObjectRef port, MidiEndpointRef dest, const MidiPacketList &packets) = 0;

    // The set-up as it is now. Indexes run from 0 to the count less one.
    virtual int numberOfSources() = 0;
    virtual MidiEndpointRef getSource(int index) = 0;
    virtual int numberOfDestinations() = 0;
    virtual MidiEndpointRef getDestination(int index) = 0;
    virtual int numberOfDevices() = 0;
    virtual MidiObjectRef getDevice(int index) = 0;
    virtual int deviceNumberOfEntities(MidiObjectRef device) = 0;
    virtual MidiObjectRef deviceGetEntity(MidiObjectRef device, int index) = 0;
    virtual int entityNumberOfSources(MidiObjectRef entity) = 0;
    virtual MidiEndpointRef entityGetSource(MidiObjectRef entity, int index) = 0;
    virtual int entityNumberOfDestinations(MidiObjectRef entity) = 0;
    virtual MidiEndpointRef entityGetDestination(MidiObjectRef entity, int index) = 0;
    // The entity of an endpoint; *outEntity is 0 for a virtual endpoint.
    virtual MidiStatus endpointGetEntity(MidiEndpointRef endpoint, MidiObjectRef *outEntity) = 0;

    virtual MidiStatus getStringProperty(MidiObjectRef obj, MidiProperty property, QString *out) = 0;
    virtual MidiStatus getIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 *out) = 0;
    virtual MidiStatus setIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 value) = 0;
};

// The installed MIDI system. Unless one was installed, the first call chooses
// from the environment: TOLVANE_MIDI_BACKEND=alsa|loopback|none forces one;
// otherwise ALSA when /dev/snd/seq opens, else the loopback (one logged line).
MidiSystem &midiSystem();
// Installs a MIDI system (not owned); nullptr goes back to the one chosen
// from the environment.
void setMidiSystem(MidiSystem *system);
// What the environment asks for, as described above.
std::unique_ptr<MidiSystem> createMidiSystemFromEnvironment();

} // namespace platform
