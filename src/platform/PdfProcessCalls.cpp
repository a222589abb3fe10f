// PdfProcess: the calls on a document, from its load to its close.
#include "platform/PdfProcess.h"

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/PdfChildren.h"
#include "platform/PdfProcessLimits.h"
#include "platform/PdfWire.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

using namespace pdfwire;
using namespace pdfprocess;

namespace {

bool readSizes(const QByteArray &reply, qsizetype &at, qint32 count, QList<QSizeF> &sizes)
{
    if (reply.size() - at != qsizetype(count) * kSizeBytes)
        return false;
    for (qint32 i = 0; i < count; ++i) {
        double w = 0, h = 0;
        get(reply, at, w);
        get(reply, at, h);
        // No page is sized so: the child is broken.
        if (!std::isfinite(w) || !std::isfinite(h) || w < 0 || h < 0)
            return false;
        sizes.append(QSizeF(w, h));
    }
    return true;
}

} // namespace

QSize PdfProcess::fitSize(const QSizeF &pagePoints, const QSizeF &pane, qreal ratio)
{
    auto finite = [](const QSizeF &s) { return std::isfinite(s.width()) && std::isfinite(s.height()); };
    if (!finite(pagePoints) || !finite(pane) || !std::isfinite(ratio) || ratio <= 0 || pagePoints.isEmpty() || pane.isEmpty())
        return QSize();
    const QSizeF fitted = pagePoints.scaled(pane, Qt::KeepAspectRatio) * ratio;
    // Past any image's side: nothing to draw, rather than a number out of range.
    constexpr qreal kBeyond = 1 << 24;
    if (!(fitted.width() < kBeyond && fitted.height() < kBeyond))
        return QSize();
    return QSize(std::max(1, qRound(fitted.width())), std::max(1, qRound(fitted.height())));
}

