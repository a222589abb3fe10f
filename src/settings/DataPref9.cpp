#include "settings/DataPref9.h"

#include "library/Data.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

DataPref9::DataPref9(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Filter by Tag"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Choose or type a tag, then press Return or Tab")));
    comboFiltreTags_ = new QComboBox;
    comboFiltreTags_->setEditable(true);
    comboFiltreTags_->setInsertPolicy(QComboBox::NoInsert);
    layout->addWidget(comboFiltreTags_);
    connect(comboFiltreTags_, &QComboBox::activated, this, [this](int index) {
        // A choice only fills the field; Return applies it.
        if (dataIsLoaded_ && index >= 0 && index < Data::tags().size())
            comboFiltreTags_->setEditText(Data::tags().at(index));
    });
    connect(comboFiltreTags_->lineEdit(), &QLineEdit::returnPressed, this, &DataPref9::refreshSelonFiltres);
    // Keys and the focus reach the combo: its line edit has the combo as
    // focus proxy and is fed by direct calls that pass no event filter.
    comboFiltreTags_->installEventFilter(this);
    resize(280, 80);
}

DataPref9::~DataPref9()
{
    // The field loses the focus while the window's base goes: its handlers
    // must not reach this half-destroyed window.
    dataIsLoaded_ = false;
    comboFiltreTags_->removeEventFilter(this);
    comboFiltreTags_->lineEdit()->disconnect(this);
    comboFiltreTags_->disconnect(this);
}

bool DataPref9::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == comboFiltreTags_) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                refreshSelonFiltres();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut
                   && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason
                   && !comboFiltreTags_->view()->isVisible()) {
            // The combo's own list taking the focus is no end of the edit.
            refreshSelonFiltres();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DataPref9::showDataPref9()
{
    dataIsLoaded_ = false;
    {
        const QSignalBlocker quiet(comboFiltreTags_);
        comboFiltreTags_->clear();
        comboFiltreTags_->addItems(Data::tags());
        comboFiltreTags_->setEditText(Data::filterString());
    }
    show();
    raise();
    activateWindow();
    comboFiltreTags_->setFocus();
    comboFiltreTags_->lineEdit()->selectAll();
    dataIsLoaded_ = true;
}

void DataPref9::refreshSelonFiltres()
{
    if (!dataIsLoaded_)
        return;
    dataIsLoaded_ = false;
    Data::filterString() = comboFiltreTags_->currentText();
    close();
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::ApplyFilterText);
}

void DataPref9::actionButtonEscape()
{
    dataIsLoaded_ = false;
    close();
}

void DataPref9::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        actionButtonEscape();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DataPref9::closeEvent(QCloseEvent *event)
{
    event->accept();
    dataIsLoaded_ = false;
    Data::activateKeywin();
}
