#pragma once

#include "events/CueRow.h"

namespace cuerowtest {

// A cue row as its fields read.
inline cuerow::Row row(int kind, const char *mmss, const char *val1 = "", const char *a = "", const char *b = "",
                       const char *c = "", const char *winId = "", const char *fav = "")
{
    cuerow::Row r;
    r.kind = kind;
    r.mmss = QString::fromUtf8(mmss);
    r.val1 = QString::fromUtf8(val1);
    r.val1a = QString::fromUtf8(a);
    r.val1b = QString::fromUtf8(b);
    r.val1c = QString::fromUtf8(c);
    r.winId = QString::fromUtf8(winId);
    r.fav = QString::fromUtf8(fav);
    return r;
}

} // namespace cuerowtest
