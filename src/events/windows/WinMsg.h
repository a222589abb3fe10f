#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

// The timed message window: a message typed while the song plays goes into
// the note as a timed message line, at the time the window opened or at the
// current track time.
class WinMsg : public QWidget {
    Q_OBJECT
public:
    explicit WinMsg(QWidget *parent = nullptr);

    // Opens with the text; the first button keeps the position it opened at.
    void showWin(double position, const QString &text);
    void updateItunesInfo(const QString &title, const QString &artist, double curPos, double maxPos, bool masquer);
    // 1 and 2 insert the message at their time; any other tag only closes.
    void actionButtonMsg(int tag);

    QLineEdit *txMsg() const { return txMsg_; }
    QPushButton *buttonMsg1() const { return buttonMsg1_; }
    QPushButton *buttonMsg2() const { return buttonMsg2_; }
    QPushButton *buttonMsg3() const { return buttonMsg3_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *label1_ = nullptr, *label2_ = nullptr, *label3_ = nullptr;
    QLineEdit *txMsg_ = nullptr;
    QPushButton *buttonMsg1_ = nullptr, *buttonMsg2_ = nullptr, *buttonMsg3_ = nullptr;
};
