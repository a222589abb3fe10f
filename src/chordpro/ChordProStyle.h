#pragma once

#include "chordpro/ChordProOptions.h"

#include <QFont>
#include <array>

class QPaintDevice;

namespace chordpro {

// Font metrics per point of size, at 72 dots per inch and without hinting,
// so that widths and line heights (and with them page breaks) are the same
// on every screen, printer and image.
struct FontMetricsPerPoint {
    double ascent = 0;
    double descent = 0;
    double lineSpacing = 0;   // ascent + descent + leading
    double blankAdvance = 0;  // width of " " (also of U+00A0 in these fonts)
};

// Measures the bundled font of that face on a device (default: a 72-dpi
// image). The result does not depend on the device's resolution.
FontMetricsPerPoint measureFont(bool mono, bool bold, const QPaintDevice *device = nullptr);
// Cached measurement on the default device.
const FontMetricsPerPoint &fontMetrics(bool mono, bool bold);

enum class Style : quint8 {
    Header,          // header line
    Text,            // lyrics
    TextHI,          // highlighted lyrics
    TextCR,          // blank-line gap
    Chord,           // chord lines and embedded chords
    Directive,       // comment text
    DirectiveSpacer, // comment box top band
    Indent,          // chorus bar
    Indent2,         // indent after the bar, line ends
    Spacer,          // spacer lines
    SpacerIndent,    // chorus bar on spacer lines
    SpacerIndent2,   // spacer line end in a chorus
    SpacerLR,        // page-break rule
    Count
};
constexpr int kStyleCount = int(Style::Count);

struct TextStyle {
    bool mono = true;
    bool bold = false;
    double pointSize = 0;
    double maxLineHeight = 0;  // 0: unlimited
    ColorRole foreground = ColorRole::Text;
    bool hasBackground = false;
    ColorRole background = ColorRole::Text;

    const FontMetricsPerPoint &metrics() const { return fontMetrics(mono, bold); }
    double blankWidth() const { return metrics().blankAdvance * pointSize; }
    double fontLineHeight() const { return metrics().lineSpacing * pointSize; }
    double descent() const { return metrics().descent * pointSize; }
    // Height of one line in this style alone (the measured size of a blank).
    double lineHeight() const;
    QFont font() const;
};

// The text styles of a song at one font size.
struct StyleSet {
    double size = 0;
    bool gap = false;
    std::array<TextStyle, kStyleCount> styles;

    const TextStyle &operator[](Style s) const { return styles[size_t(s)]; }
    static StyleSet build(double fontSize, bool gapOption, bool lyricsBold, bool chordsBold);
};

} // namespace chordpro
