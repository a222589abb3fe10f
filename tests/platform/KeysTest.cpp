#include "platform/Keys.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace platform;

namespace {

constexpr quint32 kEvdevOffset = 8; // X11 and Wayland scan codes are evdev codes plus 8

struct QtCase {
    const char *name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint16 keyCode;
    quint64 flags;
};

} // namespace

// The keys the window key maps name, as a US keyboard sends them through Qt
// with no scan code (the offscreen platform, synthesised events).
TEST(Keys, QtKeysGiveTheMacCodesOfTheKeyMaps)
{
    using namespace keycode;
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, pad = Qt::KeypadModifier;
    const QtCase cases[] = {
        {"=", Qt::Key_Equal, none, 24, 0},
        {"-", Qt::Key_Minus, none, 27, 0},
        {"]", Qt::Key_BracketRight, none, 30, 0},
        {"[", Qt::Key_BracketLeft, none, 33, 0},
        {"'", Qt::Key_Apostrophe, none, 39, 0},
        {";", Qt::Key_Semicolon, none, 41, 0},
        {"\\", Qt::Key_Backslash, none, 42, 0},
        {",", Qt::Key_Comma, none, 43, 0},
        {"/", Qt::Key_Slash, none, 44, 0},
        {".", Qt::Key_Period, none, 47, 0},
        {"`", Qt::Key_QuoteLeft, none, 50, 0},
        {"Esc", Qt::Key_Escape, none, 53, 0},
        {"F", Qt::Key_F, none, 3, 0},
        {"A", Qt::Key_A, none, 0, 0},
        {"Z", Qt::Key_Z, none, 6, 0},
        {"Return", Qt::Key_Return, none, 36, 0},
        {"Tab", Qt::Key_Tab, none, 48, 0},
        {"Space", Qt::Key_Space, none, 49, 0},
        {"Backspace is Delete", Qt::Key_Backspace, none, 51, 0},
        {"left", Qt::Key_Left, none, 123, keyflag::Function},
        {"right", Qt::Key_Right, none, 124, keyflag::Function},
        {"down", Qt::Key_Down, none, 125, keyflag::Function},
        {"up", Qt::Key_Up, none, 126, keyflag::Function},
        {"Page Up", Qt::Key_PageUp, none, 116, keyflag::Function},
        {"Page Down", Qt::Key_PageDown, none, 121, keyflag::Function},
        {"F1", Qt::Key_F1, none, 122, keyflag::Function},
        {"main 1", Qt::Key_1, none, 18, 0},
        {"main 2", Qt::Key_2, none, 19, 0},
        {"main 3", Qt::Key_3, none, 20, 0},
        {"main 4", Qt::Key_4, none, 21, 0},
        {"main 5", Qt::Key_5, none, 23, 0},
        {"main 6", Qt::Key_6, none, 22, 0},
        {"main 7", Qt::Key_7, none, 26, 0},
        {"main 8", Qt::Key_8, none, 28, 0},
        {"main 9", Qt::Key_9, none, 25, 0},
        {"main 0", Qt::Key_0, none, 29, 0},
        // Shift changes what Qt reports, not the key.
        {"shift-1", Qt::Key_Exclam, shift, 18, keyflag::Shift},
        {"shift-,", Qt::Key_Less, shift, 43, keyflag::Shift},
        {"shift-.", Qt::Key_Greater, shift, 47, keyflag::Shift},
        {"shift-`", Qt::Key_AsciiTilde, shift, 50, keyflag::Shift},
        {"shift-=", Qt::Key_Plus, shift, 24, keyflag::Shift},
        {"shift-tab", Qt::Key_Backtab, shift, 48, keyflag::Shift},
        {"shift-A", Qt::Key_A, shift, 0, keyflag::Shift},
        // The keypad keys that play MIDI notes.
        {"pad clear", Qt::Key_NumLock, pad, 71, keyflag::NumericPad},
        {"pad /", Qt::Key_Slash, pad, 75, keyflag::NumericPad},
        {"pad *", Qt::Key_Asterisk, pad, 67, keyflag::NumericPad},
        {"pad -", Qt::Key_Minus, pad, 78, keyflag::NumericPad},
        {"pad +", Qt::Key_Plus, pad, 69, keyflag::NumericPad},
        {"pad 7", Qt::Key_7, pad, 89, keyflag::NumericPad},
        {"pad 8", Qt::Key_8, pad, 91, keyflag::NumericPad},
        {"pad 9", Qt::Key_9, pad, 92, keyflag::NumericPad},
        {"pad 4", Qt::Key_4, pad, 86, keyflag::NumericPad},
        {"pad 5", Qt::Key_5, pad, 87, keyflag::NumericPad},
        {"pad 6", Qt::Key_6, pad, 88, keyflag::NumericPad},
        {"pad 1", Qt::Key_1, pad, 83, keyflag::NumericPad},
        {"pad 2", Qt::Key_2, pad, 84, keyflag::NumericPad},
        {"pad 3", Qt::Key_3, pad, 85, keyflag::NumericPad},
        {"pad 0", Qt::Key_0, pad, 82, keyflag::NumericPad},
        {"pad .", Qt::Key_Period, pad, 65, keyflag::NumericPad},
        {"pad enter", Qt::Key_Enter, pad, 76, keyflag::NumericPad},
        // Num Lock off: the keypad still names its own keys.
        {"pad 8 as up", Qt::Key_Up, pad, 91, keyflag::NumericPad},
        {"pad 5 as clear", Qt::Key_Clear, pad, 87, keyflag::NumericPad},
        {"pad . as delete", Qt::Key_Delete, pad, 65, keyflag::NumericPad},
        // Modifiers: Command is Ctrl, Option is Alt, Control is Meta.
        {"command-=", Qt::Key_Equal, Qt::ControlModifier, 24, keyflag::Command},
        {"option-.", Qt::Key_Period, Qt::AltModifier, 47, keyflag::Option},
        {"control-.", Qt::Key_Period, Qt::MetaModifier, 47, keyflag::Control},
        {"command-option-left", Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier, 123,
         keyflag::Command | keyflag::Option | keyflag::Function},
        {"command-shift-.", Qt::Key_Greater, Qt::ControlModifier | Qt::ShiftModifier, 47,
         keyflag::Command | keyflag::Shift},
    };
    for (const QtCase &c : cases) {
        const KeyEvent event = KeyEvent::fromQt(c.qtKey, c.modifiers, QString());
        EXPECT_EQ(event.keyCode, c.keyCode) << c.name;
        EXPECT_EQ(event.modifierFlags, c.flags) << c.name;
    }
    EXPECT_EQ(KeyEvent::fromQt(Qt::Key_MediaPlay, Qt::NoModifier, QString()).keyCode, keycode::Unknown);
}

