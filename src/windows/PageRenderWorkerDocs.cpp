// PageRenderWorker: the documents, from the file's bytes to a load in a reader, its tries and its refusals.
#include "windows/PageRenderWorker.h"

#include "platform/Clock.h"
#include "platform/Log.h"

PageRenderWorker::Doc *PageRenderWorker::documentAt(const QString &path) const
{
    const auto it = docs_.find(path);
    return it == docs_.end() ? nullptr : it->second.get();
}

PageRenderWorker::Doc *PageRenderWorker::loadingDoc() const
{
    Doc *open = loadingId_ ? documentAt(loadingPath_) : nullptr;
    return open && open->id == loadingId_ ? open : nullptr;
}

void PageRenderWorker::drop(QString path)
{
    docLru_.removeAll(path);
    Doc *const open = documentAt(path);
    if (!open)
        return;
    // The bad file's load goes no further for nothing; a sound one ends by itself.
    // Looked at while the document is known, so that its load's time counts.
    for (platform::PdfReader &reader : readers())
        if (reader.busy() && callDoc_[indexOf(reader)] == open->id && readerpolicy::endsWhenLeft(stateOf(reader)))
            end(reader);
    wakeIn(wakes_[kLeft], kLeftCheckS, &PageRenderWorker::endLeft);
    stopClock(*open);
    if (open->loading && stamps_.contains(path))
        tries_.insert(path, Tries{stamps_.value(path), open->givenUp, open->loadUsed});
    for (platform::PdfReader &reader : readers())
        reader.close(open->id);
    stamps_.remove(path);
    docs_.erase(path);
}

bool PageRenderWorker::stoppedOutside(platform::PdfReader::Outcome outcome, const QString &path)
{
    using Outcome = platform::PdfReader::Outcome;
    if (outcome != Outcome::Killed && outcome != Outcome::Stalled)
        return false;
    TLOG(QStringLiteral("PageRenderer: the PDF reader was %1 on %2, a fresh one takes over")
             .arg(outcome == Outcome::Killed ? QStringLiteral("killed") : QStringLiteral("stalled"), path));
    if (!runningAhead())
        tell([path](PageRenderer &o) { emit o.pageLate(path, songfile::pageLate(path), PageRenderer::Late::ReaderReplaced); });
    return true;
}

void PageRenderWorker::check(platform::PdfReader::Outcome outcome)
{
    readerPid_ = reader_ ? reader_->pid() : -1;
    if (stopping_)
        throw Stopped{};
    if (outcome == platform::PdfReader::Outcome::Interrupted)
        throw GaveWay{};
}

// The document's pages as the reader's process loads them, or why it cannot be shown.
platform::PdfReader::Page PageRenderWorker::drawnWith(const PageRenderer::Key &key)
{
    return platform::PdfReader::Page{key.page - 1, key.size, false, PageRenderer::renderLimitMs};
}

