#pragma once

#include "platform/MidiSystem.h"

namespace platform {

// MIDI that is down: nothing can be created, the set-up is empty and every
// send fails, so the engine runs with MIDI switched off.
class NullMidi final : public MidiSystem {
public:
    QString backendName() const override { return QStringLiteral("none"); }

    MidiStatus clientCreate(const QString &, MidiNotifyProc, MidiObjectRef *outClient) override
    {
        *outClient = 0;
        return midistatus::ServerStartErr;
    }
    MidiStatus inputPortCreate(MidiObjectRef, const QString &, MidiReadProc, MidiObjectRef *outPort) override
    {
        *outPort = 0;
        return midistatus::InvalidClient;
    }
    MidiStatus outputPortCreate(MidiObjectRef, const QString &, MidiObjectRef *outPort) override
    {
        *outPort = 0;
        return midistatus::InvalidClient;
    }
    MidiStatus destinationCreate(MidiObjectRef, const QString &, MidiReadProc, MidiEndpointRef *outDest) override
    {
        *outDest = 0;
        return midistatus::InvalidClient;
    }
    MidiStatus sourceCreate(MidiObjectRef, const QString &, MidiEndpointRef *outSrc) override
    {
        *outSrc = 0;
        return midistatus::InvalidClient;
    }
    MidiStatus portConnectSource(MidiObjectRef, MidiEndpointRef, quintptr) override { return midistatus::InvalidPort; }
    MidiStatus portDisconnectSource(MidiObjectRef, MidiEndpointRef) override { return midistatus::InvalidPort; }
    MidiStatus send(MidiObjectRef, MidiEndpointRef, const MidiPacketList &) override { return midistatus::InvalidPort; }

    int numberOfSources() override { return 0; }
    MidiEndpointRef getSource(int) override { return 0; }
    int numberOfDestinations() override { return 0; }
    MidiEndpointRef getDestination(int) override { return 0; }
    int numberOfDevices() override { return 0; }
    MidiObjectRef getDevice(int) override { return 0; }
    int deviceNumberOfEntities(MidiObjectRef) override { return 0; }
    MidiObjectRef deviceGetEntity(MidiObjectRef, int) override { return 0; }
    int entityNumberOfSources(MidiObjectRef) override { return 0; }
    MidiEndpointRef entityGetSource(MidiObjectRef, int) override { return 0; }
    int entityNumberOfDestinations(MidiObjectRef) override { return 0; }
    MidiEndpointRef entityGetDestination(MidiObjectRef, int) override { return 0; }
    MidiStatus endpointGetEntity(MidiEndpointRef, MidiObjectRef *outEntity) override
    {
        *outEntity = 0;
        return midistatus::ObjectNotFound;
    }
    MidiStatus getStringProperty(MidiObjectRef, MidiProperty, QString *) override { return midistatus::ObjectNotFound; }
    MidiStatus getIntegerProperty(MidiObjectRef, MidiProperty, qint32 *) override { return midistatus::ObjectNotFound; }
    MidiStatus setIntegerProperty(MidiObjectRef, MidiProperty, qint32) override { return midistatus::ObjectNotFound; }
};

} // namespace platform
