#include "chordpro/ChordProOptions.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace chordpro {

namespace {
struct ColorEntry {
    ColorRole role;
    const char *name;  // the named colour, when the role has one
    QRgb rgb;
};

// Light text on a black page; comments as dark text in a light box.
constexpr std::array<ColorEntry, size_t(ColorRole::Count)> kColors = {{
    {ColorRole::Chord, "LyricsChordColor", qRgb(255, 110, 90)},
    {ColorRole::Text, nullptr, qRgb(235, 235, 235)},
    {ColorRole::Highlight, "LyricsHightLightColor", qRgb(120, 90, 0)},
    {ColorRole::Comment, nullptr, qRgb(0, 0, 0)},
    {ColorRole::CommentBack, nullptr, qRgb(235, 235, 235)},
    {ColorRole::Bar, nullptr, qRgb(235, 235, 235)},
    {ColorRole::Background, nullptr, qRgb(0, 0, 0)},
    {ColorRole::PageBreak, nullptr, qRgb(255, 69, 58)},
    // Reads on the editor's light and dark text backgrounds alike.
    {ColorRole::SourceDirective, "ChordProPageNoColor", qRgb(40, 120, 230)},
}};
} // namespace

QColor defaultColor(ColorRole role)
{
    for (const ColorEntry &entry : kColors)
        if (entry.role == role)
            return QColor::fromRgb(entry.rgb);
    return QColor(Qt::white);
}

QColor namedColor(const QString &name)
{
    for (const ColorEntry &entry : kColors)
        if (entry.name && name == QLatin1String(entry.name))
            return QColor::fromRgb(entry.rgb);
    return QColor();
}

namespace {
double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

QColor mix(const QColor &from, const QColor &to, double t)
{
    const QColor a = from.toRgb(), b = to.toRgb();
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), a.alphaF());
}
} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor &fore, const QColor &back, double minRatio)
{
    if (!fore.isValid() || !back.isValid() || contrastRatio(fore, back) >= minRatio)
        return fore;
    const QColor toward = contrastRatio(Qt::black, back) >= contrastRatio(Qt::white, back) ? QColor(Qt::black)
                                                                                           : QColor(Qt::white);
    // The least change that reads: contrast grows steadily along the way.
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 20; ++i) {
        const double mid = (lo + hi) / 2;
        if (contrastRatio(mix(fore, toward, mid), back) >= minRatio)
            hi = mid;
        else
            lo = mid;
    }
    return mix(fore, toward, hi);
}

QColor highlightTextColor(const QColor &text, const QColor &background, const QColor &highlight)
{
    const QColor better = contrastRatio(text, highlight) >= contrastRatio(background, highlight) ? text : background;
    return readableOn(better, highlight, kTextContrast);
}

} // namespace chordpro
