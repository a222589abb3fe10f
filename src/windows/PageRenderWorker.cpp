#include "windows/PageRenderWorker.h"

#include "chordpro/ChordPro.h"
#include "library/PiecesDet.h"
#include "library/WinID.h"
#include "platform/Clock.h"
#include "platform/Log.h"

#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {
// The first bytes of a file tell a PDF from anything else.
constexpr qint64 kHeadBytes = 1024;

} // namespace

PageRenderWorker::PageRenderWorker(PageRenderer *owner, PageRenderer::FileLook look)
    : owner_(owner), look_(std::move(look)), idle_(new QTimer(this))
{
    // Moved with the worker to its thread, and started there.
    idle_->setSingleShot(true);
    idle_->setInterval(kIdleLetGoMs);
    connect(idle_, &QTimer::timeout, this, &PageRenderWorker::letGoIdle);
    for (platform::PdfProcess &reader : readers_) {
        reader.setInterrupt([this, &reader] {
            readerPid_ = reader.pid();
            sayIfSlow();
            return yields() || spent();
        });
        // A reader that stalls under a page on screen is replaced; one asked ahead has its time limit.
        reader.setProgressWatch([this] { return !runningAhead(); });
    }
}

PageRenderWorker::~PageRenderWorker()
{
    qDeleteAll(docs_);
}

void PageRenderWorker::enqueue(Job job, bool ahead)
{
    {
        std::lock_guard lock(mutex_);
        if (!ahead && (job.kind == Render || job.kind == Open)) {
            // Asked ahead before, it is done once, and watched as on screen from now on.
            auto same = [&job](const Job &j) { return j.kind == job.kind && j.key == job.key; };
            std::erase_if(ahead_, same);
            if (running_ && runningAhead_ && same(Job{runningKind_, runningKey_, {}, {}})) {
                runningAhead_ = false;
                return;
            }
        }
        if (!ahead && job.kind != Keep && job.key.path != runningKey_.path)
            othersWaiting_ = true;
        // A song change (its keep comes first) or a page on screen: a slow load is said again at once.
        if (!ahead)
            askedOnScreen_ = true;
        (ahead ? ahead_ : visible_).push_back(std::move(job));
    }
    QMetaObject::invokeMethod(this, [this] { drain(); }, Qt::QueuedConnection);
}

QList<PageRenderer::Key> PageRenderWorker::takeRenders(std::deque<Job> &queue, const std::function<bool(const Job &)> &drop)
{
    QList<PageRenderer::Key> dropped;
    std::erase_if(queue, [&](const Job &job) {
        if (job.kind != Render || !drop(job))
            return false;
        dropped.append(job.key);
        return true;
    });
    return dropped;
}

QList<PageRenderer::Key> PageRenderWorker::clearAhead()
{
    std::lock_guard lock(mutex_);
    return takeRenders(ahead_, [](const Job &) { return true; });
}

QList<PageRenderer::Key> PageRenderWorker::dropPagesNotKept(const QSet<QString> &kept)
{
    std::lock_guard lock(mutex_);
    QList<PageRenderer::Key> dropped = takeRenders(visible_, [&kept](const Job &j) { return !kept.contains(j.key.path); });
    runningDropped_ = running_ && !runningAhead_ && runningKind_ == Render && !kept.contains(runningKey_.path);
    if (runningDropped_) {
        // It gives way at once to what comes next, and is not taken up again.
        dropped.append(runningKey_);
        othersWaiting_ = true;
    }
    return dropped;
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
    return askedSince_ >= 0;
}

QString PageRenderWorker::asking() const
{
    std::lock_guard lock(askingMutex_);
    return asking_;
}

bool PageRenderWorker::take(Job &job)
{
    std::lock_guard lock(mutex_);
    const bool ahead = visible_.empty();
    auto &queue = ahead ? ahead_ : visible_;
    if (queue.empty())
        return false;
    // A page on screen that had its moment waits behind those that have not had theirs.
    auto next = std::find_if(queue.begin(), queue.end(), [ahead](const Job &j) { return ahead || !j.gaveWay; });
    if (next == queue.end())
        next = queue.begin();
    job = std::move(*next);
    queue.erase(next);
    running_ = true;
    runningKind_ = job.kind;
    runningKey_ = job.key;
    runningAhead_ = ahead;
    runningGaveWay_ = job.gaveWay;
    runningDropped_ = false;
    runningSince_ = std::chrono::steady_clock::now();
    // Another song's page on screen waiting already goes first after a moment:
    // none waits for long behind this one's document, whichever was asked first.
    // One that gave way has had its moment: it makes none give way in turn, or
    // three songs' long calls would end each other's readers for ever.
    othersWaiting_ = !ahead && std::any_of(visible_.begin(), visible_.end(), [&job](const Job &j) {
        return j.kind != Keep && j.key.path != job.key.path && !j.gaveWay;
    });
    return true;
}

