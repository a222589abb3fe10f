#include "library/Data.h"

#include "library/MarkSnapshots.h"
#include "library/SortKeys.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

using marksnapshot::kFlags;
using marksnapshot::kPlayed;

bool playedMark(const PiecesDet &d) { return d.played; }
bool flaggedMark(const PiecesDet &d) { return d.flagged; }

// Writes the next of the ten snapshots (1 to 10 in turn).
void writeSnapshot(const marksnapshot::Keys &keys, const PiecesList &list, bool (*mark)(const PiecesDet &))
{
    auto &d = platform::UserDefaults::standard();
    // Before a late read, the next snapshot is counted from none: never over stored ones.
    const platform::UserDefaults::Provisional fallback(d);
    const qint64 last = d.integerForKey(keys.last);
    const qint64 n = (last >= 0 && last < marksnapshot::kCount) ? last + 1 : 1;
    QString text;
    for (const PiecesPtr &p : list) {
        if (p && p->pieceDet && mark(*p->pieceDet))
            text += platform::fileName(p->pieceDet->fichier) + QLatin1Char('\n');
    }
    {
        platform::UserDefaults::Batch batch(d);
        d.setString(keys.text.arg(n), text);
        d.setDate(keys.date.arg(n), platform::currentDateTime());
        d.setInteger(keys.last, n);
    }
    d.synchronize();
}

// Marks every tab-0 song whose file name begins with a line of the snapshot;
// the list follows the snapshot's line order.
qint32 recall(const QString &snapshot, PiecesList &target, void (*setMark)(PiecesDet &, bool))
{
    target.clear();
    QList<LogPieces> matches; // a scratch list of its own: the filtered list is left alone
    const QStringList lines = snapshot.toUpper().split(QLatin1Char('\n'));
    for (const PiecesPtr &entry : Data::listePiecesByTitle()) {
        if (!entry || entry->ongNo != 0)
            break;
        PiecesDet &det = *entry->pieceDet;
        setMark(det, false);
        const qsizetype p = marksnapshot::lineFor(platform::fileName(det.fichier).toUpper(), lines);
        if (p >= 0) {
            setMark(det, true);
            matches.append({entry, sortkeys::number8(p + 1)});
        }
    }
    sortkeys::sortLogs(matches);
    for (const LogPieces &m : matches)
        target.append(m.piece);
    return qint32(matches.size());
}

void clearMarks(void (*setMark)(PiecesDet &, bool))
{
    for (const PiecesPtr &entry : Data::listePiecesByTitle()) {
        if (entry && entry->ongNo == 0)
            setMark(*entry->pieceDet, false);
    }
}

void setPlayed(PiecesDet &d, bool v) { d.played = v; }
void setFlagged(PiecesDet &d, bool v) { d.flagged = v; }

} // namespace

void Data::saveLogPlayed()
{
    if (!listePiecesLog().isEmpty())
        writeSnapshot(kPlayed, listePiecesLog(), playedMark);
}

void Data::saveFlags()
{
    std::lock_guard lock(listePiecesFlaggedMonitor());
    if (!listePiecesFlagged().isEmpty())
        writeSnapshot(kFlags, listePiecesFlagged(), flaggedMark);
}

qint32 Data::recallPlayedStates(const QString &snapshot) { return recall(snapshot, listePiecesLog(), setPlayed); }

qint32 Data::recallFlags(const QString &snapshot) { return recall(snapshot, listePiecesFlagged(), setFlagged); }

void Data::clearAllPlayedStates()
{
    clearMarks(setPlayed);
    listePiecesLog().clear();
    // An empty snapshot, so the cleared marks are not recalled at the next start.
    writeSnapshot(kPlayed, listePiecesLog(), playedMark);
}

void Data::clearAllFlags()
{
    std::lock_guard lock(listePiecesFlaggedMonitor());
    clearMarks(setFlagged);
    listePiecesFlagged().clear();
    writeSnapshot(kFlags, listePiecesFlagged(), flaggedMark);
}

void Data::exporterListe()
{
    const qint64 choice = deuxChoixAvecCancel(
        QStringLiteral("Please, select the kind of list that you want to export to the pasteboard."),
        QStringLiteral("List of Titles"), QStringLiteral("List of Filenames"));
    if (choice == -1)
        return;

    const bool filtered = filterTypeG() != 0;
    const PiecesList &walked =
        filtered ? listePiecesTEMP2() : (currentSort() != 0 ? listePiecesByAuthor() : listePiecesByTitle());
    QString text;
    int count = 0;
    for (const PiecesPtr &entry : walked) {
        if (!entry || !entry->pieceDet)
            continue;
        const bool take = filtered ? entry->pieceDet->indexInTEMP0 >= 0
                                         && (entry->ongNo == onglNoG() || filterChampG() == 3)
                                   : entry->ongNo == onglNoG();
        if (!take)
            continue;
        const QString line = choice == 1 ? entry->pieceDet->titre : platform::fileName(entry->pieceDet->fichier);
        text += line + QLatin1Char('\n');
        ++count;
    }
    if (count == 0) {
        msg(QStringLiteral("No selected entry for the current tab. 0 entry copied to the pasteboard."));
        return;
    }
    QGuiApplication::clipboard()->setText(text);
    msg(QStringLiteral("%1 entry(ies) copied to the pasteboard.").arg(count));
}
