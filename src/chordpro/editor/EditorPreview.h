#pragma once

#include "chordpro/ChordProPage.h"

#include <QWidget>
#include <vector>

// The editor's read-only preview: every page of the song, one under the other,
// drawn by chordpro::paintPage, with the lines of the edited source line marked.
class EditorPreview : public QWidget {
    Q_OBJECT
public:
    explicit EditorPreview(QWidget *parent = nullptr);

    void setPages(std::vector<chordpro::ChordProPage> pages);
    const std::vector<chordpro::ChordProPage> &pages() const { return pages_; }
    // Marks the rectangle (in page coordinates) on page index; an empty one clears.
    void select(int page, const QRectF &box);
    void clearSelection();
    bool hasSelection() const { return !selection_.isEmpty(); }
    // The selection in widget coordinates.
    QRect selectionRect() const;
    // Where page index starts.
    int pageTop(int page) const;

    static constexpr int kGap = 8;
    QSize sizeHint() const override { return {440, 560}; }

Q_SIGNALS:
    void widthChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    std::vector<chordpro::ChordProPage> pages_;
    int selectedPage_ = -1;
    QRectF selection_;
};
