#include "chordpro/ChordProOptions.h"

#include <array>

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

} // namespace chordpro
