#pragma once

#include <QFont>
#include <QString>

namespace platform {

// Song text is measured in a bundled monospaced font (DejaVu Sans Mono,
// standing in for "Menlo") and headings in a bundled bold sans font, so that
// text widths, page breaks and page counts are the same on every machine.
// Loads the fonts found under ":/fonts"; answers false when none loaded.
bool loadBundledFonts();

QString monoFamily();      // "DejaVu Sans Mono"
QString sansFamily();      // "DejaVu Sans"
QString emojiFamily();     // "Noto Color Emoji", for the glyphs the bundled fonts lack

// Fonts for measuring and drawing song text: no hinting, so widths follow the
// design metrics at any size.
QFont monoFont(double pointSize, bool bold = false);
QFont systemBoldFont(double pointSize);
QFont systemFont(double pointSize);

} // namespace platform
