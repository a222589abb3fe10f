#pragma once

#include <QByteArray>
#include <QString>

// Reading a chord file offered for import. Any thread: nothing here touches
// the library, a window or the settings, so the window can read and check a
// large file on a worker and only take the result on the main thread.
namespace chordlibrary {

// Far more than any real library (the default guitar library is 17 kB,
// 100,000 chords about 5 MB): a huge file is refused before it fills the
// memory or holds the window.
constexpr qint64 kMaxChordFileBytes = 8 * 1024 * 1024;

// What a chord file gave: the lines the library takes (each with its line
// break), or the message saying why it takes none.
struct ChordFileCheck {
    QString lines;
    QString problem;
};

// The file's bytes decoded as song and note files are (UTF-16 with its
// byte-order mark, UTF-8, else Windows-1252), then checked line by line for
// the instrument.
ChordFileCheck checkChordBytes(const QByteArray &bytes, const QString &path, qint64 instrument);
// Reads a regular file of at most kMaxChordFileBytes and checks it. A pipe,
// a device or a folder is never opened for reading.
ChordFileCheck checkChordFile(const QString &path, qint64 instrument);

} // namespace chordlibrary
