#include "library/Data.h"

#include "library/FolderWalk.h"
#include "library/MarkSnapshots.h"
#include "library/SortKeys.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"

#include <QSet>
#include <algorithm>

namespace {

bool g_listsCreated = false;

TabDetPtr tabAt(int n)
{
    const QList<TabDetPtr> &tabs = Data::tabs();
    if (n < tabs.size() && tabs[n])
        return tabs[n];
    // Tabs not loaded: tab 0 lists everything, the others nothing.
    static TabDetPtr defaults[Data::kTabs];
    if (!defaults[n])
        defaults[n] = std::make_shared<TabDet>(-1, n);
    return defaults[n];
}

// 0 PDF, 1 ChordPro text, as the scan's records tell them.
qint32 songKind(const QString &path)
{
    return platform::suffix(path).toLower() == QLatin1String("pdf") ? 0 : 1;
}

QStringList upperNames(const PiecesList &list)
{
    QStringList names;
    for (const PiecesPtr &p : list) {
        if (p && p->pieceDet)
            names.append(platform::fileName(p->pieceDet->fichier).toUpper());
    }
    return names;
}

} // namespace

void Data::initListePieces()
{
    for (PiecesList *l : {&listePiecesByTitle(), &listePiecesTEMP1(), &listePiecesByTitle2(), &listePiecesTEMP2(),
                          &listePiecesByAuthor(), &listePiecesPrec(), &listePiecesLog(), &listePiecesFlagged()})
        l->clear();
    g_listsCreated = true;
}

void Data::initDebLettre()
{
    // Entry 0 (titles starting with neither letter nor digit) is left as it is.
    for (int k = 1; k < kLetterKeys; ++k) {
        setDebLettre(k, 0);
        setDebLettre2(k, 0);
    }
}

void Data::tookSongHeader(const QString &path, const PiecesDet::Header &header)
{
    bool changed = false;
    QSet<const PiecesDet *> seen; // a record is shared by the tabs listing its song
    for (const PiecesPtr &p : std::as_const(listePiecesTEMP1())) {
        if (!p || !p->pieceDet || p->pieceDet->fichier != path || seen.contains(p->pieceDet.get()))
            continue;
        seen.insert(p->pieceDet.get());
        changed = Pieces::tookHeader(*p->pieceDet, header) || changed;
    }
    if (changed)
        platform::NotificationCenter::defaultCenter().postActionKey(vocab::SongInfoChanged);
}

folderwalk::Result &Data::lastScan()
{
    static folderwalk::Result scan;
    return scan;
}

FolderRead readFolder(const QString &folder)
{
    FolderRead read;
    read.usable = folderwalk::usable(folder);
    read.scan = folderwalk::walk(folder, Data::kMaxFilesPerScan);
    for (const QString &path : std::as_const(read.scan.taken)) {
        read.notes.append(notefile::read(notefile::notePathForSong(path)));
        read.headers.append(songKind(path) == 1 ? std::optional(PiecesDet::readHeader(path)) : std::nullopt);
    }
    return read;
}

bool Data::chargerFichiers(const QString &folder, bool noMsg)
{
    return chargerFichiers(folder, readFolder(folder), noMsg);
}

