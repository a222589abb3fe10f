#pragma once

#include "audio/windows/AudioWindowRules.h"

#include <QWidget>
#include <array>
#include <memory>

class Pieces;
class QLabel;
class QPushButton;
class QSlider;

// The track preview: which tracks of the music library the current song
// would play, for Any and for each of the four recordings, each playable and
// shown in the file manager on request. It plays through the controller.
class WinAudioPreview : public QWidget {
    Q_OBJECT
public:
    explicit WinAudioPreview(QWidget *parent = nullptr);
    ~WinAudioPreview() override;

    void showWin(const std::shared_ptr<Pieces> &piece, double curPos, const QString &str);
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer);
    // Looked up again at every song change.
    void setPDF(const std::shared_ptr<Pieces> &piece) { refreshPieceData(piece); }
    void closeWin() { close(); }

    // 0: play or stop; 1-6 that genre.
    void actionButtonPlayFrom(int genre);
    void actionButtonStop();
    void actionButtonReveal(int genre);
    void sliderDidMove();
    bool keyDown(const platform::KeyEvent &key);

    QLabel *label(int row) const { return labels_[size_t(row - 1)]; }
    QLabel *labelGenre(int row) const { return labelsGenre_[size_t(row - 1)]; }
    QLabel *labelCurrentTime() const { return labelCurrentTime_; }
    QSlider *slider1() const { return slider1_; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refreshPieceData(const std::shared_ptr<Pieces> &piece);
    void showRows(const audiowin::PreviewRows &rows);
    void playFrom(int genre);
    void refreshTime();

    std::array<QLabel *, audiowin::kSections> labels_{};
    std::array<QLabel *, audiowin::kSections> labelsGenre_{};
    QPushButton *buttonClose_ = nullptr;
    QLabel *labelCurrentTime_ = nullptr;
    QSlider *slider1_ = nullptr;
    double currentPos_ = 0;
    double newPos_ = -1.0;
    std::shared_ptr<Pieces> pieceCour_;
};
