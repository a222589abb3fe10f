#include "windows/PageRenderWorker.h"

#include "chordpro/ChordPro.h"
#include "library/PiecesDet.h"
#include "library/WinID.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PdfProcess.h"

#include <QScopeGuard>
#include <QThread>
#include <algorithm>

namespace {
// The first bytes of a file tell a PDF from anything else.
constexpr qint64 kHeadBytes = 1024;
} // namespace

PageRenderWorker::PageRenderWorker(PageRenderer *owner, PageRenderer::FileLook look, const PageRenderer::MakeReader &make)
    : owner_(owner), look_(std::move(look)), alive_(std::make_shared<Alive>(this))
{
    auto stopped = [this] { return stopping_.load(); };
    for (auto &reader : readers_) {
        reader = make ? make(stopped) : std::make_unique<platform::PdfProcess>(stopped);
        reader->setInterrupt([this, r = reader.get()] {
            readerPid_ = r->pid();
            sayIfSlow();
            return (pickUpBy_ >= 0 && callNow() >= pickUpBy_) || yields() || spent();
        });
        // A reader that stalls under a page on screen is replaced; one asked ahead has its time
        // limit, unless a page on screen waits behind it: a call ahead on the same document
        // does not give way, and that page must not wait out the limit of a reader stopped.
        reader->setProgressWatch([this] { return !runningAhead() || pageWaits(); });
    }
}

// The readers end first (declared last), then the documents they held.
PageRenderWorker::~PageRenderWorker()
{
    std::lock_guard lock(alive_->mutex);
    alive_->worker = nullptr;
}

int PageRenderWorker::indexOf(const platform::PdfReader &reader) const
{
    return &reader == readers_[0].get() ? 0 : 1;
}

std::array<std::reference_wrapper<platform::PdfReader>, 2> PageRenderWorker::readers() const
{
    return {*readers_[0], *readers_[1]};
}

void PageRenderWorker::wakeIn(Wake &wake, double seconds, void (PageRenderWorker::*fn)())
{
    // Asked again before it fires, it fires later: one timer of the clock each,
    // rather than one for every page drawn.
    // A clock put in its place never fires the timer of the one before.
    wake.due = platform::now() + seconds;
    if (!wake.armed || wake.clock != platform::clock().serial())
        arm(wake, seconds, fn);
}

void PageRenderWorker::arm(Wake &wake, double seconds, void (PageRenderWorker::*fn)())
{
    wake.armed = true;
    wake.clock = platform::clock().serial();
    // On the platform clock, which fires on the main thread (or the test's
    // stepping it); the call is the worker's own, on its thread.
    platform::performAfter(seconds, nullptr, [alive = alive_, which = &wake - wakes_, fn] {
        std::lock_guard lock(alive->mutex);
        if (PageRenderWorker *w = alive->worker)
            QMetaObject::invokeMethod(w, [w, which, fn] {
                Wake &wake = w->wakes_[which];
                wake.armed = false;
                if (wake.due < 0)
                    return;
                if (const double left = wake.due - platform::now(); left > 1e-6) {
                    w->arm(wake, left, fn);
                    return;
                }
                wake.due = -1;
                (w->*fn)();
            }, Qt::QueuedConnection);
    });
}

bool PageRenderWorker::stop()
{
    // Set before askedSince_ is read, as ask() marks askedSince_ before it reads
    // stopping_: either the job is found in its call or it finds itself stopped.
    stopping_ = true;
    {
        std::lock_guard lock(ownerMutex_);
        owner_ = nullptr;
    }
    std::lock_guard lock(mutex_);
    visible_.clear();
    ahead_.clear();
    waitingShown_.clear();
    const bool held = askedSince_ >= 0;
    // The thread may come back from the file system late or never: the readers' children go now.
    if (held)
        for (const auto &reader : readers_)
            reader->kill();
    return held;
}

