#pragma once

#include "platform/Keys.h"

#include <QWidget>

class QLabel;
class QSlider;

// What the loop player and the track preview share: a floating window with
// the track's position on a slider and a time label, fed by the controller,
// and the keys that play, stop and pass commands on.
class AudioWindow : public QWidget {
    Q_OBJECT
public:
    // False when the key is left to the window.
    bool keyDown(const platform::KeyEvent &key);

    QLabel *labelCurrentTime() const { return labelCurrentTime_; }
    QSlider *slider1() const { return slider1_; }
    double currentPos() const { return currentPos_; }

protected:
    explicit AudioWindow(const QString &title, QWidget *parent = nullptr);

    // A position update from the controller; false for the one right after
    // a drag, when the player may still report where it stood before.
    bool takeUpdate(double maxPos);
    void showPosition(double seconds);
    // The slider was let go: the position asked for.
    double dragEnded();

    // The keys' plays: a section (1-5), the whole track, the play button.
    virtual void playKeySection(int n) = 0;
    virtual void playKeyWhole() = 0;
    virtual void playKeyButton() = 0;

    void keyPressEvent(QKeyEvent *event) override;

    QLabel *labelCurrentTime_ = nullptr;
    QSlider *slider1_ = nullptr;

private:
    double currentPos_ = 0;
    double newPos_ = -1.0;
};
