#pragma once

#include "library/Pieces.h"

#include <QWidget>

class QComboBox;
class QTableWidget;

// The alternate versions of the current song: the master and one row per
// window identifier, with buttons to create, open and delete each version
// (a file beside the song named "<song>---<identifier>.<extension>").
// Creating never replaces a file; deleting goes to the trash.
class WinVersions : public QWidget {
    Q_OBJECT
public:
    enum Column { ColWinID, ColFilename, ColCreate, ColDelete, ColOpen, ColumnCount };

    explicit WinVersions(QWidget *parent = nullptr);

    // Takes the song and reloads; unless refreshOnly, also comes to the front.
    void showWin(const PiecesPtr &piece, bool refreshOnly);
    void actionButtonCreate(int row);
    void actionButtonOpen(int row);
    void actionButtonDelete(int row);
    void actionButtonHelp();

    // The existing alternate file of row r (1..n) for the song; "" when none.
    QString alternatePath(int row) const;
    // The text of a cell, and whether its button shows ("" when hidden).
    QString cellText(int row, Column column) const;
    QTableWidget *table() const { return mTable_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reload();
    QString idOfRow(int row) const;

    QTableWidget *mTable_ = nullptr;
    PiecesPtr pieceCour_;
};

// The version chooser: picks which version of the current song to open, by
// choosing or typing a window identifier, and posts "ActionOpen" with it.
class DataPrefA : public QWidget {
    Q_OBJECT
public:
    explicit DataPrefA(QWidget *parent = nullptr);

    void showDataPrefA();
    void remplirComboWIDList();
    // The edit of the field ended: the typed or chosen version opens.
    void refreshSelonFiltres();
    void actionButtonEscape();
    QComboBox *combo() const { return comboWID_; }
    bool escapePressed() const { return escapePressed_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QComboBox *comboWID_ = nullptr;
    bool dataIsLoaded_ = false;
    bool escapePressed_ = false;
};

namespace versions {
// The name of a new alternate version: "<song without extension>---<id>.<suffix>".
QString newVersionPath(const QString &songPath, const QString &id, const QString &suffix);
// Whether an identifier can be part of a file name (not empty, no "/", no NUL).
bool idFitsFileName(const QString &id);
} // namespace versions
