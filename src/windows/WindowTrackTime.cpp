#include "windows/WindowTrackTime.h"

#include <QPainter>

namespace {
const QColor kRemainingRed(236, 68, 69);
const QColor kElapsedBlue = QColor::fromRgbF(0, 122 / 255.0, 1);
const QColor kIdleText = QColor::fromRgbF(0.2, 0.2, 0.2);

Qt::Alignment alignmentFor(qint64 value)
{
    return value == 1 ? Qt::AlignLeft : value == 2 ? Qt::AlignRight : Qt::AlignHCenter;
}
} // namespace

WindowTrackTime::WindowTrackTime(qint64 winType, QWidget *parent) : AuxWindow(winType, parent)
{
    resize(300, 90);
    labelTrackTime_.mono = true;
    labelTrackTime_.text = auxwin::trackTimeZeroText();
}

WindowTrackTime::~WindowTrackTime() = default;

void WindowTrackTime::windowDidLoad()
{
    AuxWindow::windowDidLoad();
    // Stored colours applied after loading replace this default.
    AuxWindow::iniColorForObj(kHighColor, winType() == 6 ? kRemainingRed : kElapsedBlue, false);
    showChrome(false);
    setWindowTitle(obtenirTitle());
    labelTrackTime_.color = kIdleText;
    labelTrackTime_.alignment = alignmentFor(typeMetro());
    resetPDF();
    setFullScreen(false);
    setVanished(false);
    windowDidResize();
}

void WindowTrackTime::iniColorForObj(qint64 slot, const QColor &color, bool refreshData)
{
    AuxWindow::iniColorForObj(slot, color, refreshData);
    if (slot == kInactColor) {
        labelTrackTime_.color = inactColor();
        update();
    }
}

void WindowTrackTime::iniTypeMetro(qint64 type)
{
    AuxWindow::iniTypeMetro(type);
    // The value is the time's alignment; any other value leaves it as it was.
    if (type >= 0 && type <= 2) {
        labelTrackTime_.alignment = alignmentFor(type);
        update();
    }
}

void WindowTrackTime::updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos,
                                       bool masquer)
{
    AuxWindow::updateItunesInfo(title, artist, curPos, maxPos, masquer);
    if (masquer) {
        labelTrackTime_.text = auxwin::trackTimeZeroText();
        labelTrackTime_.color = inactColor();
    } else {
        labelTrackTime_.text = auxwin::trackTimeText(curPos, maxPos, winType() == 6);
        labelTrackTime_.color = highColor();
    }
    update();
}

void WindowTrackTime::windowDidResize()
{
    labelTrackTime_.frame = QRectF(0, 0, winW(), winH());
    labelTrackTime_.fontSize = 5.0 / 6.0 * winH();
}

QString WindowTrackTime::obtenirTitle() const
{
    return auxwin::trackTimeWindowTitle(winType());
}

void WindowTrackTime::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter);
    if (!vanished())
        paintText(painter, labelTrackTime_);
    paintChrome(painter);
}
