#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QImage>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// DejaVu Sans Mono: every glyph advances 1233 units of a 2048-unit em.
constexpr double kMonoAdvancePerPoint = 1233.0 / 2048.0;
// Qt keeps advances in 1/64 of a pixel.
constexpr double kFixedPoint = 1.0 / 64.0;

// A paint device of a given resolution, standing in for screens and printers.
QImage deviceAt(int dpi)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

} // namespace

TEST(Fonts, BundledFontsAreLoadedAndUsed)
{
    EXPECT_TRUE(loadBundledFonts());
    const QStringList families = QFontDatabase::families();
    EXPECT_TRUE(families.contains(monoFamily()));
    EXPECT_TRUE(families.contains(sansFamily()));
    EXPECT_EQ(QFontInfo(monoFont(12)).family(), monoFamily());
    EXPECT_TRUE(QFontInfo(monoFont(12)).fixedPitch());
    EXPECT_TRUE(QFontInfo(monoFont(12, true)).bold());
    EXPECT_EQ(QFontInfo(systemBoldFont(14)).family(), sansFamily());
    EXPECT_TRUE(QFontInfo(systemBoldFont(14)).bold());
}

// Page breaks depend on these widths: they must follow the font's design,
// not the hinting or the resolution of whatever screen the program runs on.
// Song layout measures at the design size (2048 pixels to the em), where
// advances are whole font units, and scales down.
TEST(Fonts, MonoWidthsFollowTheDesignAtAnyResolution)
{
    const QString tenM(10, QLatin1Char('M'));
    for (const bool bold : {false, true}) {
        for (const int dpi : {72, 96, 144}) {
            const QImage device = deviceAt(dpi);
            QFont design = monoFont(12, bold);
            design.setPixelSize(2048);
            const QFontMetricsF metrics(design, &device);
            EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('M')), 1233.0) << dpi;
            EXPECT_EQ(metrics.horizontalAdvance(tenM), 12330.0) << dpi;
            EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiiii")), metrics.horizontalAdvance(QStringLiteral("WWWWW")));
        }
        // Measured directly in points, 10 "M" are 10 advances of one.
        const QImage points = deviceAt(72);
        const QFontMetricsF metrics(monoFont(12, bold), &points);
        EXPECT_NEAR(metrics.horizontalAdvance(QLatin1Char('M')), 12 * kMonoAdvancePerPoint, kFixedPoint);
        EXPECT_EQ(metrics.horizontalAdvance(tenM), 10 * metrics.horizontalAdvance(QLatin1Char('M')));
    }
}

// The marks the program writes (✅, ⚠️, ⭐, 🔒...) showed as empty boxes: the
// fonts were kept from falling back to any font that has them.
TEST(Fonts, MarksFallBackWhileMeasuresStayOnTheBundledFonts)
{
    ASSERT_TRUE(loadBundledFonts());
    const QString marks = QStringLiteral("✅⚠️🔉◉⁉️⭐🔒❌");
    const QString plain = QStringLiteral("Saltwater Kiss [Am] 1/3");
    struct Case {
        const char *what;
        QFont font;
        QString family;
    };
    const Case cases[] = {
        {"mono", monoFont(17), monoFamily()},
        {"mono bold", monoFont(17, true), monoFamily()},
        {"sans", systemFont(13), sansFamily()},
        {"sans bold", systemBoldFont(13), sansFamily()},
    };
    const bool emojiInstalled = QFontDatabase::families().contains(emojiFamily());
    for (const Case &c : cases) {
        EXPECT_EQ(c.font.families().value(0), c.family) << c.what;
        EXPECT_EQ(c.font.families().value(1), emojiFamily()) << c.what;

        // The same font kept to the bundled face alone measures the same.
        QFont alone(c.family);
        alone.setPointSizeF(c.font.pointSizeF());
        alone.setBold(c.font.bold());
        alone.setHintingPreference(QFont::PreferNoHinting);
        alone.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::NoFontMerging));
        alone.setKerning(false);
        const QFontMetricsF with(c.font), without(alone);
        EXPECT_EQ(with.ascent(), without.ascent()) << c.what;
        EXPECT_EQ(with.descent(), without.descent()) << c.what;
        EXPECT_EQ(with.lineSpacing(), without.lineSpacing()) << c.what;
        EXPECT_EQ(with.horizontalAdvance(plain), without.horizontalAdvance(plain)) << c.what;

        // Every mark is drawn from some font, none as the empty box (glyph 0);
        // that needs an emoji font installed (scripts/deps.sh installs one).
        if (!emojiInstalled)
            continue;
        QTextLayout layout(marks, c.font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun &run : layout.glyphRuns())
            for (const quint32 index : run.glyphIndexes()) {
                ++glyphs;
                EXPECT_NE(index, 0u) << c.what << " in " << run.rawFont().familyName().toStdString();
            }
        EXPECT_GE(glyphs, 8) << c.what;
    }
}
