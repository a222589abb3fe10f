#pragma once

#include "library/SongFileCheck.h"
#include "platform/PdfReader.h"
#include "platform/RegularFile.h"
#include "windows/PageRenderer.h"
#include "windows/ReaderPolicy.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

// Lives in the renderer's thread: looks at and reads the song files, has
// the documents opened and the pages asked for rendered, visible requests
// first, by the PDF reader's process (platform::PdfProcess), which it ends
// when a document does not finish. Only this thread touches the file system
// and the documents.
//
// The reader is fair to the songs around a document that holds it: a call
// asked ahead gives way at once to a page on screen, and a call on screen
// gives way, after a moment, to another song's page on screen waiting (the
// one given way goes on behind it, still on screen, and makes none give way
// in turn). A call that gives way is
// not ended: it goes on in its reader, and what cannot wait is served by
// the other one (two per window: the pages on screen are served first by
// the one, the loads asked ahead by the other), so a give-way costs no
// document loaded. A reader that gives up is not taken for the document's
// fault until a fresh reader, holding that document alone, gives up on it
// too; a document's tries and the reader time its load used are kept with
// it across give-ways. A document so refused is remembered by its file's
// stamp and tried again once a while has passed, when its song is on
// screen. A reader killed from outside, or stalled under a page on screen,
// is never the document's fault: a fresh one takes over, a few times.
//
// Which reader serves, which call gives way and which reader is ended are
// the rules of readerpolicy; this class carries them out. A page on screen
// waits for no bad file's call (that reader is ended, its documents loaded
// again from memory) and for a sound call left running only while it is
// taken up; a call asked ahead that it joins is watched for a stall from then
// on, and a document's load time runs only while its reader works on it.
class PageRenderWorker : public QObject {
public:
    enum Kind { Open, Read, Find, Render, Keep, Sizes };
    struct Job {
        Kind kind = Open;
        PageRenderer::Key key;
        QSet<QString> keep;
        PageRenderer::Binding binding;
        bool gaveWay = false; // on screen, it had its moment and gave way
        PageRenderer::FirstPage first{}; // of an open: the page drawn with its load
        bool unasked = false;          // a render of the page drawn with its load, asked by no window yet
    };

    // `make`, when given, makes the readers in the place of PdfProcess (tests).
    PageRenderWorker(PageRenderer *owner, PageRenderer::FileLook look, const PageRenderer::MakeReader &make = {});
    // The readers' processes end with readers_.
    ~PageRenderWorker() override;

    void enqueue(Job job, bool ahead);
    // Drops the renders asked ahead; the rest asked ahead stays (its answer is awaited).
    QList<PageRenderer::Key> clearAhead();
    // Drops the pages on screen of files no longer kept, the one under way
    // too: a walk past bad songs leaves none of their pages drawn for nothing.
    // `ahead`: the songs kept for the keys forward, which stay loaded at idle.
    // What waited for its song to be shown goes on now, or is let go with it
    // (a document's ask among the keys answered, as page 0).
    QList<PageRenderer::Key> dropPagesNotKept(const QSet<QString> &kept, const QString &shown = QString(),
                                              const QSet<QString> &ahead = {});

    // The owner is going: nothing more is done for it, nor told to it.
    // Answers whether the job under way is in a call into the file system:
    // it may be held there, and is not waited for.
    bool stop();

    // When the look or read under way began (platform::now()), and of what; negative when none is.
    double askedSince() const { return askedSince_; }
    QString asking() const;
    int readerPid() const { return readerPid_; }

