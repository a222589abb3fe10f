#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The program's own data folder: $TOLVANE_DATA_DIR, else
// $XDG_DATA_HOME/tolvane (~/.local/share/tolvane). Not created here.
QString dataFolder();

// The program's own config folder, the settings store's: $TOLVANE_CONFIG_DIR,
// else $XDG_CONFIG_HOME/tolvane (~/.config/tolvane). Not created here.
QString configFolder();

// Every folder of the program's own: the two above, and the tolvane folders
// of the cache and the runtime folder, where what a quit could not write is
// kept when the data folder refuses it.
QStringList ownFolders();

} // namespace platform
