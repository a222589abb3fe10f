#include "settings/DataPref6.h"

#include "library/Data.h"
#include "settings/SetlistRules.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDrag>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPushButton>

// ---- The tables' drags --------------------------------------------------------------------------

SetlistTable::SetlistTable(const QString &dragFormat, QWidget *parent)
    : QTableWidget(parent), format_(dragFormat)
{
}

QMimeData *SetlistTable::dragData(const QList<int> &rows) const
{
    if (makeDragData)
        return makeDragData(rows);
    auto *data = new QMimeData;
    data->setData(format_, setlist::encodeRows(rows));
    return data;
}

void SetlistTable::startDrag(Qt::DropActions supportedActions)
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData(rows));
    drag->exec(supportedActions | Qt::CopyAction, Qt::CopyAction);
}

void SetlistTable::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SetlistTable::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SetlistTable::dropEvent(QDropEvent *event)
{
    int row = indexAt(event->position().toPoint()).row();
    if (row < 0)
        row = rowCount();
    if (onDrop && onDrop(event->mimeData(), row)) {
        // The rows are rearranged by the editor, never removed by the view.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- Rows of the editor ---------------------------------------------------------------------------

QList<int> DataPref6::selectedRows(const QTableWidget *table) const
{
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataPref6::appendRows(const PiecesList &rows)
{
    insertRowsAt(int(liste_.size()), rows);
}

void DataPref6::insertRowsAt(int row, const PiecesList &rows)
{
    row = std::clamp(row, 0, int(liste_.size()));
    for (qsizetype i = rows.size() - 1; i >= 0; --i)
        liste_.insert(row, rows.at(i));
}

void DataPref6::ajouterTag(qsizetype tagIndex)
{
    if (tagIndex < 0 || tagIndex >= Data::tags().size())
        return;
    appendRows({keywordRow(Data::tags().at(tagIndex))});
    markChange();
    reloadList();
    rebuildPreviewIfCollection();
}

void DataPref6::actionEnterOnTag()
{
    const QList<int> rows = selectedRows(mTag_);
    if (rows.isEmpty())
        return;
    ajouterTag(mTag_->currentRow() >= 0 ? mTag_->currentRow() : rows.first());
}

void DataPref6::actionEnterOnList()
{
    QWidget *focused = focusWidget();
    if (focused == mTag_) {
        actionEnterOnTag();
        return;
    }
    if (focused != mTable_)
        return;
    PiecesList added;
    for (int r : selectedRows(mTable_))
        if (PiecesPtr entry = sourceEntry(r))
            added << entry;
    if (added.isEmpty())
        return;
    appendRows(added);
    markChange();
    reloadList();
    scrollListToEnd();
    rebuildPreviewIfCollection();
}

void DataPref6::actionInsertRow()
{
    if (isSetlist())
        return;
    PiecesPtr row = keywordRow(QStringLiteral("dummy"));
    row->pieceDet->titre.clear();
    appendRows({row});
    markChange();
    reloadList();
    scrollListToEnd();
    const int last = mList_->rowCount() - 1;
    if (QTableWidgetItem *item = mList_->item(last, 1)) {
        mList_->setCurrentItem(item);
        mList_->editItem(item);
    }
}

void DataPref6::actionDeleteRow(bool withSender)
{
    const QList<int> rows = selectedRows(mList_);
    if (rows.isEmpty()) {
        if (withSender)
            Data::msg(QStringLiteral("A row must be selected to perform this operation"));
        return;
    }
    const int current = mList_->currentRow();
    const int lastSelected = rows.contains(current) ? current : rows.last();
    for (qsizetype i = rows.size() - 1; i >= 0; --i)
        if (rows.at(i) < liste_.size())
            liste_.removeAt(rows.at(i));
    markChange();
    reloadList();
    const int next = setlist::rowAfterDelete(lastSelected, int(rows.size()), int(liste_.size()));
    if (next >= 0) {
        mList_->clearSelection();
        mList_->selectRow(next);
        mList_->scrollToItem(mList_->item(next, 1));
    }
    rebuildPreviewIfCollection();
}

void DataPref6::actionBackspaceOnList()
{
    if (focusWidget() == mList_ && !selectedRows(mList_).isEmpty())
        actionDeleteRow(false);
}

void DataPref6::actionEmptyList()
{
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    if (liste_.isEmpty() || !Data::question(QStringLiteral("Remove all entries from the list?")))
        return;
    liste_.clear();
    markChange();
    reloadList();
    rebuildPreviewIfCollection();
}

void DataPref6::actionPlayed()
{
    refreshSelonFiltres();
}

void DataPref6::actionFlagged()
{
    refreshSelonFiltres();
}

void DataPref6::actionReset()
{
    tabNoSource_ = 0;
    typeSource_ = 0;
    {
        const QSignalBlocker quiet(comboFiltreTags_);
        comboFiltreTags_->setCurrentText(QString());
    }
    for (QLineEdit *field : {filtreTitle_, filtreArtist_})
        field->clear();
    if (comboTabList_->currentIndex() != 0) {
        const QSignalBlocker quiet(comboTabList_);
        comboTabList_->setCurrentIndex(0);
    }
    refreshSelonTabList();
}

// ---- Drops ---------------------------------------------------------------------------------------

bool DataPref6::validateDrop(const QMimeData *data) const
{
    if (!data || !dataIsLoaded_)
        return false;
    if (data->hasFormat(setlist::fromSourceFormat()))
        return setlist::decodeRows(data->data(setlist::fromSourceFormat()), int(sourceCount())).has_value();
    if (data->hasFormat(setlist::tagFormat()))
        return setlist::decodeRows(data->data(setlist::tagFormat()), int(Data::tags().size())).has_value();
    if (data->hasText())
        return !data->text().isEmpty();
    if (data->hasFormat(setlist::moveFormat()))
        return setlist::decodeRows(data->data(setlist::moveFormat()), int(liste_.size())).has_value();
    return false;
}

bool DataPref6::acceptDrop(const QMimeData *data, int row)
{
    if (!validateDrop(data))
        return false;
    row = std::clamp(row, 0, int(liste_.size()));
    bool rebuild = true;
    if (data->hasFormat(setlist::fromSourceFormat())) {
        const QList<int> rows = *setlist::decodeRows(data->data(setlist::fromSourceFormat()), int(sourceCount()));
        PiecesList added;
        for (int r : rows)
            added << sourceEntry(r);
        insertRowsAt(row, added);
    } else if (data->hasFormat(setlist::tagFormat())) {
        const QList<int> tags = *setlist::decodeRows(data->data(setlist::tagFormat()), int(Data::tags().size()));
        insertRowsAt(row, {keywordRow(Data::tags().at(tags.first()))});
    } else if (data->hasText()) {
        insertRowsAt(row, {keywordRow(data->text())});
    } else {
        const QList<int> dragged = *setlist::decodeRows(data->data(setlist::moveFormat()), int(liste_.size()));
        const QList<int> order = *setlist::moveRows(int(liste_.size()), dragged, row);
        PiecesList moved;
        for (int r : order)
            moved << liste_.at(r);
        liste_ = moved;
        rebuild = comboSort1_->currentIndex() == TabDet::ListOrder;
    }
    reloadList();
    markChange();
    if (rebuild)
        rebuildPreviewIfCollection();
    return true;
}

// ---- Clipboard ---------------------------------------------------------------------------------------

void DataPref6::actionImport()
{
    const QString text = QApplication::clipboard()->text();
    qsizetype added = 0;
    if (isSetlist()) {
        auto scratch = std::make_shared<TabDet>(0, 0);
        scratch->optSel = TabDet::AnyWord;
        scratch->tabSort = scratch->tabSortAlt = TabDet::ListOrder;
        scratch->lookInto = TabDet::FileName;
        const PiecesList found = matchingSongs(scratch, text);
        appendRows(found);
        added = found.size();
        Data::msg(QStringLiteral("%1 valid entries added from the pasteboard").arg(added));
    } else {
        PiecesList words;
        for (const QString &line : setlist::nonEmptyLines(text))
            words << keywordRow(line);
        appendRows(words);
        added = words.size();
        Data::msg(QStringLiteral("%1 entries added from the pasteboard").arg(added));
    }
    if (added > 0) {
        reloadList();
        markChange();
        rebuildPreviewIfCollection();
    }
}

void DataPref6::actionExport()
{
    const bool setlistType = isSetlist();
    const PiecesList &rows = setlistType ? liste_ : listeTemp_;
    if (rows.isEmpty()) {
        Data::msg(QStringLiteral("Current list is empty. 0 entry copied to the pasteboard."));
        return;
    }
    QStringList lines;
    for (const PiecesPtr &row : rows)
        lines << setlist::listLine(row->pieceDet->fichier, row->pieceDet->titre, true);
    QApplication::clipboard()->setText(setlist::listText(lines));
    Data::msg(QStringLiteral("%1 filename(s) copied to the pasteboard.").arg(lines.size()));
}
