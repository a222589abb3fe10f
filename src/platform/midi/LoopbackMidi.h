#pragma once

#include "platform/MidiSystem.h"

#include <QHash>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// An in-process MIDI set-up for tests and for machines without a sequencer.
// Devices are plugged and unplugged in code, what the program sends is
// recorded per destination, and packet lists injected at a source reach the
// connected input ports on a real receive thread, as they would from hardware.
// Sends to a virtual destination of a client reach its read callback the same way.
class LoopbackMidi final : public MidiSystem {
public:
    struct Sent {
        MidiEndpointRef dest = 0;
        QByteArray bytes;
        double time = 0; // platform::now() when sent
    };
    enum class FailStep { None, Client, InputPort, OutputPort, Destination, Source };

    LoopbackMidi();
    ~LoopbackMidi() override;
    LoopbackMidi(const LoopbackMidi &) = delete;
    LoopbackMidi &operator=(const LoopbackMidi &) = delete;

    QString backendName() const override { return QStringLiteral("loopback"); }

    MidiStatus clientCreate(const QString &name, MidiNotifyProc notify, MidiObjectRef *outClient) override;
    MidiStatus inputPortCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                               MidiObjectRef *outPort) override;
    MidiStatus outputPortCreate(MidiObjectRef client, const QString &name, MidiObjectRef *outPort) override;
    MidiStatus destinationCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                 MidiEndpointRef *outDest) override;
    MidiStatus sourceCreate(MidiObjectRef client, const QString &name, MidiEndpointRef *outSrc) override;
    MidiStatus portConnectSource(MidiObjectRef port, MidiEndpointRef source, quintptr connRefCon) override;
    MidiStatus portDisconnectSource(MidiObjectRef port, MidiEndpointRef source) override;
    MidiStatus send(MidiObjectRef port, MidiEndpointRef dest, const MidiPacketList &packets) override;

    int numberOfSources() override;
    MidiEndpointRef getSource(int index) override;
    int numberOfDestinations() override;
    MidiEndpointRef getDestination(int index) override;
    int numberOfDevices() override;
    MidiObjectRef getDevice(int index) override;
    int deviceNumberOfEntities(MidiObjectRef device) override;
    MidiObjectRef deviceGetEntity(MidiObjectRef device, int index) override;
    int entityNumberOfSources(MidiObjectRef entity) override;
    MidiEndpointRef entityGetSource(MidiObjectRef entity, int index) override;
    int entityNumberOfDestinations(MidiObjectRef entity) override;
    MidiEndpointRef entityGetDestination(MidiObjectRef entity, int index) override;
    MidiStatus endpointGetEntity(MidiEndpointRef endpoint, MidiObjectRef *outEntity) override;
    MidiStatus getStringProperty(MidiObjectRef obj, MidiProperty property, QString *out) override;
    MidiStatus getIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 *out) override;
    MidiStatus setIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 value) override;

    // ---- The outside world ----
    // A device with one entity per port, each with a source and/or a
    // destination named like the device ("Name" or "Name 2" ...). A device
    // plugged again gets its identifiers back. Raises a set-up change.
    MidiObjectRef plugDevice(const QString &name, int entities = 1, bool withSources = true,
                             bool withDestinations = true);
    // Removes the device, its entities and endpoints. Raises a set-up change.
    void unplugDevice(MidiObjectRef device);
    // The device stays listed but offline. Raises a set-up change.
    void setDeviceOffline(MidiObjectRef device, bool offline);
    // Another program's virtual endpoints (no entity).
    MidiEndpointRef addVirtualSource(const QString &name);
    MidiEndpointRef addVirtualDestination(const QString &name);
    // Delivers a packet list from the source to every input port connected to
    // it, on the receive thread.
    void inject(MidiEndpointRef source, const MidiPacketList &packets);
    void inject(MidiEndpointRef source, const QByteArray &bytes);
    // Returns when every delivery so far has been handed to its read callback
    // and the callback has returned.
    void waitForIdle();

    // The first endpoint of that name (source or destination), or 0.
    MidiEndpointRef findSource(const QString &name) const;
    MidiEndpointRef findDestination(const QString &name) const;
    QList<Sent> sent() const;
    QList<QByteArray> sentTo(MidiEndpointRef dest) const;
    void clearSent();
    int setupChangesRaised() const;
    bool isConnected(MidiObjectRef port, MidiEndpointRef source) const;
    // Makes one creation step fail, as a broken MIDI server would.
    void setFailure(FailStep step);
    // Refuses every unique identifier a program tries to set.
    void setRefuseUniqueIds(bool refuse);
    // The thread that runs the read callbacks.
    std::thread::id receiveThreadId() const { return thread_.get_id(); }

private:
    enum class Kind { Client, InputPort, OutputPort, Device, Entity, Source, Destination };
    struct Obj {
        Kind kind = Kind::Client;
        QString name;
        qint32 uid = 0;
        bool offline = false;
        MidiObjectRef parent = 0; // client of ports and virtual endpoints; device of entities; entity of endpoints
        std::vector<MidiObjectRef> entities, sources, destinations;
        MidiReadProc read;
        MidiNotifyProc notify;
    };

    MidiObjectRef addObject(Obj obj);
    const Obj *find(MidiObjectRef ref, Kind kind) const;
    const Obj *findAny(MidiObjectRef ref) const;
    bool uidTaken(qint32 uid, MidiObjectRef except) const;
    void removeObject(MidiObjectRef ref);
    void raiseSetupChange(std::unique_lock<std::mutex> &lock);
    void enqueue(std::function<void()> job);
    void run();

    mutable std::mutex mutex_;
    std::map<MidiObjectRef, Obj> objects_;
    std::vector<MidiObjectRef> sources_, destinations_, devices_, clients_;
    std::map<MidiObjectRef, std::vector<std::pair<MidiEndpointRef, quintptr>>> connections_;
    QList<Sent> sent_;
    // Identifiers of the devices plugged so far, by device, port and direction.
    QHash<QString, qint32> knownUids_;
    MidiObjectRef nextRef_ = 0x100;
    qint32 nextUid_ = 0;
    int setupChanges_ = 0;
    FailStep failure_ = FailStep::None;
    bool refuseUids_ = false;
    // Notifications still queued when the set-up goes away are dropped.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    std::mutex queueMutex_;
    std::condition_variable queueCond_, idleCond_;
    std::deque<std::function<void()>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace platform
