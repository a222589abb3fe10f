#include "library/SortKeys.h"

#include <QCollator>
#include <algorithm>

namespace sortkeys {

namespace {
// One for each thread: a QCollator must not compare on two threads at once,
// and a thread's own lasts as long as it does, whatever the exit destroys.
const QCollator &collator()
{
    thread_local const QCollator c = [] {
        QCollator col;
        col.setCaseSensitivity(Qt::CaseInsensitive);
        return col;
    }();
    return c;
}
} // namespace

bool less(const QString &a, const QString &b) { return collator().compare(a, b) < 0; }

QString number8(qint64 n) { return QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0')); }

void sortByMainKey(PiecesList &list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const PiecesPtr &a, const PiecesPtr &b) { return less(a->sortString1, b->sortString1); });
}

void sortByAlternateKey(PiecesList &list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const PiecesPtr &a, const PiecesPtr &b) { return less(a->sortString2, b->sortString2); });
}

void sortLogs(QList<LogPieces> &list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const LogPieces &a, const LogPieces &b) { return less(a.sortString1, b.sortString1); });
}

} // namespace sortkeys
