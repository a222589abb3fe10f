#include "platform/midi/LoopbackMidi.h"

#include "platform/Clock.h"

#include <atomic>

namespace platform {

namespace {
// Each instance hands out identifiers from its own range, as a fresh MIDI
// server would give fresh ones: a stored identifier must be set back to survive.
std::atomic<qint32> g_instances{0};
} // namespace

LoopbackMidi::LoopbackMidi()
    : nextUid_(0x10000000 + (g_instances.fetch_add(1) % 0x4000) * 0x10000 + 1), thread_([this] { run(); })
{
}

LoopbackMidi::~LoopbackMidi()
{
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queueCond_.notify_all();
    thread_.join();
}

// ---- Receive thread ---------------------------------------------------------

void LoopbackMidi::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(queueMutex_);
            queueCond_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        job();
        {
            std::lock_guard lock(queueMutex_);
            busy_ = false;
        }
        idleCond_.notify_all();
    }
}

void LoopbackMidi::enqueue(std::function<void()> job)
{
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(job));
    }
    queueCond_.notify_one();
}

void LoopbackMidi::waitForIdle()
{
    std::unique_lock lock(queueMutex_);
    idleCond_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

// ---- Objects ----------------------------------------------------------------

MidiObjectRef LoopbackMidi::addObject(Obj obj)
{
    const MidiObjectRef ref = nextRef_++;
    if (obj.uid == 0) {
        while (uidTaken(nextUid_, 0))
            ++nextUid_;
        obj.uid = nextUid_++;
    }
    switch (obj.kind) {
    case Kind::Client: clients_.push_back(ref); break;
    case Kind::Device: devices_.push_back(ref); break;
    case Kind::Source: sources_.push_back(ref); break;
    case Kind::Destination: destinations_.push_back(ref); break;
    default: break;
    }
    objects_.emplace(ref, std::move(obj));
    return ref;
}

const LoopbackMidi::Obj *LoopbackMidi::findAny(MidiObjectRef ref) const
{
    auto it = objects_.find(ref);
    return it == objects_.end() ? nullptr : &it->second;
}

const LoopbackMidi::Obj *LoopbackMidi::find(MidiObjectRef ref, Kind kind) const
{
    const Obj *obj = findAny(ref);
    return obj && obj->kind == kind ? obj : nullptr;
}

bool LoopbackMidi::uidTaken(qint32 uid, MidiObjectRef except) const
{
    for (const auto &[ref, obj] : objects_)
        if (ref != except && obj.uid == uid)
            return true;
    return false;
}

void LoopbackMidi::removeObject(MidiObjectRef ref)
{
    auto erase = [ref](std::vector<MidiObjectRef> &list) { std::erase(list, ref); };
    erase(sources_);
    erase(destinations_);
    erase(devices_);
    erase(clients_);
    for (auto &[port, list] : connections_)
        std::erase_if(list, [ref](const auto &c) { return c.first == ref; });
    objects_.erase(ref);
}

void LoopbackMidi::raiseSetupChange(std::unique_lock<std::mutex> &lock)
{
    ++setupChanges_;
    std::vector<MidiNotifyProc> procs;
    for (MidiObjectRef c : clients_)
        if (const Obj *client = find(c, Kind::Client); client && client->notify)
            procs.push_back(client->notify);
    std::weak_ptr<int> alive = alive_;
    lock.unlock();
    // Notifications reach a client on the thread that created it: the main one.
    for (auto &proc : procs)
        runOnMain([proc, alive] {
            if (!alive.expired())
                proc(kMidiMsgSetupChanged);
        });
}

// ---- Client side ------------------------------------------------------------

MidiStatus LoopbackMidi::clientCreate(const QString &name, MidiNotifyProc notify, MidiObjectRef *outClient)
{
    std::lock_guard lock(mutex_);
    *outClient = 0;
    if (failure_ == FailStep::Client)
        return midistatus::ServerStartErr;
    Obj obj;
    obj.kind = Kind::Client;
    obj.name = name;
    obj.notify = std::move(notify);
    *outClient = addObject(std::move(obj));
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::inputPortCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                         MidiObjectRef *outPort)
{
    std::lock_guard lock(mutex_);
    *outPort = 0;
    if (failure_ == FailStep::InputPort)
        return midistatus::InvalidPort;
    if (!find(client, Kind::Client))
        return midistatus::InvalidClient;
    Obj obj;
    obj.kind = Kind::InputPort;
    obj.name = name;
    obj.parent = client;
    obj.read = std::move(read);
    *outPort = addObject(std::move(obj));
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::outputPortCreate(MidiObjectRef client, const QString &name, MidiObjectRef *outPort)
{
    std::lock_guard lock(mutex_);
    *outPort = 0;
    if (failure_ == FailStep::OutputPort)
        return midistatus::InvalidPort;
    if (!find(client, Kind::Client))
        return midistatus::InvalidClient;
    Obj obj;
    obj.kind = Kind::OutputPort;
    obj.name = name;
    obj.parent = client;
    *outPort = addObject(std::move(obj));
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::destinationCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                           MidiEndpointRef *outDest)
{
    std::lock_guard lock(mutex_);
    *outDest = 0;
    if (failure_ == FailStep::Destination)
        return midistatus::InvalidClient;
    if (!find(client, Kind::Client))
        return midistatus::InvalidClient;
    Obj obj;
    obj.kind = Kind::Destination;
    obj.name = name;
    obj.parent = client;
    obj.read = std::move(read);
    *outDest = addObject(std::move(obj));
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::sourceCreate(MidiObjectRef client, const QString &name, MidiEndpointRef *outSrc)
{
    std::lock_guard lock(mutex_);
    *outSrc = 0;
    if (failure_ == FailStep::Source)
        return midistatus::InvalidClient;
    if (!find(client, Kind::Client))
        return midistatus::InvalidClient;
    Obj obj;
    obj.kind = Kind::Source;
    obj.name = name;
    obj.parent = client;
    *outSrc = addObject(std::move(obj));
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::portConnectSource(MidiObjectRef port, MidiEndpointRef source, quintptr connRefCon)
{
    std::lock_guard lock(mutex_);
    if (!find(port, Kind::InputPort))
        return midistatus::InvalidPort;
    if (!find(source, Kind::Source))
        return midistatus::UnknownEndpoint;
    auto &list = connections_[port];
    for (auto &c : list)
        if (c.first == source) {
            c.second = connRefCon;
            return midistatus::NoErr;
        }
    list.emplace_back(source, connRefCon);
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::portDisconnectSource(MidiObjectRef port, MidiEndpointRef source)
{
    std::lock_guard lock(mutex_);
    if (!find(port, Kind::InputPort))
        return midistatus::InvalidPort;
    auto &list = connections_[port];
    const auto before = list.size();
    std::erase_if(list, [source](const auto &c) { return c.first == source; });
    return list.size() == before ? midistatus::NoConnection : midistatus::NoErr;
}

MidiStatus LoopbackMidi::send(MidiObjectRef port, MidiEndpointRef dest, const MidiPacketList &packets)
{
    MidiReadProc read;
    {
        std::lock_guard lock(mutex_);
        if (!find(port, Kind::OutputPort))
            return midistatus::InvalidPort;
        const Obj *endpoint = find(dest, Kind::Destination);
        if (!endpoint)
            return midistatus::UnknownEndpoint;
        const double t = platform::now();
        for (const MidiPacket &packet : packets)
            sent_.append(Sent{dest, packet.data, t});
        read = endpoint->read;
    }
    if (read)
        enqueue([read, packets] { read(packets, 0); });
    return midistatus::NoErr;
}

// ---- The set-up as it is ----------------------------------------------------

int LoopbackMidi::numberOfSources()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(sources_.size());
}

MidiEndpointRef LoopbackMidi::getSource(int index)
{
    std::lock_guard lock(mutex_);
    return index >= 0 && index < int(sources_.size()) ? sources_[index] : 0;
}

int LoopbackMidi::numberOfDestinations()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(destinations_.size());
}

MidiEndpointRef LoopbackMidi::getDestination(int index)
{
    std::lock_guard lock(mutex_);
    return index >= 0 && index < int(destinations_.size()) ? destinations_[index] : 0;
}

int LoopbackMidi::numberOfDevices()
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(devices_.size());
}

MidiObjectRef LoopbackMidi::getDevice(int index)
{
    std::lock_guard lock(mutex_);
    return index >= 0 && index < int(devices_.size()) ? devices_[index] : 0;
}

int LoopbackMidi::deviceNumberOfEntities(MidiObjectRef device)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(device, Kind::Device);
    return obj ? static_cast<int>(obj->entities.size()) : 0;
}

MidiObjectRef LoopbackMidi::deviceGetEntity(MidiObjectRef device, int index)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(device, Kind::Device);
    return obj && index >= 0 && index < int(obj->entities.size()) ? obj->entities[index] : 0;
}

