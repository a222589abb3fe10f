#pragma once

#include "platform/FileWork.h"
#include "platform/RegularFile.h"

#include <QString>
#include <functional>
#include <memory>

// Changes to a ChordPro song file made from the chord windows (piano
// inversions, the song's own chord shapes) and the editor's saves. The file
// is edited as it stands on disk, so edits made meanwhile elsewhere (another
// window, another program) are kept, and written whole or not at all.
namespace songfile {

// Edits of song files, each made off the main thread. Every song file has one
// queue for the whole program, whoever asks (the chord library, the chord
// strip, the shape editor, the editor's save) and by whichever path (a folder
// reached through a link: a path joins its file's queue once a call through it
// has answered, and two queues of one file never read or write it at once):
// its edits run one at a time in the order asked, each on the text as the
// edits before it left it. The file
// is read, `edit` changes the text there (answering false when it changed
// nothing; it touches nothing but the text), and it is written back
// atomically in UTF-8. On the main thread the song is then reloaded in every
// window that shows it, or a file that could not be read or written is
// reported in a message naming it and the song as edited (of `known` when
// the file could not be read) kept aside (keptnotes::keepSong), the message
// naming the copy. What the owner asked
// to follow is dropped once the owner is gone (a message may outlive it); its
// edits are written all the same.
//
// An edit that waits half a second on its folder is said through the owner's
// `setWaitSaid`, to every owner with an edit in that file's queue. From then
// on the whole song as the edits not yet written make it is kept aside on the
// local disk (keptnotes::keepSongWaiting), again at each edit asked behind it,
// so that a kill or a power cut does not take them: the next start names the
// copy unless it was removed, once the file holds them. At a quit
// (`settleAllOnQuit`) the edits not yet written are kept aside over that copy
// (said at the next start as the quit's), once per song, the whole song as they
// made it: of the file as read, or, while its read has not answered, of
// `known`, the song's text as the first owner last read it.
class SongFileEdits {
public:
    using Edit = std::function<bool(QString &text)>;

    explicit SongFileEdits(QObject *owner = nullptr);
    ~SongFileEdits();
    SongFileEdits(const SongFileEdits &) = delete;
    SongFileEdits &operator=(const SongFileEdits &) = delete;

    // `done` takes, on the main thread, whether the file was written.
    void edit(const QString &path, const QString &known, Edit edit, std::function<void(bool written)> done = {});
    // An edit that sets the whole text (the editor's save): the file may be
    // missing, and no window is reloaded for it. `known` is the song's text as
    // the editor last read it or asked it written: a file changed since (by
    // another program) is kept aside before the text goes over it, and a
    // message names the copy; one whose copy cannot be made is not written over.
    void replace(const QString &path, const QString &text, const QString &known,
                 std::function<void(bool written)> done = {});
    // The song's text for an editor that may save it whole: `done` takes it on
    // the main thread once the edits asked before it (and, once, those asked
    // while it ran) are written, so that a save never replaces an edit its
    // text does not hold; at once, from the text set, when a whole text set waits.
    void read(const QString &path, qint64 maxBytes, std::function<void(const platform::FileBytes &)> done);
    // This owner's edits and reads not yet answered.
    bool busy() const;
    // Takes the notice while an edit waits on its folder, then "" once it answers.
    void setWaitSaid(std::function<void(const QString &notice)> said);

    // Waits for the edits under way at most what the quit's budget leaves, then
    // keeps aside what is still unwritten; their answers are dropped.
    static void settleAllOnQuit();
    // For tests, as a kill would end the program: every edit not yet written is
    // dropped, neither written nor kept, and its copy kept while it waited stays.
    static void dropAllAsAKillWould();

    // What the queues keep of an owner: it outlives the owner's end.
    struct Owner;

private:
    std::shared_ptr<Owner> owner_;
};

// The song as edits that wait on its folder leave it, kept on the local disk
// (keptnotes::keepSongWaiting) so that a kill or a power cut does not take
// them: written over at each change, removed once the file holds them.
// Main thread only. One made empty (`= {}`) leaves the copy as a kill would.
class WaitingCopy {
public:
    void keep(const QString &name, const QString &text);
    void drop();
    bool held() const { return !path_.isEmpty(); }

private:
    QString path_;
};

// What the title rows say while an edit of the song at `path` waits on its folder.
QString editAwaited(const QString &path);

// Off the main thread, for a write that failed: keeps the song's text aside as
// `name` (keptnotes::keepSong) and answers the sentence to add to the failure
// that says where, or that it could not be kept.
QString keepAside(const QString &name, const QString &text, bool *kept = nullptr);

// Called off the main thread before each read or write of a song file the
// editors make (the tests hold a share there).
using FileCalls = platform::FileCallHook<struct SongFileCalls>;
using FileCall = FileCalls::Call;
inline void setFileCall(FileCall call) { FileCalls::set(std::move(call)); }
inline FileCall fileCall() { return FileCalls::get(); }

// The read of a song a window shows, as work for its platform::FileWork: the
// file at `path`, at most maxBytes, read on the work's thread.
std::function<platform::FileBytes()> songRead(const QString &path, qint64 maxBytes);

} // namespace songfile
