#include "windows/PageRenderer.h"

#include "chordpro/ChordPro.h"
#include "library/SongFileCheck.h"
#include "library/WinID.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PdfProcess.h"
#include "platform/ThreadEnd.h"
#include "windows/PagePlan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPageSize>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <mutex>

namespace {
// How long the PDF reader may take over one document or page before it is given up.
std::atomic<int> loadLimitMs{5000};
std::atomic<int> renderLimitMs{20000};
// The first bytes of a file tell a PDF from anything else.
constexpr qint64 kHeadBytes = 1024;
} // namespace

// Lives in the renderer's thread: looks at and reads the song files, has
// the documents opened and the pages asked for rendered, visible requests
// first, by the PDF reader's process (platform::PdfProcess), which it ends
// when a document does not finish. Only this thread touches the file system
// and the documents.
class PageRenderWorker : public QObject {
public:
    enum Kind { Open, Read, Find, Render, Keep };
    struct Job {
        Kind kind = Open;
        PageRenderer::Key key;
        QSet<QString> keep;
        PageRenderer::Binding binding;
    };

    PageRenderWorker(PageRenderer *owner, PageRenderer::FileLook look) : owner_(owner), look_(std::move(look)) {}
    // The reader's process ends with child_.
    ~PageRenderWorker() override { qDeleteAll(docs_); }

    void enqueue(Job job, bool ahead)
    {
        {
            std::lock_guard lock(mutex_);
            (ahead ? ahead_ : visible_).push_back(std::move(job));
        }
        QMetaObject::invokeMethod(this, [this] { drain(); }, Qt::QueuedConnection);
    }

    // Drops the renders asked ahead; the rest asked ahead stays (its answer is awaited).
    QList<PageRenderer::Key> clearAhead()
    {
        std::lock_guard lock(mutex_);
        QList<PageRenderer::Key> dropped;
        std::deque<Job> kept;
        for (Job &job : ahead_) {
            if (job.kind == Render)
                dropped.append(job.key);
            else
                kept.push_back(std::move(job));
        }
        ahead_.swap(kept);
        return dropped;
    }

    // The owner is going: nothing more is done for it, nor told to it.
    // Answers whether the job under way has called the file system: it may be
    // held there now or at its next call, and is not waited for.
    bool stop()
    {
        stopping_ = true;
        {
            std::lock_guard lock(ownerMutex_);
            owner_ = nullptr;
        }
        std::lock_guard lock(mutex_);
        visible_.clear();
        ahead_.clear();
        return jobAsked_;
    }

    // When the look or read under way began (platform::now()), and of what; negative when none is.
    double askedSince() const { return askedSince_; }
    QString asking() const
    {
        std::lock_guard lock(askingMutex_);
        return asking_;
    }

private:
    bool take(Job &job)
    {
        std::lock_guard lock(mutex_);
        auto &queue = !visible_.empty() ? visible_ : ahead_;
        if (queue.empty())
            return false;
        job = std::move(queue.front());
        queue.pop_front();
        return true;
    }

    // Runs fn on the owner's thread, unless the owner has gone.
    void tell(std::function<void(PageRenderer &)> fn)
    {
        std::lock_guard lock(ownerMutex_);
        if (owner_)
            QMetaObject::invokeMethod(owner_, [o = owner_, fn = std::move(fn)] { fn(*o); }, Qt::QueuedConnection);
    }

    // Ends the job of a worker stopped at or in a call into the file system.
    struct Stopped {};

    // A call into the file system, timed so that the window can say when it does not answer.
    // Once stopped, the job ends here: a thread left behind at a quit may come back
    // after the program has ended, and must look, read, log or tell nothing more.
    template <typename Call>
    auto ask(const QString &path, Call call)
    {
        // Marked before stopping_ is read, and stop() sets it before reading this:
        // a close either finds the job held or the job finds it stopped.
        jobAsked_ = true;
        if (stopping_)
            throw Stopped{};
        {
            std::lock_guard lock(askingMutex_);
            asking_ = path;
        }
        askedSince_ = platform::now();
        auto answer = call();
        askedSince_ = -1.0;
        if (stopping_)
            throw Stopped{};
        return answer;
    }
    std::optional<platform::FileStamp> look(const QString &path)
    {
        return ask(path, [&] { return look_(path); });
    }

