#include "library/Data.h"

#include "audio/EyeTunes.h"
#include "audio/MusicX.h"
#include "audio/TrackLookup.h"
#include "platform/AtomicFile.h"
#include "platform/DesktopServices.h"
#include "platform/Log.h"
#include "platform/MediaPlayer.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

bool Data::play_if_found2(const QList<audio::Track> &items, const QString &titre, const QString &artiste,
                          qint64 genre, bool revealOnly, double skipTo)
{
    const audio::TrackChoice choice = audio::chooseTrack(items, titre, artiste, genre);
    if (!choice.chosen)
        return false;
    const audio::Track &track = items.at(*choice.chosen);

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

QStringList audio::tracksToExport(const QList<Track> &items, const QString &title, const QString &artist)
{
    QStringList sources;
    for (qint64 genre = 1; genre <= 5; ++genre) {
        const TrackChoice choice = chooseTrack(items, title, artist, genre);
        if (choice.chosen && !sources.contains(items.at(*choice.chosen).location))
            sources.append(items.at(*choice.chosen).location);
    }
    return sources;
}

// Written without a name until complete, which it then takes only while no
// file has it: a copy cut short never takes the track's name, a copy that
// failed is known as such, and a file made there since the export began (or a
// link there, even to nothing) stays as it is.
audio::CopyResult audio::copyTrackInto(const QString &source, const QString &folder)
{
    platform::AtomicFile out(platform::filePath(folder, platform::fileName(source)), platform::AtomicFile::Mode::Creates);
    bool opened = false;
    const platform::FileBytes read =
        platform::readRegularFile(source, kMaxTrackBytes, {}, [&out, &opened](const char *data, qint64 size) {
            opened = opened || out.open();
            return opened && out.write(QByteArray::fromRawData(data, qsizetype(size)));
        });
    // An empty track is written too.
    if (read.ok() && (opened || out.open()) && out.commit())
        return CopyResult::Copied;
    return out.there() ? CopyResult::AlreadyThere : CopyResult::Failed;
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
