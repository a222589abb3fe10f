// Note side files of any shape: the header keys, the song record filled from
// them, tempo and signature, the line a bound window shows, and tag edits.
#include "FuzzSupport.h"

#include "library/Pieces.h"
#include "library/TextCodec.h"

#include <QStringList>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

const QStringList kKeys = {QStringLiteral("TITLE="), QStringLiteral("ARTIST="), QStringLiteral("TAGS="),
                           QStringLiteral("KEY="), QStringLiteral("LASTPLAYEDDATE9=")};
const QStringList kTags = {QStringLiteral("rock"), QStringLiteral("pop"), QString::fromUtf8("⭐️")};
const QStringList kIds = {QString(), QStringLiteral("Lead"), QStringLiteral("drum")};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const QString note = textcodec::decode(fuzzsupport::bytes(data + 1, size - 1));

    for (const QString &key : kKeys) {
        // A key is read only where it begins a line (after blanks or tabs), and
        // its value never runs past that line.
        const qsizetype at = notefile::keyAt(note, key);
        qsizetype lineStart = at;
        while (lineStart > 0 && (note[lineStart - 1] == QLatin1Char(' ') || note[lineStart - 1] == QLatin1Char('\t')))
            --lineStart;
        check(lineStart <= 0 || note[lineStart - 1] == QLatin1Char('\n') || note[lineStart - 1] == QLatin1Char('\r'));
        const auto value = notefile::keyValue(note, key);
        check(value.has_value() == (at >= 0));
        if (value)
            check(!value->contains(QLatin1Char('\n')) && !value->contains(QLatin1Char('\r')) && value->size() < note.size());
    }

    // The record reads the note without touching the disk (no such song file).
    PiecesDet det;
    det.fichier = QStringLiteral("/nonexistent/fuzz (Band) x.pdf");
    det.typeFichier1 = flags & 1;
    det.notetxt = note;
    det.majInfoFromNote();
    check(!det.titre.isEmpty() && !det.auteur.isEmpty());
    check(det.infoF.isEmpty() || (det.infoF.startsWith(QLatin1Char(' ')) && det.infoF.endsWith(QLatin1Char(' '))));

    const piecesrules::TempoResult tempo = piecesrules::tempoFromNote(note);
    check(tempo.tempo >= 0 && tempo.tempo <= 999);
    check(tempo.signature == 0 || (tempo.signature >= 2 && tempo.signature <= 4));

    const QString &id = kIds[(flags >> 1) % kIds.size()];
    const QString line = piecesrules::notetxtForDir(note, id, (flags >> 3) & 1, (flags >> 4) & 1);
    check(!line.contains(QLatin1Char('\n')));

    // A played date written reads back, adds at most one line end, and
    // changes no other line: every other line and line end stays as it was.
    const QString date = QStringLiteral("2026-12-07");
    const QString dated = notefile::withKeyValue(note, kKeys[4], QStringLiteral("LastPlayedDate9="), date);
    check(notefile::keyValue(dated, kKeys[4]) == date);
    check(note.isEmpty() || dated.count(QLatin1Char('\n')) - note.count(QLatin1Char('\n')) <= 1);
    if (notefile::keyAt(note, kKeys[4]) < 0) {
        check(dated.startsWith(note));
    } else {
        const QStringList before = note.split(QLatin1Char('\n'));
        const QStringList after = dated.split(QLatin1Char('\n'));
        check(before.size() == after.size());
        int changed = 0;
        for (qsizetype i = 0; i < before.size() && i < after.size(); ++i)
            changed += before[i] != after[i];
        check(changed <= 1);
    }

    const QString &tag = kTags[(flags >> 5) % kTags.size()];
    const QString added = piecesrules::addTag(note, tag);
    const auto tags = notefile::keyValue(added, QStringLiteral("TAGS="));
    check(tags && tags->endsWith(tag));
    const QString removed = piecesrules::removeTag(added, tag);
    check(removed.size() <= added.size());
    // A tag added to a note without a Tags line leaves no trace once removed
    // (but a line end, the note's own, on a last line that had none).
    if (notefile::keyAt(note, QStringLiteral("TAGS=")) < 0) {
        const qsizetype lf = note.indexOf(QLatin1Char('\n'));
        const QString end = lf > 0 && note[lf - 1] == QLatin1Char('\r') ? QStringLiteral("\r\n") : QStringLiteral("\n");
        check(removed == (note.endsWith(QLatin1Char('\n')) ? note : note + end));
    }
    check(piecesrules::clearTags(note).size() <= note.size());

    (void)PiecesDet::obtenirChaine(note, QStringLiteral("{title:"));
    return 0;
}
