#pragma once

#include "windows/AuxWindow.h"

// The track-time window: the playing track's elapsed time (window type 3) or
// its remaining time (window type 6), filling the window.
class WindowTrackTime : public AuxWindow {
    Q_OBJECT
public:
    // The factory sets the type before windowDidLoad.
    explicit WindowTrackTime(qint64 winType = 3, QWidget *parent = nullptr);
    ~WindowTrackTime() override;

    void windowDidLoad() override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void iniTypeMetro(qint64 type) override;
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                          bool masquer) override;
    void windowDidResize() override;
    QString obtenirTitle() const override;

    const PaintedText &labelTrackTime() const { return labelTrackTime_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PaintedText labelTrackTime_;
};
