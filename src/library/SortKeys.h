#pragma once

#include "library/Pieces.h"

#include <QList>

// Localised, case-insensitive, stable ordering of the song lists by their
// sort keys (each key begins with the tab number, so each tab stays one run).
namespace sortkeys {

bool less(const QString &a, const QString &b);
// A number as eight zero-padded digits, so that keys order by it as text.
QString number8(qint64 n);
void sortByMainKey(PiecesList &list);
void sortByAlternateKey(PiecesList &list);
void sortLogs(QList<LogPieces> &list);

} // namespace sortkeys
