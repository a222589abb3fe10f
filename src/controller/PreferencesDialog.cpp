#include "controller/PreferencesDialog.h"

#include "audio/MusicLibrary.h"
#include "controller/MenuTexts.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "windows/SmallViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using controller::KeyInput;

namespace {

QComboBox *popupOf(const QList<controller::PopupItem> &items)
{
    auto *box = new QComboBox;
    for (const controller::PopupItem &item : items)
        box->addItem(item.title, item.tag);
    return box;
}

QDoubleSpinBox *spin(double min, double max, double step, int decimals)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(min, max);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    return box;
}

const char *const kInputLabels[controller::KeyInputCount] = {
    "Swipe left / right", "Swipe up / down", "Space bar", "Period key", "Mute genre start",
    "Grave key", "Shift + grave key", "Key left of 1", "Page Up", "Page Down",
};

} // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Preferences"));
    auto *tabs = new QTabWidget;

    auto *general = new QWidget;
    auto *form = new QFormLayout(general);
    halfPageMarker_ = popupOf(controller::halfPageMarkerItems());
    form->addRow(QStringLiteral("Half-page marker"), halfPageMarker_);
    redLine_ = new QCheckBox(QStringLiteral("Show the half-page marker line"));
    form->addRow(redLine_);
    dimmer_ = new QCheckBox(QStringLiteral("Dimmer"));
    dimmerVal_ = spin(0, 100, 1, 0);
    dimmerValInact_ = spin(0, 100, 1, 0);
    form->addRow(dimmer_);
    form->addRow(QStringLiteral("Dimmer level (%)"), dimmerVal_);
    form->addRow(QStringLiteral("Inactive level (%)"), dimmerValInact_);
    midiDelay_ = spin(0.0, 1.0, 0.01, 2);
    form->addRow(QStringLiteral("MIDI delay (s)"), midiDelay_);
    centerMouse_ = new QCheckBox(QStringLiteral("Center the mouse pointer"));
    reverseMouse_ = new QCheckBox(QStringLiteral("Reverse swipe direction"));
    hiddenRegions_ = new QCheckBox(QStringLiteral("Hidden click regions"));
    autoOpen_ = new QCheckBox(QStringLiteral("Open ChordPro songs in their external application"));
    extOpen_ = new QCheckBox(QStringLiteral("Open songs in the external editor"));
    keyPad_ = new QCheckBox(QStringLiteral("On-screen key pad (2 and 3 turn pages)"));
    keyPad2_ = new QCheckBox(QStringLiteral("Numeric key pad plays MIDI notes"));
    gap_ = new QCheckBox(QStringLiteral("Narrow ChordPro line gap"));
    prevPageSong_ = new QCheckBox(QStringLiteral("Page up on page 1 goes to the previous song"));
    nextPageSong_ = new QCheckBox(QStringLiteral("Page down on the last page goes to the next song"));
    for (QCheckBox *box : {centerMouse_, reverseMouse_, hiddenRegions_, autoOpen_, extOpen_, keyPad_, keyPad2_, gap_,
                           prevPageSong_, nextPageSong_})
        form->addRow(box);
    musicFolder_ = new QLabel(audio::musicFolderPath());
    musicFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *chooseMusic = new QPushButton(QStringLiteral("Choose…"));
    chooseMusic->setAutoDefault(false);
    connect(chooseMusic, &QPushButton::clicked, this, &PreferencesDialog::chooseMusicFolder);
    auto *musicRow = new QHBoxLayout;
    musicRow->addWidget(musicFolder_, 1);
    musicRow->addWidget(chooseMusic);
    form->addRow(QStringLiteral("Music folder"), musicRow);
    tabs->addTab(general, QStringLiteral("General"));

    auto *keys = new QWidget;
    auto *grid = new QGridLayout(keys);
    for (int i = 0; i < controller::KeyInputCount; ++i) {
        keyPopups_[size_t(i)] = popupOf(controller::itemsFor(KeyInput(i)));
        keyPopups_[size_t(i)]->setObjectName(controller::popupKey(KeyInput(i)));
        keyTexts_[size_t(i)] = new QLineEdit;
        keyTexts_[size_t(i)]->setObjectName(controller::textKey(KeyInput(i)));
        connect(keyPopups_[size_t(i)], &QComboBox::activated, this, [this, i]() { actionOptCombo(i); });
        grid->addWidget(new QLabel(QString::fromUtf8(kInputLabels[i])), i, 0);
        grid->addWidget(keyPopups_[size_t(i)], i, 1);
        grid->addWidget(keyTexts_[size_t(i)], i, 2);
    }
    // The key-test area names the key pressed while it has the focus.
    keyTestArea_ = new WinPref;
    keyTestArea_->setFocusPolicy(Qt::StrongFocus);
    keyTestArea_->setAutoFillBackground(true);
    auto *testLayout = new QHBoxLayout(keyTestArea_);
    keyTest_ = new QLabel;
    keyTest_->setMinimumWidth(220);
    testLayout->addWidget(keyTest_);
    auto *clear = new QPushButton(QStringLiteral("Clear"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, &PreferencesDialog::actionPrefClear);
    grid->addWidget(new QLabel(QStringLiteral("Key test (press a key here)")), controller::KeyInputCount, 0);
    grid->addWidget(keyTestArea_, controller::KeyInputCount, 1);
    grid->addWidget(clear, controller::KeyInputCount, 2);
    tabs->addTab(keys, QStringLiteral("Keys and swipes"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void PreferencesDialog::chooseMusicFolder()
{
    const QString folder = platform::dialogs().chooseFolder(
        QStringLiteral("Tolvane"), QStringLiteral("Please select the folder that holds your music"),
        audio::musicFolderPath());
    if (folder.isEmpty())
        return;
    platform::UserDefaults::standard().setString(QStringLiteral("musicFolder"), folder);
    audio::musicLibrary().changeFolder(folder);
    musicFolder_->setText(folder);
}

void PreferencesDialog::showOptions(const controller::ControllerOptions &options)
{
    setOptions(options);
    show();
    raise();
    activateWindow();
}

void PreferencesDialog::setOptions(const controller::ControllerOptions &o)
{
    base_ = o;
    setControls(o);
    // As the controls show it (a spin box rounds), so that an untouched control is no change.
    shown_ = controlValues(o);
    musicFolder_->setText(audio::musicFolderPath());
}

void PreferencesDialog::setControls(const controller::ControllerOptions &o)
{
    halfPageMarker_->setCurrentIndex(o.halfPageMarker);
    redLine_->setChecked(o.zoomRedLine);
    dimmer_->setChecked(o.dimmer);
    dimmerVal_->setValue(o.dimmerVal);
    dimmerValInact_->setValue(o.dimmerValInact);
    midiDelay_->setValue(o.midiDelayVal);
    centerMouse_->setChecked(o.centerMouse);
    reverseMouse_->setChecked(o.reverseMouse);
    hiddenRegions_->setChecked(o.hiddenRegions);
    autoOpen_->setChecked(o.autoOpen);
    extOpen_->setChecked(o.extOpen);
    keyPad_->setChecked(o.keyPad);
    keyPad2_->setChecked(o.keyPad2);
    gap_->setChecked(o.gap);
    prevPageSong_->setChecked(o.prevPageSong);
    nextPageSong_->setChecked(o.nextPageSong);
    for (int i = 0; i < controller::KeyInputCount; ++i) {
        keyPopups_[size_t(i)]->setCurrentIndex(o.keyIndex[size_t(i)]);
        keyTexts_[size_t(i)]->setText(o.keyText[size_t(i)]);
        ajusterPlaceHolderString(keyPopups_[size_t(i)], keyTexts_[size_t(i)]);
    }
}

void PreferencesDialog::ajusterPlaceHolderString(const QComboBox *popup, QLineEdit *field)
{
    field->setVisible(false);
    field->setToolTip(QString());
    const controller::KeyFieldHint hint = controller::keyFieldHint(popup->currentData().toLongLong());
    if (!hint.shown)
        return;
    field->setPlaceholderText(hint.placeholder);
    // The hint names what the field takes: it is read whole, not cut off.
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(hint.placeholder) + 16);
    field->setToolTip(hint.toolTip);
    field->setVisible(true);
}

void PreferencesDialog::actionOptCombo(int input)
{
    if (input < 0 || input >= controller::KeyInputCount)
        return;
    // A parameter of the previous action means nothing to the new one.
    keyTexts_[size_t(input)]->clear();
    ajusterPlaceHolderString(keyPopups_[size_t(input)], keyTexts_[size_t(input)]);
}

QLineEdit *PreferencesDialog::keyField(int input) const
{
    return input >= 0 && input < controller::KeyInputCount ? keyTexts_[size_t(input)] : nullptr;
}

QComboBox *PreferencesDialog::keyPopup(int input) const
{
    return input >= 0 && input < controller::KeyInputCount ? keyPopups_[size_t(input)] : nullptr;
}

controller::ControllerOptions PreferencesDialog::controlValues(controller::ControllerOptions o) const
{
    o.halfPageMarker = halfPageMarker_->currentIndex();
    o.zoomRedLine = redLine_->isChecked();
    o.dimmer = dimmer_->isChecked();
    o.dimmerVal = dimmerVal_->value();
    o.dimmerValInact = dimmerValInact_->value();
    o.midiDelayVal = midiDelay_->value();
    if (o.midiDelayVal == 0.0)
        o.midiDelayVal = 0.01;
    o.centerMouse = centerMouse_->isChecked();
    o.reverseMouse = reverseMouse_->isChecked();
    o.hiddenRegions = hiddenRegions_->isChecked();
    o.autoOpen = autoOpen_->isChecked();
    o.extOpen = extOpen_->isChecked();
    o.keyPad = keyPad_->isChecked();
    o.keyPad2 = keyPad2_->isChecked();
    o.gap = gap_->isChecked();
    o.prevPageSong = prevPageSong_->isChecked();
    o.nextPageSong = nextPageSong_->isChecked();
    for (int i = 0; i < controller::KeyInputCount; ++i) {
        o.keyIndex[size_t(i)] = keyPopups_[size_t(i)]->currentIndex();
        o.keyText[size_t(i)] = keyTexts_[size_t(i)]->text();
    }
    return o;
}

controller::ControllerOptions PreferencesDialog::editedOptions(const controller::ControllerOptions &onto) const
{
    return controller::withChangedPreferences(shown_, controlValues(shown_), onto);
}

void PreferencesDialog::setKeyTestText(const QString &text)
{
    keyTest_->setText(text);
}

QString PreferencesDialog::keyTestText() const
{
    return keyTest_->text();
}

bool PreferencesDialog::keyPadChecked() const
{
    return keyPad_->isChecked();
}

void PreferencesDialog::actionPrefClear()
{
    keyTest_->clear();
    keyTestArea_->setFocus(Qt::OtherFocusReason);
}

void PreferencesDialog::done(int result)
{
    const bool wasVisible = isVisible();
    QDialog::done(result);
    if (wasVisible)
        Q_EMIT closedWithOptions(editedOptions());
}
