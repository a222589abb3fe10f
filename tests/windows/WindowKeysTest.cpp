#include "windows/WindowKeys.h"

#include "platform/Keys.h"
#include "windows/GestureRules.h"

#include <QKeySequence>

#include <gtest/gtest.h>

using namespace windowkeys;
namespace kc = platform::keycode;
namespace kf = platform::keyflag;

namespace {

platform::KeyEvent key(quint16 code, quint64 flags, const QString &chars = QString())
{
    platform::KeyEvent e;
    e.keyCode = code;
    e.modifierFlags = flags;
    e.characters = chars;
    e.charactersIgnoringModifiers = chars;
    return e;
}

} // namespace

TEST(WindowKeys, KeyMapByModifier)
{
    struct Row {
        quint16 code;
        const char *name;
        int plain, shift, command, option;
    } rows[] = {
        {kc::Equal, "=", 51, 51, 52, 51},
        {kc::Minus, "-", 73, 73, 53, 73},
        {kc::RightBracket, "]", 81, 81, 81, 81},
        {kc::LeftBracket, "[", 80, 80, 80, 80},
        {kc::Quote, "'", 82, 82, 82, 82},
        {kc::Semicolon, ";", 90, 90, 90, 90},
        {kc::Backslash, "\\", 83, 83, 83, 83},
        {kc::Comma, ",", 78, 94, 79, 78},
        {kc::Slash, "/", 84, 84, 84, 84},
        {kc::Period, ".", 74, 86, 108, kPassOn},
        {kc::Grave, "`", 88, 100, 88, 88},
        {kc::Escape, "Esc", 55, 55, 55, 55},
        {kc::IsoSection, "§", 104, 1025, 104, 104},
        {kc::F, "F", kPassOn, kPassOn, 84, kPassOn},
    };
    for (const Row &r : rows) {
        const QString ch = QString::fromUtf8(r.name);
        EXPECT_EQ(actionCodeForKey(key(r.code, 0, ch.toLower())), r.plain) << r.name << " plain";
        EXPECT_EQ(actionCodeForKey(key(r.code, kf::Shift, ch)), r.shift) << r.name << " shift";
        EXPECT_EQ(actionCodeForKey(key(r.code, kf::Command, ch.toLower())), r.command) << r.name << " command";
        EXPECT_EQ(actionCodeForKey(key(r.code, kf::Option, ch.toLower())), r.option) << r.name << " option";
    }
}

TEST(WindowKeys, WhereModifiersMeet)
{
    EXPECT_EQ(actionCodeForKey(key(kc::Comma, kf::Command | kf::Shift, "<")), 79);
    EXPECT_EQ(actionCodeForKey(key(kc::Period, kf::Command | kf::Shift, ">")), 86);
    EXPECT_EQ(actionCodeForKey(key(kc::Period, kf::Option | kf::Shift, ">")), kPassOn);
    EXPECT_EQ(actionCodeForKey(key(kc::Period, kf::Option | kf::Command, ".")), kPassOn);
    EXPECT_EQ(actionCodeForKey(key(kc::Grave, kf::Command | kf::Shift, "~")), 100);
    EXPECT_EQ(actionCodeForKey(key(kc::Grave, kf::Command | kf::Option, "`")), 88);
    EXPECT_EQ(actionCodeForKey(key(kc::IsoSection, kf::Option | kf::Shift, "±")), 1025);
    // Control is never looked at.
    EXPECT_EQ(actionCodeForKey(key(kc::Escape, kf::Control, "")), 55);
}

TEST(WindowKeys, ShiftedLettersTypeAhead)
{
    EXPECT_EQ(actionCodeForKey(key(kc::A, kf::Shift, "A")), 0);
    EXPECT_EQ(actionCodeForKey(key(kc::Z, kf::Shift, "Z")), 25);
    EXPECT_EQ(actionCodeForKey(key(kc::M, kf::Shift, "M")), 12);
    // Shift-1 types "!" and goes on to the menus; so do plain letters.
    EXPECT_EQ(actionCodeForKey(key(kc::Digit1, kf::Shift, "!")), kPassOn);
    EXPECT_EQ(actionCodeForKey(key(kc::A, 0, "a")), kPassOn);
    // With command or option held a shifted letter is a menu key.
    EXPECT_EQ(actionCodeForKey(key(kc::A, kf::Shift | kf::Command, "A")), kPassOn);
    EXPECT_EQ(actionCodeForKey(key(kc::A, kf::Shift | kf::Option, "Å")), kPassOn);
    // Arrows are the menus' keys.
    EXPECT_EQ(actionCodeForKey(key(kc::LeftArrow, 0)), kPassOn);
}

TEST(WindowKeys, FromQtKeyPresses)
{
    const QKeyEvent shiftA = platform::makeQtKeyEvent(kc::A, kf::Shift);
    EXPECT_EQ(actionCodeForKey(platform::KeyEvent::fromQt(shiftA)), 0);
    const QKeyEvent esc = platform::makeQtKeyEvent(kc::Escape, 0);
    EXPECT_EQ(actionCodeForKey(platform::KeyEvent::fromQt(esc)), 55);
    const QKeyEvent cmdF = platform::makeQtKeyEvent(kc::F, kf::Command);
    EXPECT_EQ(actionCodeForKey(platform::KeyEvent::fromQt(cmdF)), 84);
}

TEST(WindowKeys, ArrangePlacements)
{
    EXPECT_EQ(arrangePlacementForKey(key(kc::LeftArrow, kf::Command | kf::Option)), 4);
    EXPECT_EQ(arrangePlacementForKey(key(kc::UpArrow, kf::Command | kf::Option)), 5);
    EXPECT_EQ(arrangePlacementForKey(key(kc::LeftArrow, kf::Command)), -1);
    EXPECT_EQ(arrangePlacementForKey(key(kc::RightArrow, kf::Command | kf::Option)), -1);
}

