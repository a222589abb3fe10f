#include "audio/MusicLibrary.h"

#include "platform/UserDefaults.h"

#include <QStandardPaths>

namespace audio {

namespace {

MusicLibrary *g_installed = nullptr;

} // namespace

QString musicFolderPath()
{
    const QString chosen = platform::UserDefaults::standard().stringForKey(QStringLiteral("musicFolder"));
    return chosen.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::MusicLocation) : chosen;
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