struct ScanCase {
    const char *name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 evdev;
    quint16 keyCode;
};

// With the scan codes of X11 and Wayland, digits and punctuation keep their
// place on any layout, as Mac key codes do, while letters follow the layout.
TEST(Keys, ScanCodesPlacePunctuationAndDigitsOnOtherLayouts)
{
    const ScanCase cases[] = {
        {"German sharp s sits where - is", Qt::Key_ssharp, Qt::NoModifier, 12, 27},
        {"German Z sits where Y is, and is still Z", Qt::Key_Z, Qt::NoModifier, 21, 6},
        {"French & is the 1 key", Qt::Key_Ampersand, Qt::NoModifier, 2, 18},
        {"French shifted 2 is the 2 key", Qt::Key_2, Qt::ShiftModifier, 3, 19},
        {"Russian letter on the A key", 0x0444 /* Cyrillic ef */, Qt::NoModifier, 30, 0},
        {"ISO key beside left Shift", Qt::Key_Less, Qt::NoModifier, 86, 10},
        {"key left of 1", Qt::Key_AsciiCircum, Qt::NoModifier, 41, 50},
        {"keypad 8 with Num Lock off", Qt::Key_Up, Qt::KeypadModifier, 72, 91},
        {"keypad 2 with Num Lock off", Qt::Key_Down, Qt::KeypadModifier, 80, 84},
        {"Num Lock is the keypad's clear", Qt::Key_NumLock, Qt::NoModifier, 69, 71},
        {"Insert is Help", Qt::Key_Insert, Qt::NoModifier, 110, 114},
        {"Escape remapped onto Caps Lock stays Escape", Qt::Key_Escape, Qt::NoModifier, 58, 53},
    };
    for (const ScanCase &c : cases) {
        const KeyEvent event = KeyEvent::fromQt(c.qtKey, c.modifiers, QString(), c.evdev + kEvdevOffset);
        EXPECT_EQ(event.keyCode, c.keyCode) << c.name;
    }
    const KeyEvent pad = KeyEvent::fromQt(Qt::Key_Up, Qt::KeypadModifier, QString(), 72 + kEvdevOffset);
    EXPECT_TRUE(pad.numericPad());
    EXPECT_FALSE(pad.modifierFlags & keyflag::Function);
}

