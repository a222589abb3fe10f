#include "platform/midi/AlsaMidi.h"

#include "platform/Clock.h"

#include <alsa/asoundlib.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// References pack the kind of object with the ALSA client and port, so they
// stay valid for as long as the port exists and need no table.
enum RefKind : quint32 { KClient = 1, KPort = 2, KDevice = 3, KEntity = 4, KSource = 5, KDest = 6 };

MidiObjectRef makeRef(RefKind kind, int client, int port)
{
    return (quint32(kind) << 24) | (quint32(client & 0xff) << 8) | quint32(port & 0xff);
}
RefKind refKind(MidiObjectRef ref) { return RefKind(ref >> 24); }
int refClient(MidiObjectRef ref) { return int((ref >> 8) & 0xff); }
int refPort(MidiObjectRef ref) { return int(ref & 0xff); }

constexpr unsigned kSourceCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kDestCaps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr unsigned kPortType = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;

// FNV-1a: the same names give the same identifier in every run.
qint32 stableId(const QString &text)
{
    quint32 hash = 2166136261u;
    for (char c : text.toUtf8()) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    hash &= 0x7fffffffu;
    return static_cast<qint32>(hash == 0 ? 1 : hash);
}

class AlsaMidi final : public MidiSystem {
public:
    explicit AlsaMidi(snd_seq_t *seq);
    ~AlsaMidi() override;

    QString backendName() const override { return QStringLiteral("alsa"); }

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

private:
    struct PortInfo {
        int client = 0, port = 0;
        QString clientName, portName;
        bool isSource = false, isDest = false, own = false;
        qint32 entityUid = 0, sourceUid = 0, destUid = 0;
    };
    struct DeviceInfo {
        int client = 0;
        QString name;
        qint32 uid = 0;
        std::vector<int> ports; // indexes into ports_
    };
    enum class Role { Input, Output, VirtualIn, VirtualOut, Notify };
    struct OwnPort {
        Role role;
        QString name;
        MidiReadProc read;
    };

    // All below with mutex_ held.
    void refreshIfNeeded();
    const PortInfo *findPort(int client, int port);
    const DeviceInfo *findDevice(int client);
    MidiStatus createPort(MidiObjectRef client, const QString &name, unsigned caps, Role role, MidiReadProc read,
                          int *outPort);

    void run();
    void postSetupChange();

    snd_seq_t *seq_;
    int myClient_;
    std::mutex mutex_;
    bool dirty_ = true;
    // Without the system's announcements the set-up is read afresh at every query.
    bool announcing_ = false;
    std::vector<PortInfo> ports_;
    std::vector<DeviceInfo> devices_;
    std::vector<int> sources_, destinations_; // indexes into ports_
    std::map<int, OwnPort> ownPorts_;
    std::map<int, qint32> uidOverrides_; // own port -> identifier set by the program
    std::map<int, std::map<std::pair<int, int>, quintptr>> connections_; // input port -> source -> reference value
    MidiNotifyProc notify_;
    std::shared_ptr<std::atomic<bool>> notifyPending_ = std::make_shared<std::atomic<bool>>(false);
    snd_midi_event_t *encoder_ = nullptr;
    int wakePipe_[2] = {-1, -1};
    std::thread thread_;
};

AlsaMidi::AlsaMidi(snd_seq_t *seq) : seq_(seq), myClient_(snd_seq_client_id(seq))
{
    snd_seq_nonblock(seq_, 1);
    snd_midi_event_new(1024, &encoder_);
}