QString PageRenderWorker::asking() const
{
    std::lock_guard lock(askingMutex_);
    return asking_;
}

void PageRenderWorker::sayIfSlow()
{
    Doc *open = loadingDoc();
    const double now = platform::now();
    const bool ahead = runningAhead();
    // A page's drawing is slow from when it is on screen with its document
    // loaded, and while its reader works: one that does not is the stall watch's.
    if (drawingSince_ >= 0 && (ahead || (open && !redrawing_) || (reader_ && reader_->stillFor() >= kSlowS / 2)))
        drawingSince_ = now;
    if (drawingSince_ >= 0 && now - drawingSince_ >= kSlowS) {
        drawingSince_ = now;
        tell([path = drawingPath_](PageRenderer &o) {
            emit o.pageLate(path, songfile::slowToDraw(path), PageRenderer::Late::SlowToDraw);
        });
    }
    // A load a reader gave up on (asked ahead, past a sound one's time) has not answered within its second already.
    if (!open || open->loadSince < 0 || (open->givenUp == 0 && open->loadUsed + now - open->loadSince < kSlowS) || ahead
        || (now - open->slowToldAt < kSlowS && !askedOnScreen_.exchange(false)))
        return;
    askedOnScreen_ = false;
    open->slowToldAt = now;
    tell([path = loadingPath_](PageRenderer &o) { emit o.pageLate(path, songfile::slowToOpen(path), PageRenderer::Late::SlowToOpen); });
}

bool PageRenderWorker::spent() const
{
    const Doc *open = loadingDoc();
    return open && open->loadSince >= 0
           && open->loadUsed + platform::now() - open->loadSince
                  >= readerpolicy::loadTry(shownNow(loadingPath_), PageRenderer::loadLimitMs / 1000.0);
}

void PageRenderWorker::stopClock(Doc &open, bool answered)
{
    if (open.loadSince >= 0 && !answered)
        open.loadUsed += platform::now() - open.loadSince;
    open.loadSince = -1;
}

void PageRenderWorker::end(platform::PdfReader &reader)
{
    // A load's time so far counts; the documents load again from memory.
    stopClocksOf(reader);
    reader.end();
}

void PageRenderWorker::stopClocksOf(platform::PdfReader &reader, const Doc *keep)
{
    for (const auto &[path, other] : docs_)
        if (other.get() != keep && reader.runs(ReaderCall::Load, other->id))
            stopClock(*other, reader.answered());
}

bool PageRenderWorker::wanted(quint32 id) const
{
    auto of = [this, id](const QString &path) {
        const Doc *d = documentAt(path);
        return d && d->id == id;
    };
    std::lock_guard lock(mutex_);
    if (of(shown_) || (running_ && !runningDropped_ && of(runningKey_.path)))
        return true;
    for (const std::deque<Job> *queue : {&visible_, &ahead_})
        for (const Job &j : *queue)
            if (j.kind != Keep && of(j.key.path))
                return true;
    return false;
}

void PageRenderWorker::endLeft()
{
    bool left = false;
    for (int i : {0, 1}) {
        if (!readers_[i]->busy() || wanted(callDoc_[i]) || stopping_)
            continue;
        if (readerpolicy::endsWhenLeft(stateOf(*readers_[i])))
            end(*readers_[i]);
        else
            left = true;
    }
    if (left)
        wakeIn(wakes_[kLeft], kLeftCheckS, &PageRenderWorker::endLeft);
}

void PageRenderWorker::asking(platform::PdfReader &reader, quint32 id, bool runsIt)
{
    if (runsIt)
        return;
    callDoc_[indexOf(reader)] = id;
    callSince_[indexOf(reader)] = callNow();
}

readerpolicy::Doc PageRenderWorker::costOf(const Doc &open, bool running)
{
    running = running && open.loadSince >= 0;
    return readerpolicy::Doc{open.givenUp, open.retried, open.loadUsed + (running ? platform::now() - open.loadSince : 0)};
}

