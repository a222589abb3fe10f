// The music folder's set-up: the user-dirs file's text, and the index kept
// from the last run, read back for an empty folder.
#include "FuzzSupport.h"

#include "audio/library/MusicFolderIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzzsupport::bytes(data, size);
    const QString folder =
        audio::desktopMusicFolderFrom(QString(), QString::fromUtf8(input), QStringLiteral("/home/ana"));
    // Whatever the file says, the answer is a clean absolute path other than home.
    if (!QDir::isAbsolutePath(folder) || QDir::cleanPath(folder) != folder || folder == QLatin1String("/home/ana"))
        std::abort();

    static QTemporaryDir dir;
    static const QString music = [] {
        const QString path = dir.filePath(QStringLiteral("Music"));
        QDir().mkpath(path);
        return path;
    }();
    const QString cache = dir.filePath(QStringLiteral("index"));
    QFile file(cache);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
        std::abort();
    file.close();
    audio::MusicFolderIndex index(music, cache);
    index.waitForScan();
    // The folder is empty: whatever the kept index held is gone once walked.
    if (!index.allMediaItems().isEmpty())
        std::abort();
    return 0;
}
