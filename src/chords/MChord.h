#pragma once

#include <QtGlobal>

// One chord shape, copied by value. Guitar and ukulele: one value per string
// (-1 muted, 0 open, 1-9 the fret row counted from the base fret), `fretPos`
// the base fret. Piano: key numbers (1 = C ... 12 = B, 13 = the next C; 0 no
// key) and `fretPos` the inversion. A ukulele uses s1-s4.
struct MChord {
    qint32 s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0;
    qint32 fretPos = 0;
    // Taken from the song's own definitions rather than the library.
    bool userDefined = false;

    // String or key k, 1-6 (anything else reads and writes s6).
    qint32 value(int k) const;
    void setValue(int k, qint32 v);
    bool operator==(const MChord &) const = default;
};

inline qint32 MChord::value(int k) const
{
    switch (k) {
    case 1: return s1;
    case 2: return s2;
    case 3: return s3;
    case 4: return s4;
    case 5: return s5;
    default: return s6;
    }
}

inline void MChord::setValue(int k, qint32 v)
{
    switch (k) {
    case 1: s1 = v; break;
    case 2: s2 = v; break;
    case 3: s3 = v; break;
    case 4: s4 = v; break;
    case 5: s5 = v; break;
    default: s6 = v; break;
    }
}
