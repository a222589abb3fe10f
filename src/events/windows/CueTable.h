#pragma once

#include "events/CueRow.h"
#include "library/SongEv.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QTableView>
#include <functional>
#include <optional>

// The formatted notes window's cues as a table model: a row's fields are
// worked out only when the row is drawn or edited, so a song of thousands of
// cues costs what the rows on screen cost. Edits follow the cue row's rules
// (CueRow.h) and are handed to the owner, which writes them back.
class CueTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColTime, ColKind, ColA, ColB, ColC, ColText, ColTarget, ColumnCount };
    // A keystroke in a cell's field; Qt::EditRole ends the edit.
    static constexpr int TypingRole = Qt::UserRole + 1;
    static constexpr int PlaceholderRole = Qt::UserRole + 2;

    // A row being edited: its fields as the user left them (hidden ones
    // too), the row as first shown and its event then, so that an edit of
    // the time alone keeps the event's own text.
    struct Edit {
        SongEvPtr ev;
        cuerow::Row now, shown;
        SongEv original;
        bool timeTyped = false;   // the time shows red
        bool timePending = false; // typed since its edit last ended
    };

    explicit CueTableModel(QObject *parent = nullptr);

    // Rows are added or dropped at the end and the others redrawn, so a
    // selection stays on its row; an edit survives only on an event unchanged.
    void setEvents(const SongEvArray &events);
    void removeEventRow(int row);
    SongEvPtr eventAt(int row) const { return rows_.value(row); }
    // The row's fields as they read now (what a hidden combo holds is not read).
    cuerow::Row rowAt(int row) const;
    std::optional<Edit> editOf(int row) const;
    // What a combo cell offers: the kinds, the groups or semitones, the windows or destinations.
    bool isCombo(const QModelIndex &index) const;
    cuerow::Combo comboAt(const QModelIndex &index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;

    // Told after every edit of a row; `timeEnded` once an edit of its time ends.
    std::function<void(qint64 row, bool timeEnded)> edited;

private:
    cuerow::Row heldRow(int row) const;
    bool shows(int row, int column) const;

    SongEvArray rows_;
    cuerow::Lists lists_;
    mutable QHash<int, cuerow::Row> drawn_;
    QHash<int, Edit> edits_;
};

// The cue table: cells edited in place by one editor at a time, a click on
// a cell edits it, rows dragged as "NotesSongEvDataType" and groups or
// events dropped from the event library.
class CueTable : public QTableView {
    Q_OBJECT
public:
    explicit CueTable(QWidget *parent = nullptr);
    CueTableModel *cues() const { return model_; }
    // Shows the events; a field open on a row whose cue changed shows the new cue.
    void showEvents(const SongEvArray &events);
    qint64 selectedRow() const;
    // Selects a row and scrolls to it; a field open meanwhile stays open, as
    // a selection made by code is no edit of it.
    void chooseRow(int row);

    // A drop at row r, between rows or on a row; false refuses it.
    std::function<bool(const QMimeData *data, qint64 r, bool onRow)> dropped;

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    CueTableModel *model_;
    QPersistentModelIndex pressed_;
};
