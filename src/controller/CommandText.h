#pragma once

#include <QString>

namespace controller {

// The leading integer of a text as the key-action parameters read it: blanks
// skipped, an optional sign, then digits up to the first other character;
// 0 when there are none. Clamped to the 32-bit range.
qint64 intValue(const QString &text);
// The first character of a text read as a number (a digit 0-9), -1 when the
// text is empty or does not begin with a digit.
qint64 firstDigit(const QString &text);
// Count-in beats from a parameter text: at most 99, -1 (refused) below 0.
qint64 countInBeats(const QString &text);

// "WinID:message" splits at the first colon unless the text starts with it;
// otherwise the WinID is empty and the whole text is the message.
struct RoutedMessage {
    QString winID;
    QString message;
};
RoutedMessage splitMessage(const QString &text);

// Quick-filter words of the list command: 1 "ARTIST", 2 "KEY", 3 "TEMPO",
// 4 "FLAGS", 5 "PLAYED", 0 for any other word (compared exactly).
qint64 quickFilterNumber(const QString &word);

// The key-test field's text for a key number.
QString keyPrefName(qint64 key, bool keyPadOn);

} // namespace controller
