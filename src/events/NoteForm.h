#pragma once

#include "events/EventScript.h"

#include <QString>
#include <array>

// A song's note seen as the fields of the formatted notes window, and the
// note text written back from them. Pure: no window and no global state.
namespace noteform {

// Signature combo: 0 none, 1 "2/4", 2 "3/4", 3 "4/4".
int signatureIndex(qint32 signatureCode);

struct Fields {
    QString master;
    QString title;
    bool titleEdited = false; // written to the note only when edited
    QString artist;
    bool artistEdited = false;
    QString tempo;
    int signature = 0;
    QString key;
    std::array<QString, 9> dates; // screen sets 1-9
    QString tags;
    QString comments;
};

// The value of a header key ("TITLE=" ...) trimmed of blanks and tabs: on the
// first line the key begins (notefile::keyValue), also a last line without a
// line end.
QString headerValue(const QString &note, const QString &key);
// The note's free comment lines, each followed by "\n".
QString comments(const QString &note, const eventscript::WinIdTest &isValidWinID);

// The fields of a note; tempo and signature code as the song record read them.
Fields read(const QString &note, qint32 tempo, qint32 signatureCode, const eventscript::WinIdTest &isValidWinID);
// The tempo and signature of fields read before, as the song record reads them now.
void setTempo(Fields &fields, qint32 tempo, qint32 signatureCode);

// The note text of the fields and the event script, in the window's layout.
QString build(const Fields &fields, const QString &eventScript);

// The same, keeping every line of the old note that no field, cue row or
// comment shows: each stays as it was, after the nearest shown line above it
// that is written again (the master line at worst). A header or cue line
// whose field or row was not edited is written as it stood; an edited header
// changes only its value on its line.
QString rebuild(const Fields &fields, const QString &eventScript, const QString &oldNote,
                const eventscript::WinIdTest &isValidWinID);

// A text of nothing but blanks, tabs and line ends.
bool isBlank(const QString &note);

// The header keys the window reads, upper-cased with their "=".
QString dateKey(int screenSet);

} // namespace noteform
