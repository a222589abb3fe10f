#include "platform/PdfMemory.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/PdfProcessLimits.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace platform {

using pdfprocess::lastError;

namespace {

// Page memory is made in steps of this, so that pages of nearly one size share it.
constexpr qint64 kPageStep = 1 << 20;

// A memory file that can be sealed, or -1 with errno set.
int memoryFile(const char *name)
{
    return ::memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING);
}

// Kernels from 5.14 fill a mapping on asking; older headers do not name it.
#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// Reads a regular file of at most maxBytes, a block at a time, each an answer
// (a long read from a slow share is not a silent folder). Mapped `at` (`size`
// bytes, as opened: one grown since is read as it was), its pages go into the
// kernel's cache without a copy, for the reader to map the file itself. Where
// the file system maps nothing, or the kernel cannot read a mapping in on
// asking (before 5.14), it is read instead, and written at `copyTo` when given.
FileBytes readAhead(const RegularFile &source, qint64 maxBytes, const std::function<void()> &answered, void *at,
                    qint64 size, int copyTo)
{
    constexpr qint64 kBlock = 1 << 20;
    const auto populate = [at](qint64 from, qint64 n) {
        return ::madvise(static_cast<char *>(at) + from, size_t(n), MADV_POPULATE_READ) == 0;
    };
    if (at == MAP_FAILED || (!populate(0, std::min(size, kBlock)) && errno == EINVAL)) {
        qint64 written = 0;
        return readBlocks(source, maxBytes, answered, [&written, copyTo](const char *data, qint64 n) {
            written += n;
            return copyTo < 0 || writeWholeAt(copyTo, data, n, written - n);
        });
    }
    return readBlocks(source, size, answered, [&](qint64 done, qint64 want) -> qint64 {
        const qint64 n = std::min({kBlock, want, size - done});
        // An error: shrunk under the mapping, or the file system failed.
        return n <= 0 ? 0 : populate(done, n) ? n : -1;
    });
}

} // namespace

// ---- PdfBytes

struct PdfBytes::File {
    int fd = -1;
    qint64 size = 0;
    ~File()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Nothing may change the bytes once a reader may have them.
    bool seal() const { return ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0; }
};

PdfBytes PdfBytes::readFile(const QString &path, qint64 maxBytes, FileBytes &file, const std::function<void()> &answered)
{
    const RegularFile source = RegularFile::open(path);
    const qint64 size = source.ok() ? source.size() : 0;
    if (source.ok() && size > maxBytes) {
        file = FileBytes();
        file.status = FileStatus::TooLarge;
        return PdfBytes();
    }
    void *at = size > 0 ? ::mmap(nullptr, size_t(size), PROT_READ, MAP_SHARED, source.descriptor(), 0) : MAP_FAILED;
    auto made = std::make_shared<File>();
    // A file system that maps nothing (some shares): its bytes go into a sealed memory file instead.
    const bool copied = size > 0 && at == MAP_FAILED;
    if (copied && (made->fd = memoryFile("tolvane-pdf")) < 0) {
        file = FileBytes();
        file.status = FileStatus::Unreadable;
        file.error = lastError(errno);
        return PdfBytes();
    }
    file = readAhead(source, maxBytes, answered, at, size, made->fd);
    if (at != MAP_FAILED)
        ::munmap(at, size_t(size));
    if (file.ok() && !copied)
        made->fd = ::fcntl(source.descriptor(), F_DUPFD_CLOEXEC, 0);
    made->size = copied ? ::lseek(made->fd, 0, SEEK_END) : size;
    if (file.ok() && (made->fd < 0 || (copied && !made->seal()))) {
        file.status = FileStatus::Unreadable;
        file.error = lastError(errno);
    }
    if (!file.ok())
        return PdfBytes();
    PdfBytes bytes;
    bytes.file_ = std::move(made);
    return bytes;
}

