#pragma once

#include "library/Pieces.h"
#include "library/TabDet.h"

#include <QDialog>
#include <QTableWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;

// A table of the setlist editor: starts drags of its selected rows in its
// own format and hands drops to the editor.
class SetlistTable : public QTableWidget {
    Q_OBJECT
public:
    SetlistTable(const QString &dragFormat, QWidget *parent = nullptr);
    // Answers whether a drop of the data at the row was taken.
    std::function<bool(const QMimeData *, int)> onDrop;
    std::function<bool(const QMimeData *)> acceptsDrop;
    // The mime data of a drag of the given rows; makeDragData, when set,
    // makes it in another program-wide format.
    QMimeData *dragData(const QList<int> &rows) const;
    std::function<QMimeData *(const QList<int> &)> makeDragData;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString format_;
};

// The setlist and collection editor: edits one tab (1-9) of the current
// library folder in place, the library's own record, and hands its result
// back through the record's save and one command (58 reloads the library,
// 1015 redraws the tab names). Application-modal; timers and MIDI go on.
// Spread over DataPref6.cpp (loading, layout, tables, saving, closing) and
// DataPref6Rows.cpp (adding, dragging, deleting, importing, exporting rows).
class DataPref6 : public QDialog {
    Q_OBJECT
public:
    explicit DataPref6(QWidget *parent = nullptr);
    ~DataPref6() override;

    // Loads the tab and runs the window modally until it closes.
    void showDataPref6(qint64 unused, qint64 tabNo);
    // Loads the tab and announces the window, without the modal run; false
    // for a tab that is not one of the library's.
    bool prepare(qint64 tabNo);

    // ---- Actions ------------------------------------------------------------------
    void actionSave();
    void actionCancel();
    void actionInsertRow();
    // With a sender (the button) an empty selection is reported.
    void actionDeleteRow(bool withSender = true);
    void actionEmptyList();
    void actionEnterOnList();
    void actionEnterOnTag();
    void actionBackspaceOnList();
    void actionPlayed();
    void actionFlagged();
    void actionReset();
    void actionImport();
    void actionExport();
    void actionButtonHelp();
    // A drop of data on mList at a row; false when it is refused.
    bool acceptDrop(const QMimeData *data, int row);
    bool validateDrop(const QMimeData *data) const;
    // A choice in a combo box (its current index).
    void comboBoxSelectionDidChange(QComboBox *combo);

    // The library's entries of a tab, in title order (the tag windows list them too).
    static PiecesList tabSongs(qint64 tab);

    // ---- State and controls, for the tests -------------------------------------------
    const PiecesList &liste() const { return liste_; }
    const PiecesList &listeTemp() const { return listeTemp_; }
    bool changeMade() const { return changeMade_; }
    bool changeMadeTabName() const { return changeMadeTabName_; }
    bool menuOn() const { return menuOn_; }
    QTableWidget *mTable() const { return mTable_; }
    QTableWidget *mList() const { return mList_; }
    QTableWidget *mTag() const { return mTag_; }
    QLineEdit *tabName() const { return tabName_; }
    QLineEdit *prefix1() const { return prefix1_; }
    QComboBox *comboTabType() const { return comboTabType_; }
    QComboBox *comboSort1() const { return comboSort1_; }
    QComboBox *comboOptSel() const { return comboOptSel_; }
    QComboBox *comboLookInto() const { return comboLookInto_; }
    QPushButton *buttonSave() const { return buttonSave_; }
    // The text of a row's Status cell and its tool tip.
    QString statusText(int row) const;
    QString statusToolTip(int row) const;
    // Ends the editing of a title cell of mList with a text.
    void editListTitle(int row, const QString &text);
    // Ends the editing of a text field (tabName, a prefix, a filter) as typed by the user.
    void editField(QLineEdit *field, const QString &text);

protected:
    void done(int result) override;
    // Return adds the selected songs or tag, Delete removes the selected rows.
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool isSetlist() const;
    void buildControls();
    void chargerDonnees();
    void ajusterSelonTabType();
    void majDonneesTab(TabDet &tab) const;
    void sauvegarderDonnees();
    void refreshSelonFiltres();
    void refreshSelonTabList();
    void refreshCollectionPreview(bool reload);
    void remplirComboTabList();
    void remplircomboFiltreTags();
    void ajouterTag(qsizetype tagIndex);
    void markChange();
    void rebuildPreviewIfCollection();
    void changeType(int item);
    void appendRows(const PiecesList &rows);
    void insertRowsAt(int row, const PiecesList &rows);
    void reloadTable();
    void reloadList();
    void reloadTags();
    void scrollListToEnd();
    void textEdited(QLineEdit *field);
    void textEditingEnded(QLineEdit *field);
    qsizetype sourceCount() const;
    PiecesPtr sourceEntry(qsizetype row) const;
    QStringList libraryFileNames() const;
    // The library's songs that a scratch tab record takes with these words
    // (one per line), built and ordered as the library load does.
    static PiecesList matchingSongs(const TabDetPtr &scratch, const QString &words);
    static PiecesPtr keywordRow(const QString &word);
    PiecesPtr setlistRow(const QString &line) const;
    QList<int> selectedRows(const QTableWidget *table) const;

    TabDetPtr tab_;
    PiecesList liste_;
    PiecesList listeTemp_;
    qint32 tabNoSource_ = 0;
    qint32 typeSource_ = 0;
    bool changeMade_ = false;
    bool changeMadeTabName_ = false;
    bool modifiable_ = false;
    bool dataIsLoaded_ = false;
    bool menuOn_ = false;
    bool filling_ = false;
    QStringList libraryNames_;

    SetlistTable *mTable_ = nullptr;
    SetlistTable *mList_ = nullptr;
    SetlistTable *mTag_ = nullptr;
    QWidget *mScrollView2_ = nullptr;
    QLineEdit *tabName_ = nullptr;
    QComboBox *comboTabType_ = nullptr;
    QComboBox *comboSort1_ = nullptr;
    QComboBox *comboSort2_ = nullptr;
    QLineEdit *prefix1_ = nullptr;
    QLineEdit *prefix2_ = nullptr;
    QComboBox *comboOptSel_ = nullptr;
    QComboBox *comboLookInto_ = nullptr;
    QComboBox *comboTabList_ = nullptr;
    QLineEdit *filtreTitle_ = nullptr;
    QLineEdit *filtreArtist_ = nullptr;
    QComboBox *comboFiltreTags_ = nullptr;
    QCheckBox *buttonPlayed_ = nullptr;
    QCheckBox *buttonFlagged_ = nullptr;
    QPushButton *buttonReset_ = nullptr;
    QGroupBox *boxFilter_ = nullptr;
    QLabel *labelTabList_ = nullptr;
    QLabel *labelPreview_ = nullptr;
    QPushButton *buttonSave_ = nullptr;
    QPushButton *buttonCancel_ = nullptr;
    QPushButton *buttonInsert_ = nullptr;
    QPushButton *buttonDelete_ = nullptr;
    QPushButton *buttonEmptyList_ = nullptr;
    QPushButton *buttonImport_ = nullptr;
    QPushButton *buttonExport_ = nullptr;
};
