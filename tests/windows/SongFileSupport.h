#pragma once

#include "library/Pieces.h"
#include "library/PiecesDet.h"

#include <QFileInfo>
#include <memory>

namespace windowstest {

// A song entry for a file, titled after the file's name.
inline PiecesPtr song(const QString &path)
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    piece->pieceDet->titre = QFileInfo(path).completeBaseName();
    piece->pieceDet->auteur = QStringLiteral("Band");
    return piece;
}

} // namespace windowstest