PdfBytes PdfBytes::fromBytes(const QByteArray &data)
{
    auto made = std::make_shared<File>();
    made->fd = memoryFile("tolvane-pdf");
    made->size = data.size();
    if (made->fd < 0 || !writeWholeAt(made->fd, data.constData(), data.size(), 0) || !made->seal()) {
        TLOG(QStringLiteral("PdfBytes: no memory file: %1").arg(lastError(errno)));
        return PdfBytes();
    }
    PdfBytes bytes;
    bytes.file_ = std::move(made);
    return bytes;
}

qint64 PdfBytes::size() const
{
    return file_ ? file_->size : 0;
}

int PdfBytes::descriptor() const
{
    return file_ ? file_->fd : -1;
}

// ---- Page memory

namespace pdfmemory {

namespace {

// The memory of page images let go of, kept for the next pages: memory fresh
// from the kernel is cleared page by page at first touch, which cost several
// times the copy into it. Bounded by its bytes, the largest going first: a
// print's pages would otherwise stay for the evening, serving no screen page,
// and a walk through many songs would keep the bound's worth for nothing.
struct ImageMemory {
    int fd = -1;        // the memory file mapped
    void *at = nullptr;
    size_t size = 0;    // mapped
    size_t touched = 0; // of it, from its start: what it costs
    std::weak_ptr<const char> owner; // the thread its image was made on; none for anyone's
};
struct ImagePool {
    std::mutex mutex;
    std::vector<ImageMemory> kept;
    size_t bytes = 0;
};

void unmap(const ImageMemory &m)
{
    ::munmap(m.at, m.size);
    ::close(m.fd);
}

// Each renderer's thread: its idle lets go of the memory its own pages had,
// not what the other windows use. One of a thread that has ended is anyone's.
const std::shared_ptr<const char> &thisThread()
{
    thread_local const std::shared_ptr<const char> token = std::make_shared<char>();
    return token;
}

bool ownsOrNobody(const std::weak_ptr<const char> &owner)
{
    const std::shared_ptr<const char> held = owner.lock();
    return !held || held == thisThread();
}

// A pane's page of a 1920x1080 window.
constexpr qint64 kPanePageBytes = 4 << 20;
// The last screen page asked for (not a print's); a pane's before the first.
std::atomic<qint64> lastPageBytes{kPanePageBytes};

// Enough for the pages of a song change at the screen's size, on a small screen
// too (a thumbnail's page asked last does not empty it).
size_t poolBound()
{
    const qint64 page = std::max(kPanePageBytes, (lastPageBytes + kPageStep - 1) / kPageStep * kPageStep);
    return size_t(std::min(kImagePoolBytes, kPagesKept * page));
}

// Never destroyed: an image may go after the statics.
ImagePool &imagePool()
{
    static ImagePool *const pool = new ImagePool;
    return *pool;
}

void releaseImage(void *info)
{
    const std::unique_ptr<ImageMemory> memory(static_cast<ImageMemory *>(info));
    std::vector<ImageMemory> gone;
    {
        ImagePool &pool = imagePool();
        const std::lock_guard lock(pool.mutex);
        pool.kept.push_back(*memory);
        pool.bytes += memory->touched;
        while (pool.bytes > poolBound()) {
            const auto largest = std::max_element(pool.kept.begin(), pool.kept.end(),
                                                  [](const ImageMemory &a, const ImageMemory &b) { return a.touched < b.touched; });
            pool.bytes -= largest->touched;
            gone.push_back(*largest);
            pool.kept.erase(largest);
        }
    }
    for (const ImageMemory &m : gone)
        unmap(m);
}

// Has the kernel give `bytes` from `at` their pages now rather than at each first touch.
bool populate(void *at, size_t bytes)
{
    if (bytes == 0 || ::madvise(at, bytes, MADV_POPULATE_WRITE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A kernel before 5.14: touched a page at a time.
    const long page = ::sysconf(_SC_PAGESIZE);
    for (size_t i = 0; i < bytes; i += size_t(page))
        static_cast<volatile char *>(at)[i] = 0;
    return true;
}

// Kept memory that serves a page of `bytes` without holding far more.
bool serves(const ImageMemory &m, size_t bytes)
{
    return m.size >= bytes && (m.size / 2 < bytes || m.size <= size_t(kPageStep));
}

// Memory for `bytes`, its first ones populated: kept memory that serves, else new.
std::unique_ptr<ImageMemory> memoryFor(size_t bytes)
{
    const auto page = size_t(::sysconf(_SC_PAGESIZE));
    // Only the image's own pages cost memory: a block taken for a smaller one lets the rest go.
    const size_t used = (bytes + page - 1) / page * page;
    auto memory = std::make_unique<ImageMemory>();
    {
        ImagePool &pool = imagePool();
        const std::lock_guard lock(pool.mutex);
        const auto it = std::find_if(pool.kept.begin(), pool.kept.end(), [bytes](const ImageMemory &m) { return serves(m, bytes); });
        if (it != pool.kept.end()) {
            *memory = *it;
            pool.bytes -= it->touched;
            pool.kept.erase(it);
        }
    }
    if (!memory->at) {
        memory->size = (bytes + size_t(kPageStep) - 1) / size_t(kPageStep) * size_t(kPageStep);
        memory->fd = memoryFile("tolvane-page");
        // No file a child could shrink under the program's mapping.
        if (memory->fd < 0 || ::ftruncate(memory->fd, off_t(memory->size)) != 0
            || ::fcntl(memory->fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0
            || (memory->at = ::mmap(nullptr, memory->size, PROT_READ | PROT_WRITE, MAP_SHARED, memory->fd, 0)) == MAP_FAILED) {
            if (memory->fd >= 0)
                ::close(memory->fd);
            return nullptr;
        }
    }
    auto *at = static_cast<uchar *>(memory->at);
    // The file's pages beyond, not only their mapping, go.
    if (memory->touched > used)
        ::madvise(at + used, memory->touched - used, MADV_REMOVE);
    else if (!populate(at + memory->touched, used - memory->touched)) {
        unmap(*memory);
        return nullptr;
    }
    memory->touched = used;
    return memory;
}

} // namespace

QImage pageImage(int w, int h, int *descriptor)
{
    const size_t bytes = size_t(w) * size_t(h) * 4;
    if (qint64(bytes) <= kImagePoolBytes)
        lastPageBytes = qint64(bytes);
    std::unique_ptr<ImageMemory> memory = memoryFor(bytes);
    if (!memory)
        return QImage();
    memory->owner = thisThread();
    if (descriptor)
        *descriptor = memory->fd;
    auto *at = static_cast<uchar *>(memory->at);
    return QImage(at, w, h, w * 4, QImage::Format_ARGB32_Premultiplied, &releaseImage, memory.release());
}

void readyPageMemory(qint64 bytes)
{
    if (bytes <= 0)
        bytes = lastPageBytes;
    // A page past what the pool keeps (a print's) would be readied only to be let go.
    if (bytes > kImagePoolBytes)
        return;
    {
        ImagePool &pool = imagePool();
        const std::lock_guard lock(pool.mutex);
        if (std::any_of(pool.kept.begin(), pool.kept.end(), [bytes](const ImageMemory &m) { return serves(m, size_t(bytes)); }))
            return;
    }
    // Anyone's: whoever idles first lets it go.
    if (std::unique_ptr<ImageMemory> memory = memoryFor(size_t(bytes)))
        releaseImage(memory.release());
}

qint64 imagePoolBytes()
{
    ImagePool &pool = imagePool();
    const std::lock_guard lock(pool.mutex);
    return qint64(pool.bytes);
}

void letGoSpare()
{
    std::vector<ImageMemory> images;
    {
        ImagePool &pool = imagePool();
        const std::lock_guard lock(pool.mutex);
        const auto mine = std::stable_partition(pool.kept.begin(), pool.kept.end(),
                                                [](const ImageMemory &m) { return !ownsOrNobody(m.owner); });
        for (auto it = mine; it != pool.kept.end(); ++it) {
            pool.bytes -= it->touched;
            images.push_back(*it);
        }
        pool.kept.erase(mine, pool.kept.end());
    }
    for (const ImageMemory &m : images)
        unmap(m);
}

} // namespace pdfmemory

} // namespace platform
