#include "library/NoteWriter.h"

#include "library/KeptNotes.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/ThreadEnd.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QSet>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

struct NoteWriter::Written {
    std::function<void()> told; // what the main thread does with the answer
    QString onDisk;             // the note now: the text written, or the one read when it was not
    bool written = false;       // the note holds the edit
};

struct NoteWriter::Job {
    quint64 serial = 0;
    QString notePath;
    QString title;
    // What the note holds before the write, as the record knows it; asked
    // behind another write of the note, that one's answer tells instead.
    QString onDisk;
    bool behind = false;
    // The file calls.
    std::function<Written(const std::atomic_bool &stopped, const QString &onDisk)> write;
    // What is kept aside of the edit should it never be written: nothing when
    // the record holds what is on disk.
    struct Aside {
        QString songPath;
        QString text;
        notefile::Format format;
    };
    std::function<std::optional<Aside>()> aside;
};

// Shared with the thread, which may outlive the writer when a note holds it.
struct NoteWriter::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable doneWake;
    std::deque<Job> queue;
    Job current;
    std::atomic<quint64> underWay{0};
    std::atomic_bool stopped{false};
    NoteWriter *owner = nullptr; // under mutex; gone with the writer
    // Each note's last write, while writes of it are asked or untold; under mutex.
    QHash<QString, Written> answered;

    void run(FileCalls::Call before)
    {
        for (;;) {
            // Once a write is through: a thread left behind touches nothing after the program's end.
            std::optional<platform::BeforeTheEnd> going;
            Job job;
            QString onDisk;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopped || !queue.empty(); });
                if (stopped)
                    return;
                job = std::move(queue.front());
                queue.pop_front();
                current = job;
                underWay = job.serial;
                const auto last = answered.constFind(job.notePath);
                onDisk = job.behind && last != answered.constEnd() ? last->onDisk : job.onDisk;
            }
            if (before)
                before(job.notePath);
            if (stopped) {
                going.emplace();
                return;
            }
            Written written = job.write(stopped, onDisk);
            going.emplace();
            std::unique_lock lock(mutex);
            // Stopped meanwhile: the quit kept the edit aside.
            if (stopped)
                return;
            answered.insert(job.notePath, Written{{}, written.onDisk, written.written});
            underWay = 0;
            current = Job();
            if (owner)
                QMetaObject::invokeMethod(
                    owner,
                    [owner = owner, serial = job.serial, told = std::move(written.told)] {
                        owner->ended(serial);
                        told();
                    },
                    Qt::QueuedConnection);
            doneWake.notify_all();
        }
    }
};

NoteWriter::NoteWriter(QObject *parent) : QObject(parent), state_(std::make_shared<State>())
{
    state_->owner = this;
    thread_ = QThread::create([state = state_, before = FileCalls::get()] { state->run(before); });
    thread_->setObjectName(QStringLiteral("NoteWriter"));
    thread_->start();
}

NoteWriter::~NoteWriter()
{
    finish(platform::quitWaitLeftMs(platform::kQuitWaitsMs));
}

void NoteWriter::enqueue(Job job)
{
    job.serial = quint64(++asked_);
    job.behind = pending_.value(job.notePath) > 0;
    ++pending_[job.notePath];
    // Behind a note said not to answer, this one waits too.
    const bool waiting = waitingOnANote();
    {
        std::lock_guard lock(state_->mutex);
        state_->queue.push_back(job);
    }
    state_->wake.notify_one();
    if (waiting)
        keepAside({job});
    if (!poll_.isActive())
        poll_.start(0.5, true, [this] { poll(); });
}

bool NoteWriter::waitingOnANote() const
{
    return said_ != 0 && state_->underWay == said_;
}

void NoteWriter::keepAside(const std::deque<Job> &jobs)
{
    QSet<QString> seen;
    for (auto it = jobs.rbegin(); it != jobs.rend(); ++it) {
        if (seen.contains(it->notePath))
            continue;
        seen.insert(it->notePath);
        const std::optional<Job::Aside> aside = it->aside();
        if (aside) {
            const QString path = keptnotes::keepWaiting(aside->songPath, aside->text, aside->format,
                                                        kept_.value(it->notePath));
            if (!path.isEmpty())
                kept_.insert(it->notePath, path);
        } else {
            // The record went back to what is on disk: nothing is left to keep.
            dropKept(it->notePath);
        }
    }
}

void NoteWriter::done(const QString &notePath, bool written)
{
    ++told_;
    auto it = pending_.find(notePath);
    if (it == pending_.end() || --*it > 0)
        return;
    pending_.erase(it);
    {
        std::lock_guard lock(state_->mutex);
        state_->answered.remove(notePath);
    }
    // A copy kept while the note was silent; one whose write failed stays, as the edit is in no note.
    if (written)
        dropKept(notePath);
}

void NoteWriter::ended(quint64 serial)
{
    if (serial == said_)
        emit answered();
}

void NoteWriter::dropKept(const QString &notePath)
{
    const QString copy = kept_.take(notePath);
    if (!copy.isEmpty() && !platform::removeFile(copy))
        TLOG(QStringLiteral("NoteWriter: %1 could not be removed").arg(copy));
}

