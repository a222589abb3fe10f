#include "windows/TableControls.h"

#include <QApplication>
#include <QTableView>

void selectRowOnControlFocus(QTableView *table)
{
    QObject::connect(qApp, &QApplication::focusChanged, table, [table](QWidget *, QWidget *now) {
        if (!now || !table->viewport()->isAncestorOf(now))
            return;
        const int row = table->indexAt(now->mapTo(table->viewport(), QPoint(1, 1))).row();
        const QModelIndexList selected = table->selectionModel() ? table->selectionModel()->selectedRows()
                                                                 : QModelIndexList();
        if (row >= 0 && (selected.isEmpty() || selected.first().row() != row))
            table->selectRow(row);
    });
}
