#include "midi/Midi.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"

#include <QCoreApplication>
#include <QObject>

using platform::MidiEndpointRef;
using platform::MidiObjectRef;

namespace {

struct Lists {
    QPointer<QObject> delegate;
    QList<MidiEndpointRef> endpoints;
    QList<MidiDestPtr> destinations;
    QList<MidiTrigPtr> triggers;
    QList<MidiFavEventPtr> fav;
    SongEvArray favEv;
    std::recursive_mutex textMutex;
    QString lastEvents, lastTx;
    std::array<std::atomic<double>, 8> tapTimes{};
    std::mutex handlerMutex;
    Midi::PacketListHandler handler;
};

// Never destroyed: the receive thread may still deliver while the program exits.
Lists &lists()
{
    static Lists *l = new Lists;
    return *l;
}

platform::MidiSystem &sys() { return platform::midiSystem(); }

double stamp() { return platform::now(); }

// Sets the stored identifier back on a virtual endpoint, or stores the one the
// system gave it; answers the identifier the endpoint now has.
qint32 keepUniqueId(MidiEndpointRef endpoint, const QString &key, const QString &failure)
{
    auto &defaults = platform::UserDefaults::standard();
    const qint32 stored = static_cast<qint32>(defaults.integerForKey(key));
    if (stored != 0) {
        // Before, a successful set left the engine's copy at 0.
        if (sys().setIntegerProperty(endpoint, platform::MidiProperty::UniqueID, stored) == platform::midistatus::NoErr)
            return stored;
        TLOG(failure);
    }
    const qint32 given = Midi::MIDIgetUniqueID(endpoint);
    defaults.setInteger(key, given);
    defaults.synchronize();
    return given;
}

// The virtual ports keep the identifiers stored for them, so that other
// programs find them again under the same ones.
void keepVirtualInId()
{
    Midi::setQuilloryUIDin(keepUniqueId(Midi::virtualInTemp(), QStringLiteral("quilloryUIDinput"),
                                        QStringLiteral("Error setting property uniqueUID for Quillory input")));
}

void keepVirtualOutId()
{
    Midi::setQuilloryUIDout(keepUniqueId(Midi::virtualOutTemp(), QStringLiteral("quilloryUIDoutput"),
                                         QStringLiteral("Error setting property uniqueUID for Quillory output")));
}

} // namespace

// ---- Dates ---------------------------------------------------------------------------

void Midi::initTimeLastMSB() { s_timeLastMSB.store(stamp()); }
void Midi::initTimeLastLSB() { s_timeLastLSB.store(stamp()); }
void Midi::initTimeLastProgramChange() { s_timeLastProgramChange.store(stamp()); }
void Midi::initTimeLastControlMessage() { s_timeLastControlMessage.store(stamp()); }
void Midi::initTimeLastMultiMessage() { s_timeLastMultiMessage.store(stamp()); }
void Midi::initTimeLastLotEvents() { s_timeLastLotEvents.store(stamp()); }
void Midi::initTimeLastProcessTrig() { s_timeLastProcessTrig.store(stamp()); }

void Midi::initTimeLastTapTempo(qint32 slot)
{
    auto &taps = lists().tapTimes;
    if (slot >= 0 && slot <= 7) {
        taps[std::size_t(slot)].store(stamp());
        setNbTapTempo(slot + 1);
    } else if (slot == -1) {
        for (auto &t : taps)
            t.store(stamp());
        setNbTapTempo(0);
        setNbTapTempoB(0);
    }
}

double Midi::timeLastTapTempo(qint32 slot)
{
    return slot >= 0 && slot <= 7 ? lists().tapTimes[std::size_t(slot)].load() : 0.0;
}

void Midi::setTimeLastTapTempo(qint32 slot, double time)
{
    if (slot >= 0 && slot <= 7)
        lists().tapTimes[std::size_t(slot)].store(time);
}

// ---- Texts and lists -------------------------------------------------------------------

QString &Midi::lastEvents() { return lists().lastEvents; }
QString &Midi::lastTx() { return lists().lastTx; }
std::recursive_mutex &Midi::textMutex() { return lists().textMutex; }

void Midi::initLastEvents()
{
    std::lock_guard lock(textMutex());
    lists().lastEvents.clear();
    setNbLastEvents(0);
}

void Midi::initLastTx()
{
    std::lock_guard lock(textMutex());
    lists().lastTx.clear();
}

void Midi::setLastTx(const QString &text)
{
    std::lock_guard lock(textMutex());
    lists().lastTx = text;
}

