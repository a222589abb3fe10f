#pragma once

#include "platform/MidiSystem.h"

#include <QList>
#include <map>
#include <memory>

namespace platform {

// The ALSA sequencer. The program is one sequencer client; its virtual
// destination and source are the subscribable ports other programs see
// (aconnect, a DAW); its input and output ports are private ports. A card or
// another client is a device, each of its ports an entity with a source and/or
// a destination. ALSA has no unique identifiers: they are derived from client
// and port names (so they survive a restart) with collisions resolved in client
// order. Client and port start/exit announcements are the set-up changes.
// Answers nullptr (and why) when /dev/snd/seq cannot be opened.
std::unique_ptr<MidiSystem> createAlsaMidi(QString *error);

// One listed port, as the identifiers are derived from it.
struct AlsaPortName {
    int client = 0;
    int port = 0;
    QString clientName, portName;
    bool isSource = false, isDest = false;
    bool own = false; // a port of the program itself (a virtual endpoint)
};
struct AlsaIds {
    qint32 device = 0, entity = 0, source = 0, dest = 0;
};
// The identifiers of each port (same order; ports of one client together):
// the same names give the same identifiers in every run, identical names are
// told apart in client order, and the program's own ports keep those it set
// (ownIds by port number), which no other object takes.
QList<AlsaIds> assignAlsaIds(const QList<AlsaPortName> &ports, const std::map<int, qint32> &ownIds);

// Whether a port is listed as a source. The kernel's "Midi Through" hands
// back whatever it is sent: heard as a source, every send to all destinations
// would come straight back in (and could fire a trigger that sends to all,
// without end). It stays a destination, so other programs can listen to it.
bool alsaPortIsSource(unsigned capability, bool kernelClient, const QString &clientName);

} // namespace platform
