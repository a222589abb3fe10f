#include "audio/windows/WinAudioPreview.h"

#include "audio/MusicLibrary.h"
#include "audio/TrackLookup.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "library/PiecesDet.h"
#include "platform/MediaPlayer.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

const QString kRowNames[] = {QStringLiteral("Any"), QStringLiteral("Cover"), QStringLiteral("Backing Track"),
                             QStringLiteral("Practice"), QStringLiteral("Recording")};

} // namespace

WinAudioPreview::WinAudioPreview(QWidget *parent) : AudioWindow(QStringLiteral("Track Preview"), parent)
{
    auto *grid = new QGridLayout(this);
    for (int row = 1; row <= audiowin::kSections; ++row) {
        auto *play = new QPushButton(QStringLiteral("▶ %1").arg(kRowNames[row - 1]), this);
        auto *reveal = new QPushButton(QStringLiteral("Show File"), this);
        labels_[size_t(row - 1)] = new QLabel(this);
        labelsGenre_[size_t(row - 1)] = new QLabel(this);
        grid->addWidget(play, 2 * row - 2, 0);
        grid->addWidget(labels_[size_t(row - 1)], 2 * row - 2, 1);
        grid->addWidget(labelsGenre_[size_t(row - 1)], 2 * row - 1, 1);
        grid->addWidget(reveal, 2 * row - 2, 2);
        // The rows' genres are the genre numbers 1-5.
        connect(play, &QPushButton::clicked, this, [this, row]() { actionButtonPlayFrom(row); });
        connect(reveal, &QPushButton::clicked, this, [this, row]() { actionButtonReveal(row); });
    }
    const int last = 2 * audiowin::kSections;
    auto *stop = new QPushButton(QStringLiteral("Stop"), this);
    buttonClose_ = new QPushButton(QStringLiteral("Close"), this);
    grid->addWidget(stop, last, 0);
    grid->addWidget(slider1_, last, 1);
    grid->addWidget(labelCurrentTime_, last, 2);
    grid->addWidget(buttonClose_, last + 1, 2);
    connect(stop, &QPushButton::clicked, this, [this]() { actionButtonStop(); });
    connect(buttonClose_, &QPushButton::clicked, this, [this]() { close(); });
    connect(slider1_, &QSlider::sliderReleased, this, [this]() { sliderDidMove(); });
}

WinAudioPreview::~WinAudioPreview() = default;

void WinAudioPreview::showWin(const std::shared_ptr<Pieces> &piece, double curPos, const QString &)
{
    showPosition(curPos);
    if (!(isVisible() && piece == pieceCour_)) {
        refreshPieceData(piece);
    }
    show();
    raise();
    activateWindow();
    buttonClose_->setFocus();
}

void WinAudioPreview::refreshPieceData(const std::shared_ptr<Pieces> &piece)
{
    pieceCour_ = piece;
    if (!piece || !piece->pieceDet) {
        showRows(audiowin::previewRowsSaying(QString()));
        return;
    }
    audio::MusicLibrary &library = audio::musicLibrary();
    if (!library.isAvailable()) {
        library.lookAgain();
        showRows(audiowin::previewRowsSaying(audio::noMusicFolderText()));
        return;
    }
    if (audio::sayWhileIndexing(library)) {
        showRows(audiowin::previewRowsSaying(audio::indexingText(library.filesSoFar())));
        library.whenIndexed(this, [this, piece]() {
            if (isVisible() && piece == pieceCour_)
                refreshPieceData(piece);
        });
        return;
    }
    showRows(audiowin::previewRows(library.allMediaItems(), piece->pieceDet->titre, piece->pieceDet->auteur));
}

void WinAudioPreview::showRows(const audiowin::PreviewRows &rows)
{
    for (size_t i = 0; i < rows.size(); ++i) {
        labels_[i]->setText(rows[i].text);
        labelsGenre_[i]->setText(rows[i].genre);
    }
}

void WinAudioPreview::updateItunesInfo(const QString &, const QString &, double curPos, double maxPos, bool masquer)
{
    if (takeUpdate(maxPos))
        showPosition(masquer ? 0.0 : curPos);
}

void WinAudioPreview::playFrom(int genre)
{
    if (!pieceCour_)
        return;
    Data::setGskipTo(0);
    platform::NotificationCenter::defaultCenter().post(
        vocab::ActionGoToGenreNoAndPlayNow, QVariant(audiowin::genreToPlay(genre, Data::currentGenreG())));
}

void WinAudioPreview::actionButtonPlayFrom(int genre)
{
    if (genre == 0 && audio::trackPlays()) {
        actionButtonStop();
        return;
    }
    playFrom(genre >= 0 && genre <= 6 ? genre : 0);
}

void WinAudioPreview::actionButtonStop()
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::StopOrCancelCountIn);
}

void WinAudioPreview::actionButtonReveal(int genre)
{
    if (!pieceCour_ || !pieceCour_->pieceDet)
        return;
    audio::MusicLibrary &library = audio::musicLibrary();
    if (!library.isAvailable()) {
        library.lookAgain();
        showRows(audiowin::previewRowsSaying(audio::noMusicFolderText()));
        return;
    }
    if (audio::sayWhileIndexing(library))
        return;
    if (!Data::play_if_found2(library.allMediaItems(), pieceCour_->pieceDet->titre,
                              pieceCour_->pieceDet->auteur.toUpper(), genre, true, 0))
        Data::msg(QStringLiteral("Tolvane is unable to find the corresponding song in your Music Library."));
}

void WinAudioPreview::sliderDidMove()
{
    if (!pieceCour_)
        return;
    Data::setGskipTo(qint32(dragEnded()));
    platform::NotificationCenter::defaultCenter().post(vocab::ActionGoToGenreNoAndPlayNow,
                                                       QVariant(audiowin::genreToPlay(0, Data::currentGenreG())));
}

void WinAudioPreview::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    buttonClose_->setFocus();
    Data::activateKeywin();
    platform::NotificationCenter::defaultCenter().post(vocab::ActionAudioPreviewClose, QVariant(qint64(0)));
}
