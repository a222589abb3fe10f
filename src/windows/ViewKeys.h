#pragma once

#include <QHash>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

// The on-screen key pad: 62 keys that post their "ActionKey" code when
// clicked, for a performer without a keyboard at hand.
class ViewKeys : public QWidget {
    Q_OBJECT
public:
    explicit ViewKeys(QWidget *parent = nullptr);

    // The key of an outlet name ("boutA", "bout0", "boutFlecheBas", "boutCmd1" ...).
    QPushButton *bouton(const QString &name) const { return keys_.value(name); }
    QList<QPushButton *> boutons() const { return ordered_; }
    qint64 keyNo() const { return keyNo_; }

    void actionKey(QPushButton *sender);
    // The arrows stay off while a text field of the window is being edited.
    void disableKeysForTextEdit();
    void enableKeysForTextEdit();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setArrowsEnabled(bool on);

    QHash<QString, QPushButton *> keys_;
    QList<QPushButton *> ordered_;
    qint64 keyNo_ = 0;
};

// The slider class of the audio player windows; drawn as any slider.
class MySlider : public QSlider {
    Q_OBJECT
public:
    using QSlider::QSlider;
};
