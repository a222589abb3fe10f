#pragma once

#include <QByteArray>
#include <QString>

// Why a song file cannot be shown, in the words the window's message line
// uses; an empty reason when nothing is known to be wrong.
namespace songfile {

// The file itself: missing, not a regular file, unreadable or empty.
QString openProblem(const QString &path);
// A PDF song: the file's own problem, else no "%PDF-" header ("not a PDF
// file"), else, when the PDF reader could not load it, "damaged PDF".
QString pdfProblem(const QString &path, bool loaded);
// A ChordPro song's bytes: NUL bytes outside UTF-16 make it "not a text file".
QString textProblem(const QByteArray &bytes);
// The message line's text, naming the file.
QString message(const QString &path, const QString &reason);

} // namespace songfile
