#pragma once

#include <QString>
#include <functional>

class QMimeData;
class QVBoxLayout;
class QWidget;
class SetlistTable;

// The parts the list windows (tags, window identifiers) share.
namespace listcontrols {

// One row per entry, dragged to reorder in the drag type, each drop handed over.
void makeReorderable(SetlistTable *table, const QString &dragType,
                     const std::function<bool(const QMimeData *, int)> &onDrop);
// The "+", "−" and "?" buttons under a list.
void addRowButtons(QVBoxLayout *layout, QWidget *owner, const std::function<void()> &add,
                   const std::function<void()> &remove, const std::function<void()> &help);

} // namespace listcontrols
