// Diagrams drawn to images and compared with reference images kept beside
// this file (golden/). Run with TOLVANE_UPDATE_GOLDEN=1 to write them anew
// after a deliberate change of the drawing, then look at them before committing.
#include "chords/ChordLookup.h"
#include "chords/DiagramPainter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "ChordTestUtil.h"
#include "support/TestSupport.h"

using namespace diagram;

namespace {

DiagramColors stageColors()
{
    DiagramColors c;
    c.text = QColor(240, 240, 240);
    c.lines = QColor(120, 120, 120);
    c.accent = QColor(255, 200, 0);
    c.dots = QColor(80, 170, 255);
    c.background = QColor(20, 20, 20);
    return c;
}

void compareWithGolden(const QImage &image, const QString &name)
{
    testsupport::compareWithGolden(image, testsupport::goldenDirBeside(__FILE__), name);
}

QImage blank(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage fret(const QString &name, const MChord &chord, bool ukulele, bool rightHanded)
{
    FretOptions options;
    options.ukulele = ukulele;
    options.rightHanded = rightHanded;
    QImage image = blank(QSize(96, 96));
    QPainter painter(&image);
    paintFretDiagram(painter, QPointF(), fretPlan(name, chord, options, QSizeF(96, 96)), stageColors());
    return image;
}

QImage piano(const QString &name, int steps)
{
    PianoInversions chord(chordlookup::obtenirMChordPiano(name, QString()));
    for (int i = 0; i < steps; ++i)
        chord.step(false);
    QImage image = blank(QSize(140, 96));
    QPainter painter(&image);
    paintPianoDiagram(painter, QPointF(), pianoPlan(name, chord, QSizeF(140, 96)), stageColors());
    return image;
}

} // namespace

TEST(DiagramGolden, GuitarF)
{
    const MChord f = shape({1, 3, 3, 2, 1, 1}, 1, true);
    compareWithGolden(fret(QStringLiteral("F"), f, false, false), QStringLiteral("guitar-F"));
    compareWithGolden(fret(QStringLiteral("F"), f, false, true), QStringLiteral("guitar-F-mirrored"));
    compareWithGolden(fret(QStringLiteral("Bm7"), shape({-1, 2, 4, 2, 3, 2}, 5, false), false, false),
                      QStringLiteral("guitar-Bm7-fret5"));
}

TEST(DiagramGolden, UkuleleC)
{
    const MChord c = shape({0, 0, 0, 3, -1, -1}, 1, false);
    compareWithGolden(fret(QStringLiteral("C"), c, true, false), QStringLiteral("ukulele-C"));
    compareWithGolden(fret(QStringLiteral("C"), c, true, true), QStringLiteral("ukulele-C-mirrored"));
}

TEST(DiagramGolden, PianoLayouts)
{
    compareWithGolden(piano(QStringLiteral("C"), 0), QStringLiteral("piano-C"));
    compareWithGolden(piano(QStringLiteral("Dm7"), 1), QStringLiteral("piano-Dm7-inversion2"));
    compareWithGolden(piano(QStringLiteral("B"), 0), QStringLiteral("piano-B-from-F"));
}
