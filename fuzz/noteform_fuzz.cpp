// A song's note seen as the formatted window's fields and written back: any text.
#include "FuzzSupport.h"

#include "events/EventScript.h"
#include "events/NoteForm.h"
#include "library/Pieces.h"

#include <cstdlib>

namespace {

bool winId(const QString &id) { return id.compare(QLatin1String("Lead"), Qt::CaseInsensitive) == 0; }

bool namesAHeader(const QString &line)
{
    static const char *const keys[] = {"TITLE=", "ARTIST=", "KEY=", "TAGS=", "TEMPO", "LASTPLAYEDDATE"};
    for (const char *k : keys)
        if (line.contains(QLatin1String(k), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString note = QString::fromUtf8(fuzzsupport::bytes(data, size));
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(note);
    const noteform::Fields f = noteform::read(note, t.keepStoredTempo ? 0 : t.tempo, t.signature, winId);
    SongEvArray events;
    eventscript::loadFromString(note, false, events, winId);
    const QString once = noteform::rebuild(f, eventscript::writeEvents(events, true), note, winId);

    // No line is lost: one that is no event, header or comment is written as it was.
    const QStringList written = once.split(QLatin1Char('\n'));
    const QString comments = noteform::comments(note, winId);
    const QStringList lines = note.split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || namesAHeader(line) || comments.split(QLatin1Char('\n')).contains(line))
            continue;
        if (eventscript::isEventLine(line) && eventscript::parseLine(line, 0, winId))
            continue;
        if (!written.contains(line))
            std::abort();
    }
    if (!once.startsWith(f.master))
        std::abort();
    return 0;
}
