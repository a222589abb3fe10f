#include "midi/windows/MidiEndpoints.h"

#include "midi/Midi.h"
#include "platform/Log.h"

#include <QComboBox>

namespace midiendpoints {

QString endpointText(const Names &n, bool withStatus)
{
    QString text;
    if (withStatus)
        text = n.offline ? QStringLiteral("⚠️ ") : QStringLiteral("✅ ");
    if (n.hasEntity) {
        text += n.device;
        if (n.entity != n.device)
            text += QStringLiteral(" - ") + n.entity;
        if (n.endpoint != n.entity)
            text += QStringLiteral(" - ") + n.endpoint;
    } else {
        text += QStringLiteral("(Virtual) ") + n.endpoint;
    }
    if (withStatus && !n.offline)
        text += QStringLiteral(" (online)");
    return text;
}

QString missingItem(const QString &storedDescr)
{
    QString descr = storedDescr;
    const QString online = QStringLiteral(" (online)");
    if (descr.endsWith(online))
        descr.chop(online.size());
    return QStringLiteral("❗️ %1").arg(descr.isEmpty() ? QStringLiteral("???") : descr);
}

QString descrOfItem(const QString &itemText)
{
    // The marks take one or two UTF-16 units ("⚠️" has a variation
    // selector), then a space.
    const qsizetype space = itemText.indexOf(QLatin1Char(' '));
    if (space >= 1 && space <= 2)
        return itemText.mid(space + 1);
    return itemText.size() < 3 ? QString() : itemText.mid(2);
}

void fillEndpointCombo(QComboBox *combo, const QStringList &fixed, const QStringList &texts, qint64 mode,
                       int matching, const QString &storedDescr)
{
    combo->clear();
    combo->addItems(fixed);
    combo->addItems(texts);
    int selected = int(fixed.size()) + matching;
    if (mode == 0 || mode == 1) {
        selected = int(mode);
    } else if (matching < 0) {
        combo->addItem(missingItem(storedDescr));
        selected = combo->count() - 1;
    }
    combo->setCurrentIndex(selected);
}

namespace {

Names names(platform::MidiObjectRef device, platform::MidiObjectRef entity, platform::MidiEndpointRef endpoint,
            bool offline)
{
    Names n;
    n.hasEntity = entity != 0;
    if (n.hasEntity) {
        n.device = Midi::MIDIgetName(device);
        n.entity = Midi::MIDIgetName(entity);
    }
    n.endpoint = Midi::MIDIgetName(endpoint);
    n.offline = offline;
    return n;
}

} // namespace

Names namesOfDest(const MidiDestAvail &d) { return names(d.deviceRef, d.entityRef, d.destRef, d.isOffline); }

Names namesOfSource(const MidiSourceAvail &s) { return names(s.deviceRef, s.entityRef, s.sourceRef, s.isOffline); }

void chargerDestAvail(QList<MidiDestAvailPtr> &list, bool exceptOwn)
{
    auto &s = platform::midiSystem();
    const int devices = s.numberOfDevices();
    for (int d = 0; d < devices; ++d) {
        const platform::MidiObjectRef device = s.getDevice(d);
        qint32 offline = 0;
        if (s.getIntegerProperty(device, platform::MidiProperty::Offline, &offline) != platform::midistatus::NoErr)
            offline = 0;
        const int entities = s.deviceNumberOfEntities(device);
        for (int e = 0; e < entities; ++e) {
            const platform::MidiObjectRef entity = s.deviceGetEntity(device, e);
            const platform::MidiEndpointRef source =
                s.entityNumberOfSources(entity) > 0 ? s.entityGetSource(entity, 0) : ~platform::MidiEndpointRef(0);
            const int dests = s.entityNumberOfDestinations(entity);
            for (int k = 0; k < dests; ++k) {
                auto rec = std::make_shared<MidiDestAvail>();
                rec->deviceRef = device;
                rec->entityRef = entity;
                rec->sourceRef = source;
                rec->destRef = s.entityGetDestination(entity, k);
                rec->deviceUID = Midi::MIDIgetUniqueID(device);
                rec->entityUID = Midi::MIDIgetUniqueID(entity);
                rec->sourceUID = Midi::MIDIgetUniqueID(source);
                rec->destUID = Midi::MIDIgetUniqueID(rec->destRef);
                rec->isOffline = offline != 0;
                list.append(rec);
            }
        }
    }
    const int dests = s.numberOfDestinations();
    for (int i = 0; i < dests; ++i) {
        const platform::MidiEndpointRef dest = s.getDestination(i);
        platform::MidiObjectRef entity = 0;
        s.endpointGetEntity(dest, &entity);
        if (entity != 0)
            continue;
        const qint32 uid = Midi::MIDIgetUniqueID(dest);
        if (exceptOwn && uid == Midi::quilloryUIDin())
            continue;
        auto rec = std::make_shared<MidiDestAvail>();
        rec->destRef = dest;
        rec->destUID = uid;
        // What this program sends to a virtual destination comes from its own source.
        rec->sourceUID = exceptOwn ? 0 : Midi::quilloryUIDout();
        rec->isOffline = false;
        list.append(rec);
    }
}

void listerDestAvail(const QList<MidiDestAvailPtr> &list)
{
    const QString rule = QStringLiteral("= = = = = = = = = = = = = = = = = = = = = = = = =");
    TLOG(rule);
    TLOG(QStringLiteral("destAvail::"));
    for (const MidiDestAvailPtr &d : list) {
        if (d->entityRef != 0)
            TLOG(QStringLiteral("Device: %1 Entity UID: %2  Dest UID: %3 Ref:%4")
                     .arg(Midi::MIDIgetName(d->deviceRef), QString::number(d->entityUID),
                          QString::number(d->destUID), QString::number(d->destRef)));
        else
            TLOG(QStringLiteral("Virtuel:%1 Dest UID: %2 Ref:%3")
                     .arg(Midi::MIDIgetName(d->destRef), QString::number(d->destUID),
                          QString::number(d->destRef)));
    }
    TLOG(rule);
}

} // namespace midiendpoints
