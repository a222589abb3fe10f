#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QSizeF>
#include <functional>

namespace platform {

class PdfBytes;

// A PDF reader as its caller sees it: calls on documents that answer, give
// way or end the reader's process (PdfProcess, the one the program runs; the
// tests' walks put one in virtual time in its place).
class PdfReader {
public:
    enum class Outcome {
        Done,
        Damaged,       // the PDF library could not load it
        NeedsPassword, // encrypted
        GivenUp,       // no answer in time, or the child ended on it for a cause that may not be the document's
        OutOfMemory,   // the child, holding this document alone, ran out of its memory ceiling on it
        Interrupted,   // gave way to the caller's interrupt: left running, nothing is blamed
        Killed,        // a SIGKILL the program did not send ended the child (the system's killer): nothing is blamed
        Stalled,       // watched, the child made no progress for kStallS and was ended: nothing is blamed
        Unavailable,   // the child could not be started
    };
    struct Loaded {
        Outcome outcome = Outcome::GivenUp;
        int pageCount = 0;
        QList<QSizeF> pageSizes; // in points, of the first pages asked for, when Done
    };
    struct Sizes {
        Outcome outcome = Outcome::GivenUp;
        QList<QSizeF> sizes; // in points, when Done
    };
    struct Rendered {
        Outcome outcome = Outcome::GivenUp;
        QImage image; // when Done: ARGB32_Premultiplied, null for a page it could not render
    };
    enum class Call { Load, Sizes, Render };
    // A page to draw in the same go as a load (0-based, none when negative):
    // at `size`, or, with none, fitted into `fit` at `ratio` (fitSize) once its
    // size in the document is known, when the load answers it.
    struct Page {
        int page = -1;
        QSize size;
        bool annotations = false;
        int timeoutMs = 0;
        QSizeF fit{};
        qreal ratio = 1.0;
    };

    virtual ~PdfReader() = default;

    virtual void setInterrupt(std::function<bool()> interrupted) = 0;
    virtual void setProgressWatch(std::function<bool()> watched) = 0;
    virtual bool busy() const = 0;
    virtual bool runs(Call call, quint32 id, int at = 0, QSize size = QSize(), bool annotations = false) const = 0;
    virtual bool answered() const = 0;
    virtual bool settle() = 0;
    virtual bool heldAlone() const = 0;
    virtual int documents() const = 0;
    virtual void end() = 0;
    // Ends the child from another thread, whatever the reader's own thread is held in.
    virtual void kill() = 0;
    virtual double stillFor() const = 0;
    // Seconds on the time its calls run in (their limits, how long one ran):
    // a child works in real time, whatever clock the program's notices go by.
    virtual double now() const = 0;
    virtual Loaded load(quint32 id, const PdfBytes &bytes, int timeoutMs, int sizes, const Page &then) = 0;
    Loaded load(quint32 id, const PdfBytes &bytes, int timeoutMs, int sizes = -1) { return load(id, bytes, timeoutMs, sizes, Page()); }
    virtual Sizes pageSizes(quint32 id, int first, int count, int timeoutMs) = 0;
    virtual Rendered render(quint32 id, int page, QSize size, int timeoutMs, bool annotations = false) = 0;
    virtual void close(quint32 id) = 0;
    virtual bool loaded(quint32 id) = 0;
    virtual int pid() const = 0;
};

} // namespace platform
