#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

QString fileName(const QString &path) { return QFileInfo(path).fileName(); }
QString suffix(const QString &path) { return QFileInfo(path).suffix(); }
QString completeSuffix(const QString &path) { return QFileInfo(path).completeSuffix(); }
QString baseName(const QString &path) { return QFileInfo(path).baseName(); }
QString completeBaseName(const QString &path) { return QFileInfo(path).completeBaseName(); }
QString absolutePath(const QString &path) { return QFileInfo(path).absolutePath(); }
QString absoluteFilePath(const QString &path) { return QFileInfo(path).absoluteFilePath(); }
bool isAbsolutePath(const QString &path) { return QDir::isAbsolutePath(path); }
QString cleanPath(const QString &path) { return QDir::cleanPath(path); }
QString filePath(const QString &folder, const QString &name) { return QDir(folder).filePath(name); }
QString homePath() { return QDir::homePath(); }
QString tempPath() { return QDir::tempPath(); }
QString toNativeSeparators(const QString &path) { return QDir::toNativeSeparators(path); }

} // namespace platform