void PageRenderWorker::load(const QString &path, Doc &open, platform::PdfReader *reader, const platform::PdfReader::Page &then,
                            readerpolicy::Outside *killsSoFar)
{
    using Outcome = platform::PdfReader::Outcome;
    open.loading = true;
    const double limit = PageRenderer::loadLimitMs / 1000.0;
    readerpolicy::Outside own;
    readerpolicy::Outside &outside = killsSoFar ? *killsSoFar : own;
    for (;;) {
        // A fresh try after a reader gave up waits for its song on screen.
        const readerpolicy::Work piece{readerpolicy::Call::Load, open.id, shownNow(path), false, keptNow(path)};
        if (open.givenUp > 0 && !(reader && reader->runs(ReaderCall::Load, open.id)) && !readerpolicy::triesAgain(costOf(open), piece))
            throw Left{};
        platform::PdfReader &r = reader ? *reader : readerFor(ReaderCall::Load, open);
        // Its clock runs from when its reader is free: what another call left there is no part of its load.
        if (r.busy() && !r.runs(ReaderCall::Load, open.id)) {
            reader_ = &r;
            check(r.settle() ? platform::PdfReader::Outcome::Done : platform::PdfReader::Outcome::Interrupted);
        }
        // A load that ran in a reader ended since: the piece it ran is used.
        if (!r.runs(ReaderCall::Load, open.id))
            stopClock(open);
        platform::PdfReader::Loaded loaded;
        reader_ = &r;
        // What its limit leaves, in one piece or in several, is one reader's try.
        if (open.loadUsed < limit) {
            if (open.loadSince < 0 && readerpolicy::loadClockRuns(stateOf(r, &open)))
                open.loadSince = platform::now();
            loadingPath_ = path;
            loadingId_ = open.id;
            asking(r, open.id, r.runs(ReaderCall::Load, open.id));
            loaded = r.load(open.id, open.bytes, std::max(1, int((limit - open.loadUsed) * 1000)), kSizesAtLoad, then);
            const bool timeUp = spent();
            loadingId_ = 0;
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
            if (const auto after = readerpolicy::afterOutside(outside, loaded.outcome == Outcome::Killed, r.heldAlone());
                after != readerpolicy::AfterOutside::Fresh)
                return refuse(path, open, after == readerpolicy::AfterOutside::OutOfMemory ? songfile::PdfLoad::OutOfMemory
                                                                                           : songfile::PdfLoad::Stopped);
            // Not counted against the document: its load starts afresh in a fresh reader.
            open.loadUsed = 0;
            open.loading = true;
            reader = r.documents() == 0 ? &r : nullptr;
            continue;
        case Outcome::GivenUp:
            // Not the document's fault until a fresh reader, holding it alone, gives up too.
            if (++open.givenUp < 2) {
                open.loadUsed = 0;
                open.loading = true;
                TLOG(QStringLiteral("PageRenderer: the PDF reader gave up loading %1").arg(path));
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
    if (const double after = readerpolicy::retryAfter(why); after > 0)
        open.info.retryAt = platform::now() + after;
    open.bytes = platform::PdfBytes();
    for (platform::PdfReader &reader : readers())
        reader.close(open.id);
    // Remembered apart from the documents kept, so that none is opened again for it.
    if (stamps_.contains(path))
        refused_.insert(path, Refusal{stamps_.value(path), open.info});
    TLOG(QStringLiteral("PageRenderer cannot open %1: %2").arg(path, open.info.problem));
}

// The document of a path as the file system stamps it now: the one open
// when the file is unchanged, else read and opened again.
PageRenderWorker::Doc *PageRenderWorker::document(const QString &path, const std::optional<platform::FileStamp> &stamp,
                                                   const platform::PdfReader::Page &then)
{
    const bool onScreen = shownNow(path);
    const bool unchanged = stamp && stamps_.contains(path) && stamps_.value(path) == *stamp;
    Doc *known = documentAt(path);
    // A refusal is tried again only when its song is on screen, never ahead of one that is.
    const bool retry = onScreen && known && known->info.retryAt > 0 && platform::now() >= known->info.retryAt;
    if (known && unchanged && !retry) {
        docLru_.removeAll(path);
        docLru_.append(path);
        if (known->loading)
            load(path, *known, nullptr, then);
        return known;
    }
    // Changed, or refused a while: forgotten as any document is, then read afresh.
    if (known)
        drop(path);
    Doc *const open = docs_.emplace(path, std::make_unique<Doc>()).first->second.get();
    open->id = ++lastId_;
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
    evictDocuments(path);
    if (refused)
        return open;
    if (QString problem = songfile::pdfProblem(open->file, songfile::PdfLoad::Loaded); !problem.isEmpty())
        open->info.problem = problem;
    else if (open->file.status == platform::FileStatus::TooLarge)
        open->info.problem = QStringLiteral("too large to open");
    else
        load(path, *open, nullptr, then);
    return open;
}

void PageRenderWorker::evictDocuments(const QString &keep)
{
    auto held = [this] {
        qint64 bytes = 0;
        for (const auto &[path, open] : docs_)
            bytes += open->bytes.size();
        return bytes;
    };
    while (docLru_.size() > 1 && (docLru_.size() > PageRenderer::kMaxDocuments || held() > documentBytesKept)) {
        const QString oldest = docLru_.first() == keep ? docLru_.at(1) : docLru_.first();
        drop(oldest);
    }
}
