#pragma once

#include "library/SongEv.h"
#include "midi/MidiRecords.h"
#include "platform/MidiSystem.h"

#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QObject;
namespace platform {
struct KeyEvent;
}

// One queued outgoing message.
class MidiEv {
public:
    MidiEv();

    platform::MidiPacketList packetList;
    qint32 destUID = 0; // 0: every destination
    double creationTime = 0;
    bool forcer = false; // sent even when older than the current batch

    // Sends now through the output port; true when at least one send succeeded.
    bool send() const;
};
using MidiEvPtr = std::shared_ptr<MidiEv>;

// A plain value of the engine: getter of its name, setter that only stores.
// Atomic because the receive and clock threads read and write some of them.
#define TOLVANE_MIDI_VALUE(Type, name, Setter, init)                                \
private:                                                                           \
    static inline std::atomic<Type> s_##name{init};                                \
                                                                                   \
public:                                                                            \
    static Type name() { return s_##name.load(std::memory_order_relaxed); }        \
    static void Setter(Type value) { s_##name.store(value, std::memory_order_relaxed); }

// A date of the engine (platform::now() seconds), stamped by its own operation.
#define TOLVANE_MIDI_DATE(name, Stamper)                                             \
private:                                                                           \
    static inline std::atomic<double> s_##name{0.0};                               \
                                                                                   \
public:                                                                            \
    static double name() { return s_##name.load(std::memory_order_relaxed); }      \
    static void Stamper();

// The MIDI engine: the client, its ports and virtual endpoints on the
// platform's MIDI system, the record tables, the outgoing queue, clock and
// ticks, and the text instructions. Never instantiated. Spread over files by
// concern: MidiSetup (state, set-up, endpoints), MidiTables (records),
// MidiOutput (queue, clock, ticks, keypad), MidiSend (instruction text).
class Midi {
public:
    Midi() = delete;

    // ---- Set-up (MidiSetup.cpp) --------------------------------------------------
    // Client "Quillory MIDI", ports "Quillory Input"/"Quillory Output", virtual
    // destination "Quillory IN" and source "Quillory OUT" with their stored
    // identifiers, every source connected, then the tables loaded (always).
    static void iniMidi();
    // The stored identifiers put on the virtual endpoints, and the tables;
    // also after a late read.
    static void readStoredSettings();
    static void iniMIDIdelegate(QObject *delegate);
    static QObject *delegate();
    static void registerInputDevices(platform::MidiObjectRef port);
    static void unRegisterInputDevices(platform::MidiObjectRef port);
    // The notify callback: on a set-up change, reconnects every source and
    // posts "ActionKey" 2003 (only once launching has finished).
    static void notifyProc(int messageId);
    // The read callback of the input port and the virtual destination.
    static void readProc(const platform::MidiPacketList &packets, quintptr srcConnRefCon);
    // What the read callback hands each packet list to, with its source (the
    // connection's reference value, or "Quillory OUT" when there is none).
    using PacketListHandler = std::function<void(const platform::MidiPacketList &, platform::MidiEndpointRef)>;
    static void setPacketListHandler(PacketListHandler handler);

    // Object properties; unreadable: null text, 0, online.
    static QString MIDIgetName(platform::MidiObjectRef obj);
    static qint32 MIDIgetUniqueID(platform::MidiObjectRef obj);
    static bool MIDIisOnline(platform::MidiObjectRef obj);
    // Appends one record per source present: those of devices, then those without an entity.
    static void chargerSourceAvail(QList<MidiSourceAvailPtr> &list);

    // ---- State ------------------------------------------------------------------------
    TOLVANE_MIDI_VALUE(bool, midiOk, setMidiOk, true)
    TOLVANE_MIDI_VALUE(bool, refreshPaused, setRefreshPaused, false)
    TOLVANE_MIDI_VALUE(bool, listenTrigSourceOn, setListenTrigSourceOn, false)
    TOLVANE_MIDI_VALUE(bool, midiOutPrefOn, setMidiOutPrefOn, false)
    TOLVANE_MIDI_VALUE(bool, traiterMidiNotifications, setTraiterMidiNotifications, false)
    TOLVANE_MIDI_VALUE(bool, eventEnTraitement, setEventEnTraitement, false)
    TOLVANE_MIDI_VALUE(bool, eventWillBeInserted, setEventWillBeInserted, false)
    TOLVANE_MIDI_VALUE(bool, trigInEnTraitement, setTrigInEnTraitement, false)
    TOLVANE_MIDI_VALUE(bool, trigInEnAjout, setTrigInEnAjout, false)
    TOLVANE_MIDI_VALUE(bool, trigInHoldEnTraitement, setTrigInHoldEnTraitement, false)
    TOLVANE_MIDI_VALUE(bool, resetTrig, setResetTrig, true)
    TOLVANE_MIDI_VALUE(qint64, sourceType, setSourceType, 1)
    TOLVANE_MIDI_VALUE(qint64, sourceVal1, setSourceVal1, 0)
    TOLVANE_MIDI_VALUE(qint64, sourceVal2, setSourceVal2, 0)
    TOLVANE_MIDI_VALUE(qint64, sourceVal3, setSourceVal3, 0)
    TOLVANE_MIDI_VALUE(qint32, sourceChannel, setSourceChannel, 0)
    TOLVANE_MIDI_VALUE(platform::MidiEndpointRef, sourceRef, setSourceRef, 0)
    TOLVANE_MIDI_VALUE(qint64, nbDest, setNbDest, 0)
    TOLVANE_MIDI_VALUE(qint64, nbTrig, setNbTrig, 0)
    TOLVANE_MIDI_VALUE(qint64, nbFav, setNbFav, 0)
    TOLVANE_MIDI_VALUE(qint32, nbTapTempo, setNbTapTempo, 0)
    TOLVANE_MIDI_VALUE(qint32, nbTapTempoB, setNbTapTempoB, 0)
    TOLVANE_MIDI_VALUE(float, midiDelay, setMidiDelay, 0.01f)
    TOLVANE_MIDI_VALUE(platform::MidiObjectRef, theMidiClient, setTheMidiClient, 0)
    TOLVANE_MIDI_VALUE(platform::MidiObjectRef, inputPort, setInputPort, 0)
    TOLVANE_MIDI_VALUE(platform::MidiObjectRef, outputPort, setOutputPort, 0)
    TOLVANE_MIDI_VALUE(platform::MidiEndpointRef, virtualInTemp, setVirtualInTemp, 0)
    TOLVANE_MIDI_VALUE(platform::MidiEndpointRef, virtualOutTemp, setVirtualOutTemp, 0)
    TOLVANE_MIDI_VALUE(qint32, quilloryUIDin, setQuilloryUIDin, 0)
    TOLVANE_MIDI_VALUE(qint32, quilloryUIDout, setQuilloryUIDout, 0)
    TOLVANE_MIDI_VALUE(platform::MidiEndpointRef, clockRef, setClockRef, 0)
    TOLVANE_MIDI_VALUE(qint32, lastChannel, setLastChannel, 0)
    TOLVANE_MIDI_VALUE(platform::MidiEndpointRef, lastSourceRef, setLastSourceRef, 0)
    TOLVANE_MIDI_VALUE(qint32, lastProgramChangeValue, setLastProgramChangeValue, 0)
    TOLVANE_MIDI_VALUE(qint32, lastMSBValue, setLastMSBValue, -1)
    TOLVANE_MIDI_VALUE(qint32, lastLSBValue, setLastLSBValue, 0)
    TOLVANE_MIDI_VALUE(qint32, lastLSBNo, setLastLSBNo, 0)
    TOLVANE_MIDI_VALUE(qint32, lastControlMessageValue1, setLastControlMessageValue1, 0)
    TOLVANE_MIDI_VALUE(qint32, lastControlMessageValue2, setLastControlMessageValue2, 0)
    TOLVANE_MIDI_VALUE(qint64, lastSourceType, setLastSourceType, -1)
    TOLVANE_MIDI_VALUE(qint64, lastSourceVal1, setLastSourceVal1, -1)
    TOLVANE_MIDI_VALUE(qint64, lastSourceVal2, setLastSourceVal2, -1)
    TOLVANE_MIDI_VALUE(qint64, lastSourceVal3, setLastSourceVal3, -1)
    TOLVANE_MIDI_VALUE(qint32, nbLastEvents, setNbLastEvents, 0)

    TOLVANE_MIDI_DATE(timeLastMSB, initTimeLastMSB)
    TOLVANE_MIDI_DATE(timeLastLSB, initTimeLastLSB)
    TOLVANE_MIDI_DATE(timeLastProgramChange, initTimeLastProgramChange)
    TOLVANE_MIDI_DATE(timeLastControlMessage, initTimeLastControlMessage)
    TOLVANE_MIDI_DATE(timeLastMultiMessage, initTimeLastMultiMessage)
    TOLVANE_MIDI_DATE(timeLastLotEvents, initTimeLastLotEvents)
    TOLVANE_MIDI_DATE(timeLastProcessTrig, initTimeLastProcessTrig)

    // Tap ring: slot 0-7 stamped now (nbTapTempo becomes slot + 1); -1 stamps
    // all eight and empties the ring.
    static void initTimeLastTapTempo(qint32 slot);
    static double timeLastTapTempo(qint32 slot);
    static void setTimeLastTapTempo(qint32 slot, double time);

    // Learned lines and the last instruction text: edited in place under textMutex().
    static QString &lastEvents();
    static QString &lastTx();
    static std::recursive_mutex &textMutex();
    static void initLastEvents();
    static void initLastTx();
    static void setLastTx(const QString &text);

    // ---- Shared lists (main thread) -------------------------------------------------------
    static QList<platform::MidiEndpointRef> &MIDIendpoints();
    static QList<MidiDestPtr> &MIDIdestinations();
    static QList<MidiTrigPtr> &MIDItriggers();
    static QList<MidiFavEventPtr> &MIDIfav();
    static SongEvArray &MIDIfavEv();
    // A copy of the outgoing queue.
    static QList<MidiEvPtr> MIDIevents();

    // ---- Record tables (MidiTables.cpp) ------------------------------------------------------
    static void chargerDestinations();
    static void chargerTriggers();
    static void chargerFav();
    static void creerDestinations();
    static void creerTriggers();
    static void creerTriggersUsingTriggerSource(qint64 row);
    static void creerFav();
    static void supprimerDestinationsForIndex(qint64 row);
    static void supprimerTriggersForIndex(qint64 row);
    static void supprimerFavForIndex(qint64 row);
    // Each row takes its position as index and is written, then the count,
    // in one batch of user defaults (the settings windows' save).
    static void sauvegarderDestinations();
    static void sauvegarderTriggers();
    static void sauvegarderFav();
    // Input filters: which trigger types (1-6) on which channel (slot 0 any,
    // 1-16) and which note-off notes some trigger wants.
    static void refreshTrigFiltreChannel(qint64 type);
    static void refreshTrigFiltreNoteOff();
    static bool trigFiltreChannel(qint64 type, qint64 slot);
    static bool trigFiltreNoteOff(qint64 note);

    // ---- Output (MidiOutput.cpp) ---------------------------------------------------------------
    static void sendStatus(quint8 status, quint8 data1, quint8 data2, int nbByte, qint32 destUID, bool forcer);
    static void sendSysex(const QByteArray &packet, qint32 destUID, bool forcer);
    static void sendSysexCoarseTune(quint8 status, quint8 data1, quint8 data2, int nbByte, qint32 destUID,
                                    bool forcer);
    static void keepMidiEvent(const platform::MidiPacketList &packetList, qint32 destUID, bool forcer);
    // Starts draining the queue, one event every midiDelay seconds; a call
    // while a drain runs changes nothing.
    static void processMidiEvents();
    static void processOneMidiEvent();
    // Real-time byte at once to "Quillory IN" and to every clock destination; any thread.
    static void sendClock(quint8 status);
    // The tick note to every tick destination whose rule allows this beat; any thread.
    static void sendTick(int ignored);
    // Numeric keypad (or Shift with a main-row digit) as a MIDI note to
    // "Quillory IN"; true when the key was consumed.
    static bool isKeynToMIDI(const platform::KeyEvent &event, bool sansVerif);
    static void sendKeyn(int note);
    static void lancerRefreshPauseFalse();
    static void refreshPausedFalse();
    static void lancerSendingMidiFalse();
    static void sendingMidiFalse();

    // ---- Instruction text (MidiSend.cpp) -----------------------------------------------------
    // Queues the messages of every instruction in the text. fromInstruction
    // names the event group whose text this is ("" at top level).
    static void sendMIDIfromString(const QString &text, const QString &fromInstruction, bool forcer);
    // Queues the group's events (its own name guards it from calling itself).
    static void sendFav(const MidiFavEventPtr &group, bool forcer);
    // Kinds: 0 program change, 1 control change, 2 coarse tuning, 3 SysEx, 4 note.
    static void sendMidiMessage(int kind, int val, int val2, const QString &channelX, const QByteArray &packet,
                                bool forcer);
    static QString obtenirChannelID(int channel, platform::MidiEndpointRef sourceRef);
    static QString obtenirChaineJusquaBlanc(const QString &text);
    // Completions of the partial word [start, start + length) of a note's
    // text from the live names (MidiCompletion.cpp); empty for none. Asking
    // twice in a row for the same word offers nothing the second time.
    static QStringList completeNote(const QString &text, qsizetype start, qsizetype length, bool midiCompletionOnly);

    // ---- Input, triggers and trigger actions ----
    // (MidiInput.cpp) Installs the packet walk as the read callback's handler
    // and empties the trigger queues; called by iniMidi.
    static void startInput();
    // The packet walk of one received list (receive thread): external clock,
    // last received values and learned lines, learn and monitor capture,
    // trigger candidates.
    static void readPacketList(const platform::MidiPacketList &packets, platform::MidiEndpointRef source);
    // One tap of the tap tempo; sets the tempo from the ring (at most 300).
    static void keepTapTempo();
    static void calculateTapTempo();
    // The date of tap slot 1-7, or of slot 0 for any other number.
    static double obtenirTimeLastTapTempo(qint32 slot);
    // The metronome display of every document window, on the main thread; any thread.
    static void updateMetroWithNbTickX(qint64 nbTick, bool masquer, bool reset);
    // The end of a count-in with a genre to play; any thread.
    static void demarrerMuteTimer();

    // (MidiTrigQueue.cpp) Received candidates, taken on the main thread one
    // at a time in arrival order, each processed outside the queue's lock.
    static void keepMidiTrigInForSourceRef(platform::MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                           qint64 sourceVal1, qint64 sourceVal2, qint64 sourceVal3);
    static void processMidiTrigIn();
    static void processOneMidiTrigIn();
    static qsizetype nbMidiTrigIn();
    static void listMidiTrigIn();
    // Note hold (main thread): a watched note gives a held candidate (6) after
    // a second, or a short-press candidate (7) when released sooner.
    static void keepMidiTrigInHoldForSourceRef(platform::MidiEndpointRef sourceRef, qint64 channel,
                                               qint64 sourceType, qint64 sourceVal1, qint64 sourceVal2,
                                               qint64 sourceVal3);
    static void forceMidiTrigInHoldForSourceRef(platform::MidiEndpointRef sourceRef, qint64 channel,
                                                qint64 sourceType, qint64 sourceVal1, qint64 sourceVal2,
                                                qint64 sourceVal3);
    static void processMidiTrigInHold();
    static void processOneMidiTrigInHold();
    static qsizetype nbMidiTrigInHold();
    static bool isExistsMidiTrigInHoldForSourceRef(platform::MidiEndpointRef sourceRef, qint64 channel,
                                                   qint64 sourceType, qint64 sourceVal1, qint64 sourceVal2,
                                                   qint64 sourceVal3);
    // Some trigger accepts this source and channel and has this type and first value.
    static bool isExistsMidiTrigForSourceRef(platform::MidiEndpointRef sourceRef, qint64 channel, qint64 sourceType,
                                             qint64 sourceVal1);

private:
    friend class MidiEv;
    static void sendInstructionText(const QString &text, const QStringList &chain, bool forcer);
    static void scheduleDrainStep(double delay);
    // Empties the outgoing queue and forgets a drain in progress (set-up).
    static void resetQueue();
};

#undef TOLVANE_MIDI_VALUE
#undef TOLVANE_MIDI_DATE