AlsaMidi::~AlsaMidi()
{
    if (thread_.joinable()) {
        const char byte = 0;
        [[maybe_unused]] auto written = ::write(wakePipe_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : wakePipe_)
        if (fd >= 0)
            ::close(fd);
    if (encoder_)
        snd_midi_event_free(encoder_);
    snd_seq_close(seq_);
}

// ---- Snapshot of the set-up -------------------------------------------------

void AlsaMidi::refreshIfNeeded()
{
    if (!dirty_ && announcing_)
        return;
    dirty_ = false;
    ports_.clear();
    devices_.clear();
    sources_.clear();
    destinations_.clear();

    snd_seq_client_info_t *cinfo;
    snd_seq_port_info_t *pinfo;
    snd_seq_client_info_alloca(&cinfo);
    snd_seq_port_info_alloca(&pinfo);
    snd_seq_client_info_set_client(cinfo, -1);
    while (snd_seq_query_next_client(seq_, cinfo) >= 0) {
        const int client = snd_seq_client_info_get_client(cinfo);
        if (client == SND_SEQ_CLIENT_SYSTEM)
            continue;
        const QString clientName = QString::fromUtf8(snd_seq_client_info_get_name(cinfo));
        snd_seq_port_info_set_client(pinfo, client);
        snd_seq_port_info_set_port(pinfo, -1);
        while (snd_seq_query_next_port(seq_, pinfo) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(pinfo);
            if (caps & SND_SEQ_PORT_CAP_NO_EXPORT)
                continue;
            PortInfo info;
            info.client = client;
            info.port = snd_seq_port_info_get_port(pinfo);
            info.clientName = clientName;
            info.portName = QString::fromUtf8(snd_seq_port_info_get_name(pinfo));
            info.isSource = alsaPortIsSource(caps, snd_seq_client_info_get_type(cinfo) == SND_SEQ_KERNEL_CLIENT,
                                             clientName);
            info.isDest = (caps & kDestCaps) == kDestCaps;
            info.own = client == myClient_;
            if (info.isSource || info.isDest)
                ports_.push_back(info);
        }
    }

    QList<AlsaPortName> names;
    for (const PortInfo &p : ports_)
        names.append(AlsaPortName{p.client, p.port, p.clientName, p.portName, p.isSource, p.isDest, p.own});
    const QList<AlsaIds> ids = assignAlsaIds(names, uidOverrides_);
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        PortInfo &p = ports_[i];
        const AlsaIds &id = ids[qsizetype(i)];
        p.entityUid = id.entity;
        p.sourceUid = id.source;
        p.destUid = id.dest;
        if (!p.own) {
            if (devices_.empty() || devices_.back().client != p.client) {
                DeviceInfo device;
                device.client = p.client;
                device.name = p.clientName;
                device.uid = id.device;
                devices_.push_back(device);
            }
            devices_.back().ports.push_back(static_cast<int>(i));
        }
        if (p.isSource)
            sources_.push_back(static_cast<int>(i));
        if (p.isDest)
            destinations_.push_back(static_cast<int>(i));
    }
}

const AlsaMidi::PortInfo *AlsaMidi::findPort(int client, int port)
{
    refreshIfNeeded();
    for (const PortInfo &p : ports_)
        if (p.client == client && p.port == port)
            return &p;
    return nullptr;
}

const AlsaMidi::DeviceInfo *AlsaMidi::findDevice(int client)
{
    refreshIfNeeded();
    for (const DeviceInfo &d : devices_)
        if (d.client == client)
            return &d;
    return nullptr;
}

// ---- Client side ------------------------------------------------------------

MidiStatus AlsaMidi::clientCreate(const QString &name, MidiNotifyProc notify, MidiObjectRef *outClient)
{
    std::lock_guard lock(mutex_);
    *outClient = 0;
    if (thread_.joinable()) {
        // One sequencer connection is one client: a second set-up reuses it.
        notify_ = std::move(notify);
        *outClient = makeRef(KClient, myClient_, 0);
        return midistatus::NoErr;
    }
    if (snd_seq_set_client_name(seq_, name.toUtf8().constData()) < 0 || ::pipe2(wakePipe_, O_CLOEXEC) < 0)
        return midistatus::ServerStartErr;
    notify_ = std::move(notify);
    // A private port hears the system's announcements of clients and ports.
    const int notifyPort = snd_seq_create_simple_port(seq_, "Quillory Notify",
                                                      SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                      SND_SEQ_PORT_TYPE_APPLICATION);
    if (notifyPort >= 0) {
        ownPorts_[notifyPort] = OwnPort{Role::Notify, QStringLiteral("Quillory Notify"), {}};
        announcing_ = snd_seq_connect_from(seq_, notifyPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) >= 0;
    }
    thread_ = std::thread([this] { run(); });
    *outClient = makeRef(KClient, myClient_, 0);
    dirty_ = true;
    return midistatus::NoErr;
}