    void drain()
    try {
        Job job;
        while (!stopping_ && take(job)) {
            switch (job.kind) {
            case Open: opened(job.key.path); break;
            case Read: read(job.key.path); break;
            case Find: found(job.key.path, job.binding); break;
            case Render: render(job.key); break;
            case Keep: keepOnly(job.keep); break;
            }
            jobAsked_ = false;
        }
    } catch (const Stopped &) {
        // Nothing more of the job is done.
    }

    void opened(const QString &path)
    {
        const std::optional<platform::FileStamp> stamp = look(path);
        const PageRenderer::DocInfo info = document(path, stamp)->info;
        known_.insert(path, stamp);
        tell([path, info](PageRenderer &o) { o.documentOpened(path, info); });
    }

    void read(const QString &path)
    {
        const std::optional<platform::FileStamp> stamp = look(path);
        // Read even when the look found nothing, for the words of why: a pipe or a device is not opened.
        const platform::FileBytes file = ask(path, [&] { return platform::readRegularFile(path, ChordPro::kMaxSongBytes); });
        known_.insert(path, stamp);
        tell([path, file](PageRenderer &o) { o.textRead(path, file); });
    }

    QString versionOf(const QString &path, const PageRenderer::Binding &b)
    {
        return winid::versionPath(path, b.altDir, b.defPDF, b.defCHO,
                                  [this](const QString &file) { return look(file).has_value(); });
    }

    void found(const QString &path, const PageRenderer::Binding &binding)
    {
        const QString shown = versionOf(path, binding);
        versions_.insert(path, {binding, shown});
        tell([path, binding, shown](PageRenderer &o) { o.versionFound(path, binding, shown); });
    }