void NoteWriter::save(const PiecesPtr &piece, const QObject *context, std::function<void(const QString &)> done)
{
    if (!piece || !piece->pieceDet)
        return;
    const Pieces::NoteSave save = piece->noteSave();
    const QString notePath = notefile::notePathForSong(save.songPath);
    Job job;
    job.notePath = notePath;
    job.title = save.title;
    job.onDisk = save.onDisk;
    job.aside = [piece, save]() -> std::optional<Job::Aside> {
        const PiecesDet *det = piece->pieceDet.get();
        if (save.text.isEmpty() || (det && save.text == det->noteOnDisk))
            return std::nullopt;
        return Job::Aside{save.songPath, save.text, save.format};
    };
    if (!thread_) {
        keepAside({job});
        return;
    }
    job.write = [this, piece, save, notePath, context = QPointer<const QObject>(context),
                 done = std::move(done)](const std::atomic_bool &stopped, const QString &onDisk) -> Written {
        Pieces::NoteSave asked = save;
        asked.onDisk = onDisk;
        const Pieces::NoteSaved saved = Pieces::writeNote(asked, &stopped);
        auto told = [this, piece, asked, saved, notePath, context, done] {
            NoteWriter::done(notePath, saved.saved);
            piece->tookNoteSave(asked, saved);
            if (done && context)
                done(saved.failure);
        };
        return {told, saved.onDisk, saved.saved};
    };
    enqueue(std::move(job));
}

void NoteWriter::edit(const PiecesPtr &piece, const std::function<QString(const QString &)> &change,
                      const QObject *context, std::function<void(const Pieces::NoteEditResult &)> done)
{
    if (!piece || !piece->pieceDet || !thread_)
        return;
    PiecesDet &det = *piece->pieceDet;
    const QString notePath = notefile::notePathForSong(det.fichier);
    // The record holds the change from now on, whenever the note answers.
    det.notetxt = notefile::withLineFeeds(change(det.notetxt));
    det.note = !det.notetxt.isEmpty();
    piece->majInfo();
    const QString held = det.notetxt;
    Job job;
    job.notePath = notePath;
    job.title = det.titre;
    job.onDisk = det.noteOnDisk;
    // The record holds this edit and every later one of the note, the
    // performer's and the lines the program writes (the played date) alike.
    job.aside = [piece]() -> std::optional<Job::Aside> {
        const PiecesDet *det = piece->pieceDet.get();
        if (!det || det->notetxt.isEmpty() || det->notetxt == det->noteOnDisk)
            return std::nullopt;
        return Job::Aside{det->fichier, det->notetxt, det->noteFormat};
    };
    job.write = [this, piece, change, held, notePath, songPath = det.fichier, format = det.noteFormat,
                 context = QPointer<const QObject>(context),
                 done = std::move(done)](const std::atomic_bool &stopped, const QString &onDisk) -> Written {
        const Pieces::NoteEdited edited = Pieces::editNoteFile(songPath, format, change, &stopped);
        auto told = [this, piece, edited, onDisk, held, notePath, context, done] {
            // The note as stored, with what others saved, unless the record changed since.
            const bool last = pending_.value(notePath) <= 1;
            NoteWriter::done(notePath, edited.failure.isEmpty());
            const bool take = last && piece->pieceDet && piece->pieceDet->notetxt == held;
            const Pieces::NoteEditResult r = Pieces::tookNoteEdit(piece, edited, onDisk, take);
            if (done && context)
                done(r);
        };
        return {told, edited.text, edited.failure.isEmpty()};
    };
    enqueue(std::move(job));
}

bool NoteWriter::idle() const
{
    return told_ == asked_;
}

void NoteWriter::poll()
{
    const quint64 now = state_->underWay;
    // Under way at two ticks in a row, with the event loop turned between
    // them: half a second at least, not a stepped clock's two ticks at once.
    if (now != 0 && now == seen_ && turned_ && now != said_) {
        said_ = now;
        std::deque<Job> waiting;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->underWay == now) {
                waiting.push_back(state_->current);
                waiting.insert(waiting.end(), state_->queue.begin(), state_->queue.end());
            }
        }
        // Said to wait, the edits are on the local disk too: a crash or a kill does not take them.
        if (!waiting.empty()) {
            keepAside(waiting);
            emit noAnswer(waiting.front().title, kept_.value(waiting.front().notePath));
        }
    }
    seen_ = now;
    turned_ = false;
    QMetaObject::invokeMethod(this, [this, now] { turned_ = seen_ == now; }, Qt::QueuedConnection);
    if (idle())
        poll_.stop();
}

void NoteWriter::finish(int waitMs)
{
    if (!thread_)
        return;
    std::deque<Job> left;
    bool held = false;
    QSet<QString> landed; // written, not yet told
    {
        std::unique_lock lock(state_->mutex);
        // A write already said to wait on its note is not waited for again.
        if (state_->underWay != 0 && state_->underWay == said_)
            waitMs = 0;
        state_->doneWake.wait_for(lock, std::chrono::milliseconds(waitMs),
                                  [this] { return state_->queue.empty() && state_->underWay == 0; });
        state_->stopped = true;
        state_->owner = nullptr;
        held = state_->underWay != 0;
        if (held)
            left.push_back(state_->current);
        for (Job &job : state_->queue)
            left.push_back(std::move(job));
        state_->queue.clear();
        for (auto it = state_->answered.cbegin(); it != state_->answered.cend(); ++it)
            if (it->written)
                landed.insert(it.key());
    }
    state_->wake.notify_all();
    poll_.stop();
    for (const Job &job : left)
        landed.remove(job.notePath);
    for (const QString &notePath : std::as_const(landed))
        dropKept(notePath);
    keepAside(left);
    platform::endThread(thread_, held ? 0 : platform::kThreadEndWaitMs,
                        held ? QStringLiteral("NoteWriter: %1").arg(left.front().notePath) : QStringLiteral("NoteWriter"));
    thread_ = nullptr;
    told_ = asked_;
}

bool NoteWriter::waitForIdle(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!idle() && !deadline.hasExpired()) {
        {
            std::unique_lock lock(state_->mutex);
            state_->doneWake.wait_for(lock, std::chrono::milliseconds(5));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return idle();
}
