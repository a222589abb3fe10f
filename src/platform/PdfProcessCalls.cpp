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
    // No sizes asked after the load's answer, nor a page through a buffer: the page's answer comes next.
    // A page fitted into a pane is one of the sizes answered, and the pane bounds its memory.
    const QSize bound = then.size.isEmpty() ? fitSize(then.fit, then.fit, then.ratio) : then.size;
    const bool fitted = then.size.isEmpty() && !bound.isEmpty() && then.page < asked;
    const qint64 thenBytes = (qint64(std::max(bound.width(), 0)) + fitted) * (std::max(bound.height(), 0) + fitted) * 4;
    const bool drawn = then.page >= 0 && (!then.size.isEmpty() || fitted) && thenBytes <= kMaxPageBytes && sizes >= 0
                       && sizes <= kSizesPerAnswer && pdfchild::pagesReadDirectly();
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
        QByteArray request = frame(Load);
        put<quint32>(request, id);
        put<qint32>(request, asked);
        put<qint32>(request, drawn ? then.page : kNoPage);
        put<qint32>(request, then.size.width());
        put<qint32>(request, then.size.height());
        put<quint8>(request, then.annotations ? 1 : 0);
        put<double>(request, fitted ? then.fit.width() : 0.0);
        put<double>(request, fitted ? then.fit.height() : 0.0);
        put<double>(request, fitted ? then.ratio : 0.0);
        seal(request);
        if (!send(request, bytes.descriptor(), deadline)) {
            r.outcome = giveUp();
            return r;
        }
        running_ = Running{Call::Load, id, 0, QSize(), false, asked, 0, {}, deadline};
        if (drawn)
            running_->then = then;
    }
    const qint64 deadline = running_->deadlineMs;
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, count = 0, given = 0;
    if (!receive(reply, kLoadHead + quint32(asked) * kSizeBytes, deadline, true)) {
        r.outcome = halted();
        return r;
    }
    Page after = running_->then;
    running_.reset();
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
    // Its page is under way: its memory readied while the child draws. A fitted
    // one's size is worked out from its size answered, as the child does.
    if (after.page >= 0 && after.size.isEmpty())
        after.size = after.page < r.pageSizes.size() ? fitSize(r.pageSizes.at(after.page), after.fit, after.ratio) : QSize();
    if (after.page >= 0) {
        running_ = Running{Call::Render, id, after.page, after.size, after.annotations, 0, 0, {}, nowMs() + after.timeoutMs};
        if (after.page < count && !after.size.isEmpty())
            running_->image = pdfmemory::pageImage(after.size.width(), after.size.height());
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
            if (!send(request, -1, deadlineMs)) {
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
    QImage image;
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
        // The page is copied from the child's memory, or, where that is refused, from a buffer both map.
        const bool intoBuffer = !pdfchild::pagesReadDirectly();
        if (intoBuffer) {
            buffer_ = pdfmemory::pageBuffer(std::move(buffer_), bytes);
            if (!buffer_) {
                if (!stopped_())
                    TLOG(QStringLiteral("PdfProcess: no memory for a page: %1").arg(lastError(errno)));
                return r;
            }
        }
        QByteArray request = frame(Render);
        put<quint32>(request, id);
        put<qint32>(request, page);
        put<qint32>(request, size.width());
        put<qint32>(request, size.height());
        put<quint8>(request, annotations ? 1 : 0);
        seal(request);
        if (!send(request, intoBuffer ? buffer_->fd : -1, deadline)) {
            r.outcome = giveUp();
            return r;
        }
        // No other call is sent before its answer is taken: the page stays where the child drew it until then.
        running_ = Running{Call::Render, id, page, size, annotations, 0, 0, {}, deadline, intoBuffer};
        // The page's own memory readied while the child draws.
        image = pdfmemory::pageImage(size.width(), size.height());
    }
    QByteArray reply;
    qsizetype at = 0;
    quint8 op = 0;
    quint32 replyId = 0;
    qint32 status = 0, replyPage = 0, w = 0, h = 0, line = 0;
    quint64 address = 0;
    const bool answered = receive(reply, kRenderLength, running_->deadlineMs, true);
    if (!answered && halt_ == Halt::Interrupted) {
        r.outcome = Outcome::Interrupted;
        return r;
    }
    if (image.isNull())
        image = std::move(running_->image);
    const Running was = *running_;
    running_.reset();
    if (!answered || !get(reply, at, op) || op != Render || !get(reply, at, replyId) || replyId != id
        || !get(reply, at, status) || !get(reply, at, replyPage) || !get(reply, at, w) || !get(reply, at, h)
        || !get(reply, at, line) || !get(reply, at, address) || at != reply.size()) {
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
    // Nothing but the page and size asked for, filled, or none for a page it could not
    // render; an address only for a page left in the child.
    if (status != Ready || replyPage != page || (!blank && (w != size.width() || h != size.height() || line != w * 4))
        || (address != 0) != (!blank && !was.intoBuffer)) {
        halt_ = Halt::Broken;
        r.outcome = giveUp();
        return r;
    }
    r.outcome = Outcome::Done;
    if (blank) {
        if (std::exchange(spareOwed_, false))
            pdfchild::spareWanted();
        return r;
    }
    // Copied out at once into the image's own memory: the page shown is beyond the child's reach.
    if (image.isNull())
        image = pdfmemory::pageImage(w, h);
    if (image.isNull()) {
        if (!stopped_())
            TLOG(QStringLiteral("PdfProcess: no memory for a page of %1x%2").arg(QString::number(w), QString::number(h)));
        r.outcome = Outcome::GivenUp;
        return r;
    }
    if (was.intoBuffer) {
        std::memcpy(image.bits(), buffer_->at, size_t(bytes));
    } else {
        switch (child_->read(address, image.bits(), bytes)) {
        case pdfchild::Child::Read::Done:
            break;
        case pdfchild::Child::Read::Refused:
            // Not here (a sandbox, the system's rules): the page again, through a buffer.
            return render(id, page, size, int(std::max<qint64>(was.deadlineMs - nowMs(), 0)), annotations);
        case pdfchild::Child::Read::Broken:
            halt_ = Halt::Broken;
            r.outcome = giveUp();
            return r;
        case pdfchild::Child::Read::Ended:
            halt_ = Halt::HungUp;
            r.outcome = giveUp();
            return r;
        }
    }
    r.image = std::move(image);
    largestPage_ = std::max(largestPage_, bytes);
    if (std::exchange(spareOwed_, false))
        pdfchild::spareWanted();
    return r;
}

void PdfProcess::close(quint32 id)
{
    if (!loaded_.remove(id))
        return;
    // A page drawn and not yet copied stays where the child drew it until its
    // answer is taken: the child hears of the close after that.
    if (running_ && running_->call == Call::Render) {
        closesHeld_.append(id);
        return;
    }
    halt_ = Halt::None;
    // The child is idle between two requests: a close that does not go out ends it.
    if (!send(closeFrame(id), -1, nowMs() + kStartMs))
        end();
}

QByteArray PdfProcess::closeFrame(quint32 id)
{
    QByteArray request = frame(Close);
    put<quint32>(request, id);
    seal(request);
    return request;
}

bool PdfProcess::sendHeldCloses(qint64 deadlineMs)
{
    for (const quint32 id : std::exchange(closesHeld_, {}))
        if (!send(closeFrame(id), -1, deadlineMs))
            return false;
    return true;
}

} // namespace platform
