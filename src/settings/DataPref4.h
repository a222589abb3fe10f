#pragma once

#include <QWidget>

class QComboBox;
class QMimeData;
class QTableWidget;
class SetlistTable;

// Window identifiers: adds, renames, reorders and deletes the identifiers
// (Data::winIDs(), edited in place) and sets each one's four policies. The
// list is stored when the window closes and at shut-down.
class DataPref4 : public QWidget {
    Q_OBJECT
public:
    enum Column { ColWinID, ColDefNote, ColDefPDF, ColDefCHO, ColDefMsg, ColumnCount };

    explicit DataPref4(QWidget *parent = nullptr);

    void showDataPref4(bool save);
    void sauvegarderDonnees();
    void actionInsertRow();
    void actionDeleteRow();
    void actionButtonHelp();
    // The record of a row takes the row's name and its combos' choices.
    void updateWinIDAtIndex(int row);
    bool acceptDrop(const QMimeData *data, int row);

    bool menuOn() const { return menuOn_; }
    QTableWidget *table() const;
    QComboBox *policyCombo(int row, Column column) const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reload();

    SetlistTable *mTable_ = nullptr;
    bool menuOn_ = false;
    bool filling_ = false;
};
