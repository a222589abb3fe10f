#pragma once

#include "platform/PdfMemory.h"
#include "platform/PdfReader.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QHash>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

namespace pdfchild {
struct Child;
}

// PDF documents loaded and their pages rendered in a child process
// (tolvane-render), so that a damaged document that keeps the PDF library
// busy for ever, crashes it or eats memory is ended with its process: no
// thread of the program, and no other document, waits on it. The PDF library
// serialises all its calls process-wide, so a thread could not do the same.
//
// The child runs under a memory ceiling (kMemoryCeiling beyond what it uses
// at its start), and the kernel ends it before the program when memory runs
// short. Documents reach it as descriptors it maps (PdfBytes); a page is drawn
// into the memory of the image the program shows it from, which the child
// maps for that page alone: nothing large travels through the socket, the
// program copies no page, and every answer is bounded by what was asked.
//
// Used from one thread; each call waits for the child's answer at most the
// time given, and gives up at once when `stopped` says so (looked at every
// few milliseconds). A call given up ends the child: the documents loaded
// in it are gone (loaded() says so), and the next load takes a fresh one.
// A call that gives way to the caller's interrupt is left running in the
// child, with the documents it holds: asked again, it takes its answer.
// Nothing the child answers is believed beyond what was asked and what any
// document can hold.
class PdfProcess final : public PdfReader {
public:
    explicit PdfProcess(std::function<bool()> stopped);
    ~PdfProcess() override;
    PdfProcess(const PdfProcess &) = delete;
    PdfProcess &operator=(const PdfProcess &) = delete;

    // Looked at as `stopped` is, while a call waits for its answer: when it
    // says so the call answers Interrupted and goes on in the child (a
    // request that cannot wait came). The same call asked again (its document,
    // page and size) waits on for that answer, within its first deadline;
    // another call first waits for it and drops it (giving way again if asked).
    void setInterrupt(std::function<bool()> interrupted) override;
    // Whether a call left running is under way, and whether it is this one
    // (`at` the page rendered or the first size asked, `size` and
    // `annotations` the render's).
    bool busy() const override { return bool(running_); }
    bool runs(Call call, quint32 id, int at = 0, QSize size = QSize(), bool annotations = false) const override;
    // Whether the child has answered the call left running: its work is done, the answer waits to be taken.
    bool answered() const override;
    // Waits for the answer of the call left running and drops it; false when
    // it gave way again. One that does not answer in time ends the child.
    bool settle() override;
    // Whether the last call ran in a child started for this reader that held its document alone.
    bool heldAlone() const override { return alone_; }
    // The documents the child running now holds.
    int documents() const override { return int(loaded_.size()); }
    // Ends the child, whatever it is doing: the documents it held are gone.
    void end() override;
    // Ends the child from another thread, for a reader going away while its
    // own thread is held elsewhere (in a share that does not answer): its next
    // call finds it gone, and it is never given back as the spare.
    void kill() override;
    // Done with the child for now: one idle and sound goes on as the spare,
    // its documents closed, else it is ended. The next call takes another.
    void letGo();
    // While it says so, the child's progress (its CPU time) is watched: one
    // that made none for kStallS on platform::clock() is ended (Stalled).
    void setProgressWatch(std::function<bool()> watched) override;
    static constexpr double kStallS = 3.0;
    // How long the watched child's CPU time has not grown; 0 while unwatched or unknown.
    double stillFor() const override;
    // The steady clock, as the calls' deadlines.
    double now() const override;

