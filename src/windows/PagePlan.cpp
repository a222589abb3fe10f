#include "windows/PagePlan.h"

#include <algorithm>
#include <cmath>

namespace pageplan {

QString pageLabel(qint64 page, qint64 count, qint64 minCount)
{
    if (count >= minCount && page <= count)
        return QStringLiteral("%1/%2").arg(page).arg(count);
    return QString();
}

namespace {

// Modes 4 and 5 reload only a pane whose page changes.
void loadPair(Result &r, const Input &in, qint64 left, qint64 right)
{
    const qint64 n = in.pageCount;
    if (left > 0 && left != in.savePageNo1) {
        r.left = {Source::Current, left, pageLabel(left, n, 3)};
        r.savePageNo1 = left;
    }
    if (right > 0 && right != in.savePageNo2) {
        r.right = {Source::Current, right, pageLabel(right, n, 3)};
        r.savePageNo2 = right;
        r.inactSet = true;
        r.inactAgauche = r.inactAdroite = false;
    }
}

} // namespace

Result fill(const Input &in)
{
    Result r;
    r.savePageNo1 = in.savePageNo1;
    r.savePageNo2 = in.savePageNo2;
    const qint64 p = in.page;
    const qint64 n = in.pageCount;
    switch (in.mode) {
    case 0:
        r.left = {Source::Current, p, pageLabel(p, n, 3)};
        r.savePageNo1 = p;
        r.inactSet = true;
        if (n > p || in.fixPageNo >= 1) {
            r.right = {Source::Current, p + 1, n >= 3 && n > p ? QStringLiteral("%1/%2").arg(p + 1).arg(n) : QString()};
            r.savePageNo2 = p + 1;
        } else {
            // The song's last page: the next song's first page, dimmed.
            r.right.source = in.hasNext ? Source::Next : Source::Empty;
            r.right.page = in.hasNext ? 1 : 0;
            if (in.hasNext && in.nextPageCount >= 3)
                r.right.label = QStringLiteral("%1/%2").arg(1).arg(in.nextPageCount);
            r.savePageNo2 = 0;
            r.inactAdroite = true;
        }
        break;
    case 1:
        r.savePageNo1 = r.savePageNo2 = 0;
        r.zoom = {Source::Current, p, pageLabel(p, n, 2)};
        break;
    case 2: {
        r.savePageNo1 = r.savePageNo2 = 0;
        const qint64 count = in.chordPro && in.ratio21 ? 2 * n : n;
        r.single = {Source::Current, p, (n >= 2 || in.ratio21) && p <= count ? QStringLiteral("%1/%2").arg(p).arg(count) : QString()};
        break;
    }
    case 4: {
        qint64 left = 0, right = 0;
        if (p % 2 != 0) {
            left = p;
            if (!(p > 1 && p >= n && in.fixPageNo == 0))
                right = p + 1;
        } else {
            right = p;
            if (n > p || in.fixPageNo != 0)
                left = p + 1;
        }
        loadPair(r, in, left, right);
        break;
    }
    case 5:
        if (p == 1 || p < n || in.fixPageNo != 0)
            loadPair(r, in, p, p + 1);
        else
            loadPair(r, in, n - 1, n);
        break;
    default:
        break; // mode 3 and unknown modes load nothing
    }
    return r;
}

ResizeDecision resizeRule(double width, double height, qint64 mode, bool singlePageForce)
{
    ResizeDecision d;
    const bool wide = width > height && width >= kTwoPageMinWidth;
    if (wide) {
        if (mode == 2 && !singlePageForce)
            d.newMode = 0;
    } else {
        d.newMode = 2;
        d.postZoomOut = mode == 1;
    }
    return d;
}

ResizeDecision endResizeRule(double width, double height, qint64 mode, bool singlePageForce)
{
    ResizeDecision d;
    const bool wide = width > height && width >= kTwoPageMinWidth;
    if (wide) {
        if (mode == 2 && !singlePageForce)
            d.newMode = 0;
        else
            d.refreshOnly = true;
    } else {
        d.newMode = 2;
    }
    return d;
}

QSizeF halfPageSize(const QSizeF &page, const QSizeF &band)
{
    const bool usable = std::isfinite(page.width()) && std::isfinite(page.height()) && std::isfinite(band.width())
        && std::isfinite(band.height()) && page.width() > 0 && page.height() > 0 && band.width() > 0
        && band.height() > 0;
    if (!usable)
        return QSizeF();
    const double scale = std::min(band.width() / page.width(), 2.0 * band.height() / page.height());
    return page * scale;
}

QRectF halfPageRect(const QSizeF &shown, const QSizeF &band, bool top)
{
    const double x = (band.width() - shown.width()) / 2.0;
    const double y = top ? 0.0 : band.height() - shown.height();
    return QRectF(QPointF(x, y), shown);
}

} // namespace pageplan
