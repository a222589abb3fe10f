#include "windows/WindowJauge.h"

#include <QPainter>

WindowJauge::WindowJauge(QWidget *parent) : AuxWindow(7, parent)
{
    resize(400, 40);
}

WindowJauge::~WindowJauge() = default;

void WindowJauge::windowDidLoad()
{
    AuxWindow::windowDidLoad();
    setWindowTitle(obtenirTitle());
    box1_.fill = inactColor();
    box1_.hidden = false;
    box2_.fill = highColor();
    box2_.hidden = true;
    showChrome(false);
    pct_ = 0;
    resetPDF();
    setFullScreen(false);
    setVanished(false);
    windowDidResize();
}

void WindowJauge::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    AuxWindow::iniColorForObj(slot, color, refreshData);
    if (slot == kInactColor)
        box1_.fill = inactColor();
    else if (slot == kHighColor)
        box2_.fill = highColor();
    update();
}

void WindowJauge::updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                                   bool masquer)
{
    AuxWindow::updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (const auto percent = auxwin::jaugePercent(curPos, maxPos, masquer)) {
        pct_ = *percent;
        box2_.hidden = false;
        ajusterJauge();
    } else {
        box2_.hidden = true;
    }
    update();
}

void WindowJauge::windowDidResize()
{
    box1_.frame = QRectF(0, 0, winW(), winH());
    ajusterJauge();
}

void WindowJauge::ajusterJauge()
{
    box2_.frame = auxwin::jaugeBarRect(winW(), winH(), pct_);
    update();
}

QString WindowJauge::obtenirTitle() const
{
    return auxwin::jaugeWindowTitle();
}

void WindowJauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    if (!vanished()) {
        paintBox(painter, box1_);
        paintBox(painter, box2_);
    }
    paintChrome(painter);
}
