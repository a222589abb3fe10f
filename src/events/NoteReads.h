#pragma once

#include "events/NoteForm.h"
#include "library/PiecesDet.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

// A note read from its text and the window identifiers alone, so that any
// thread may read it.
namespace notereads {

// The note's events, a line naming an identifier being a cue only when it is one of winIDs.
SongEvArray events(const QString &note, const QStringList &winIDs);
// The notes window's fields, tempo and signature left to the record.
noteform::Fields form(const QString &note, const QStringList &winIDs);

// What the record keeps of its note as it is now, read here when it keeps
// nothing yet: the main thread's.
const std::shared_ptr<SongEvArray> &keptEvents(PiecesDet &note);
const noteform::Fields &keptForm(PiecesDet &note);

} // namespace notereads

// Songs' notes read on the shared pool before they are needed, so that a
// song change parses no long note on the main thread. A read is handed copies
// of the text and the window identifiers, never the record: its answer is
// kept with the record if that still exists and its note still reads as it
// did, then `answered` runs on the main thread. A short note is left to be
// read where it is needed.
class NoteReads {
public:
    explicit NoteReads(std::function<void()> answered);
    // Answers still to come are dropped.
    ~NoteReads();
    NoteReads(const NoteReads &) = delete;
    NoteReads &operator=(const NoteReads &) = delete;

    // Reads what the record does not keep of its long note as it is now,
    // unless that read runs already. True when the note's events need no
    // wait: kept, or quick to parse.
    bool readAhead(const PiecesDetPtr &note);
    // Tests only: runs on the pool before each read begun after it is set.
    static void setBeforeRead(std::function<void()> hook);

private:
    struct Running {
        quint64 serial = 0;
        std::weak_ptr<PiecesDet> note;
        QString text;
        QStringList winIDs;
    };
    struct State {
        QList<Running> running;
        quint64 serial = 0;
        std::function<void()> answered;
    };
    std::shared_ptr<State> state_;
};
