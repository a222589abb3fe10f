#pragma once

#include "platform/Clock.h"
#include "platform/FileWork.h"
#include "platform/RegularFile.h"

#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

// Changes to a ChordPro song file made from the chord windows (piano
// inversions, the song's own chord shapes). The file is edited as it stands
// on disk, so edits made meanwhile elsewhere (another window, the editor,
// another program) are kept, and written whole or not at all.
namespace songfile {

struct EditRun;

// A window's edits of song files, each made off the main thread, one at a time
// in the order asked: the file is read, `edit` changes the text there (answering
// false when it changed nothing; it touches nothing but the text), and it is
// written back atomically in UTF-8. On the main thread the song is then
// reloaded in every window that shows it, or a file that could not be read or
// written is reported in a message naming it, and nothing changes. What the
// owner asked to follow is dropped once the owner is gone (a message may outlive it).
//
// An edit that waits half a second on its folder is said through the owner's
// `setWaitSaid`. At a quit (`settleAllOnQuit`) every owner's edits not yet
// written are kept aside (keptnotes::keepSong), the whole song as they made it:
// of the file as read, or, while its read has not answered, of `known`, the
// song's text as the owner last read it.
class SongFileEdits {
public:
    using Edit = std::function<bool(QString &text)>;

    explicit SongFileEdits(QObject *owner = nullptr);
    ~SongFileEdits();
    SongFileEdits(const SongFileEdits &) = delete;
    SongFileEdits &operator=(const SongFileEdits &) = delete;

    // `done` takes, on the main thread, whether the file was written.
    void edit(const QString &path, const QString &known, Edit edit, std::function<void(bool written)> done = {});
    bool busy() const { return running_ != nullptr || !waiting_.empty(); }
    // Takes the notice while an edit waits on its folder, then "" once it answers.
    void setWaitSaid(std::function<void(const QString &notice)> said) { waitSaid_ = std::move(said); }

    // Waits for the edits under way at most what the quit's budget leaves, then
    // keeps aside what is still unwritten; their answers are dropped.
    static void settleAllOnQuit();

private:
    struct Asked {
        QString path;
        QString known;
        Edit edit;
        std::function<void(bool)> done;
    };
    void next();
    void settleOnQuit();
    void sayWaiting(const QString &notice);

    QPointer<QObject> owner_;
    bool owned_ = false;
    std::deque<Asked> waiting_;
    // The edit on its thread, and what it was asked.
    std::shared_ptr<EditRun> running_;
    Asked runningAsked_;
    platform::Timer late_;
    QString said_;
    std::function<void(const QString &)> waitSaid_;
    platform::FileWork work_;
};

// Called off the main thread before each read or write of a song file the
// editors make (the tests hold a share there).
using FileCall = std::function<void(const QString &path)>;
void setFileCall(FileCall call);
FileCall fileCall();

// The read of a song a window shows, as work for its platform::FileWork: the
// file at `path`, at most maxBytes, read on the work's thread.
std::function<platform::FileBytes()> songRead(const QString &path, qint64 maxBytes);

} // namespace songfile
