// Event scripts as they come in notes and event-library groups: any text.
#include "FuzzSupport.h"

#include "events/Cues.h"
#include "events/EventScript.h"

#include <cstdlib>

namespace {

bool winId(const QString &id) { return id.compare(QLatin1String("Lead"), Qt::CaseInsensitive) == 0; }

QString writeRead(const QString &text)
{
    SongEvArray events;
    eventscript::loadFromString(text, false, events, winId);
    return eventscript::writeEvents(events, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzsupport::bytes(data, size));

    SongEvArray events;
    eventscript::loadFromString(text, true, events, winId);
    eventscript::loadFromString(text, true, events, winId);

    // Every cue text and the next cue under a few window surveys.
    for (qint64 genre : {1, 6}) {
        for (qint64 mode : {0, 1, 2, 4, 5}) {
            cues::CueContext context;
            context.genre = genre;
            context.pageCount = 5;
            context.windows.append(cues::CueWindow{mode, mode == 2});
            for (const SongEvPtr &ev : std::as_const(events))
                (void)cues::obtenirCueX(*ev, true, context);
            (void)cues::obtenirNextCue(events, context);
        }
    }

    // Writing settles after the first write: a note read and written again is unchanged.
    const QString first = writeRead(text);
    const QString second = writeRead(QStringLiteral("\n") + first);
    if (second != first)
        std::abort();
    return 0;
}
