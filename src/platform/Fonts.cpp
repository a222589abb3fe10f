#include "platform/Fonts.h"

#include <QDir>
#include <QFontDatabase>

namespace platform {

bool loadBundledFonts()
{
    static int loaded = -1;
    if (loaded >= 0)
        return loaded > 0;
    loaded = 0;
    const QDir dir(QStringLiteral(":/fonts"));
    for (const QString &name : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        if (QFontDatabase::addApplicationFont(dir.filePath(name)) >= 0)
            ++loaded;
    return loaded > 0;
}

QString monoFamily() { return QStringLiteral("DejaVu Sans Mono"); }
QString sansFamily() { return QStringLiteral("DejaVu Sans"); }
QString emojiFamily() { return QStringLiteral("Noto Color Emoji"); }

namespace {
QFont makeFont(const QString &family, double pointSize, bool bold)
{
    QFont font(family);
    // The marks the program writes (✅, ⚠️, ⭐...) are missing from the bundled
    // fonts: those glyphs alone come from the emoji font (or, failing it, any
    // font that has them). Metrics and every other glyph stay the bundled font's.
    font.setFamilies({family, emojiFamily()});
    font.setPointSizeF(pointSize > 0 ? pointSize : 1.0);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setKerning(false);
    return font;
}
} // namespace

QFont monoFont(double pointSize, bool bold) { return makeFont(monoFamily(), pointSize, bold); }
QFont systemBoldFont(double pointSize) { return makeFont(sansFamily(), pointSize, true); }
QFont systemFont(double pointSize) { return makeFont(sansFamily(), pointSize, false); }

} // namespace platform