readerpolicy::Reader PageRenderWorker::stateOf(platform::PdfReader &reader, const Doc *asked, ReaderCall call, int at, QSize size)
{
    readerpolicy::Reader state;
    if (reader.busy()) {
        state.running.call = readerpolicy::Call::Render; // or the sizes: a call on a document loaded
        state.answered = reader.answered();
        for (const auto &[path, d] : docs_)
            if (reader.runs(ReaderCall::Load, d->id)) {
                state.running = readerpolicy::Work{readerpolicy::Call::Load, d->id};
                state.runningDoc = costOf(*d, !state.answered);
            }
        const quint32 callDoc = callDoc_[indexOf(reader)];
        {
            std::lock_guard lock(mutex_);
            const Doc *shown = documentAt(shown_);
            state.running.onScreen = shown && shown->id == callDoc;
        }
        state.stuck = !state.answered && readerpolicy::stalled(reader.stillFor(), true);
        state.ran = callNow() - callSince_[indexOf(reader)];
        // The load of a document dropped while it ran: a load still, whose time is what it ran here.
        if (state.running.call == readerpolicy::Call::Render && reader.runs(ReaderCall::Load, callDoc)) {
            state.running = readerpolicy::Work{readerpolicy::Call::Load, callDoc, false, false, false};
            state.runningDoc.loadUsed = state.answered ? 0 : state.ran;
        }
    }
    if (asked) {
        state.runsIt = reader.runs(call, asked->id, at, size) || reader.runs(ReaderCall::Load, asked->id);
        state.holds = reader.loaded(asked->id);
    }
    return state;
}

platform::PdfReader &PageRenderWorker::readerFor(ReaderCall call, const Doc &open, int at, QSize size)
{
    const double began = callNow();
    for (;;) {
        readerpolicy::State state;
        for (int i : {0, 1})
            state.readers[i] = stateOf(*readers_[i], &open, call, at, size);
        {
            std::lock_guard lock(mutex_);
            state.asked = readerpolicy::Work{call == ReaderCall::Load ? readerpolicy::Call::Load : readerpolicy::Call::Render, open.id,
                                             !runningAhead_, runningGaveWay_};
            state.waited = callNow() - began;
            state.shown = !shownTold_ || documentAt(shown_) == &open;
        }
        state.askedDoc = costOf(open);
        const readerpolicy::Decision decision = readerpolicy::place(state);
        if (decision.end >= 0) {
            TLOG(QStringLiteral("PageRenderer: a page on screen ends a reader held by %1")
                     .arg(decision.why == readerpolicy::Why::Stuck    ? QStringLiteral("a call that does not move")
                          : decision.why == readerpolicy::Why::Passed ? QStringLiteral("a long call of a song passed")
                                                                      : QStringLiteral("the bad file's call")));
            end(*readers_[decision.end]);
        }
        if (decision.pickUp < 0) {
            stopClocksOf(*readers_[decision.serve], &open);
            return *readers_[decision.serve];
        }
        pickUp(*readers_[decision.pickUp]);
        if (yields())
            throw GaveWay{};
    }
}

