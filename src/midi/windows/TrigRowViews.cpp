#include "midi/windows/TrigRowViews.h"

#include "midi/windows/MidiWindowRules.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// The first combo of a kind measures its items; the others take its width
// without measuring again, since a long trigger list builds many of them.
void sizeLikeTheFirst(QComboBox *combo, int &measuredWidth)
{
    if (measuredWidth == 0)
        measuredWidth = combo->sizeHint().width();
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumWidth(measuredWidth);
}

} // namespace

// ---- ViewTrigSource ------------------------------------------------------------------------------

ViewTrigSource::ViewTrigSource(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    comboSource_ = new QComboBox(this);
    comboSource_->addItems(midiwin::sourceTypeItems());
    static int typeComboWidth = 0;
    sizeLikeTheFirst(comboSource_, typeComboWidth);
    layout->addWidget(comboSource_);
    for (QLineEdit *&field : vals_) {
        field = new QLineEdit(this);
        field->setValidator(new QIntValidator(-1, 16383, field));
        field->setMaximumWidth(48);
        connect(field, &QLineEdit::textEdited, this, [this] { notify(false); });
        layout->addWidget(field);
    }
    box1_ = new QLabel(QStringLiteral("Listening: play the control on your MIDI device"), this);
    boutCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(box1_, 1);
    layout->addWidget(boutCancel_);
    connect(comboSource_, &QComboBox::activated, this, [this](int index) { chooseType(index); });
    connect(boutCancel_, &QPushButton::clicked, this, &ViewTrigSource::actionCancel);
    setValues(-1, -1, -1);
    setValComboSource(1);
}

void ViewTrigSource::setValComboSource(int type)
{
    type = std::clamp(type, 0, 6);
    {
        const QSignalBlocker quiet(comboSource_);
        comboSource_->setCurrentIndex(type);
    }
    const midiwin::SourceFields fields = midiwin::sourceFields(type);
    comboSource_->setVisible(type != 0);
    for (int i = 0; i < 3; ++i) {
        vals_[i]->setVisible(i < fields.shown);
        vals_[i]->setPlaceholderText(fields.placeholders.value(i));
    }
    box1_->setVisible(type == 0);
    boutCancel_->setVisible(type == 0);
    if (type >= 1)
        comboSourceValPrec_ = type;
}

void ViewTrigSource::setValues(qint64 v1, qint64 v2, qint64 v3)
{
    const qint64 values[] = {v1, v2, v3};
    for (int i = 0; i < 3; ++i)
        vals_[i]->setText(values[i] < 0 ? QString() : QString::number(values[i]));
}

qint64 ViewTrigSource::value(int field) const
{
    bool ok = false;
    const qint64 v = vals_[field - 1]->text().trimmed().toLongLong(&ok);
    return ok ? v : -1;
}

int ViewTrigSource::type() const { return comboSource_->currentIndex(); }

void ViewTrigSource::chooseType(int type)
{
    if (type == 0) {
        setValComboSource(0);
        notify(true);
        return;
    }
    if (!midiwin::keepsFirstValue(comboSourceValPrec_, type))
        vals_[0]->clear();
    vals_[1]->clear();
    vals_[2]->clear();
    setValComboSource(type);
    notify(false);
}

void ViewTrigSource::actionCancel()
{
    setValComboSource(comboSourceValPrec_);
    notify(false);
}

void ViewTrigSource::notify(bool listen)
{
    platform::NotificationCenter::defaultCenter().post(listen ? vocab::EventListen : vocab::EventUpdateRow, {},
                                                       this);
}

// ---- ViewTrigAction --------------------------------------------------------------------------------

ViewTrigAction::ViewTrigAction(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    comboAction_ = new QComboBox(this);
    comboAction_->addItems(midiwin::actionItems());
    static int actionComboWidth = 0;
    sizeLikeTheFirst(comboAction_, actionComboWidth);
    val1_ = new QLineEdit(this);
    layout->addWidget(comboAction_);
    layout->addWidget(val1_, 1);
    connect(comboAction_, &QComboBox::activated, this, [this](int index) { chooseAction(index); });
    connect(val1_, &QLineEdit::textEdited, this, [this] { notify(); });
    setValComboAction(0);
}

void ViewTrigAction::setValComboAction(int action)
{
    action = std::clamp(action, 0, int(comboAction_->count() - 1));
    {
        const QSignalBlocker quiet(comboAction_);
        comboAction_->setCurrentIndex(action);
    }
    const midiwin::ActionField field = midiwin::actionField(action);
    val1_->setVisible(field.shown);
    val1_->setPlaceholderText(field.placeholder);
    val1_->setToolTip(field.toolTip);
}

void ViewTrigAction::setText(const QString &text) { val1_->setText(text); }

int ViewTrigAction::action() const { return comboAction_->currentIndex(); }

QString ViewTrigAction::text() const { return val1_->text(); }

void ViewTrigAction::chooseAction(int action)
{
    val1_->clear();
    setValComboAction(action);
    notify();
}

void ViewTrigAction::notify()
{
    platform::NotificationCenter::defaultCenter().post(vocab::EventUpdateRow, {}, this);
}
