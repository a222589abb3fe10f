#include "chordpro/ChordProStyle.h"

#include "platform/Fonts.h"

#include <QFontMetricsF>
#include <QImage>

namespace chordpro {

namespace {
// Measured at the font's design size so no rounding of small sizes leaks in.
constexpr double kDesignPixels = 2048.0;

QImage makeReferenceImage()
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = qRound(72.0 / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}
} // namespace

FontMetricsPerPoint measureFont(bool mono, bool bold, const QPaintDevice *device)
{
    static const QImage reference = makeReferenceImage();
    if (!device)
        device = &reference;
    const double dpi = device->logicalDpiY() > 0 ? device->logicalDpiY() : 72.0;
    const double points = kDesignPixels * 72.0 / dpi;
    TextStyle style;
    style.mono = mono;
    style.bold = bold;
    style.pointSize = points;
    const QFontMetricsF fm(style.font(), const_cast<QPaintDevice *>(device));
    FontMetricsPerPoint m;
    m.ascent = fm.ascent() / kDesignPixels;
    m.descent = fm.descent() / kDesignPixels;
    m.lineSpacing = fm.lineSpacing() / kDesignPixels;
    m.blankAdvance = fm.horizontalAdvance(QLatin1Char(' ')) / kDesignPixels;
    return m;
}

const FontMetricsPerPoint &fontMetrics(bool mono, bool bold)
{
    static const std::array<FontMetricsPerPoint, 4> table = {
        measureFont(false, false), measureFont(false, true), measureFont(true, false), measureFont(true, true)};
    return table[(mono ? 2 : 0) + (bold ? 1 : 0)];
}

double TextStyle::lineHeight() const
{
    const double h = fontLineHeight();
    return maxLineHeight > 0 ? std::min(h, maxLineHeight) : h;
}

QFont TextStyle::font() const
{
    if (mono)
        return platform::monoFont(pointSize, bold);
    return bold ? platform::systemBoldFont(pointSize) : platform::systemFont(pointSize);
}

StyleSet StyleSet::build(double s, bool gapOption, bool lyricsBold, bool chordsBold)
{
    StyleSet set;
    set.size = s;
    set.gap = gapOption;
    const double g = gapOption ? 1.0 : 1.18;
    auto mono = [](double size, bool bold, double maxLh) {
        TextStyle t;
        t.mono = true;
        t.bold = bold;
        t.pointSize = size;
        t.maxLineHeight = maxLh;
        return t;
    };
    auto sansBold = [](double size, double maxLh) {
        TextStyle t;
        t.mono = false;
        t.bold = true;
        t.pointSize = size;
        t.maxLineHeight = maxLh;
        return t;
    };
    auto withBack = [](TextStyle t, ColorRole back) {
        t.hasBackground = true;
        t.background = back;
        return t;
    };
    auto withFore = [](TextStyle t, ColorRole fore) {
        t.foreground = fore;
        return t;
    };
    const double cr = s / 10.0 * 2.3 + 1.0;
    const double comment = 14.0 * s / 17.0;
    auto &st = set.styles;
    st[size_t(Style::Header)] = mono(12.0, false, 17.0);
    st[size_t(Style::Text)] = mono(s, lyricsBold, s * g);
    st[size_t(Style::TextHI)] = withBack(mono(s, lyricsBold, s * g), ColorRole::Highlight);
    st[size_t(Style::TextCR)] = mono(cr, false, cr);
    st[size_t(Style::Chord)] = withFore(mono(s, chordsBold, s * g), ColorRole::Chord);
    st[size_t(Style::Directive)] = withBack(withFore(mono(comment, false, s * g), ColorRole::Comment), ColorRole::CommentBack);
    st[size_t(Style::DirectiveSpacer)] =
        withBack(withFore(mono(comment, false, s / 17.0), ColorRole::Comment), ColorRole::CommentBack);
    st[size_t(Style::Indent)] = withBack(sansBold(comment, s * g), ColorRole::Bar);
    st[size_t(Style::Indent2)] = sansBold(comment, s * g);
    st[size_t(Style::Spacer)] = sansBold(2.0 * s / 17.0, 2.0 * s / 17.0 * g);
    st[size_t(Style::SpacerIndent)] = withBack(sansBold(comment, 2.0 * s / 17.0 * g), ColorRole::Bar);
    st[size_t(Style::SpacerIndent2)] = sansBold(comment, 2.0 * s / 17.0 * g);
    st[size_t(Style::SpacerLR)] =
        withBack(withFore(mono(s / 17.0, false, s / 17.0), ColorRole::PageBreak), ColorRole::PageBreak);
    return set;
}

} // namespace chordpro
