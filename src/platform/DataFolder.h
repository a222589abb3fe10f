#pragma once

#include <QString>

namespace platform {

// The program's own data folder: $TOLVANE_DATA_DIR, else
// $XDG_DATA_HOME/tolvane (~/.local/share/tolvane). Not created here.
QString dataFolder();

} // namespace platform
