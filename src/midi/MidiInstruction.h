#pragma once

#include "midi/MidiRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The text MIDI instructions that performers write in notes, event groups,
// trigger and key actions: "17@Synth", "2.5:17@Ch1", "CC7:100@Ch1",
// "N60:100@0", "CT+2@All", "TR-3@Ch2", "SYSEX F0 43 10 4C F7@Ch1",
// "MIDI groupName". Scanning and destination resolution are pure; the engine
// (Midi) queues what they produce.
namespace midiinstr {

// The kinds of Midi::sendMidiMessage.
enum Kind : int { ProgramChange = 0, ControlChange = 1, CoarseTune = 2, SysEx = 3, Note = 4 };

// One message of an instruction, before its destination is resolved.
struct Message {
    int kind = ProgramChange;
    int val = 0;
    int val2 = 0;
    QString dest;      // the text after "@"
    QByteArray packet; // SysEx bytes
};

// What the scan finds, in text order: an instruction's messages, or a call of
// an event group by name (upper-cased).
struct Item {
    bool isGroupCall = false;
    QString groupName;
    QList<Message> messages;
};

// Blank or line end: what ends a destination text, a group name or a number walk.
bool isBlank(QChar c);
// The text up to its first blank or line end, or the whole text.
QString chaineJusquaBlanc(const QString &text);

// The program-change instruction before its "@": "m.l:p", "l:p", "m.:p" or
// "p". An empty field is left out, so no bank byte is sent that was not given.
QString programText(const QString &msb, const QString &lsb, const QString &program);
// The same from received values; a negative bank value was not received.
QString programText(qint64 msb, qint64 lsb, qint64 program);

// Every instruction and group call of a text. An instruction whose numbers do
// not fit their MIDI field yields nothing, and so does a SysEx that is not one
// well-formed message of at most 256 bytes.
QList<Item> scanText(const QString &text);

// One outgoing packet: bytes and the unique identifier of the one destination
// to reach (0: every destination).
struct Outgoing {
    QByteArray bytes;
    qint32 destUID = 0;
};

// The packets of one message for its destination text: a channel number "0"
// to "15" reaches that channel on every destination; otherwise the first row
// named so (ignoring case) decides devices and channels. Empty when nothing is
// to be sent (no such row, send type 1, a channel or value out of range).
QList<Outgoing> resolve(const Message &message, const QList<MidiDestPtr> &destinations);

// The destination text that names a received message's channel (0-15) and
// source: the row for that source and channel, else a row for that source on
// all channels, else the channel number. hasSource false: the channel number.
QString channelIdFor(int channel, bool hasSource, qint64 sourceUID, const QList<MidiDestPtr> &destinations);

} // namespace midiinstr
