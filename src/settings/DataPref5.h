#pragma once

#include "settings/InspectorRules.h"

#include <QPointer>
#include <QWidget>
#include <array>

class ColorWell;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class WindowPDFxSuper;
namespace platform {
struct KeyEvent;
}

// The window inspector: a floating panel that shows and changes the display
// options of one open document window, its target. It changes the target
// only through the target's own operations and posts commands for what
// reaches further; it stores nothing itself (the screen sets keep what it
// set). The target is not owned: a window that has left the window list is
// no target.
class DataPref5 : public QWidget {
    Q_OBJECT
public:
    explicit DataPref5(QWidget *parent = nullptr);
    ~DataPref5() override;

    // Shows the inspector on a window (brought to it when on another screen).
    void showDataPref5(WindowPDFxSuper *window);
    // Fills every control for the window; the first open window when it is
    // none or not open.
    void remplirCombo1(WindowPDFxSuper *window);
    WindowPDFxSuper *currentWin() const;
    bool menuOn() const { return menuOn_; }

    // ---- Actions ----------------------------------------------------------------
    void actionClose();
    void actionButtonEscape();
    void actionButtonHelp(int tag);
    void actionColorWell(int tag);
    void actionButtonSetRefFrame();
    void actionButtonSetPosWindow(int tag);
    void actionToggle(inspector::Toggle toggle, bool state);
    // A choice in one of the combo boxes (its current index).
    void comboBoxSelectionDidChange(QComboBox *combo);
    // The inspector's own keys; false for a key it leaves to the standard handling.
    bool keyDown(const platform::KeyEvent &event);

    // ---- Controls, for the tests ---------------------------------------------------
    QComboBox *combo1() const { return combo1_; }
    QComboBox *comboWinID() const { return comboWinID_; }
    QComboBox *comboModeAffichage() const { return comboModeAffichage_; }
    QComboBox *comboFixPageNo() const { return comboFixPageNo_; }
    QComboBox *comboMetro() const { return comboMetro_; }
    QCheckBox *toggle(inspector::Toggle toggle) const { return toggles_[size_t(toggle)]; }
    // Well n (1-24) holds slot n - 1.
    ColorWell *colorWell(int n) const { return wells_[size_t(n - 1)]; }
    QLabel *colorLabel(int n) const { return colorLabels_[size_t(n - 1)]; }
    QLabel *labelMetro() const { return labelMetro_; }
    QLabel *labelPageNo() const { return labelPageNo_; }
    QPushButton *buttonClose() const { return buttonClose_; }
    QPushButton *buttonSetRefFrame() const { return buttonSetRefFrame_; }
    QPushButton *buttonSetFullScreen() const { return buttonSetFullScreen_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void remplirComboWinID();
    void remplirComboModeAffichage();
    void remplirComboFixPageNo();
    void remplirComboMetro();
    void resetControls();
    void applyTarget(WindowPDFxSuper *w);
    void chooseMode(WindowPDFxSuper *w, int item);
    bool toggleShows(inspector::Toggle toggle, const WindowPDFxSuper *w) const;
    qint64 targetType() const;

    QPointer<WindowPDFxSuper> currentWin_;
    bool menuOn_ = false;

    QScrollArea *scroll1_ = nullptr;
    QComboBox *combo1_ = nullptr;
    QPushButton *buttonClose_ = nullptr;
    QPushButton *buttonEscape_ = nullptr;
    QComboBox *comboWinID_ = nullptr;
    QComboBox *comboModeAffichage_ = nullptr;
    QComboBox *comboFixPageNo_ = nullptr;
    QComboBox *comboMetro_ = nullptr;
    std::array<QCheckBox *, inspector::kToggles> toggles_{};
    QPushButton *buttonSetRefFrame_ = nullptr;
    QPushButton *buttonSetFullScreen_ = nullptr;
    std::array<ColorWell *, inspector::kWells> wells_{};
    std::array<QLabel *, inspector::kWells> colorLabels_{};
    QLabel *labelWinID_ = nullptr;
    QLabel *labelMetro_ = nullptr;
    QLabel *labelModeAffichage_ = nullptr;
    QLabel *labelPageNo_ = nullptr;
    QLabel *labelVisual_ = nullptr;
    QColorDialog *colorPanel_ = nullptr;
};
