#include "windows/PopupJauge.h"

#include "library/Data.h"
#include "windows/TitleRowRules.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

PopupJauge::PopupJauge(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Progress"));
    auto *layout = new QVBoxLayout(this);
    level1_ = new QProgressBar(this);
    level1_->setTextVisible(false);
    txt1_ = new QLabel(this);
    txt1_->setTextFormat(Qt::PlainText);
    buttonCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(level1_);
    layout->addWidget(txt1_);
    layout->addWidget(buttonCancel_, 0, Qt::AlignRight);
    connect(buttonCancel_, &QPushButton::clicked, this, &PopupJauge::actionButtonCancel);
    resize(420, 120);
    windowDidLoad();
}

void PopupJauge::windowDidLoad()
{
    // Above ordinary and floating windows, as a modal panel.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dataIsLoaded_ = true;
}

void PopupJauge::showPopupJauge(qint32 kind, bool modal)
{
    traitement_ = kind;
    modalWin_ = modal;
    cancelPressed_ = false;
    enCours_ = true;
    txt1_->clear();
    level1_->setRange(0, 0);
    const qint64 maximum = titlerules::popupMaximum(kind, Data::getNbrPiecesOng(Data::ongOut()));
    // A range of 0-0 would make the bar a busy indicator: keep it empty instead.
    level1_->setRange(0, int(qMax<qint64>(maximum, 1)));
    level1_->setValue(0);
    warningValue_ = criticalValue_ = maximum;
    show();
    raise();
    activateWindow();
    buttonCancel_->setFocus();
    setModal(modal);
    if (modal)
        exec();
}

void PopupJauge::closePopupJauge()
{
    close();
}

void PopupJauge::actionButtonCancel()
{
    // Only noted: the owner closes the popup when it has stopped.
    cancelPressed_ = true;
}

void PopupJauge::windowWillClose()
{
    enCours_ = false;
    emit closed();
}

void PopupJauge::closeEvent(QCloseEvent *event)
{
    windowWillClose();
    event->accept();
    // Ends the modal run; a plain dialog's close would only ask to reject.
    if (modalWin_ && isModal())
        QDialog::done(QDialog::Rejected);
}

void PopupJauge::keyPressEvent(QKeyEvent *event)
{
    // Escape is Cancel, not a close behind the exporting code's back.
    if (event->key() == Qt::Key_Escape) {
        actionButtonCancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
