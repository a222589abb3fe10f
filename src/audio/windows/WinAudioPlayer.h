#pragma once

#include "audio/windows/AudioWindow.h"
#include "audio/windows/AudioWindowRules.h"

#include <array>
#include <memory>

class Pieces;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The loop player: five sections of the current song's track, each from an
// A to a B point in a genre; a checked section starts again at A once the
// track passes B. It plays nothing itself: it asks the controller to play a
// genre from a position, and the controller feeds it the song and the
// track's position. Sections are kept per song file name.
class WinAudioPlayer : public AudioWindow {
    Q_OBJECT
public:
    explicit WinAudioPlayer(QWidget *parent = nullptr);
    ~WinAudioPlayer() override;

    void showWin(const std::shared_ptr<Pieces> &piece, double curPos, const QString &str);
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer);
    void setPDF(const std::shared_ptr<Pieces> &piece) { refreshPieceData(piece); }
    // The controller ends the loop: the window closes and announces it.
    void closeWin();

    void actionButtonTimeA(int n);
    void actionButtonTimeB(int n);
    void actionButtonResetA(int n);
    void actionButtonResetB(int n);
    // 0: play or stop; 1-5 that section.
    void actionButtonPlayFrom(int tag);
    void actionButtonStop();
    void actionButtonCheck(int n);
    void sliderDidMove();

    QCheckBox *check(int n) const { return rows_[size_t(n - 1)].check; }
    QComboBox *genre(int n) const { return rows_[size_t(n - 1)].genre; }
    QLineEdit *title(int n) const { return rows_[size_t(n - 1)].title; }
    QPushButton *buttonTimeA(int n) const { return rows_[size_t(n - 1)].timeA; }
    QPushButton *buttonTimeB(int n) const { return rows_[size_t(n - 1)].timeB; }
    QCheckBox *enableCues() const { return enableCues_; }
    const std::shared_ptr<Pieces> &pieceCour() const { return pieceCour_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void playKeySection(int n) override { actionButtonPlayFrom(n); }
    void playKeyWhole() override;
    void playKeyButton() override { actionButtonPlayFrom(0); }

private:
    struct Row {
        QCheckBox *check = nullptr;
        QComboBox *genre = nullptr;
        QLineEdit *title = nullptr;
        QPushButton *timeA = nullptr, *resetA = nullptr, *timeB = nullptr, *resetB = nullptr, *play = nullptr;
        double a = 0, b = 0;
        // Only what the performer changed is stored: a row shown from a
        // store not read yet never goes over it.
        bool pointsEdited = false;
        bool titleEdited = false;
    };
    audiowin::Sections sections() const;
    QString songFile() const;
    void refreshPieceData(const std::shared_ptr<Pieces> &piece);
    // The song's sections as stored.
    void readPieceData();
    void savePieceData();
    void refreshTitles();
    void uncheckAll();
    void playFrom(int n);
    void post(const audiowin::PlayRequest &request);
    // Closing the window: the loop may go on; forced ends it.
    void finishClosing(bool forced);

    std::array<Row, audiowin::kSections> rows_;
    QPushButton *buttonPlay_ = nullptr, *buttonStop_ = nullptr, *buttonClose_ = nullptr;
    QCheckBox *enableCues_ = nullptr;
    bool cuesEdited_ = false; // stored only when the performer changed it
    bool closingByController_ = false;
    std::shared_ptr<Pieces> pieceCour_;
};
