#include "controller/Controller.h"

#include "audio/MusicLibrary.h"
#include "audio/Track.h"
#include "audio/TrackLookup.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "windows/PopupJauge.h"

#include <QLabel>
#include <QProgressBar>

namespace {

const QString kBusy = QStringLiteral("Export of audio files is currently in progress.");

// What one song's copies came to.
struct TrackCopies {
    qint32 copied = 0;
    QStringList failed;
    QString first; // the first file copied
};

} // namespace

void Controller::actionRevealAudio()
{
    audio::MusicLibrary &library = audio::musicLibrary();
    if (!library.isAvailable()) {
        Data::msg(audio::noMusicFolderText());
        return;
    }
    const PiecePtr piece = Data::getPiece(Data::songNoG());
    if (!piece || !piece->pieceDet
        || !Data::play_if_found2(library.allMediaItems(), piece->pieceDet->titre, piece->pieceDet->auteur.toUpper(),
                                 Data::currentGenreG(), true, 0))
        Data::msg(QStringLiteral("Tolvane is unable to find the corresponding song in your Music Library."));
}

PopupJauge *Controller::audioExportPopup() const
{
    return popupJauge_;
}

bool Controller::audioExportRuns() const
{
    return (popupJauge_ && popupJauge_->enCours()) || audioCopies_.busy();
}

void Controller::copySongTracks(const PiecePtr &piece, std::function<void()> then)
{
    const QStringList sources = piece && piece->pieceDet ? audio::tracksToExport(exportItems_, piece->pieceDet->titre,
                                                                                  piece->pieceDet->auteur.toUpper())
                                                         : QStringList();
    const QString folder = Data::dirOut();
    // The tracks wait on the music folder and the export folder on a thread of their own.
    audioCopies_.run(
        QStringLiteral("Audio export: %1").arg(folder),
        [sources, folder, held = songFileCall_]() {
            TrackCopies copies;
            for (const QString &source : sources) {
                if (held)
                    held(source);
                switch (audio::copyTrackInto(source, folder)) {
                case audio::CopyResult::Copied:
                    ++copies.copied;
                    if (copies.first.isEmpty())
                        copies.first = platform::filePath(folder, platform::fileName(source));
                    break;
                case audio::CopyResult::Failed:
                    copies.failed << source;
                    break;
                case audio::CopyResult::AlreadyThere:
                    break;
                }
            }
            return copies;
        },
        [this, folder, then = std::move(then)](const TrackCopies &copies) {
            if (terminated_)
                return;
            Data::setNbFileOut(Data::nbFileOut() + copies.copied);
            for (const QString &source : copies.failed) {
                TLOG(QStringLiteral("Audio export: %1 could not be copied to %2").arg(source, folder));
                if (!Data::filesNotCopied().contains(source))
                    Data::filesNotCopied().append(source);
            }
            if (Data::premierFichier().isEmpty())
                Data::setPremierFichier(copies.first);
            then();
        });
}

void Controller::actionExportAudioFiles(bool currentSongOnly)
{
    if (audioExportRuns()) {
        Data::msg(kBusy);
        return;
    }
    if (!Data::getKeyWin()) {
        Data::msg(QStringLiteral("A tolvane window must be selected to use this function."));
        return;
    }
    const QString folder = platform::dialogs().chooseFolder(
        QStringLiteral("Tolvane"), QStringLiteral("Please select a destination folder for the audio file(s)"),
        platform::homePath());
    if (!folder.isEmpty())
        exportAudioFiles(currentSongOnly, folder);
}

void Controller::exportAudioFiles(bool currentSongOnly, const QString &folder)
{
    if (!currentSongOnly) {
        const qint64 count = Data::getNbrPiecesOng(Data::onglNoG());
        const QString question = QStringLiteral("Export audio files for %1 song(s) to %2").arg(QString::number(count), folder);
        if (Data::questionAvecCancel(question) != 1)
            return;
    }
    audio::MusicLibrary &library = audio::musicLibrary();
    if (!library.isAvailable()) {
        Data::msg(audio::noMusicFolderText());
        return;
    }
    if (audioExportRuns()) {
        Data::msg(kBusy);
        return;
    }
    Data::setDirOut(folder);
    Data::setPremierFichier(QString());
    Data::filesNotCopied().clear();
    exportItems_ = library.allMediaItems();
    Data::setNbOut(0);
    Data::setNbFileOut(0);
    if (currentSongOnly) {
        copySongTracks(Data::getPiece(Data::songNoG()), [this]() {
            exportItems_.clear();
            Data::exportAudioFilesMessageFinal(Data::nbFileOut());
        });
        return;
    }
    Data::setOngOut(Data::onglNoG());
    // The songs are taken now: a folder load during the export changes the
    // lists, and must not change what is exported.
    exportSongs_.clear();
    const qint64 start = Data::indexInTitleArrayG(Data::ongOut());
    const qint64 count = Data::getNbrPiecesOng(Data::ongOut());
    const PiecesList &byTitle = Data::listePiecesByTitle();
    for (qint64 k = start; start >= 0 && k < start + count && k < byTitle.size(); ++k)
        exportSongs_.append(byTitle.at(k));
    if (!popupJauge_)
        popupJauge_ = new PopupJauge();
    popupJauge_->showPopupJauge(0, false);
    popupJauge_->level1()->setRange(0, int(qMax<qsizetype>(exportSongs_.size(), 1)));
    platform::performAfter(0.0, this, [this]() { exportAudioFilesMultipleB(); });
}

void Controller::exportAudioFilesMultipleB()
{
    // A song's copies under way take the next turn once they answer.
    if (!popupJauge_ || !popupJauge_->enCours() || audioCopies_.busy())
        return;
    const qint32 done = Data::nbOut();
    if (done < exportSongs_.size() && !popupJauge_->cancelPressed()) {
        const PiecePtr piece = exportSongs_.at(done);
        popupJauge_->txt1()->setText(QStringLiteral("%1/%2 %3").arg(QString::number(done + 1),
                                                                    QString::number(exportSongs_.size()),
                                                                    piece && piece->pieceDet ? piece->pieceDet->titre
                                                                                             : QString()));
        popupJauge_->level1()->setValue(done + 1);
        copySongTracks(piece, [this, done]() {
            Data::setNbOut(done + 1);
            platform::performAfter(0.0, this, [this]() { exportAudioFilesMultipleB(); });
        });
        return;
    }
    popupJauge_->closePopupJauge();
    exportSongs_.clear();
    exportItems_.clear();
    Data::exportAudioFilesMessageFinal(Data::nbFileOut());
}
