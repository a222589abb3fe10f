#include "windows/PageRenderer.h"

#include "windows/PageRenderWorker.h"

#include "library/SongFileCheck.h"
#include "library/WinID.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/ThreadEnd.h"
#include "windows/PagePlan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QPageSize>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>

QSizeF PageRenderer::DocInfo::pageSize(int page) const
{
    if (page >= 1 && page <= pageSizes.size() && !pageSizes[page - 1].isEmpty())
        return pageSizes[page - 1];
    // Nearly every document's pages are one size: the first stands in until the page's own is known.
    if (page > pageSizes.size() && page <= pageCount && !pageSizes.isEmpty() && !pageSizes[0].isEmpty())
        return pageSizes[0];
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

PageRenderer::PageRenderer(FileLook look, QObject *parent) : QObject(parent)
{
    const MakeReader make = readerMaker();
    worker_ = new PageRenderWorker(this, look ? std::move(look) : FileLook(&platform::regularFileStamp), make);
    if (make)
        return;
    thread_ = new QThread();
    thread_->setObjectName(QStringLiteral("PageRenderer"));
    worker_->moveToThread(thread_);
    thread_->start();
}

PageRenderer::MakeReader &PageRenderer::readerMaker()
{
    static MakeReader make;
    return make;
}

void PageRenderer::setReaders(MakeReader make)
{
    readerMaker() = std::move(make);
}

PageRenderer::~PageRenderer()
{
    // A thread held in the file system is not waited for at all: closing a
    // window, or quitting, must not wait on a share that does not answer.
    const bool held = worker_->stop();
    if (!thread_) {
        delete worker_;
        return;
    }
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

int PageRenderer::readerPid() const
{
    return worker_->readerPid();
}

double PageRenderer::fileSystemSilence() const
{
    const double since = worker_->askedSince();
    return since < 0 ? 0.0 : std::max(0.0, platform::now() - since);
}

void PageRenderer::requestFile(int kind, const QString &path, bool ahead, const FirstPage &first)
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
    job.first = first;
    worker_->enqueue(std::move(job), ahead);
}

std::optional<PageRenderer::DocInfo> PageRenderer::documentInfo(const QString &path, bool ahead, const FirstPage &first)
{
    if (path.isEmpty())
        return DocInfo();
    if (auto it = docs_.constFind(path); it != docs_.constEnd()) {
        // A reader that gave up on it may do better now, a while later, once its song is on screen.
        if (it->retryAt <= 0 || platform::now() < it->retryAt || ahead)
            return *it;
        docs_.erase(it);
    }
    requestFile(PageRenderWorker::Open, path, ahead, first);
    return std::nullopt;
}

std::optional<platform::FileBytes> PageRenderer::songText(const QString &path, bool ahead)
{
    if (path.isEmpty())
        return platform::FileBytes();
    if (auto it = texts_.constFind(path); it != texts_.constEnd())
        return *it;
    requestFile(PageRenderWorker::Read, path, ahead, FirstPage());
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
    say([this, path] { emit documentReady(path); });
}

void PageRenderer::sizesKnown(const QString &path, int first, const QList<QSizeF> &sizes)
{
    auto it = docs_.find(path);
    if (it == docs_.end() || !it->ok || it->pageSizes.size() != first)
        return;
    const QSizeF guessed = it->pageSize(first + 1);
    it->pageSizes.append(sizes);
    // Laid out again only when a page is not the size it was taken to be.
    if (std::any_of(sizes.begin(), sizes.end(), [&guessed](const QSizeF &s) { return s != guessed; }))
        emit documentReady(path);
}

void PageRenderer::textRead(const QString &path, const platform::FileBytes &file, const PiecesDet::Header &header)
{
    if (!filePending_.remove(path))
        return;
    filePendingAhead_.remove(path);
    texts_.insert(path, file);
    emit songHeaderRead(path, header);
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
    if (auto it = docs_.constFind(path); it == docs_.constEnd() || !it->ok || keptUntil_.contains(path))
        return;
    // No fault of the document's takes away a page drawn: it stays, scaled, and is drawn again later.
    const bool drawn = std::any_of(lru_.constBegin(), lru_.constEnd(),
                                   [&](const Key &k) { return k.path == path && !images_.value(k).isNull(); });
    if (info.readerStopped && drawn) {
        keptUntil_.insert(path, info.retryAt);
        emit pageLate(path, songfile::pageKept(path), Late::PageKept);
        platform::clock().schedule(std::max(0.0, info.retryAt - platform::now()), 0, [self = QPointer<PageRenderer>(this), path] {
            if (!self || !self->keptUntil_.contains(path))
                return;
            // The panes showing it ask for it again.
            QSet<int> pages;
            for (const Key &k : std::as_const(self->lru_))
                if (k.path == path)
                    pages.insert(k.page);
            for (const int page : pages)
                emit self->pageReady(path, page);
        });
        return;
    }
    forget(path);
    docs_.insert(path, info);
    emit fileChanged(path);
}

void PageRenderer::forget(const QString &path)
{
    docs_.remove(path);
    texts_.remove(path);
    versions_.remove(path);
    keptUntil_.remove(path);
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
    pendingAhead_.removeIf([&path](const Key &k) { return k.path == path; });
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

void PageRenderer::opensDropped(const QStringList &paths)
{
    for (const QString &path : paths) {
        // Asked again on screen since, it is on its way.
        if (!filePendingAhead_.remove(path))
            continue;
        filePending_.remove(path);
        // Kept again since: asked again.
        if (kept_.contains(path))
            requestFile(PageRenderWorker::Open, path, true, FirstPage());
    }
}

void PageRenderer::request(const Key &key, bool ahead)
{
    if (images_.contains(key))
        return;
    if (pending_.contains(key)) {
        // Asked ahead and now on screen: the worker serves and watches it as on screen.
        if (ahead || !pendingAhead_.remove(key))
            return;
    } else {
        pending_.insert(key);
        if (ahead)
            pendingAhead_.insert(key);
    }
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
    // Kept as drawn while its reader was stopped: asked again once it is tried again.
    if (auto kept = keptUntil_.constFind(path); kept != keptUntil_.constEnd()) {
        if (platform::now() < *kept)
            return QImage();
        keptUntil_.erase(kept);
    }
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
    if (path.isEmpty() || page < 1 || pixelSize.isEmpty() || keptUntil_.contains(path))
        return;
    request(Key{path, page, pixelSize}, true);
}

void PageRenderer::clearPrefetch()
{
    for (const Key &key : worker_->clearAhead()) {
        pending_.remove(key);
        pendingAhead_.remove(key);
    }
}

void PageRenderer::keepOnly(const QSet<QString> &paths, const QString &shown, const QSet<QString> &ahead)
{
    kept_ = paths;
    kept_.remove(QString());
    for (auto it = docs_.begin(); it != docs_.end();)
        it = paths.contains(it.key()) ? std::next(it) : docs_.erase(it);
    for (auto it = texts_.begin(); it != texts_.end();)
        it = paths.contains(it.key()) ? std::next(it) : texts_.erase(it);
    for (auto it = versions_.begin(); it != versions_.end();)
        it = paths.contains(it.key()) ? std::next(it) : versions_.erase(it);
    for (auto it = keptUntil_.begin(); it != keptUntil_.end();)
        it = paths.contains(it.key()) ? std::next(it) : keptUntil_.erase(it);
    for (auto it = images_.begin(); it != images_.end();) {
        if (paths.contains(it.key().path)) {
            ++it;
        } else {
            lru_.removeAll(it.key());
            imageBytes_ -= it.value().sizeInBytes();
            it = images_.erase(it);
        }
    }
    for (const Key &key : worker_->dropPagesNotKept(kept_, shown, ahead)) {
        pending_.remove(key);
        pendingAhead_.remove(key);
        // Page 0: a document's ask.
        if (key.page == 0) {
            filePending_.remove(key.path);
            filePendingAhead_.remove(key.path);
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

void PageRenderer::pageRendered(const Key &key, const QImage &image, bool unasked)
{
    // Dropped while it was on its way; one drawn with its load is kept while its song is.
    if (!pending_.remove(key) && !(unasked && docs_.contains(key.path) && !image.isNull() && !images_.contains(key)))
        return;
    pendingAhead_.remove(key);
    // Not drawn while its reader is stopped: the page drawn before stands in.
    if (image.isNull() && keptUntil_.contains(key.path))
        return;
    images_.insert(key, image);
    imageBytes_ += image.sizeInBytes();
    touch(key);
    evict();
    say([this, key] { emit pageReady(key.path, key.page); });
}

void PageRenderer::say(std::function<void()> signal)
{
    if (hushed_)
        unsaid_.push_back(std::move(signal));
    else
        signal();
}

void PageRenderer::told(const std::vector<std::function<void(PageRenderer &)>> &answers)
{
    hushed_ = true;
    for (const auto &answer : answers)
        answer(*this);
    hushed_ = false;
    for (const auto &signal : std::exchange(unsaid_, {}))
        signal();
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

QSize PageRenderer::fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal devicePixelRatio)
{
    return platform::PdfProcess::fitSize(pagePoints, pane, devicePixelRatio);
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
