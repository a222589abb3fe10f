#pragma once

#include "windows/AuxWindow.h"

#include <array>

// The summary window (window type 1): the current song's title and artist,
// its tempo with the metronome lights (the playing track's time in its
// place), its note or a message, and the window identifier it is bound to.
// Every text is sized from the window on each resize.
class WindowMini : public AuxWindow {
    Q_OBJECT
public:
    explicit WindowMini(QWidget *parent = nullptr);
    ~WindowMini() override;

    void windowDidLoad() override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void refreshInfo() override;
    void refreshNote(bool flag) override;
    void refreshTempo() override;
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                          bool masquer) override;
    void updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset) override;
    void setMsg(const QString &msg, const QString &forWinID, bool stay) override;
    bool takesMessage(const QString &forWinID) const override;
    void windowDidResize() override;
    QString obtenirTitle() const override;

    void ajusterPosMetro();
    // Binds the window to the next window identifier.
    void actionDir();

    // ---- What is shown, for the tests -------------------------------------------------
    const PaintedText &labelTrackTime() const { return labelTrackTime_; }
    const PaintedText &labelTempo() const { return labelTempo_; }
    const PaintedText &labelTitle() const { return labelTitle_; }
    const PaintedText &labelArtist() const { return labelArtist_; }
    const PaintedText &labelComment() const { return labelComment_; }
    const PaintedText &labelRep1() const { return labelRep1_; }
    // Beat numbers and lights 1-4.
    const PaintedText &labelMetro(int n) const { return numbers_.at(static_cast<size_t>(n - 1)); }
    const PaintedBox &boxMetro(int n) const { return lights_.at(static_cast<size_t>(n - 1)); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int beats() const;
    void hideLights();

    PaintedText labelTrackTime_;
    PaintedText labelTempo_;
    PaintedText labelTitle_;
    PaintedText labelArtist_;
    PaintedText labelComment_;
    PaintedText labelRep1_;
    std::array<PaintedText, 4> numbers_;
    std::array<PaintedBox, 4> lights_;
};
