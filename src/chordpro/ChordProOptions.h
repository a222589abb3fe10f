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
    Count
};

// The one table of default colours, chosen to read well on a black page.
QColor defaultColor(ColorRole role);
// The named colours of the ChordPro layout ("LyricsChordColor",
// "LyricsHightLightColor"); an invalid colour for any other name.
QColor namedColor(const QString &name);

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
