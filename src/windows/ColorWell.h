#pragma once

#include <QColor>
#include <QPointer>
#include <QToolButton>

class QColorDialog;

// A colour well: a swatch button that hands its colour to a colour panel
// shared by every well of a window. While the panel edits a well, each colour
// picked there goes to that well at once and is announced.
class ColorWell : public QToolButton {
    Q_OBJECT
public:
    ColorWell(int tag, QColorDialog *sharedPanel, QWidget *parent = nullptr);

    int tag() const { return tag_; }
    QColor color() const { return color_; }
    // Shows the colour without announcing it.
    void setColor(const QColor &color);
    // Takes a colour as if it had been picked in the panel.
    void pick(const QColor &color);

Q_SIGNALS:
    void colorPicked(int tag);

private:
    void openPanel();

    int tag_;
    QColor color_;
    QPointer<QColorDialog> panel_;
};
