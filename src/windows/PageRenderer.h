#pragma once

#include "library/PiecesDet.h"
#include "platform/PdfProcess.h"
#include "platform/RegularFile.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThread;
class PageRenderWorker;

// The song files of one document window, looked at and read off the main
// thread, and their PDF pages rendered there. A page image is requested at a
// pixel size and delivered when ready (pageReady); what is known of a song's
// file (a PDF's pages, a ChordPro song's bytes, the version a bound window
// shows) is asked for and delivered once the file system has answered
// (documentReady). The main thread never looks at a song file, opens a
// document or renders a page itself: a share that does not answer holds the
// renderer's thread only, and the window says so (fileSystemSilence).
//
// What is known of a file is kept while the window keeps its song (the song
// shown, the songs next to it, the last ones shown); each keep looks at the
// kept files again, and forgets one written since (fileChanged). Each PDF is
// read into memory once by the worker, shared with the PDF reader, and kept
// the same way.
//
// The PDF reader runs in a process of its own that the renderer's thread
// ends when a document takes too long to load or render (a damaged page tree
// can keep the reader busy for ever), crashes it or runs it out of memory:
// once a fresh reader has given up on it too, that document says it cannot
// be shown, and the other songs go on; a page on screen never waits for
// long behind another song's document (PageRenderWorker).
//
// Memory is bounded: at most kMaxImages page images and kMaxImageBytes of
// them (about 24 pages of a two-page window at 1920x1080), and kMaxDocuments
// open documents, of at most PageRenderWorker::kMaxDocumentBytesKept. Past a bound the least recently used image goes, the
// first two pages of a kept song last, so that stepping back to one shows
// at once.
class PageRenderer : public QObject {
    Q_OBJECT
public:
    // The stamp of the regular file at a path, nothing for anything else.
    using FileLook = std::function<std::optional<platform::FileStamp>(const QString &path)>;

    // Why a page on screen is late: its reader stalled or was killed and a fresh
    // one took over, its load or its drawing is slow, or a page drawn before
    // stays while its reader is stopped.
    enum class Late { ReaderReplaced, SlowToOpen, SlowToDraw, PageKept };

    struct DocInfo {
        bool ok = false;         // false for a missing or unreadable file
        int pageCount = 0;       // 0 when not ok
        QList<QSizeF> pageSizes; // in points, of the first pages: the others come later (documentReady)
        QString problem;         // why it is not ok (songfile's words)
        double retryAt = 0;      // platform::now() from which asking again tries the document again; 0 for never
        bool readerStopped = false; // refused as its readers were stopped from outside, no fault of its own
        // 1-based; the first page's size for a page not known yet, A4 for an unknown page.
        QSizeF pageSize(int page) const;
    };
    // How a window bound to an identifier picks a song's version (winid::versionPath).
    struct Binding {
        QString altDir;
        qint64 defPDF = 0;
        qint64 defCHO = 0;
        bool operator==(const Binding &) const = default;
    };

    // `look` stands in for the file system in tests; it runs on the renderer's thread.
    explicit PageRenderer(FileLook look = {}, QObject *parent = nullptr);
    // Readers in the place of the reader's process, for the renderers made from
    // now on (tests; none for PdfProcess): their worker then runs on the
    // renderer's thread, which the readers' calls step through virtual time.
    using MakeReader = std::function<std::unique_ptr<platform::PdfReader>(std::function<bool()> stopped)>;
    static void setReaders(MakeReader make);
    ~PageRenderer() override;

    // ---- What is known of a song file: nullopt after asking, documentReady follows.
    // Asked ahead, it waits behind the visible requests.
    // A PDF's pages. With the page a window shows first of it and the pane
    // that page is fitted into (fitSize), that page is drawn with the load,
    // and page() of it at that size finds it drawn or under way.
    struct FirstPage {
        int page = 0; // 1-based; none when 0
        QSizeF pane;
        qreal devicePixelRatio = 1.0;
    };
    std::optional<DocInfo> documentInfo(const QString &path, bool ahead, const FirstPage &first);
    std::optional<DocInfo> documentInfo(const QString &path, bool ahead = false) { return documentInfo(path, ahead, FirstPage()); }
    // A ChordPro song's bytes (at most ChordPro::kMaxSongBytes).
    std::optional<platform::FileBytes> songText(const QString &path, bool ahead = false);
    // The file a window bound so shows for the song at path ("" for none).
    std::optional<QString> version(const QString &path, const Binding &binding, bool ahead = false);
    // The same answer if known already, without asking for it.
    std::optional<QString> knownVersion(const QString &path, const Binding &binding) const;
    // Forgets the ChordPro songs read and the versions found: the next ask
    // looks at the files again (an edit saved a song, a version was made).
    void lookAgain();
    // Seconds the look or read under way on the renderer's thread has waited
    // for the file system; 0 when none is under way.
    double fileSystemSilence() const;
    // A silence this long is said to the performer (songfile::noAnswer), looked
    // at every kNoAnswerPoll seconds while an answer is awaited.
    static constexpr double kNoAnswerSeconds = 0.5;
    static constexpr double kNoAnswerPoll = 0.1;

