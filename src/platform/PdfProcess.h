#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <functional>

namespace platform {

// PDF documents loaded and their pages rendered in a child process
// (tolvane-render), so that a damaged document that keeps the PDF library
// busy for ever, or crashes it, is ended with its process: no thread of the
// program, and no other document, waits on it. The PDF library serialises
// all its calls process-wide, so a thread could not do the same.
//
// Used from one thread; each call waits for the child's answer at most the
// time given, and gives up at once when `stopped` says so (looked at every
// few milliseconds). A call given up ends the child: the documents loaded
// in it are gone (loaded() says so), and the next load starts a fresh one.
class PdfProcess {
public:
    enum class Outcome {
        Done,
        Damaged,       // the PDF library could not load it
        NeedsPassword, // encrypted
        GivenUp,       // no answer in time, or the child ended on it
        Unavailable,   // the child could not be started
    };
    struct Loaded {
        Outcome outcome = Outcome::GivenUp;
        QList<QSizeF> pageSizes; // in points, when Done
    };
    struct Rendered {
        Outcome outcome = Outcome::GivenUp;
        QImage image; // when Done: ARGB32_Premultiplied, null for a page it could not render
    };

    explicit PdfProcess(std::function<bool()> stopped);
    ~PdfProcess();
    PdfProcess(const PdfProcess &) = delete;
    PdfProcess &operator=(const PdfProcess &) = delete;

    // Loads a document from its bytes under a number of the caller's choosing.
    Loaded load(quint32 id, const QByteArray &bytes, int timeoutMs);
    // Renders a page (0-based) of a loaded document at exactly this pixel size,
    // with its annotations (a performer's ink, comments) when asked.
    Rendered render(quint32 id, int page, QSize size, int timeoutMs, bool annotations = false);
    // Forgets a document; asks nothing back.
    void close(quint32 id);
    // Whether the document is loaded in the child running now (one that ended
    // while idle, killed from outside, has none).
    bool loaded(quint32 id);

    // A larger document is not read: it travels whole to the child.
    static constexpr qint64 kMaxDocumentBytes = 512ll * 1024 * 1024;

    // The child's program: beside the running program, else where the build made it.
    static QString program();

private:
    bool start();
    void end();
    bool send(const QByteArray &frame, qint64 deadlineMs);
    bool receive(QByteArray &frame, qint64 deadlineMs);
    // Waits for the socket to be ready; false when the time is out, the caller stops or the child is gone.
    bool wait(short events, qint64 deadlineMs);

    std::function<bool()> stopped_;
    int socket_ = -1;
    int pid_ = -1;
    QSet<quint32> loaded_;
};

// The child's side: answers the requests on the socket it was started with
// until that closes. Returns the process's exit status.
int servePdfRequests(int parentPid);

} // namespace platform
