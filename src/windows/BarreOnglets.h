#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>
#include <array>

class WindowPDFxSuper;

// A tab's button: its label turned on its side, and whether Command (Ctrl)
// was held when it was pressed.
class ButtonOnglet : public QAbstractButton {
    Q_OBJECT
public:
    explicit ButtonOnglet(QWidget *parent = nullptr);
    bool isCmdKeyPressed() const { return cmdKeyPressed_; }
    // Degrees the label is turned: 90 on the left bar (read bottom to top), -90 on the right.
    void setRotation(int degrees);
    int rotation() const { return rotation_; }
    void setTextColor(const QColor &c);
    QColor textColor() const { return textColor_; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *) override;
    QSize sizeHint() const override { return QSize(22, 80); }

private:
    bool cmdKeyPressed_ = false;
    int rotation_ = 90;
    QColor textColor_ = Qt::black;
};

// One tab of a bar (tab 0-9): a box with a turned label.
class ViewOnglet : public QWidget {
    Q_OBJECT
public:
    explicit ViewOnglet(QWidget *parent = nullptr);

    void iniRefWindowPDFxSuper(WindowPDFxSuper *window) { refWindowPDFxSuper_ = window; }
    void ajusterDroiteGauche(bool droite, int noOnglet);
    void centrerLabel();
    // State 0 inactive, 1 current, 2 marked red; a null label keeps the title.
    void setButtonState(qint64 state, const QString &label);
    void actionOnglet();

    QWidget *box1() const { return box1_; }
    ButtonOnglet *bouton1() const { return bouton1_; }
    QWidget *ligne1() const { return ligne1_; }
    QWidget *ligne2() const { return ligne2_; }
    WindowPDFxSuper *refWindowPDFxSuper() const { return refWindowPDFxSuper_; }
    bool droite() const { return droite_; }
    qint32 ongletNo() const { return ongletNo_; }
    qint64 state() const { return state_; }
    QColor boxFill() const { return boxFill_; }
    void setLigne2Color(const QColor &c);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *) override;

private:
    void layoutParts();

    QWidget *box1_ = nullptr;
    ButtonOnglet *bouton1_ = nullptr;
    QWidget *ligne1_ = nullptr;
    QWidget *ligne2_ = nullptr;
    QPointer<WindowPDFxSuper> refWindowPDFxSuper_;
    bool droite_ = false;
    qint32 ongletNo_ = 0;
    qint64 state_ = 0;
    QColor boxFill_ = Qt::gray;
};

// Five vertical tabs along a side of the Tolvane window; the left bar holds
// tabs 0-4 and passes 5-9 to the right bar.
class BarreOnglets : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabs = 5;

    explicit BarreOnglets(QWidget *parent = nullptr);

    void ajusterDroiteGauche(bool droite, BarreOnglets *barreOngletsDroite, WindowPDFxSuper *window);
    void ajusterBackgroundColor(const QColor &color);
    // Tab 1-10 (one more than the tab number).
    void setButtonStateForOnglet(qint64 state, const QString &label, qint64 onglet);
    QString getLabelForOnglet(qint64 onglet) const;

    ViewOnglet *onglet(int k) const { return onglets_[size_t(k)]; } // 0-4
    bool droite() const { return droite_; }
    BarreOnglets *refBarreOngletsDroite() const { return refBarreOngletsDroite_; }
    void setRefBarreOngletsDroite(BarreOnglets *b) { refBarreOngletsDroite_ = b; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::array<ViewOnglet *, kTabs> onglets_{};
    bool droite_ = false;
    QPointer<BarreOnglets> refBarreOngletsDroite_;
};
