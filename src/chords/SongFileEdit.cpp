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
    enum class Stage { Reading, Editing, Writing, Done } stage = Stage::Reading;
    bool dropped = false; // kept aside by a quit: the file is left as it is
    bool read = false;
    bool changed = false;
    bool written = false;
    bool kept = false; // its edit kept aside, having failed
    QString text; // the song as the edit made it
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

struct Asked {
    std::shared_ptr<SongFileEdits::Owner> owner;
    QString known;
    SongFileEdits::Edit edit;
    bool replaces = false;
    std::function<void(bool)> done;
    // A read, not an edit: what it answers, and at most how much.
    std::function<void(const platform::FileBytes &)> readDone;
    qint64 readBytes = 0;

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

    bool busy() const { return running != nullptr || !waiting.empty(); }
    bool holds(const SongFileEdits::Owner *owner) const
    {
        return (running && runningAsked.owner.get() == owner)
               || std::ranges::any_of(waiting, [owner](const Asked &a) { return a.owner.get() == owner; });
    }
};

// Every song file's queue, by its path (main thread only). Never destroyed: a
// thread held by a share may answer after the program's statics have gone.
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
    return *queue;
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
    platform::FileBytes file; // what a read found
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
    if (!replaces && !path.isEmpty())
        file = platform::readRegularFile(path, kMaxEditedBytes);
    const bool read = replaces || file.ok();
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
        run.read = read;
        run.stage = read ? EditRun::Stage::Editing : EditRun::Stage::Done;
    }
    if (!read) {
        run.answered.notify_all();
        const QString why = file.status == platform::FileStatus::TooLarge ? QStringLiteral("too large")
                            : file.error.isEmpty()                          ? readProblem(file)
                                                                            : file.error;
        outcome.failure = QStringLiteral("The song \"%1\" could not be read: %2.").arg(path, why);
        // Made of the text the window read, as a quit keeps it.
        if (QString text = known; !text.isEmpty() && edit(text))
            outcome.failure += keptAside(path, text, run);
        return outcome;
    }
    QString text = replaces ? QString() : textcodec::decode(file.bytes);
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
        outcome.failure = QStringLiteral("The song \"%1\" could not be saved: %2.").arg(path, why)
                          + keptAside(path, text, run);
    {
        const std::lock_guard lock(run.mutex);
        run.written = outcome.written;
    }
    reached(EditRun::Stage::Done);
    return outcome;
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
            if (!reads)
                return editOnDisk(path, known, edit, replaces, *run);
            Outcome outcome;
            outcome.file = platform::readRegularFile(path, readBytes);
            return outcome;
        },
        [&queue, run](const Outcome &outcome) { answered(queue, run, outcome); });
    queue.lateTimer.start(kLateSeconds, false, [&queue, run] {
        if (queue.running != run)
            return;
        queue.late = true;
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
    // Its reader would show the song without the edits asked since, and save over them: read again after them.
    if (asked.reads()
        && std::ranges::any_of(queue.waiting, [](const Asked &next) { return !next.reads(); })) {
        queue.waiting.push_back(std::move(asked));
        startNext(queue);
        return;
    }
    --asked.owner->pending;
    std::vector<SongFileEdits::Owner *> told{asked.owner.get()};
    for (const Asked &next : queue.waiting)
        told.push_back(next.owner.get());
    // The next one first: the message below runs a loop in which more may be asked.
    startNext(queue);
    sayAnswered(told);
    if (asked.reads()) {
        if (asked.owner->listens())
            asked.readDone(outcome.file);
        return;
    }
    if (outcome.written && !asked.replaces)
        reloadWhereShown(queue.path);
    else if (!outcome.failure.isEmpty())
        Data::msg(outcome.failure);
    // The window may have gone while the message was up.
    if (asked.done && asked.owner->listens())
        asked.done(outcome.written);
}

void settleOnQuit(FileQueue &queue)
{
    if (!queue.busy())
        return;
    queue.lateTimer.stop();
    // The song as the edits leave it, and whether that is still to be written.
    std::optional<QString> text;
    bool unwritten = false;
    const auto applied = [&text, &unwritten, &queue](const Asked &asked) {
        --asked.owner->pending;
        if (asked.reads())
            return;
        if (asked.replaces)
            text = QString();
        else if (!text && !asked.known.isEmpty())
            text = asked.known;
        if (!text) {
            qWarning().noquote() << QStringLiteral("Song edit: %1 was never read: the edit is lost").arg(queue.path);
            return;
        }
        if (asked.edit(*text))
            unwritten = true;
    };
    if (const std::shared_ptr<EditRun> run = std::exchange(queue.running, {}); run && queue.runningAsked.reads()) {
        applied(queue.runningAsked);
    } else if (run) {
        std::unique_lock lock(run->mutex);
        run->answered.wait_for(lock, std::chrono::milliseconds(platform::quitWaitLeftMs(platform::kQuitWaitsMs)),
                               [&run] { return run->stage == EditRun::Stage::Done; });
        // Changing the text takes no file call: it ends soon.
        run->answered.wait(lock, [&run] { return run->stage != EditRun::Stage::Editing; });
        if (run->stage == EditRun::Stage::Reading)
            run->dropped = true;
        if (!run->read && !run->kept) {
            lock.unlock();
            applied(queue.runningAsked);
        } else {
            // One its thread kept aside, having failed, is not kept again.
            --queue.runningAsked.owner->pending;
            if (run->read)
                text = run->text;
            unwritten = run->changed && !run->written && !run->kept;
        }
    }
    for (const Asked &asked : std::exchange(queue.waiting, {}))
        applied(asked);
    if (text && unwritten)
        keptnotes::keepSong(platform::completeBaseName(queue.path), *text);
    queue.runningAsked = {};
    // Their answers would come after the quit.
    queue.work.end();
}

// The song at `path` as the edits queued for it will leave it, from the last
// whole text set among them; nothing when none sets it.
std::optional<QString> textAsQueued(const QString &path)
{
    const auto found = queues().find(platform::cleanPath(path));
    if (found == queues().end() || !found->second->busy())
        return std::nullopt;
    const FileQueue &queue = *found->second;
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
    FileQueue &queue = queueOf(path);
    queue.waiting.push_back(std::move(asked));
    startNext(queue);
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

void SongFileEdits::replace(const QString &path, const QString &text, std::function<void(bool written)> done)
{
    const auto edit = [text](QString &song) {
        song = text;
        return true;
    };
    ask(owner_, path, {.edit = edit, .replaces = true, .done = std::move(done)});
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
