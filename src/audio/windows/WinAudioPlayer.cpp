#include "audio/windows/WinAudioPlayer.h"

#include "audio/TrackLookup.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "library/PiecesDet.h"
#include "platform/Dialogs.h"
#include "platform/MediaPlayer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"

#include <utility>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSignalBlocker>

namespace {

const QString kAutomationOff = QStringLiteral("automationOff");

void postActionKey(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

} // namespace

WinAudioPlayer::WinAudioPlayer(QWidget *parent) : AudioWindow(QStringLiteral("Audio Player"), parent)
{
    auto *grid = new QGridLayout(this);
    const QStringList genres = {QStringLiteral("(current genre)"), QStringLiteral("Any"), QStringLiteral("Cover"),
                                QStringLiteral("Backing Track"),   QStringLiteral("Practice"),
                                QStringLiteral("Recording"),       QStringLiteral("(MUTE)")};
    const QStringList heads = {QStringLiteral("Loop"), QStringLiteral("Genre"), QStringLiteral("Name"),
                               QStringLiteral("A"), QString(), QStringLiteral("B")};
    for (int c = 0; c < heads.size(); ++c)
        grid->addWidget(new QLabel(heads.at(c), this), 0, c);
    for (int n = 1; n <= audiowin::kSections; ++n) {
        Row &r = rows_[size_t(n - 1)];
        r.check = new QCheckBox(QString::number(n), this);
        r.genre = new QComboBox(this);
        r.genre->addItems(genres);
        r.title = new QLineEdit(this);
        r.timeA = new QPushButton(QStringLiteral("0:00"), this);
        r.resetA = new QPushButton(QStringLiteral("×"), this);
        r.timeB = new QPushButton(QStringLiteral("0:00"), this);
        r.resetB = new QPushButton(QStringLiteral("×"), this);
        r.play = new QPushButton(QStringLiteral("▶ %1").arg(n), this);
        QWidget *cells[] = {r.check, r.genre, r.title, r.timeA, r.resetA, r.timeB, r.resetB, r.play};
        for (int c = 0; c < 8; ++c)
            grid->addWidget(cells[c], n, c);
        connect(r.check, &QCheckBox::clicked, this, [this, n]() { actionButtonCheck(n); });
        connect(r.timeA, &QPushButton::clicked, this, [this, n]() { actionButtonTimeA(n); });
        connect(r.timeB, &QPushButton::clicked, this, [this, n]() { actionButtonTimeB(n); });
        connect(r.resetA, &QPushButton::clicked, this, [this, n]() { actionButtonResetA(n); });
        connect(r.resetB, &QPushButton::clicked, this, [this, n]() { actionButtonResetB(n); });
        connect(r.play, &QPushButton::clicked, this, [this, n]() { actionButtonPlayFrom(n); });
        connect(r.title, &QLineEdit::textEdited, this, [this, n]() { rows_[size_t(n - 1)].titleEdited = true; });
        connect(r.genre, &QComboBox::activated, this, [this, n]() { rows_[size_t(n - 1)].pointsEdited = true; });
    }
    const int last = audiowin::kSections + 1;
    buttonPlay_ = new QPushButton(QStringLiteral("Play / Stop"), this);
    buttonStop_ = new QPushButton(QStringLiteral("Stop"), this);
    enableCues_ = new QCheckBox(QStringLiteral("Run the song's cues"), this);
    buttonClose_ = new QPushButton(QStringLiteral("Close"), this);
    grid->addWidget(buttonPlay_, last, 0, 1, 2);
    grid->addWidget(buttonStop_, last, 2);
    grid->addWidget(slider1_, last + 1, 0, 1, 6);
    grid->addWidget(labelCurrentTime_, last + 1, 6, 1, 2);
    grid->addWidget(enableCues_, last + 2, 0, 1, 4);
    grid->addWidget(buttonClose_, last + 2, 7);
    connect(buttonPlay_, &QPushButton::clicked, this, [this]() { actionButtonPlayFrom(0); });
    connect(buttonStop_, &QPushButton::clicked, this, [this]() { actionButtonStop(); });
    connect(buttonClose_, &QPushButton::clicked, this, [this]() { close(); });
    // A drag asks for one position, when it ends: every step of it would restart the track.
    connect(slider1_, &QSlider::sliderReleased, this, [this]() { sliderDidMove(); });
    connect(enableCues_, &QCheckBox::toggled, this, [](bool on) { Data::setGautomationOff(!on); });
    connect(enableCues_, &QCheckBox::clicked, this, [this]() { cuesEdited_ = true; });

    platform::UserDefaults::standard().readStored(QStringLiteral("audio player"), [this] {
        enableCues_->setChecked(!platform::UserDefaults::standard().boolForKey(kAutomationOff));
        if (pieceCour_)
            readPieceData();
    }, this);
}

WinAudioPlayer::~WinAudioPlayer() = default;

audiowin::Sections WinAudioPlayer::sections() const
{
    audiowin::Sections out;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = {rows_[i].a, rows_[i].b, rows_[i].genre->currentIndex(), rows_[i].check->isChecked()};
    return out;
}

QString WinAudioPlayer::songFile() const
{
    return pieceCour_ && pieceCour_->pieceDet ? pieceCour_->pieceDet->fichier : QString();
}

void WinAudioPlayer::showWin(const std::shared_ptr<Pieces> &piece, double curPos, const QString &)
{
    Data::setLoopOn(false);
    showPosition(curPos);
    if (!(isVisible() && piece == pieceCour_)) {
        refreshPieceData(piece);
        Data::setGautomationOff(!enableCues_->isChecked());
    }
    show();
    raise();
    activateWindow();
    buttonClose_->setFocus();
}

void WinAudioPlayer::refreshPieceData(const std::shared_ptr<Pieces> &piece)
{
    if (piece == pieceCour_ && piece)
        return;
    savePieceData();
    pieceCour_ = piece;
    readPieceData();
}

void WinAudioPlayer::readPieceData()
{
    const QString file = songFile();
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    for (int n = 1; n <= audiowin::kSections; ++n) {
        Row &r = rows_[size_t(n - 1)];
        // Without a song, no file's keys are read: the rows stand empty.
        const bool known = !file.isEmpty();
        r.a = known ? defaults.doubleForKey(audiowin::sectionKey("POS%1A.%2", n, file)) : 0.0;
        r.b = known ? defaults.doubleForKey(audiowin::sectionKey("POS%1B.%2", n, file)) : 0.0;
        const qint64 genre = known ? defaults.integerForKey(audiowin::sectionKey("GENRE%1.%2", n, file)) : 0;
        const QSignalBlocker quiet(r.genre);
        r.genre->setCurrentIndex(int(audiowin::genreIndexFromStore(genre)));
        r.title->setText(known ? defaults.stringForKey(audiowin::sectionKey("TITLE%1.%2", n, file)) : QString());
        r.pointsEdited = false;
        r.titleEdited = false;
    }
    refreshTitles();
}

void WinAudioPlayer::savePieceData()
{
    const QString file = songFile();
    if (file.isEmpty())
        return;
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    for (int n = 1; n <= audiowin::kSections; ++n) {
        Row &r = rows_[size_t(n - 1)];
        if (r.pointsEdited) {
            defaults.setDouble(audiowin::sectionKey("POS%1A.%2", n, file), r.a);
            defaults.setDouble(audiowin::sectionKey("POS%1B.%2", n, file), r.b);
            defaults.setInteger(audiowin::sectionKey("GENRE%1.%2", n, file), r.genre->currentIndex());
        }
        r.pointsEdited = false;
        if (r.titleEdited)
            defaults.setString(audiowin::sectionKey("TITLE%1.%2", n, file), r.title->text());
        r.titleEdited = false;
    }
}

void WinAudioPlayer::refreshTitles()
{
    for (Row &r : rows_) {
        r.timeA->setText(audiowin::pointText(r.a));
        r.timeB->setText(audiowin::pointText(r.b));
    }
}

void WinAudioPlayer::updateItunesInfo(const QString &, const QString &, double curPos, double maxPos, bool masquer)
{
    if (!takeUpdate(maxPos))
        return;
    if (const int n = audiowin::sectionToRestart(sections(), curPos))
        playFrom(n);
    showPosition(masquer ? 0.0 : curPos);
}

void WinAudioPlayer::actionButtonTimeA(int n)
{
    rows_[size_t(n - 1)].a = currentPos();
    rows_[size_t(n - 1)].pointsEdited = true;
    refreshTitles();
}

void WinAudioPlayer::actionButtonTimeB(int n)
{
    rows_[size_t(n - 1)].b = currentPos();
    rows_[size_t(n - 1)].pointsEdited = true;
    uncheckAll();
    refreshTitles();
    rows_[size_t(n - 1)].check->setChecked(true);
}

void WinAudioPlayer::actionButtonResetA(int n)
{
    rows_[size_t(n - 1)].a = 0;
    rows_[size_t(n - 1)].pointsEdited = true;
    refreshTitles();
}

void WinAudioPlayer::actionButtonResetB(int n)
{
    rows_[size_t(n - 1)].b = 0;
    rows_[size_t(n - 1)].pointsEdited = true;
    refreshTitles();
}

void WinAudioPlayer::uncheckAll()
{
    for (Row &r : rows_)
        r.check->setChecked(false);
}

void WinAudioPlayer::actionButtonCheck(int n)
{
    for (int i = 1; i <= audiowin::kSections; ++i)
        if (i != n)
            rows_[size_t(i - 1)].check->setChecked(false);
}

void WinAudioPlayer::post(const audiowin::PlayRequest &request)
{
    // With no song there is no track to play; a quit closing the window starts nothing.
    if (!pieceCour_ || platform::quitting())
        return;
    Data::setGskipTo(request.skipTo);
    platform::NotificationCenter::defaultCenter().post(vocab::ActionGoToGenreNoAndPlayNow, QVariant(request.genre));
}

void WinAudioPlayer::playFrom(int n)
{
    post(audiowin::playSection(sections(), n, Data::currentGenreG()));
}

void WinAudioPlayer::actionButtonPlayFrom(int tag)
{
    if (tag >= 1 && tag <= audiowin::kSections) {
        uncheckAll();
        rows_[size_t(tag - 1)].check->setChecked(true);
        playFrom(tag);
        return;
    }
    if (audio::trackPlays()) {
        postActionKey(vocab::StopOrCancelCountIn);
        return;
    }
    for (int n = 1; n <= audiowin::kSections; ++n) {
        if (rows_[size_t(n - 1)].check->isChecked()) {
            playFrom(n);
            return;
        }
    }
    uncheckAll();
    playFrom(0);
}

void WinAudioPlayer::actionButtonStop()
{
    postActionKey(vocab::StopOrCancelCountIn);
}

void WinAudioPlayer::sliderDidMove()
{
    if (!pieceCour_)
        return;
    const audiowin::DragOutcome drag = audiowin::dragTo(sections(), dragEnded(), Data::currentGenreG());
    if (drag.uncheckAll)
        uncheckAll();
    post(drag.play);
}

void WinAudioPlayer::playKeyWhole()
{
    uncheckAll();
    playFrom(0);
}

void WinAudioPlayer::closeWin()
{
    // A window the loop outlived is hidden already: it only finishes closing.
    if (!isVisible()) {
        finishClosing(true);
        return;
    }
    closingByController_ = true;
    close();
    closingByController_ = false;
}

void WinAudioPlayer::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    finishClosing(closingByController_);
}

void WinAudioPlayer::finishClosing(bool forced)
{
    savePieceData();
    if (std::exchange(cuesEdited_, false))
        platform::UserDefaults::standard().setBool(kAutomationOff, !enableCues_->isChecked());
    buttonClose_->setFocus();
    Data::activateKeywin();
    bool anyChecked = false;
    for (const Row &r : rows_)
        anyChecked = anyChecked || r.check->isChecked();
    // The loop goes on without the window while its section plays.
    if (!forced && anyChecked && audio::trackPlays()) {
        Data::setLoopOn(true);
        return;
    }
    Data::setLoopOn(false);
    Data::setGautomationOff(false);
    platform::NotificationCenter::defaultCenter().post(vocab::ActionAudioPlayerClose, QVariant(qint64(0)));
}
