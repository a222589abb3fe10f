#pragma once

#include <QColor>
#include <QString>

// What a ChordPro page takes from the window that shows it (a Tolvane window,
// the export window): bold flags, colours and the application's gap option.
// A song laid out without a window uses the defaults below.

namespace chordpro {

enum class ColorRole {
    Chord,          // chords
    Text,           // lyrics, bars' text, header
    Highlight,      // background of highlighted lyrics
    Comment,        // comment text
    CommentBack,    // comment box background
    Bar,            // chorus bar
    Background,     // page background (painted by the view, not part of the text)
    PageBreak,      // rule between pages when all pages are shown
    SourceDirective, // directives in the editor's source text
    Count
};

// The one table of default colours, chosen to read well on a black page.
QColor defaultColor(ColorRole role);
// The named colours of the ChordPro layout and editor ("LyricsChordColor",
// "LyricsHightLightColor", "ChordProPageNoColor"); an invalid colour for any
// other name.
QColor namedColor(const QString &name);

// Contrast ratio of two opaque colours, from 1 (same) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);
// Text needs this much contrast to read from the stage; bars and boxes, less.
inline constexpr double kTextContrast = 4.5;
inline constexpr double kShapeContrast = 3.0;
// fore itself when it stands out enough from back; else fore darkened or
// lightened (whichever way goes further from back) just enough.
QColor readableOn(const QColor &fore, const QColor &back, double minRatio);
// Highlighted lyrics: the window's text or background colour, whichever
// stands out more from the highlight.
QColor highlightTextColor(const QColor &text, const QColor &background, const QColor &highlight);

} // namespace chordpro

class ChordProOptions {
public:
    virtual ~ChordProOptions() = default;

    virtual bool chordsBold() const { return false; }
    virtual bool lyricsBold() const { return false; }
    // The application's gap option: tighter lines when on.
    virtual bool gapOption() const { return false; }
    virtual QColor color(chordpro::ColorRole role) const { return chordpro::defaultColor(role); }
};
