#pragma once

#include "controller/ControllerOptions.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class WinPref;

// The preferences window: edits the controller's options. Closing it hands
// the edited options back (the controller applies them to the global state).
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget *parent = nullptr);

    // Fills the controls and shows the window.
    void showOptions(const controller::ControllerOptions &options);
    void setOptions(const controller::ControllerOptions &options);
    // The options given to the window with the changes made in it.
    controller::ControllerOptions editedOptions() const { return editedOptions(base_); }
    // The changes made in the window over other options: a control left as
    // it was shown changes nothing.
    controller::ControllerOptions editedOptions(const controller::ControllerOptions &onto) const;
    // The key-test field.
    void setKeyTestText(const QString &text);
    QString keyTestText() const;
    // The key-pad check box as it stands now (the key test names keys by it).
    bool keyPadChecked() const;
    // Empties the key-test field and gives the key-test area the keys.
    void actionPrefClear();
    // The parameter field of a key input follows the action its pop-up names.
    static void ajusterPlaceHolderString(const QComboBox *popup, QLineEdit *field);
    // The user chose another action for a key input (a KeyInput number).
    void actionOptCombo(int input);
    QLineEdit *keyField(int input) const;
    QComboBox *keyPopup(int input) const;
    // Asks for the folder the songs' recordings are looked up in.
    void chooseMusicFolder();

Q_SIGNALS:
    void closedWithOptions(const controller::ControllerOptions &options);

protected:
    void done(int result) override;

private:
    void setControls(const controller::ControllerOptions &options);
    controller::ControllerOptions controlValues(controller::ControllerOptions onto) const;

    controller::ControllerOptions base_;
    controller::ControllerOptions shown_;
    QComboBox *halfPageMarker_ = nullptr;
    QCheckBox *redLine_ = nullptr;
    QCheckBox *dimmer_ = nullptr;
    QDoubleSpinBox *dimmerVal_ = nullptr;
    QDoubleSpinBox *dimmerValInact_ = nullptr;
    QDoubleSpinBox *midiDelay_ = nullptr;
    QCheckBox *centerMouse_ = nullptr;
    QCheckBox *reverseMouse_ = nullptr;
    QCheckBox *hiddenRegions_ = nullptr;
    QCheckBox *autoOpen_ = nullptr;
    QCheckBox *extOpen_ = nullptr;
    QCheckBox *keyPad_ = nullptr;
    QCheckBox *keyPad2_ = nullptr;
    QCheckBox *gap_ = nullptr;
    QCheckBox *prevPageSong_ = nullptr;
    QCheckBox *nextPageSong_ = nullptr;
    std::array<QComboBox *, controller::KeyInputCount> keyPopups_{};
    std::array<QLineEdit *, controller::KeyInputCount> keyTexts_{};
    QLabel *keyTest_ = nullptr;
    QLabel *musicFolder_ = nullptr;
    WinPref *keyTestArea_ = nullptr;
};
