#include "controller/MarkRules.h"


namespace marks {

namespace {

qsizetype indexOfSong(const PiecesList &list, const PiecesDetPtr &det)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.at(i) && list.at(i)->pieceDet == det)
            return i;
    return -1;
}

void removeSong(PiecesList &list, const PiecesDetPtr &det)
{
    list.removeIf([&det](const PiecesPtr &p) { return p && p->pieceDet == det; });
}

QString norm(const QString &text)
{
    return text.simplified().toUpper();
}

} // namespace

void appendToLog(PiecesList &log, const PiecesPtr &entry)
{
    if (!entry || !entry->pieceDet)
        return;
    if (!log.isEmpty() && log.last() && log.last()->pieceDet == entry->pieceDet)
        return;
    log.append(entry);
}

void applyFlag(PiecesList &flagged, const PiecesPtr &entry, bool flag, bool remove)
{
    if (!entry || !entry->pieceDet)
        return;
    PiecesDet &det = *entry->pieceDet;
    const qsizetype at = indexOfSong(flagged, entry->pieceDet);
    if (remove) {
        det.flagged = false;
        removeSong(flagged, entry->pieceDet);
        return;
    }
    if (!flag || !det.flagged) {
        det.flagged = true;
        if (at < 0)
            flagged.append(entry);
        return;
    }
    if (at < 0) {
        flagged.append(entry);
    } else if (at == 0) {
        det.flagged = false;
        removeSong(flagged, entry->pieceDet);
    } else {
        const PiecesPtr held = flagged.takeAt(at);
        flagged.prepend(held);
    }
}

void toggleFlags(PiecesList &flagged, const PiecesList &entries)
{
    QList<PiecesDetPtr> done;
    for (const PiecesPtr &entry : entries) {
        if (!entry || !entry->pieceDet || done.contains(entry->pieceDet))
            continue;
        done.append(entry->pieceDet);
        if (entry->pieceDet->flagged) {
            entry->pieceDet->flagged = false;
            removeSong(flagged, entry->pieceDet);
        } else {
            entry->pieceDet->flagged = true;
            if (indexOfSong(flagged, entry->pieceDet) < 0)
                flagged.append(entry);
        }
    }
}

int recallMenuPlace(qint64 n, qint64 last)
{
    return int(last >= n ? last - n + 1 : last - n + 11);
}

qint64 quickFilterIndex(qint64 quick, qint64 count)
{
    return count - quick;
}

namespace {

QString tempoEntry(qint32 tempo)
{
    return QStringLiteral("Tempo %1").arg(tempo != 0 ? tempo : 120);
}

const QString kNoArtistEntry = QStringLiteral("(no artist)");

QString keyEntry(const QString &key)
{
    const QString k = key.trimmed();
    return k.isEmpty() ? QStringLiteral("(no key)") : QStringLiteral("Key of %1").arg(k);
}

} // namespace

QStringList quickEntries(qint32 tempo, const QString &key, const QString &artist)
{
    const QString a = artist.trimmed();
    return {QStringLiteral("Played"), QStringLiteral("Flags"), tempoEntry(tempo), keyEntry(key),
            a.isEmpty() ? kNoArtistEntry : a};
}

QStringList songEntries(const QString &tagsText, qint32 tempo, const QString &key, const QString &artist)
{
    QStringList list;
    for (const QString &word : tagsText.split(QLatin1Char(' ')))
        if (!word.isEmpty())
            list.append(word);
    if (tempo != 0)
        list.prepend(tempoEntry(tempo));
    else
        list.append(tempoEntry(tempo));
    list.append(keyEntry(key));
    const QString a = artist.trimmed();
    if (!a.isEmpty())
        list.prepend(a);
    return list;
}

int fieldForIndex(qint64 index, qint64 count, bool searchTextEmpty)
{
    if (index == count - 1)
        return FieldArtist;
    if (index == count - 2)
        return FieldKey;
    if (index == count - 3)
        return FieldTempo;
    if (index == count - 4)
        return FieldFlags;
    if (index == count - 5)
        return FieldPlayed;
    if (index == 0)
        return searchTextEmpty ? FieldTag : FieldSearch;
    return FieldTag;
}

qint64 stepIndex(qint64 current, qint64 count, qint64 step, qint64 quick)
{
    qint64 index = current;
    if (quick >= 1 && quick <= 5) {
        index = quickFilterIndex(quick, count);
    } else if (quick == 0) {
        if (step == 1)
            index = current >= count - 1 ? -1 : current + 1;
        else if (step == -1)
            index = current == -1 ? count - 1 : current - 1;
        else if (step > 1)
            index = step;
    }
    // An entry beyond the list is no filter.
    if (index < -1 || index >= count)
        index = -1;
    return index;
}

bool matches(int field, const PiecesDet &det, const QString &entry)
{
    const QString want = norm(entry);
    switch (field) {
    case FieldTempo:
        // Exact: "Tempo 120" is not a tempo of 1205.
        return det.tempo >= 1 && QStringLiteral("TEMPO %1").arg(det.tempo) == want;
    case FieldArtist: {
        // The entry that names no artist finds the songs stored without one.
        const QString artist = entry == kNoArtistEntry ? QString(PiecesDet::kNoArtist) : entry;
        return det.auteur.toUpper().contains(artist.toUpper());
    }
    case FieldTag:
        return det.infoF.toUpper().contains(entry.toUpper());
    case FieldSearch:
        return QStringLiteral("%1%2%3").arg(det.titre, det.auteur, det.infoF).toUpper().contains(entry.toUpper());
    case FieldKey: {
        // Exact: "Key of C" is not C#.
        const QString key = det.cle.simplified();
        return !key.isEmpty() && norm(QStringLiteral("KEY OF %1").arg(key)) == want;
    }
    default:
        return false;
    }
}

QString headerText(const QString &entry, bool wholeLibrary)
{
    return wholeLibrary ? QStringLiteral("All • %1.dummy").arg(entry) : QStringLiteral("%1.dummy").arg(entry);
}

QString noEntryText()
{
    return QStringLiteral("(no entry).dummy");
}

std::optional<QString> genreMenuTitle(qint64 genre, const QString &icon, const QString &flaggedCount)
{
    QString name;
    switch (genre) {
    case 0:
    case 1: name = QStringLiteral("Any"); break;
    case 2: name = QStringLiteral("Cover"); break;
    case 3: name = QStringLiteral("Backing Track"); break;
    case 4: name = QStringLiteral("Practice"); break;
    case 5: name = QStringLiteral("Recording"); break;
    case 6: return QStringLiteral("%1Genre=(MUTE)").arg(icon);
    default: return std::nullopt;
    }
    return QStringLiteral("%1Genre=%2%3").arg(icon, name, flaggedCount);
}

} // namespace marks