// The key maps look typed letters up by the first character, lower-cased,
// and Command must not turn a letter into a control character.
TEST(Keys, CharactersFollowTheMacRules)
{
    const KeyEvent shiftA = KeyEvent::fromQt(Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    EXPECT_EQ(shiftA.characters, QStringLiteral("A"));
    EXPECT_EQ(shiftA.charactersIgnoringModifiers, QStringLiteral("A"));

    const KeyEvent commandA = KeyEvent::fromQt(Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));
    EXPECT_EQ(commandA.characters, QStringLiteral("a"));
    EXPECT_EQ(commandA.charactersIgnoringModifiers, QStringLiteral("a"));

    const KeyEvent shift1 = KeyEvent::fromQt(Qt::Key_Exclam, Qt::ShiftModifier, QStringLiteral("!"));
    EXPECT_EQ(shift1.characters, QStringLiteral("!"));

    const KeyEvent left = KeyEvent::fromQt(Qt::Key_Left, Qt::NoModifier, QString());
    EXPECT_EQ(left.characters, QString(QChar(0xF702)));

    const KeyEvent backspace = KeyEvent::fromQt(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(backspace.characters, QStringLiteral("\x7f"));

    const KeyEvent pad7 = KeyEvent::fromQt(Qt::Key_7, Qt::KeypadModifier, QStringLiteral("7"));
    EXPECT_EQ(pad7.characters, QStringLiteral("7"));
}

// Every key on the Mac keyboard, pressed with the modifiers the key maps
// read, comes back as the same code and flags; with and without scan codes.
TEST(Keys, EveryKeyRoundTripsThroughAQtEvent)
{
    const quint64 modifierSets[] = {0,
                                    keyflag::Shift,
                                    keyflag::Command,
                                    keyflag::Option,
                                    keyflag::Command | keyflag::Option,
                                    keyflag::Command | keyflag::Shift};
    int keys = 0;
    for (int code = 0; code < 128; ++code) {
        Qt::KeyboardModifiers keypad;
        if (qtKeyFromKeyCode(quint16(code), &keypad) == Qt::Key_unknown)
            continue;
        ++keys;
        for (quint64 flags : modifierSets) {
            const QKeyEvent qtEvent = makeQtKeyEvent(quint16(code), flags);
            const KeyEvent byScan = KeyEvent::fromQt(qtEvent.key(), qtEvent.modifiers(), qtEvent.text(),
                                                     qtEvent.nativeScanCode());
            EXPECT_EQ(byScan.keyCode, code) << "by scan code, flags " << flags;
            // Qt toggles a modifier key's own flag in its event, so leave those out.
            if (code < keycode::RightCommand || code > keycode::Function) {
                EXPECT_EQ(byScan.modifierFlags & ~(keyflag::NumericPad | keyflag::Function), flags) << code;
            }
            EXPECT_EQ(byScan.numericPad(), keypad == Qt::KeypadModifier) << code;

            // Without scan codes the right-hand modifier keys read as the left ones.
            const quint16 left[][2] = {{54, 55}, {60, 56}, {62, 59}};
            quint16 expected = quint16(code);
            for (const auto &pair : left)
                if (pair[0] == code)
                    expected = pair[1];
            const KeyEvent byKey = KeyEvent::fromQt(qtEvent.key(), qtEvent.modifiers(), qtEvent.text());
            EXPECT_EQ(byKey.keyCode, expected) << "by Qt key, flags " << flags;
        }
    }
    EXPECT_GT(keys, 100);
}

TEST(Keys, ModifierFlagsAreTheMacBits)
{
    EXPECT_EQ(keyflag::Shift, 1ull << 17);
    EXPECT_EQ(keyflag::Control, 1ull << 18);
    EXPECT_EQ(keyflag::Option, 1ull << 19);
    EXPECT_EQ(keyflag::Command, 1ull << 20);
    EXPECT_EQ(keyflag::NumericPad, 1ull << 21);
    EXPECT_EQ(keyflag::Function, 1ull << 23);
    const Qt::KeyboardModifiers all =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier;
    EXPECT_EQ(qtModifiersFromFlags(modifierFlagsFromQt(all)), all);
}
