#include "chords/SongFileEdit.h"

#include "library/Data.h"
#include "library/KeptNotes.h"
#include "library/Pieces.h"
#include "library/SongFileCheck.h"
#include "library/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileWork.h"
#include "platform/KeptAtQuit.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Vocabulary.h"

#include <QDebug>
#include <QPointer>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace songfile {

// What the edit's thread has done, as the quit looks at it.
struct EditRun {
    std::mutex mutex;
    std::condition_variable answered;
    // Editing: its thread changes the text it read (`text`). KeepingAside: the read failed, and its thread
    // keeps the edit, made of the text known, aside (in no file of the library).
    enum class Stage { Reading, Editing, KeepingAside, Writing, Done } stage = Stage::Reading;
    bool dropped = false; // kept aside by a quit: the file is left as it is
    bool read = false;
    bool changed = false;
    bool written = false;
    bool kept = false; // its edit kept aside, having failed
    QString text; // the song as read, then as the edit made it
};

struct SongFileEdits::Owner {
    QPointer<QObject> window;
    bool owned = false;
    bool gone = false;
    int pending = 0;
    QString said;
    std::function<void(const QString &)> waitSaid;

    bool listens() const { return !gone && (!owned || window); }
    void say(const QString &notice)
    {
        if (notice == said)
            return;
        said = notice;
        if (waitSaid && !gone)
            waitSaid(notice);
    }
};

namespace {

// Far beyond any song: a file cut at the limit would be written back cut.
constexpr qint64 kMaxEditedBytes = 16 * 1024 * 1024;
// As the editor's reads: a shorter wait is a share's ordinary pace.
constexpr double kLateSeconds = 0.5;

// Each member initialised: a designated initializer names only some.
struct Asked {
    std::shared_ptr<SongFileEdits::Owner> owner = {};
    QString known = {};
    SongFileEdits::Edit edit = {};
    bool replaces = false;
    std::function<void(bool)> done = {};
    // A read, not an edit: what it answers, and at most how much.
    std::function<void(const platform::FileBytes &)> readDone = {};
    qint64 readBytes = 0;
    bool putBack = false; // once behind the edits asked while it ran: not again
    QString path = {};    // as asked: a window showing the song by another path is reloaded by that one

    bool reads() const { return bool(readDone); }
};

// One song file's edits, whoever asked them.
struct FileQueue {
    QString path;
    std::deque<Asked> waiting;
    // The edit on its thread, and what it was asked.
    std::shared_ptr<EditRun> running;
    Asked runningAsked;
    bool late = false; // the one under way has been said to wait
    platform::Timer lateTimer;
    platform::FileWork work;
    // The song as the edits said to wait leave it, on the local disk until the file holds them.
    WaitingCopy kept;
    // The copies of other paths' queues whose edits joined this one, until `kept` holds them.
    std::vector<WaitingCopy> joinedKept;
    // The file the path leads to, once a call has answered; another path's queue
    // of the same file, which takes this path's edits from then on.
    QString identity;
    FileQueue *into = nullptr;

