#include "settings/ListControls.h"

#include "settings/DataPref6.h"
#include "windows/DragTypes.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace listcontrols {

void makeReorderable(SetlistTable *table, const QString &dragType,
                     const std::function<bool(const QMimeData *, int)> &onDrop)
{
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setDragEnabled(true);
    table->setAcceptDrops(true);
    table->setDragDropMode(QAbstractItemView::DragDrop);
    table->makeDragData = [dragType](const QList<int> &rows) { return dragtypes::rowsMimeData(dragType, rows); };
    table->acceptsDrop = [dragType](const QMimeData *data) { return data && data->hasFormat(dragType); };
    table->onDrop = onDrop;
}

void addRowButtons(QVBoxLayout *layout, QWidget *owner, const std::function<void()> &add,
                   const std::function<void()> &remove, const std::function<void()> &help)
{
    auto *buttons = new QHBoxLayout;
    const std::pair<QString, std::function<void()>> items[] = {
        {QStringLiteral("+"), add}, {QStringLiteral("−"), remove}, {QStringLiteral("?"), help}};
    for (const auto &[title, action] : items) {
        if (title == QLatin1String("?"))
            buttons->addStretch();
        auto *b = new QPushButton(title);
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, owner, action);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
}

} // namespace listcontrols
