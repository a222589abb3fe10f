#pragma once

#include <QLabel>
#include <QWidget>

class QPushButton;
class TextFieldTempo;

// A label that answers a click (the note, the bound identifier).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// A metronome light: a rounded box filled in its colour.
class LightBox : public QWidget {
public:
    explicit LightBox(QWidget *parent);
    void setFill(const QColor &c);
    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor fill_ = Qt::red;
};

// The Tolvane window's title row: song title and artist, the bound window
// identifier, tempo or track time, note or message, metronome lights, the
// record and loop buttons, the menu button and the key-pad button. The count-in number and
// the type-ahead search text are shown over the pages, so they belong to the
// window; the row only makes them.
class TitleRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;
    static constexpr int kTitleX = 8;        // L
    static constexpr int kRepWidth = 100;
    static constexpr int kTempoWidth = 52;   // Tw
    static constexpr int kBeatWidth = 18;    // Mw
    static constexpr int kLightWidth = 12;
    static constexpr int kPadButtonWidth = 24;

    // Count and search boxes go on overlayParent (the window).
    TitleRow(QWidget *parent, QWidget *overlayParent);

    // The fixed places: identifier box and the buttons at the right end.
    void placeFixed();
    int repX() const; // R

    ClickLabel *labelWin1 = nullptr;
    QWidget *boxRep1 = nullptr;
    ClickLabel *labelRep1 = nullptr;
    QWidget *boxTempo1 = nullptr;
    TextFieldTempo *labelTempo = nullptr;
    QLabel *labelTrackTime = nullptr;
    QWidget *boxCadreNote1 = nullptr;
    ClickLabel *labelWin2 = nullptr;
    LightBox *boxMetro1 = nullptr;
    LightBox *boxMetro2 = nullptr;
    LightBox *boxMetro3 = nullptr;
    LightBox *boxMetro3b = nullptr;
    LightBox *boxMetro3c = nullptr;
    LightBox *boxMetro3d = nullptr;
    QLabel *labelMetro1 = nullptr;
    QLabel *labelMetro2 = nullptr;
    QLabel *labelMetro3 = nullptr;
    QLabel *labelMetro4 = nullptr;
    QWidget *boxCount = nullptr;
    QLabel *labelCount = nullptr;
    QWidget *boxRech2 = nullptr;
    QLabel *labelRech2 = nullptr;
    QPushButton *buttonRec = nullptr;
    QPushButton *buttonLoop = nullptr;
    QPushButton *buttonKeys = nullptr;
    QPushButton *buttonMenu = nullptr;

    // The title label's plain text (its shown text carries colours).
    QString titlePlain;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// Sets a widget's text colour (window and button text roles).
void setWidgetTextColor(QWidget *w, const QColor &c);