    bool busy() const { return running != nullptr || !waiting.empty(); }
    bool holds(const SongFileEdits::Owner *owner) const
    {
        return (running && runningAsked.owner.get() == owner)
               || std::ranges::any_of(waiting, [owner](const Asked &a) { return a.owner.get() == owner; });
    }
};

// Every song file's queue, by the path asked (main thread only); the paths of
// one file share the first one's queue once their file is known. Never
// destroyed: a thread held by a share may answer after the program's statics have gone.
std::map<QString, std::unique_ptr<FileQueue>> &queues()
{
    static auto *all = new std::map<QString, std::unique_ptr<FileQueue>>;
    return *all;
}

FileQueue &queueOf(const QString &path)
{
    std::unique_ptr<FileQueue> &queue = queues()[platform::cleanPath(path)];
    if (!queue) {
        queue = std::make_unique<FileQueue>();
        queue->path = path;
    }
    return queue->into ? *queue->into : *queue;
}

// Two paths of one file whose queues are not yet one: their reads and writes never interleave.
std::shared_ptr<std::mutex> fileLock(const QString &identity)
{
    // Never destroyed, as the queues: a thread a share held may come here after the statics have gone.
    static auto *mutex = new std::mutex;
    static auto *locks = new std::map<QString, std::shared_ptr<std::mutex>>;
    const std::lock_guard lock(*mutex);
    std::shared_ptr<std::mutex> &found = (*locks)[identity];
    if (!found)
        found = std::make_shared<std::mutex>();
    return found;
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
    QString said;    // written, with something to say: the text it went over, kept aside
    platform::FileBytes file; // what a read found
    QString identity;         // the file the path leads to
};

QString keptAside(const QString &path, const QString &text, EditRun &run)
{
    bool kept = false;
    const QString said = keepAside(platform::completeBaseName(path), text, &kept);
    const std::lock_guard lock(run.mutex);
    run.kept = kept;
    return said;
}

Outcome editOnDisk(const QString &path, const QString &known, const SongFileEdits::Edit &edit, bool replaces,
                   EditRun &run)
{
    Outcome outcome;
    platform::FileBytes file;
    if (!path.isEmpty())
        file = platform::readRegularFile(path, kMaxEditedBytes);
    // A whole text set may make the file anew.
    const bool read = file.ok() || (replaces && file.status == platform::FileStatus::Missing);
    QString text = file.ok() ? textcodec::decode(file.bytes) : QString();
    // Its text and stage change together: a look between the two would take an edited text for the one read.
    const auto reached = [&run](EditRun::Stage stage, const QString *text = nullptr, bool changed = false) {
        {
            const std::lock_guard lock(run.mutex);
            run.stage = stage;
            if (text) {
                run.text = *text;
                run.changed = changed;
            }
        }
        run.answered.notify_all();
    };
    {
        const std::lock_guard lock(run.mutex);
        if (run.dropped)
            return outcome;
        run.read = read;
        run.text = text;
        run.stage = read ? EditRun::Stage::Editing : EditRun::Stage::KeepingAside;
    }
    if (!read) {
        const QString why = file.status == platform::FileStatus::TooLarge ? QStringLiteral("too large")
                            : file.error.isEmpty()                          ? readProblem(file)
                                                                            : file.error;
        outcome.failure = QStringLiteral("The song \"%1\" could not be read: %2.").arg(path, why);
        // Made of the text the window read, as a quit keeps it.
        if (QString text = known; (replaces || !text.isEmpty()) && edit(text))
            outcome.failure += keptAside(path, text, run);
        reached(EditRun::Stage::Done);
        return outcome;
    }
    // Changed since its editor read it (another program, another machine on the share): not written over unkept.
    const QString other = replaces && text != known ? text : QString();
    const bool changed = edit(text);
    reached(changed ? EditRun::Stage::Writing : EditRun::Stage::Done, &text, changed);
    if (!changed)
        return outcome;
    QString otherKept;
    if (!other.isEmpty()) {
        QString why;
        otherKept = keptnotes::keepSongChangedElsewhere(platform::completeBaseName(path), other, &why);
        if (otherKept.isEmpty()) {
            outcome.failure = QStringLiteral("The song \"%1\" was changed elsewhere since it was read, and that text "
                                             "could not be kept aside (%2): it is not written over.")
                                  .arg(path, why)
                              + keptAside(path, text, run);
            reached(EditRun::Stage::Done);
            return outcome;
        }
    }
    QString why;
    outcome.written = platform::writeFileAtomically(path, text.toUtf8(), &why);
    if (!outcome.written) {
        outcome.failure = QStringLiteral("The song \"%1\" could not be saved: %2.").arg(path, why)
                          + keptAside(path, text, run);
        // The file still holds it.
        if (!otherKept.isEmpty())
            platform::removeFile(otherKept);
    } else if (!otherKept.isEmpty()) {
        outcome.said = QStringLiteral("The song \"%1\" was changed elsewhere since it was read: the editor's text is "
                                      "saved, and the other text is kept as %2.")
                           .arg(path, platform::kept::named(otherKept));
    }
    {
        const std::lock_guard lock(run.mutex);
        run.written = outcome.written;
    }
    reached(EditRun::Stage::Done);
    return outcome;
}

// What the song's edits leave it as should no more of them be written: the one
// under way as far as its thread took it (of `known` while its read waits),
// then those waiting, each on the text before it. Nothing when none was read
// nor knows the song's text.
struct Left {
    std::optional<QString> text;
    bool unwritten = false; // the file does not hold it
    bool whole = true;      // every edit is in the text: none was passed over for want of one
};

Left leftOf(const FileQueue &queue)
{
    Left left;
    const auto apply = [&left, &queue](const Asked &asked) {
        if (asked.reads())
            return;
        if (asked.replaces)
            left.text = QString();
        else if (!left.text && !asked.known.isEmpty())
            left.text = asked.known;
        if (!left.text) {
            left.whole = false;
            if (platform::quitting())
                qWarning().noquote() << QStringLiteral("Song edit: %1 was never read: the edit is lost").arg(queue.path);
            return;
        }
        if (asked.edit(*left.text))
            left.unwritten = true;
    };
    if (queue.running && !queue.runningAsked.reads()) {
        EditRun &run = *queue.running;
        std::unique_lock lock(run.mutex);
        switch (run.stage) {
        case EditRun::Stage::Reading:
            // Under the lock: its thread, should its read answer meanwhile, waits for this one.
            apply(queue.runningAsked);
            break;
        case EditRun::Stage::Editing:
            // Its thread changes the text it read: the same change made here (it touches nothing but the
            // text) leaves it as that will, and its thread is not waited for.
            left.text = run.text;
            lock.unlock();
            left.unwritten = queue.runningAsked.edit(*left.text);
            break;
        case EditRun::Stage::KeepingAside:
            // Its thread keeps it in the folders a copy made here would go to: not kept twice.
            break;
        case EditRun::Stage::Writing:
        case EditRun::Stage::Done:
            if (run.read) {
                left.text = run.text;
                left.unwritten = run.changed && !run.written && !run.kept;
            } else if (!run.kept) {
                apply(queue.runningAsked); // its thread could not keep it
            }
            break;
        }
    }
    for (const Asked &asked : queue.waiting)
        apply(asked);
    return left;
}

// Drops the copies of the paths joined here: the queue's copy holds their edits, or none is left to write.
void dropJoined(FileQueue &queue)
{
    for (WaitingCopy &copy : std::exchange(queue.joinedKept, {}))
        copy.drop();
}

// Keeps the song as its edits leave it, over the queue's copy, when some are unwritten; answers that Left.
Left keepLeft(FileQueue &queue)
{
    const Left left = leftOf(queue);
    if (left.text && left.unwritten) {
        queue.kept.keep(platform::completeBaseName(queue.path), *left.text);
        if (left.whole)
            dropJoined(queue);
    }
    return left;
}

// Said to wait, the song as its edits leave it is on the local disk too: a kill or a power cut does not take it.
void keepWhileWaiting(FileQueue &queue) { keepLeft(queue); }

// The queue that takes the path's edits once its file is known: the first
// queue of that file. This one's waiting edits go there, behind its own.
FileQueue &joined(FileQueue &queue, const QString &identity)
{
    if (queue.into || !queue.identity.isEmpty() || identity.isEmpty())
        return queue.into ? *queue.into : queue;
    queue.identity = identity;
    static auto *byFile = new std::map<QString, FileQueue *>;
    FileQueue *&first = (*byFile)[identity];
    if (!first) {
        first = &queue;
        return queue;
    }
    FileQueue &file = *first;
    queue.into = &file;
    const bool moved = !queue.waiting.empty();
    for (Asked &asked : std::exchange(queue.waiting, {})) {
        if (file.late)
            asked.owner->say(editAwaited(file.path));
        file.waiting.push_back(std::move(asked));
    }
    // None moved: its copy held the edit just answered alone, and goes with it.
    if (moved && (queue.kept.held() || file.late)) {
        if (!file.kept.held())
            std::swap(file.kept, queue.kept);
        keepWhileWaiting(file);
        // Its edits are in the file's copy once that is written, not before (its read not answered, it may
        // know no text to keep): their copy stays meanwhile.
        if (queue.kept.held())
            file.joinedKept.push_back(std::exchange(queue.kept, {}));
    }
    return file;
}

// Owners told that an edit waits hear "" once none of theirs does.
void sayAnswered(const std::vector<SongFileEdits::Owner *> &owners)
{
    for (SongFileEdits::Owner *owner : owners) {
        const bool waits = std::ranges::any_of(queues(), [owner](const auto &entry) {
            return entry.second->late && entry.second->holds(owner);
        });
        if (!waits)
            owner->say(QString());
    }
}

void answered(FileQueue &queue, const std::shared_ptr<EditRun> &run, const Outcome &outcome);

void startNext(FileQueue &queue)
{
    if (queue.running || queue.waiting.empty())
        return;
    queue.runningAsked = std::move(queue.waiting.front());
    queue.waiting.pop_front();
    auto run = std::make_shared<EditRun>();
    queue.running = run;
    queue.late = false;
    const QString path = queue.path;
    const Asked &asked = queue.runningAsked;
    queue.work.run(
        QStringLiteral("Song edit: %1").arg(path),
        [path, known = asked.known, edit = asked.edit, replaces = asked.replaces, readBytes = asked.readBytes,
         reads = asked.reads(), run, held = fileCall()]() {
            if (held)
                held(path);
            const QString identity = platform::fileIdentity(path);
            const std::lock_guard lock(*fileLock(identity));
            Outcome outcome;
            if (reads)
                outcome.file = platform::readRegularFile(path, readBytes);
            else
                outcome = editOnDisk(path, known, edit, replaces, *run);
            outcome.identity = identity;
            return outcome;
        },
        [&queue, run](const Outcome &outcome) { answered(queue, run, outcome); });
    queue.lateTimer.start(kLateSeconds, false, [&queue, run] {
        if (queue.running != run)
            return;
        queue.late = true;
        keepWhileWaiting(queue);
        const QString notice = editAwaited(queue.path);
        queue.runningAsked.owner->say(notice);
        for (const Asked &asked : queue.waiting)
            asked.owner->say(notice);
    });
}

void answered(FileQueue &queue, const std::shared_ptr<EditRun> &run, const Outcome &outcome)
{
    if (queue.running != run)
        return;
    queue.lateTimer.stop();
    queue.late = false;
    queue.running.reset();
    Asked asked = std::exchange(queue.runningAsked, {});
    std::vector<SongFileEdits::Owner *> told{asked.owner.get()};
    for (const Asked &next : queue.waiting)
        told.push_back(next.owner.get());
    FileQueue &file = joined(queue, outcome.identity);
    // Its reader would show the song without the edits asked since: read again after them, once, so that
    // edits asked without end do not hold it for ever (a save compares with what it read all the same).
    if (asked.reads() && !asked.putBack
        && std::ranges::any_of(file.waiting, [](const Asked &next) { return !next.reads(); })) {
        asked.putBack = true;
        file.waiting.push_back(std::move(asked));
        startNext(file);
        return;
    }
    --asked.owner->pending;
    // The next one first: the message below runs a loop in which more may be asked.
    startNext(file);
    if (!queue.busy()) {
        queue.kept.drop();
        dropJoined(queue);
    }
    sayAnswered(told);
    if (asked.reads()) {
        if (asked.owner->listens())
            asked.readDone(outcome.file);
        return;
    }
    if (outcome.written && !asked.replaces)
        reloadWhereShown(asked.path.isEmpty() ? queue.path : asked.path);
    else if (!outcome.failure.isEmpty())
        Data::msg(outcome.failure);
    if (!outcome.said.isEmpty())
        Data::msg(outcome.said);
    // The window may have gone while the message was up.
    if (asked.done && asked.owner->listens())
        asked.done(outcome.written);
}

// Their answers would come after the program's end.
void forgetAll(FileQueue &queue)
{
    if (queue.running)
        --queue.runningAsked.owner->pending;
    for (const Asked &asked : queue.waiting)
        --asked.owner->pending;
    queue.lateTimer.stop();
    queue.late = false;
    queue.running.reset();
    queue.runningAsked = {};
    queue.waiting.clear();
    queue.work.end();
}

void settleOnQuit(FileQueue &queue)
{
    if (!queue.busy())
        return;
    queue.lateTimer.stop();
    if (const std::shared_ptr<EditRun> run = queue.running; run && !queue.runningAsked.reads()) {
        std::unique_lock lock(run->mutex);
        run->answered.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(platform::kQuitWaitsMs)),
                               [&run] { return run->stage == EditRun::Stage::Done; });
        // Kept aside below: the file is left as it is.
        if (run->stage == EditRun::Stage::Reading)
            run->dropped = true;
    }
    // Over the copy kept while they waited, said at the next start as the quit's. An edit with no text to
    // be made of (no read answered, none known) is in the copies kept before, which then stay.
    if (const Left left = keepLeft(queue); !left.unwritten && left.whole) {
        queue.kept.drop();
        dropJoined(queue);
    }
    forgetAll(queue);
}

