#pragma once

#include <QString>

namespace controller {

// The sample ChordPro song offered for an empty folder and shipped in the
// built-in help folder.
QString defaultChordProString();

// File name of the sample song inside a folder.
QString sampleSongFileName();  // "Sample.chopro"

// Writes the sample song into folder atomically, in UTF-8, where no file has
// its name. On failure answers false and, when error is given, a sentence
// saying why.
bool writeSampleSong(const QString &folder, QString *error = nullptr);

// The built-in help folder ("Help Tolvane"): $TOLVANE_DATA_DIR/Help Tolvane
// when that variable is set, else under the user's data folder
// ($XDG_DATA_HOME/tolvane/Help Tolvane). The sample song is copied there from
// the program's resources when it is missing, and the help documents (see
// ensureHelpDocuments). Answers the folder's path.
QString helpFolderPath();
QString ensureHelpFolder();
// Copies the help documents beside the sample song when missing or changed;
// answers the folder.
QString ensureHelpDocuments(const QString &folder);

} // namespace controller
