#include "windows/WindowKeys.h"

#include "library/Data.h"
#include "platform/Vocabulary.h"
#include "windows/GestureRules.h"

namespace windowkeys {

namespace {

namespace kc = platform::keycode;

// Which modifier decides when several are held.
enum class Precedence {
    CommandOptionShift, // the usual order
    CommandFirst,       // ",": command wins over shift
    OptionShiftCommand, // ".": option passes the key on, shift wins over command
    ShiftOnly,          // grave accent and the ISO key: only shift counts
};

struct Row {
    quint16 keyCode;
    int plain, shift, command, option;
    Precedence precedence;
};

constexpr int P = kPassOn;
using namespace vocab;

constexpr Row kTable[] = {
    {kc::Equal, ToggleToc, ToggleToc, Zoom, ToggleToc, Precedence::CommandOptionShift},
    {kc::Minus, ToggleNote, ToggleNote, ZoomOut, ToggleNote, Precedence::CommandOptionShift},
    {kc::RightBracket, NextFilterEntry, NextFilterEntry, NextFilterEntry, NextFilterEntry, Precedence::CommandOptionShift},
    {kc::LeftBracket, PreviousFilterEntry, PreviousFilterEntry, PreviousFilterEntry, PreviousFilterEntry,
     Precedence::CommandOptionShift},
    {kc::Quote, FirstSongOrPreviousTabAlt, FirstSongOrPreviousTabAlt, FirstSongOrPreviousTabAlt,
     FirstSongOrPreviousTabAlt, Precedence::CommandOptionShift},
    {kc::Semicolon, FirstTab, FirstTab, FirstTab, FirstTab, Precedence::CommandOptionShift},
    {kc::Backslash, NextTabAlt, NextTabAlt, NextTabAlt, NextTabAlt, Precedence::CommandOptionShift},
    {kc::Comma, MetronomeOnOff, AudibleMetronomeToggle, MetronomeType, MetronomeOnOff, Precedence::CommandFirst},
    {kc::Slash, FilterWindow, FilterWindow, FilterWindow, FilterWindow, Precedence::CommandOptionShift},
    {kc::Period, PeriodKey, NextGenre, CommandPeriod, P, Precedence::OptionShiftCommand},
    {kc::Grave, GraveKey, ShiftGraveKey, GraveKey, GraveKey, Precedence::ShiftOnly},
    {kc::Escape, CloseNote, CloseNote, CloseNote, CloseNote, Precedence::CommandOptionShift},
    {kc::IsoSection, SectionKey, NoteDisplayMode, SectionKey, SectionKey, Precedence::ShiftOnly},
    {kc::F, P, P, FilterWindow, P, Precedence::CommandOptionShift},
};

int pick(const Row &row, const platform::KeyEvent &e)
{
    switch (row.precedence) {
    case Precedence::CommandOptionShift:
    case Precedence::CommandFirst:
        if (e.command())
            return row.command;
        if (e.option())
            return row.option;
        return e.shift() ? row.shift : row.plain;
    case Precedence::OptionShiftCommand:
        if (e.option())
            return row.option;
        if (e.shift())
            return row.shift;
        return e.command() ? row.command : row.plain;
    case Precedence::ShiftOnly:
        return e.shift() ? row.shift : row.plain;
    }
    return kPassOn;
}

} // namespace

int actionCodeForKey(const platform::KeyEvent &event)
{
    for (const Row &row : kTable)
        if (row.keyCode == event.keyCode)
            return pick(row, event);
    if (event.shift() && !event.command() && !event.option() && !event.characters.isEmpty()) {
        const qint64 pos = Data::keyn(event.characters.left(1).toLower());
        // Letters only: a shifted digit or sign goes on to the menus.
        if (pos >= 1 && pos <= 26)
            return int(pos - 1);
    }
    return kPassOn;
}

int passedOnCodeForKey(const platform::KeyEvent &event)
{
    if (event.control() || event.shift())
        return kPassOn;
    struct Fallback {
        quint16 keyCode;
        bool command, option;
        const char *padKey;
    };
    static constexpr Fallback kFallbacks[] = {
        {kc::DownArrow, false, false, "boutFlecheBas"},
        {kc::UpArrow, false, false, "boutFlecheHaut"},
        {kc::LeftArrow, false, false, "boutFlecheGauche"},
        {kc::RightArrow, false, false, "boutFlecheDroite"},
        {kc::LeftArrow, true, false, "boutCmdFlecheGauche"},
        {kc::RightArrow, true, false, "boutCmdFlecheDroite"},
        {kc::Space, false, false, "boutSpace"},
        {kc::PageUp, false, false, "boutPageUp"},
        {kc::PageDown, false, false, "boutPageDn"},
        {kc::Return, false, false, "boutEnter"},
        {kc::KeypadEnter, false, false, "boutEnter"},
        {kc::Return, false, true, "boutAltEnter"},
        {kc::Space, false, true, "boutAltSpace"},
        {kc::Delete, false, false, "boutBackSpace"},
        {kc::Return, true, false, "boutCmdEnter"},
        {kc::R, true, false, "boutCmdR"},
        {kc::Tab, false, false, "boutTab"},
        {kc::A, true, false, "boutCmdA"},
        {kc::Digit1, true, false, "boutCmd1"},
        {kc::Digit2, true, false, "boutCmd2"},
        {kc::Digit3, true, false, "boutCmd3"},
        {kc::Digit4, true, false, "boutCmd4"},
        {kc::Digit5, true, false, "boutCmd5"},
        {kc::Digit6, true, false, "boutCmd6"},
        {kc::Digit7, true, false, "boutCmd7"},
        {kc::Digit8, true, false, "boutCmd8"},
    };
    for (const Fallback &f : kFallbacks)
        if (f.keyCode == event.keyCode && f.command == event.command() && f.option == event.option())
            return gesturerules::padKeyCode(QLatin1String(f.padKey));
    // Plain letters and digits are type-ahead and table-of-contents picks,
    // like the key pad's; F stays out, as with Shift.
    if (!event.command() && !event.option() && event.charactersIgnoringModifiers.size() == 1) {
        const QChar c = event.charactersIgnoringModifiers.at(0).toLower();
        const qsizetype code = vocab::kTypedChars.indexOf(c);
        if (code >= 0 && c != QLatin1Char('f'))
            return int(code);
    }
    return kPassOn;
}

int arrangePlacementForKey(const platform::KeyEvent &event)
{
    if (!event.command() || !event.option())
        return -1;
    if (event.keyCode == kc::LeftArrow)
        return 4;
    if (event.keyCode == kc::UpArrow)
        return 5;
    return -1;
}

int keyChoiceCode(const platform::KeyEvent &event)
{
    constexpr int kOther = 99;
    if (event.shift() || event.command())
        return kOther;
    switch (event.keyCode) {
    case kc::LeftArrow: return 1;
    case kc::RightArrow: return 2;
    case kc::UpArrow: return 3;
    case kc::DownArrow: return 4;
    case kc::PageUp: return 5;
    case kc::PageDown: return 6;
    case kc::Digit2: return 7;
    case kc::Digit3: return 8;
    case kc::Keypad2: return 9;
    case kc::Keypad3: return 10;
    default: return kOther;
    }
}

} // namespace windowkeys