// The song at `path` as the edits queued for it will leave it, from the last
// whole text set among them; nothing when none sets it.
std::optional<QString> textAsQueued(const QString &path)
{
    const auto found = queues().find(platform::cleanPath(path));
    if (found == queues().end())
        return std::nullopt;
    const FileQueue &queue = found->second->into ? *found->second->into : *found->second;
    if (!queue.busy())
        return std::nullopt;
    std::vector<const Asked *> asked;
    if (queue.running)
        asked.push_back(&queue.runningAsked);
    for (const Asked &waiting : queue.waiting)
        asked.push_back(&waiting);
    const auto last = std::find_if(asked.rbegin(), asked.rend(), [](const Asked *a) { return a->replaces; });
    if (last == asked.rend())
        return std::nullopt;
    // The ones after it wait: nothing else runs them meanwhile.
    QString text;
    for (auto it = std::prev(last.base()); it != asked.end(); ++it)
        if (!(*it)->reads())
            (*it)->edit(text);
    return text;
}

void ask(const std::shared_ptr<SongFileEdits::Owner> &owner, const QString &path, Asked asked)
{
    ++owner->pending;
    asked.owner = owner;
    asked.path = path;
    FileQueue &queue = queueOf(path);
    queue.waiting.push_back(std::move(asked));
    startNext(queue);
    // Behind one said to wait, it waits too.
    if (queue.late)
        keepWhileWaiting(queue);
}

} // namespace