bool Data::chargerFichiers(const QString &folder, const FolderRead &read, bool noMsg)
{
    TLOG(QStringLiteral("Data chargerFichiers"));
    dirX() = folder;

    QStringList tabLines[kTabs];
    for (int n = 1; n < kTabs; ++n)
        tabLines[n] = tabAt(n)->list.toUpper().split(QLatin1Char('\n'));
    const QStringList playedNames = upperNames(listePiecesLog());
    const QStringList flaggedNames = upperNames(listePiecesFlagged());

    // Scratch lists of this scan only: the filtered list (TEMP2) is left alone.
    QList<LogPieces> playedScratch, flaggedScratch;
    qint64 maxPrec = -1;
    int taken = 0;

    folderwalk::Result &scan = lastScan();
    scan = read.scan;
    if (!scan.folderFound) {
        // A missing folder is not an empty one: no sample offer, the lists stay.
        TLOG(QStringLiteral("Data chargerFichiers: %1 is not available").arg(folder));
        return false;
    }
    if (scan.leftOut > 0)
        TLOG(QStringLiteral("Data chargerFichiers: %1 songs loaded, %2 files left out")
                 .arg(QString::number(scan.taken.size()), QString::number(scan.leftOut)));
    if (scan.badNames > 0)
        TLOG(QStringLiteral("Data chargerFichiers: %1 files skipped, names not valid UTF-8")
                 .arg(scan.badNames));
    if (scan.special > 0)
        TLOG(QStringLiteral("Data chargerFichiers: %1 pipes or devices with a song's name skipped").arg(scan.special));

    for (qsizetype at = 0; at < scan.taken.size(); ++at) {
        const QString &path = scan.taken[at];
        if (taken == 0) {
            if (!g_listsCreated) {
                initListePieces();
                setSongNbrGPrec(0);
                maxPrec = -1;
            } else {
                if (songNbrG() > 0) {
                    // The list the current song number indexes, to find it again afterwards.
                    listePiecesPrec() = currentSort() != 0 ? listePiecesByAuthor() : listePiecesByTitle();
                    setSongNbrGPrec(songNbrG());
                    maxPrec = songNbrGPrec() - 1;
                }
                for (PiecesList *l : {&listePiecesByTitle(), &listePiecesTEMP1(), &listePiecesByTitle2(),
                                      &listePiecesByAuthor(), &listePiecesLog()})
                    l->clear();
                std::lock_guard lock(listePiecesFlaggedMonitor());
                listePiecesFlagged().clear();
            }
            initDebLettre();
            for (int n = 0; n < kTabs; ++n) {
                setIndexInTitleArrayG(n, -1);
                setIndexInAuthorArrayG(n, -1);
            }
        }
        ++taken;

        const QString fileName = platform::fileName(path);
        const qint32 type = songKind(path);
        PiecesList &accumulation = listePiecesTEMP1();
        const std::optional<PiecesDet::Header> header = read.headers.value(at);
        const PiecesPtr entry0 =
            Pieces::initWithPDF(path, fileName, type, 0, tabAt(0), true, 0, QString(), {}, nullptr,
                                at < read.notes.size() ? &read.notes[at] : nullptr, header ? &*header : nullptr);

        qint32 positions[kTabs];
        for (int n = 1; n < kTabs; ++n) {
            const TabDetPtr tab = tabAt(n);
            positions[n] = -1;
            auto add = [&](const PiecesPtr &e) {
                if (e) {
                    positions[n] = qint32(accumulation.size());
                    accumulation.append(e);
                }
            };
            if (tab->optSel == TabDet::Setlist) {
                if (tab->list.isEmpty())
                    continue;
                for (int k = 0; k < tabLines[n].size(); ++k)
                    add(Pieces::initWithPDF(path, fileName, type, n, tab, false, k + 1, tabLines[n][k], {}, entry0));
            } else {
                add(Pieces::initWithPDF(path, fileName, type, n, tab, false, 0, QString(), tabLines[n], entry0));
            }
        }
        positions[0] = qint32(accumulation.size());
        entry0->initIndexes(positions[0], positions[1], positions[2], positions[3], positions[4], positions[5],
                            positions[6], positions[7], positions[8], positions[9]);
        accumulation.append(entry0);

        // One list entry per song, at its first matching name: two songs of the
        // same name must not double the lists at every refresh.
        const QString upperName = fileName.toUpper();
        if (const qsizetype p = marksnapshot::lineFor(upperName, playedNames); p >= 0) {
            entry0->pieceDet->played = true;
            playedScratch.append({entry0, sortkeys::number8(p + 1)});
        }
        if (const qsizetype p = marksnapshot::lineFor(upperName, flaggedNames); p >= 0) {
            entry0->pieceDet->flagged = true;
            flaggedScratch.append({entry0, sortkeys::number8(p + 1)});
        }
    }

    if (taken == 0) {
        if (!noMsg)
            msg(QStringLiteral("No PDF or ChordPro files found in the selected folder!"));
        return false;
    }

    PiecesList sorted = listePiecesTEMP1();
    sortkeys::sortByMainKey(sorted);
    listePiecesByTitle().append(sorted);
    determinerGaucheDroite(listePiecesByTitle(), currentSort() == 0 ? maxPrec : -1, 0);

    sorted = listePiecesTEMP1();
    sortkeys::sortByAlternateKey(sorted);
    listePiecesByAuthor().append(sorted);

    sortkeys::sortLogs(playedScratch);
    for (const LogPieces &l : playedScratch)
        listePiecesLog().append(l.piece);
    sortkeys::sortLogs(flaggedScratch);
    {
        std::lock_guard lock(listePiecesFlaggedMonitor());
        for (const LogPieces &l : flaggedScratch)
            listePiecesFlagged().append(l.piece);
    }

    determinerGaucheDroite(listePiecesByAuthor(), currentSort() != 0 ? maxPrec : -1, 1);

    // The count and the current song stay consistent with the new lists.
    setSongNbrG(listePiecesByTitle().size());
    setSongNoG(std::clamp<qint64>(songNoG(), 0, songNbrG()));
    return true;
}

