#include "library/Data.h"

#include "audio/EyeTunes.h"
#include "audio/MusicX.h"
#include "audio/TrackLookup.h"
#include "platform/AtomicFile.h"
#include "platform/DesktopServices.h"
#include "platform/Log.h"
#include "platform/MainThreadFiles.h"
#include "platform/MediaPlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Written under a temporary name, then renamed: a copy cut short never takes
// the track's name, and a copy that failed is known as such.
enum class CopyResult { Copied, AlreadyThere, Failed };

CopyResult copyInto(const QString &source, const QString &folder)
{
    const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    if (QFileInfo::exists(target))
        return CopyResult::AlreadyThere;
    QFile in(source);
    const platform::MainThreadFileScope allow("an export folder chosen in a dialog");
    platform::AtomicFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open())
        return CopyResult::Failed;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() || !out.write(chunk))
            return CopyResult::Failed;
    }
    return out.commit() ? CopyResult::Copied : CopyResult::Failed;
}

} // namespace

bool Data::play_if_found2(const QList<audio::Track> &items, const QString &titre, const QString &artiste,
                          qint64 genre, const QString &dirExport, bool revealOnly, double skipTo)
{
    const audio::TrackChoice choice = audio::chooseTrack(items, titre, artiste, genre);
    if (!choice.chosen)
        return false;
    const audio::Track &track = items.at(*choice.chosen);

    if (!dirExport.isEmpty()) {
        switch (copyInto(track.location, dirExport)) {
        case CopyResult::AlreadyThere:
            return false;
        case CopyResult::Failed:
            TLOG(QStringLiteral("Data play_if_found2: %1 could not be copied to %2").arg(track.location, dirExport));
            if (!filesNotCopied().contains(track.location))
                filesNotCopied().append(track.location);
            return false;
        case CopyResult::Copied:
            break;
        }
        if (premierFichier().isEmpty())
            setPremierFichier(QDir(dirExport).filePath(QFileInfo(track.location).fileName()));
        return true;
    }
    if (revealOnly) {
        platform::desktop().revealInFileManager(track.location);
        return true;
    }

    std::shared_ptr<platform::MediaPlayer> p = player();
    if (p)
        p->pause();
    setMediaItem(std::make_shared<const audio::Track>(track));
    setPlayerItem(track.location);
    if (!p) {
        p = platform::makeMediaPlayer();
        setPlayer(p);
    }
    p->setSource(track.location);
    if (skipTo > 0)
        p->seek(skipTo);
    p->play();
    setSongAsked(qint64(track.persistentID));
    return true;
}

void Data::exportAudioFilesMessageFinal(qint32 count)
{
    QString text = QStringLiteral("%1 file(s) have been copied to %2").arg(QString::number(count), dirOut());
    if (!filesNotCopied().isEmpty())
        text += QStringLiteral("\n%1 file(s) could not be copied.").arg(filesNotCopied().size());
    if (deuxChoix(text, QStringLiteral("Ok"), QStringLiteral("Reveal in File Manager")))
        return;
    platform::desktop().revealInFileManager(premierFichier().isEmpty() ? dirOut() : premierFichier());
}

bool audio::trackPlays()
{
    if (Data::useItunes())
        return MusicX::eyeTunes().playerState() == kPlayerPlaying;
    const std::shared_ptr<platform::MediaPlayer> p = Data::player();
    return p && p->isPlaying();
}
