#include "platform/DataFolder.h"

#include <QDir>
#include <QStringList>
#include <QStandardPaths>

namespace platform {

QString dataFolder()
{
    const QString chosen = qEnvironmentVariable("TOLVANE_DATA_DIR");
    if (!chosen.isEmpty())
        return chosen;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("tolvane"));
}

QString configFolder()
{
    QString dir = qEnvironmentVariable("TOLVANE_CONFIG_DIR");
    if (dir.isEmpty()) {
        QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (base.isEmpty())
            base = QDir::homePath() + QStringLiteral("/.config");
        dir = base + QStringLiteral("/tolvane");
    }
    return dir;
}

QStringList spareFolders()
{
    QStringList out;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        out << QDir(cache).filePath(QStringLiteral("tolvane"));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        out << QDir(runtime).filePath(QStringLiteral("tolvane"));
    return out;
}

QStringList ownFolders() { return QStringList{dataFolder(), configFolder()} + spareFolders(); }

} // namespace platform