PdfProcess::Loaded PdfProcess::load(quint32 id, const PdfBytes &bytes, int timeoutMs, int sizes, const Page &then)
{
    Loaded r;
    halt_ = Halt::None;
    const qint32 asked = sizes < 0 ? kSizesPerAnswer : std::min(sizes, kSizesPerAnswer);
    // No sizes asked after the load's answer: the page's answer comes next. A page
    // allowed less time than the load's answer waits for it is asked after the load.
    // A page fitted into a pane is one of the sizes answered, and the pane bounds its memory.
    const QSize bound = then.size.isEmpty() ? fitSize(then.fit, then.fit, then.ratio) : then.size;
    const bool fitted = then.size.isEmpty() && !bound.isEmpty() && then.page < asked;
    const QSize room(std::max(bound.width(), 0) + fitted, std::max(bound.height(), 0) + fitted);
    const bool drawn = then.page >= 0 && then.timeoutMs >= kLoadWaitsForPageMs && (!then.size.isEmpty() || fitted) && qint64(room.width()) * room.height() * 4 <= kMaxPageBytes
                       && sizes >= 0 && sizes <= kSizesPerAnswer;
    if (!runs(Call::Load, id) || running_->count != asked) {
        if (!settle()) {
            r.outcome = Outcome::Interrupted;
            return r;
        }
        // Not this document's fault: a child ended while idle is started again.
        loaded(id);
        if ((!child_ || !child_->greeted) && !start()) {
            r.outcome = halt_ == Halt::Interrupted ? Outcome::Interrupted
                        : halt_ == Halt::Stalled   ? Outcome::Stalled
                        : stopped_()               ? Outcome::GivenUp
                                                   : Outcome::Unavailable;
            return r;
        }
        loaded_.remove(id);
        begin(id);
        if (bytes.isNull()) {
            r.outcome = Outcome::Damaged;
            return r;
        }
        const qint64 deadline = nowMs() + timeoutMs;
        // The page's memory, which the child draws it into: none, no page drawn with the load.
        int memory = -1;
        QImage image = drawn ? pdfmemory::pageImage(room.width(), room.height(), &memory) : QImage();
        QByteArray request = frame(Load);
        put<quint32>(request, id);
        put<qint32>(request, asked);
        put<qint32>(request, !image.isNull() ? then.page : kNoPage);
        put<qint32>(request, then.size.width());
        put<qint32>(request, then.size.height());
        put<quint8>(request, then.annotations ? 1 : 0);
        put<double>(request, fitted ? then.fit.width() : 0.0);
        put<double>(request, fitted ? then.fit.height() : 0.0);
        put<double>(request, fitted ? then.ratio : 0.0);
        seal(request);
        if (!send(request, deadline, {bytes.descriptor(), memory})) {
            r.outcome = giveUp();
            return r;
        }
        running_ = Running{Call::Load, id, 0, QSize(), false, asked, 0, {}, deadline};
        if (!image.isNull()) {
            running_->then = then;
            running_->image = std::move(image);
            // The next page's memory readied while the child draws this one.
            pdfmemory::readyPageMemory(qint64(room.width()) * room.height() * 4);
        }
    }
    const qint64 deadline = running_->deadlineMs;
    // A page drawn with the load is answered with it, or the load alone once the page takes long.
    const qint64 answerBy = deadline + (running_->then.page >= 0 ? 2 * kLoadWaitsForPageMs : 0);
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, count = 0, given = 0;
    if (!receive(reply, kLoadHead + quint32(asked) * kSizeBytes, answerBy, true)) {
        r.outcome = halted();
        return r;
    }
    // Its page's memory, held until the child has answered the page or is ended.
    Running was = std::move(*running_);
    running_.reset();
    Page after = was.then;
    if (!get(reply, at, op) || op != Load || !get(reply, at, replyId) || replyId != id || !get(reply, at, status)
        || !get(reply, at, count) || !get(reply, at, given) || count < 0
        || given != (status == Ready ? std::min(asked, count) : 0) || !readSizes(reply, at, given, r.pageSizes)) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    // A count past any document's is the child's lie, as a malformed answer is: it is ended, nothing believed.
    if (count > kMaxPageCount) {
        TLOG(QStringLiteral("PdfProcess: the reader answers %1 pages, and is ended").arg(QString::number(count)));
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    switch (status) {
    case Ready: break;
    case Locked: r.outcome = Outcome::NeedsPassword; return r;
    case OutOfMemory: r.outcome = outOfMemory(); return r;
    default: r.outcome = Outcome::Damaged; return r;
    }
    loaded_.insert(id, count);
    // Its page is under way, or answered. A fitted one's size is worked out
    // from its size answered, as the child does.
    if (after.page >= 0 && after.size.isEmpty())
        after.size = after.page < r.pageSizes.size() ? fitSize(r.pageSizes.at(after.page), after.fit, after.ratio) : QSize();
    if (after.page >= 0) {
        running_ = Running{Call::Render, id, after.page, after.size, after.annotations, 0, 0, {}, nowMs() + after.timeoutMs};
        running_->image = std::move(was.image);
    }
    // The rest of the sizes asked for, in answers of bounded length.
    const int wanted = sizes < 0 ? count : std::min(sizes, count);
    if (r.pageSizes.size() < wanted) {
        Sizes more = sizesUntil(id, int(r.pageSizes.size()), wanted - int(r.pageSizes.size()), deadline);
        if (more.outcome != Outcome::Done) {
            r.pageSizes.clear();
            r.outcome = more.outcome;
            return r;
        }
        r.pageSizes += more.sizes;
    }
    r.pageCount = count;
    r.outcome = Outcome::Done;
    return r;
}

PdfProcess::Sizes PdfProcess::pageSizes(quint32 id, int first, int count, int timeoutMs)
{
    begin(id);
    if (runs(Call::Sizes, id, first))
        return sizesUntil(id, first, running_->count, running_->deadlineMs);
    Sizes r;
    if (!settle()) {
        r.outcome = Outcome::Interrupted;
        return r;
    }
    if (!loaded(id))
        return r;
    first = std::max(first, 0);
    count = std::clamp(count, 0, std::max(0, loaded_.value(id) - first));
    return sizesUntil(id, first, count, nowMs() + timeoutMs);
}

PdfProcess::Sizes PdfProcess::sizesUntil(quint32 id, int first, int count, qint64 deadlineMs)
{
    Sizes r;
    int done = 0;
    // Taken up where it gave way.
    if (runs(Call::Sizes, id, first)) {
        done = running_->done;
        r.sizes = running_->sizes;
    }
    while (done < count) {
        const qint32 asked = std::min(count - done, kSizesPerAnswer);
        if (!running_) {
            QByteArray request = frame(pdfwire::Sizes);
            put<quint32>(request, id);
            put<qint32>(request, first + done);
            put<qint32>(request, asked);
            seal(request);
            if (!send(request, deadlineMs)) {
                r.outcome = giveUp();
                return r;
            }
            running_ = Running{Call::Sizes, id, first, QSize(), false, count, done, r.sizes, deadlineMs};
        }
        QByteArray reply;
        qsizetype at = 0;
        quint8 op = 0;
        quint32 replyId = 0;
        qint32 status = 0, given = 0;
        if (!receive(reply, kSizesHead + quint32(asked) * kSizeBytes, deadlineMs, true)) {
            r.outcome = halted();
            return r;
        }
        running_.reset();
        if (!get(reply, at, op) || op != pdfwire::Sizes || !get(reply, at, replyId) || replyId != id
            || !get(reply, at, status) || !get(reply, at, given) || given != (status == Ready ? asked : 0)
            || !readSizes(reply, at, given, r.sizes)) {
            halt_ = Halt::Broken;
            r.outcome = giveUp();
            return r;
        }
        if (status != Ready) {
            r.sizes.clear();
            r.outcome = status == OutOfMemory ? outOfMemory() : Outcome::GivenUp;
            return r;
        }
        done += asked;
    }
    r.outcome = Outcome::Done;
    return r;
}

PdfProcess::Rendered PdfProcess::render(quint32 id, int page, QSize size, int timeoutMs, bool annotations)
{
    Rendered r;
    begin(id);
    const qint64 bytes = qint64(std::max(size.width(), 0)) * std::max(size.height(), 0) * 4;
    if (!runs(Call::Render, id, page, size, annotations)) {
        if (!settle()) {
            r.outcome = Outcome::Interrupted;
            return r;
        }
        if (!loaded(id))
            return r;
        if (size.isEmpty() || page < 0 || page >= loaded_.value(id) || bytes > kMaxPageBytes) {
            r.outcome = Outcome::Done;
            return r;
        }
        const qint64 deadline = nowMs() + timeoutMs;
        // The page is drawn into the memory it is shown from.
        int memory = -1;
        QImage image = pdfmemory::pageImage(size.width(), size.height(), &memory);
        if (image.isNull()) {
            if (!stopped_())
                TLOG(QStringLiteral("PdfProcess: no memory for a page of %1x%2").arg(QString::number(size.width()), QString::number(size.height())));
            return r;
        }
        QByteArray request = frame(Render);
        put<quint32>(request, id);
        put<qint32>(request, page);
        put<qint32>(request, size.width());
        put<qint32>(request, size.height());
        put<quint8>(request, annotations ? 1 : 0);
        seal(request);
        if (!send(request, deadline, {memory})) {
            r.outcome = giveUp();
            return r;
        }
        running_ = Running{Call::Render, id, page, size, annotations, 0, 0, {}, deadline};
        running_->image = std::move(image);
        // The next page's memory readied while the child draws this one.
        pdfmemory::readyPageMemory(bytes);
    }
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, replyPage = 0, w = 0, h = 0, line = 0;
    const bool answered = receive(reply, kRenderLength, running_->deadlineMs, true);
    if (!answered && halt_ == Halt::Interrupted) {
        r.outcome = Outcome::Interrupted;
        return r;
    }
    // Its memory, held until the child has answered or is ended.
    const Running was = std::move(*running_);
    running_.reset();
    if (!answered || !get(reply, at, op) || op != Render || !get(reply, at, replyId) || replyId != id
        || !get(reply, at, status) || !get(reply, at, replyPage) || !get(reply, at, w) || !get(reply, at, h)
        || !get(reply, at, line) || at != reply.size()) {
        if (answered)
            halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    if (status == OutOfMemory) {
        r.outcome = outOfMemory();
        return r;
    }
    const bool blank = w == 0 && h == 0 && line == 0;
    // Never shown past the memory it was drawn into, whatever sizes the child answered before.
    if (!blank && !was.image.isNull() && qint64(w) * h * 4 > was.image.sizeInBytes()) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    // Nothing but the page and size asked for, filled, or none for a page it could not render.
    if (status != Ready || replyPage != page || (!blank && (w != size.width() || h != size.height() || line != w * 4))) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    r.outcome = Outcome::Done;
    if (std::exchange(spareOwed_, false))
        pdfchild::spareWanted();
    if (blank || was.image.isNull())
        return r;
    // Shown from the memory it was drawn into, which a page fitted with its load has room to spare in.
    r.image = was.image.size() == size ? was.image
                                       : QImage(was.image.constBits(), w, h, w * 4, QImage::Format_ARGB32_Premultiplied,
                                                [](void *held) { delete static_cast<QImage *>(held); }, new QImage(was.image));
    largestPage_ = std::max(largestPage_, bytes);
    return r;
}

void PdfProcess::close(quint32 id)
{
    if (!loaded_.remove(id))
        return;
    halt_ = Halt::None;
    QByteArray request = frame(Close);
    put<quint32>(request, id);
    seal(request);
    // The child is idle between two requests: a close that does not go out ends it.
    if (!send(request, nowMs() + kStartMs))
        end();
}

} // namespace platform
