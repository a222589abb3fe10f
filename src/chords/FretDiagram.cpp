#include "chords/FretDiagram.h"

#include <algorithm>

namespace diagram {

std::array<int, 6> columnValues(const MChord &chord, bool rightHanded, bool ukulele)
{
    std::array<int, 6> p{};
    if (ukulele) {
        for (int k = 1; k <= 4; ++k)
            p[size_t(rightHanded ? 5 - k : k)] = chord.value(k);
    } else {
        for (int k = 1; k <= 6; ++k)
            p[size_t(rightHanded ? 6 - k : k - 1)] = chord.value(k);
    }
    return p;
}

std::optional<Barre> ajusterBarre(const std::array<int, 6> &a)
{
    const int p1 = a[0], p2 = a[1], p3 = a[2], p4 = a[3], p5 = a[4], p6 = a[5];
    int m = 99;
    for (int v : a)
        if (v >= 1)
            m = std::min(m, v);
    // A string below the barre's row that still sounds: the barre stops before it.
    auto under = [m](int v) { return v < m && v != -1; };
    auto endBy6 = [m](int v) { return v == -1 || v >= m ? 6 : 5; };

    Barre b;
    bool valid = false;
    if (p1 == m && p2 >= p1) {
        b = {1, 0, m, false};
        if (under(p3)) {
            b.end = 2;
            valid = p4 != m && p5 != m && p6 != m;
        } else if (under(p4)) {
            b.end = 3;
            valid = p5 > m && p6 > m;
        } else if (under(p5)) {
            b.end = 4;
            valid = p6 != m;
        } else {
            b.end = endBy6(p6);
            valid = true;
        }
    } else if (p2 == m && p3 >= p2) {
        b = {2, 0, m, false};
        if (under(p4)) {
            b.end = 3;
            valid = p5 != m && p6 != m;
        } else if (under(p5)) {
            b.end = 4;
            valid = p6 != m;
        } else {
            b.end = endBy6(p6);
            valid = true;
        }
    } else if (p3 != m || p4 < p3) {
        if (p4 == m && p5 >= p4 && p6 >= p4) {
            b = {4, 6, m, false};
            valid = true;
        } else if (p6 >= p5 && p5 == m) {
            b = {5, 6, m, true};
            valid = true;
        }
    } else {
        b = {3, 0, m, false};
        if (under(p5)) {
            b.end = 4;
            valid = p6 != m;
        } else {
            b.end = endBy6(p6);
            valid = true;
        }
    }
    if (!valid)
        return std::nullopt;

    int fretted = 0;
    for (int v : a)
        fretted += v >= 1;
    if (fretted < 5) {
        const int limit = b.fret + ((p5 == m && p6 == m) ? 0 : 1);
        if (std::all_of(a.begin(), a.end(), [limit](int v) { return v <= limit; }))
            return std::nullopt;
        const bool keep = (fretted == 4 && !b.twoString) || (p5 == p6 && b.twoString && fretted >= 3);
        if (!keep)
            return std::nullopt;
    }
    return b;
}

FretPlan fretPlan(const QString &name, const MChord &chord, const FretOptions &options, const QSizeF &size)
{
    FretPlan plan;
    const double w = size.width();
    const double h = size.height();
    const double gridTop = h * 0.34;
    const double gridBottom = h * 0.94;
    const double row = (gridBottom - gridTop) / kFretRows;
    const double left = w * 0.22;
    const double right = w * 0.86;
    const double col = (right - left) / 5;
    const double dot = std::min(col, row) * 0.78;
    auto columnX = [&](int c) { return left + (c - 1) * col; };

    plan.size = size;
    plan.name = name;
    plan.textSize = row;
    plan.markSize = dot;
    plan.nameRect = QRectF(w * 0.14, 0, w * 0.72, h * 0.22);
    plan.starRect = QRectF(w * 0.02, h * 0.03, w * 0.14, w * 0.14);
    plan.editRect = QRectF(w * 0.84, h * 0.03, w * 0.14, w * 0.14);

    const int firstCol = options.ukulele ? 2 : 1;
    const int lastCol = options.ukulele ? 5 : 6;
    for (int r = 0; r <= kFretRows; ++r)
        plan.frets.append(QLineF(columnX(firstCol), gridTop + r * row, columnX(lastCol), gridTop + r * row));

    const std::array<int, 6> p = columnValues(chord, options.rightHanded, options.ukulele);
    for (int c = 1; c <= 6; ++c) {
        FretColumn &column = plan.columns[size_t(c - 1)];
        column.shown = c >= firstCol && c <= lastCol;
        const double x = columnX(c);
        column.string = QLineF(x, gridTop, x, gridBottom);
        column.markRect = QRectF(x - dot / 2, gridTop - dot * 1.15, dot, dot);
        if (!column.shown)
            continue;
        const int v = p[size_t(c - 1)];
        if (chord.fretPos != 0)
            column.mark = v == 0 ? OpenMark::Open : v < 0 ? OpenMark::Muted : OpenMark::None;
        if (v >= 1 && v <= kFretRows)
            column.dot = QRectF(x - dot / 2, gridTop + (v - 0.5) * row - dot / 2, dot, dot);
    }

    plan.star = chord.userDefined && chord.fretPos >= 1;
    if (options.showEditMark)
        plan.editMark = options.allowEditing ? EditMark::Lock : EditMark::Pencil;
    plan.baseFret = chord.fretPos >= 2 ? QString::number(chord.fretPos) : QString();
    plan.nutShown = chord.fretPos < 2;
    // The ukulele's base fret stands beside its first string, over the empty column.
    const double labelLeft = options.ukulele ? columnX(1) - col / 2 : 0;
    plan.baseFretRect = QRectF(labelLeft, gridTop, columnX(firstCol) - labelLeft - dot * 0.6, row);

    if (!options.ukulele && !options.editing) {
        if (const std::optional<Barre> b = ajusterBarre(p)) {
            const double y = gridTop + (b->fret - 0.5) * row - dot / 2;
            if (b->fret >= 1 && b->fret <= kFretRows)
                plan.barre = QRectF(columnX(b->start) - dot / 2, y, columnX(b->end) - columnX(b->start) + dot, dot);
        }
    }
    return plan;
}

} // namespace diagram