    // A load on screen not answered this long is said to be slow.
    static constexpr double kSlowS = 1.0;
    // How long a page on screen holds the reader before another song's page asked since goes first.
    static constexpr int kYieldMs = int(readerpolicy::kYieldS * 1000);
    // Sizes of pages the load answers at once; the others, up to a step past
    // each page drawn, come in steps asked ahead, so a page waits for one step at most.
    static constexpr int kSizesAtLoad = 4;
    static constexpr int kSizesPerStep = 16;
    // The documents kept in memory, whatever their count (less in tests).
    static constexpr qint64 kMaxDocumentBytesKept = 256ll * 1024 * 1024;
    inline static std::atomic<qint64> documentBytesKept{kMaxDocumentBytesKept};

private:
    // A document and the file it was read from: the whole file is read once
    // into memory shared with the reader's process, so that a reader ended
    // on another document loads it again without a read.
    struct Doc {
        platform::FileBytes file; // how the read went, and the first bytes only
        platform::PdfBytes bytes; // the whole file, while it may be loaded
        quint32 id = 0;           // in the reader's process
        bool loading = false;     // read, and its load was given way before it ended
        int sizesWanted = 0;      // the pages whose sizes are asked: those near the pages drawn
        PageRenderer::DocInfo info;
        // Of its load since it last succeeded or its file changed: the readers
        // that gave up on it, the reader time of the pieces ended before, and
        // since when it runs now (platform::now(), negative when it does not).
        int givenUp = 0;
        double loadUsed = 0;
        double loadSince = -1;
        bool retried = false; // refused before, and tried again
        double slowToldAt = -1; // when the window was last told its load on screen is slow
    };
    // How far a document's load went before it was closed unfinished, and of which file.
    struct Tries {
        platform::FileStamp stamp;
        int givenUp = 0;
        double loadUsed = 0;
    };
    // What the reader refused, and of which file.
    struct Refusal {
        platform::FileStamp stamp;
        PageRenderer::DocInfo info;
    };
    struct Found {
        PageRenderer::Binding binding;
        QString shown;
    };
    // Ends the job of a worker stopped at or in a call into the file system or the reader.
    struct Stopped {};
    // Ends a job whose call into the reader gave way: it goes on later, as asked ahead.
    struct GaveWay {};
    // Ends a job of a song not shown, whose document's next try waits for it to be.
    struct Left {};

    using ReaderCall = platform::PdfReader::Call;
    // The reader for a call on a document, as readerpolicy::place decides.
    platform::PdfReader &readerFor(ReaderCall call, const Doc &open, int at = 0, QSize size = QSize());
    // A reader as the policy sees it, for a call on `asked` (when given).
    readerpolicy::Reader stateOf(platform::PdfReader &reader, const Doc *asked = nullptr, ReaderCall call = ReaderCall::Load,
                                 int at = 0, QSize size = QSize());
    // `running`: the piece of its load under way counts, its child not having answered.
    static readerpolicy::Doc costOf(const Doc &open, bool running = true);
    // Takes up the call left running in a reader (the load or the page it
    // belongs to, as readerpolicy::takeUp says), else settles it: within readerpolicy::kPickUpMs.
    void pickUp(platform::PdfReader &reader);
    // The job under way, and a job waiting, as the policy sees them.
    readerpolicy::Work runningWork() const;
    static readerpolicy::Work workOf(const Job &job, bool ahead);
    // The reader call a job makes; none for a text read, a version found or a keep.
    static readerpolicy::Call readerCall(Kind kind);
    bool keptNow(const QString &path) const;
    // Whether the job under way is on screen for the song shown: a song kept beside it is not.
    bool shownNow(const QString &path) const;
    // A job dropped unanswered: the window asks it again when it needs it.
    void forget(const Job &job);
    // Whether the load under way has used its reader time, the pieces before included.
    bool spent() const;
    // The time of a document's load that ran until now is kept as used; none
    // when its child answered (a sound load: the wait for its answer is not its).
    static void stopClock(Doc &open, bool answered = false);
    // Stops the clocks of the loads a reader runs before it is given other work or ended, but `keep`'s.
    void stopClocksOf(platform::PdfReader &reader, const Doc *keep = nullptr);

