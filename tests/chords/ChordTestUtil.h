#pragma once

#include "chords/MChord.h"
#include "library/Pieces.h"

#include <QFile>

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

// A ChordPro song of the library at `path`.
inline PiecesPtr chordProPiece(const QString &path)
{
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    piece->pieceDet->typeFichier1 = 1;
    return piece;
}

inline QString readTextFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
