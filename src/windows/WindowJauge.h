#pragma once

#include "windows/AuxWindow.h"

// The gauge window (window type 7): the playing track's progress as a bar
// that grows from the left in a wide window and from the bottom in a tall one.
class WindowJauge : public AuxWindow {
    Q_OBJECT
public:
    explicit WindowJauge(QWidget *parent = nullptr);
    ~WindowJauge() override;

    void windowDidLoad() override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                          bool masquer) override;
    void windowDidResize() override;
    QString obtenirTitle() const override;
    void ajusterJauge();

    double pct() const { return pct_; }
    // The background and the bar.
    const PaintedBox &box1() const { return box1_; }
    const PaintedBox &box2() const { return box2_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PaintedBox box1_;
    PaintedBox box2_;
    double pct_ = 0;
};
