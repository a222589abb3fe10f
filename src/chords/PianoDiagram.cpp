#include "chords/PianoDiagram.h"

#include <algorithm>

namespace diagram {

namespace {

constexpr int kWhiteKeys = 11;

bool isBlackPitch(int key)
{
    switch (((key - 1) % 12 + 12) % 12) {
    case 1: case 3: case 6: case 8: case 10: return true;
    default: return false;
    }
}

// The smallest key above 0.
int lowestNote(const MChord &m)
{
    int low = 0;
    for (int k = 1; k <= 6; ++k)
        if (m.value(k) > 0 && (low == 0 || m.value(k) < low))
            low = m.value(k);
    return low;
}

} // namespace

PianoInversions::PianoInversions(const MChord &looked)
    : orig_(looked), shown_(looked)
{
    for (int k = 1; k <= 6; ++k)
        nbChord_ += looked.value(k) > 0;
    noChord_ = 1;
    if (looked.fretPos > 0 && nbChord_ > 0) {
        noChord_ = looked.fretPos + 1;
        effectuerInversion(false);
    }
    refreshChord();
}

void PianoInversions::step(bool backward)
{
    // A chord without keys has nothing to invert.
    if (nbChord_ == 0)
        return;
    noChord_ += backward ? -1 : 1;
    effectuerInversion(backward);
    refreshChord();
}

void PianoInversions::effectuerInversion(bool backward)
{
    if (noChord_ <= 0)
        noChord_ = nbChord_;
    else if (noChord_ > nbChord_)
        noChord_ = 1;
    MChord m = orig_;
    m.fretPos = noChord_ - 1;
    // Inversion k carries the first k-1 notes an octave up.
    for (int k = 1; k < noChord_; ++k)
        if (m.value(k) > 0)
            m.setValue(k, m.value(k) + 12);
    const bool unraised = noChord_ == 2 && m.s1 <= 0;

    bool high = m.s1 > 18;
    for (int k = 2; k <= 6; ++k)
        high = high || m.value(k) >= 19;
    int limit = 18;
    bool b = debutSurSol_ ? true : backward;
    if (!unraised && high) {
        int low = m.s1;
        for (int k = 2; k <= 6; ++k)
            if (m.value(k) > 0)
                low = std::min(low, m.value(k));
        if (low >= 6) {
            limit = 24;
            b = debutSurSol_ ? backward : true;
        }
    }
    bool allWithin = true;
    for (int k = 1; k <= 6; ++k)
        allWithin = allWithin && m.value(k) <= limit;
    const bool keep = m.s1 <= limit && ((allWithin && !b) || (m.s1 >= 1 && m.s1 <= 12));
    if (!keep) {
        bool upperInFirstOctave = false;
        for (int k = 2; k <= 6; ++k)
            upperInFirstOctave = upperInFirstOctave || (m.value(k) >= 1 && m.value(k) <= 12);
        if (!upperInFirstOctave)
            for (int k = 1; k <= 6; ++k)
                m.setValue(k, m.value(k) - 12);
    }
    shown_ = m;
}

void PianoInversions::refreshChord()
{
    drawn_ = shown_;
    debutSurSol_ = false;
    bool high = false;
    for (int k = 1; k <= 6; ++k)
        high = high || shown_.value(k) >= 19;
    if (high && lowestNote(shown_) >= 6) {
        for (int k = 1; k <= 6; ++k)
            drawn_.setValue(k, shown_.value(k) - 5);
        debutSurSol_ = true;
    }
}

QString PianoInversions::counterText() const
{
    return QStringLiteral("❮  %1/%2  ❯").arg(noChord_).arg(nbChord_);
}

std::optional<KeyPlace> keyPlace(int value, bool debutSurSol)
{
    const int maxValue = debutSurSol ? 19 : 18;
    if (value < 1 || value > maxValue)
        return std::nullopt;
    // Keys counted on the real keyboard: the F layout starts five keys up.
    const int first = debutSurSol ? 6 : 1;
    const int key = value + first - 1;
    int white = 0;
    for (int k = first; k <= key; ++k)
        white += !isBlackPitch(k);
    if (isBlackPitch(key))
        return KeyPlace{white, true};
    return KeyPlace{white, false};
}

PianoPlan pianoPlan(const QString &name, const PianoInversions &chord, const QSizeF &size)
{
    PianoPlan plan;
    const double w = size.width();
    const double h = size.height();
    const double top = h * 0.24;
    const double bottom = h * 0.80;
    const double left = w * 0.04;
    const double keyW = (w * 0.92) / kWhiteKeys;
    const double blackH = (bottom - top) * 0.58;
    const double blackW = keyW * 0.62;
    plan.size = size;
    plan.name = name;
    plan.textSize = (bottom - top - blackH) * 0.95;
    plan.nameRect = QRectF(0, 0, w, top);
    for (int n = 1; n <= kWhiteKeys; ++n)
        plan.whiteKeys.append(QRectF(left + (n - 1) * keyW, top, keyW, bottom - top));

    const bool f = chord.debutSurSol();
    for (int n = 1; n <= kWhiteKeys; ++n) {
        // No black key between E and F or between B and C.
        const bool shown = n == 3 || n == 10 ? f : n == 4 || n == 11 ? !f : n != 7;
        if (shown)
            plan.blackKeys.append(QRectF(left + n * keyW - blackW / 2, top, blackW, blackH));
    }

    const double dot = std::min(keyW * 0.56, blackH * 0.4);
    for (int k = 1; k <= 6; ++k) {
        const std::optional<KeyPlace> place = keyPlace(chord.drawn().value(k), f);
        if (!place)
            continue;
        PianoDot d;
        d.onBlackKey = place->black;
        d.root = k == 1;
        const double cx = place->black ? left + place->index * keyW : left + (place->index - 0.5) * keyW;
        const double cy = place->black ? top + blackH - dot * 0.9 : top + blackH + (bottom - top - blackH) / 2;
        d.rect = QRectF(cx - dot / 2, cy - dot / 2, dot, dot);
        plan.dots.append(d);
    }

    plan.arrows = chord.nbChord() > 0;
    const double rowTop = bottom + h * 0.02;
    plan.counterRect = QRectF(w * 0.25, rowTop, w * 0.5, h - rowTop);
    plan.previousRect = QRectF(0, rowTop, w * 0.25, h - rowTop);
    plan.nextRect = QRectF(w * 0.75, rowTop, w * 0.25, h - rowTop);
    if (plan.arrows)
        plan.counter = QStringLiteral("%1/%2").arg(chord.noChord()).arg(chord.nbChord());
    return plan;
}

} // namespace diagram
