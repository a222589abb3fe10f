#include "windows/PageRenderer.h"

#include "library/SongFileCheck.h"
#include "platform/Log.h"
#include "windows/PagePlan.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfDocument>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <mutex>

// Lives in the renderer's thread: opens the documents and renders the pages
// asked for, visible pages first. Only this thread touches its documents.
class PageRenderWorker : public QObject {
public:
    struct Job {
        enum Kind { Open, Render, Keep } kind = Open;
        PageRenderer::Key key;
        QSet<QString> keep;
    };

    explicit PageRenderWorker(PageRenderer *owner) : owner_(owner) {}
    ~PageRenderWorker() override
    {
        for (auto it = docs_.begin(); it != docs_.end(); it = docs_.erase(it))
            close(it.value());
    }

    void enqueue(Job job, bool ahead)
    {
        {
            std::lock_guard lock(mutex_);
            (ahead ? ahead_ : visible_).push_back(std::move(job));
        }
        QMetaObject::invokeMethod(this, [this] { drain(); }, Qt::QueuedConnection);
    }

    // Drops the renders asked ahead; an open asked ahead stays (its answer is awaited).
    QList<PageRenderer::Key> clearAhead()
    {
        std::lock_guard lock(mutex_);
        QList<PageRenderer::Key> dropped;
        std::deque<Job> kept;
        for (Job &job : ahead_) {
            if (job.kind == Job::Render)
                dropped.append(job.key);
            else
                kept.push_back(std::move(job));
        }
        ahead_.swap(kept);
        return dropped;
    }

