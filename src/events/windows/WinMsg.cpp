#include "events/windows/WinMsg.h"

#include "events/NoteRules.h"
#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QCloseEvent>
#include <QGridLayout>

WinMsg::WinMsg(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Timed Message"));
    auto *grid = new QGridLayout(this);
    label1_ = new QLabel(QStringLiteral("Message:"), this);
    txMsg_ = new QLineEdit(this);
    label2_ = new QLabel(QStringLiteral("Insert at the time the window opened"), this);
    label3_ = new QLabel(QStringLiteral("Insert at the current time"), this);
    buttonMsg1_ = new QPushButton(QStringLiteral("00:00"), this);
    buttonMsg2_ = new QPushButton(QStringLiteral("00:00"), this);
    buttonMsg3_ = new QPushButton(QStringLiteral("Cancel"), this);
    grid->addWidget(label1_, 0, 0);
    grid->addWidget(txMsg_, 0, 1, 1, 2);
    grid->addWidget(label2_, 1, 0);
    grid->addWidget(buttonMsg1_, 1, 1);
    grid->addWidget(label3_, 2, 0);
    grid->addWidget(buttonMsg2_, 2, 1);
    grid->addWidget(buttonMsg3_, 3, 2);
    buttonMsg1_->setDefault(true);
    connect(buttonMsg1_, &QPushButton::clicked, this, [this]() { actionButtonMsg(1); });
    connect(buttonMsg2_, &QPushButton::clicked, this, [this]() { actionButtonMsg(2); });
    connect(buttonMsg3_, &QPushButton::clicked, this, [this]() { actionButtonMsg(3); });
    connect(txMsg_, &QLineEdit::returnPressed, this, [this]() { actionButtonMsg(1); });
}

void WinMsg::showWin(double position, const QString &text)
{
    if (!isVisible()) {
        buttonMsg1_->setText(noterules::timeText(position));
        buttonMsg2_->setText(QStringLiteral("00:00"));
    }
    txMsg_->setText(text);
    show();
    raise();
    activateWindow();
    txMsg_->setFocus();
    txMsg_->setCursorPosition(int(txMsg_->text().size()));
}

void WinMsg::updateItunesInfo(const QString &, const QString &, double curPos, double, bool masquer)
{
    buttonMsg2_->setText(masquer ? QStringLiteral("00:00") : noterules::timeText(curPos));
}

void WinMsg::actionButtonMsg(int tag)
{
    if (tag == 1 || tag == 2) {
        const QString time = (tag == 1 ? buttonMsg1_ : buttonMsg2_)->text();
        platform::NotificationCenter::defaultCenter().post(vocab::ActionInsererMessage,
                                                           noterules::messageLine(time, txMsg_->text()));
    }
    close();
}

void WinMsg::closeEvent(QCloseEvent *event)
{
    buttonMsg1_->setText(QStringLiteral("00:00"));
    buttonMsg2_->setText(QStringLiteral("00:00"));
    QWidget::closeEvent(event);
    Data::activateKeywin();
}