MidiStatus AlsaMidi::createPort(MidiObjectRef client, const QString &name, unsigned caps, Role role,
                                MidiReadProc read, int *outPort)
{
    *outPort = -1;
    if (client != makeRef(KClient, myClient_, 0))
        return midistatus::InvalidClient;
    const int port = snd_seq_create_simple_port(seq_, name.toUtf8().constData(), caps, kPortType);
    if (port < 0)
        return midistatus::InvalidPort;
    ownPorts_[port] = OwnPort{role, name, std::move(read)};
    dirty_ = true;
    *outPort = port;
    return midistatus::NoErr;
}

MidiStatus AlsaMidi::inputPortCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                     MidiObjectRef *outPort)
{
    std::lock_guard lock(mutex_);
    int port;
    const MidiStatus status = createPort(client, name, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                         Role::Input, std::move(read), &port);
    *outPort = status == midistatus::NoErr ? makeRef(KPort, myClient_, port) : 0;
    return status;
}

MidiStatus AlsaMidi::outputPortCreate(MidiObjectRef client, const QString &name, MidiObjectRef *outPort)
{
    std::lock_guard lock(mutex_);
    int port;
    const MidiStatus status = createPort(client, name, SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_NO_EXPORT,
                                         Role::Output, {}, &port);
    *outPort = status == midistatus::NoErr ? makeRef(KPort, myClient_, port) : 0;
    return status;
}

MidiStatus AlsaMidi::destinationCreate(MidiObjectRef client, const QString &name, MidiReadProc read,
                                       MidiEndpointRef *outDest)
{
    std::lock_guard lock(mutex_);
    int port;
    const MidiStatus status = createPort(client, name, kDestCaps, Role::VirtualIn, std::move(read), &port);
    *outDest = status == midistatus::NoErr ? makeRef(KDest, myClient_, port) : 0;
    return status;
}

MidiStatus AlsaMidi::sourceCreate(MidiObjectRef client, const QString &name, MidiEndpointRef *outSrc)
{
    std::lock_guard lock(mutex_);
    int port;
    const MidiStatus status = createPort(client, name, kSourceCaps, Role::VirtualOut, {}, &port);
    *outSrc = status == midistatus::NoErr ? makeRef(KSource, myClient_, port) : 0;
    return status;
}

MidiStatus AlsaMidi::portConnectSource(MidiObjectRef port, MidiEndpointRef source, quintptr connRefCon)
{
    std::lock_guard lock(mutex_);
    auto own = ownPorts_.find(refPort(port));
    if (refKind(port) != KPort || refClient(port) != myClient_ || own == ownPorts_.end() || own->second.role != Role::Input)
        return midistatus::InvalidPort;
    if (refKind(source) != KSource)
        return midistatus::WrongEndpointType;
    const int err = snd_seq_connect_from(seq_, refPort(port), refClient(source), refPort(source));
    if (err < 0 && err != -EBUSY)
        return midistatus::UnknownEndpoint;
    connections_[refPort(port)][{refClient(source), refPort(source)}] = connRefCon;
    return midistatus::NoErr;
}

MidiStatus AlsaMidi::portDisconnectSource(MidiObjectRef port, MidiEndpointRef source)
{
    std::lock_guard lock(mutex_);
    if (refKind(port) != KPort || refClient(port) != myClient_)
        return midistatus::InvalidPort;
    connections_[refPort(port)].erase({refClient(source), refPort(source)});
    return snd_seq_disconnect_from(seq_, refPort(port), refClient(source), refPort(source)) < 0
               ? midistatus::NoConnection
               : midistatus::NoErr;
}