SongFileEdits::SongFileEdits(QObject *owner) : owner_(std::make_shared<Owner>())
{
    owner_->window = owner;
    owner_->owned = owner != nullptr;
}

SongFileEdits::~SongFileEdits()
{
    // Its edits are written all the same; their answers go nowhere.
    owner_->gone = true;
    owner_->waitSaid = {};
}

void SongFileEdits::edit(const QString &path, const QString &known, Edit edit, std::function<void(bool written)> done)
{
    ask(owner_, path, {.known = known, .edit = std::move(edit), .done = std::move(done)});
}

void SongFileEdits::replace(const QString &path, const QString &text, const QString &known,
                            std::function<void(bool written)> done)
{
    const auto edit = [text](QString &song) {
        song = text;
        return true;
    };
    ask(owner_, path, {.known = known, .edit = edit, .replaces = true, .done = std::move(done)});
}

bool SongFileEdits::busy() const { return owner_->pending > 0; }

void SongFileEdits::setWaitSaid(std::function<void(const QString &notice)> said) { owner_->waitSaid = std::move(said); }

void SongFileEdits::read(const QString &path, qint64 maxBytes, std::function<void(const platform::FileBytes &)> done)
{
    if (const std::optional<QString> queued = textAsQueued(path)) {
        platform::FileBytes file;
        file.status = platform::FileStatus::Ok;
        file.bytes = queued->toUtf8();
        done(file);
        return;
    }
    ask(owner_, path, {.readDone = std::move(done), .readBytes = maxBytes});
}

