#include "chords/SongFileEdit.h"

#include "library/Data.h"
#include "library/Pieces.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/NotificationCenter.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"

#include <mutex>

namespace songfile {

namespace {

// Far beyond any song: a file cut at the limit would be written back cut.
constexpr qint64 kMaxEditedBytes = 16 * 1024 * 1024;

std::mutex g_fileCallMutex;
FileCall g_fileCall;

void reloadWhereShown(const QString &path)
{
    const bool shown = Data::resetWindowsShowing(path);
    auto &center = platform::NotificationCenter::defaultCenter();
    if (shown)
        center.postActionKey(vocab::ReloadWindows);
    center.postActionKey(vocab::ChordDisplay);
}

struct Outcome {
    bool written = false;
    QString failure; // the message that says it
};

Outcome editOnDisk(const QString &path, const SongFileEdits::Edit &edit)
{
    Outcome outcome;
    const platform::FileBytes file = path.isEmpty() ? platform::FileBytes() : platform::readRegularFile(path, kMaxEditedBytes);
    if (!file.ok()) {
        const QString why = file.status == platform::FileStatus::TooLarge ? QStringLiteral("too large")
                            : file.error.isEmpty()                          ? readProblem(file)
                                                                            : file.error;
        outcome.failure = QStringLiteral("The song \"%1\" could not be read: %2").arg(path, why);
        return outcome;
    }
    QString text = textcodec::decode(file.bytes);
    if (!edit(text))
        return outcome;
    QString why;
    outcome.written = platform::writeFileAtomically(path, text.toUtf8(), &why);
    if (!outcome.written)
        outcome.failure = QStringLiteral("The song \"%1\" could not be saved: %2").arg(path, why);
    return outcome;
}

} // namespace

void SongFileEdits::edit(const QString &path, Edit edit, std::function<void(bool written)> done)
{
    waiting_.push_back({path, std::move(edit), std::move(done)});
    if (!work_.busy())
        next();
}

void SongFileEdits::next()
{
    if (waiting_.empty())
        return;
    Asked asked = std::move(waiting_.front());
    waiting_.pop_front();
    work_.run(
        QStringLiteral("Song edit: %1").arg(asked.path),
        [path = asked.path, edit = std::move(asked.edit), held = fileCall()]() {
            if (held)
                held(path);
            return editOnDisk(path, edit);
        },
        [this, path = asked.path, done = std::move(asked.done)](const Outcome &outcome) {
            // The next one first: the message below runs a loop in which more may be asked.
            next();
            if (outcome.written)
                reloadWhereShown(path);
            else if (!outcome.failure.isEmpty())
                Data::msg(outcome.failure);
            if (done)
                done(outcome.written);
        });
}

void setFileCall(FileCall call)
{
    const std::lock_guard lock(g_fileCallMutex);
    g_fileCall = std::move(call);
}

FileCall fileCall()
{
    const std::lock_guard lock(g_fileCallMutex);
    return g_fileCall;
}

} // namespace songfile
