#pragma once

#include <QByteArray>
#include <QString>

namespace platform {
struct FileBytes;
}

// Why a song file cannot be shown, in the words the window's message line
// uses; an empty reason when nothing is known to be wrong.
namespace songfile {

// A song file's read (platform::readRegularFile): missing, not a regular
// file, unreadable or empty. A file over the read's limit is the reader's to judge.
QString readProblem(const platform::FileBytes &file);
// What the PDF reader made of a document's bytes.
enum class PdfLoad {
    Loaded,
    Damaged,
    NeedsPassword,
    GivenUp,     // it did not finish in time, or the reader ended on it
    NoReader,    // the reader could not be started
    OutOfMemory, // the reader ran out of the memory it may use
    Stopped,     // the reader was killed or stalled from outside, again and again
};
// A PDF song's read: its read's problem, else no "%PDF-" header ("not a PDF
// file"), else why the PDF reader could not load it.
QString pdfProblem(const platform::FileBytes &file, PdfLoad load);
// A ChordPro song's bytes: NUL bytes outside UTF-16 make it "not a text file".
QString textProblem(const QByteArray &bytes);
// The message line's text, naming the file.
QString message(const QString &path, const QString &reason);
// What a pane says while the library folder keeps the song's file unanswered.
QString noAnswer(const QString &path);
// The same for a row or a field whose answer the library folder keeps.
QString noAnswer();
// What the title row says when a page on screen waited for a PDF reader that stalled or was killed.
QString pageLate(const QString &path);
// ... when its document's load on screen has not answered for a while.
QString slowToOpen(const QString &path);
// ... when its page on screen has been drawing for a while (a heavy page, a form that fans out).
QString slowToDraw(const QString &path);
// ... when the pages drawn stay as they were, the reader stopped again and again.
QString pageKept(const QString &path);

} // namespace songfile