    // ---- Pages ----------------------------------------------------------------
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
    // Keeps what is known of these files (documents, texts, versions) and
    // forgets the others (and their images); the kept ones are looked at again.
    // `shown` is the song's file on screen now, when known.
    // `ahead`: those of them kept for the keys forward, loaded in the reader also at rest.
    void keepOnly(const QSet<QString> &paths, const QString &shown = QString(), const QSet<QString> &ahead = {});

    // Visible requests answered from what was rendered (hits) and those that
    // had to wait for a render (misses), for tests and measurements.
    struct Stats {
        qint64 hits = 0;
        qint64 misses = 0;
    };
    Stats stats() const { return stats_; }
    void resetStats() { stats_ = Stats(); }
    int imageCount() const { return int(images_.size()); }
    // The PDF reader process of the renderer's call under way or last made, -1 when none runs (for tests).
    int readerPid() const;
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
    // A larger PDF is not read: the documents kept open are held in memory.
    static constexpr qint64 kMaxDocumentBytes = platform::PdfProcess::kMaxDocumentBytes;
    // How long loading a document, and rendering a page, may take before the
    // document is given up (shorter in tests); the program's own at start.
    static void setGiveUpTimes(int loadMs = 5000, int renderMs = 20000);
    inline static std::atomic<int> loadLimitMs{5000};
    inline static std::atomic<int> renderLimitMs{20000};

signals:
    // What was asked of a file (document, text or version) is known.
    void documentReady(const QString &path);
    // A kept file was written again, or its version changed, or its document
    // was given up while its pages were rendered: what was known is forgotten.
    void fileChanged(const QString &path);
    void pageReady(const QString &path, int page);
    // A ChordPro song's header, from the text read for documentReady.
    void songHeaderRead(const QString &path, const PiecesDet::Header &header);
    // A page or document of this file asked on screen is late, in the title
    // row's words, and why.
    void pageLate(const QString &path, const QString &words, PageRenderer::Late why);

private:
    friend class PageRenderWorker;
    struct Key {
        QString path;
        int page = 0;
        QSize size;
        bool operator==(const Key &o) const { return page == o.page && size == o.size && path == o.path; }
    };
    friend size_t qHash(const Key &k, size_t seed) { return qHashMulti(seed, k.path, k.page, k.size.width(), k.size.height()); }
    struct Version {
        Binding binding;
        QString shown;
    };

    // Asks the worker for a file's document or text, once.
    void requestFile(int kind, const QString &path, bool ahead, const FirstPage &first);
    void request(const Key &key, bool ahead);
    void forget(const QString &path);
    void documentOpened(const QString &path, const DocInfo &info);
    void documentGivenUp(const QString &path, const DocInfo &info);
    void sizesKnown(const QString &path, int first, const QList<QSizeF> &sizes);
    void textRead(const QString &path, const platform::FileBytes &file, const PiecesDet::Header &header);
    void versionFound(const QString &path, const Binding &binding, const QString &shown);
    void filesLooked(const QStringList &gone, const QStringList &changed);
    // Opens asked ahead that the worker dropped, their documents no longer kept.
    void opensDropped(const QStringList &paths);
    // `unasked`: drawn with its load, before any window asked for it.
    void pageRendered(const Key &key, const QImage &image, bool unasked = false);
    // The worker's answers in one go: the windows hear of them once all are in
    // place (a first page drawn with its document's load is there when they
    // hear the document is ready, and they do not ask for it again).
    void told(const std::vector<std::function<void(PageRenderer &)>> &answers);
    void say(std::function<void()> signal);
    bool hushed_ = false;
    std::vector<std::function<void()>> unsaid_;
    void touch(const Key &key);
    void evict();

    static MakeReader &readerMaker();
    QThread *thread_ = nullptr; // none when the worker runs on the renderer's thread
    PageRenderWorker *worker_ = nullptr;
    QHash<QString, DocInfo> docs_;
    QHash<QString, platform::FileBytes> texts_;
    QHash<QString, Version> versions_;
    QSet<QString> filePending_;
    QSet<QString> filePendingAhead_;
    QSet<QString> versionPending_;
    int keepsPending_ = 0;
    QHash<Key, QImage> images_;
    QList<Key> lru_;
    QSet<Key> pending_;
    QSet<Key> pendingAhead_;
    // Documents refused as their reader was stopped that keep the pages drawn
    // before, until they are tried again (platform::now()).
    QHash<QString, double> keptUntil_;
    QSet<QString> kept_;
    qint64 imageBytes_ = 0;
    Stats stats_;
};
