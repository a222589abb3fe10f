#pragma once

#include "windows/AuxWindow.h"

#include <array>

// The one-item object window (window types 2, 4, 5, 8-13, 15, 16): one big
// text about the current song or the performance, sized from the window so
// it reads from a distance, running upwards in a window taller than wide.
// The Tempo (5) and Metronome (9) windows add the metronome lights, the Next
// Cue window (13) a count badge, the Note window (8) messages and its
// identifier tag.
class WindowTitle : public AuxWindow {
    Q_OBJECT
public:
    // The factory sets the type before windowDidLoad.
    explicit WindowTitle(qint64 winType = 2, QWidget *parent = nullptr);
    ~WindowTitle() override;

    void windowDidLoad() override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void iniTypeMetro(qint64 type) override;
    void iniHideTitleElementNote(bool v) override;
    void windowDidBecomeMain() override;
    void windowDidResignMain() override;
    void refreshInfo() override;
    void refreshNote(bool flag) override;
    void refreshTempo() override;
    void refreshCue() override;
    void setMsg(const QString &msg, const QString &forWinID, bool stay) override;
    bool takesMessage(const QString &forWinID) const override;
    void afficherToc(bool show) override;
    void updateMetroWithNbTick(qint64 nbTick, bool masquer, bool reset) override;
    void windowDidResize() override;
    QString obtenirTitle() const override;

    // Binds the window to the next window identifier.
    void actionDir();
    QString obtenirFlags() const;
    // An empty note vanishes (with the flag, or when the option hides empty notes).
    void rendreVisibleInvisibleNote(bool flag);
    void ajusterPosMetro();
    void afficherCount();

    // ---- What is shown, for the tests -------------------------------------------------
    // labelTitle is 1; the metronome window's numbers are 1-4; the Next Cue
    // window's hidden copy of the cue is 2 and its count number 3.
    const PaintedText &label(int n) const { return labels_.at(static_cast<size_t>(n - 1)); }
    const PaintedText &labelRep1() const { return labelRep1_; }
    bool boxRep1Shown() const { return !boxRep1Hidden_; }
    // Lights 1-4; in the Next Cue window light 3 is the count badge.
    const PaintedBox &boxMetro(int n) const { return lights_.at(static_cast<size_t>(n - 1)); }
    bool gvertic() const { return gvertic_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool isType(std::initializer_list<qint64> types) const;
    bool lightsWindow() const { return isType({5, 9}); }
    qint32 signature() const;
    QRectF titleFrameAtEdge() const;
    void showNote(bool keepShown);

    std::array<PaintedText, 4> labels_;
    PaintedText labelRep1_;
    bool boxRep1Hidden_ = true;
    std::array<PaintedBox, 4> lights_;
    bool gvertic_ = false;
};