void SongFileEdits::settleAllOnQuit()
{
    for (const auto &[path, queue] : queues())
        settleOnQuit(*queue);
}

void SongFileEdits::dropAllAsAKillWould()
{
    for (const auto &[path, queue] : queues()) {
        if (queue->running) {
            const std::lock_guard lock(queue->running->mutex);
            queue->running->dropped = true;
        }
        queue->kept = {};
        queue->joinedKept.clear();
        forgetAll(*queue);
    }
}

void WaitingCopy::keep(const QString &name, const QString &text)
{
    path_ = keptnotes::keepSongWaiting(name, text, path_);
}

void WaitingCopy::drop()
{
    if (const QString copy = std::exchange(path_, {}); !copy.isEmpty() && !platform::removeFile(copy))
        TLOG(QStringLiteral("Song edit: %1 could not be removed").arg(copy));
}

QString keepAside(const QString &name, const QString &text, bool *kept)
{
    QString error;
    const QString path = keptnotes::keepSong(name, text, &error);
    if (kept)
        *kept = !path.isEmpty();
    return path.isEmpty() ? QStringLiteral(" The edit could not be kept elsewhere either: %1.").arg(error)
                          : QStringLiteral(" The song as edited is kept as %1.").arg(platform::kept::named(path));
}

QString editAwaited(const QString &path)
{
    return QStringLiteral("The library folder does not answer: the change to \"%1\" is written once it does.")
        .arg(platform::fileName(path));
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