    void stop()
    {
        stopping_ = true;
        std::lock_guard lock(mutex_);
        visible_.clear();
        ahead_.clear();
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

    void drain()
    {
        Job job;
        while (!stopping_ && take(job)) {
            switch (job.kind) {
            case Job::Open: {
                const PageRenderer::DocInfo info = infoOf(job.key.path, document(job.key.path));
                const QString path = job.key.path;
                QMetaObject::invokeMethod(owner_, [o = owner_, path, info] { o->documentOpened(path, info); },
                                          Qt::QueuedConnection);
                break;
            }
            case Job::Render: {
                QImage image;
                QPdfDocument *doc = document(job.key.path);
                if (doc && job.key.page >= 1 && job.key.page <= doc->pageCount() && !job.key.size.isEmpty()) {
                    image = doc->render(job.key.page - 1, job.key.size);
                    // In place, in the same buffer: painting a premultiplied image needs no
                    // conversion, so no repaint on the main thread converts it again.
                    image.convertTo(QImage::Format_ARGB32_Premultiplied);
                }
                const PageRenderer::Key key = job.key;
                QMetaObject::invokeMethod(owner_, [o = owner_, key, image] { o->pageRendered(key, image); },
                                          Qt::QueuedConnection);
                break;
            }
            case Job::Keep:
                for (auto it = docs_.begin(); it != docs_.end();) {
                    if (job.keep.contains(it.key())) {
                        ++it;
                    } else {
                        close(it.value());
                        docLru_.removeAll(it.key());
                        stamps_.remove(it.key());
                        it = docs_.erase(it);
                    }
                }
                break;
            }
        }
    }

    // A document and the bytes it reads from: the whole file is read once,
    // so the renderer's many small reads and seeks are memory copies.
    struct Open {
        QByteArray bytes;
        QBuffer buffer;
        QPdfDocument doc;
    };

    static void close(Open *open)
    {
        if (open)
            open->doc.close();
        delete open;
    }

    // The open document of a path, opened on first use and again when the
    // file changed on disk (size or date); nullptr when it cannot be read as a PDF.
    QPdfDocument *document(const QString &path)
    {
        const QFileInfo fi(path);
        auto it = docs_.find(path);
        if (it != docs_.end()) {
            const auto stamp = stamps_.value(path);
            if (stamp.first == fi.lastModified() && stamp.second == fi.size()) {
                docLru_.removeAll(path);
                docLru_.append(path);
                return it.value()->doc.status() == QPdfDocument::Status::Ready ? &it.value()->doc : nullptr;
            }
            close(it.value());
            docs_.erase(it);
            docLru_.removeAll(path);
        }
        auto *open = new Open;
        // Only a regular file (a link resolved first): a pipe would block the reader.
        QFile file(path);
        if (fi.isFile() && file.open(QIODevice::ReadOnly))
            open->bytes = file.readAll();
        open->buffer.setBuffer(&open->bytes);
        if (!open->bytes.isEmpty() && open->buffer.open(QIODevice::ReadOnly))
            open->doc.load(&open->buffer);
        if (open->doc.status() != QPdfDocument::Status::Ready) {
            TLOG(QStringLiteral("PageRenderer cannot open %1").arg(path));
            open->doc.close();
        }
        docs_.insert(path, open);
        stamps_.insert(path, {fi.lastModified(), fi.size()});
        docLru_.append(path);
        while (docLru_.size() > PageRenderer::kMaxDocuments) {
            const QString old = docLru_.takeFirst();
            close(docs_.take(old));
            stamps_.remove(old);
        }
        return open->doc.status() == QPdfDocument::Status::Ready ? &open->doc : nullptr;
    }

    static PageRenderer::DocInfo infoOf(const QString &path, QPdfDocument *doc)
    {
        PageRenderer::DocInfo info;
        if (!doc || doc->pageCount() < 1) {
            // Read here, off the main thread, so the window can say why.
            info.problem = songfile::pdfProblem(path, false);
            return info;
        }
        info.ok = true;
        info.pageCount = doc->pageCount();
        for (int i = 0; i < info.pageCount; ++i)
            info.pageSizes.append(doc->pagePointSize(i));
        return info;
    }

    PageRenderer *owner_;
    std::mutex mutex_;
    std::deque<Job> visible_;
    std::deque<Job> ahead_;
    std::atomic<bool> stopping_{false};
    QHash<QString, Open *> docs_;
    QHash<QString, QPair<QDateTime, qint64>> stamps_;
    QStringList docLru_;
};

QSizeF PageRenderer::DocInfo::pageSize(int page) const
{
    if (page >= 1 && page <= pageSizes.size() && !pageSizes[page - 1].isEmpty())
        return pageSizes[page - 1];
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

PageRenderer::PageRenderer(QObject *parent) : QObject(parent)
{
    thread_ = new QThread();
    thread_->setObjectName(QStringLiteral("PageRenderer"));
    worker_ = new PageRenderWorker(this);
    worker_->moveToThread(thread_);
    thread_->start();
}

PageRenderer::~PageRenderer()
{
    worker_->stop();
    // The documents are deleted on the thread that opened them.
    QMetaObject::invokeMethod(worker_, [w = worker_] { delete w; }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
}

void PageRenderer::ensureFresh(const QString &path)
{
    auto it = docs_.find(path);
    if (it == docs_.end() || !it->known)
        return;
    const QFileInfo fi(path);
    if (fi.lastModified() == it->modified && fi.size() == it->fileSize)
        return;
    // The file changed on disk (an export wrote it again): forget what was drawn of it.
    docs_.erase(it);
    for (auto img = images_.begin(); img != images_.end();) {
        if (img.key().path == path) {
            lru_.removeAll(img.key());
            imageBytes_ -= img.value().sizeInBytes();
            img = images_.erase(img);
        } else {
            ++img;
        }
    }
}

std::optional<PageRenderer::DocInfo> PageRenderer::documentInfo(const QString &path, bool ahead)
{
    if (path.isEmpty())
        return DocInfo();
    ensureFresh(path);
    auto it = docs_.constFind(path);
    if (it != docs_.constEnd() && it->known)
        return it->info;
    // An open asked ahead and now wanted on screen is asked again with the
    // visible requests, so it does not wait behind the renders ahead.
    const bool promote = !ahead && docPendingAhead_.remove(path);
    if (!docPending_.contains(path) || promote) {
        docPending_.insert(path);
        if (ahead)
            docPendingAhead_.insert(path);
        PageRenderWorker::Job job;
        job.kind = PageRenderWorker::Job::Open;
        job.key = Key{path, 0, QSize()};
        worker_->enqueue(std::move(job), ahead);
    }
    return std::nullopt;
}

void PageRenderer::documentOpened(const QString &path, const DocInfo &info)
{
    if (!docPending_.remove(path))
        return; // answered already (an open asked twice)
    docPendingAhead_.remove(path);
    Doc &doc = docs_[path];
    doc.info = info;
    doc.known = true;
    const QFileInfo fi(path);
    doc.modified = fi.lastModified();
    doc.fileSize = fi.size();
    emit documentReady(path);
}

void PageRenderer::request(const Key &key, bool ahead)
{
    if (pending_.contains(key) || images_.contains(key))
        return;
    pending_.insert(key);
    PageRenderWorker::Job job;
    job.kind = PageRenderWorker::Job::Render;
    job.key = key;
    worker_->enqueue(std::move(job), ahead);
}

QImage PageRenderer::page(const QString &path, int page, QSize pixelSize)
{
    if (path.isEmpty() || page < 1 || pixelSize.isEmpty())
        return QImage();
    ensureFresh(path);
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
    for (auto it = images_.begin(); it != images_.end();) {
        if (paths.contains(it.key().path)) {
            ++it;
        } else {
            lru_.removeAll(it.key());
            imageBytes_ -= it.value().sizeInBytes();
            it = images_.erase(it);
        }
    }
    PageRenderWorker::Job job;
    job.kind = PageRenderWorker::Job::Keep;
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
    auto idle = [this] { return pending_.isEmpty() && docPending_.isEmpty(); };
    if (!idle()) {
        QEventLoop loop;
        auto check = [&] {
            if (idle())
                loop.quit();
        };
        const auto c1 = connect(this, &PageRenderer::pageReady, &loop, check, Qt::QueuedConnection);
        const auto c2 = connect(this, &PageRenderer::documentReady, &loop, check, Qt::QueuedConnection);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(timeoutMs);
        loop.exec();
        disconnect(c1);
        disconnect(c2);
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
