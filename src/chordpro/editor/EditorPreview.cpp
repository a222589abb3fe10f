#include "chordpro/editor/EditorPreview.h"

#include <QPaintEvent>
#include <QPainter>

EditorPreview::EditorPreview(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EditorPreview::setPages(std::vector<chordpro::ChordProPage> pages)
{
    pages_ = std::move(pages);
    int height = kGap;
    for (const chordpro::ChordProPage &page : pages_)
        height += int(std::ceil(page.size.height())) + kGap;
    setMinimumHeight(height);
    update();
}

int EditorPreview::pageTop(int page) const
{
    int top = kGap;
    for (int i = 0; i < page && i < int(pages_.size()); ++i)
        top += int(std::ceil(pages_[size_t(i)].size.height())) + kGap;
    return top;
}

void EditorPreview::select(int page, const QRectF &box)
{
    selectedPage_ = page;
    selection_ = box;
    update();
}

void EditorPreview::clearSelection()
{
    if (selection_.isEmpty())
        return;
    selection_ = QRectF();
    selectedPage_ = -1;
    update();
}

QRect EditorPreview::selectionRect() const
{
    if (selection_.isEmpty() || selectedPage_ < 0)
        return QRect();
    return selection_.translated(kGap, pageTop(selectedPage_)).toAlignedRect();
}

void EditorPreview::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Mid));
    for (size_t i = 0; i < pages_.size(); ++i) {
        const QPointF origin(kGap, pageTop(int(i)));
        const QRectF area(origin, pages_[i].size);
        // Only the pages in view are drawn: a keystroke repaints one or two.
        if (!area.intersects(event->rect()))
            continue;
        chordpro::paintPage(painter, pages_[i], origin);
    }
    if (!selection_.isEmpty() && selectedPage_ >= 0) {
        QColor mark = palette().color(QPalette::Highlight);
        mark.setAlpha(80);
        painter.fillRect(selectionRect(), mark);
    }
}

void EditorPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const double want = std::max(0, width() - 2 * kGap);
    if (pages_.empty() || std::abs(pages_.front().size.width() - want) > 0.5)
        Q_EMIT widthChanged();
}
