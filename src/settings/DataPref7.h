#pragma once

#include "library/Pieces.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class NoteWriter;
class QMimeData;
class QPushButton;
class QTableWidget;
class SetlistTable;

// The tag list: adds, renames, reorders and deletes the program's tags
// (Data::tags(), edited in place) and, on request, removes a deleted tag from
// every song. Rows drag out as TagsDataType onto the tag drop fields.
// Floats above the document windows; the list is stored when the window
// closes and at shut-down.
class DataPref7 : public QWidget {
    Q_OBJECT
public:
    explicit DataPref7(QWidget *parent = nullptr);

    // The note writes go through the writer (the controller's).
    void setNoteWriter(NoteWriter *writer);

    // With save, a visible window stores the list first.
    void showDataPref7(bool save);
    void closeWin();
    void sauvegarderDonnees();

    void actionInsertRow();
    void actionDeleteRow();
    void actionButtonHelp();
    // A cell's text became the tag of its row.
    void updateTagAtIndex(int row, const QString &text);
    // Removes a tag from every song of the library after asking, through the
    // note writer; done answers, once the notes have, false when the removal
    // was cancelled part way.
    void removeTagFromAllSong(const QString &tag, std::function<void(bool whole)> done);
    // A drop of rows at a row; false for data that does not decode or a row
    // that no longer exists.
    bool acceptDrop(const QMimeData *data, int row);

    bool menuOn() const { return menuOn_; }
    QTableWidget *table() const;
    // Asked before each song of a removal whether to go on (the progress
    // popup's Cancel); tests replace it.
    std::function<bool(int done, int total)> progress;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reload();
    void refreshGenTags();

    SetlistTable *mTable_ = nullptr;
    QPointer<NoteWriter> writer_;
    bool menuOn_ = false;
    bool filling_ = false;
};
