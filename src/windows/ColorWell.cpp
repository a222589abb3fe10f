#include "windows/ColorWell.h"

#include <QColorDialog>
#include <QPainter>
#include <QSignalBlocker>

ColorWell::ColorWell(int tag, QColorDialog *sharedPanel, QWidget *parent)
    : QToolButton(parent), tag_(tag), panel_(sharedPanel)
{
    setFixedSize(36, 20);
    setColor(Qt::lightGray);
    connect(this, &QToolButton::clicked, this, &ColorWell::openPanel);
}

void ColorWell::setColor(const QColor &color)
{
    color_ = color;
    QPixmap swatch(28, 12);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.fillRect(swatch.rect(), color);
    p.setPen(Qt::darkGray);
    p.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    p.end();
    setIcon(QIcon(swatch));
    setIconSize(swatch.size());
}

void ColorWell::pick(const QColor &color)
{
    if (!isEnabled())
        return;
    setColor(color);
    Q_EMIT colorPicked(tag_);
}

void ColorWell::openPanel()
{
    if (!panel_)
        return;
    // The panel serves one well at a time: the last one clicked.
    QObject::disconnect(panel_, &QColorDialog::currentColorChanged, nullptr, nullptr);
    {
        const QSignalBlocker quiet(panel_);
        panel_->setCurrentColor(color_);
    }
    connect(panel_, &QColorDialog::currentColorChanged, this, &ColorWell::pick);
    panel_->show();
    panel_->raise();
}