QList<MidiEndpointRef> &Midi::MIDIendpoints() { return lists().endpoints; }
QList<MidiDestPtr> &Midi::MIDIdestinations() { return lists().destinations; }
QList<MidiTrigPtr> &Midi::MIDItriggers() { return lists().triggers; }
QList<MidiFavEventPtr> &Midi::MIDIfav() { return lists().fav; }
SongEvArray &Midi::MIDIfavEv() { return lists().favEv; }

void Midi::iniMIDIdelegate(QObject *delegate) { lists().delegate = delegate; }
QObject *Midi::delegate() { return lists().delegate; }

// ---- Set-up ------------------------------------------------------------------------------

void Midi::iniMidi()
{
    TLOG(QStringLiteral("Midi iniMidi (%1)").arg(sys().backendName()));
    setMidiOk(true);
    setRefreshPaused(false);
    setListenTrigSourceOn(false);
    setMidiOutPrefOn(false);
    setSourceType(1);
    setSourceVal1(0);
    setSourceVal2(0);
    setSourceVal3(0);
    setSourceChannel(0);
    setSourceRef(0);
    setTraiterMidiNotifications(false);
    setEventEnTraitement(false);
    setEventWillBeInserted(false);
    setTrigInEnTraitement(false);
    setTrigInEnAjout(false);
    setTrigInHoldEnTraitement(false);
    setNbDest(0);
    setNbTrig(0);
    setNbFav(0);
    setResetTrig(true);
    setMidiDelay(0.01f);
    setClockRef(0);
    setTheMidiClient(0);
    setInputPort(0);
    setOutputPort(0);
    setVirtualInTemp(0);
    setVirtualOutTemp(0);
    setQuilloryUIDin(0);
    setQuilloryUIDout(0);
    setLastChannel(0);
    setLastSourceRef(0);
    setLastProgramChangeValue(0);
    setLastMSBValue(-1);
    setLastLSBValue(0);
    setLastLSBNo(0);
    setLastControlMessageValue1(0);
    setLastControlMessageValue2(0);
    setLastSourceType(-1);
    setLastSourceVal1(-1);
    setLastSourceVal2(-1);
    setLastSourceVal3(-1);
    lists().endpoints.clear();
    resetQueue();

    initTimeLastMSB();
    initTimeLastLSB();
    initTimeLastProgramChange();
    initTimeLastControlMessage();
    initTimeLastMultiMessage();
    initTimeLastLotEvents();
    initTimeLastProcessTrig();
    initTimeLastTapTempo(-1);
    initLastEvents();
    initLastTx();
    startInput(); // the read callback's packet walk and the trigger queues (MidiInput.cpp)
    // Before, MIDI arriving while the program quit ran main-thread work on the
    // receive thread once the application object was gone.
    static std::once_flag stopAtExit;
    std::call_once(stopAtExit, [] { qAddPostRoutine([] { Midi::setPacketListHandler({}); }); });

    // Each step stands on the one before: the first failure ends the set-up.
    auto fail = [](const QString &line) {
        TLOG(line);
        setMidiOk(false);
    };
    [&] {
        MidiObjectRef client = 0, in = 0, out = 0;
        MidiEndpointRef virtualIn = 0, virtualOut = 0;
        if (sys().clientCreate(QStringLiteral("Quillory MIDI"), [](int id) { Midi::notifyProc(id); }, &client)) {
            fail(QStringLiteral("Error creating MIDI client"));
            return;
        }
        setTheMidiClient(client);
        auto read = [](const platform::MidiPacketList &packets, quintptr refCon) { Midi::readProc(packets, refCon); };
        if (sys().inputPortCreate(client, QStringLiteral("Quillory Input"), read, &in)) {
            fail(QStringLiteral("Error creating inputPort"));
            return;
        }
        setInputPort(in);
        if (sys().outputPortCreate(client, QStringLiteral("Quillory Output"), &out)) {
            fail(QStringLiteral("Error creating outputPort"));
            return;
        }
        setOutputPort(out);
        if (sys().destinationCreate(client, QStringLiteral("Quillory IN"), read, &virtualIn)) {
            fail(QStringLiteral("Error creating virtual MIDI in"));
            return;
        }
        setVirtualInTemp(virtualIn);
        if (sys().sourceCreate(client, QStringLiteral("Quillory OUT"), &virtualOut)) {
            fail(QStringLiteral("Error creating virtual MIDI out"));
            return;
        }
        setVirtualOutTemp(virtualOut);
        registerInputDevices(in);
    }();

    // The settings windows work on the tables even without MIDI.
    platform::UserDefaults::standard().readStored(QStringLiteral("Midi"), &Midi::readStoredSettings);
}

