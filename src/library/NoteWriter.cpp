#include "library/NoteWriter.h"

#include "library/KeptNotes.h"
#include "platform/Log.h"
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

namespace {

std::mutex g_fileCallMutex;
NoteWriter::FileCall g_fileCall;

NoteWriter::FileCall fileCall()
{
    std::lock_guard lock(g_fileCallMutex);
    return g_fileCall;
}

} // namespace

NoteWriter::ScopedFileCall::ScopedFileCall(FileCall call)
{
    std::lock_guard lock(g_fileCallMutex);
    g_fileCall = std::move(call);
}

NoteWriter::ScopedFileCall::~ScopedFileCall()
{
    std::lock_guard lock(g_fileCallMutex);
    g_fileCall = {};
}

struct NoteWriter::Job {
    quint64 serial = 0;
    QString notePath;
    QString title;
    // The file calls; answers what the main thread does with them.
    std::function<std::function<void()>(const std::atomic_bool &stopped)> write;
    // At a quit, for a write that never came: keeps the edit aside.
    std::function<void()> keep;
    bool performers = true; // the performer's edit, not a line the program writes
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

    void run(FileCall before)
    {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopped || !queue.empty(); });
                if (stopped)
                    return;
                job = std::move(queue.front());
                queue.pop_front();
                current = job;
                underWay = job.serial;
            }
            if (before)
                before(job.notePath);
            std::function<void()> told = stopped ? nullptr : job.write(stopped);
            std::unique_lock lock(mutex);
            // Stopped meanwhile: the quit kept the edit aside, and nothing here may outlive the exit.
            if (stopped)
                return;
            underWay = 0;
            current = Job();
            if (owner)
                QMetaObject::invokeMethod(owner, std::move(told), Qt::QueuedConnection);
            doneWake.notify_all();
        }
    }
};

NoteWriter::NoteWriter(QObject *parent) : QObject(parent), state_(std::make_shared<State>())
{
    state_->owner = this;
    thread_ = QThread::create([state = state_, before = fileCall()] { state->run(before); });
    thread_->setObjectName(QStringLiteral("NoteWriter"));
    thread_->start();
}

NoteWriter::~NoteWriter()
{
    finish(kQuitWaitMs);
}

void NoteWriter::enqueue(Job job)
{
    job.serial = quint64(++asked_);
    {
        std::lock_guard lock(state_->mutex);
        state_->queue.push_back(std::move(job));
    }
    state_->wake.notify_one();
    if (!poll_.isActive())
        poll_.start(0.5, true, [this] { poll(); });
}

QString NoteWriter::expectedOnDisk(const PiecesPtr &piece) const
{
    const QString path = notefile::notePathForSong(piece->pieceDet->fichier);
    const auto it = pending_.constFind(path);
    return it != pending_.constEnd() ? it->onDisk : piece->pieceDet->noteOnDisk;
}

void NoteWriter::done(const QString &notePath)
{
    ++told_;
    auto it = pending_.find(notePath);
    if (it != pending_.end() && --it->count <= 0)
        pending_.erase(it);
}

void NoteWriter::save(const PiecesPtr &piece, const QObject *context, std::function<void(const QString &)> done)
{
    if (!piece || !piece->pieceDet)
        return;
    Pieces::NoteSave save = piece->noteSave();
    // Behind a write of the same note still under way, this one starts from what that leaves.
    save.onDisk = expectedOnDisk(piece);
    const QString notePath = notefile::notePathForSong(save.songPath);
    auto keep = [save] {
        if (save.text.isEmpty() || save.text == save.onDisk)
            return;
        keptnotes::keep(save.songPath, save.text, save.format);
    };
    if (!thread_) {
        keep();
        return;
    }
    Pending &p = pending_[notePath];
    ++p.count;
    p.onDisk = save.text;
    Job job;
    job.notePath = notePath;
    job.title = save.title;
    job.keep = keep;
    job.write = [this, piece, save, notePath, context = QPointer<const QObject>(context),
                 done = std::move(done)](const std::atomic_bool &stopped) -> std::function<void()> {
        const Pieces::NoteSaved saved = Pieces::writeNote(save, &stopped);
        return [this, piece, save, saved, notePath, context, done] {
            NoteWriter::done(notePath);
            piece->tookNoteSave(save, saved);
            if (done && context)
                done(saved.failure);
        };
    };
    enqueue(std::move(job));
}

void NoteWriter::edit(const PiecesPtr &piece, const std::function<QString(const QString &)> &change,
                      const QObject *context, std::function<void(const Pieces::NoteEditResult &)> done, Whose whose)
{
    if (!piece || !piece->pieceDet || !thread_)
        return;
    PiecesDet &det = *piece->pieceDet;
    const QString onDisk = expectedOnDisk(piece);
    const QString notePath = notefile::notePathForSong(det.fichier);
    // The record holds the change from now on, whenever the note answers.
    det.notetxt = notefile::withLineFeeds(change(det.notetxt));
    det.note = !det.notetxt.isEmpty();
    piece->majInfo();
    const QString held = det.notetxt;
    Pending &p = pending_[notePath];
    ++p.count;
    p.onDisk = notefile::withLineFeeds(change(onDisk));
    Job job;
    job.notePath = notePath;
    job.title = det.titre;
    job.performers = whose == Whose::Performer;
    if (job.performers) {
        // The record holds this edit and every later one of the note.
        job.keep = [piece, onDisk] {
            const PiecesDet *det = piece->pieceDet.get();
            if (det && det->notetxt != onDisk)
                keptnotes::keep(det->fichier, det->notetxt, det->noteFormat);
        };
    } else {
        // A line the program writes on its own is not the performer's edit: the
        // quit says it in the log only, as a refused one is.
        job.keep = [notePath] { TLOG(QStringLiteral("NoteWriter: %1 did not answer, its line is not written").arg(notePath)); };
    }
    job.write = [this, piece, change, onDisk, held, notePath, songPath = det.fichier, format = det.noteFormat,
                 context = QPointer<const QObject>(context),
                 done = std::move(done)](const std::atomic_bool &stopped) -> std::function<void()> {
        const Pieces::NoteEdited edited = Pieces::editNoteFile(songPath, format, change, &stopped);
        return [this, piece, edited, onDisk, held, notePath, context, done] {
            // The note as stored, with what others saved, unless the record changed since.
            const bool last = pending_.value(notePath).count <= 1;
            NoteWriter::done(notePath);
            const bool take = last && piece->pieceDet && piece->pieceDet->notetxt == held;
            const Pieces::NoteEditResult r = Pieces::tookNoteEdit(piece, edited, onDisk, take);
            if (done && context)
                done(r);
        };
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
        QString title;
        {
            std::lock_guard lock(state_->mutex);
            title = state_->current.title;
        }
        emit noAnswer(title);
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
    }
    state_->wake.notify_all();
    poll_.stop();
    // The last edit of each note is the one to keep.
    QSet<QString> kept;
    for (auto it = left.rbegin(); it != left.rend(); ++it) {
        if (it->performers && kept.contains(it->notePath))
            continue;
        it->keep();
        if (it->performers)
            kept.insert(it->notePath);
    }
    platform::endThread(thread_, held ? 0 : platform::kThreadEndWaitMs,
                        QStringLiteral("NoteWriter: %1").arg(held ? left.front().notePath : QString()));
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