void PageRenderWorker::pickUp(platform::PdfReader &reader)
{
    pickUpBy_ = callNow() + readerpolicy::kPickUpMs / 1000.0;
    struct Until {
        double &by;
        ~Until() { by = -1; }
    } until{pickUpBy_};
    platform::PdfReader *const was = reader_;
    reader_ = &reader;
    QString loadPath;
    Doc *loadRun = nullptr;
    for (const auto &[path, open] : docs_)
        if (reader.runs(ReaderCall::Load, open->id))
            std::tie(loadPath, loadRun) = std::pair(path, open.get());
    std::optional<Job> job;
    bool ahead = false;
    readerpolicy::TakeUp takeUp;
    {
        std::lock_guard lock(mutex_);
        std::vector<readerpolicy::Work> drawnThere;
        std::vector<std::pair<std::deque<Job> *, qsizetype>> at;
        for (std::deque<Job> *queue : {&visible_, &ahead_})
            for (qsizetype i = 0; i < qsizetype(queue->size()); ++i) {
                const Job &j = (*queue)[i];
                const Doc *d = j.kind == Render ? documentAt(j.key.path) : nullptr;
                if (d && reader.runs(ReaderCall::Render, d->id, j.key.page - 1, j.key.size)) {
                    drawnThere.push_back(workOf(j, queue == &ahead_));
                    at.emplace_back(queue, i);
                }
            }
        takeUp = readerpolicy::takeUp(loadRun && loadRun->loading, drawnThere);
        if (!takeUp.load && takeUp.page >= 0) {
            const auto [queue, i] = at[takeUp.page];
            job = std::move((*queue)[i]);
            queue->erase(queue->begin() + i);
            ahead = queue == &ahead_;
            held_ = &*job;
            heldAhead_ = ahead;
            heldDropped_ = false;
        }
    }
    if (takeUp.load) {
        // The load forgets no document, and returns here at once.
        try {
            load(loadPath, *loadRun, &reader);
        } catch (const GaveWay &) {
        } catch (const Left &) {
        }
        reader_ = was;
        return;
    }
    struct Release {
        PageRenderWorker &w;
        ~Release()
        {
            std::lock_guard lock(w.mutex_);
            w.held_ = nullptr;
        }
    } release{*this};
    if (!job) {
        stopClocksOf(reader);
        reader.settle();
        check(platform::PdfReader::Outcome::Done);
        reader_ = was;
        return;
    }
    platform::PdfReader::Rendered r
        = reader.render(documentAt(job->key.path)->id, job->key.page - 1, job->key.size, PageRenderer::renderLimitMs);
    reader_ = was;
    if (stopping_)
        throw Stopped{};
    if (r.outcome == platform::PdfReader::Outcome::Done) {
        tell([key = job->key, image = std::move(r.image)](PageRenderer &o) { o.pageRendered(key, image); });
        return;
    }
    // Not yet, or not at all: it goes on as the job it was, which says why; of a song passed meanwhile, it goes,
    // and so does one cleared or dropped meanwhile, as it would have been queued (the window was told).
    if (!keptNow(job->key.path))
        return forget(*job);
    std::lock_guard lock(mutex_);
    held_ = nullptr;
    if (!heldDropped_)
        (ahead ? ahead_ : visible_).push_front(std::move(*job));
}

void PageRenderWorker::forget(const Job &job)
{
    // Asked again when its song is: the window forgets it was asked.
    tell([key = job.key, kind = job.kind](PageRenderer &o) {
        if (kind == Render) {
            o.pending_.remove(key);
            o.pendingAhead_.remove(key);
        } else {
            o.filePending_.remove(key.path);
            o.filePendingAhead_.remove(key.path);
        }
    });
}

void PageRenderWorker::tell(std::function<void(PageRenderer &)> fn)
{
    if (holding_ && QThread::currentThread() == thread()) {
        heldTells_.push_back(std::move(fn));
        return;
    }
    std::lock_guard lock(ownerMutex_);
    if (owner_)
        QMetaObject::invokeMethod(owner_, [o = owner_, fn = std::move(fn)] { fn(*o); }, Qt::QueuedConnection);
}

void PageRenderWorker::release()
{
    holding_ = false;
    if (heldTells_.empty())
        return;
    tell([held = std::exchange(heldTells_, {})](PageRenderer &o) { o.told(held); });
}