TEST(WindowKeys, PreferenceKeyChoice)
{
    struct Row {
        quint16 code;
        int choice;
    } rows[] = {
        {kc::LeftArrow, 1}, {kc::RightArrow, 2}, {kc::UpArrow, 3}, {kc::DownArrow, 4}, {kc::PageUp, 5},
        {kc::PageDown, 6}, {kc::Digit2, 7},   {kc::Digit3, 8},  {kc::Keypad2, 9},   {kc::Keypad3, 10},
        {kc::A, 99},       {kc::Space, 99},
    };
    for (const Row &r : rows)
        EXPECT_EQ(keyChoiceCode(key(r.code, 0)), r.choice) << r.code;
    EXPECT_EQ(keyChoiceCode(key(kc::LeftArrow, kf::Shift)), 99);
    EXPECT_EQ(keyChoiceCode(key(kc::LeftArrow, kf::Command)), 99);
    EXPECT_EQ(keyChoiceCode(key(kc::LeftArrow, kf::Option)), 1);
}

// Arrows, space and the page keys were passed on to menus that have no such
// shortcuts on Linux, so a page-turn pedal did nothing.
TEST(WindowKeys, PassedOnKeysPostTheKeyPadCodes)
{
    struct Row {
        quint16 code;
        quint64 flags;
        int expected;
    } rows[] = {
        {kc::DownArrow, 0, 39},  {kc::UpArrow, 0, 38},      {kc::LeftArrow, 0, 36},
        {kc::RightArrow, 0, 37}, {kc::LeftArrow, kf::Command, 40}, {kc::RightArrow, kf::Command, 41},
        {kc::Space, 0, 42},      {kc::PageUp, 0, 43},       {kc::PageDown, 0, 44},
        {kc::Return, 0, 45},     {kc::Return, kf::Option, 46}, {kc::Delete, 0, 50},
        {kc::Digit3, kf::Command, 63},
        // Other modifiers leave the key to the menus.
        {kc::DownArrow, kf::Shift, kPassOn}, {kc::PageDown, kf::Command, kPassOn},
        {kc::RightArrow, kf::Command | kf::Option, kPassOn}, {kc::F, 0, kPassOn},
    };
    for (const Row &r : rows)
        EXPECT_EQ(passedOnCodeForKey(key(r.code, r.flags)), r.expected) << r.code << " " << r.flags;
}

TEST(WindowKeys, PlainLettersAndDigitsAreTypeAhead)
{
    // Plain letters used to reach no handler at all: type-ahead worked only with Shift.
    EXPECT_EQ(passedOnCodeForKey(key(kc::A, 0, "a")), 0);
    EXPECT_EQ(passedOnCodeForKey(key(kc::Y, 0, "y")), 24);
    EXPECT_EQ(passedOnCodeForKey(key(kc::F, 0, "f")), kPassOn);
    EXPECT_EQ(passedOnCodeForKey(key(kc::A, kf::Command, "a")), 90);
    EXPECT_EQ(passedOnCodeForKey(key(kc::A, kf::Option, "a")), kPassOn);
    // Digits were dropped, so the song-list rows labelled 1-0 could not be typed.
    EXPECT_EQ(passedOnCodeForKey(key(kc::Digit1, 0, "1")), 27);
    EXPECT_EQ(passedOnCodeForKey(key(kc::Digit0, 0, "0")), 26);
    EXPECT_EQ(passedOnCodeForKey(key(kc::Keypad9, kf::NumericPad, "9")), 35);
    EXPECT_EQ(passedOnCodeForKey(key(kc::Digit1, kf::Shift, "!")), kPassOn);
    EXPECT_EQ(passedOnCodeForKey(key(kc::Digit1, kf::Option, "1")), kPassOn);
}

// The key pad named its keys with Mac glyphs (⌘←, ⌥Enter); on Linux each
// label names the key press that does the same, in Ctrl and Alt.
TEST(WindowKeys, KeyPadLabelsNameTheLinuxKeys)
{
    int withModifier = 0;
    for (const gesturerules::PadKey &pad : gesturerules::padKeys()) {
        const QString label = pad.title;
        EXPECT_FALSE(label.contains(QChar(0x2318)) || label.contains(QChar(0x2325))) << pad.name;
        if (!label.startsWith(QLatin1String("Ctrl+")) && !label.startsWith(QLatin1String("Alt+")))
            continue;
        ++withModifier;
        const Qt::KeyboardModifiers modifiers =
            label.startsWith(QLatin1String("Ctrl+")) ? Qt::ControlModifier : Qt::AltModifier;
        const QString keyName = label.section(QLatin1Char('+'), 1);
        int qtKey = 0;
        if (keyName == QStringLiteral("←"))
            qtKey = Qt::Key_Left;
        else if (keyName == QStringLiteral("→"))
            qtKey = Qt::Key_Right;
        else if (keyName == QLatin1String("Enter"))
            qtKey = Qt::Key_Return;
        else
            qtKey = QKeySequence::fromString(keyName, QKeySequence::PortableText)[0].key();
        ASSERT_NE(qtKey, 0) << pad.name;
        const QString text = keyName.size() == 1 ? keyName.toLower() : QString();
        const platform::KeyEvent press = platform::KeyEvent::fromQt(qtKey, modifiers, text, 0);
        // As the Tolvane window reads a key press.
        int code = actionCodeForKey(press);
        if (code == kPassOn)
            code = passedOnCodeForKey(press);
        EXPECT_EQ(code, pad.code) << pad.name << " labelled " << label.toStdString();
    }
    EXPECT_EQ(withModifier, 16);
}
