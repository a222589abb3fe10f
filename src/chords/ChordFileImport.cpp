#include "chords/ChordFileImport.h"

#include "chords/ChordLibraryRules.h"
#include "library/TextCodec.h"
#include "platform/RegularFile.h"


namespace chordlibrary {

namespace {

ChordFileCheck refused(const QString &problem)
{
    return {QString(), problem};
}

QString cannotImport(const QString &path, const QString &why)
{
    return QStringLiteral("The chord file \"%1\" cannot be imported: %2").arg(path, why);
}

} // namespace

ChordFileCheck checkChordBytes(const QByteArray &bytes, const QString &path, qint64 instrument)
{
    const QString text = textcodec::decode(bytes);
    if (text.trimmed().isEmpty())
        return refused(cannotImport(path, QStringLiteral("it is empty.")));
    const QString lines = importableLines(text, instrument);
    if (lines.isEmpty())
        return refused(QStringLiteral("Selected file cannot be imported. Please, use a valid chord file."));
    return {lines, QString()};
}

ChordFileCheck checkChordFile(const QString &path, qint64 instrument)
{
    using Status = platform::FileBytes::Status;
    const platform::FileBytes file = platform::readRegularFile(path, kMaxChordFileBytes);
    switch (file.status) {
    case Status::Ok:
        return checkChordBytes(file.bytes, path, instrument);
    case Status::Missing:
        return refused(cannotImport(path, QStringLiteral("it does not exist.")));
    case Status::NotRegular:
        if (platform::isFolder(path))
            return refused(cannotImport(path, QStringLiteral("it is a folder. Please select a chord file.")));
        return refused(cannotImport(path, QStringLiteral("it is not a regular file (a pipe or a device).")));
    case Status::TooLarge:
        return refused(cannotImport(
            path, QStringLiteral("it is too large (more than %1 MB).").arg(kMaxChordFileBytes / (1024 * 1024))));
    case Status::Unreadable:
        break;
    }
    return refused(cannotImport(path, QStringLiteral("it cannot be read (%1).").arg(file.error)));
}

} // namespace chordlibrary
