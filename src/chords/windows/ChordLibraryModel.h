#pragma once

#include "chords/ChordLibraryRules.h"
#include "chords/windows/ChordLibrary.h"

#include <QAbstractTableModel>
#include <QMimeData>

// One table's rows as cells. Cells are read-only: every change of a shape goes
// through the editor, which keeps the library text and the unsaved mark right.
class ChordLibraryModel : public QAbstractTableModel {
public:
    ChordLibraryModel(ChordLibrary *owner, ChordLibrary::Table table) : QAbstractTableModel(owner), owner_(owner), table_(table) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(owner_->records(table_).size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 8; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
            return {};
        return chordlibrary::cellText(owner_->records(table_).at(index.row()), index.column(), owner_->instrument());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return {};
        if (section == 0)
            return QStringLiteral("Chord");
        if (section == 7)
            return QStringLiteral("Fret");
        return QStringLiteral("S%1").arg(section);
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsDropEnabled;
        if (index.isValid())
            f |= Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
        return f;
    }
    QStringList mimeTypes() const override { return {owner_->chordLibraryDataType(), owner_->chordDefinesDataType()}; }
    QMimeData *mimeData(const QModelIndexList &indexes) const override
    {
        int row = -1;
        for (const QModelIndex &i : indexes)
            if (row < 0 || i.row() < row)
                row = i.row();
        return row < 0 ? nullptr : owner_->mimeForRow(table_, row);
    }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    bool canDropMimeData(const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent) const override
    {
        if (parent.isValid())
            return owner_->validateDrop(table_, data, parent.row(), true);
        return owner_->validateDrop(table_, data, row < 0 ? rowCount() : row, false);
    }
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent) override
    {
        if (!canDropMimeData(data, action, row, column, parent))
            return false;
        return owner_->acceptDrop(table_, data, row < 0 ? rowCount() : row);
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }

private:
    ChordLibrary *owner_;
    ChordLibrary::Table table_;
};
