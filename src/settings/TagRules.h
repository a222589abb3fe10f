#pragma once

#include "library/Pieces.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

// The tag and identifier windows' rules as plain values: paging of the tag
// columns, what extraction finds, row moves, and the tag edits of a run over
// many songs: one change a song, the failures reported once.
namespace tagrules {

// ---- Tag columns of the assignments window (eight at a time) -----------------------
inline constexpr int kTagColumns = 8;
struct TagPage {
    qsizetype first = 0; // position in the tag list of the first tag column
    int shown = 0;       // tag columns in use, the others hidden
    bool back = false;   // the page-back header shows its arrow
    bool forward = false;
};
TagPage page(qsizetype tagCount, qsizetype depart);
qsizetype pageBack(qsizetype depart);
// The last page is filled from the end.
qsizetype pageForward(qsizetype depart, qsizetype tagCount);

// ---- Extraction from file names and folders ----------------------------------------
// The tags (in list order) a song lacks and that occur, in any case, in the
// text after ")" of its file name or in the names of its folders below the
// library folder. Folders above the library (the home folder, the library's
// own name) play no part: they are the same for every song.
QStringList tagsToExtract(const QStringList &tags, const QString &infoF, const QString &nameInfo,
                          const QString &songPath, const QString &libraryFolder);

// ---- Row moves --------------------------------------------------------------------
// Moves row `from` to the drop position `to` (0..count) as the tables do;
// false, changing nothing, for a row that no longer exists.
template <typename T>
bool moveRow(QList<T> &list, qsizetype from, qsizetype to)
{
    if (from < 0 || from >= list.size() || to < 0 || to > list.size())
        return false;
    if (from >= to) {
        T item = list.takeAt(from);
        list.insert(to, item);
    } else {
        list.insert(to, list.at(from));
        list.removeAt(from);
    }
    return true;
}

// ---- Tag edits over many songs -------------------------------------------------------
using Edits = QList<std::pair<Pieces::TagEdit, QString>>;
struct BatchResult {
    int written = 0;     // songs whose note was written
    QStringList failures; // one line per song left alone
    bool cancelled = false;
};
// A song's edits as one change of its note, made in turn.
std::function<QString(const QString &)> change(const Edits &edits);
// The one message naming every song left alone; empty when none.
QString failureMessage(const QStringList &failures);

} // namespace tagrules
