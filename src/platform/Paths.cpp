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

namespace {

// The length of the valid UTF-8 sequence at `at`, 0 when there is none.
qsizetype utf8Sequence(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&bytes](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0; };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    const qsizetype length = lead >= 0xc2 && lead <= 0xdf ? 2 : lead >= 0xe0 && lead <= 0xef ? 3 : lead >= 0xf0 && lead <= 0xf4 ? 4 : 0;
    for (qsizetype i = 1; i < length; ++i)
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
    // Overlong forms, surrogates and past U+10FFFF are not valid either.
    const uchar second = byte(at + 1);
    if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second >= 0xa0) || (lead == 0xf0 && second < 0x90) ||
        (lead == 0xf4 && second >= 0x90))
        return 0;
    return length;
}

bool strayByte(QChar c) { return c.unicode() >= 0xdc80 && c.unicode() <= 0xdcff; }

} // namespace

QByteArray nativePath(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        const bool stray = i < path.size() && strayByte(path[i]) && (i == 0 || !path[i - 1].isHighSurrogate());
        if (i < path.size() && !stray)
            continue;
        bytes += QStringView(path).mid(run, i - run).toUtf8();
        if (stray)
            bytes += char(path[i].unicode() - 0xdc00);
        run = i + 1;
    }
    return bytes;
}

QString fromNativePath(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i <= bytes.size();) {
        const qsizetype length = i < bytes.size() ? utf8Sequence(bytes, i) : 0;
        if (length > 0) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(bytes.constData() + run, i - run);
        if (i < bytes.size())
            path += QChar(0xdc00 + uchar(bytes[i]));
        run = ++i;
    }
    return path;
}

} // namespace platform
