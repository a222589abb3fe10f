#pragma once

#include <QByteArray>
#include <QString>

// A path's parts and joins, from its text alone: none of these asks the file
// system, so any thread may use them on any path. Code outside the platform
// uses these rather than QFileInfo and QDir, whose other members do ask it.
namespace platform {

QString fileName(const QString &path);         // "/a/b.tar.gz": "b.tar.gz"
QString suffix(const QString &path);           // "gz"
QString completeSuffix(const QString &path);   // "tar.gz"
QString baseName(const QString &path);         // "b"
QString completeBaseName(const QString &path); // "b.tar"
// The folder holding the path, and the path itself, made absolute against the current folder.
QString absolutePath(const QString &path);
QString absoluteFilePath(const QString &path);
bool isAbsolutePath(const QString &path);
QString cleanPath(const QString &path);
// `name` in `folder`; an absolute name stands alone.
QString filePath(const QString &folder, const QString &name);
QString homePath();
QString tempPath();
QString toNativeSeparators(const QString &path);

// A path as the file system holds it, and back. A name that is not valid
// UTF-8 keeps each stray byte as a lone surrogate (U+DC80 to U+DCFF), so that
// it is shown, chosen and found again; QFile's names would lose it.
QByteArray nativePath(const QString &path);
QString fromNativePath(const QByteArray &bytes);

} // namespace platform
