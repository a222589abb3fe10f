#pragma once

#include "chords/MChord.h"

#include <QString>

// One chord of a chord library (or of a song's definitions) as the chord
// library window holds it, with the keys that keep a library in musical
// order: roots C D E F G A B, then by pitch, then by name, keeping the user's
// order among the shapes of one name.
class ChordSpecs {
public:
    explicit ChordSpecs(qint64 index = 0) : index_(index) {}

    qint64 index() const { return index_; }
    void setIndex(qint64 index) { index_ = index; }
    const QString &chordName() const { return chordName_; }
    void setChordName(const QString &name) { chordName_ = name; }
    const MChord &chordX() const { return chordX_; }
    void setChordX(const MChord &chord) { chordX_ = chord; }
    bool sel() const { return sel_; }
    void setSel(bool sel) { sel_ = sel; }

    // The library's sort key: letter rank, root, the name padded to 16
    // (a plain name reads as "name/"), then the index.
    QString sortString1() const;
    // A finer key that also orders by kind of chord and by shape.
    QString sortString2() const;

private:
    qint64 index_ = 0;
    QString chordName_;
    MChord chordX_;
    bool sel_ = false;
};
