#pragma once

#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace platform {

// The program's own file chooser: the main thread never touches the file
// system here. Every listing, completion and look at a typed path runs in a
// FileWork, so a folder on a share that does not answer holds that work
// alone: the chooser says so, and its keys, Escape and a quit still answer.
// The path line holds the answer; the list below it shows the entries of
// the folder typed there and fills the line when one is picked.
class FileChooser final : public QDialog {
public:
    enum class Mode { Folder, OpenFile, SaveFile };

    FileChooser(Mode mode, const QString &title, const QString &message, const QString &startDir,
                QWidget *parent = nullptr);
    ~FileChooser() override;

    // Open mode: filters as "Chords (*.txt *.cho)", the first in force.
    void setNameFilters(const QStringList &filters);
    // Save mode: the name offered in the start folder.
    void setSuggestedName(const QString &name);
    // The absolute path chosen, once accepted.
    QString chosen() const { return chosen_; }

    // Runs on the chooser's work thread before its file calls, with the path
    // looked at, and before the looks of its callers at the path chosen.
    using FileCalls = FileCallHook<FileChooser>;
    using ScopedFileCall = FileCalls::Scoped;

private:
    struct Listing {
        QString folder;
        bool readable = false;
        QStringList folders;
        QStringList files;
    };
    enum class Kind { Missing, Folder, File, Other };
    struct Look {
        Kind kind = Kind::Missing;
        bool parentIsFolder = false;
    };
    struct Typed {
        QString folder; // what the list shows
        QString prefix; // the name begun in it
        QString path;   // the whole of it, clean
    };
    Typed typed() const;
    void typedChanged(bool refilter);
    void list(const QString &folder);
    void listed(const Listing &listing);
    QStringList matching(const QString &prefix) const;
    void refill();
    bool complete();
    void picked(QListWidgetItem *item, bool activated);
    void choose();
    void looked(const QString &path, const Look &look);
    void enter(const QString &folder);
    void showStatus();

    Mode mode_;
    QString base_;
    QLineEdit *line_ = nullptr;
    QListWidget *list_ = nullptr;
    QComboBox *filter_ = nullptr;
    QLabel *status_ = nullptr;
    QStringList filters_;

    Listing shown_;      // the folder whose entries the list holds
    QString asked_;      // the folder whose listing is awaited
    QString prefixShown_;
    quint64 lookAsked_ = 0;
    QString lookPath_;   // the path whose look is awaited
    QString replaceAsked_; // save mode: the file OK again replaces
    QString message_;
    bool listingLate_ = false;
    bool lookLate_ = false;
    Timer listingTimer_;
    Timer lookTimer_;
    QString chosen_;
    // Last, so that it ends before the rest: its answers are dropped and a
    // thread held by the file system is left behind, touching nothing here.
    FileWork work_;
};

} // namespace platform
