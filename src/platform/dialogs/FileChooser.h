#pragma once

#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QScrollArea;

namespace platform {

// The program's own file chooser: the main thread never touches the file
// system here. Every listing, completion and look at a typed path runs in a
// FileWork, so a folder on a share that does not answer holds that work
// alone: the chooser says so, and its keys, Escape and a quit still answer.
// The path line holds the answer; the list below it shows the entries of
// the folder typed there and fills the line when one is picked, the
// breadcrumb above it a button for each folder of that path. Its size and
// the folder it was last left in are kept for each use (its mode and message).
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Entry {
        QString name;         // as the file system holds it (Paths.h)
        bool folder = false;
        quint32 filters = 0;  // bit i: the name filter i takes it
    };
    struct Listing {
        enum class State { Listed, Missing, NotFolder, Unreadable };
        QString folder;
        QStringList filters; // the names were matched against
        State state = State::Missing;
        QList<Entry> entries; // folders first, then files, by name
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
    void listAsked();
    static void match(Listing &listing, const QStringList &filters);
    void listed(const Listing &listing);
    bool takes(const Entry &entry, const QString &prefix) const;
    QList<const Entry *> matching(const QString &prefix, bool choosable) const;
    void refill();
    void complete();
    void picked(QListWidgetItem *item, bool activated);
    void choose();
    void looked(const QString &path, const Look &look);
    void enter(const QString &folder, bool stepped = false);
    void step(bool forward);
    void showCrumbs(const QString &folder);
    void up();
    void makeFolder();
    void showStatus();
    void answer(const QString &path);

    Mode mode_;
    QString use_; // its size and last folder are kept under this
    QString base_;
    QLineEdit *line_ = nullptr;
    QListWidget *list_ = nullptr;
    QComboBox *filter_ = nullptr;
    QLabel *status_ = nullptr;
    QListWidget *places_ = nullptr;
    QPushButton *lastTool_ = nullptr;
    QScrollArea *crumbArea_ = nullptr;
    QHBoxLayout *crumbRow_ = nullptr;
    QList<QPushButton *> crumbs_; // from "/" down
    QString crumbsPath_;  // the deepest folder they name
    QStringList filters_;
    QStringList back_;    // the folders left, the last left last
    QStringList forward_; // the folders Back left, the last left last
    bool hidden_ = false;
    bool opened_ = false; // shown: listings start from then on

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
