#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

class Pieces;
class QLabel;
class QPushButton;
class WindowPDFxSuper;

// The rounded band drawn behind a song-list row (highlight or section).
class TocBand : public QWidget {
public:
    explicit TocBand(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }
    void setFill(const QColor &c);
    void setRadius(double r);
    QColor fill() const { return fill_; }
    double radius() const { return radius_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor fill_;
    double radius_ = 10.0;
};

// One row of the song list: its label key, title, artist, last-played date
// and played mark; or a section heading.
class ViewTocItem : public QWidget {
    Q_OBJECT
public:
    explicit ViewTocItem(QWidget *parent = nullptr);

    // The label of row n (0-35): a-z, then 1-9, then 0.
    static QString labelForItem(int itemNo);

    void ajusterDroiteGauche(bool droite, int noItem, WindowPDFxSuper *window);
    // State 0 shows the row, 1 hides it, 2 shows the title only; a section
    // heading always shows as 2; 3 and above leave visibility alone.
    void setItemState(qint64 state, const std::shared_ptr<Pieces> &piece);
    void refreshPos();
    void refreshColor();
    void actionItem();

    TocBand *box1() const { return box1_; }
    QPushButton *bouton1() const { return bouton1_; }
    QLabel *titre1() const { return titre1_; }
    QLabel *artiste1() const { return artiste1_; }
    QLabel *info1() const { return info1_; }
    QLabel *state1() const { return state1_; }
    WindowPDFxSuper *refWindowPDFxSuper() const { return refWindowPDFxSuper_; }
    void setRefWindowPDFxSuper(WindowPDFxSuper *w) { refWindowPDFxSuper_ = w; }
    bool droite() const { return droite_; }
    qint32 itemNo() const { return itemNo_; }
    bool section() const { return section_; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutFields();

    TocBand *box1_ = nullptr;
    QPushButton *bouton1_ = nullptr;
    QLabel *titre1_ = nullptr;
    QLabel *artiste1_ = nullptr;
    QLabel *info1_ = nullptr;
    QLabel *state1_ = nullptr;
    QPointer<WindowPDFxSuper> refWindowPDFxSuper_;
    bool droite_ = false;
    qint32 itemNo_ = 0;
    bool section_ = false;
    bool titleWide_ = false;
};

// One half of the song list: 18 rows. The left half passes rows 19-36 to the right half.
class ViewToc : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 18;

    explicit ViewToc(QWidget *parent = nullptr);

    void ajusterDroiteGauche(bool droite, ViewToc *viewTocDroite, WindowPDFxSuper *window);
    // Row 1-36; rows past 18 go to the right half.
    void setItemStateForItem(qint64 state, const std::shared_ptr<Pieces> &piece, qint64 item);
    void refreshColor();
    void refreshPos();

    ViewTocItem *item(int k) const { return items_[size_t(k)]; } // 0-17
    bool droite() const { return droite_; }
    ViewToc *refViewTocDroite() const { return refViewTocDroite_; }
    void setRefViewTocDroite(ViewToc *v) { refViewTocDroite_ = v; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::array<ViewTocItem *, kRows> items_{};
    bool droite_ = false;
    QPointer<ViewToc> refViewTocDroite_;
};