    bool take(Job &job);
    // Takes out of a queue the renders `drop` picks, answering their keys.
    static QList<PageRenderer::Key> takeRenders(std::deque<Job> &queue, const std::function<bool(const Job &)> &drop);
    bool yields() const;
    bool runningAhead() const;
    // Whether a page or a document on screen waits for the job under way.
    bool pageWaits() const;
    // Tells the window, each kSlowS, while the load or the page drawn under way on screen has run that long,
    // and of a load at once after a song change or a page asked on screen: a song arrived on while its
    // load was asked for the pane beside lays its panes out without waiting for the next word.
    void sayIfSlow();
    void tell(std::function<void(PageRenderer &)> fn);
    // Posts what tell held, in one go.
    void release();

    template <typename Call>
    auto ask(const QString &path, Call call);
    std::optional<platform::FileStamp> look(const QString &path);

    void drain();
    void letGoIdle();
    void opened(const QString &path, const PageRenderer::FirstPage &first);
    void read(const QString &path);
    QString versionOf(const QString &path, const PageRenderer::Binding &b);
    void found(const QString &path, const PageRenderer::Binding &binding);
    void render(const PageRenderer::Key &key, bool unasked = false);
    void sizes(const QString &path);
    void wantSizes(const QString &path, Doc &open, int page);
    // `superseded`: a later keep is queued, and this one is passed over.
    void keepOnly(const QSet<QString> &keep, bool superseded = false);
    bool superseded() const;

    // The document of a path, owned by docs_; null when none is open.
    Doc *documentAt(const QString &path) const;
    // Closes a document no longer kept; its load's tries stay known by its file's stamp.
    // Takes its path by value: callers hand it keys of the lists it changes.
    void drop(QString path);
    static bool ready(const Doc *open) { return open && open->info.ok; }
    void readPdf(const QString &path, const std::optional<platform::FileStamp> &stamp, Doc &open);
    // Whether the reader's call gave an answer to take, else ends the job as it must.
    void check(platform::PdfReader::Outcome outcome);
    // Whether the reader was killed or stalled, which blames nothing: said in
    // the log, and to the window when a page on screen waits for it.
    bool stoppedOutside(platform::PdfReader::Outcome outcome, const QString &path);
    // With the page it is loaded for, the reader draws that page in the same go.
    // A page's kills so far are counted with its load's, when the page is drawn with it.
    void load(const QString &path, Doc &open, platform::PdfReader *reader = nullptr, const platform::PdfReader::Page &then = {},
              readerpolicy::Outside *killsSoFar = nullptr);
    // The page of a render, as a load draws it.
    static platform::PdfReader::Page drawnWith(const PageRenderer::Key &key);
    void refuse(const QString &path, Doc &open, songfile::PdfLoad why);
    Doc *document(const QString &path, const std::optional<platform::FileStamp> &stamp, const platform::PdfReader::Page &then = {});
    // Past the count or the bytes kept, the documents used least lately go; `keep` stays.
    void evictDocuments(const QString &keep);

    // Tells on the worker's thread held to go with the next job's (its first
    // page answered with a document's load), released once that job is done.
    bool holding_ = false;
    PageRenderer::Key heldFor_;
    std::vector<std::function<void(PageRenderer &)>> heldTells_;
    std::mutex ownerMutex_;
    PageRenderer *owner_;
    PageRenderer::FileLook look_;

    mutable std::mutex mutex_;
    std::deque<Job> visible_;
    std::deque<Job> ahead_;
    // Asked on screen for a song not shown (the one beside, or one the window
    // asks before it says the song changed) whose next try waits for its song:
    // taken up once it is shown, let go once it is not kept.
    std::deque<Job> waitingShown_;
    // The job under way, for the reader to know when to give way; no longer
    // ahead once the same is asked on screen.
    bool running_ = false;
    Kind runningKind_ = Open;
    PageRenderer::Key runningKey_;
    bool runningAhead_ = false;
    bool runningGaveWay_ = false;
    bool runningDropped_ = false; // its song no longer kept
    // The page pickUp holds out of the queues while its call is taken up: a
    // clear or a song change meanwhile drops it as it drops the pages queued.
    const Job *held_ = nullptr;
    bool heldAhead_ = false;
    bool heldDropped_ = false;
    readerpolicy::Work waiting_;  // another song's page on screen waiting, that may make it give way
    double runningSince_ = 0;
    // The songs kept at the last song change, and those asked since; all are until the first.
    QSet<QString> kept_;
    bool keptKnown_ = false;
    QSet<QString> keptAhead_; // of them, the songs kept for the keys forward
    // The song's file on screen: as the window tells at a song change, else the last page asked on screen.
    QString shown_;
    bool shownTold_ = false;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> askedOnScreen_{false}; // since the last word of a slow load, or a keep
    std::atomic<double> askedSince_{-1.0};
    mutable std::mutex askingMutex_;
    QString asking_;