int LoopbackMidi::entityNumberOfSources(MidiObjectRef entity)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(entity, Kind::Entity);
    return obj ? static_cast<int>(obj->sources.size()) : 0;
}

MidiEndpointRef LoopbackMidi::entityGetSource(MidiObjectRef entity, int index)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(entity, Kind::Entity);
    return obj && index >= 0 && index < int(obj->sources.size()) ? obj->sources[index] : 0;
}

int LoopbackMidi::entityNumberOfDestinations(MidiObjectRef entity)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(entity, Kind::Entity);
    return obj ? static_cast<int>(obj->destinations.size()) : 0;
}

MidiEndpointRef LoopbackMidi::entityGetDestination(MidiObjectRef entity, int index)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = find(entity, Kind::Entity);
    return obj && index >= 0 && index < int(obj->destinations.size()) ? obj->destinations[index] : 0;
}

MidiStatus LoopbackMidi::endpointGetEntity(MidiEndpointRef endpoint, MidiObjectRef *outEntity)
{
    std::lock_guard lock(mutex_);
    *outEntity = 0;
    const Obj *obj = findAny(endpoint);
    if (!obj || (obj->kind != Kind::Source && obj->kind != Kind::Destination))
        return midistatus::ObjectNotFound;
    if (find(obj->parent, Kind::Entity))
        *outEntity = obj->parent;
    return midistatus::NoErr;
}

