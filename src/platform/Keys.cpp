#include "platform/Keys.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <array>

namespace platform {

namespace {

using namespace keycode;

// One physical key: its Mac code, what a US layout types with and without
// Shift (as Qt keys), its Linux evdev code, whether it sits on the keypad,
// and the character a Mac reports for keys that type none of their own.
struct KeyRow {
    quint16 code;
    int qtKey;
    int shiftedQtKey;
    quint16 evdev;
    bool keypad;
    char16_t macChar;
};

// Linux evdev codes name the keys of a PC keyboard by their USB usage, as
// the Mac codes do, so the ISO key beside left Shift (KEY_102ND) is the Mac
// ISO section key and the key left of 1 is the grave accent key.
constexpr std::array kKeys = {
    KeyRow{A, Qt::Key_A, Qt::Key_A, 30, false, 0},
    KeyRow{S, Qt::Key_S, Qt::Key_S, 31, false, 0},
    KeyRow{D, Qt::Key_D, Qt::Key_D, 32, false, 0},
    KeyRow{F, Qt::Key_F, Qt::Key_F, 33, false, 0},
    KeyRow{H, Qt::Key_H, Qt::Key_H, 35, false, 0},
    KeyRow{G, Qt::Key_G, Qt::Key_G, 34, false, 0},
    KeyRow{Z, Qt::Key_Z, Qt::Key_Z, 44, false, 0},
    KeyRow{X, Qt::Key_X, Qt::Key_X, 45, false, 0},
    KeyRow{C, Qt::Key_C, Qt::Key_C, 46, false, 0},
    KeyRow{V, Qt::Key_V, Qt::Key_V, 47, false, 0},
    KeyRow{IsoSection, Qt::Key_section, Qt::Key_plusminus, 86, false, 0},
    KeyRow{B, Qt::Key_B, Qt::Key_B, 48, false, 0},
    KeyRow{Q, Qt::Key_Q, Qt::Key_Q, 16, false, 0},
    KeyRow{W, Qt::Key_W, Qt::Key_W, 17, false, 0},
    KeyRow{E, Qt::Key_E, Qt::Key_E, 18, false, 0},
    KeyRow{R, Qt::Key_R, Qt::Key_R, 19, false, 0},
    KeyRow{Y, Qt::Key_Y, Qt::Key_Y, 21, false, 0},
    KeyRow{T, Qt::Key_T, Qt::Key_T, 20, false, 0},
    KeyRow{Digit1, Qt::Key_1, Qt::Key_Exclam, 2, false, 0},
    KeyRow{Digit2, Qt::Key_2, Qt::Key_At, 3, false, 0},
    KeyRow{Digit3, Qt::Key_3, Qt::Key_NumberSign, 4, false, 0},
    KeyRow{Digit4, Qt::Key_4, Qt::Key_Dollar, 5, false, 0},
    KeyRow{Digit6, Qt::Key_6, Qt::Key_AsciiCircum, 7, false, 0},
    KeyRow{Digit5, Qt::Key_5, Qt::Key_Percent, 6, false, 0},
    KeyRow{Equal, Qt::Key_Equal, Qt::Key_Plus, 13, false, 0},
    KeyRow{Digit9, Qt::Key_9, Qt::Key_ParenLeft, 10, false, 0},
    KeyRow{Digit7, Qt::Key_7, Qt::Key_Ampersand, 8, false, 0},
    KeyRow{Minus, Qt::Key_Minus, Qt::Key_Underscore, 12, false, 0},
    KeyRow{Digit8, Qt::Key_8, Qt::Key_Asterisk, 9, false, 0},
    KeyRow{Digit0, Qt::Key_0, Qt::Key_ParenRight, 11, false, 0},
    KeyRow{RightBracket, Qt::Key_BracketRight, Qt::Key_BraceRight, 27, false, 0},
    KeyRow{O, Qt::Key_O, Qt::Key_O, 24, false, 0},
    KeyRow{U, Qt::Key_U, Qt::Key_U, 22, false, 0},
    KeyRow{LeftBracket, Qt::Key_BracketLeft, Qt::Key_BraceLeft, 26, false, 0},
    KeyRow{I, Qt::Key_I, Qt::Key_I, 23, false, 0},
    KeyRow{P, Qt::Key_P, Qt::Key_P, 25, false, 0},
    KeyRow{Return, Qt::Key_Return, Qt::Key_Return, 28, false, u'\r'},
    KeyRow{L, Qt::Key_L, Qt::Key_L, 38, false, 0},
    KeyRow{J, Qt::Key_J, Qt::Key_J, 36, false, 0},
    KeyRow{Quote, Qt::Key_Apostrophe, Qt::Key_QuoteDbl, 40, false, 0},
    KeyRow{K, Qt::Key_K, Qt::Key_K, 37, false, 0},
    KeyRow{Semicolon, Qt::Key_Semicolon, Qt::Key_Colon, 39, false, 0},
    KeyRow{Backslash, Qt::Key_Backslash, Qt::Key_Bar, 43, false, 0},
    KeyRow{Comma, Qt::Key_Comma, Qt::Key_Less, 51, false, 0},
    KeyRow{Slash, Qt::Key_Slash, Qt::Key_Question, 53, false, 0},
    KeyRow{N, Qt::Key_N, Qt::Key_N, 49, false, 0},
    KeyRow{M, Qt::Key_M, Qt::Key_M, 50, false, 0},
    KeyRow{Period, Qt::Key_Period, Qt::Key_Greater, 52, false, 0},
    KeyRow{Tab, Qt::Key_Tab, Qt::Key_Backtab, 15, false, u'\t'},
    KeyRow{Space, Qt::Key_Space, Qt::Key_Space, 57, false, 0},
    KeyRow{Grave, Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, 41, false, 0},
    KeyRow{Delete, Qt::Key_Backspace, Qt::Key_Backspace, 14, false, 0x7f},
    KeyRow{Escape, Qt::Key_Escape, Qt::Key_Escape, 1, false, 0x1b},
    KeyRow{keycode::Command, Qt::Key_Control, Qt::Key_Control, 29, false, 0},
    KeyRow{RightCommand, Qt::Key_Control, Qt::Key_Control, 97, false, 0},
    KeyRow{keycode::Shift, Qt::Key_Shift, Qt::Key_Shift, 42, false, 0},
    KeyRow{keycode::CapsLock, Qt::Key_CapsLock, Qt::Key_CapsLock, 58, false, 0},
    KeyRow{keycode::Option, Qt::Key_Alt, Qt::Key_Alt, 56, false, 0},
    KeyRow{keycode::Control, Qt::Key_Meta, Qt::Key_Meta, 125, false, 0},
    KeyRow{RightShift, Qt::Key_Shift, Qt::Key_Shift, 54, false, 0},
    KeyRow{RightOption, Qt::Key_AltGr, Qt::Key_AltGr, 100, false, 0},
    KeyRow{RightControl, Qt::Key_Meta, Qt::Key_Meta, 126, false, 0},
    KeyRow{F17, Qt::Key_F17, Qt::Key_F17, 187, false, 0xF714},
    KeyRow{KeypadDecimal, Qt::Key_Period, Qt::Key_Period, 83, true, 0},
    KeyRow{KeypadMultiply, Qt::Key_Asterisk, Qt::Key_Asterisk, 55, true, 0},
    KeyRow{KeypadPlus, Qt::Key_Plus, Qt::Key_Plus, 78, true, 0},
    KeyRow{KeypadClear, Qt::Key_NumLock, Qt::Key_NumLock, 69, true, 0xF739},
    KeyRow{VolumeUp, Qt::Key_VolumeUp, Qt::Key_VolumeUp, 115, false, 0},
    KeyRow{VolumeDown, Qt::Key_VolumeDown, Qt::Key_VolumeDown, 114, false, 0},
    KeyRow{Mute, Qt::Key_VolumeMute, Qt::Key_VolumeMute, 113, false, 0},
    KeyRow{KeypadDivide, Qt::Key_Slash, Qt::Key_Slash, 98, true, 0},
    KeyRow{KeypadEnter, Qt::Key_Enter, Qt::Key_Enter, 96, true, 0x03},
    KeyRow{KeypadMinus, Qt::Key_Minus, Qt::Key_Minus, 74, true, 0},
    KeyRow{F18, Qt::Key_F18, Qt::Key_F18, 188, false, 0xF715},
    KeyRow{F19, Qt::Key_F19, Qt::Key_F19, 189, false, 0xF716},
    KeyRow{KeypadEquals, Qt::Key_Equal, Qt::Key_Equal, 117, true, 0},
    KeyRow{Keypad0, Qt::Key_0, Qt::Key_0, 82, true, 0},
    KeyRow{Keypad1, Qt::Key_1, Qt::Key_1, 79, true, 0},
    KeyRow{Keypad2, Qt::Key_2, Qt::Key_2, 80, true, 0},
    KeyRow{Keypad3, Qt::Key_3, Qt::Key_3, 81, true, 0},
    KeyRow{Keypad4, Qt::Key_4, Qt::Key_4, 75, true, 0},
    KeyRow{Keypad5, Qt::Key_5, Qt::Key_5, 76, true, 0},
    KeyRow{Keypad6, Qt::Key_6, Qt::Key_6, 77, true, 0},
    KeyRow{Keypad7, Qt::Key_7, Qt::Key_7, 71, true, 0},
    KeyRow{F20, Qt::Key_F20, Qt::Key_F20, 190, false, 0xF717},
    KeyRow{Keypad8, Qt::Key_8, Qt::Key_8, 72, true, 0},
    KeyRow{Keypad9, Qt::Key_9, Qt::Key_9, 73, true, 0},
    KeyRow{F5, Qt::Key_F5, Qt::Key_F5, 63, false, 0xF708},
    KeyRow{F6, Qt::Key_F6, Qt::Key_F6, 64, false, 0xF709},
    KeyRow{F7, Qt::Key_F7, Qt::Key_F7, 65, false, 0xF70A},
    KeyRow{F3, Qt::Key_F3, Qt::Key_F3, 61, false, 0xF706},
    KeyRow{F8, Qt::Key_F8, Qt::Key_F8, 66, false, 0xF70B},
    KeyRow{F9, Qt::Key_F9, Qt::Key_F9, 67, false, 0xF70C},
    KeyRow{F11, Qt::Key_F11, Qt::Key_F11, 87, false, 0xF70E},
    KeyRow{F13, Qt::Key_F13, Qt::Key_F13, 183, false, 0xF710},
    KeyRow{F16, Qt::Key_F16, Qt::Key_F16, 186, false, 0xF713},
    KeyRow{F14, Qt::Key_F14, Qt::Key_F14, 184, false, 0xF711},
    KeyRow{F10, Qt::Key_F10, Qt::Key_F10, 68, false, 0xF70D},
    KeyRow{F12, Qt::Key_F12, Qt::Key_F12, 88, false, 0xF70F},
    KeyRow{F15, Qt::Key_F15, Qt::Key_F15, 185, false, 0xF712},
    KeyRow{Help, Qt::Key_Insert, Qt::Key_Insert, 110, false, 0xF746},
    KeyRow{Home, Qt::Key_Home, Qt::Key_Home, 102, false, 0xF729},
    KeyRow{PageUp, Qt::Key_PageUp, Qt::Key_PageUp, 104, false, 0xF72C},
    KeyRow{ForwardDelete, Qt::Key_Delete, Qt::Key_Delete, 111, false, 0xF728},
    KeyRow{F4, Qt::Key_F4, Qt::Key_F4, 62, false, 0xF707},
    KeyRow{End, Qt::Key_End, Qt::Key_End, 107, false, 0xF72B},
    KeyRow{F2, Qt::Key_F2, Qt::Key_F2, 60, false, 0xF705},
    KeyRow{PageDown, Qt::Key_PageDown, Qt::Key_PageDown, 109, false, 0xF72D},
    KeyRow{F1, Qt::Key_F1, Qt::Key_F1, 59, false, 0xF704},
    KeyRow{LeftArrow, Qt::Key_Left, Qt::Key_Left, 105, false, 0xF702},
    KeyRow{RightArrow, Qt::Key_Right, Qt::Key_Right, 106, false, 0xF703},
    KeyRow{DownArrow, Qt::Key_Down, Qt::Key_Down, 108, false, 0xF701},
    KeyRow{UpArrow, Qt::Key_Up, Qt::Key_Up, 103, false, 0xF700},
};

// With Num Lock off the keypad sends navigation keys; a Mac keypad has no
// Num Lock, so those still name the keypad's keys.
struct KeypadAlias {
    int qtKey;
    quint16 code;
};
constexpr std::array kKeypadAliases = {
    KeypadAlias{Qt::Key_Insert, Keypad0},   KeypadAlias{Qt::Key_End, Keypad1},
    KeypadAlias{Qt::Key_Down, Keypad2},     KeypadAlias{Qt::Key_PageDown, Keypad3},
    KeypadAlias{Qt::Key_Left, Keypad4},     KeypadAlias{Qt::Key_Clear, Keypad5},
    KeypadAlias{Qt::Key_Right, Keypad6},    KeypadAlias{Qt::Key_Home, Keypad7},
    KeypadAlias{Qt::Key_Up, Keypad8},       KeypadAlias{Qt::Key_PageUp, Keypad9},
    KeypadAlias{Qt::Key_Delete, KeypadDecimal}, KeypadAlias{Qt::Key_Comma, KeypadDecimal},
    KeypadAlias{Qt::Key_Return, KeypadEnter},
};

const KeyRow *rowForCode(quint16 code)
{
    for (const KeyRow &row : kKeys)
        if (row.code == code)
            return &row;
    return nullptr;
}

bool isLetter(int qtKey) { return qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z; }

// Keys that type nothing printable; on a Mac they carry the function flag
// (arrows, F-keys, Home, End, Page Up/Down, Help, forward delete).
bool carriesFunctionFlag(quint16 code)
{
    const KeyRow *row = rowForCode(code);
    return row && !row->keypad && row->macChar >= 0xF700;
}

// Text of a Qt key as typed on a US layout, without modifiers but Shift.
QString textOfQtKey(int qtKey, bool shift)
{
    if (qtKey <= 0 || qtKey > 0xffff)
        return {};
    const QChar ch = QChar(char16_t(qtKey));
    if (!ch.isPrint() && ch != QLatin1Char(' '))
        return {};
    return shift ? QString(ch.toUpper()) : QString(ch.toLower());
}

bool isPrintableText(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return false;
    return true;
}

// X11 and Wayland report evdev codes plus 8; other platforms something else.
bool platformGivesEvdevScanCodes()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"))
           || name == QLatin1String("eglfs") || name == QLatin1String("linuxfb");
}

} // namespace

