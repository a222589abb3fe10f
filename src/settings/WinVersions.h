#pragma once

#include "library/Pieces.h"
#include "platform/Clock.h"
#include "platform/FileWork.h"
#include "windows/PageRenderer.h"

#include <QWidget>
#include <optional>

class QComboBox;
class QTableWidget;

// The alternate versions of the current song: the master and one row per
// window identifier, with buttons to create, open and delete each version
// (a file beside the song named "<song>---<identifier>.<extension>").
// Creating never replaces a file; deleting goes to the trash.
//
// Which versions exist is looked at by a renderer's thread, one row after the
// other, and each row fills as its answer comes; a version is made or deleted
// on a thread of its own. A library folder that does not answer holds those
// threads alone, never the window or the keys, and the rows still looked at
// say so.
class WinVersions : public QWidget {
    Q_OBJECT
public:
    enum Column { ColWinID, ColFilename, ColCreate, ColDelete, ColOpen, ColumnCount };

    // `look` stands in for the file system (a share in tests); {} takes defaultLook().
    explicit WinVersions(QWidget *parent = nullptr, PageRenderer::FileLook look = {});
    // What a window made without a look of its own (this one, the version
    // chooser) looks with ({} the file system).
    static void setDefaultLook(PageRenderer::FileLook look);

    // Takes the song and reloads; unless refreshOnly, also comes to the front.
    void showWin(const PiecesPtr &piece, bool refreshOnly);
    void actionButtonCreate(int row);
    void actionButtonOpen(int row);
    void actionButtonDelete(int row);
    void actionButtonHelp();

    // The existing alternate file of row r (1..n) for the song; "" when none
    // or not known yet.
    QString alternatePath(int row) const;
    // Whether every row's answer to the last reload has come, and no file is being made or deleted.
    bool looked() const;
    // The text of a cell, and whether its button shows ("" when hidden).
    QString cellText(int row, Column column) const;
    QTableWidget *table() const { return mTable_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void reload();
    void fillRow(int row);
    QString idOfRow(int row) const;
    QString songFile() const;
    PageRenderer &looks();
    // Asks for the next row's version; an answer known already fills its row at once.
    void askNext();
    void answered(const QString &path);
    // Whether the look under way waits on a silent folder, said in the rows without an answer.
    void watchSilence();
    void saySilent(bool silent);
    // Known before the look confirms it: the file just made or deleted for the song.
    void setAlternate(const QString &song, int row, const QString &path);
    void deleted(const QString &song, int row, bool gone);

    QTableWidget *mTable_ = nullptr;
    PiecesPtr pieceCour_;
    PageRenderer::FileLook look_;
    PageRenderer *looks_ = nullptr;
    // Row r's alternate at index r - 1; nullopt while it is looked at.
    QList<std::optional<QString>> alternates_;
    QString listed_;    // the song file the rows are for
    int next_ = 1;      // the row to ask for next
    int asked_ = 0;     // the row whose answer is on its way, 0 for none
    QString askedFor_;  // the song file it was asked for
    bool stale_ = false; // the answer on its way was asked before the last reload
    bool silent_ = false; // the folder keeps the look under way unanswered
    platform::Timer silence_;
    platform::FileWork writes_;
};

// The version chooser: picks which version of the current song to open, by
// choosing or typing a window identifier, and posts "ActionOpen" with it.
// The list holds the versions the bound windows' renderers found (filled as
// they answer); the typed identifier's version is looked for by a renderer
// of the chooser's own, and opens when it answers.
class DataPrefA : public QWidget {
    Q_OBJECT
public:
    // `look` stands in for the file system (a share in tests); {} takes WinVersions' default.
    explicit DataPrefA(QWidget *parent = nullptr, PageRenderer::FileLook look = {});

    void showDataPrefA();
    void remplirComboWIDList();
    // The edit of the field ended: the typed or chosen version opens.
    void refreshSelonFiltres();
    void actionButtonEscape();
    QComboBox *combo() const { return comboWID_; }
    bool escapePressed() const { return escapePressed_; }
    // Whether no answer is awaited, for the list or for the version to open.
    bool looked() const { return listKnown_ && askedId_.isEmpty(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    PageRenderer &looks();
    void listAnswered(const QString &path);
    void versionAnswered(const QString &path);
    void openVersion(const QString &file);

    QComboBox *comboWID_ = nullptr;
    bool dataIsLoaded_ = false;
    bool escapePressed_ = false;
    QString proposed_;      // the text the list proposed, kept over a refill unless typed over
    bool listKnown_ = true; // every bound window's renderer had answered at the last fill
    PageRenderer::FileLook look_;
    PageRenderer *looks_ = nullptr;
    QString askedSong_, askedId_; // the version to open when the look answers
};

namespace versions {
// The name of a new alternate version: "<song without extension>---<id>.<suffix>".
QString newVersionPath(const QString &songPath, const QString &id, const QString &suffix);
// Whether an identifier can be part of a file name (not empty, no "/", no NUL).
bool idFitsFileName(const QString &id);
} // namespace versions
