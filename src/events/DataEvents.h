#pragma once

#include "events/SongEv.h"

#include <QString>

// The event-script services of the global state. Data derives from this, so
// they are called as Data::chargerSongEventsFromString(...) and so on.
class DataEvents {
public:
    static SongEvArray &songEvents();
    static bool evInProcess();
    static void setEvInProcess(bool value);

    static void chargerSongEventsFromString(const QString &text, bool keepExistingEntries, SongEvArray &array);
};
