#include "platform/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

QString dataFolder()
{
    const QString chosen = qEnvironmentVariable("TOLVANE_DATA_DIR");
    if (!chosen.isEmpty())
        return chosen;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("tolvane"));
}

} // namespace platform
