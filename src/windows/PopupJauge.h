#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress popup of long exports: a level bar, a text line and Cancel.
// The exporting code sets the bar and the text as it goes and polls
// cancelPressed; it closes the popup at the end.
class PopupJauge : public QDialog {
    Q_OBJECT
public:
    explicit PopupJauge(QWidget *parent = nullptr);

    void windowDidLoad();
    // Kind 0 audio export, 1 PDF export of a tab, 2 PDF export with each
    // song's alternate version (two files a song). Modal runs until closed.
    void showPopupJauge(qint32 kind, bool modal);
    void closePopupJauge();
    void actionButtonCancel();

    QProgressBar *level1() const { return level1_; }
    QLabel *txt1() const { return txt1_; }
    QPushButton *buttonCancel() const { return buttonCancel_; }
    qint32 traitement() const { return traitement_; }
    bool modalWin() const { return modalWin_; }
    bool cancelPressed() const { return cancelPressed_; }
    void setCancelPressed(bool v) { cancelPressed_ = v; }
    bool enCours() const { return enCours_; }
    void setEnCours(bool v) { enCours_ = v; }
    // The bar's warning and critical values (both the maximum).
    qint64 warningValue() const { return warningValue_; }
    qint64 criticalValue() const { return criticalValue_; }

signals:
    // The popup went away: closed by the exporting code, the performer or a quit.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void windowWillClose();

    QProgressBar *level1_ = nullptr;
    QLabel *txt1_ = nullptr;
    QPushButton *buttonCancel_ = nullptr;
    qint32 traitement_ = 0;
    bool modalWin_ = false;
    bool cancelPressed_ = false;
    bool enCours_ = false;
    bool dataIsLoaded_ = false;
    qint64 warningValue_ = 0;
    qint64 criticalValue_ = 0;
};
