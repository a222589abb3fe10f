#include "audio/windows/AudioWindow.h"

#include "audio/windows/AudioWindowRules.h"
#include "platform/NotificationCenter.h"
#include "windows/TitleRowRules.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

AudioWindow::AudioWindow(const QString &title, QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(title);
    slider1_ = new QSlider(Qt::Horizontal, this);
    labelCurrentTime_ = new QLabel(this);
    slider1_->setRange(0, 0);
    showPosition(0.0);
}

bool AudioWindow::takeUpdate(double maxPos)
{
    if (newPos_ >= 0) {
        newPos_ = -1.0;
        return false;
    }
    slider1_->setMaximum(int(maxPos));
    return true;
}

void AudioWindow::showPosition(double seconds)
{
    currentPos_ = seconds;
    labelCurrentTime_->setText(titlerules::trackTimeText(seconds));
    if (!slider1_->isSliderDown())
        slider1_->setValue(int(seconds));
}

double AudioWindow::dragEnded()
{
    newPos_ = slider1_->value();
    return newPos_;
}

bool AudioWindow::keyDown(const platform::KeyEvent &key)
{
    const audiowin::KeyOutcome k = audiowin::keyOutcome(key);
    switch (k.kind) {
    case audiowin::KeyKind::PlaySection:
        playKeySection(k.value);
        return true;
    case audiowin::KeyKind::PlayWhole:
        playKeyWhole();
        return true;
    case audiowin::KeyKind::PlayButton:
        playKeyButton();
        return true;
    case audiowin::KeyKind::ActionKey:
        platform::NotificationCenter::defaultCenter().postActionKey(k.value);
        return true;
    case audiowin::KeyKind::Pass:
        break;
    }
    return false;
}

void AudioWindow::keyPressEvent(QKeyEvent *event)
{
    // Typing a section's name is not a command.
    if (qobject_cast<QLineEdit *>(focusWidget()) || !keyDown(platform::KeyEvent::fromQt(*event)))
        QWidget::keyPressEvent(event);
}
