// A song's note seen as the formatted window's fields and written back: any text.
#include "FuzzSupport.h"

#include "events/EventScript.h"
#include "events/NoteForm.h"
#include "library/Pieces.h"

#include <QHash>
#include <cstdlib>

namespace {

bool winId(const QString &id) { return id.compare(QLatin1String("Lead"), Qt::CaseInsensitive) == 0; }

// What the window writes for a note nobody edited.
QString rewrite(const QString &note)
{
    const piecesrules::TempoResult t = piecesrules::tempoFromNote(note);
    const noteform::Fields f = noteform::read(note, t.keepStoredTempo ? 0 : t.tempo, t.signature, winId);
    SongEvArray events;
    eventscript::loadFromString(note, false, events, winId);
    return noteform::rebuild(f, eventscript::writeEvents(events, true), note, winId);
}

QHash<QString, int> lineCounts(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QHash<QString, int> counts;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            ++counts[line];
    return counts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString note = QString::fromUtf8(fuzzsupport::bytes(data, size));
    // The song's tempo is read from the 11 characters after "TEMPO", across
    // line ends too: there, blank lines the layout drops or moves change it.
    const qsizetype tempo = note.indexOf(QLatin1String("TEMPO"), 0, Qt::CaseInsensitive);
    if (tempo >= 0 && (note.mid(tempo, 11).contains(QLatin1Char('\n')) || note.mid(tempo, 11).contains(QLatin1Char('\r'))))
        return 0;
    const QString once = rewrite(note);
    // Unedited, no line is lost, changed or written twice; the layout only adds
    // and drops blank (or blanks-only) lines and moves lines to their places.
    if (lineCounts(once) != lineCounts(note))
        std::abort();
    if (rewrite(once) != once)
        std::abort();
    return 0;
}
