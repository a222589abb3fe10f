// PageRenderWorker: the queues of jobs, on screen and ahead, and the job under way as the policy sees them.
#include "windows/PageRenderWorker.h"

#include <algorithm>

namespace {

// The policy tells documents apart by their paths' hashes; the empty path is no song's.
quint32 docOf(const QString &path)
{
    return quint32(qHash(path));
}

} // namespace

void PageRenderWorker::enqueue(Job job, bool ahead)
{
    {
        std::lock_guard lock(mutex_);
        auto same = [&job](const Job &j) { return j.kind == job.kind && j.key == job.key; };
        // One dropped at the song change is not the same: asked again, it is a job of its own, taken up where its call runs.
        const bool running = running_ && !runningDropped_ && same(Job{runningKind_, runningKey_, {}, {}});
        if (!ahead && (job.kind == Render || job.kind == Open)) {
            // Asked ahead before, it is done once, and watched as on screen from now on.
            std::erase_if(ahead_, same);
            if (running && runningAhead_) {
                runningAhead_ = false;
                return;
            }
        }
        if (!ahead && job.kind != Keep && job.key.path != runningKey_.path)
            waiting_ = workOf(job, false);
        if (!ahead && job.kind == Render && !shownTold_)
            shown_ = job.key.path;
        // Asked since the last song change, it is wanted as a song kept is.
        if (keptKnown_ && job.kind != Keep)
            kept_.insert(job.key.path);
        // A song change (its keep comes first) or a page on screen: a slow load is said again at once.
        if (!ahead)
            askedOnScreen_ = true;
        // A page drawn with its load is under way or next already: served once.
        if (!ahead && job.kind == Render && (running || std::any_of(visible_.begin(), visible_.end(), same)))
            return;
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
    QList<PageRenderer::Key> cleared = takeRenders(ahead_, [](const Job &) { return true; });
    if (held_ && heldAhead_ && !std::exchange(heldDropped_, true))
        cleared.append(held_->key);
    return cleared;
}

QList<PageRenderer::Key> PageRenderWorker::dropPagesNotKept(const QSet<QString> &kept, const QString &shown,
                                                           const QSet<QString> &ahead)
{
    std::lock_guard lock(mutex_);
    shown_ = shown;
    keptAhead_ = ahead;
    shownTold_ = !shown.isEmpty();
    // Of the pages on screen only the song shown's stay: the window asks again
    // for those it still wants (the page beside), taken up if under way, and
    // a song only kept for a return draws nothing meanwhile.
    auto drops = [&kept, &shown](const Job &j, bool ahead) {
        return readerpolicy::dropsAtSongChange(workOf(j, ahead), {kept.contains(j.key.path), j.key.path == shown, !shown.isEmpty()});
    };
    QList<PageRenderer::Key> dropped = takeRenders(visible_, [&drops](const Job &j) { return drops(j, false); });
    kept_ = kept;
    keptKnown_ = true;
    // The song arrived on has its moment again, whatever its pages did on an
    // earlier visit, and a call of another song under way gives way to it.
    for (auto it = waitingShown_.begin(); it != waitingShown_.end();) {
        if (it->key.path == shown) {
            visible_.push_front(std::move(*it));
        } else if (!kept.contains(it->key.path)) {
            dropped.append(it->key); // the window forgets it asked
        } else {
            ++it;
            continue;
        }
        it = waitingShown_.erase(it);
    }
    for (Job &j : visible_)
        if (j.key.path == shown && j.kind != Keep) {
            j.gaveWay = false;
            if (running_ && runningKey_.path != shown)
                waiting_ = workOf(j, false);
        }
    if (held_ && !heldDropped_ && drops(*held_, heldAhead_)) {
        heldDropped_ = true;
        dropped.append(held_->key);
    }
    runningDropped_ = running_ && drops(Job{runningKind_, runningKey_, {}, {}}, runningAhead_);
    if (runningDropped_) {
        // It gives way at once to what comes next, and is not taken up again.
        dropped.append(runningKey_);
        if (waiting_.call == readerpolicy::Call::None)
            waiting_ = readerpolicy::Work{readerpolicy::Call::Render, docOf(QString()), true};
    }
    return dropped;
}

bool PageRenderWorker::take(Job &job)
{
    std::lock_guard lock(mutex_);
    std::vector<readerpolicy::Work> waiting;
    for (const Job &j : visible_)
        waiting.push_back(workOf(j, false));
    for (const Job &j : ahead_)
        waiting.push_back(workOf(j, true));
    const int next = readerpolicy::next(waiting);
    if (next < 0)
        return false;
    const bool ahead = next >= int(visible_.size());
    auto &queue = ahead ? ahead_ : visible_;
    const auto at = queue.begin() + (ahead ? next - int(visible_.size()) : next);
    job = std::move(*at);
    queue.erase(at);
    running_ = true;
    runningKind_ = job.kind;
    runningKey_ = job.key;
    runningAhead_ = ahead;
    runningGaveWay_ = job.gaveWay;
    runningDropped_ = false;
    runningSince_ = callNow();
    // Another song's page on screen waiting already goes first after a moment,
    // whichever was asked first.
    waiting_ = {};
    for (const Job &j : visible_)
        if (j.kind != Keep && j.key.path != job.key.path && !j.gaveWay) {
            waiting_ = workOf(j, false);
            break;
        }
    return true;
}

readerpolicy::Call PageRenderWorker::readerCall(Kind kind)
{
    using readerpolicy::Call;
    return kind == Render ? Call::Render : kind == Sizes ? Call::Sizes : kind == Open ? Call::Load : Call::None;
}

readerpolicy::Work PageRenderWorker::workOf(const Job &job, bool ahead)
{
    // A job that calls no reader holds the worker as a load does.
    const readerpolicy::Call call = readerCall(job.kind);
    return readerpolicy::Work{call == readerpolicy::Call::None ? readerpolicy::Call::Load : call, docOf(job.key.path), !ahead,
                              job.gaveWay && !ahead};
}

readerpolicy::Work PageRenderWorker::runningWork() const
{
    Job job{runningKind_, runningKey_, {}, {}, runningGaveWay_};
    readerpolicy::Work work = workOf(job, runningAhead_);
    // A song beside the one shown, or passed, is not the performer's now.
    work.onScreen = work.onScreen && (!shownTold_ || runningKey_.path == shown_);
    work.kept = !runningDropped_;
    work.since = runningSince_;
    return work;
}

bool PageRenderWorker::keptNow(const QString &path) const
{
    std::lock_guard lock(mutex_);
    return !keptKnown_ || kept_.contains(path);
}

bool PageRenderWorker::shownNow(const QString &path) const
{
    std::lock_guard lock(mutex_);
    return !runningAhead_ && (!shownTold_ || path == shown_);
}

bool PageRenderWorker::yields() const
{
    std::lock_guard lock(mutex_);
    return running_ && readerpolicy::givesWay(runningWork(), waiting_, callNow());
}

bool PageRenderWorker::runningAhead() const
{
    std::lock_guard lock(mutex_);
    return runningAhead_;
}

bool PageRenderWorker::pageWaits() const
{
    std::lock_guard lock(mutex_);
    return std::any_of(visible_.begin(), visible_.end(), [](const Job &j) { return j.kind == Render || j.kind == Open; });
}

bool PageRenderWorker::superseded() const
{
    std::lock_guard lock(mutex_);
    return std::any_of(visible_.begin(), visible_.end(), [](const Job &j) { return j.kind == Keep; });
}
