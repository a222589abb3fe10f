#pragma once

#include "windows/AuxWindowText.h"
#include "windows/WindowPDFxSuper.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;
class QToolButton;

// One text of an object window, painted rather than held by a label so that
// it can run upwards in a window taller than wide. Its frame is in window
// coordinates with the origin at the bottom left.
struct PaintedText {
    QString text;
    QList<auxwin::TextRun> runs; // when set, the text in several colours
    QColor color;
    QRectF frame;
    double fontSize = 13;
    bool mono = false;
    bool hidden = false;
    Qt::Alignment alignment = Qt::AlignHCenter;
    bool wrap = false;
    bool fromTop = false; // drawn from the frame's top instead of centred in it
    bool turned = false;  // runs upwards from the frame's origin (frame size taken along the text)

    QFont font() const;
    // The text's width in its font.
    double textWidth() const;
};

// A coloured box of an object window (metronome light, count badge, gauge).
struct PaintedBox {
    QRectF frame;
    QColor fill;
    bool hidden = true;
    double radius = 15.0; // at most half the smaller side
};

// What the summary, title, track-time and gauge windows share: a close
// button and eight frame marks shown while the window is the main window,
// resizing by the edges of the frameless window, and painting in window
// coordinates.
class AuxWindow : public WindowPDFxSuper {
    Q_OBJECT
public:
    explicit AuxWindow(qint64 winType, QWidget *parent = nullptr);
    ~AuxWindow() override;

    void windowDidBecomeMain() override;
    virtual void windowDidResignMain();
    // The size rule, run on every resize.
    virtual void windowDidResize() {}
    void iniModeAffichage(qint64 mode, bool refresh) override;
    void iniTransparent(bool on) override;
    void iniColorForObj(qint64 slot, const QColor &color, bool refreshData) override;
    void actionClose();

    bool chromeShown() const { return chromeShown_; }
    // The time-signature code of a song, read from its note when not yet known.
    static qint32 signatureOf(const std::shared_ptr<Pieces> &piece);
    // The window shows nothing, not even its background (an empty note window).
    bool vanished() const { return vanished_; }

protected:
    double winW() const { return width(); }
    double winH() const { return height(); }
    void showChrome(bool shown);
    // Clear background that lets the window vanish, or the background back:
    // clear for a transparent window, backColor otherwise (see paintBackground).
    void setVanished(bool vanish);
    void paintBackground(QPainter &painter) const;
    void paintText(QPainter &painter, const PaintedText &text) const;
    void paintBox(QPainter &painter, const PaintedBox &box) const;
    void paintChrome(QPainter &painter) const;

    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QToolButton *buttonClose_ = nullptr;
    bool chromeShown_ = false;
    bool vanished_ = false;
};
