#pragma once

#include "platform/FileWork.h"

#include <QString>
#include <deque>
#include <functional>

// Changes to a ChordPro song file made from the chord windows (piano
// inversions, the song's own chord shapes). The file is edited as it stands
// on disk, so edits made meanwhile elsewhere (another window, the editor,
// another program) are kept, and written whole or not at all.
namespace songfile {

// A window's edits of song files, each made off the main thread, one at a time
// in the order asked: the file is read, `edit` changes the text there (answering
// false when it changed nothing; it touches nothing but the text), and it is
// written back atomically in UTF-8. On the main thread the song is then
// reloaded in every window that shows it, or a file that could not be read or
// written is reported in a message naming it, and nothing changes. The edits
// not yet answered when the owner ends are dropped.
class SongFileEdits {
public:
    using Edit = std::function<bool(QString &text)>;
    // `done` takes, on the main thread, whether the file was written.
    void edit(const QString &path, Edit edit, std::function<void(bool written)> done = {});
    bool busy() const { return work_.busy() || !waiting_.empty(); }

private:
    struct Asked {
        QString path;
        Edit edit;
        std::function<void(bool)> done;
    };
    void next();

    std::deque<Asked> waiting_;
    platform::FileWork work_;
};

// Called off the main thread before each read or write of a song file the
// editors make (the tests hold a share there).
using FileCall = std::function<void(const QString &path)>;
void setFileCall(FileCall call);
FileCall fileCall();

} // namespace songfile
