#pragma once

#include <QString>
#include <QStringList>

// Which song files a folder scan takes: the first `cap` song files of the
// folder and its subfolders, depth first in the order of full paths (byte
// order of the names, case-sensitive), so the files taken are the same on
// every machine. Only regular files count (a link is resolved first); links
// to folders are not followed and a folder named "temp" (where exports go)
// is skipped. Only the song files of a folder are sorted, and once the cap
// is reached the rest is counted without sorting.
namespace folderwalk {

struct Result {
    bool folderFound = false; // false: the folder is missing or cannot be listed
    QStringList taken;        // full paths, in walk order
    int leftOut = 0;          // song files past the cap
    int badNames = 0;         // song files whose names are not valid UTF-8 (no Unicode path reaches them)
    int special = 0;          // pipes, devices and sockets with a song's name
};

Result walk(const QString &folder, int cap);
// Whether the folder exists and can be listed.
bool usable(const QString &folder);
// What the windows' message line says of a scan: the files it left out and
// the names it could not use; "" when it took everything.
QString message(const Result &scan);

} // namespace folderwalk
