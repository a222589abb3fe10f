#pragma once

#include "library/Pieces.h"

// What the note windows follow of the controller's pushes: the song, its
// page and half, and the playing track's position.
struct SongFollow {
    PiecesPtr piece;
    qint32 page = 1;
    bool zoomTop = true;
    bool zoomOn = false;
    bool playing = false;
    double pos = 0.0;
    bool advancing = false; // the position has moved since playback started

    bool sameSong(const PiecesPtr &p) const { return p == piece; }
    void push(const PiecesPtr &p, qint64 pageNo, bool top, bool on)
    {
        piece = p;
        page = qint32(pageNo);
        zoomTop = top;
        zoomOn = on;
    }
    void track(double curPos, bool masquer)
    {
        const double before = pos;
        playing = !masquer;
        pos = masquer ? 0.0 : curPos;
        advancing = playing && (advancing || pos > before);
    }
};