MidiStatus AlsaMidi::send(MidiObjectRef port, MidiEndpointRef dest, const MidiPacketList &packets)
{
    std::lock_guard lock(mutex_);
    if (!encoder_ || refKind(port) != KPort || refClient(port) != myClient_ || !ownPorts_.count(refPort(port)))
        return midistatus::InvalidPort;
    if (refKind(dest) != KDest)
        return midistatus::WrongEndpointType;
    MidiStatus status = midistatus::NoErr;
    for (const MidiPacket &packet : packets) {
        snd_midi_event_reset_encode(encoder_);
        const auto *bytes = reinterpret_cast<const unsigned char *>(packet.data.constData());
        long left = packet.data.size();
        while (left > 0) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            const long used = snd_midi_event_encode(encoder_, bytes, left, &ev);
            if (used <= 0) {
                status = midistatus::MessageSendErr;
                break;
            }
            bytes += used;
            left -= used;
            if (ev.type == SND_SEQ_EVENT_NONE)
                continue; // message not complete yet
            snd_seq_ev_set_source(&ev, refPort(port));
            snd_seq_ev_set_dest(&ev, refClient(dest), refPort(dest));
            snd_seq_ev_set_direct(&ev);
            if (snd_seq_event_output_direct(seq_, &ev) < 0)
                status = midistatus::MessageSendErr;
        }
    }
    return status;
}

// ---- The set-up as it is ----------------------------------------------------

int AlsaMidi::numberOfSources()
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    return static_cast<int>(sources_.size());
}

MidiEndpointRef AlsaMidi::getSource(int index)
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    if (index < 0 || index >= int(sources_.size()))
        return 0;
    const PortInfo &p = ports_[sources_[index]];
    return makeRef(KSource, p.client, p.port);
}

int AlsaMidi::numberOfDestinations()
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    return static_cast<int>(destinations_.size());
}

MidiEndpointRef AlsaMidi::getDestination(int index)
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    if (index < 0 || index >= int(destinations_.size()))
        return 0;
    const PortInfo &p = ports_[destinations_[index]];
    return makeRef(KDest, p.client, p.port);
}

int AlsaMidi::numberOfDevices()
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    return static_cast<int>(devices_.size());
}

MidiObjectRef AlsaMidi::getDevice(int index)
{
    std::lock_guard lock(mutex_);
    refreshIfNeeded();
    return index >= 0 && index < int(devices_.size()) ? makeRef(KDevice, devices_[index].client, 0) : 0;
}

int AlsaMidi::deviceNumberOfEntities(MidiObjectRef device)
{
    std::lock_guard lock(mutex_);
    const DeviceInfo *d = refKind(device) == KDevice ? findDevice(refClient(device)) : nullptr;
    return d ? static_cast<int>(d->ports.size()) : 0;
}

MidiObjectRef AlsaMidi::deviceGetEntity(MidiObjectRef device, int index)
{
    std::lock_guard lock(mutex_);
    const DeviceInfo *d = refKind(device) == KDevice ? findDevice(refClient(device)) : nullptr;
    if (!d || index < 0 || index >= int(d->ports.size()))
        return 0;
    const PortInfo &p = ports_[d->ports[index]];
    return makeRef(KEntity, p.client, p.port);
}

int AlsaMidi::entityNumberOfSources(MidiObjectRef entity)
{
    std::lock_guard lock(mutex_);
    const PortInfo *p = refKind(entity) == KEntity ? findPort(refClient(entity), refPort(entity)) : nullptr;
    return p && p->isSource ? 1 : 0;
}

MidiEndpointRef AlsaMidi::entityGetSource(MidiObjectRef entity, int index)
{
    std::lock_guard lock(mutex_);
    const PortInfo *p = refKind(entity) == KEntity ? findPort(refClient(entity), refPort(entity)) : nullptr;
    return p && p->isSource && index == 0 ? makeRef(KSource, p->client, p->port) : 0;
}

