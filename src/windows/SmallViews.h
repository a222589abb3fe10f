#pragma once

#include <QLabel>
#include <QStyledItemDelegate>
#include <QWidget>

// Small views and windows that the document, chord and preference windows
// are built from, each changing one behaviour of a Qt class.

// A chromeless window on a black background that moves by its background.
class WindowPDFSuper : public QWidget {
    Q_OBJECT
public:
    explicit WindowPDFSuper(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPoint dragOffset_;
    bool dragging_ = false;
};

// Dragging this view moves its window.
class ViewMovable : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint dragOffset_;
};

// The delegate role of a clickable box of a grid.
class BoxRondDelegate {
public:
    virtual ~BoxRondDelegate() = default;
    virtual void boxRondClickatLine(qint32 lig, qint32 col) = 0;
};

// A round box (a dot) that reports its grid position when clicked.
class BoxRond : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    qint32 lig() const { return lig_; }
    void setLig(qint32 v) { lig_ = v; }
    qint32 col() const { return col_; }
    void setCol(qint32 v) { col_ = v; }
    BoxRondDelegate *delegate() const { return delegate_; }
    void setDelegate(BoxRondDelegate *d) { delegate_ = d; }
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor &c) { fill_ = c; update(); }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    qint32 lig_ = 0;
    qint32 col_ = 0;
    BoxRondDelegate *delegate_ = nullptr; // not owned
    QColor fill_ = Qt::gray;
};

// The tempo field: a click taps the tempo.
class TextFieldTempo : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// A view with rounded corners that clips what it draws.
class RoundedView : public QWidget {
    Q_OBJECT
public:
    RoundedView(double radius, QWidget *parent);
    double radius() const { return radius_; }
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor &c) { fill_ = c; update(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double radius_;
    QColor fill_ = Qt::transparent;
};

// The page containers of the Tolvane window (corner radius 8).
class PDFViewSup : public RoundedView {
    Q_OBJECT
public:
    explicit PDFViewSup(QWidget *parent = nullptr) : RoundedView(8.0, parent) {}
};

// The half-page band's container (corner radius 15).
class PDFViewSupZ : public RoundedView {
    Q_OBJECT
public:
    explicit PDFViewSupZ(QWidget *parent = nullptr) : RoundedView(15.0, parent) {}
};

// The metronome lights' container (corner radius 10).
class ViewMetroSupZ : public RoundedView {
    Q_OBJECT
public:
    explicit ViewMetroSupZ(QWidget *parent = nullptr) : RoundedView(10.0, parent) {}
};

// The preferences window turns any key into a key-choice code ("ActionKeyPref").
class WinPref : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Table rows drawn with their own selection: a light grey fill with a
// darker outline, nothing when the table allows no selection.
class MyNSTableRowView : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
