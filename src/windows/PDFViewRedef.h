#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

class WindowPDFx;

// One page pane of the Tolvane window: shows one page of a PDF song (an
// image requested from the window's renderer at the pane's size times the
// screen's pixel ratio) or of a ChordPro song, with its page label. Never
// takes the keyboard; a pinch or Ctrl-wheel becomes the application's zoom
// commands instead of zooming the pane.
class PDFViewRedef : public QWidget {
    Q_OBJECT
public:
    enum class Role { Left, Right, Single, Zoom };
    enum class Kind { Empty, Pdf, ChordPro };
    struct Content {
        Kind kind = Kind::Empty;
        QString path;          // the file shown (after alternate-version substitution)
        qint64 page = 0;       // 1-based
        bool nextSong = false; // a page of the song after the current one
        bool unreadable = false; // empty because the song's file cannot be shown
        QString notice;          // what an empty pane says instead of a page
        bool operator==(const Content &o) const
        {
            return kind == o.kind && page == o.page && nextSong == o.nextSong && unreadable == o.unreadable
                && path == o.path && notice == o.notice;
        }
    };

    PDFViewRedef(WindowPDFx *owner, Role role, QWidget *parent);

    Role role() const { return role_; }
    const Content &content() const { return content_; }
    void setContent(const Content &content);
    void clear() { setContent(Content()); }
    const QString &label() const { return label_; }
    void setLabel(const QString &text);
    // The half of the page shown by the half-page band.
    void setZoomTop(bool top);
    bool zoomTop() const { return zoomTop_; }
    // The size the pane asks its page at, in device pixels; empty when unknown.
    QSize requestedPixelSize() const;
    // The page image the pane would draw now (null while it is on its way).
    QImage currentImage() const;
    // The pane shows its page (PDF image ready, or a ChordPro page).
    bool hasPageReady() const;

    void zoomIn();
    void zoomOut();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QRectF pageRect(const QSizeF &imageLogicalSize) const;
    void paintLabel(class QPainter &p);

    WindowPDFx *owner_;
    Role role_;
    Content content_;
    QString label_;
    bool zoomTop_ = true;
    double pinch_ = 0;
};