int AlsaMidi::entityNumberOfDestinations(MidiObjectRef entity)
{
    std::lock_guard lock(mutex_);
    const PortInfo *p = refKind(entity) == KEntity ? findPort(refClient(entity), refPort(entity)) : nullptr;
    return p && p->isDest ? 1 : 0;
}

MidiEndpointRef AlsaMidi::entityGetDestination(MidiObjectRef entity, int index)
{
    std::lock_guard lock(mutex_);
    const PortInfo *p = refKind(entity) == KEntity ? findPort(refClient(entity), refPort(entity)) : nullptr;
    return p && p->isDest && index == 0 ? makeRef(KDest, p->client, p->port) : 0;
}

MidiStatus AlsaMidi::endpointGetEntity(MidiEndpointRef endpoint, MidiObjectRef *outEntity)
{
    std::lock_guard lock(mutex_);
    *outEntity = 0;
    if (refKind(endpoint) != KSource && refKind(endpoint) != KDest)
        return midistatus::WrongEndpointType;
    const PortInfo *p = findPort(refClient(endpoint), refPort(endpoint));
    if (!p)
        return midistatus::ObjectNotFound;
    if (!p->own)
        *outEntity = makeRef(KEntity, p->client, p->port);
    return midistatus::NoErr;
}

MidiStatus AlsaMidi::getStringProperty(MidiObjectRef obj, MidiProperty property, QString *out)
{
    std::lock_guard lock(mutex_);
    if (property != MidiProperty::Name && property != MidiProperty::DisplayName)
        return midistatus::UnknownProperty;
    switch (refKind(obj)) {
    case KClient:
        if (refClient(obj) != myClient_)
            return midistatus::ObjectNotFound;
    {
        snd_seq_client_info_t *info;
        snd_seq_client_info_alloca(&info);
        if (snd_seq_get_client_info(seq_, info) < 0)
            return midistatus::ObjectNotFound;
        *out = QString::fromUtf8(snd_seq_client_info_get_name(info));
        return midistatus::NoErr;
    }
    case KPort: {
        auto it = ownPorts_.find(refPort(obj));
        if (refClient(obj) != myClient_ || it == ownPorts_.end())
            return midistatus::ObjectNotFound;
        *out = it->second.name;
        return midistatus::NoErr;
    }
    case KDevice: {
        const DeviceInfo *d = findDevice(refClient(obj));
        if (!d)
            return midistatus::ObjectNotFound;
        *out = d->name;
        return midistatus::NoErr;
    }
    case KEntity:
    case KSource:
    case KDest: {
        const PortInfo *p = findPort(refClient(obj), refPort(obj));
        if (!p)
            return midistatus::ObjectNotFound;
        *out = property == MidiProperty::DisplayName && !p->own && p->portName != p->clientName
                   ? QStringLiteral("%1 %2").arg(p->clientName, p->portName)
                   : p->portName;
        return midistatus::NoErr;
    }
    }
    return midistatus::ObjectNotFound;
}

MidiStatus AlsaMidi::getIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 *out)
{
    std::lock_guard lock(mutex_);
    if (property != MidiProperty::UniqueID && property != MidiProperty::Offline)
        return midistatus::UnknownProperty;
    // Whatever ALSA lists is present and online.
    switch (refKind(obj)) {
    case KDevice: {
        const DeviceInfo *d = findDevice(refClient(obj));
        if (!d)
            return midistatus::ObjectNotFound;
        *out = property == MidiProperty::UniqueID ? d->uid : 0;
        return midistatus::NoErr;
    }
    case KEntity:
    case KSource:
    case KDest: {
        const PortInfo *p = findPort(refClient(obj), refPort(obj));
        if (!p || (refKind(obj) == KSource && !p->isSource) || (refKind(obj) == KDest && !p->isDest)
            || (refKind(obj) == KEntity && p->own))
            return midistatus::ObjectNotFound;
        if (property == MidiProperty::Offline)
            *out = 0;
        else
            *out = refKind(obj) == KEntity ? p->entityUid : refKind(obj) == KSource ? p->sourceUid : p->destUid;
        return midistatus::NoErr;
    }
    default: return midistatus::ObjectNotFound;
    }
}

