#include "windows/SmallViews.h"

#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowKeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

// ---- WindowPDFSuper ----------------------------------------------------------------

WindowPDFSuper::WindowPDFSuper(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setWindowFlag(Qt::NoDropShadowWindowHint, true);
}

void WindowPDFSuper::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void WindowPDFSuper::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void WindowPDFSuper::mouseReleaseEvent(QMouseEvent *event)
{
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

// ---- ViewMovable ----------------------------------------------------------------------

void ViewMovable::mousePressEvent(QMouseEvent *event)
{
    dragOffset_ = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
    event->accept();
}

void ViewMovable::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        window()->move(event->globalPosition().toPoint() - dragOffset_);
}

// ---- BoxRond ---------------------------------------------------------------------------

void BoxRond::mousePressEvent(QMouseEvent *event)
{
    if (delegate_)
        delegate_->boxRondClickatLine(lig_, col_);
    event->accept();
}

void BoxRond::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill_);
    const double r = std::min(width(), height()) / 2.0;
    p.drawRoundedRect(QRectF(rect()), r, r);
}

// ---- TextFieldTempo -------------------------------------------------------------------

void TextFieldTempo::mousePressEvent(QMouseEvent *event)
{
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::TapTempo);
    event->accept();
}

// ---- RoundedView -------------------------------------------------------------------------

RoundedView::RoundedView(double radius, QWidget *parent) : QWidget(parent), radius_(radius) {}

void RoundedView::paintEvent(QPaintEvent *)
{
    if (fill_.alpha() == 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill_);
    p.drawRoundedRect(QRectF(rect()), radius_, radius_);
}

void RoundedView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Children are clipped to the rounded corners too.
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), radius_, radius_);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

// ---- WinPref ------------------------------------------------------------------------------------

void WinPref::keyPressEvent(QKeyEvent *event)
{
    const int code = windowkeys::keyChoiceCode(platform::KeyEvent::fromQt(*event));
    platform::NotificationCenter::defaultCenter().post(vocab::ActionKeyPref, code);
    event->accept();
}

// ---- MyNSTableRowView -----------------------------------------------------------------------------

void MyNSTableRowView::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    const auto *view = qobject_cast<const QAbstractItemView *>(opt.widget);
    const bool selectable = !view || view->selectionMode() != QAbstractItemView::NoSelection;
    if (opt.state & QStyle::State_Selected) {
        opt.state &= ~QStyle::State_Selected;
        if (selectable) {
            painter->save();
            painter->fillRect(opt.rect, QColor::fromRgbF(0.82, 0.82, 0.82));
            painter->setPen(QColor::fromRgbF(0.65, 0.65, 0.65));
            painter->drawRect(opt.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
    }
    QStyledItemDelegate::paint(painter, opt, index);
}
