#include "windows/SmallViews.h"

#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/WindowKeys.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPdfDocument>

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

// ---- PDFImageView ---------------------------------------------------------------------------

PDFImageView::PDFImageView(QWidget *parent) : QWidget(parent)
{
    TLOG(QStringLiteral("PDFImageView initWithcoder"));
}

void PDFImageView::iniMode(qint64 mode, const QString &aDir)
{
    TLOG(QStringLiteral("PDFImageView iniMode"));
    altModeOff_ = false;
    altMode_ = mode;
    altModeOk_ = 0;
    altDir_ = aDir;
}

QString PDFImageView::subsPath(const QString &path)
{
    TLOG(QStringLiteral("PDFImageView subsPath"));
    altModeOk_ = 0;
    if (altMode_ == 0 || altModeOff_)
        return path;
    // An identifier that could name another folder is never pasted into a path.
    if (altDir_.isEmpty() || altDir_.contains(QLatin1Char('/')) || altDir_.contains(QLatin1Char('\\'))
        || altDir_.contains(QLatin1String("..")))
        return path;
    const QFileInfo fi(path);
    const QString base = path.left(path.size() - (fi.suffix().isEmpty() ? 0 : fi.suffix().size() + 1));
    QString alt = base + QStringLiteral("---%1").arg(altDir_);
    if (!fi.suffix().isEmpty())
        alt += QLatin1Char('.') + fi.suffix();
    TLOG(QStringLiteral("Fichier : %1").arg(alt));
    if (QFileInfo::exists(alt)) {
        TLOG(QStringLiteral("Fichier ALT existe"));
        altModeOk_ = altMode_;
        return alt;
    }
    return path;
}

qint64 PDFImageView::loadFromPath(const QString &path, qint64 pageNo, qint64 side, double /*margin*/)
{
    TLOG(QStringLiteral("PDFImageView loadFromPath"));
    TLOG(QStringLiteral("loadFromPath %1").arg(path));
    pageNoToLoad_ = 0;
    pageNbToLoad_ = 1;
    QPdfDocument doc;
    const QString file = subsPath(path);
    const bool ok = QFileInfo(file).isFile() && doc.load(file) == QPdfDocument::Error::None;
    pageCount1_ = ok ? doc.pageCount() : 0;
    image_ = QImage();
    const bool empty = pageNo == 0 || altModeOk_ == -1 || (side == 1 && pageNo == 1 && pageCount1_ >= 2)
        || (side == 1 && pageNo == 2 && pageCount1_ == 1);
    if (!empty && ok && pageNo >= 1 && pageNo <= pageCount1_ && !size().isEmpty()) {
        const QSizeF pts = doc.pagePointSize(int(pageNo - 1));
        const QSize px = (pts.scaled(QSizeF(size()), Qt::KeepAspectRatio) * devicePixelRatioF()).toSize();
        if (!px.isEmpty())
            image_ = doc.render(int(pageNo - 1), px);
    }
    update();
    return pageCount1_;
}

void PDFImageView::paintEvent(QPaintEvent *)
{
    if (image_.isNull())
        return;
    QPainter p(this);
    QImage img = image_;
    img.setDevicePixelRatio(devicePixelRatioF());
    const QSizeF logical = QSizeF(img.size()) / devicePixelRatioF();
    // Top of the page at the top of the view.
    p.drawImage(QRectF(QPointF((width() - logical.width()) / 2.0, 0), logical), img);
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