// A call into the file system, timed so that the window can say when it does not answer.
// Once stopped, the job ends here: a thread left behind at a quit may come back
// after the program has ended, and must look, read, log or tell nothing more.
template <typename Call>
auto PageRenderWorker::ask(const QString &path, Call call)
{
    {
        std::lock_guard lock(askingMutex_);
        asking_ = path;
    }
    askedSince_ = platform::now();
    if (stopping_)
        throw Stopped{};
    auto answer = call();
    askedSince_ = -1.0;
    if (stopping_)
        throw Stopped{};
    return answer;
}

std::optional<platform::FileStamp> PageRenderWorker::look(const QString &path)
{
    return ask(path, [&] { return look_(path); });
}

void PageRenderWorker::drain()
{
    Job job;
    wakes_[kIdle].due = -1;
    while (!stopping_ && take(job)) {
        // Held for the first page only: nothing else runs while the window waits for its document.
        if (holding_ && !(job.kind == Render && job.key == heldFor_))
            release();
        try {
            switch (job.kind) {
            case Open: opened(job.key.path, job.first); break;
            case Read: read(job.key.path); break;
            case Find: found(job.key.path, job.binding); break;
            case Render: render(job.key, job.unasked); break;
            case Keep: keepOnly(job.keep, superseded()); break;
            case Sizes: sizes(job.key.path); break;
            }
        } catch (const Stopped &) {
            release();
            return; // nothing more of the job is done
        } catch (const GaveWay &) {
            // On screen, it goes on behind the other pages on screen; asked ahead, once they are served.
            std::lock_guard lock(mutex_);
            job.gaveWay = true;
            if (runningDropped_) // a song passed: its call is settled in its reader, never taken up
                ;
            else if (runningAhead_)
                ahead_.push_front(std::move(job));
            else
                visible_.push_back(std::move(job));
        } catch (const Left &) {
            // Asked on screen, it waits here for its song, whose window asks nothing again; asked ahead, the window asks again.
            std::unique_lock lock(mutex_);
            job.gaveWay = false;
            if (runningAhead_ || runningDropped_) {
                lock.unlock();
                forget(job);
            } else if (shownTold_ && job.key.path == shown_) {
                visible_.push_front(std::move(job)); // shown since its try was left: taken up now
            } else {
                waitingShown_.push_back(std::move(job));
            }
        }
        drawingSince_ = -1;
        // What was held for the first page goes with it.
        if (job.kind != Open)
            release();
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    release();
    if (!stopping_)
        wakeIn(wakes_[kIdle], readerpolicy::kIdleS, &PageRenderWorker::letGoIdle);
}

void PageRenderWorker::letGoIdle()
{
    if (stopping_)
        return;
    const readerpolicy::Reader states[2] = {stateOf(*readers_[0]), stateOf(*readers_[1])};
    const readerpolicy::AtIdle idle = readerpolicy::atIdle(states);
    for (int i : {0, 1})
        if (idle.end[i])
            end(*readers_[i]);
    // The reader left keeps what the song shown needs; its child gives its heap back once idle.
    QList<quint32> closing;
    {
        std::lock_guard lock(mutex_);
        for (const auto &[path, open] : docs_)
            if (!readerpolicy::keepsLoadedWhenIdle(shownTold_, path == shown_, keptAhead_.contains(path)))
                closing.append(open->id);
    }
    for (platform::PdfReader &reader : readers())
        for (const quint32 id : closing)
            if (!reader.busy())
                reader.close(id);
    if (idle.letGoMemory)
        platform::pdfmemory::letGoSpare();
    if (idle.lookAgain)
        wakeIn(wakes_[kIdle], readerpolicy::kIdleS, &PageRenderWorker::letGoIdle);
}

void PageRenderWorker::opened(const QString &path, const PageRenderer::FirstPage &first)
{
    const std::optional<platform::FileStamp> stamp = look(path);
    platform::PdfReader::Page then;
    if (first.page >= 1)
        then = platform::PdfReader::Page{first.page - 1, QSize(), false, PageRenderer::renderLimitMs, first.pane, first.devicePixelRatio};
    Doc *open = document(path, stamp, then);
    const PageRenderer::DocInfo info = open->info;
    known_.insert(path, stamp);
    // Its first page, under way in its reader, is taken next, before the window asks for it.
    if (ready(open) && first.page >= 1 && first.page <= info.pageCount) {
        const PageRenderer::Key key{path, first.page, PageRenderer::fitSize(info.pageSize(first.page), first.pane, first.devicePixelRatio)};
        for (const auto &reader : readers_) {
            if (!reader->runs(ReaderCall::Render, open->id, key.page - 1, key.size))
                continue;
            // Answered with its load, it reaches the window with the document, in one turn of its loop.
            holding_ = reader->answered();
            heldFor_ = key;
            Job job{Render, key, {}, {}};
            job.unasked = true;
            std::lock_guard lock(mutex_);
            visible_.push_front(std::move(job));
            break;
        }
    }
    tell([path, info](PageRenderer &o) { o.documentOpened(path, info); });
}

void PageRenderWorker::read(const QString &path)
{
    const std::optional<platform::FileStamp> stamp = look(path);
    // Read even when the look found nothing, for the words of why: a pipe or a device is not opened.
    const platform::FileBytes file = ask(path, [&] { return platform::readRegularFile(path, ChordPro::kMaxSongBytes); });
    known_.insert(path, stamp);
    // The song's record takes its header from this read (parsed here, off the main thread).
    const PiecesDet::Header header = PiecesDet::headerOf(file);
    tell([path, file, header](PageRenderer &o) { o.textRead(path, file, header); });
}

QString PageRenderWorker::versionOf(const QString &path, const PageRenderer::Binding &b)
{
    return winid::versionPath(path, b.altDir, b.defPDF, b.defCHO,
                              [this](const QString &file) { return look(file).has_value(); });
}

void PageRenderWorker::found(const QString &path, const PageRenderer::Binding &binding)
{
    const QString shown = versionOf(path, binding);
    versions_.insert(path, {binding, shown});
    tell([path, binding, shown](PageRenderer &o) { o.versionFound(path, binding, shown); });
}

void PageRenderWorker::render(const PageRenderer::Key &key, bool unasked)
{
    QImage image;
    drawingPath_ = key.path;
    drawingSince_ = platform::now();
    Doc *open = documentAt(key.path);
    // A reader stopped under it refused it a while: on screen after that, it is opened again.
    const bool retry = open && open->info.retryAt > 0 && platform::now() >= open->info.retryAt;
    if (open && !retry) {
        docLru_.removeAll(key.path);
        docLru_.append(key.path);
        // Its load gave way before: taken up here.
        if (open->loading)
            load(key.path, *open, nullptr, drawnWith(key));
    } else {
        open = nullptr;
        // Closed since it was opened (more documents were asked for): read again,
        // unless the file changed meanwhile and the window must learn of it first.
        const std::optional<platform::FileStamp> stamp = look(key.path);
        if (known_.contains(key.path) && known_.value(key.path) != stamp) {
            known_.remove(key.path);
            tell([key](PageRenderer &o) { o.filesLooked({}, {key.path}); });
        } else {
            open = document(key.path, stamp, drawnWith(key));
        }
    }
    platform::PdfReader *fresh = nullptr;
    readerpolicy::Outside outside;
    for (int attempt = 0; ready(open) && key.page >= 1 && key.page <= open->info.pageCount && !key.size.isEmpty(); ++attempt) {
        platform::PdfReader &reader = fresh ? *fresh : readerFor(ReaderCall::Render, *open, key.page - 1, key.size);
        // Loaded again, from the bytes kept, when the reader was ended since or does not hold it.
        if (!reader.loaded(open->id)) {
            // Ended under this page: its words count the whole time the page is not there.
            redrawing_ = fresh != nullptr;
            const auto loaded = qScopeGuard([this] { redrawing_ = false; });
            load(key.path, *open, &reader, drawnWith(key), &outside);
            if (!ready(open))
                break;
        }
        reader_ = &reader;
        asking(reader, open->id, reader.runs(ReaderCall::Render, open->id, key.page - 1, key.size));
        platform::PdfReader::Rendered r = reader.render(open->id, key.page - 1, key.size, PageRenderer::renderLimitMs);
        check(r.outcome);
        if (r.outcome == platform::PdfReader::Outcome::Done) {
            image = std::move(r.image);
            break;
        }
        if (stoppedOutside(r.outcome, key.path)) {
            const auto after = readerpolicy::afterOutside(outside, r.outcome == platform::PdfReader::Outcome::Killed, reader.heldAlone());
            if (after == readerpolicy::AfterOutside::Fresh) {
                --attempt;
                fresh = &reader;
                continue;
            }
            refuse(key.path, *open, after == readerpolicy::AfterOutside::OutOfMemory ? songfile::PdfLoad::OutOfMemory : songfile::PdfLoad::Stopped);
            break;
        }
        // A reader that gave up may not have done so for the page: a fresh
        // one, holding this document alone, tries it once more.
        if (r.outcome == platform::PdfReader::Outcome::GivenUp && attempt == 0) {
            TLOG(QStringLiteral("PageRenderer: the PDF reader gave up on page %1 of %2, tried again").arg(QString::number(key.page), key.path));
            fresh = &reader;
            continue;
        }
        refuse(key.path, *open, r.outcome == platform::PdfReader::Outcome::OutOfMemory ? songfile::PdfLoad::OutOfMemory
                                                                                        : songfile::PdfLoad::GivenUp);
    }
    // The window learns of a document given up now, though it was told it opened.
    if (open && !open->info.ok && !open->info.problem.isEmpty()) {
        const PageRenderer::DocInfo info = open->info;
        tell([path = key.path, info](PageRenderer &o) { o.documentGivenUp(path, info); });
    }
    tell([key, image, unasked](PageRenderer &o) { o.pageRendered(key, image, unasked); });
    if (ready(open) && !image.isNull())
        wantSizes(key.path, *open, key.page);
}

// The sizes up to a step past a page drawn, asked once the pages waiting are served.
void PageRenderWorker::wantSizes(const QString &path, Doc &open, int page)
{
    open.sizesWanted = std::max(open.sizesWanted, std::min(open.info.pageCount, page + kSizesPerStep));
    if (open.info.pageSizes.size() >= open.sizesWanted)
        return;
    {
        std::lock_guard lock(mutex_);
        if (std::any_of(ahead_.begin(), ahead_.end(), [&path](const Job &j) { return j.kind == Sizes && j.key.path == path; }))
            return;
    }
    enqueue(Job{Sizes, PageRenderer::Key{path, 0, QSize()}, {}, {}}, true);
}

// The sizes of the pages wanted that the load did not answer, a step at a time.
void PageRenderWorker::sizes(const QString &path)
{
    Doc *open = documentAt(path);
    if (!ready(open) || open->info.pageSizes.size() >= std::min(open->sizesWanted, open->info.pageCount))
        return;
    const int first = int(open->info.pageSizes.size());
    const int count = std::min(kSizesPerStep, std::min(open->sizesWanted, open->info.pageCount) - first);
    platform::PdfReader &reader = readerFor(ReaderCall::Sizes, *open, first);
    if (!reader.loaded(open->id)) {
        load(path, *open, &reader);
        if (!ready(open))
            return;
    }
    reader_ = &reader;
    asking(reader, open->id, reader.runs(ReaderCall::Sizes, open->id, first));
    const platform::PdfReader::Sizes answer = reader.pageSizes(open->id, first, count, PageRenderer::loadLimitMs);
    check(answer.outcome);
    // A reader that does not answer this leaves the pages at the first one's size.
    if (answer.outcome != platform::PdfReader::Outcome::Done || answer.sizes.size() != count)
        return;
    open->info.pageSizes.append(answer.sizes);
    tell([path, first, sizes = answer.sizes](PageRenderer &o) { o.sizesKnown(path, first, sizes); });
    if (open->info.pageSizes.size() < std::min(open->sizesWanted, open->info.pageCount))
        enqueue(Job{Sizes, PageRenderer::Key{path, 0, QSize()}, {}, {}}, true);
}

void PageRenderWorker::keepOnly(const QSet<QString> &keep, bool superseded)
{
    // A later song change's keep is queued: it does this one's work for its own songs,
    // and what this one would drop the later may keep (a load left running among them).
    if (superseded) {
        tell([](PageRenderer &o) { --o.keepsPending_; });
        return;
    }
    // What was asked ahead of the documents no longer kept is not loaded for nothing.
    auto goes = [&keep](readerpolicy::Call call, const QString &path) {
        return readerpolicy::goesAtKeep(call, readerpolicy::Kept{keep.contains(path)});
    };
    QStringList dropped;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(ahead_, [&](const Job &job) {
            if (!goes(readerCall(job.kind), job.key.path))
                return false;
            if (job.kind == Open)
                dropped.append(job.key.path);
            return true;
        });
    }
    QStringList leaving;
    for (const auto &[path, open] : docs_)
        if (goes(readerpolicy::Call::Load, path))
            leaving.append(path);
    for (const QString &path : std::as_const(leaving))
        drop(path);
    // A call of a song kept only for a return may have nobody waiting for it now.
    wakeIn(wakes_[kLeft], kLeftCheckS, &PageRenderWorker::endLeft);
    QStringList gone, changed;
    for (auto it = known_.begin(); it != known_.end();) {
        if (!keep.contains(it.key())) {
            gone.append(it.key());
            it = known_.erase(it);
        } else if (look(it.key()) != it.value()) {
            changed.append(it.key());
            it = known_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = versions_.begin(); it != versions_.end();) {
        if (!keep.contains(it.key())) {
            gone.append(it.key());
            it = versions_.erase(it);
        } else if (versionOf(it.key(), it->binding) != it->shown) {
            changed.append(it.key());
            it = versions_.erase(it);
        } else {
            ++it;
        }
    }
    tell([gone, changed, dropped](PageRenderer &o) {
        --o.keepsPending_;
        o.filesLooked(gone, changed);
        o.opensDropped(dropped);
    });
}

// Reads a PDF: a file whose first bytes are not a PDF's is not read further.
void PageRenderWorker::readPdf(const QString &path, const std::optional<platform::FileStamp> &stamp, Doc &open)
{
    open.file = ask(path, [&] { return platform::readRegularFile(path, kHeadBytes); });
    const bool pdf = songfile::pdfProblem(open.file, songfile::PdfLoad::Loaded).isEmpty();
    if (open.file.ok() && pdf) {
        open.bytes = platform::PdfBytes::fromBytes(open.file.bytes);
        return;
    }
    if (open.file.status != platform::FileStatus::TooLarge || !pdf)
        return;
    if (stamp && stamp->size > PageRenderer::kMaxDocumentBytes)
        return;
    // Each block that comes is an answer: a long read of a large file is not a silent folder.
    platform::FileBytes whole;
    open.bytes = ask(path, [&] {
        return platform::PdfBytes::readFile(path, PageRenderer::kMaxDocumentBytes, whole, [this] {
            if (!stopping_)
                askedSince_ = platform::now();
        });
    });
    // How the whole read went, in the words of the first bytes.
    whole.bytes = open.file.bytes;
    open.file = whole;
    if (open.file.ok() && open.bytes.isNull()) {
        open.file.status = platform::FileStatus::Unreadable;
        open.file.error = QStringLiteral("no memory to hold it");
    }
}