MidiStatus AlsaMidi::setIntegerProperty(MidiObjectRef obj, MidiProperty property, qint32 value)
{
    std::lock_guard lock(mutex_);
    if (property != MidiProperty::UniqueID)
        return midistatus::UnknownProperty;
    // Only the program's own virtual endpoints take an identifier.
    if ((refKind(obj) != KSource && refKind(obj) != KDest) || refClient(obj) != myClient_)
        return midistatus::NotPermitted;
    auto own = ownPorts_.find(refPort(obj));
    if (own == ownPorts_.end() || (own->second.role != Role::VirtualIn && own->second.role != Role::VirtualOut))
        return midistatus::NotPermitted;
    refreshIfNeeded();
    if (value == 0)
        return midistatus::IDNotUnique;
    for (const auto &[port, uid] : uidOverrides_)
        if (port != refPort(obj) && uid == value)
            return midistatus::IDNotUnique;
    for (const DeviceInfo &d : devices_)
        if (d.uid == value)
            return midistatus::IDNotUnique;
    for (const PortInfo &p : ports_) {
        if (p.own && p.port == refPort(obj))
            continue;
        if (p.entityUid == value || p.sourceUid == value || p.destUid == value)
            return midistatus::IDNotUnique;
    }
    uidOverrides_[refPort(obj)] = value;
    dirty_ = true;
    return midistatus::NoErr;
}

// ---- Receive thread ---------------------------------------------------------

void AlsaMidi::postSetupChange()
{
    MidiNotifyProc notify;
    {
        std::lock_guard lock(mutex_);
        dirty_ = true;
        notify = notify_;
    }
    // A device appearing announces its client and each port: one change for the burst.
    if (!notify || notifyPending_->exchange(true))
        return;
    auto pending = notifyPending_;
    runOnMain([notify, pending] {
        pending->store(false);
        notify(kMidiMsgSetupChanged);
    });
}

void AlsaMidi::run()
{
    snd_midi_event_t *decoder = nullptr;
    if (snd_midi_event_new(4096, &decoder) < 0)
        return;
    snd_midi_event_no_status(decoder, 1); // every decoded message carries its status byte

    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    if (count <= 0) {
        qWarning("MIDI: the ALSA sequencer gives nothing to wait on; nothing is received");
        snd_midi_event_free(decoder);
        return;
    }
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds[count] = pollfd{wakePipe_[0], POLLIN, 0};

    struct Delivery {
        MidiReadProc read;
        quintptr refCon;
        MidiPacketList packets;
        int port;
        std::pair<int, int> source;
    };
    std::vector<unsigned char> buffer(4096);
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[count].revents)
            break;
        bool broken = false;
        for (int i = 0; i < count; ++i)
            broken = broken || (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL));
        if (broken) {
            qWarning("MIDI: the ALSA sequencer connection failed; nothing more is received");
            break;
        }

        std::vector<Delivery> deliveries;
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            for (;;) {
                snd_seq_event_t *ev = nullptr;
                const int err = snd_seq_event_input(seq_, &ev);
                if (err == -ENOSPC)
                    continue; // the input overran and events were lost; read on
                if (err < 0 || !ev)
                    break;
                switch (ev->type) {
                case SND_SEQ_EVENT_CLIENT_START:
                case SND_SEQ_EVENT_CLIENT_EXIT:
                case SND_SEQ_EVENT_CLIENT_CHANGE:
                case SND_SEQ_EVENT_PORT_START:
                case SND_SEQ_EVENT_PORT_EXIT:
                case SND_SEQ_EVENT_PORT_CHANGE:
                    changed = true;
                    continue;
                case SND_SEQ_EVENT_PORT_SUBSCRIBED:
                case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
                    continue;
                default: break;
                }
                auto own = ownPorts_.find(ev->dest.port);
                if (own == ownPorts_.end() || !own->second.read)
                    continue;
                snd_midi_event_reset_decode(decoder);
                const long n = snd_midi_event_decode(decoder, buffer.data(), static_cast<long>(buffer.size()), ev);
                if (n <= 0)
                    continue; // not a MIDI message (or too long to hold)
                const std::pair<int, int> source{ev->source.client, ev->source.port};
                quintptr refCon = 0;
                if (own->second.role == Role::Input) {
                    auto &list = connections_[ev->dest.port];
                    auto c = list.find(source);
                    if (c != list.end())
                        refCon = c->second;
                }
                const QByteArray bytes(reinterpret_cast<const char *>(buffer.data()), static_cast<int>(n));
                // Messages read together from one source form one packet list.
                if (!deliveries.empty() && deliveries.back().port == ev->dest.port
                    && deliveries.back().source == source) {
                    deliveries.back().packets.append(MidiPacket{0, bytes});
                } else {
                    deliveries.push_back(Delivery{own->second.read, refCon, MidiPacketList{MidiPacket{0, bytes}},
                                                  ev->dest.port, source});
                }
            }
        }
        for (const Delivery &d : deliveries)
            d.read(d.packets, d.refCon);
        if (changed)
            postSetupChange();
    }
    snd_midi_event_free(decoder);
}

} // namespace

