#pragma once

#include "settings/TagRules.h"

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <functional>

class NoteWriter;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

// A text field that takes a tag dragged from the tag list and posts
// "ActionInsererTag" with it (the current song gets the tag).
class TagTextField : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    // A drop of tag rows; false for data that does not decode or a tag row
    // that no longer exists.
    static bool insertDroppedTag(const QMimeData *data);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// Tag assignments: the songs of one tab, narrowed by title, artist and tag,
// with a check box per tag (eight tags a page), a clear button per song and
// bulk operations on the selected songs. Every change goes through the
// note writer: the record holds it at once, the song's note is read again
// just before it is written, and a note that cannot be written is named once
// it answers. Application-modal.
class DataPref8 : public QDialog {
    Q_OBJECT
public:
    // Columns, told apart by position.
    enum Column { ColTitle, ColArtist, ColBack, ColTag1, ColClear = ColTag1 + 8, ColTags, ColumnCount };

    explicit DataPref8(QWidget *parent = nullptr);

    // The note writes go through the writer (the controller's).
    void setNoteWriter(NoteWriter *writer);
    // Loads the lists and runs the window modally until it closes.
    void showDataPref8();
    // Loads and shows without the modal run.
    void prepare();

    void refreshSelonTabList();
    void refreshSelonFiltres();
    void actionReset();
    void didClickTableColumn(int column);
    void actionButtonTag(int row, int tagColumn, bool checked);
    void actionButtonClear(int row);
    void actionProceed();
    void actionClear();
    void actionExtractFromFilename();
    void actionButtonEscape();

    // ---- State and controls, for the tests ---------------------------------------------
    qsizetype depart() const { return depart_; }
    bool changeMade() const { return changeMade_; }
    qsizetype rowCount() const;
    PiecesPtr rowSong(qsizetype row) const;
    QTableWidget *table() const { return mTable_; }
    QComboBox *comboTabList() const { return comboTabList_; }
    QComboBox *comboOperation() const { return comboOperation_; }
    QComboBox *comboTagList() const { return comboTagList_; }
    QComboBox *comboFiltreTags() const { return comboFiltreTags_; }
    QLineEdit *filtreTitle() const { return filtreTitle_; }
    QLineEdit *filtreArtist() const { return filtreArtist_; }
    void selectRows(const QList<int> &rows);
    // Asked before each song of a bulk operation whether to go on.
    std::function<bool(int done, int total)> progress;

protected:
    void done(int result) override;

private:
    void chargerDonnees();
    void ajusterColonnes();
    void reloadTable();
    void refreshOneRow(int row);
    void fillRow(int row);
    QList<int> selectedRows() const;
    PiecesList selectedSongs(bool *none);
    void editRow(const PiecesPtr &song, const std::function<QString(const QString &)> &change);
    void refreshSongRow(const PiecesPtr &song);
    void noteWritten();
    void runBulk(const QString &what, const PiecesList &songs, std::function<tagrules::Edits(const PiecesPtr &)> plan);

    QTableWidget *mTable_ = nullptr;
    QComboBox *comboTabList_ = nullptr;
    QLabel *labelTabList_ = nullptr;
    QGroupBox *boxFilter_ = nullptr;
    QLineEdit *filtreTitle_ = nullptr;
    QLineEdit *filtreArtist_ = nullptr;
    QComboBox *comboFiltreTags_ = nullptr;
    QPushButton *buttonReset_ = nullptr;
    QPushButton *buttonExtract_ = nullptr;
    QPushButton *buttonClear_ = nullptr;
    QPushButton *buttonProceed_ = nullptr;
    QComboBox *comboOperation_ = nullptr;
    QComboBox *comboTagList_ = nullptr;

    QPointer<NoteWriter> writer_;
    bool dataIsLoaded_ = false;
    bool changeMade_ = false;
    bool filling_ = false;
    qint64 tabNoSource_ = 0;
    int typeSource_ = 0;
    PiecesList listeTemp_;
    qsizetype depart_ = 0;
};
