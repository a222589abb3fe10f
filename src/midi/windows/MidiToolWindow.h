#pragma once

#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <vector>

class QMimeData;

// A table of the MIDI settings windows. Its cells are controls, so a row is
// dragged by its number in the row header; drops go to the window, which
// says whether a drop onto a row or between rows is taken.
//
// A window that sets fillRow gets its rows' controls built as the rows come
// into view (a few at each turn of the event loop) or when a cell is asked
// for, so that a table of thousands of rows opens as fast as one of ten.
// Rows share one height, that of the first row filled.
class MidiRowTable : public QTableWidget {
    Q_OBJECT
public:
    MidiRowTable(const QStringList &columns, QWidget *parent = nullptr);

    // The drag of a row; nullptr: the row cannot be dragged.
    std::function<QMimeData *(int row)> dragData;
    // A drop at a row: onRow onto it, else just above it (row == rowCount: below the last).
    std::function<bool(const QMimeData *data, int row, bool onRow)> canDrop;
    std::function<bool(const QMimeData *data, int row, bool onRow)> onDrop;
    // Types taken only from a drag that started in this table (row indexes
    // mean nothing in another table).
    QStringList ownTypes;

    // Makes or refills the controls of a row from its record.
    std::function<void(int row)> fillRow;
    // Rows as tall as their controls; else at least the default row height.
    bool rowsFitContents = false;
    // Sets the number of rows; each is filled again before it is next seen.
    void resetRows(int count);
    // The control of a cell, its row filled first when needed; nullptr outside the table.
    QWidget *cell(int row, int column) const;

    // -1 when no row is selected.
    int selectedRow() const;
    // Selects a row (or nothing for -1) and scrolls to it.
    void selectAndShow(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void ensureFilled(int row) const;
    void fillVisibleRows();
    void dragRow(int row);
    // Where a drop at the point lands.
    void dropPlace(const QPoint &pos, int *row, bool *onRow) const;
    bool takes(const QDropEvent *event, int row, bool onRow) const;

    int pressRow_ = -1;
    QPoint pressPos_;
    // Per row: filled from its record since the last reset.
    mutable std::vector<bool> filled_;
    mutable int rowHeight_ = 0;
    bool fillPending_ = false;
};

// A floating MIDI settings window, made once and kept. It tells the
// controller the first time it is shown after a close ("ActionKey" 1007)
// and when it closes (1008), saves its table on close, and gives the
// keyboard back to a document window.
class MidiToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit MidiToolWindow(const QString &title, QWidget *parent = nullptr);

    bool menuOn() const { return menuOn_; }
    // Writes what the window edits, pending edits included, as its close does.
    virtual void sauvegarderDonnees() = 0;
    // A help page: "ActionKey" 3000 plus the tag.
    static void actionButtonHelp(int tag);

protected:
    // Shows, raises and activates the window; the first show after a close posts 1007.
    void presentWindow();
    void closeEvent(QCloseEvent *event) override;
    // Runs before the save of a close.
    virtual void windowWillClose() {}
    static void post(int code);

private:
    bool menuOn_ = false;
};
