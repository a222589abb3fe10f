#pragma once

#include "library/Data.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>

namespace librarytest {

// Empties the library's global state so that each test starts from a fresh run.
inline void resetLibrary()
{
    Data::initListePieces();
    Data::setSongNbrG(0);
    Data::setSongNbrGPrec(0);
    Data::setSongNoG(0);
    Data::setCurrentSort(0);
    Data::setCurrentScreensetG(0);
    Data::setFilterTypeG(0);
    Data::setFilterChampG(0);
    Data::setOnglNoG(0);
    Data::filterString().clear();
    Data::chargerTabsForDirNo(0, true);
    for (int n = 0; n < Data::kTabs; ++n) {
        Data::setIndexInTitleArrayG(n, -1);
        Data::setIndexInAuthorArrayG(n, -1);
    }
}

// A song file and, when given, its note side file.
inline QString song(const QTemporaryDir &dir, const QString &relPath, const QByteArray &note = QByteArray(),
                    const QByteArray &content = QByteArrayLiteral("x"))
{
    const QString path = testsupport::writeFile(dir.filePath(relPath), content);
    if (!note.isNull())
        testsupport::writeFile(notefile::notePathForSong(path), note);
    return path;
}

// A tab-0 entry built the way the scan builds it, its ChordPro header read with it.
inline PiecesPtr entryFor(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const PiecesDet::Header header = PiecesDet::readHeader(path);
    return Pieces::initWithPDF(path, name, -1, 0, nullptr, true, 0, QString(), {}, nullptr, nullptr, &header);
}

inline QStringList titles(const PiecesList &list)
{
    QStringList out;
    for (const PiecesPtr &p : list)
        out << QStringLiteral("%1:%2").arg(p->ongNo).arg(p->pieceDet->titre);
    return out;
}

} // namespace librarytest
