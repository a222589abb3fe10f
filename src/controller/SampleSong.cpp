#include "controller/SampleSong.h"

#include "platform/AtomicFile.h"
#include "platform/DataFolder.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "settings/HelpPages.h"

#include <QFile>

namespace controller {

QString defaultChordProString()
{
    return QStringLiteral(
        "{title:Title}\n"
        "{st:Artist}\n"
        "{fontsize:17.0}\n"
        "\n"
        "# Type your song here...\n"
        "\n"
        "This is an example.\n"
        "\n"
        "To edit this file, press Alt-Enter or select Open in Editor from the Song menu.\n"
        "\n"
        "Those keys can be used in the Editor:\n"
        "\n"
        "Tab                 Insert a chord\n"
        "Shift-Tab           Insert a ChordPro directive\n"
        "Alt-A to Alt-G      Quickly insert basic chords\n"
        "Alt-Up Alt-Down     Transpose (+1/-1 semitone)\n"
        "Alt-Left Alt-Right  Convert # to b  or  b to #\n"
        "Ctrl+ Ctrl-         Adjust fontsize (fine)\n"
        "Shift Ctrl+ Ctrl-   Adjust fontsize (coarse)\n"
        "Alt-T               Transpose\n"
        "\n"
        "[C]This is an [G]example\n"
        "\n"
        "If you prefer, you can also enter your chords and lyrics using the format below and use the Convert button.\n"
        "\n"
        "Example:\n"
        "\n"
        "C       F       G\n"
        "This is another example\n"
        "    Am          C\n"
        "Please use Convert after entering\n"
        "C          F                G\n"
        "Lyrics and Chords using this format\n"
        "\n"
        "Solo: C Am F C\n");
}

QString sampleSongFileName()
{
    return QStringLiteral("Sample.chopro");
}

bool writeSampleSong(const QString &folder, QString *error)
{
    return platform::createFileAtomically(platform::filePath(folder, sampleSongFileName()),
                                          defaultChordProString().toUtf8(), error);
}

QString helpFolderPath()
{
    return platform::filePath(platform::dataFolder(), QStringLiteral("Help Tolvane"));
}

QString ensureHelpDocuments(const QString &folder)
{
    if (!platform::makeFolder(folder)) {
        TLOG(QStringLiteral("Controller ensureHelpDocuments cannot create %1").arg(folder));
        return folder;
    }
    for (const QString &former : helppages::formerFileNames()) {
        const QString stale = platform::filePath(folder, former);
        if (platform::pathExists(stale) && !platform::removeFile(stale))
            TLOG(QStringLiteral("Controller ensureHelpDocuments cannot remove %1").arg(stale));
    }
    for (int n : helppages::allPages()) {
        QFile resource(QStringLiteral(":/help/") + helppages::fileName(n));
        if (!resource.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = resource.readAll();
        const QString copy = platform::filePath(folder, helppages::fileName(n));
        const platform::FileBytes there = platform::readRegularFile(copy, bytes.size());
        if (there.ok() && there.bytes == bytes)
            continue;
        QString error;
        if (!platform::writeFileAtomically(copy, bytes, &error))
            TLOG(QStringLiteral("Controller ensureHelpDocuments failed %1 %2").arg(copy, error));
    }
    return folder;
}

QString ensureHelpFolder()
{
    const QString folder = ensureHelpDocuments(helpFolderPath());
    const QString song = platform::filePath(folder, sampleSongFileName());
    if (platform::pathExists(song))
        return folder;
    QFile resource(QStringLiteral(":/help/Sample.chopro"));
    const QByteArray bytes = resource.open(QIODevice::ReadOnly) ? resource.readAll()
                                                                : defaultChordProString().toUtf8();
    QString error;
    bool there = false;
    if (!platform::makeFolder(folder))
        error = QStringLiteral("cannot create the folder");
    else
        platform::createFileAtomically(song, bytes, &error, &there);
    // One made since the look stays as it is.
    if (!error.isEmpty() && !there)
        TLOG(QStringLiteral("Controller ensureHelpFolder failed %1 %2").arg(folder, error));
    return folder;
}

} // namespace controller