void Midi::readStoredSettings()
{
    if (virtualInTemp() != 0)
        keepVirtualInId();
    if (virtualOutTemp() != 0)
        keepVirtualOutId();
    chargerDestinations();
    chargerTriggers();
    chargerFav();
}

void Midi::registerInputDevices(MidiObjectRef port)
{
    const int count = sys().numberOfSources();
    for (int i = 0; i < count; ++i) {
        const MidiEndpointRef source = sys().getSource(i);
        if (source == 0)
            continue;
        lists().endpoints.append(source);
        // The read callback gets the source back from this value.
        sys().portConnectSource(port, source, quintptr(source));
    }
}

void Midi::unRegisterInputDevices(MidiObjectRef port)
{
    auto &endpoints = lists().endpoints;
    for (MidiEndpointRef source : std::as_const(endpoints))
        sys().portDisconnectSource(port, source);
    endpoints.clear();
}

void Midi::notifyProc(int messageId)
{
    if (!traiterMidiNotifications())
        return;
    setTraiterMidiNotifications(false);
    if (messageId == platform::kMidiMsgSetupChanged) {
        unRegisterInputDevices(inputPort());
        registerInputDevices(inputPort());
        platform::NotificationCenter::defaultCenter().postActionKey(vocab::MidiSetupChanged);
    }
    setTraiterMidiNotifications(true);
}

void Midi::setPacketListHandler(PacketListHandler handler)
{
    std::lock_guard lock(lists().handlerMutex);
    lists().handler = std::move(handler);
}

void Midi::readProc(const platform::MidiPacketList &packets, quintptr srcConnRefCon)
{
    const MidiEndpointRef source = srcConnRefCon != 0 ? MidiEndpointRef(srcConnRefCon) : virtualOutTemp();
    // Held while the list is read, so that once the handler is taken away no
    // list is still being read (the receive thread outlives the application).
    std::lock_guard lock(lists().handlerMutex);
    if (lists().handler)
        lists().handler(packets, source);
}

// ---- Properties ------------------------------------------------------------------------------

QString Midi::MIDIgetName(MidiObjectRef obj)
{
    QString name;
    if (sys().getStringProperty(obj, platform::MidiProperty::Name, &name) != platform::midistatus::NoErr)
        return QString();
    return name;
}

qint32 Midi::MIDIgetUniqueID(MidiObjectRef obj)
{
    qint32 uid = 0;
    if (sys().getIntegerProperty(obj, platform::MidiProperty::UniqueID, &uid) != platform::midistatus::NoErr)
        return 0;
    return uid;
}

bool Midi::MIDIisOnline(MidiObjectRef obj)
{
    qint32 offline = 0;
    if (sys().getIntegerProperty(obj, platform::MidiProperty::Offline, &offline) != platform::midistatus::NoErr)
        return true;
    return offline < 1;
}

void Midi::chargerSourceAvail(QList<MidiSourceAvailPtr> &list)
{
    auto &s = sys();
    const int devices = s.numberOfDevices();
    for (int d = 0; d < devices; ++d) {
        const MidiObjectRef device = s.getDevice(d);
        qint32 offline = 0;
        if (s.getIntegerProperty(device, platform::MidiProperty::Offline, &offline) != platform::midistatus::NoErr)
            offline = 0;
        const int entities = s.deviceNumberOfEntities(device);
        for (int e = 0; e < entities; ++e) {
            const MidiObjectRef entity = s.deviceGetEntity(device, e);
            const int sources = s.entityNumberOfSources(entity);
            for (int k = 0; k < sources; ++k) {
                auto rec = std::make_shared<MidiSourceAvail>();
                rec->deviceRef = device;
                rec->entityRef = entity;
                rec->sourceRef = s.entityGetSource(entity, k);
                rec->deviceUID = MIDIgetUniqueID(device);
                rec->entityUID = MIDIgetUniqueID(entity);
                rec->sourceUID = MIDIgetUniqueID(rec->sourceRef);
                rec->isOffline = offline != 0;
                list.append(rec);
            }
        }
    }
    // Virtual sources of any program, this one's "Quillory OUT" included.
    const int sources = s.numberOfSources();
    for (int i = 0; i < sources; ++i) {
        const MidiEndpointRef source = s.getSource(i);
        MidiObjectRef entity = 0;
        s.endpointGetEntity(source, &entity);
        if (entity != 0)
            continue;
        auto rec = std::make_shared<MidiSourceAvail>();
        rec->sourceRef = source;
        rec->sourceUID = MIDIgetUniqueID(source);
        rec->isOffline = false;
        list.append(rec);
    }
}