quint64 modifierFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= keyflag::Shift;
    if (modifiers & Qt::MetaModifier)
        flags |= keyflag::Control;
    if (modifiers & Qt::AltModifier)
        flags |= keyflag::Option;
    if (modifiers & Qt::ControlModifier)
        flags |= keyflag::Command;
    if (modifiers & Qt::KeypadModifier)
        flags |= keyflag::NumericPad;
    return flags;
}

Qt::KeyboardModifiers qtModifiersFromFlags(quint64 flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & keyflag::Shift)
        modifiers |= Qt::ShiftModifier;
    if (flags & keyflag::Control)
        modifiers |= Qt::MetaModifier;
    if (flags & keyflag::Option)
        modifiers |= Qt::AltModifier;
    if (flags & keyflag::Command)
        modifiers |= Qt::ControlModifier;
    if (flags & keyflag::NumericPad)
        modifiers |= Qt::KeypadModifier;
    return modifiers;
}

quint16 keyCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (keypad) {
        for (const KeyRow &row : kKeys)
            if (row.keypad && row.qtKey == qtKey)
                return row.code;
        for (const KeypadAlias &alias : kKeypadAliases)
            if (alias.qtKey == qtKey)
                return alias.code;
    }
    // Unshifted keys first, so that "1" is the main row's and "+" is Shift-"=".
    for (const KeyRow &row : kKeys)
        if (!row.keypad && row.qtKey == qtKey)
            return row.code;
    for (const KeyRow &row : kKeys)
        if (!row.keypad && row.shiftedQtKey == qtKey)
            return row.code;
    if (qtKey == Qt::Key_Enter)
        return KeypadEnter;
    if (qtKey == Qt::Key_Clear)
        return KeypadClear;
    return Unknown;
}

