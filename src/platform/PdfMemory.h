#pragma once

#include "platform/RegularFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// A PDF's bytes as the reader's process maps them, without a copy, so that a
// fresh reader loads the document again from the same pages: the song file
// itself, opened read-only, or a sealed memory file for bytes the program
// made. Copies share the one file.
class PdfBytes {
public:
    PdfBytes() = default;
    // A regular file (readRegularFile's checks and limit) whose pages the
    // program reads in whole first, so that a share that holds the read holds
    // it here, timed, and not in the reader; `file` tells how the read went
    // (its bytes stay empty), and the answer is null unless file.ok(). One
    // written again in place since is read as it is then: its stamp tells.
    static PdfBytes readFile(const QString &path, qint64 maxBytes, FileBytes &file,
                             const std::function<void()> &answered = {});
    // Bytes already in memory (a document written by the program).
    static PdfBytes fromBytes(const QByteArray &bytes);

    bool isNull() const { return !file_; }
    qint64 size() const;
    // -1 when null; closed with the last copy.
    int descriptor() const;

private:
    struct File;
    std::shared_ptr<const File> file_;
};

namespace pdfmemory {

// Where the system refuses the program a read of its children's memory, the
// memory pages are drawn into instead: made once per reader, mapped once on both
// sides and drawn into again for each page (a fresh file per page cost its
// clearing and mapping, more than the page's copy). The child may write there
// at any time, so the program only reads it, and each page is copied out; it
// goes with the child given back, and is never passed to another one alive.
struct PageBuffer {
    int fd = -1;
    void *at = nullptr;
    qint64 size = 0;
    std::weak_ptr<const char> owner; // the thread that made it
    ~PageBuffer();
};

// A buffer that holds a page of this many bytes: `kept` while it fits, else
// one no process maps any more, else a new one; null with errno set when none
// can be made.
std::shared_ptr<PageBuffer> pageBuffer(std::shared_ptr<PageBuffer> kept, qint64 bytes);
// A buffer no process maps any more, kept for the next reader's first page.
void letGo(std::shared_ptr<PageBuffer> buffer);
// A buffer made before a reader asks for one, at the size of the last page
// asked for, so that a fresh child's first page does not wait for it.
std::shared_ptr<PageBuffer> spareBuffer();

// An image of these pixels in memory of its own, or a null one: memory a page
// let go of when one fits (holding only the image's own pages), kept up to
// kPagesKept screen pages (at the size of the last one asked for, a 1920x1080
// pane's at least) and never over kImagePoolBytes.
QImage pageImage(int w, int h);
constexpr qint64 kImagePoolBytes = 32ll << 20; // a few screen pages; a page larger is a print's
constexpr qint64 kPagesKept = 3;
qint64 imagePoolBytes();

// Lets go of the memory kept for pages not asked yet that the calling
// thread's pages had (the images' and the buffers no reader maps), and what
// a thread ended left: the renderer has been idle a while, the other windows'
// pages may still come.
void letGoSpare();

} // namespace pdfmemory

} // namespace platform
