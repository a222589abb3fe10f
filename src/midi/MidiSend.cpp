#include "midi/Midi.h"

#include "midi/MidiInstruction.h"

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
    sendInstructionText(group->favEventTx, QStringList{group->favEventID.toUpper()}, forcer);
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
            sendInstructionText(group->favEventTx, chain + QStringList{item.groupName}, forcer);
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
