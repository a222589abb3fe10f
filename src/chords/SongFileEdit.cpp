#include "chords/SongFileEdit.h"

#include "library/Data.h"
#include "library/KeptNotes.h"
#include "library/Pieces.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"

#include <QDebug>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace songfile {

// What the edit's thread has done, as the quit looks at it.
struct EditRun {
    std::mutex mutex;
    std::condition_variable answered;
    enum class Stage { Reading, Editing, Writing, Done } stage = Stage::Reading;
    bool dropped = false; // kept aside by a quit: the file is left as it is
    bool read = false;
    bool changed = false;
    bool written = false;
    QString text; // the song as the edit made it
};

namespace {

// Far beyond any song: a file cut at the limit would be written back cut.
constexpr qint64 kMaxEditedBytes = 16 * 1024 * 1024;
// As the editor's reads: a shorter wait is a share's ordinary pace.
constexpr double kLateSeconds = 0.5;

std::mutex g_fileCallMutex;
FileCall g_fileCall;

// Every window's edits, for the quit (main thread only).
std::vector<SongFileEdits *> &everyOwner()
{
    static std::vector<SongFileEdits *> owners;
    return owners;
}

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

Outcome editOnDisk(const QString &path, const SongFileEdits::Edit &edit, EditRun &run)
{
    Outcome outcome;
    const platform::FileBytes file = path.isEmpty() ? platform::FileBytes() : platform::readRegularFile(path, kMaxEditedBytes);
    const auto reached = [&run](EditRun::Stage stage) {
        {
            const std::lock_guard lock(run.mutex);
            run.stage = stage;
        }
        run.answered.notify_all();
    };
    {
        const std::lock_guard lock(run.mutex);
        if (run.dropped)
            return outcome;
        run.read = file.ok();
        run.stage = file.ok() ? EditRun::Stage::Editing : EditRun::Stage::Done;
    }
    if (!file.ok()) {
        run.answered.notify_all();
        const QString why = file.status == platform::FileStatus::TooLarge ? QStringLiteral("too large")
                            : file.error.isEmpty()                          ? readProblem(file)
                                                                            : file.error;
        outcome.failure = QStringLiteral("The song \"%1\" could not be read: %2").arg(path, why);
        return outcome;
    }
    QString text = textcodec::decode(file.bytes);
    const bool changed = edit(text);
    {
        const std::lock_guard lock(run.mutex);
        run.text = text;
        run.changed = changed;
    }
    if (!changed) {
        reached(EditRun::Stage::Done);
        return outcome;
    }
    reached(EditRun::Stage::Writing);
    QString why;
    outcome.written = platform::writeFileAtomically(path, text.toUtf8(), &why);
    if (!outcome.written)
        outcome.failure = QStringLiteral("The song \"%1\" could not be saved: %2").arg(path, why);
    {
        const std::lock_guard lock(run.mutex);
        run.written = outcome.written;
    }
    reached(EditRun::Stage::Done);
    return outcome;
}

} // namespace

SongFileEdits::SongFileEdits(QObject *owner) : owner_(owner), owned_(owner != nullptr)
{
    everyOwner().push_back(this);
}

SongFileEdits::~SongFileEdits()
{
    // An owner that goes during the quit keeps its edits as the others do.
    if (platform::quitting())
        settleOnQuit();
    std::erase(everyOwner(), this);
}

void SongFileEdits::edit(const QString &path, const QString &known, Edit edit, std::function<void(bool written)> done)
{
    waiting_.push_back({path, known, std::move(edit), std::move(done)});
    if (!running_)
        next();
}

void SongFileEdits::next()
{
    if (waiting_.empty())
        return;
    runningAsked_ = std::move(waiting_.front());
    waiting_.pop_front();
    auto run = std::make_shared<EditRun>();
    running_ = run;
    const QString path = runningAsked_.path;
    work_.run(
        QStringLiteral("Song edit: %1").arg(path),
        [path, edit = runningAsked_.edit, run, held = fileCall()]() {
            if (held)
                held(path);
            return editOnDisk(path, edit, *run);
        },
        [this, path, run](const Outcome &outcome) {
            if (running_ != run)
                return;
            late_.stop();
            sayWaiting(QString());
            running_.reset();
            const std::function<void(bool)> done = std::move(runningAsked_.done);
            const QPointer<QObject> owner = owner_;
            const bool owned = owned_;
            // The next one first: the message below runs a loop in which more may be asked.
            next();
            if (outcome.written)
                reloadWhereShown(path);
            else if (!outcome.failure.isEmpty())
                Data::msg(outcome.failure);
            // The window may have gone while the message was up, and these edits with it.
            if (done && (!owned || owner))
                done(outcome.written);
        });
    late_.start(kLateSeconds, false, [this, path, run] {
        if (running_ == run)
            sayWaiting(QStringLiteral("The library folder does not answer: the change to \"%1\" is written once it does.")
                           .arg(platform::fileName(path)));
    });
}

void SongFileEdits::sayWaiting(const QString &notice)
{
    if (notice == said_)
        return;
    said_ = notice;
    if (waitSaid_)
        waitSaid_(notice);
}

void SongFileEdits::settleOnQuit()
{
    if (!busy())
        return;
    late_.stop();
    // Each song as the edits left it, and whether that is still to be written.
    struct Song {
        QString text;
        bool unwritten = false;
    };
    std::map<QString, Song> songs;
    const auto applied = [&songs](const Asked &asked) {
        const auto found = songs.find(asked.path);
        QString text = found != songs.end() ? found->second.text : asked.known;
        if (text.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Song edit: %1 was never read: the edit is lost").arg(asked.path);
            return;
        }
        if (asked.edit(text))
            songs[asked.path] = {text, true};
    };
    if (const std::shared_ptr<EditRun> run = std::exchange(running_, {})) {
        std::unique_lock lock(run->mutex);
        run->answered.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(platform::kQuitWaitsMs)),
                               [&run] { return run->stage == EditRun::Stage::Done; });
        // Changing the text takes no file call: it ends soon.
        run->answered.wait(lock, [&run] { return run->stage != EditRun::Stage::Editing; });
        if (run->stage == EditRun::Stage::Reading)
            run->dropped = true;
        if (!run->read) {
            lock.unlock();
            applied(runningAsked_);
        } else {
            songs[runningAsked_.path] = {run->text, run->changed && !run->written};
        }
    }
    for (const Asked &asked : std::exchange(waiting_, {}))
        applied(asked);
    for (const auto &[path, song] : songs)
        if (song.unwritten)
            keptnotes::keepSong(platform::completeBaseName(path), song.text);
    // Their answers would come after the quit.
    work_.end();
}

void SongFileEdits::settleAllOnQuit()
{
    for (SongFileEdits *edits : std::vector(everyOwner()))
        edits->settleOnQuit();
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

std::function<platform::FileBytes()> songRead(const QString &path, qint64 maxBytes)
{
    return [path, maxBytes, held = fileCall()]() {
        if (held)
            held(path);
        return platform::readRegularFile(path, maxBytes);
    };
}

} // namespace songfile