MidiStatus LoopbackMidi::getStringProperty(MidiObjectRef ref, MidiProperty property, QString *out)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = findAny(ref);
    if (!obj)
        return midistatus::ObjectNotFound;
    switch (property) {
    case MidiProperty::Name: *out = obj->name; return midistatus::NoErr;
    case MidiProperty::DisplayName: {
        QString name = obj->name;
        if (const Obj *entity = find(obj->parent, Kind::Entity))
            if (const Obj *device = find(entity->parent, Kind::Device); device && device->name != name)
                name = device->name + QLatin1Char(' ') + name;
        *out = name;
        return midistatus::NoErr;
    }
    default: return midistatus::UnknownProperty;
    }
}

MidiStatus LoopbackMidi::getIntegerProperty(MidiObjectRef ref, MidiProperty property, qint32 *out)
{
    std::lock_guard lock(mutex_);
    const Obj *obj = findAny(ref);
    if (!obj)
        return midistatus::ObjectNotFound;
    switch (property) {
    case MidiProperty::UniqueID: *out = obj->uid; return midistatus::NoErr;
    case MidiProperty::Offline: {
        // Entities and endpoints go offline with their device.
        bool offline = obj->offline;
        const Obj *up = obj;
        for (int step = 0; step < 2 && up; ++step) {
            up = findAny(up->parent);
            if (up && up->kind == Kind::Device) {
                offline = offline || up->offline;
                break;
            }
        }
        *out = offline ? 1 : 0;
        return midistatus::NoErr;
    }
    default: return midistatus::UnknownProperty;
    }
}

MidiStatus LoopbackMidi::setIntegerProperty(MidiObjectRef ref, MidiProperty property, qint32 value)
{
    std::lock_guard lock(mutex_);
    auto it = objects_.find(ref);
    if (it == objects_.end())
        return midistatus::ObjectNotFound;
    Obj &obj = it->second;
    if (property != MidiProperty::UniqueID)
        return midistatus::UnknownProperty;
    // Only a program's own virtual endpoints take an identifier.
    const bool virtualEndpoint = (obj.kind == Kind::Source || obj.kind == Kind::Destination)
                                 && find(obj.parent, Kind::Client) != nullptr;
    if (!virtualEndpoint || refuseUids_)
        return midistatus::NotPermitted;
    if (value == 0 || uidTaken(value, ref))
        return midistatus::IDNotUnique;
    obj.uid = value;
    return midistatus::NoErr;
}

// ---- The outside world ------------------------------------------------------

MidiObjectRef LoopbackMidi::plugDevice(const QString &name, int entities, bool withSources, bool withDestinations)
{
    std::unique_lock lock(mutex_);
    // A device plugged back keeps its identifiers, as hardware does.
    auto add = [this](Obj obj, const QString &path) {
        const auto known = knownUids_.constFind(path);
        if (known != knownUids_.constEnd() && !uidTaken(*known, 0))
            obj.uid = *known;
        const MidiObjectRef ref = addObject(std::move(obj));
        knownUids_.insert(path, objects_[ref].uid);
        return ref;
    };
    Obj device;
    device.kind = Kind::Device;
    device.name = name;
    const MidiObjectRef deviceRef = add(std::move(device), name);
    for (int e = 0; e < entities; ++e) {
        const QString portName = e == 0 ? name : QStringLiteral("%1 %2").arg(name).arg(e + 1);
        const QString path = name + QLatin1Char('/') + portName;
        Obj entity;
        entity.kind = Kind::Entity;
        entity.name = portName;
        entity.parent = deviceRef;
        const MidiObjectRef entityRef = add(std::move(entity), path);
        objects_[deviceRef].entities.push_back(entityRef);
        if (withSources) {
            Obj src;
            src.kind = Kind::Source;
            src.name = portName;
            src.parent = entityRef;
            objects_[entityRef].sources.push_back(add(std::move(src), path + QStringLiteral("/in")));
        }
        if (withDestinations) {
            Obj dst;
            dst.kind = Kind::Destination;
            dst.name = portName;
            dst.parent = entityRef;
            objects_[entityRef].destinations.push_back(add(std::move(dst), path + QStringLiteral("/out")));
        }
    }
    raiseSetupChange(lock);
    return deviceRef;
}