quint16 keyCodeFromScanCode(quint32 scanCode)
{
    if (scanCode < 8)
        return Unknown;
    const quint32 evdev = scanCode - 8;
    for (const KeyRow &row : kKeys)
        if (row.evdev == evdev)
            return row.code;
    return Unknown;
}

int qtKeyFromKeyCode(quint16 keyCode, Qt::KeyboardModifiers *keypad)
{
    const KeyRow *row = rowForCode(keyCode);
    if (keypad)
        *keypad = row && row->keypad ? Qt::KeypadModifier : Qt::NoModifier;
    return row ? row->qtKey : int(Qt::Key_unknown);
}

KeyEvent KeyEvent::fromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString &text, quint32 scanCode)
{
    KeyEvent event;
    const quint16 byScan = keyCodeFromScanCode(scanCode);
    const KeyRow *scanRow = byScan == Unknown ? nullptr : rowForCode(byScan);

    // The keypad by position first: with Num Lock off it sends arrows.
    if (scanRow && scanRow->keypad)
        event.keyCode = byScan;
    // Letters by what they type, so that other layouts' letters work.
    else if (isLetter(qtKey))
        event.keyCode = keyCodeFromQtKey(qtKey, Qt::NoModifier);
    // The scan code tells left from right where both send the same key.
    else if (scanRow && scanRow->qtKey == qtKey)
        event.keyCode = byScan;
    // Keys that type nothing keep their meaning even when remapped.
    else if (qtKey >= 0x01000000 && !(modifiers & Qt::KeypadModifier))
        event.keyCode = keyCodeFromQtKey(qtKey, modifiers);
    // Digits and punctuation by position, as on a Mac.
    else if (scanRow)
        event.keyCode = byScan;
    else
        event.keyCode = keyCodeFromQtKey(qtKey, modifiers);

    event.modifierFlags = modifierFlagsFromQt(modifiers);
    const KeyRow *row = rowForCode(event.keyCode);
    if (row && row->keypad)
        event.modifierFlags |= keyflag::NumericPad;
    if (carriesFunctionFlag(event.keyCode))
        event.modifierFlags |= keyflag::Function;

    const bool shift = modifiers & Qt::ShiftModifier;
    if (row && row->macChar) {
        event.charactersIgnoringModifiers = QString(QChar(row->macChar));
    } else if (row && row->keypad && isPrintableText(text)) {
        event.charactersIgnoringModifiers = text;
    } else if (row && isLetter(row->qtKey) && isLetter(qtKey)) {
        event.charactersIgnoringModifiers = textOfQtKey(qtKey, shift);
    } else if (isPrintableText(text) && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))) {
        event.charactersIgnoringModifiers = text;
    } else {
        event.charactersIgnoringModifiers = textOfQtKey(qtKey, shift);
        if (event.charactersIgnoringModifiers.isEmpty() && row)
            event.charactersIgnoringModifiers = textOfQtKey(shift ? row->shiftedQtKey : row->qtKey, shift);
    }
    // Command does not change what a key types; Control does (as on a Mac).
    if (isPrintableText(text))
        event.characters = text;
    else if (row && row->macChar)
        event.characters = event.charactersIgnoringModifiers;
    else if (!(modifiers & Qt::MetaModifier))
        event.characters = event.charactersIgnoringModifiers;
    else
        event.characters = text;
    return event;
}

