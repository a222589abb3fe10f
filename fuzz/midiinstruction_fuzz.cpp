// MIDI instruction text as performers write it in notes, groups, triggers and
// key actions: any text. Whatever it holds, what goes out is whole MIDI
// messages: a status byte first and only data bytes after it (a SysEx ends in F7).
#include "FuzzSupport.h"

#include "midi/MidiInstruction.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzsupport::bytes(data, size));

    QList<MidiDestPtr> rows = firstRunDestinations();
    // A row damaged in user defaults must not make a status byte either.
    auto broken = std::make_shared<MidiDest>(17);
    broken->idDest = QStringLiteral("Broken");
    broken->channel = size > 0 ? qint64(data[0]) - 100 : 99;
    rows.append(broken);

    for (const midiinstr::Item &item : midiinstr::scanText(text)) {
        if (item.isGroupCall && item.groupName.isEmpty())
            std::abort();
        for (const midiinstr::Message &m : item.messages) {
            for (const midiinstr::Outgoing &out : midiinstr::resolve(m, rows)) {
                const QByteArray &b = out.bytes;
                if (b.isEmpty() || b.size() > 256 || quint8(b[0]) < 0x80)
                    std::abort();
                const bool sysex = quint8(b[0]) == 0xF0;
                for (qsizetype k = 1; k < b.size(); ++k)
                    if (quint8(b[k]) > 0x7F && !(sysex && k == b.size() - 1 && quint8(b[k]) == 0xF7))
                        std::abort();
            }
        }
    }
    midiinstr::channelIdFor(size > 1 ? data[1] % 16 : 0, size > 2 && (data[2] & 1), size, rows);
    return 0;
}
