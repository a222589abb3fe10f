#pragma once

#include "audio/windows/AudioWindow.h"
#include "audio/windows/AudioWindowRules.h"

#include <array>
#include <memory>

class Pieces;
class QLabel;
class QPushButton;

// The track preview: which tracks of the music library the current song
// would play, for Any and for each of the four recordings, each playable and
// shown in the file manager on request. It plays through the controller.
class WinAudioPreview : public AudioWindow {
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

    QLabel *label(int row) const { return labels_[size_t(row - 1)]; }
    QLabel *labelGenre(int row) const { return labelsGenre_[size_t(row - 1)]; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void playKeySection(int n) override { actionButtonPlayFrom(n); }
    void playKeyWhole() override { playFrom(0); }
    void playKeyButton() override { actionButtonPlayFrom(0); }

private:
    void refreshPieceData(const std::shared_ptr<Pieces> &piece);
    void showRows(const audiowin::PreviewRows &rows);
    void playFrom(int genre);

    std::array<QLabel *, audiowin::kSections> labels_{};
    std::array<QLabel *, audiowin::kSections> labelsGenre_{};
    QPushButton *buttonClose_ = nullptr;
    std::shared_ptr<Pieces> pieceCour_;
};
