#pragma once

#include "chords/MChord.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

// A piano chord on a keyboard of eleven white keys, stepped through its
// inversions. The stepping is a value type; pianoPlan places keys and dots
// for one size, and paintPianoDiagram (DiagramPainter.h) draws the plan.
namespace diagram {

class PianoInversions {
public:
    PianoInversions() = default;
    // The shape as looked up; its fretPos is the inversion the song keeps.
    explicit PianoInversions(const MChord &looked);

    // The arrows: one inversion back or forward, wrapping around.
    void step(bool backward);

    const MChord &orig() const { return orig_; }
    const MChord &shown() const { return shown_; }
    int nbChord() const { return nbChord_; }
    int noChord() const { return noChord_; }
    // The keyboard starts at F (keys 6 to 24) rather than at C (1 to 18).
    bool debutSurSol() const { return debutSurSol_; }
    // The keys as drawn: lowered by 5 on the F layout.
    const MChord &drawn() const { return drawn_; }
    // "❮  2/3  ❯"
    QString counterText() const;

private:
    void effectuerInversion(bool backward);
    void refreshChord();

    MChord orig_;
    MChord shown_;
    MChord drawn_;
    int nbChord_ = 0;
    int noChord_ = 1;
    bool debutSurSol_ = false;
};

struct PianoDot {
    QRectF rect;
    bool onBlackKey = false;
    bool root = false;
};

struct PianoPlan {
    QSizeF size;
    QString name;
    QRectF nameRect;
    QList<QRectF> whiteKeys;    // 11, left to right
    QList<QRectF> blackKeys;    // the slots shown by the layout
    QList<PianoDot> dots;
    QString counter;            // "2/3"; empty for a chord without keys
    QRectF counterRect;
    QRectF previousRect;        // the arrows, also their click areas
    QRectF nextRect;
    bool arrows = false;        // a chord without keys has none
    double textSize = 0;
};

PianoPlan pianoPlan(const QString &name, const PianoInversions &chord, const QSizeF &size);

// The white key (1-11) or black-key slot (1-11, between white n and n+1) of
// a drawn key value on the C or F layout; nullopt when it is off the keyboard.
struct KeyPlace {
    int index = 0;
    bool black = false;
};
std::optional<KeyPlace> keyPlace(int value, bool debutSurSol);

} // namespace diagram
