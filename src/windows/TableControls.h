#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

class QTableView;

// A click into a cell's control (a field, a pop-up) selects its row, as a
// click on the row would: the row's commands then act on it.
void selectRowOnControlFocus(QTableView *table);

// Cell controls that remember the table row they were made for, so their
// action knows which row it edits. The table's delegate sets the row.
class TableTextField : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    quint64 row() const { return row_; }
    void setRow(quint64 row) { row_ = row; }

private:
    quint64 row_ = 0;
};

class TableComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    qint64 row() const { return row_; }
    void setRow(qint64 row) { row_ = row; }

private:
    qint64 row_ = 0;
};

class TableButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    qint64 row() const { return row_; }
    void setRow(qint64 row) { row_ = row; }
    // A tag number of the delegate's choice.
    qint32 noTag() const { return noTag_; }
    void setNoTag(qint32 tag) { noTag_ = tag; }

private:
    qint64 row_ = 0;
    qint32 noTag_ = 0;
};