bool PageRenderWorker::yields() const
{
    std::lock_guard lock(mutex_);
    if (!othersWaiting_)
        return false;
    return runningAhead_ || runningGaveWay_ || runningDropped_
           || std::chrono::steady_clock::now() - runningSince_ >= std::chrono::milliseconds(kYieldMs);
}

bool PageRenderWorker::runningAhead() const
{
    std::lock_guard lock(mutex_);
    return runningAhead_;
}

void PageRenderWorker::sayIfSlow()
{
    Doc *open = loadingDoc_;
    const double now = platform::now();
    const bool ahead = runningAhead();
    // A page's drawing is slow from when it is on screen with its document
    // loaded, and while its reader works: one that does not is the stall watch's.
    if (drawingSince_ >= 0 && (ahead || open || (reader_ && reader_->stillFor() >= kSlowS / 2)))
        drawingSince_ = now;
    if (drawingSince_ >= 0 && now - drawingSince_ >= kSlowS) {
        drawingSince_ = now;
        tell([path = drawingPath_](PageRenderer &o) {
            emit o.pageLate(path, songfile::slowToDraw(path), PageRenderer::Late::SlowToDraw);
        });
    }
    if (!open || open->loadSince < 0 || open->loadUsed + now - open->loadSince < kSlowS || ahead
        || (now - open->slowToldAt < kSlowS && !askedOnScreen_.exchange(false)))
        return;
    askedOnScreen_ = false;
    open->slowToldAt = now;
    tell([path = loadingPath_](PageRenderer &o) { emit o.pageLate(path, songfile::slowToOpen(path), PageRenderer::Late::SlowToOpen); });
}

bool PageRenderWorker::spent() const
{
    const Doc *open = loadingDoc_;
    return open && open->loadSince >= 0
           && (open->loadUsed + platform::now() - open->loadSince) * 1000.0 >= PageRenderer::loadLimitMs;
}

void PageRenderWorker::stopClock(Doc &open)
{
    if (open.loadSince >= 0)
        open.loadUsed += platform::now() - open.loadSince;
    open.loadSince = -1;
}

platform::PdfProcess &PageRenderWorker::readerFor(ReaderCall call, const Doc &open, int at, QSize size)
{
    // Where the call, or its document's load, goes on.
    for (platform::PdfProcess &reader : readers_)
        if (reader.runs(call, open.id, at, size) || reader.runs(ReaderCall::Load, open.id))
            return reader;
    const bool ahead = runningAhead();
    // Work asked ahead, and a document a reader gave up on, go to the second
    // reader first: no page on screen waits behind them.
    const bool second = ahead || (call == ReaderCall::Load && (open.givenUp > 0 || open.retried));
    platform::PdfProcess *order[2] = {&readers_[second ? 1 : 0], &readers_[second ? 0 : 1]};
    for (platform::PdfProcess *reader : order)
        if (!reader->busy() && reader->loaded(open.id))
            return *reader;
    for (platform::PdfProcess *reader : order)
        if (!reader->busy())
            return *reader;
    // Both go on with calls that gave way. Work asked ahead waits for one (and
    // gives way again to a page on screen); a page on screen waits for no other
    // document's call: it ends a reader, one that loads a document first (the
    // load's time so far counts), and its documents load again from memory.
    if (ahead)
        return *order[0];
    auto loading = [this](const platform::PdfProcess *reader) {
        return std::any_of(docs_.begin(), docs_.end(), [reader](const Doc *d) { return reader->runs(ReaderCall::Load, d->id); });
    };
    platform::PdfProcess *ended = loading(order[1]) && !loading(order[0]) ? order[1] : order[0];
    for (Doc *other : std::as_const(docs_))
        if (ended->runs(ReaderCall::Load, other->id))
            stopClock(*other);
    TLOG(QStringLiteral("PageRenderer: a page on screen ends a reader held by a call that gave way"));
    ended->end();
    return *ended;
}

