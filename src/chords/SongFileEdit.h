#pragma once

#include <QString>
#include <functional>

// Changes to a ChordPro song file made from the chord windows (piano
// inversions, the song's own chord shapes). The file is edited as it stands
// on disk, so edits made meanwhile elsewhere (another window, the editor,
// another program) are kept, and written whole or not at all.
namespace songfile {

// Reads the file, lets `edit` change the text (answering false when it changed
// nothing), writes it back atomically in UTF-8 and reloads the song in every
// window that shows it. A file that cannot be read or written is reported in
// a message naming it, and nothing changes. True when the file was written.
bool editSongFile(const QString &path, const std::function<bool(QString &text)> &edit);

} // namespace songfile
