#include "audio/MusicLibrary.h"

#include "platform/MainThreadFiles.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"

#include <QStandardPaths>

namespace audio {

namespace {

MusicLibrary *g_installed = nullptr;

// The user-dirs file is a few lines; anything larger is not one.
constexpr qint64 kUserDirsMaxBytes = 64 * 1024;

// A folder as the user-dirs format writes it: absolute, or under "$HOME".
// Anything else, and the home folder itself (a folder turned off), is none.
QString userDirPath(QString value, const QString &home)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    if (value == QLatin1String("$HOME") || value.startsWith(QLatin1String("$HOME/")))
        value = home + value.mid(5);
    if (!platform::isAbsolutePath(value))
        return {};
    const QString path = platform::cleanPath(value);
    return path == platform::cleanPath(home) ? QString() : path;
}

} // namespace

void MusicLibrary::whenIndexed(const QObject *context, std::function<void()> done)
{
    if (!isIndexing()) {
        done();
        return;
    }
    waiting_.emplace_back(QPointer<const QObject>(context), std::move(done));
}

void MusicLibrary::indexed()
{
    if (isIndexing())
        return;
    const auto waiting = std::exchange(waiting_, {});
    for (const auto &[context, done] : waiting)
        if (context)
            done();
}

QString desktopMusicFolderFrom(const QString &environment, const QString &userDirs, const QString &home)
{
    if (const QString fromEnvironment = userDirPath(environment, home); !fromEnvironment.isEmpty())
        return fromEnvironment;
    for (const QString &line : userDirs.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QLatin1String("XDG_MUSIC_DIR=")))
            continue;
        if (const QString fromFile = userDirPath(trimmed.mid(14), home); !fromFile.isEmpty())
            return fromFile;
    }
    return platform::filePath(home, QStringLiteral("Music"));
}

QString desktopMusicFolder()
{
    const QString userDirsFile =
        platform::filePath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                           QStringLiteral("user-dirs.dirs"));
    // Beside the program's config folder: a home that does not answer holds the program's own folders too.
    const platform::MainThreadFileScope allow("the desktop's folder list");
    const platform::FileBytes userDirs = platform::readRegularFile(userDirsFile, kUserDirsMaxBytes);
    return desktopMusicFolderFrom(qEnvironmentVariable("XDG_MUSIC_DIR"),
                                  userDirs.ok() ? QString::fromUtf8(userDirs.bytes) : QString(), platform::homePath());
}

QString musicFolderPath()
{
    const QString chosen = platform::UserDefaults::standard().stringForKey(QStringLiteral("musicFolder"));
    return chosen.isEmpty() ? desktopMusicFolder() : chosen;
}

void followMusicFolder()
{
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    const auto follow = [] { musicLibrary().changeFolder(musicFolderPath()); };
    if (defaults.hasRead()) {
        follow();
        return;
    }
    // Meanwhile the folder indexed last time answers, so that its tracks play.
    musicLibrary().followKeptFolder();
    defaults.afterLateRead(QStringLiteral("music folder"), follow);
}

QString indexingText(int filesSoFar)
{
    return QStringLiteral("Indexing the music folder (%1 files so far)…").arg(filesSoFar);
}

bool sayWhileIndexing(const MusicLibrary &library)
{
    if (!library.isIndexing())
        return false;
    platform::NotificationCenter::defaultCenter().post(vocab::ActionIndexing);
    return true;
}

QString noMusicFolderText()
{
    return QStringLiteral("No music folder: choose one in Preferences");
}

MusicLibrary &musicLibrary()
{
    // Until the program installs the music folder's index, there is no library.
    static StaticMusicLibrary none({}, false);
    return g_installed ? *g_installed : none;
}

void setMusicLibrary(MusicLibrary *library)
{
    g_installed = library;
}

} // namespace audio
