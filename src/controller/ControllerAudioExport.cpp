#include "controller/Controller.h"

#include "audio/MusicLibrary.h"
#include "audio/Track.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "windows/PopupJauge.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>

namespace {

const QString kBusy = QStringLiteral("Export of audio files is currently in progress.");

// The recordings an export copies: genres 1 Any to 5 Recording.
qint32 exportSong(const QList<audio::Track> &items, const Controller::PiecePtr &piece)
{
    qint32 copied = 0;
    if (!piece || !piece->pieceDet)
        return 0;
    for (qint64 genre = 1; genre <= 5; ++genre)
        if (Data::play_if_found2(items, piece->pieceDet->titre, piece->pieceDet->auteur.toUpper(), genre,
                                 Data::dirOut(), false, 0))
            ++copied;
    return copied;
}

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
                                 Data::currentGenreG(), QString(), true, 0))
        Data::msg(QStringLiteral("Tolvane is unable to find the corresponding song in your Music Library."));
}

PopupJauge *Controller::audioExportPopup() const
{
    return popupJauge_;
}

bool Controller::audioExportRuns() const
{
    return popupJauge_ && popupJauge_->enCours();
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
        QDir::homePath());
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
    if (currentSongOnly) {
        const qint32 copied = exportSong(exportItems_, Data::getPiece(Data::songNoG()));
        exportItems_.clear();
        Data::exportAudioFilesMessageFinal(copied);
        return;
    }
    Data::setNbOut(0);
    Data::setNbFileOut(0);
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
    if (!audioExportRuns())
        return;
    const qint32 done = Data::nbOut();
    if (done < exportSongs_.size() && !popupJauge_->cancelPressed()) {
        const PiecePtr piece = exportSongs_.at(done);
        popupJauge_->txt1()->setText(QStringLiteral("%1/%2 %3").arg(QString::number(done + 1),
                                                                    QString::number(exportSongs_.size()),
                                                                    piece && piece->pieceDet ? piece->pieceDet->titre
                                                                                             : QString()));
        popupJauge_->level1()->setValue(done + 1);
        Data::setNbFileOut(Data::nbFileOut() + exportSong(exportItems_, piece));
        Data::setNbOut(done + 1);
        platform::performAfter(0.0, this, [this]() { exportAudioFilesMultipleB(); });
        return;
    }
    popupJauge_->closePopupJauge();
    exportSongs_.clear();
    exportItems_.clear();
    Data::exportAudioFilesMessageFinal(Data::nbFileOut());
}