void LoopbackMidi::unplugDevice(MidiObjectRef deviceRef)
{
    std::unique_lock lock(mutex_);
    const Obj *device = find(deviceRef, Kind::Device);
    if (!device)
        return;
    const std::vector<MidiObjectRef> entities = device->entities;
    for (MidiObjectRef e : entities) {
        const Obj *entity = find(e, Kind::Entity);
        if (!entity)
            continue;
        std::vector<MidiObjectRef> endpoints = entity->sources;
        endpoints.insert(endpoints.end(), entity->destinations.begin(), entity->destinations.end());
        for (MidiObjectRef ep : endpoints)
            removeObject(ep);
        removeObject(e);
    }
    removeObject(deviceRef);
    raiseSetupChange(lock);
}

void LoopbackMidi::setDeviceOffline(MidiObjectRef deviceRef, bool offline)
{
    std::unique_lock lock(mutex_);
    auto it = objects_.find(deviceRef);
    if (it == objects_.end() || it->second.kind != Kind::Device)
        return;
    it->second.offline = offline;
    raiseSetupChange(lock);
}

MidiEndpointRef LoopbackMidi::addVirtualSource(const QString &name)
{
    std::unique_lock lock(mutex_);
    Obj obj;
    obj.kind = Kind::Source;
    obj.name = name;
    const MidiEndpointRef ref = addObject(std::move(obj));
    raiseSetupChange(lock);
    return ref;
}

MidiEndpointRef LoopbackMidi::addVirtualDestination(const QString &name)
{
    std::unique_lock lock(mutex_);
    Obj obj;
    obj.kind = Kind::Destination;
    obj.name = name;
    const MidiEndpointRef ref = addObject(std::move(obj));
    raiseSetupChange(lock);
    return ref;
}

void LoopbackMidi::inject(MidiEndpointRef source, const MidiPacketList &packets)
{
    std::vector<std::pair<MidiReadProc, quintptr>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto &[port, list] : connections_) {
            const Obj *p = find(port, Kind::InputPort);
            if (!p || !p->read)
                continue;
            for (const auto &c : list)
                if (c.first == source)
                    targets.emplace_back(p->read, c.second);
        }
    }
    for (const auto &target : targets)
        enqueue([read = target.first, refCon = target.second, packets] { read(packets, refCon); });
}

void LoopbackMidi::inject(MidiEndpointRef source, const QByteArray &bytes)
{
    inject(source, MidiPacketList{MidiPacket{0, bytes}});
}

MidiEndpointRef LoopbackMidi::findSource(const QString &name) const
{
    std::lock_guard lock(mutex_);
    for (MidiEndpointRef ref : sources_)
        if (findAny(ref)->name == name)
            return ref;
    return 0;
}

MidiEndpointRef LoopbackMidi::findDestination(const QString &name) const
{
    std::lock_guard lock(mutex_);
    for (MidiEndpointRef ref : destinations_)
        if (findAny(ref)->name == name)
            return ref;
    return 0;
}

QList<LoopbackMidi::Sent> LoopbackMidi::sent() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

QList<QByteArray> LoopbackMidi::sentTo(MidiEndpointRef dest) const
{
    std::lock_guard lock(mutex_);
    QList<QByteArray> out;
    for (const Sent &s : sent_)
        if (s.dest == dest)
            out.append(s.bytes);
    return out;
}

void LoopbackMidi::clearSent()
{
    std::lock_guard lock(mutex_);
    sent_.clear();
}

int LoopbackMidi::setupChangesRaised() const
{
    std::lock_guard lock(mutex_);
    return setupChanges_;
}

bool LoopbackMidi::isConnected(MidiObjectRef port, MidiEndpointRef source) const
{
    std::lock_guard lock(mutex_);
    auto it = connections_.find(port);
    if (it == connections_.end())
        return false;
    for (const auto &c : it->second)
        if (c.first == source)
            return true;
    return false;
}

void LoopbackMidi::setFailure(FailStep step)
{
    std::lock_guard lock(mutex_);
    failure_ = step;
}

void LoopbackMidi::setRefuseUniqueIds(bool refuse)
{
    std::lock_guard lock(mutex_);
    refuseUids_ = refuse;
}

} // namespace platform
