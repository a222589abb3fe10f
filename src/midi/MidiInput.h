#pragma once

#include "platform/MidiSystem.h"

#include <QList>
#include <QtGlobal>
#include <functional>

// Reading received MIDI bytes, free of engine state: the packet walk and the
// tap-tempo arithmetic.
namespace midiin {

// One complete message as it stood in a packet (data bytes are 0-127).
struct Message {
    quint8 status = 0;
    quint8 data1 = 0;
    quint8 data2 = 0;
    int length = 1; // bytes, the status included

    quint8 kind() const { return status & 0xF0; }
    int channel() const { return status & 0x0F; }
    bool operator==(const Message &o) const
    {
        return status == o.status && data1 == o.data1 && data2 == o.data2 && length == o.length;
    }
};

inline bool isRealTime(quint8 byte) { return byte >= 0xF8; }

// Bytes of the message a status byte starts (MIDI 1.0); 0 for a data byte
// and for SysEx, whose length is its own.
int messageLength(quint8 status);

// Walks a packet list message by message, handing each complete one to visit
// in arrival order. A real-time byte is handed over where it stands and the
// walk goes on; a message cut short by the packet's end or by another status
// byte is dropped; data bytes with no status before them and SysEx contents
// (which may span packets of the list) are passed over.
void walkPacketList(const platform::MidiPacketList &packets, const std::function<void(const Message &)> &visit);

// The tempo from tap times (seconds), oldest first: 60 over the mean interval,
// rounded, at most kMaxTapTempo. Fewer than two taps: 0.
inline constexpr qint64 kMaxTapTempo = 300;
qint64 tapTempo(const QList<double> &taps);

} // namespace midiin