    // The pixel size of a page of `pagePoints` fitted into `pane` at a device
    // pixel ratio; empty for an empty or non-finite one. The child and the
    // program work it out alike from the same numbers.
    static QSize fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal ratio);
    // Loads a document under a number of the caller's choosing; answers its
    // page count and the sizes of its first `sizes` pages (all when negative).
    // The child then draws `then` at once, where the sizes come in one answer,
    // and answers it with the load: render() of that page takes what it drew.
    Loaded load(quint32 id, const PdfBytes &bytes, int timeoutMs, int sizes, const Page &then) override;
    using PdfReader::load;
    // The sizes of `count` pages from `first` (0-based) of a loaded document.
    Sizes pageSizes(quint32 id, int first, int count, int timeoutMs) override;
    // Renders a page (0-based) of a loaded document at exactly this pixel size,
    // with its annotations (a performer's ink, comments) when asked.
    Rendered render(quint32 id, int page, QSize size, int timeoutMs, bool annotations = false) override;
    // Forgets a document; asks nothing back.
    void close(quint32 id) override;
    // Whether the document is loaded in the child running now (one that ended
    // while idle, killed from outside, has none).
    bool loaded(quint32 id) override;
    // The child serving this reader, -1 when none runs.
    int pid() const override { return pid_; }

    // A larger document is not read.
    static constexpr qint64 kMaxDocumentBytes = 512ll * 1024 * 1024;
    // What a child may use beyond its start: a document within the cap, what
    // the library builds from it, and a page at the renderer's largest size.
    static constexpr qint64 kMemoryCeiling = 1536ll * 1024 * 1024;
    // A lower ceiling for the children started from now on (tests); 0 for kMemoryCeiling.
    static void setMemoryCeiling(qint64 bytes);
    // No document has more pages: a child that answers a larger count is
    // broken, and ended as for any answer that cannot be. Not bounded by the
    // document's bytes: in object streams a page takes a few bytes.
    static constexpr int kMaxPageCount = 1000000;

    // Has a spare child started off the calling thread, so that the first
    // load costs no start; another is started whenever one is taken. Every
    // child is started by one launcher thread that lives as long as the
    // program: a child's death signal follows that thread, not its reader's.
    static void prepare();
    // The program's end: the spare is ended and reaped, and no other started.
    static void endSpare();
    // How long after a spare is taken the next one starts without the page
    // it waits for (tests: longer than any machine's page); 0 for the program's own.
    static void setSpareAfterMs(qint64 ms);

    // The child's program: beside the running program, else where the build made it.
    static QString program();
    // Another program for the children started from now on (tests); empty for program().
    static void setProgram(const QString &path);
    // Where the children's CPU time is read (tests point it at nothing); empty for /proc.
    static void setProcFolder(const QString &path);

private:
    // Why the last wait ended without the child's answer.
    enum class Halt { None, Stopped, Interrupted, TimedOut, HungUp, Broken, Stalled };
    bool start();
    // Readies the state of a call on this document.
    void begin(quint32 id);
    // Ends the child that did not finish a call; answers whom that blames.
    Outcome giveUp();
    // The child's ceiling refused the call: whom that blames.
    Outcome outOfMemory();
    // Whether the child made no progress for kStallS while watched.
    bool stalled();
    // The descriptors go with the frame.
    bool send(const QByteArray &frame, qint64 deadlineMs, std::initializer_list<int> fds = {});
    // One frame of at most maxLength bytes; a longer one ends the child. Gives
    // way to the interrupt, when `interruptible`, only before the frame begins.
    bool receive(QByteArray &payload, quint32 maxLength, qint64 deadlineMs, bool interruptible = false);
    // Waits for the socket to be ready; false when the time is out, the caller
    // stops or interrupts (when `interruptible`), or the child is gone.
    bool wait(short events, qint64 deadlineMs, bool interruptible = false);
    Sizes sizesUntil(quint32 id, int first, int count, qint64 deadlineMs);
    // Why a call had no answer: Interrupted when it goes on, else what giveUp() says.
    Outcome halted();

    std::function<bool()> stopped_;
    std::function<bool()> interrupted_;
    std::function<bool()> watched_;
    std::shared_ptr<pdfchild::Child> child_;
    // child_ is set and taken under it, as kill() looks at it from another thread.
    std::mutex childMutex_;
    std::atomic<bool> killed_{false}; // by kill(), though it may not have gone yet
    // `toKeep`: none when it was killed meanwhile, so that a dead child is never the spare.
    std::shared_ptr<pdfchild::Child> childGone(bool toKeep = false);
    int socket_ = -1;
    int pid_ = -1;
    Halt halt_ = Halt::None;
    // The call sent whose answer is awaited.
    struct Running {
        Call call = Call::Load;
        quint32 id = 0;
        int at = 0;
        QSize size;
        bool annotations = false;
        int count = 0;      // sizes asked: at the load, or in all of a Sizes call
        int done = 0;       // of a Sizes call, the sizes answered before this frame
        QList<QSizeF> sizes; // and what they were
        qint64 deadlineMs = 0;
        Page then = Page(); // of a load, the page drawn once it is loaded
        // Of a render, or a load with its page, the memory the child draws the
        // page into: held until the child has answered or is ended.
        QImage image = QImage();
    };
    std::optional<Running> running_;
    bool givenBack_ = false; // the child served an earlier reader: what that left in it counts against the ceiling
    bool alone_ = false;     // the call's document is the only one in a child started for this reader
    bool freshNext_ = false; // the next child is not one given back
    // The watched child's CPU time, and when it last grew (platform::now()); negative while unwatched.
    double progressAt_ = -1;
    qint64 cpuTicks_ = -1;
    qint64 sampledMs_ = 0;
    int stillSamples_ = 0;
    QHash<quint32, int> loaded_; // the page counts of the documents the child holds
    bool spareOwed_ = false; // the next spare waits for this child's first page
    qint64 largestPage_ = 0; // of those this child drew: the memory it may keep
};

// The child's side: answers the requests on the socket it was started with
// until that closes, under the memory ceiling given. Returns the process's exit status.
int servePdfRequests(int parentPid, qint64 memoryCeiling);

} // namespace platform
