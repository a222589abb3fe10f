#pragma once

#include <QByteArray>
#include <QtGlobal>

// MIDI bytes the engine sends, as plain functions: no engine state, no device.
namespace midibytes {

inline constexpr int kMaxPacket = 256; // bytes of one queued packet

inline constexpr quint8 NoteOff = 0x80;
inline constexpr quint8 NoteOn = 0x90;
inline constexpr quint8 ControlChange = 0xB0;
inline constexpr quint8 ProgramChange = 0xC0;
inline constexpr quint8 SysExStart = 0xF0;
inline constexpr quint8 SysExEnd = 0xF7;
inline constexpr quint8 Clock = 0xF8;
inline constexpr quint8 Start = 0xFA;
inline constexpr quint8 Continue = 0xFB;
inline constexpr quint8 Stop = 0xFC;

inline bool isDataByte(qint64 value) { return value >= 0 && value <= 127; }

// Status then data 1 (length 2 or more) then data 2 (length 3); empty when
// the length is not 1-3.
QByteArray channelMessage(quint8 status, quint8 data1, quint8 data2, int nbByte);
// Universal real-time master coarse tuning: F0 7F 7F 04 04 00 value F7.
QByteArray coarseTuneSysex(quint8 value);
// F0 ... F7 with only data bytes between, within one packet.
bool isSendableSysex(const QByteArray &bytes);

// General MIDI percussion key of a tick sound setting 1-15; -1 for any other.
int tickNote(qint64 setting);
// Whether a tick destination with that audibility rule sounds on this beat.
bool tickAudible(qint64 audible, bool metroSound, bool countSkip, qint64 beat);

// The note a key sends when keys play MIDI, or -1 when the key is not one of
// them (it is then not consumed). keyCode and modifierFlags as platform::KeyEvent.
int keyToMidiNote(quint16 keyCode, quint64 modifierFlags, bool keyPadToMidi, bool onScreenKeyPad, bool sansVerif);

} // namespace midibytes
