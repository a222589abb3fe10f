#include "midi/MidiBytes.h"

#include "platform/Keys.h"

#include <array>

namespace midibytes {

QByteArray channelMessage(quint8 status, quint8 data1, quint8 data2, int nbByte)
{
    if (nbByte < 1 || nbByte > 3)
        return {};
    QByteArray bytes;
    bytes.append(char(status));
    if (nbByte >= 2)
        bytes.append(char(data1));
    if (nbByte == 3)
        bytes.append(char(data2));
    return bytes;
}

QByteArray coarseTuneSysex(quint8 value)
{
    const char bytes[] = {char(0xF0), 0x7F, 0x7F, 0x04, 0x04, 0x00, char(value), char(0xF7)};
    return QByteArray(bytes, sizeof bytes);
}

bool isSendableSysex(const QByteArray &bytes)
{
    if (bytes.size() < 2 || bytes.size() > kMaxPacket)
        return false;
    if (quint8(bytes.front()) != SysExStart || quint8(bytes.back()) != SysExEnd)
        return false;
    for (qsizetype i = 1; i + 1 < bytes.size(); ++i)
        if (quint8(bytes[i]) > 0x7F)
            return false;
    return true;
}

int tickNote(qint64 setting)
{
    static constexpr std::array<int, 15> notes{37, 76, 77, 35, 56, 32, 39, 42, 44, 54, 62, 69, 70, 75, 80};
    return setting >= 1 && setting <= 15 ? notes[std::size_t(setting - 1)] : -1;
}

bool tickAudible(qint64 audible, bool metroSound, bool countSkip, qint64 beat)
{
    switch (audible) {
    case 0: return metroSound && !countSkip;
    case 1: return true;
    case 3: return beat < 5;
    case 4: return beat >= 5 && beat <= 8;
    default: return false;
    }
}

int keyToMidiNote(quint16 keyCode, quint64 modifierFlags, bool keyPadToMidi, bool onScreenKeyPad, bool sansVerif)
{
    using namespace platform::keycode;
    const bool shift = modifierFlags & platform::keyflag::Shift;
    const bool held = shift || (modifierFlags & (platform::keyflag::Option | platform::keyflag::Command));
    if (keyPadToMidi && !held) {
        switch (keyCode) {
        case KeypadClear: case KeypadDivide: case KeypadMultiply: case KeypadMinus: case KeypadPlus:
        case Keypad7: case Keypad8: case Keypad9: case Keypad4: case Keypad5: case Keypad6:
        case Keypad1: case KeypadEnter: case Keypad0: case KeypadDecimal:
            return keyCode;
        // The on-screen key pad uses 2 and 3 itself unless the caller takes every key.
        case Keypad2: case Keypad3:
            return sansVerif || !onScreenKeyPad ? keyCode : -1;
        default: break;
        }
    } else if (shift) {
        switch (keyCode) {
        case Digit1: case Digit2: case Digit3: case Digit4: case Digit5:
        case Digit6: case Digit7: case Digit8: case Digit9: case Digit0:
            return keyCode;
        default: break;
        }
    }
    return -1;
}

} // namespace midibytes
