#pragma once

#include "library/PiecesDet.h"

#include <QString>

// Where a performer's edit goes when its note cannot be written: a dated copy
// in "Kept notes" of the program's data folder, so the words are never lost
// with the failed write.
namespace keptnotes {

// Keeps the text as "<song> (edit not saved <date>).txt", in the note's format.
// Answers the path, or "" with the reason in *error. A copy kept while the
// program quits is logged and listed for the next start.
QString keep(const QString &songPath, const QString &text, const notefile::Format &format, QString *error = nullptr);

// What the start after a quit that kept copies says of them; "" when none.
// Said once: the list is emptied.
QString takeQuitNotice();

} // namespace keptnotes
