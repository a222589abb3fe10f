#include "windows/WindowArrangement.h"

#include <cmath>

namespace arrangement {

bool isAutoRotateType(qint64 winType)
{
    switch (winType) {
    case 2: case 4: case 7: case 8: case 10: case 11: case 13: case 14: case 15:
        return true;
    default:
        return false;
    }
}

QRectF placement(int code, const QRectF &w, const QRectF &s, bool autoRotate)
{
    double x = w.x(), y = w.y(), width = w.width(), height = w.height();
    const double fullHeight = s.height() - kMenuBarAllowance;
    switch (code) {
    case LeftEdge: x = s.x(); break;
    case RightEdge: x = s.x() + s.width() - width; break;
    case TopEdge: y = s.y() + s.height() - height; break;
    case BottomEdge: y = s.y(); break;
    case FullWidth: x = s.x(); width = s.width(); break;
    case FullHeight: y = s.y(); height = fullHeight; break;
    case FullHeightLeft:
    case FullHeightRight:
        // A turning window standing on its side becomes square before it stretches.
        if (autoRotate && width > height)
            width = height;
        x = code == FullHeightLeft ? s.x() : s.x() + s.width() - width;
        y = s.y();
        height = fullHeight;
        break;
    case FullWidthTop:
    case FullWidthBottom:
        if (autoRotate && height > width)
            height = width;
        x = s.x();
        width = s.width();
        y = code == FullWidthTop ? s.y() + s.height() - height : s.y();
        break;
    case Up1: y += kSmallStep; break;
    case Down1: y -= kSmallStep; break;
    case Left1: x -= kSmallStep; break;
    case Right1: x += kSmallStep; break;
    case Up10: y += kLargeStep; break;
    case Down10: y -= kLargeStep; break;
    case Left10: x -= kLargeStep; break;
    case Right10: x += kLargeStep; break;
    case Taller1: height += kSmallStep; break;
    case Shorter1: height -= kSmallStep; break;
    case Wider1: width += kSmallStep; break;
    case Narrower1: width -= kSmallStep; break;
    case Taller10: height += kLargeStep; break;
    case Shorter10: height -= kLargeStep; break;
    case Wider10: width += kLargeStep; break;
    case Narrower10: width -= kLargeStep; break;
    default: break;
    }
    return QRectF(x, y, width, height);
}

bool isFenetresSimilaires(const QRectF &a, const QRectF &b, bool horiz)
{
    if (horiz)
        return std::abs(a.x() - b.x()) <= kSimilarTolerance && std::abs(a.width() - b.width()) <= kSimilarTolerance
               && a.y() != b.y();
    return std::abs(a.y() - b.y()) <= kSimilarTolerance && std::abs(a.height() - b.height()) <= kSimilarTolerance
           && a.x() != b.x();
}

bool isEligibleCompanion(const Item &item, bool horiz)
{
    if (item.winType == 0 || item.transparent || item.hideFrame)
        return false;
    if (item.winType == 8 && item.hideList)
        return false;
    const QRectF &f = item.frame;
    return horiz ? f.height() > f.width() : f.width() > f.height();
}

void mettreAtraiterFenetresSimilaires(QList<Item> &items, const QRectF &frame, bool horiz)
{
    for (Item &it : items)
        if (!it.aTraiter && isEligibleCompanion(it, horiz) && isFenetresSimilaires(it.frame, frame, horiz))
            it.aTraiter = true;
}

void traiterFenetresSimilaires(QList<Item> &items, const QRectF &oldFrame, const QRectF &newFrame, bool horiz)
{
    for (Item &it : items) {
        if (!it.aTraiter || it.winType == 0 || !isFenetresSimilaires(it.frame, oldFrame, horiz))
            continue;
        it.aTraiter = false;
        if (horiz) {
            it.frame.moveLeft(newFrame.x());
            it.frame.setWidth(newFrame.width());
        } else {
            it.frame.moveTop(newFrame.y());
            it.frame.setHeight(newFrame.height());
        }
        it.moved = true;
    }
}

namespace {

struct Distributor {
    QList<Item> &items;
    const QRectF &s;
    bool horiz;
    double p = 0.0;

    bool inFirstHalf(const Item &it) const
    {
        return horiz ? it.frame.x() - s.x() < s.width() * 0.5 : it.frame.y() - s.y() < s.height() * 0.5;
    }

    void placeCompanions(bool firstHalf)
    {
        for (Item &it : items) {
            if (!it.aTraiter || it.winType == 0 || inFirstHalf(it) != firstHalf)
                continue;
            it.aTraiter = false;
            const QRectF oldFrame = it.frame;
            QRectF newFrame = oldFrame;
            if (horiz)
                newFrame.moveLeft(p);
            else
                newFrame.moveTop(p);
            traiterFenetresSimilaires(items, oldFrame, newFrame, horiz);
            it.frame = newFrame;
            it.moved = true;
            p += horiz ? newFrame.width() : newFrame.height();
        }
    }
};

} // namespace

Distribution distributeWindows(QList<Item> &items, const QRectF &s, double menuBarHeight, bool horiz)
{
    Distribution result;
    Distributor d{items, s, horiz};
    for (Item &it : items)
        it.aTraiter = false;

    int n = 0, t = 0;
    double companions = 0.0;
    for (Item &it : items) {
        if (it.aTraiter || !it.onScreen)
            continue;
        if (it.winType == 0) {
            ++n;
            if (it.ongletsVisibles)
                ++t;
            it.aTraiter = true;
        } else if (isEligibleCompanion(it, horiz)) {
            it.aTraiter = true;
            companions += horiz ? it.frame.width() : it.frame.height();
            mettreAtraiterFenetresSimilaires(items, it.frame, horiz);
        }
    }

    bool fullScreenNoted = false;
    for (Item &it : items) {
        if (it.aTraiter && it.winType == 0 && it.fullScreen) {
            it.aTraiter = false;
            fullScreenNoted = true;
        }
    }
    if (fullScreenNoted && companions > 0) {
        result.blockedByFullScreen = true;
        return result;
    }

    const double m = fullScreenNoted ? 0.0 : menuBarHeight;
    d.p = horiz ? s.x() : s.y();
    double z = 0.0;
    if (n >= 1) {
        if (!horiz)
            z = s.height() - companions - m;
        else if (n >= 3)
            z = (s.width() - companions - kTabBarWidth * t) / n;
        else
            z = (s.width() - companions - 2 * kTabBarWidth * t) / n;
    }

    d.placeCompanions(true);

    int k = 0;
    for (Item &it : items) {
        if (!it.aTraiter || it.winType != 0)
            continue;
        it.aTraiter = false;
        if (horiz) {
            const double width = it.ongletsVisibles ? z + 2 * kTabBarWidth : z;
            // Windows without tab bars overlap their neighbours by one bar's width.
            if (k > 0 && k + 1 < n && !it.ongletsVisibles)
                d.p -= kTabBarWidth;
            it.frame.moveLeft(d.p);
            it.frame.setWidth(width);
            d.p += width - (k == n - 2 && !it.ongletsVisibles ? kTabBarWidth : 0.0);
        } else {
            it.frame.moveTop(d.p);
            it.frame.setHeight(z);
            if (k + 1 == n)
                d.p += z;
        }
        it.moved = true;
        ++k;
    }

    d.placeCompanions(false);
    return result;
}

} // namespace arrangement
