#pragma once

#include <QString>
#include <QtGlobal>
#include <Qt>

class QKeyEvent;

// Key handlers are written against the standard Mac keyboard's virtual key
// codes (positions on a US keyboard) and modifier flags. This is the one
// place where Qt key events become those codes: Command is Ctrl, Option is
// Alt, Control is Meta, and keypad keys carry the numeric-pad flag.
namespace platform {

namespace keyflag {
inline constexpr quint64 CapsLock = 1ull << 16;
inline constexpr quint64 Shift = 1ull << 17;
inline constexpr quint64 Control = 1ull << 18;
inline constexpr quint64 Option = 1ull << 19;
inline constexpr quint64 Command = 1ull << 20;
inline constexpr quint64 NumericPad = 1ull << 21;
inline constexpr quint64 Function = 1ull << 23;
inline constexpr quint64 DeviceIndependentMask = 0xffff0000ull;
} // namespace keyflag

namespace keycode {
// Letters and digits by their position on a US keyboard.
inline constexpr quint16 A = 0, S = 1, D = 2, F = 3, H = 4, G = 5, Z = 6, X = 7, C = 8, V = 9;
inline constexpr quint16 IsoSection = 10;
inline constexpr quint16 B = 11, Q = 12, W = 13, E = 14, R = 15, Y = 16, T = 17;
inline constexpr quint16 Digit1 = 18, Digit2 = 19, Digit3 = 20, Digit4 = 21, Digit6 = 22, Digit5 = 23;
inline constexpr quint16 Equal = 24, Digit9 = 25, Digit7 = 26, Minus = 27, Digit8 = 28, Digit0 = 29;
inline constexpr quint16 RightBracket = 30, O = 31, U = 32, LeftBracket = 33, I = 34, P = 35;
inline constexpr quint16 Return = 36, L = 37, J = 38, Quote = 39, K = 40, Semicolon = 41, Backslash = 42;
inline constexpr quint16 Comma = 43, Slash = 44, N = 45, M = 46, Period = 47, Tab = 48, Space = 49;
inline constexpr quint16 Grave = 50, Delete = 51, Escape = 53;
inline constexpr quint16 RightCommand = 54, Command = 55, Shift = 56, CapsLock = 57, Option = 58, Control = 59;
inline constexpr quint16 RightShift = 60, RightOption = 61, RightControl = 62, Function = 63, F17 = 64;
inline constexpr quint16 KeypadDecimal = 65, KeypadMultiply = 67, KeypadPlus = 69, KeypadClear = 71;
inline constexpr quint16 VolumeUp = 72, VolumeDown = 73, Mute = 74;
inline constexpr quint16 KeypadDivide = 75, KeypadEnter = 76, KeypadMinus = 78, F18 = 79, F19 = 80;
inline constexpr quint16 KeypadEquals = 81, Keypad0 = 82, Keypad1 = 83, Keypad2 = 84, Keypad3 = 85;
inline constexpr quint16 Keypad4 = 86, Keypad5 = 87, Keypad6 = 88, Keypad7 = 89, F20 = 90, Keypad8 = 91;
inline constexpr quint16 Keypad9 = 92;
inline constexpr quint16 F5 = 96, F6 = 97, F7 = 98, F3 = 99, F8 = 100, F9 = 101, F11 = 103, F13 = 105;
inline constexpr quint16 F16 = 106, F14 = 107, F10 = 109, F12 = 111, F15 = 113;
inline constexpr quint16 Help = 114, Home = 115, PageUp = 116, ForwardDelete = 117, F4 = 118, End = 119;
inline constexpr quint16 F2 = 120, PageDown = 121, F1 = 122;
inline constexpr quint16 LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126;
// A key with no place on the Mac keyboard.
inline constexpr quint16 Unknown = 0xffff;
} // namespace keycode

// The program's quit key, whatever the desktop's key scheme holds for quitting.
inline constexpr QKeyCombination QuitKey(Qt::ControlModifier, Qt::Key_Q);

// One key press as the key handlers see it.
struct KeyEvent {
    quint16 keyCode = keycode::Unknown;
    quint64 modifierFlags = 0;
    QString characters;                   // what the key types, modifiers applied
    QString charactersIgnoringModifiers;  // as if no modifier but Shift were held

    bool shift() const { return modifierFlags & keyflag::Shift; }
    bool control() const { return modifierFlags & keyflag::Control; }
    bool option() const { return modifierFlags & keyflag::Option; }
    bool command() const { return modifierFlags & keyflag::Command; }
    bool numericPad() const { return modifierFlags & keyflag::NumericPad; }

    // From a Qt key event (native scan codes are used where the platform
    // gives evdev codes, so punctuation keeps its place on any layout).
    static KeyEvent fromQt(const QKeyEvent &event);
    // The same from the event's parts; scanCode is an evdev code plus 8 (as
    // X11 and Wayland report it), 0 when unknown.
    static KeyEvent fromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString &text, quint32 scanCode = 0);
};

// Mac modifier flags from Qt modifiers, and back.
quint64 modifierFlagsFromQt(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers qtModifiersFromFlags(quint64 flags);

// The virtual key code of a Qt key (with the keypad modifier choosing the
// keypad's keys); Unknown when the key has no place on the Mac keyboard.
quint16 keyCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);
// The virtual key code of a key by its evdev scan code plus 8; Unknown if none.
quint16 keyCodeFromScanCode(quint32 scanCode);
// The Qt key that a US keyboard sends for a virtual key code (unshifted),
// with Qt::KeypadModifier in *keypad for keypad keys; Qt::Key_unknown if none.
int qtKeyFromKeyCode(quint16 keyCode, Qt::KeyboardModifiers *keypad = nullptr);

// A Qt key press for a virtual key code and Mac modifier flags, as a US
// keyboard would send it, so that tests can press keys by their Mac codes.
QKeyEvent makeQtKeyEvent(quint16 keyCode, quint64 modifierFlags);

} // namespace platform
