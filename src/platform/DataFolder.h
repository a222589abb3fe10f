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

// The tolvane folders of the cache and of the runtime folder, where what a
// quit could not write is kept when the data folder refuses it.
QStringList spareFolders();

// Every folder of the program's own: the data and config folders and the
// spare ones.
QStringList ownFolders();

} // namespace platform
