#include "midi/Midi.h"

#include "events/EventScript.h"
#include "library/Data.h"
#include "midi/MidiInstruction.h"

namespace {

// The MIDI texts of an event-library group: its script is read as a song's
// events are, so a message that happens to hold "@" is never sent as MIDI.
QStringList midiTextsOfGroup(const QString &script)
{
    SongEvArray events;
    // The loader passes over a text's first line (a note's title line): a group has none.
    Data::chargerSongEventsFromString(QStringLiteral("\n") + script, false, events);
    QStringList texts;
    for (const SongEvPtr &ev : std::as_const(events))
        if (ev && (ev->evType == eventscript::EvMidi || ev->evType == eventscript::EvMidiGroup)
            && !ev->actionTxt.isEmpty())
            texts.append(ev->actionTxt);
    return texts;
}

} // namespace

void Midi::sendMIDIfromString(const QString &text, const QString &fromInstruction, bool forcer)
{
    QStringList chain;
    if (!fromInstruction.isEmpty())
        chain.append(fromInstruction.toUpper());
    sendInstructionText(text, chain, forcer);
}

void Midi::sendFav(const MidiFavEventPtr &group, bool forcer)
{
    if (!group || !group->envoyerFav())
        return;
    const QStringList chain{group->favEventID.toUpper()};
    for (const QString &text : midiTextsOfGroup(group->favEventTx))
        sendInstructionText(text, chain, forcer);
}

void Midi::sendInstructionText(const QString &text, const QStringList &chain, bool forcer)
{
    if (!midiOk())
        return;
    for (const midiinstr::Item &item : midiinstr::scanText(text)) {
        if (!item.isGroupCall) {
            for (const midiinstr::Message &m : item.messages)
                sendMidiMessage(m.kind, m.val, m.val2, m.dest, m.packet, forcer);
            continue;
        }
        // Before, only the group being sent was skipped: groups naming each
        // other in a ring sent one another until the program ran out of stack.
        if (chain.contains(item.groupName))
            continue;
        const QList<MidiFavEventPtr> groups = MIDIfav(); // a copy: a group may be edited meanwhile
        for (const MidiFavEventPtr &group : groups) {
            if (!group || group->favEventID.toUpper() != item.groupName || !group->envoyerFav())
                continue;
            const QStringList inner = chain + QStringList{item.groupName};
            for (const QString &groupText : midiTextsOfGroup(group->favEventTx))
                sendInstructionText(groupText, inner, forcer);
        }
    }
}

void Midi::sendMidiMessage(int kind, int val, int val2, const QString &channelX, const QByteArray &packet, bool forcer)
{
    if (!midiOk())
        return;
    midiinstr::Message m;
    m.kind = kind;
    m.val = val;
    m.val2 = val2;
    m.dest = channelX;
    m.packet = packet;
    for (const midiinstr::Outgoing &out : midiinstr::resolve(m, MIDIdestinations()))
        keepMidiEvent(platform::MidiPacketList{platform::MidiPacket{0, out.bytes}}, out.destUID, forcer);
}

QString Midi::obtenirChannelID(int channel, platform::MidiEndpointRef sourceRef)
{
    return midiinstr::channelIdFor(channel, sourceRef != 0, sourceRef != 0 ? MIDIgetUniqueID(sourceRef) : 0,
                                   MIDIdestinations());
}

QString Midi::obtenirChaineJusquaBlanc(const QString &text) { return midiinstr::chaineJusquaBlanc(text); }