void PageRenderWorker::tell(std::function<void(PageRenderer &)> fn)
{
    std::lock_guard lock(ownerMutex_);
    if (owner_)
        QMetaObject::invokeMethod(owner_, [o = owner_, fn = std::move(fn)] { fn(*o); }, Qt::QueuedConnection);
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
    idle_->stop();
    while (!stopping_ && take(job)) {
        try {
            switch (job.kind) {
            case Open: opened(job.key.path); break;
            case Read: read(job.key.path); break;
            case Find: found(job.key.path, job.binding); break;
            case Render: render(job.key); break;
            case Keep: keepOnly(job.keep); break;
            case Sizes: sizes(job.key.path); break;
            }
        } catch (const Stopped &) {
            return; // nothing more of the job is done
        } catch (const GaveWay &) {
            // On screen, it goes on behind the other pages on screen; asked ahead, once they are served.
            std::lock_guard lock(mutex_);
            job.gaveWay = true;
            if (runningAhead_)
                ahead_.push_front(std::move(job));
            else if (!runningDropped_) // a song passed: its call is settled in its reader, never taken up
                visible_.push_back(std::move(job));
        }
        drawingSince_ = -1;
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    if (!stopping_)
        idle_->start();
}

void PageRenderWorker::letGoIdle()
{
    // Work that gave way goes on where it runs: only a reader with nothing under way goes.
    if (stopping_ || readers_[1].busy())
        return;
    readers_[1].letGo();
    platform::pdfmemory::letGoSpare();
}

void PageRenderWorker::opened(const QString &path)
{
    const std::optional<platform::FileStamp> stamp = look(path);
    Doc *open = document(path, stamp);
    const PageRenderer::DocInfo info = open->info;
    known_.insert(path, stamp);
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

void PageRenderWorker::render(const PageRenderer::Key &key)
{
    QImage image;
    drawingPath_ = key.path;
    drawingSince_ = platform::now();
    auto it = docs_.find(key.path);
    Doc *open = nullptr;
    // A reader stopped under it refused it a while: on screen after that, it is opened again.
    const bool retry = it != docs_.end() && it.value()->info.retryAt > 0 && platform::now() >= it.value()->info.retryAt;
    if (it != docs_.end() && !retry) {
        open = it.value();
        docLru_.removeAll(key.path);
        docLru_.append(key.path);
        // Its load gave way before: taken up here.
        if (open->loading)
            load(key.path, *open);
    } else {
        // Closed since it was opened (more documents were asked for): read again,
        // unless the file changed meanwhile and the window must learn of it first.
        const std::optional<platform::FileStamp> stamp = look(key.path);
        if (known_.contains(key.path) && known_.value(key.path) != stamp) {
            known_.remove(key.path);
            tell([key](PageRenderer &o) { o.filesLooked({}, {key.path}); });
        } else {
            open = document(key.path, stamp);
        }
    }
    platform::PdfProcess *fresh = nullptr;
    int outside = 0, killedAlone = 0;
    for (int attempt = 0; ready(open) && key.page >= 1 && key.page <= open->info.pageCount && !key.size.isEmpty(); ++attempt) {
        platform::PdfProcess &reader = fresh ? *fresh : readerFor(ReaderCall::Render, *open, key.page - 1, key.size);
        // Loaded again, from the bytes kept, when the reader was ended since or does not hold it.
        if (!reader.loaded(open->id)) {
            load(key.path, *open, &reader);
            if (!ready(open))
                break;
        }
        reader_ = &reader;
        platform::PdfProcess::Rendered r = reader.render(open->id, key.page - 1, key.size, PageRenderer::renderLimitMs);
        check(r.outcome);
        if (r.outcome == platform::PdfProcess::Outcome::Done) {
            image = std::move(r.image);
            break;
        }
        if (stoppedOutside(r.outcome, key.path)) {
            if (r.outcome == platform::PdfProcess::Outcome::Killed && reader.heldAlone() && ++killedAlone >= kOutsideTries) {
                refuse(key.path, *open, songfile::PdfLoad::OutOfMemory);
                break;
            }
            if (++outside <= kOutsideTries) {
                --attempt;
                fresh = &reader;
                continue;
            }
            refuse(key.path, *open, songfile::PdfLoad::Stopped);
            break;
        }
        // A reader that gave up may not have done so for the page: a fresh
        // one, holding this document alone, tries it once more.
        if (r.outcome == platform::PdfProcess::Outcome::GivenUp && attempt == 0) {
            TLOG(QStringLiteral("PageRenderer: the PDF reader gave up on page %1 of %2, tried again").arg(QString::number(key.page), key.path));
            fresh = &reader;
            continue;
        }
        refuse(key.path, *open, r.outcome == platform::PdfProcess::Outcome::OutOfMemory ? songfile::PdfLoad::OutOfMemory
                                                                                        : songfile::PdfLoad::GivenUp);
    }
    // The window learns of a document given up now, though it was told it opened.
    if (open && !open->info.ok && !open->info.problem.isEmpty()) {
        const PageRenderer::DocInfo info = open->info;
        tell([path = key.path, info](PageRenderer &o) { o.documentGivenUp(path, info); });
    }
    tell([key, image](PageRenderer &o) { o.pageRendered(key, image); });
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
    Doc *open = docs_.value(path);
    if (!ready(open) || open->info.pageSizes.size() >= std::min(open->sizesWanted, open->info.pageCount))
        return;
    const int first = int(open->info.pageSizes.size());
    const int count = std::min(kSizesPerStep, std::min(open->sizesWanted, open->info.pageCount) - first);
    platform::PdfProcess &reader = readerFor(ReaderCall::Sizes, *open, first);
    if (!reader.loaded(open->id)) {
        load(path, *open, &reader);
        if (!ready(open))
            return;
    }
    reader_ = &reader;
    const platform::PdfProcess::Sizes answer = reader.pageSizes(open->id, first, count, PageRenderer::loadLimitMs);
    check(answer.outcome);
    // A reader that does not answer this leaves the pages at the first one's size.
    if (answer.outcome != platform::PdfProcess::Outcome::Done || answer.sizes.size() != count)
        return;
    open->info.pageSizes.append(answer.sizes);
    tell([path, first, sizes = answer.sizes](PageRenderer &o) { o.sizesKnown(path, first, sizes); });
    if (open->info.pageSizes.size() < std::min(open->sizesWanted, open->info.pageCount))
        enqueue(Job{Sizes, PageRenderer::Key{path, 0, QSize()}, {}, {}}, true);
}

void PageRenderWorker::keepOnly(const QSet<QString> &keep)
{
    // What was asked ahead of the documents no longer kept is not loaded for nothing.
    QStringList dropped;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(ahead_, [&](const Job &job) {
            if ((job.kind != Open && job.kind != Sizes) || keep.contains(job.key.path))
                return false;
            if (job.kind == Open)
                dropped.append(job.key.path);
            return true;
        });
    }
    for (const QString &path : docs_.keys())
        if (!keep.contains(path))
            drop(path);
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

void PageRenderWorker::drop(const QString &path)
{
    Doc *open = docs_.take(path);
    docLru_.removeAll(path);
    if (!open)
        return;
    stopClock(*open);
    if (open->loading && stamps_.contains(path))
        tries_.insert(path, Tries{stamps_.value(path), open->givenUp, open->loadUsed});
    // A load going on for nothing ends with its reader, when that holds no other document.
    for (platform::PdfProcess &reader : readers_)
        if (reader.runs(ReaderCall::Load, open->id) && reader.documents() == 0)
            reader.end();
    close(open);
    stamps_.remove(path);
}

void PageRenderWorker::close(Doc *open)
{
    if (open)
        for (platform::PdfProcess &reader : readers_)
            reader.close(open->id);
    delete open;
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

bool PageRenderWorker::stoppedOutside(platform::PdfProcess::Outcome outcome, const QString &path)
{
    using Outcome = platform::PdfProcess::Outcome;
    if (outcome != Outcome::Killed && outcome != Outcome::Stalled)
        return false;
    TLOG(QStringLiteral("PageRenderer: the PDF reader was %1 on %2, a fresh one takes over")
             .arg(outcome == Outcome::Killed ? QStringLiteral("killed") : QStringLiteral("stalled"), path));
    if (!runningAhead())
        tell([path](PageRenderer &o) { emit o.pageLate(path, songfile::pageLate(path), PageRenderer::Late::ReaderReplaced); });
    return true;
}

void PageRenderWorker::check(platform::PdfProcess::Outcome outcome)
{
    readerPid_ = reader_ ? reader_->pid() : -1;
    if (stopping_)
        throw Stopped{};
    if (outcome == platform::PdfProcess::Outcome::Interrupted)
        throw GaveWay{};
}

// The document's pages as the reader's process loads them, or why it cannot be shown.
void PageRenderWorker::load(const QString &path, Doc &open, platform::PdfProcess *reader)
{
    using Outcome = platform::PdfProcess::Outcome;
    open.loading = true;
    const double limit = PageRenderer::loadLimitMs / 1000.0;
    int outside = 0, killedAlone = 0;
    for (;;) {
        platform::PdfProcess &r = reader ? *reader : readerFor(ReaderCall::Load, open);
        // Its clock runs from when its reader is free: what another call left there is no part of its load.
        if (r.busy() && !r.runs(ReaderCall::Load, open.id)) {
            reader_ = &r;
            check(r.settle() ? platform::PdfProcess::Outcome::Done : platform::PdfProcess::Outcome::Interrupted);
        }
        // A load that ran in a reader ended since: the piece it ran is used.
        if (!r.runs(ReaderCall::Load, open.id))
            stopClock(open);
        platform::PdfProcess::Loaded loaded;
        reader_ = &r;
        // What its limit leaves, in one piece or in several, is one reader's try.
        if (open.loadUsed < limit) {
            if (open.loadSince < 0)
                open.loadSince = platform::now();
            loadingDoc_ = &open;
            loadingPath_ = path;
            loaded = r.load(open.id, open.bytes, std::max(1, int((limit - open.loadUsed) * 1000)), kSizesAtLoad);
            const bool timeUp = spent();
            loadingDoc_ = nullptr;
            if (loaded.outcome == Outcome::Interrupted && timeUp) {
                r.end();
                loaded.outcome = Outcome::GivenUp;
            }
            // Given way, it goes on in its reader and its time runs on; one that was
            // not asked yet (the reader was starting, or busy) has used none.
            if (loaded.outcome != Outcome::Interrupted)
                stopClock(open);
            else if (!r.runs(ReaderCall::Load, open.id))
                open.loadSince = -1;
        }
        check(loaded.outcome);
        open.loading = false;
        switch (loaded.outcome) {
        case Outcome::Done:
            open.givenUp = 0;
            open.loadUsed = 0;
            if (loaded.pageCount <= 0)
                return refuse(path, open, songfile::PdfLoad::Damaged);
            // Loaded again in a fresh reader: what was learnt of its pages stands.
            if (open.info.ok && open.info.pageCount == loaded.pageCount)
                return;
            open.info = PageRenderer::DocInfo();
            open.info.ok = true;
            open.info.pageCount = loaded.pageCount;
            open.info.pageSizes = loaded.pageSizes.mid(0, loaded.pageCount);
            return;
        case Outcome::Damaged: return refuse(path, open, songfile::PdfLoad::Damaged);
        case Outcome::NeedsPassword: return refuse(path, open, songfile::PdfLoad::NeedsPassword);
        case Outcome::OutOfMemory: return refuse(path, open, songfile::PdfLoad::OutOfMemory);
        case Outcome::Unavailable: return refuse(path, open, songfile::PdfLoad::NoReader);
        case Outcome::Interrupted: return; // check() has ended the job
        case Outcome::Killed:
        case Outcome::Stalled:
            stoppedOutside(loaded.outcome, path);
            // The system's killer, called again and again by a child that held it alone, is its running out of memory.
            if (loaded.outcome == Outcome::Killed && r.heldAlone() && ++killedAlone >= kOutsideTries)
                return refuse(path, open, songfile::PdfLoad::OutOfMemory);
            if (++outside > kOutsideTries)
                return refuse(path, open, songfile::PdfLoad::Stopped);
            // Not counted against the document: its load starts afresh in a fresh reader.
            open.loadUsed = 0;
            open.loading = true;
            reader = r.documents() == 0 ? &r : nullptr;
            continue;
        case Outcome::GivenUp:
            // Not the document's fault until a fresh reader, holding it alone, gives up too.
            if (++open.givenUp < 2) {
                TLOG(QStringLiteral("PageRenderer: the PDF reader gave up loading %1, tried again").arg(path));
                open.loadUsed = 0;
                open.loading = true;
                // Its second try waits behind the pages of other songs asked on screen.
                if (yields())
                    throw GaveWay{};
                reader = r.documents() == 0 ? &r : nullptr;
                continue;
            }
            return refuse(path, open, songfile::PdfLoad::GivenUp);
        }
    }
}

void PageRenderWorker::refuse(const QString &path, Doc &open, songfile::PdfLoad why)
{
    open.info = PageRenderer::DocInfo();
    open.info.problem = songfile::pdfProblem(open.file, why);
    open.info.readerStopped = why == songfile::PdfLoad::Stopped;
    // A reader that gave up may do better later; a damaged or locked file stays so while unchanged.
    const bool again = why == songfile::PdfLoad::GivenUp || why == songfile::PdfLoad::OutOfMemory
                       || why == songfile::PdfLoad::NoReader;
    if (again)
        open.info.retryAt = platform::now() + kRetryAfterS;
    else if (why == songfile::PdfLoad::Stopped)
        open.info.retryAt = platform::now() + kRetryStoppedAfterS;
    open.bytes = platform::PdfBytes();
    for (platform::PdfProcess &reader : readers_)
        reader.close(open.id);
    // Remembered apart from the documents kept, so that none is opened again for it.
    if (stamps_.contains(path))
        refused_.insert(path, Refusal{stamps_.value(path), open.info});
    TLOG(QStringLiteral("PageRenderer cannot open %1: %2").arg(path, open.info.problem));
}

// The document of a path as the file system stamps it now: the one open
// when the file is unchanged, else read and opened again.
PageRenderWorker::Doc *PageRenderWorker::document(const QString &path, const std::optional<platform::FileStamp> &stamp)
{
    bool onScreen = false;
    {
        std::lock_guard lock(mutex_);
        onScreen = !runningAhead_;
    }
    const bool unchanged = stamp && stamps_.contains(path) && stamps_.value(path) == *stamp;
    auto it = docs_.find(path);
    // A refusal is tried again only when its song is on screen, never ahead of one that is.
    const bool retry = onScreen && it != docs_.end() && it.value()->info.retryAt > 0 && platform::now() >= it.value()->info.retryAt;
    if (it != docs_.end() && unchanged && !retry) {
        docLru_.removeAll(path);
        docLru_.append(path);
        if (it.value()->loading)
            load(path, *it.value());
        return it.value();
    }
    if (it != docs_.end()) {
        close(it.value());
        docs_.erase(it);
        docLru_.removeAll(path);
        stamps_.remove(path);
    }
    auto *open = new Doc;
    open->id = ++lastId_;
    docs_.insert(path, open);
    if (stamp)
        stamps_.insert(path, *stamp);
    docLru_.append(path);
    const auto refusal = refused_.constFind(path);
    const bool remembered = refusal != refused_.constEnd() && stamp && refusal->stamp == *stamp;
    const bool refused = remembered && (refusal->info.retryAt <= 0 || platform::now() < refusal->info.retryAt || !onScreen);
    if (refused) {
        open->info = refusal->info;
    } else {
        open->retried = remembered || retry;
        refused_.remove(path);
        // Its tries before it was last closed count, unless the file changed.
        if (const Tries tries = tries_.take(path); stamp && tries.stamp == *stamp && !remembered) {
            open->givenUp = tries.givenUp;
            open->loadUsed = tries.loadUsed;
        }
        readPdf(path, stamp, *open);
    }
    // Within the bounds before the reader takes another document; the one asked for stays.
    evictDocuments();
    if (refused)
        return open;
    if (QString problem = songfile::pdfProblem(open->file, songfile::PdfLoad::Loaded); !problem.isEmpty())
        open->info.problem = problem;
    else if (open->file.status == platform::FileStatus::TooLarge)
        open->info.problem = QStringLiteral("too large to open");
    else
        load(path, *open);
    return open;
}

// Past the count or the bytes kept, the documents used least lately go; the one asked for stays.
void PageRenderWorker::evictDocuments()
{
    auto held = [this] {
        qint64 bytes = 0;
        for (const Doc *open : std::as_const(docs_))
            bytes += open->bytes.size();
        return bytes;
    };
    while (docLru_.size() > 1 && (docLru_.size() > PageRenderer::kMaxDocuments || held() > kMaxDocumentBytesKept))
        drop(docLru_.first());
}
