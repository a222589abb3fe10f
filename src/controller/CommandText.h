#pragma once

#include <QString>

namespace controller {

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
