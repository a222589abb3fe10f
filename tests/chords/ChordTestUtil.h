#pragma once

#include "chords/MChord.h"

#include <initializer_list>

// A shape from its string values (s1 first), base fret and origin.
inline MChord shape(std::initializer_list<int> values, int fretPos, bool userDefined = false)
{
    MChord m;
    int k = 1;
    for (int v : values)
        m.setValue(k++, v);
    m.fretPos = fretPos;
    m.userDefined = userDefined;
    return m;
}
