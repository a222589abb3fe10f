#include "events/DataEvents.h"

namespace {
SongEvArray g_songEvents;
bool g_evInProcess = false;
} // namespace

SongEvArray &DataEvents::songEvents() { return g_songEvents; }
bool DataEvents::evInProcess() { return g_evInProcess; }
void DataEvents::setEvInProcess(bool value) { g_evInProcess = value; }

void DataEvents::chargerSongEventsFromString(const QString &text, bool keepExistingEntries, SongEvArray &array)
{
    // Placeholder until the event-script loader lands.
    Q_UNUSED(text);
    if (!keepExistingEntries)
        array.clear();
}