    void render(const PageRenderer::Key &key)
    {
        QImage image;
        auto it = docs_.find(key.path);
        Doc *open = nullptr;
        if (it != docs_.end()) {
            open = it.value();
            docLru_.removeAll(key.path);
            docLru_.append(key.path);
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
        if (ready(open) && key.page >= 1 && key.page <= open->info.pageCount && !key.size.isEmpty()) {
            // Loaded again from the bytes kept when the reader was ended since.
            if (!child_.loaded(open->id))
                load(key.path, *open);
            if (ready(open)) {
                platform::PdfProcess::Rendered r = child_.render(open->id, key.page - 1, key.size, renderLimitMs);
                if (r.outcome == platform::PdfProcess::Outcome::Done)
                    image = std::move(r.image);
                else
                    refuse(key.path, *open, songfile::PdfLoad::GivenUp);
            }
        }
        // The window learns of a document given up now, though it was told it opened.
        if (open && !open->info.ok) {
            const PageRenderer::DocInfo info = open->info;
            tell([path = key.path, info](PageRenderer &o) { o.documentGivenUp(path, info); });
        }
        tell([key, image](PageRenderer &o) { o.pageRendered(key, image); });
    }

    // Forgets what is not kept and looks again at what is: a file written
    // since, or a version come or gone, is forgotten and said to have changed.
    void keepOnly(const QSet<QString> &keep)
    {
        for (auto it = docs_.begin(); it != docs_.end();) {
            if (keep.contains(it.key())) {
                ++it;
            } else {
                close(it.value());
                docLru_.removeAll(it.key());
                stamps_.remove(it.key());
                it = docs_.erase(it);
            }
        }
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
        tell([gone, changed](PageRenderer &o) {
            --o.keepsPending_;
            o.filesLooked(gone, changed);
        });
    }

    // A document and the file it was read from: the whole file is read once
    // and kept, so that the reader's process, ended on another document, can
    // load it again.
    struct Doc {
        platform::FileBytes file; // the first bytes only of a file that is not a PDF
        quint32 id = 0;           // in the reader's process
        PageRenderer::DocInfo info;
    };

    void close(Doc *open)
    {
        if (open)
            child_.close(open->id);
        delete open;
    }

    static bool ready(const Doc *open) { return open && open->info.ok; }

    // Reads a PDF: a file whose first bytes are not a PDF's is not read further.
    platform::FileBytes readPdf(const QString &path, const std::optional<platform::FileStamp> &stamp)
    {
        platform::FileBytes head = ask(path, [&] { return platform::readRegularFile(path, kHeadBytes); });
        if (head.status != platform::FileStatus::TooLarge || !songfile::pdfProblem(head, songfile::PdfLoad::Loaded).isEmpty())
            return head;
        if (stamp && stamp->size > PageRenderer::kMaxDocumentBytes)
            return head;
        // Each block that comes is an answer: a long read of a large file is not a silent folder.
        return ask(path, [&] {
            return platform::readRegularFile(path, PageRenderer::kMaxDocumentBytes, [this] {
                if (!stopping_)
                    askedSince_ = platform::now();
            });
        });
    }

    // The document's pages as the reader's process loads them, or why it cannot be shown.
    void load(const QString &path, Doc &open)
    {
        using Outcome = platform::PdfProcess::Outcome;
        const platform::PdfProcess::Loaded loaded = child_.load(open.id, open.file.bytes, loadLimitMs);
        switch (loaded.outcome) {
        case Outcome::Done:
            if (loaded.pageSizes.isEmpty())
                return refuse(path, open, songfile::PdfLoad::Damaged);
            open.info = PageRenderer::DocInfo();
            open.info.ok = true;
            open.info.pageCount = int(loaded.pageSizes.size());
            open.info.pageSizes = loaded.pageSizes;
            return;
        case Outcome::Damaged: return refuse(path, open, songfile::PdfLoad::Damaged);
        case Outcome::NeedsPassword: return refuse(path, open, songfile::PdfLoad::NeedsPassword);
        case Outcome::GivenUp: return refuse(path, open, songfile::PdfLoad::GivenUp);
        case Outcome::Unavailable: return refuse(path, open, songfile::PdfLoad::NoReader);
        }
    }

    void refuse(const QString &path, Doc &open, songfile::PdfLoad why)
    {
        open.info = PageRenderer::DocInfo();
        open.info.problem = songfile::pdfProblem(open.file, why);
        // Never loaded again while its file is unchanged: the head is enough to say why.
        open.file.bytes.truncate(kHeadBytes);
        if (!stopping_)
            TLOG(QStringLiteral("PageRenderer cannot open %1: %2").arg(path, open.info.problem));
    }

    // The document of a path as the file system stamps it now: the one open
    // when the file is unchanged, else read and opened again.
    Doc *document(const QString &path, const std::optional<platform::FileStamp> &stamp)
    {
        if (auto it = docs_.find(path); it != docs_.end()) {
            if (stamp && stamps_.contains(path) && stamps_.value(path) == *stamp) {
                docLru_.removeAll(path);
                docLru_.append(path);
                return it.value();
            }
            close(it.value());
            docs_.erase(it);
            docLru_.removeAll(path);
            stamps_.remove(path);
        }
        auto *open = new Doc;
        open->id = ++lastId_;
        open->file = readPdf(path, stamp);
        if (QString problem = songfile::pdfProblem(open->file, songfile::PdfLoad::Loaded); !problem.isEmpty()) {
            open->info.problem = problem;
        } else if (open->file.status == platform::FileStatus::TooLarge) {
            open->file.bytes.clear();
            open->info.problem = QStringLiteral("too large to open");
        } else {
            load(path, *open);
        }
        docs_.insert(path, open);
        if (stamp)
            stamps_.insert(path, *stamp);
        docLru_.append(path);
        while (docLru_.size() > PageRenderer::kMaxDocuments) {
            const QString old = docLru_.takeFirst();
            close(docs_.take(old));
            stamps_.remove(old);
        }
        return open;
    }

    std::mutex ownerMutex_;
    PageRenderer *owner_;
    PageRenderer::FileLook look_;
    std::mutex mutex_;
    std::deque<Job> visible_;
    std::deque<Job> ahead_;
    std::atomic<bool> stopping_{false};
    // The job under way has called the file system.
    std::atomic<bool> jobAsked_{false};
    std::atomic<double> askedSince_{-1.0};
    mutable std::mutex askingMutex_;
    QString asking_;
    QHash<QString, Doc *> docs_;
    QHash<QString, platform::FileStamp> stamps_;
    QStringList docLru_;
    // The files the owner was told of (nothing for one not there), and the versions.
    QHash<QString, std::optional<platform::FileStamp>> known_;
    struct Found {
        PageRenderer::Binding binding;
        QString shown;
    };
    QHash<QString, Found> versions_;
    quint32 lastId_ = 0;
    platform::PdfProcess child_{[this] { return stopping_.load(); }};
};

QSizeF PageRenderer::DocInfo::pageSize(int page) const
{
    if (page >= 1 && page <= pageSizes.size() && !pageSizes[page - 1].isEmpty())
        return pageSizes[page - 1];
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

PageRenderer::PageRenderer(FileLook look, QObject *parent) : QObject(parent)
{
    thread_ = new QThread();
    thread_->setObjectName(QStringLiteral("PageRenderer"));
    worker_ = new PageRenderWorker(this, look ? std::move(look) : FileLook(&platform::regularFileStamp));
    worker_->moveToThread(thread_);
    thread_->start();
}

PageRenderer::~PageRenderer()
{
    // A thread held in the file system is not waited for at all: closing a
    // window, or quitting, must not wait on a share that does not answer.
    const bool held = worker_->stop();
    const QString asking = worker_->asking();
    // The documents are deleted on the thread that opened them, once it is through.
    QMetaObject::invokeMethod(
        worker_,
        [w = worker_] {
            const platform::BeforeTheEnd going;
            delete w;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    platform::endThread(thread_, held ? 0 : platform::kThreadEndWaitMs, QStringLiteral("PageRenderer: %1").arg(asking));
}

double PageRenderer::fileSystemSilence() const
{
    const double since = worker_->askedSince();
    return since < 0 ? 0.0 : std::max(0.0, platform::now() - since);
}

void PageRenderer::requestFile(int kind, const QString &path, bool ahead)
{
    // An ask made ahead and now wanted on screen is made again with the
    // visible requests, so it does not wait behind the renders ahead.
    const bool promote = !ahead && filePendingAhead_.remove(path);
    if (filePending_.contains(path) && !promote)
        return;
    filePending_.insert(path);
    if (ahead)
        filePendingAhead_.insert(path);
    PageRenderWorker::Job job;
    job.kind = PageRenderWorker::Kind(kind);
    job.key = Key{path, 0, QSize()};
    worker_->enqueue(std::move(job), ahead);
}

std::optional<PageRenderer::DocInfo> PageRenderer::documentInfo(const QString &path, bool ahead)
{
    if (path.isEmpty())
        return DocInfo();
    if (auto it = docs_.constFind(path); it != docs_.constEnd())
        return *it;
    requestFile(PageRenderWorker::Open, path, ahead);
    return std::nullopt;
}

std::optional<platform::FileBytes> PageRenderer::songText(const QString &path, bool ahead)
{
    if (path.isEmpty())
        return platform::FileBytes();
    if (auto it = texts_.constFind(path); it != texts_.constEnd())
        return *it;
    requestFile(PageRenderWorker::Read, path, ahead);
    return std::nullopt;
}

std::optional<QString> PageRenderer::knownVersion(const QString &path, const Binding &binding) const
{
    if (path.isEmpty())
        return QString();
    // A policy or an identifier that names no other file needs no answer from the file system.
    bool looks = false;
    const QString plain = winid::versionPath(path, binding.altDir, binding.defPDF, binding.defCHO,
                                             [&looks](const QString &) {
                                                 looks = true;
                                                 return false;
                                             });
    if (!looks)
        return plain;
    if (auto it = versions_.constFind(path); it != versions_.constEnd() && it->binding == binding)
        return it->shown;
    return std::nullopt;
}

std::optional<QString> PageRenderer::version(const QString &path, const Binding &binding, bool ahead)
{
    if (const std::optional<QString> known = knownVersion(path, binding))
        return known;
    if (!versionPending_.contains(path)) {
        versionPending_.insert(path);
        PageRenderWorker::Job job;
        job.kind = PageRenderWorker::Find;
        job.key = Key{path, 0, QSize()};
        job.binding = binding;
        worker_->enqueue(std::move(job), ahead);
    }
    return std::nullopt;
}

void PageRenderer::lookAgain()
{
    texts_.clear();
    versions_.clear();
}

void PageRenderer::documentOpened(const QString &path, const DocInfo &info)
{
    if (!filePending_.remove(path))
        return; // answered already (an open asked twice)
    filePendingAhead_.remove(path);
    docs_.insert(path, info);
    emit documentReady(path);
}

void PageRenderer::textRead(const QString &path, const platform::FileBytes &file)
{
    if (!filePending_.remove(path))
        return;
    filePendingAhead_.remove(path);
    texts_.insert(path, file);
    emit documentReady(path);
}

void PageRenderer::versionFound(const QString &path, const Binding &binding, const QString &shown)
{
    if (!versionPending_.remove(path))
        return;
    versions_.insert(path, {binding, shown});
    emit documentReady(path);
}

void PageRenderer::setGiveUpTimes(int loadMs, int renderMs)
{
    loadLimitMs = loadMs;
    renderLimitMs = renderMs;
}

void PageRenderer::documentGivenUp(const QString &path, const DocInfo &info)
{
    // Said once, and only of a document the window was told had opened.
    if (auto it = docs_.constFind(path); it == docs_.constEnd() || !it->ok)
        return;
    forget(path);
    docs_.insert(path, info);
    emit fileChanged(path);
}

void PageRenderer::forget(const QString &path)
{
    docs_.remove(path);
    texts_.remove(path);
    versions_.remove(path);
    for (auto img = images_.begin(); img != images_.end();) {
        if (img.key().path == path) {
            lru_.removeAll(img.key());
            imageBytes_ -= img.value().sizeInBytes();
            img = images_.erase(img);
        } else {
            ++img;
        }
    }
    // Renders of the file as it was are not taken when they come.
    pending_.removeIf([&path](const Key &k) { return k.path == path; });
}

void PageRenderer::filesLooked(const QStringList &gone, const QStringList &changed)
{
    // What the worker no longer knows is not kept here either, so that each
    // keep looks again at everything kept.
    for (const QString &path : gone)
        forget(path);
    for (const QString &path : changed) {
        forget(path);
        emit fileChanged(path);
    }
}

void PageRenderer::request(const Key &key, bool ahead)
{
    if (pending_.contains(key) || images_.contains(key))
        return;
    pending_.insert(key);
    PageRenderWorker::Job job;
    job.kind = PageRenderWorker::Render;
    job.key = key;
    worker_->enqueue(std::move(job), ahead);
}

QImage PageRenderer::page(const QString &path, int page, QSize pixelSize)
{
    if (path.isEmpty() || page < 1 || pixelSize.isEmpty())
        return QImage();
    const Key key{path, page, pixelSize};
    auto it = images_.constFind(key);
    if (it != images_.constEnd()) {
        touch(key);
        ++stats_.hits;
        return it.value();
    }
    ++stats_.misses;
    request(key, false);
    return QImage();
}

QImage PageRenderer::anyPage(const QString &path, int page) const
{
    for (auto it = images_.constBegin(); it != images_.constEnd(); ++it)
        if (it.key().page == page && it.key().path == path && !it.value().isNull())
            return it.value();
    return QImage();
}

bool PageRenderer::hasPage(const QString &path, int page, QSize pixelSize) const
{
    return images_.contains(Key{path, page, pixelSize});
}

void PageRenderer::prefetch(const QString &path, int page, QSize pixelSize)
{
    if (path.isEmpty() || page < 1 || pixelSize.isEmpty())
        return;
    request(Key{path, page, pixelSize}, true);
}

void PageRenderer::clearPrefetch()
{
    for (const Key &key : worker_->clearAhead())
        pending_.remove(key);
}

void PageRenderer::keepOnly(const QSet<QString> &paths)
{
    kept_ = paths;
    kept_.remove(QString());
    for (auto it = docs_.begin(); it != docs_.end();)
        it = paths.contains(it.key()) ? std::next(it) : docs_.erase(it);
    for (auto it = texts_.begin(); it != texts_.end();)
        it = paths.contains(it.key()) ? std::next(it) : texts_.erase(it);
    for (auto it = versions_.begin(); it != versions_.end();)
        it = paths.contains(it.key()) ? std::next(it) : versions_.erase(it);
    for (auto it = images_.begin(); it != images_.end();) {
        if (paths.contains(it.key().path)) {
            ++it;
        } else {
            lru_.removeAll(it.key());
            imageBytes_ -= it.value().sizeInBytes();
            it = images_.erase(it);
        }
    }
    ++keepsPending_;
    PageRenderWorker::Job job;
    job.kind = PageRenderWorker::Keep;
    job.keep = paths;
    worker_->enqueue(std::move(job), false);
}

void PageRenderer::touch(const Key &key)
{
    lru_.removeOne(key);
    lru_.append(key);
}

void PageRenderer::pageRendered(const Key &key, const QImage &image)
{
    if (!pending_.remove(key))
        return; // dropped while it was on its way
    images_.insert(key, image);
    imageBytes_ += image.sizeInBytes();
    touch(key);
    evict();
    emit pageReady(key.path, key.page);
}

void PageRenderer::evict()
{
    auto over = [this] { return lru_.size() > kMaxImages || (imageBytes_ > kMaxImageBytes && lru_.size() > 1); };
    while (over()) {
        // The opening pages of the songs kept are what a song change shows: they go last.
        auto victim = std::find_if(lru_.begin(), std::prev(lru_.end()),
                                   [this](const Key &k) { return k.page > 2 || !kept_.contains(k.path); });
        if (victim == std::prev(lru_.end()))
            victim = lru_.begin();
        imageBytes_ -= images_.take(*victim).sizeInBytes();
        lru_.erase(victim);
    }
}

bool PageRenderer::waitForIdle(int timeoutMs)
{
    auto idle = [this] {
        return pending_.isEmpty() && filePending_.isEmpty() && versionPending_.isEmpty() && keepsPending_ == 0;
    };
    if (!idle()) {
        // Looked at after each turn of the loop: a keep's answer comes with no signal.
        QEventLoop loop;
        QTimer turn;
        connect(&turn, &QTimer::timeout, &loop, [&] {
            if (idle())
                loop.quit();
        });
        turn.start(1);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(timeoutMs);
        loop.exec();
    }
    QCoreApplication::processEvents();
    return idle();
}

namespace {
bool finite(const QSizeF &s)
{
    return std::isfinite(s.width()) && std::isfinite(s.height());
}
} // namespace

QSize PageRenderer::fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal devicePixelRatio)
{
    if (!finite(pagePoints) || !finite(pane) || pagePoints.isEmpty() || pane.isEmpty())
        return QSize();
    const QSizeF fitted = pagePoints.scaled(pane, Qt::KeepAspectRatio) * devicePixelRatio;
    return QSize(std::max(1, qRound(fitted.width())), std::max(1, qRound(fitted.height())));
}

QSize PageRenderer::halfPageFitSize(const QSizeF &pagePoints, const QSizeF &band, qreal devicePixelRatio)
{
    const QSizeF shown = pageplan::halfPageSize(pagePoints, band) * devicePixelRatio;
    if (shown.isEmpty())
        return QSize();
    qreal w = shown.width();
    qreal h = shown.height();
    // A damaged page of absurd proportions must not ask for an image beyond memory.
    if (w * h > kMaxPixels) {
        const qreal shrink = std::sqrt(kMaxPixels / (w * h));
        w *= shrink;
        h *= shrink;
    }
    return QSize(std::max(1, qRound(std::min(w, kMaxSide))), std::max(1, qRound(std::min(h, kMaxSide))));
}
