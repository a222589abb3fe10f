#pragma once

#include "chords/MChord.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>
#include <array>
#include <optional>

// Where everything of a guitar or ukulele chord diagram goes, for one size:
// the widgets, the tests and the PDF export draw from the same plan with
// paintFretDiagram (DiagramPainter.h).
namespace diagram {

constexpr int kFretRows = 4;

// The string values in display order, columns 1-6. A ukulele fills columns
// 2-5 and leaves 1 and 6 at 0.
std::array<int, 6> columnValues(const MChord &chord, bool rightHanded, bool ukulele);

// The barre over columns start..end at fret row `fret`, or none.
struct Barre {
    int start = 0;
    int end = 0;
    int fret = 0;
    bool twoString = false; // the short barre over the last two columns
};
std::optional<Barre> ajusterBarre(const std::array<int, 6> &p);

enum class OpenMark { None, Open, Muted };
enum class EditMark { None, Pencil, Lock };

struct FretColumn {
    bool shown = true;          // false for the ukulele's outer columns
    QLineF string;
    OpenMark mark = OpenMark::None;
    QRectF markRect;
    std::optional<QRectF> dot;  // a fretted string within the four rows
};

struct FretPlan {
    QSizeF size;
    QString name;
    QRectF nameRect;
    std::array<FretColumn, 6> columns;
    QList<QLineF> frets;        // fret lines from the top, the first being the nut
    bool nutShown = true;
    std::optional<QRectF> barre;
    QString baseFret;           // "" below fret 2
    QRectF baseFretRect;
    bool star = false;          // a shape taken from the song's own definitions
    QRectF starRect;
    EditMark editMark = EditMark::None;
    QRectF editRect;
    double textSize = 0;        // name, base fret and marks: one fret row high
    double markSize = 0;        // "o" and "x": one dot wide
};

struct FretOptions {
    bool rightHanded = false;
    bool ukulele = false;
    bool allowEditing = false;    // the lock mark instead of the pencil
    bool showEditMark = true;     // false for printed diagrams
    bool editing = false;         // the shape is being edited: no barre
};

FretPlan fretPlan(const QString &name, const MChord &chord, const FretOptions &options, const QSizeF &size);

} // namespace diagram
