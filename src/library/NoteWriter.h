#pragma once

#include "library/Pieces.h"
#include "platform/Clock.h"
#include "platform/FileWork.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

class QThread;

// The performer's note writes (a save at a song change or at a quit, the
// played date, any save of the notes windows, the tag windows' edits) go in
// order through one thread of their own: the main thread never waits on a
// note, and a share that does not answer holds this thread alone. The record holds the edit at
// once; the file follows. Each write reads the note afresh and changes only
// what it was asked to (Pieces::writeNote, Pieces::editNoteFile).
class NoteWriter : public QObject {
    Q_OBJECT
public:
    // Runs on the writer's thread before a write's file calls, with the note's
    // path: tests stand a share that does not answer in for the file system.
    // A writer takes the one set when it is made.
    using FileCalls = platform::FileCallHook<NoteWriter>;
    using ScopedFileCall = FileCalls::Scoped;

    explicit NoteWriter(QObject *parent = nullptr);
    ~NoteWriter() override;

    // Writes the record's note as it holds it now (Pieces::writeNote). done
    // runs on the main thread with why it was not written ("" when it was),
    // unless context has gone.
    void save(const PiecesPtr &piece, const QObject *context, std::function<void(const QString &failure)> done = {});
    // Changes the note as it is on disk when its turn comes
    // (Pieces::editNoteFile); the record takes the change at once, and the
    // stored note once written unless something else changed the record since.
    void edit(const PiecesPtr &piece, const std::function<QString(const QString &)> &change, const QObject *context,
              std::function<void(const Pieces::NoteEditResult &)> done = {});

    bool idle() const;
    // At a quit: waits at most waitMs for the writes queued, keeps aside the
    // edits still unwritten, the played date with the performer's (keptnotes,
    // said at the next start) and ends the thread without waiting on a note
    // that does not answer. A save asked afterwards is kept aside at once.
    void finish(int waitMs);

    // Runs the event loop until every write asked so far is done and told (or
    // the time limit passes). For tests.
    bool waitForIdle(int timeoutMs = 10000);

signals:
    // A write has waited on its note for half a second or more. From then on
    // each edit waiting is kept aside as well, until its note is written, so
    // that a crash does not take it: keptPath is the held note's copy ("" when
    // it could not be kept).
    void noAnswer(const QString &songTitle, const QString &keptPath);
    // The write said not to answer has ended, written or not.
    void answered();

private:
    struct State;
    struct Job;
    struct Written;
    void enqueue(Job job);
    void poll();
    bool waitingOnANote() const;
    // Keeps aside the newest edit of each note among jobs (oldest first).
    void keepAside(const std::deque<Job> &jobs);
    void done(const QString &notePath, bool written);
    // A write's end has reached the main thread.
    void ended(quint64 serial);
    // Removes the copy kept of the note's edit: nothing is left to keep.
    void dropKept(const QString &notePath);

    std::shared_ptr<State> state_;
    QThread *thread_ = nullptr;
    QHash<QString, int> pending_; // writes asked and not yet told, by note
    QHash<QString, QString> kept_; // the copy kept of a note's edit while it waits
    int told_ = 0; // writes whose end reached the main thread
    int asked_ = 0;
    platform::Timer poll_;
    quint64 seen_ = 0;
    bool turned_ = false;
    quint64 said_ = 0;
};