QList<AlsaIds> assignAlsaIds(const QList<AlsaPortName> &ports, const std::map<int, qint32> &ownIds)
{
    // The program's own identifiers first, then every other object in client
    // and port order, each moved on until it is unique.
    std::set<qint32> used;
    for (const auto &[port, uid] : ownIds)
        used.insert(uid);
    auto unique = [&used](const QString &name) {
        qint32 id = stableId(name);
        while (id == 0 || used.count(id))
            id = static_cast<qint32>((static_cast<quint32>(id) + 0x9E3779B1u) & 0x7fffffffu);
        used.insert(id);
        return id;
    };
    QList<AlsaIds> out;
    int lastClient = -1;
    qint32 device = 0;
    for (const AlsaPortName &p : ports) {
        AlsaIds ids;
        const QString path = p.clientName + QLatin1Char('\n') + p.portName;
        if (p.own) {
            auto it = ownIds.find(p.port);
            const qint32 own = it != ownIds.end() ? it->second : 0;
            if (p.isSource)
                ids.source = own ? own : unique(QStringLiteral("source\n") + path);
            if (p.isDest)
                ids.dest = own ? own : unique(QStringLiteral("destination\n") + path);
        } else {
            if (p.client != lastClient) {
                lastClient = p.client;
                device = unique(QStringLiteral("device\n") + p.clientName);
            }
            ids.device = device;
            ids.entity = unique(QStringLiteral("entity\n") + path);
            if (p.isSource)
                ids.source = unique(QStringLiteral("source\n") + path);
            if (p.isDest)
                ids.dest = unique(QStringLiteral("destination\n") + path);
        }
        out.append(ids);
    }
    return out;
}

bool alsaPortIsSource(unsigned capability, bool kernelClient, const QString &clientName)
{
    if (kernelClient && clientName.startsWith(QLatin1String("Midi Through")))
        return false;
    return (capability & kSourceCaps) == kSourceCaps;
}

std::unique_ptr<MidiSystem> createAlsaMidi(QString *error)
{
    // Checked first so that a machine without a sequencer gets no ALSA error text.
    const int fd = ::open("/dev/snd/seq", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = QStringLiteral("/dev/snd/seq: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return nullptr;
    }
    ::close(fd);
    snd_seq_t *seq = nullptr;
    const int err = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0);
    if (err < 0 || !seq) {
        if (error)
            *error = QString::fromLocal8Bit(snd_strerror(err));
        return nullptr;
    }
    return std::make_unique<AlsaMidi>(seq);
}

} // namespace platform
