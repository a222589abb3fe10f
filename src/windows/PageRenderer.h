#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>

class QThread;
class PageRenderWorker;

// PDF pages of one document window, rendered off the main thread. A page
// image is requested at a pixel size and delivered when ready (pageReady);
// the main thread never opens a document or renders a page itself. Each
// document is read into memory once by the worker and kept while the window
// keeps its song (the song shown, the songs next to it, the last ones shown).
//
// Memory is bounded: at most kMaxImages page images and kMaxImageBytes of
// them (about 24 pages of a two-page window at 1920x1080), and kMaxDocuments
// open documents. Past a bound the least recently used image goes, the
// first two pages of a kept song last, so that stepping back to one shows
// at once.
class PageRenderer : public QObject {
    Q_OBJECT
public:
    struct DocInfo {
        bool ok = false;         // false for a missing or unreadable file
        int pageCount = 0;       // 0 when not ok
        QList<QSizeF> pageSizes; // in points, one per page
        QString problem;         // why it is not ok (songfile's words)
        QSizeF pageSize(int page) const; // 1-based; A4 for an unknown page
    };

    explicit PageRenderer(QObject *parent = nullptr);
    ~PageRenderer() override;

    // What is known of a document; nullopt while the worker opens it (the
    // request is made here, documentReady follows).
    // An open asked ahead waits behind the visible requests.
    std::optional<DocInfo> documentInfo(const QString &path, bool ahead = false);
    // The page at exactly this pixel size, or a null image after requesting
    // it (pageReady follows). Visible requests go before those made ahead.
    QImage page(const QString &path, int page, QSize pixelSize);
    // Any image of the page already rendered, whatever its size (a stand-in
    // while the right size is on its way).
    QImage anyPage(const QString &path, int page) const;
    bool hasPage(const QString &path, int page, QSize pixelSize) const;
    // Renders a page ahead, after the visible requests.
    void prefetch(const QString &path, int page, QSize pixelSize);
    // Drops the renders asked ahead that have not started.
    void clearPrefetch();
    // Keeps these documents open and forgets the others (and their images).
    void keepOnly(const QSet<QString> &paths);

    // Visible requests answered from what was rendered (hits) and those that
    // had to wait for a render (misses), for tests and measurements.
    struct Stats {
        qint64 hits = 0;
        qint64 misses = 0;
    };
    Stats stats() const { return stats_; }
    void resetStats() { stats_ = Stats(); }
    int imageCount() const { return int(images_.size()); }
    qint64 imageBytes() const { return imageBytes_; }

    // Runs the event loop until every request made so far is answered (or
    // the time limit passes). For tests and measurements.
    bool waitForIdle(int timeoutMs = 10000);
    int pendingCount() const { return int(pending_.size()); }

    // Pixel size of a page fitted into a pane of the given size in points.
    static QSize fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal devicePixelRatio);
    // Pixel size of a page in the half-page band (pageplan::halfPageSize).
    static QSize halfPageFitSize(const QSizeF &pagePoints, const QSizeF &band, qreal devicePixelRatio);

    // The largest page image asked of the renderer, in pixels and per side.
    static constexpr qreal kMaxPixels = 32.0 * 1024 * 1024;
    static constexpr qreal kMaxSide = 32000.0;
    static constexpr int kMaxImages = 24;
    static constexpr qint64 kMaxImageBytes = 96ll * 1024 * 1024;
    static constexpr int kMaxDocuments = 8;

signals:
    void documentReady(const QString &path);
    void pageReady(const QString &path, int page);

private:
    friend class PageRenderWorker;
    struct Key {
        QString path;
        int page;
        QSize size;
        bool operator==(const Key &o) const { return page == o.page && size == o.size && path == o.path; }
    };
    friend size_t qHash(const Key &k, size_t seed) { return qHashMulti(seed, k.path, k.page, k.size.width(), k.size.height()); }
    struct Doc {
        DocInfo info;
        bool known = false;
        QDateTime modified;
        qint64 fileSize = -1;
    };

    void request(const Key &key, bool ahead);
    void ensureFresh(const QString &path);
    void documentOpened(const QString &path, const DocInfo &info);
    void pageRendered(const Key &key, const QImage &image);
    void touch(const Key &key);
    void evict();

    QThread *thread_ = nullptr;
    PageRenderWorker *worker_ = nullptr;
    QHash<QString, Doc> docs_;
    QSet<QString> docPending_;
    QSet<QString> docPendingAhead_;
    QHash<Key, QImage> images_;
    QList<Key> lru_;
    QSet<Key> pending_;
    QSet<QString> kept_;
    qint64 imageBytes_ = 0;
    Stats stats_;
};
