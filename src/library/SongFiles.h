#pragma once

#include <QString>
#include <QStringList>

namespace songfile {

// File names beside a song, compared as a case-sensitive disk holds them:
// the name exactly, the extension in any case ("Song.PDF" is the PDF of
// "Song.chopro").

// A PDF by its extension, in any case.
bool isPdfFile(const QString &path);
// The path of an existing file with the song's name and one of the
// extensions, tried in order; "" when none exists.
QString siblingWithSuffix(const QString &path, const QStringList &suffixes);
// The ChordPro file beside a song ("chopro", "cho", "crd", "tab", "cpm",
// "chordpro", in that order); "" when none.
QString chordProSibling(const QString &path);
// The empty ChordPro file made beside a PDF song.
QString chordProPathBeside(const QString &pdfPath);

// What deleting a song removes. A song with a sibling of the other kind
// shares its note and alternate versions with it: only its own file goes.
struct DeletionPlan {
    bool shared = false;
    QStringList files;  // the song first, then its note and alternate versions
};
DeletionPlan deletionPlan(const QString &path, const QStringList &winIDs);

} // namespace songfile