KeyEvent KeyEvent::fromQt(const QKeyEvent &qtEvent)
{
    const quint32 scanCode = platformGivesEvdevScanCodes() ? qtEvent.nativeScanCode() : 0;
    return fromQt(qtEvent.key(), qtEvent.modifiers(), qtEvent.text(), scanCode);
}

QKeyEvent makeQtKeyEvent(quint16 keyCode, quint64 modifierFlags)
{
    const KeyRow *row = rowForCode(keyCode);
    Qt::KeyboardModifiers modifiers = qtModifiersFromFlags(modifierFlags);
    if (!row)
        return QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, modifiers, 0, 0, 0);
    if (row->keypad)
        modifiers |= Qt::KeypadModifier;
    const bool shift = modifierFlags & keyflag::Shift;
    const int qtKey = shift ? row->shiftedQtKey : row->qtKey;
    QString text;
    if (row->macChar && row->macChar < 0xF700)
        text = QString(QChar(row->macChar == 0x03 ? u'\r' : row->macChar));
    else if (!row->macChar)
        text = textOfQtKey(qtKey, shift);
    if (modifiers & Qt::ControlModifier && !text.isEmpty() && text[0].isLetter())
        text = QString(QChar(char16_t(text[0].toUpper().unicode() - u'@')));
    return QKeyEvent(QEvent::KeyPress, qtKey, modifiers, row->evdev + 8u, 0, 0, text);
}

} // namespace platform