void Data::determinerGaucheDroite(PiecesList &list, qint64 maxPrec, qint32 sort)
{
    const PiecesList &prec = listePiecesPrec();
    qint64 changedAt = -1;
    for (qint64 k = 1; k <= list.size(); ++k) {
        const PiecesPtr &e = list[k - 1];
        qint64 key;
        if (sort == 0) {
            if (indexInTitleArrayG(e->ongNo) == -1)
                setIndexInTitleArrayG(e->ongNo, k - 1);
            e->indexInTitleArray = qint32(k - 1);
            e->indexInAuthorArray = 0;
            key = keyn(e->pieceDet->titre);
            if (debLettre(key) == 0)
                setDebLettre(key, k);
        } else {
            if (indexInAuthorArrayG(e->ongNo) == -1)
                setIndexInAuthorArrayG(e->ongNo, k - 1);
            e->indexInAuthorArray = qint32(k - 1);
            key = keyn(e->pieceDet->auteur);
            if (debLettre2(key) == 0)
                setDebLettre2(key, k);
        }
        if (changedAt < 0 && k - 1 <= maxPrec && k - 1 < prec.size()
            && e->pieceDet->fichier != prec[k - 1]->pieceDet->fichier)
            changedAt = k;
    }
    if (maxPrec < 0)
        return;
    if (changedAt > 0)
        setSongNoG(changedAt);
    else if (list.size() > songNbrGPrec() && songNbrGPrec() >= 1)
        setSongNoG(songNbrGPrec() + 1);
}

void Data::afficherListePieces(const PiecesList &list)
{
    for (const PiecesPtr &p : list)
        TLOG(QStringLiteral("T=%1 A=%2 O=%3 %4")
                 .arg(QString::number(p->indexInTitleArray), QString::number(p->indexInAuthorArray),
                      QString::number(p->ongNo), p->pieceDet->titre));
}

QString Data::dirPopup()
{
    setGetDirOn(true);
    const QString chosen =
        platform::dialogs().chooseFolder(QStringLiteral("Tolvane"), QStringLiteral("Choose a folder"),
                                         platform::homePath());
    setGetDirOn(false);
    return chosen;
}

void Data::keepChosenFolder(const QString &chosen, bool readable)
{
    if (!readable) {
        msg(QStringLiteral("The folder \"%1\" cannot be read.").arg(chosen));
        return;
    }
    platform::UserDefaults::standard().setString(QStringLiteral("PathToFolder"), platform::absoluteFilePath(chosen));
    platform::UserDefaults::standard().synchronize();
}

QString Data::obtenirPathPourAltDir(const QString &path, const QString &altDir,
                                    const std::function<bool(const QString &)> &exists)
{
    const auto there = [&exists](const QString &file) { return exists ? exists(file) : platform::pathExists(file); };
    const QString suffix = platform::suffix(path);
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    const QString altBase = base + QStringLiteral("---") + altDir;
    const QString own = suffix.isEmpty() ? altBase : altBase + QLatin1Char('.') + suffix;
    if (there(own))
        return own;
    const QString other = altBase + (suffix.toUpper() == QLatin1String("PDF") ? QStringLiteral(".chopro") : QStringLiteral(".pdf"));
    if (there(other))
        return other;
    return QString();
}
