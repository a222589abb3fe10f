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

// An image of these pixels in memory of its own, or a null one: memory a page
// let go of when one fits (holding only the image's own pages), kept up to
// kPagesKept screen pages (at the size of the last one asked for, a 1920x1080
// pane's at least) and never over kImagePoolBytes. The memory is a file sealed
// against shrinking, so that a reader's child writes the page there
// (`descriptor`, when asked, open while the image is), and the page is shown
// from it without a copy.
QImage pageImage(int w, int h, int *descriptor = nullptr);
// Memory for a page of this many bytes (the last screen page's when none)
// cleared and mapped now, and kept for the next page unless some kept serves
// it: that page then does not wait for it.
void readyPageMemory(qint64 bytes = 0);
constexpr qint64 kImagePoolBytes = 32ll << 20; // a few screen pages; a page larger is a print's
constexpr qint64 kPagesKept = 3;
qint64 imagePoolBytes();

// Lets go of the memory kept for pages not asked yet that the calling
// thread's pages had, and what a thread ended left: the renderer has been
// idle a while, the other windows' pages may still come.
void letGoSpare();

} // namespace pdfmemory

} // namespace platform