    // The one owner of the documents; the others name them by their path
    // (docLru_, loadingPath_) or their id in the reader.
    std::unordered_map<QString, std::unique_ptr<Doc>> docs_;
    QHash<QString, platform::FileStamp> stamps_;
    QStringList docLru_;
    QHash<QString, Refusal> refused_;
    QHash<QString, Tries> tries_;
    // The files the owner was told of (nothing for one not there), and the versions.
    QHash<QString, std::optional<platform::FileStamp>> known_;
    QHash<QString, Found> versions_;
    quint32 lastId_ = 0;
    std::atomic<int> readerPid_{-1};
    // Whose load is the call under way: its path, and its id while that call runs (0 when none does).
    QString loadingPath_;
    quint32 loadingId_ = 0;
    Doc *loadingDoc() const;
    double pickUpBy_ = -1; // while a call left running is taken up, until when (callNow())
    // The page the render under way draws, and since when it is on screen with its document loaded (negative when none).
    QString drawingPath_;
    double drawingSince_ = -1;
    bool redrawing_ = false; // its document loaded again in a fresh reader to try it once more: part of the drawing
    platform::PdfReader *reader_ = nullptr; // the reader of the call under way
    // Of the call last asked of each reader: its document, and since when it runs (callNow()).
    quint32 callDoc_[2] = {0, 0};
    double callSince_[2] = {0, 0};
    // A call is asked of a reader: a new one, unless the reader runs it already.
    void asking(platform::PdfReader &reader, quint32 id, bool runsIt);
    // Ends a reader; the loads it ran keep the time they used.
    void end(platform::PdfReader &reader);
    // Ends the calls nobody waits for (their song left, their page not asked
    // again) once the policy says so; looks again while one runs.
    void endLeft();
    // Whether the document is the song shown's, or a job's queued or under way.
    bool wanted(quint32 id) const;
    static constexpr double kLeftCheckS = 0.25;
    // Wake-ups on the platform clock: the idle release (restarted each time the
    // jobs run out) and the look at calls left. A later one of a kind replaces the last.
    struct Wake {
        double due = -1; // on the platform clock; none asked when below 0
        bool armed = false; // a timer of the clock's runs for it
        quint64 clock = 0; // the clock it runs on
    };
    enum { kIdle, kLeft };
    Wake wakes_[2];
    // Reached by wake-ups from the clock's thread while the worker lives.
    struct Alive {
        explicit Alive(PageRenderWorker *w) : worker(w) {}
        std::mutex mutex;
        PageRenderWorker *worker;
    };
    std::shared_ptr<Alive> alive_;
    void wakeIn(Wake &wake, double seconds, void (PageRenderWorker::*fn)());
    void arm(Wake &wake, double seconds, void (PageRenderWorker::*fn)());
    int indexOf(const platform::PdfReader &reader) const;
    // The readers' time, which calls under way are timed on (their pick-up, their
    // moment before giving way, the wait of the song arrived on): a child
    // works in real time whatever clock the notices and the loads' seconds go by.
    double callNow() const { return readers_[0]->now(); }
    std::array<std::reference_wrapper<platform::PdfReader>, 2> readers() const;
    // The first serves the pages on screen, the second the loads asked ahead.
    std::unique_ptr<platform::PdfReader> readers_[2];
};
