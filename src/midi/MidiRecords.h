#pragma once

#include "platform/MidiSystem.h"
#include "platform/UserDefaults.h"

#include <QList>
#include <QString>
#include <memory>

// The MIDI engine's records. Each table lives in user defaults as a count key
// plus one key per field and row ("MidiDest_idDest_%ld" ...), rows from 0.

// A named destination: the name an instruction writes after "@".
class MidiDest {
public:
    explicit MidiDest(qint64 index = 0) : index(index) {}

    qint64 index = 0;
    QString idDest;
    qint64 channel = 0;  // 0 all sixteen channels, 1-16 one channel
    qint64 sendType = 0; // 0 every device, 1 nothing is sent, 2 only the device destUID
    QString destDescr;
    qint64 deviceUID = 0;
    qint64 entityUID = 0;
    qint64 sourceUID = 0; // received messages from this source are written with this row's name
    qint64 destUID = 0;

    void save() const;
    // False when nothing is stored for the row.
    bool load(const platform::UserDefaults::Snapshot &stored);
};

// One group of the MIDI event library: event-script text sent by name.
class MidiFavEvent {
public:
    explicit MidiFavEvent(qint64 index = 0) : index(index) {}

    qint64 index = 0;
    QString favEventID;
    QString favEventDescr;
    QString favEventTx;
    qint64 favRestriction = 0; // 0 every screen set, else only that one

    void save() const;
    // False when nothing is stored for the row.
    bool load(const platform::UserDefaults::Snapshot &stored);
    // May the group be sent now: it has events and the current screen set allows it.
    bool envoyerFav() const;
};

// A trigger rule: a kind of received message bound to an action.
class MidiTrig {
public:
    explicit MidiTrig(qint64 index = 0) : index(index) {}

    qint64 sourceMode = 0; // 0 any source, 1 ignore input, 2 the source sourceUID
    qint64 index = 0;
    qint64 deviceUID = 0;
    qint64 entityUID = 0;
    qint64 sourceUID = 0;
    QString sourceDescr;
    qint64 channel = 0;    // 0 any, 1-16
    qint64 sourceType = 1; // 1 CC, 2 PC, 3 note on, 4 pitch wheel, 5 note off, 6 note held
    qint64 sourceVal1 = 0;
    qint64 sourceVal2 = 0;
    qint64 sourceVal3 = 0;
    qint64 actionType = 0;
    QString actionTxt;
    qint64 behavior = 0; // 0 Normal, 1 Skip, 2 Skip/Reset
    bool traite = false; // run-time only
    qint64 vex = -1;     // run-time only

    void save() const;
    // Absent numbers read 0, absent texts stay as they are; the run-time marks
    // reset. False when nothing is stored for the row.
    bool load(const platform::UserDefaults::Snapshot &stored);
};

// A source endpoint present now, as the MIDI settings windows list it.
struct MidiSourceAvail {
    platform::MidiObjectRef deviceRef = 0;
    platform::MidiObjectRef entityRef = 0;
    platform::MidiEndpointRef sourceRef = 0;
    qint64 deviceUID = 0;
    qint64 entityUID = 0;
    qint64 sourceUID = 0;
    bool isOffline = true;
};

using MidiDestPtr = std::shared_ptr<MidiDest>;
using MidiFavEventPtr = std::shared_ptr<MidiFavEvent>;
using MidiTrigPtr = std::shared_ptr<MidiTrig>;
using MidiSourceAvailPtr = std::shared_ptr<MidiSourceAvail>;

// The destination rows of a first run: "All" on every channel of every
// device, then "Ch1" to "Ch16".
QList<MidiDestPtr> firstRunDestinations();
