#include "settings/DataPref5.h"

#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "windows/ColorWell.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowPDFxSuper.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

using inspector::Toggle;

namespace {

void post(int code)
{
    platform::NotificationCenter::defaultCenter().postActionKey(code);
}

const QString kTolvaneOnly = QStringLiteral("A Tolvane window must be selected to use this function");

// Help pages of the inspector's two help buttons.
constexpr int kHelpWindows = 18;
constexpr int kHelpColours = 5;
constexpr int kFullScreenTag = 99;

// The open document windows, in list order.
QList<WindowPDFxSuper *> openWindows()
{
    QList<WindowPDFxSuper *> open;
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        if (w)
            open.append(w);
    return open;
}

void fill(QComboBox *combo, const QStringList &items, int selected)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(selected >= 0 && selected < items.size() ? selected : 0);
}

} // namespace

DataPref5::DataPref5(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Window Inspector"));
    // A refill brings the panel forward without taking the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    buildControls();
    // windowDidLoad: the target is set by the first filling.
    menuOn_ = false;
    scroll1_->verticalScrollBar()->setValue(0);
    remplirCombo1(nullptr);
}

DataPref5::~DataPref5() = default;

void DataPref5::buildControls()
{
    colorPanel_ = new QColorDialog(this);
    colorPanel_->setOption(QColorDialog::ShowAlphaChannel);
    colorPanel_->setOption(QColorDialog::NoButtons);
    colorPanel_->setModal(false);

    auto *outer = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    combo1_ = new QComboBox;
    combo1_->setMinimumWidth(220);
    buttonClose_ = new QPushButton(QStringLiteral("Close Window"));
    top->addWidget(combo1_, 1);
    top->addWidget(buttonClose_);
    outer->addLayout(top);

    scroll1_ = new QScrollArea;
    scroll1_->setWidgetResizable(true);
    auto *content = new QWidget;
    auto *grid = new QGridLayout(content);
    int row = 0;
    auto section = [&](QLabel *&label, const QString &text, QWidget *control) {
        label = new QLabel(text);
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1, 1, 3);
        ++row;
    };
    comboWinID_ = new QComboBox;
    section(labelWinID_, QStringLiteral("Window ID"), comboWinID_);
    comboModeAffichage_ = new QComboBox;
    section(labelModeAffichage_, QStringLiteral("Display Mode"), comboModeAffichage_);
    comboFixPageNo_ = new QComboBox;
    section(labelPageNo_, QStringLiteral("Page No."), comboFixPageNo_);
    comboMetro_ = new QComboBox;
    section(labelMetro_, QStringLiteral("Metronome"), comboMetro_);

    labelVisual_ = new QLabel(QStringLiteral("Visual"));
    grid->addWidget(labelVisual_, row++, 0);
    for (int t = 0; t < inspector::kToggles; ++t) {
        const auto which = Toggle(t);
        auto *box = new QCheckBox(inspector::toggleTitle(which, 0));
        toggles_[size_t(t)] = box;
        grid->addWidget(box, row + t / 2, 1 + (t % 2) * 2, 1, 2);
        connect(box, &QCheckBox::clicked, this, [this, which](bool state) { actionToggle(which, state); });
    }
    row += (inspector::kToggles + 1) / 2;

    buttonSetRefFrame_ = new QPushButton(QStringLiteral("Set Reference Frame"));
    buttonSetFullScreen_ = new QPushButton(QStringLiteral("Tog.Full Screen"));
    grid->addWidget(buttonSetRefFrame_, row, 1, 1, 2);
    grid->addWidget(buttonSetFullScreen_, row++, 3);
    connect(buttonSetRefFrame_, &QPushButton::clicked, this, &DataPref5::actionButtonSetRefFrame);
    connect(buttonSetFullScreen_, &QPushButton::clicked, this,
            [this]() { actionButtonSetPosWindow(kFullScreenTag); });

    static const QString kMoveTip = QStringLiteral(
        "\n\nYou can also select an object (other than Tolvane Window) and use those keys:\nLeft Arrow\t\tMove "
        "Left\nRight Arrow\tMove Right\nUp Arrow\t\tMove Up\nDown Arrow\tMove Down\n\nHold SHIFT to Move "
        "Faster\nHold CMD to Resize (fine)\nHold SHIFT and CMD to Resize (coarse)");
    struct Move {
        const char *text;
        const char *tip;
        int code;
    };
    const Move moves[] = {{"◀", "Move Left", 14}, {"▶", "Move Right", 15}, {"▲", "Move Up", 12}, {"▼", "Move Down", 13}};
    auto *moveRow = new QHBoxLayout;
    for (const Move &m : moves) {
        auto *button = new QPushButton(QString::fromUtf8(m.text));
        button->setToolTip(QString::fromUtf8(m.tip) + kMoveTip);
        const int code = m.code;
        connect(button, &QPushButton::clicked, this, [this, code]() { actionButtonSetPosWindow(code); });
        moveRow->addWidget(button);
    }
    grid->addLayout(moveRow, row++, 1, 1, 3);

    for (int n = 1; n <= inspector::kWells; ++n) {
        auto *well = new ColorWell(n - 1, colorPanel_);
        wells_[size_t(n - 1)] = well;
        connect(well, &ColorWell::colorPicked, this, &DataPref5::actionColorWell);
        const QString text = inspector::wellLabel(n - 1, 0);
        if (!text.isEmpty()) {
            // A labelled well starts a row; an unlabelled one joins the row before.
            colorLabels_[size_t(n - 1)] = new QLabel(text);
            grid->addWidget(colorLabels_[size_t(n - 1)], ++row, 0);
            grid->addWidget(well, row, 1);
        } else {
            grid->addWidget(well, row, 2);
        }
    }
    ++row;

    auto *bottom = new QHBoxLayout;
    auto *helpWindows = new QPushButton(QStringLiteral("?"));
    auto *helpColours = new QPushButton(QStringLiteral("? Colours"));
    buttonEscape_ = new QPushButton(QStringLiteral("Close"));
    connect(helpWindows, &QPushButton::clicked, this, [this]() { actionButtonHelp(kHelpWindows); });
    connect(helpColours, &QPushButton::clicked, this, [this]() { actionButtonHelp(kHelpColours); });
    bottom->addWidget(helpWindows);
    bottom->addWidget(helpColours);
    bottom->addStretch();
    bottom->addWidget(buttonEscape_);
    grid->addLayout(bottom, row, 0, 1, 4);

    scroll1_->setWidget(content);
    outer->addWidget(scroll1_);

    connect(buttonClose_, &QPushButton::clicked, this, &DataPref5::actionClose);
    connect(buttonEscape_, &QPushButton::clicked, this, &DataPref5::actionButtonEscape);
    for (QComboBox *combo : {combo1_, comboWinID_, comboModeAffichage_, comboFixPageNo_, comboMetro_})
        connect(combo, &QComboBox::activated, this, [this, combo]() { comboBoxSelectionDidChange(combo); });
    // Wide enough for both columns of toggles: only the height scrolls.
    const int margins = outer->contentsMargins().left() + outer->contentsMargins().right();
    const int wide = content->sizeHint().width() + scroll1_->verticalScrollBar()->sizeHint().width()
                     + 2 * scroll1_->frameWidth() + margins;
    resize(std::max(430, wide), 640);
}

WindowPDFxSuper *DataPref5::currentWin() const
{
    WindowPDFxSuper *w = currentWin_.data();
    return w && openWindows().contains(w) ? w : nullptr;
}

qint64 DataPref5::targetType() const
{
    const WindowPDFxSuper *w = currentWin();
    return w ? w->winType() : inspector::kNoTarget;
}

// ---- Opening and filling ---------------------------------------------------------------

void DataPref5::showDataPref5(WindowPDFxSuper *window)
{
    if (window) {
        QScreen *target = screenframes::screenOf(window);
        if (target && target != screenframes::screenOf(this)) {
            const QRectF screen = screenframes::wholeFrame(target);
            const QRectF mine = screenframes::frameOf(this);
            screenframes::setFrame(this, QRectF(screen.x() + screen.width() - mine.width() - 30, screen.y(),
                                               mine.width(), mine.height()));
        }
        show();
        raise();
        activateWindow();
    }
    remplirCombo1(window);
    if (!menuOn_) {
        post(vocab::ToolWindowShown);
        menuOn_ = true;
    }
    Data::setInspectorOn(true);
    post(vocab::NoteChanged);
}

void DataPref5::remplirCombo1(WindowPDFxSuper *window)
{
    QStringList items;
    int selected = 0;
    const QList<WindowPDFxSuper *> open = openWindows();
    for (int i = 0; i < open.size(); ++i) {
        items << QStringLiteral("%1 %2").arg(QString::number(i + 1), open.at(i)->obtenirTitle());
        if (open.at(i) == window)
            selected = i;
    }
    if (open.isEmpty()) {
        fill(combo1_, {QString()}, 0);
        combo1_->setEnabled(false);
        currentWin_ = nullptr;
    } else {
        fill(combo1_, items, selected);
        combo1_->setEnabled(true);
        currentWin_ = open.at(selected);
    }

    remplirComboWinID();
    remplirComboModeAffichage();
    remplirComboFixPageNo();
    remplirComboMetro();
    resetControls();
    if (WindowPDFxSuper *w = currentWin())
        applyTarget(w);

    if (isVisible())
        raise();
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
}

void DataPref5::resetControls()
{
    buttonClose_->setVisible(false);
    for (QLabel *label : {labelWinID_, labelMetro_, labelModeAffichage_, labelPageNo_, labelVisual_})
        label->setEnabled(false);
    for (QCheckBox *box : toggles_) {
        box->setChecked(false);
        box->setEnabled(false);
    }
    buttonSetRefFrame_->setEnabled(false);
    buttonSetFullScreen_->setEnabled(false);
    for (int i = 0; i < inspector::kWells; ++i) {
        if (colorLabels_[size_t(i)])
            colorLabels_[size_t(i)]->setEnabled(false);
        wells_[size_t(i)]->setColor(Qt::lightGray);
        wells_[size_t(i)]->setEnabled(false);
    }
}

bool DataPref5::toggleShows(Toggle toggle, const WindowPDFxSuper *w) const
{
    const bool tolvane = w->winType() == 0;
    switch (toggle) {
    case Toggle::HideTabs: return !w->ongletsVisibles();
    case Toggle::ChordProChordsBold: return w->chordProChordsBold();
    case Toggle::ChordProLyricsBold: return w->chordProLyricsBold();
    case Toggle::PageNoPDFHide: return w->pageNoPDFHide();
    case Toggle::PageNoCHDHide: return w->pageNoCHDHide();
    case Toggle::NoShadow: return w->noShadow();
    case Toggle::HideTitleElements: return w->hideTitleElementNote();
    case Toggle::HideList: return w->hideList();
    case Toggle::HideFrame: return w->hideFrame();
    case Toggle::LyricsOnly: return w->lyricsOnly();
    case Toggle::SyncPageChanges: return w->syncPageChanges();
    case Toggle::PageUpDown: return w->pageUpdown();
    case Toggle::Transparent: return tolvane ? w->hideTitleElementTitle() : w->transparent();
    case Toggle::AlwaysOnTop: return tolvane ? w->hideTitleElementTempo() : w->alwaysOnTop();
    }
    return false;
}

void DataPref5::applyTarget(WindowPDFxSuper *w)
{
    const qint64 type = w->winType();
    buttonClose_->setVisible(true);
    for (QLabel *label : {labelWinID_, labelMetro_, labelModeAffichage_, labelPageNo_, labelVisual_})
        label->setEnabled(true);
    for (int t = 0; t < inspector::kToggles; ++t) {
        const auto which = Toggle(t);
        QCheckBox *box = toggles_[size_t(t)];
        box->setText(inspector::toggleTitle(which, type));
        const bool live = inspector::toggleEnabled(which, type, w->syncPageChanges());
        box->setEnabled(live);
        box->setChecked(live && toggleShows(which, w));
    }
    buttonSetRefFrame_->setEnabled(type == 0);
    buttonSetFullScreen_->setEnabled(type == 0);
    for (int slot = 0; slot < inspector::kWells; ++slot) {
        const bool live = inspector::wellLive(slot, type);
        if (QLabel *label = colorLabels_[size_t(slot)]) {
            label->setText(inspector::wellLabel(slot, type));
            label->setEnabled(live);
        }
        wells_[size_t(slot)]->setEnabled(live);
        if (live)
            wells_[size_t(slot)]->setColor(w->colorForObj(slot));
    }
}

void DataPref5::remplirComboWinID()
{
    const WindowPDFxSuper *w = currentWin();
    const qint64 type = targetType();
    inspector::WinIDCombo combo;
    if (type == inspector::kChordStrip) {
        QList<inspector::OpenWindowBinding> bindings;
        for (const QPointer<WindowPDFxSuper> &open : Data::nsMutaryOfWindows())
            if (open)
                bindings.append({open->altMode(), open->altDir()});
        combo = inspector::winIDComboForChordStrip(bindings, w->altDir());
    } else {
        QStringList known;
        for (const WinIDPtr &id : Data::winIDs())
            if (id)
                known << id->idWin;
        combo = inspector::winIDComboForWindow(known, w ? w->altMode() : 0, w ? w->altDir() : QString());
    }
    fill(comboWinID_, combo.items, combo.selected);
    comboWinID_->setEnabled(w && inspector::winIDEnabled(type));
}

void DataPref5::remplirComboModeAffichage()
{
    const WindowPDFxSuper *w = currentWin();
    const int previous = comboModeAffichage_->currentIndex();
    const bool tolvane = w && w->winType() == 0;
    int shown = 0;
    if (tolvane) {
        shown = inspector::modeItemFor(w->modeAffichage(), w->singlePageForce(), w->ratio21());
        if (shown < 0)
            shown = previous < 0 ? 0 : previous;
    }
    fill(comboModeAffichage_, inspector::modeItems(), shown);
    comboModeAffichage_->setEnabled(tolvane);
}

void DataPref5::remplirComboFixPageNo()
{
    const WindowPDFxSuper *w = currentWin();
    const qint64 type = targetType();
    const bool live = w && inspector::fixPageNoEnabled(type, w->modeAffichage(), w->ratio21());
    fill(comboFixPageNo_, inspector::fixPageNoItems(type), live ? int(w->fixPageNo()) : 0);
    comboFixPageNo_->setEnabled(live);
    labelPageNo_->setText(inspector::fixPageNoLabel(type));
}

void DataPref5::remplirComboMetro()
{
    const WindowPDFxSuper *w = currentWin();
    const qint64 type = targetType();
    const int dead = inspector::metroDeadItem(type, w ? w->fixPageNo() : 0);
    fill(comboMetro_, inspector::metroItems(type), dead >= 0 ? dead : int(w->typeMetro()));
    comboMetro_->setEnabled(dead < 0);
    labelMetro_->setText(inspector::metroLabel(type));
}

// ---- Choices ---------------------------------------------------------------------------

void DataPref5::comboBoxSelectionDidChange(QComboBox *combo)
{
    const int index = combo->currentIndex();
    if (combo == combo1_) {
        const QList<WindowPDFxSuper *> open = openWindows();
        remplirCombo1(index >= 0 && index < open.size() ? open.at(index) : nullptr);
        return;
    }
    WindowPDFxSuper *w = currentWin();
    if (!w || index < 0)
        return;
    if (combo == comboWinID_) {
        if (index == 0)
            w->iniMode(0, QString());
        else
            w->iniMode(1, combo->itemText(index));
        w->resetPDF();
        w->refreshTous();
        remplirCombo1(w);
    } else if (combo == comboMetro_) {
        w->iniTypeMetro(index);
    } else if (combo == comboFixPageNo_) {
        w->iniFixPageNo(index);
        w->resetPDF();
        w->refreshTous();
        if (w->winType() == inspector::kChordStrip) {
            const bool piano = index == 2;
            comboMetro_->setEnabled(!piano);
            if (piano) {
                const QSignalBlocker quiet(comboMetro_);
                comboMetro_->setCurrentIndex(0);
            }
        }
    } else if (combo == comboModeAffichage_) {
        chooseMode(w, index);
    }
}

void DataPref5::chooseMode(WindowPDFxSuper *w, int item)
{
    const QSize size = w->frameGeometry().size();
    const inspector::ModeChoice choice = inspector::modeChoice(item, size.width() > size.height());
    if (choice.refused) {
        Data::msg(QStringLiteral("Selected window must be horizontally enlarged to use this mode (window width must "
                                 "be greater than window height)."));
        remplirComboModeAffichage();
        return;
    }
    w->iniSinglePageForce(choice.singlePageForce);
    w->iniRatio21(choice.ratio21);
    w->iniModeAffichage(choice.modeAffichage, false);
    toggles_[size_t(Toggle::SyncPageChanges)]->setEnabled(true);
    comboFixPageNo_->setEnabled(choice.fixPageNoEnabled);
    if (!choice.fixPageNoEnabled) {
        const QSignalBlocker quiet(comboFixPageNo_);
        comboFixPageNo_->setCurrentIndex(0);
        w->iniFixPageNo(0);
    }
    w->setPageNoCour(0);
    w->resetPDF();
    post(vocab::DisplayModeChanged);
}

void DataPref5::actionToggle(Toggle toggle, bool state)
{
    WindowPDFxSuper *w = currentWin();
    if (!w)
        return;
    const bool tolvane = w->winType() == 0;
    switch (toggle) {
    case Toggle::HideTabs: w->afficherMasquerOnglets(!state); break;
    case Toggle::ChordProChordsBold:
        w->setChordProChordsBold(state);
        post(vocab::RefreshNoteAndPdfDefaults);
        break;
    case Toggle::ChordProLyricsBold:
        w->setChordProLyricsBold(state);
        post(vocab::RefreshNoteAndPdfDefaults);
        break;
    case Toggle::PageNoPDFHide:
        w->setPageNoPDFHide(state);
        post(vocab::RefreshNoteAndPdfDefaults);
        break;
    case Toggle::PageNoCHDHide:
        w->setPageNoCHDHide(state);
        post(vocab::RefreshNoteAndPdfDefaults);
        break;
    case Toggle::NoShadow: w->iniNoShadow(state); break;
    case Toggle::LyricsOnly: w->iniLyricsOnly(state); break;
    case Toggle::SyncPageChanges: {
        QCheckBox *pageUpDown = toggles_[size_t(Toggle::PageUpDown)];
        pageUpDown->setEnabled(!state);
        pageUpDown->setChecked(false);
        w->iniPageUpDown(false);
        w->iniSyncPageChanges(state);
        break;
    }
    case Toggle::PageUpDown: w->iniPageUpDown(state); break;
    case Toggle::HideFrame: w->iniHideFrame(state); break;
    case Toggle::HideTitleElements: {
        w->iniHideTitleElementNote(state);
        w->refreshPosTitleElements();
        if (const int code = inspector::hideTitleElementsCode(w->winType()))
            post(code);
        break;
    }
    case Toggle::HideList:
        w->iniHideList(state);
        post(vocab::TocSizeChanged);
        break;
    case Toggle::Transparent:
        if (tolvane) {
            w->iniHideTitleElementTitle(state);
            w->refreshPosTitleElements();
        } else {
            w->setTransparentOnOff();
            if (!w->transparent())
                w->iniColorForObj(WindowPDFxSuper::kBackColor, colorWell(2)->color(), true);
        }
        break;
    case Toggle::AlwaysOnTop:
        if (tolvane) {
            w->iniHideTitleElementTempo(state);
            w->refreshPosTitleElements();
        } else {
            w->setAlwaysOnTopOnOff();
        }
        break;
    }
}

void DataPref5::actionColorWell(int tag)
{
    WindowPDFxSuper *w = currentWin();
    if (!w || tag < 0 || tag >= inspector::kWells)
        return;
    w->iniColorForObj(tag, colorWell(tag + 1)->color(), true);
}

void DataPref5::actionButtonSetRefFrame()
{
    WindowPDFxSuper *w = currentWin();
    if (!w)
        return;
    if (w->winType() != 0) {
        Data::msg(kTolvaneOnly);
        return;
    }
    if (!Data::question(QStringLiteral("⚠️Optimize ChordPro rendering using the selected window's frame?")))
        return;
    ChordPro::setSizeRef(QSizeF(w->obtenirRefSize()));
    post(vocab::RefreshNoteAndPdfDefaults);
}

void DataPref5::actionButtonSetPosWindow(int tag)
{
    WindowPDFxSuper *w = currentWin();
    if (!w)
        return;
    if (tag == kFullScreenTag) {
        if (w->winType() == 0)
            screenframes::toggleFullScreen(w);
        else
            Data::msg(kTolvaneOnly);
        return;
    }
    Data::arrangeWin(tag, w);
    if (inspector::placementResetsPages(tag)) {
        w->resetPDF();
        w->refreshTous();
    } else if (inspector::placementChangesDisplay(tag)) {
        post(vocab::DisplaySettingChanged);
    }
}

void DataPref5::actionButtonHelp(int tag)
{
    post(vocab::HelpFirst + tag);
}

// ---- Closing and keys ----------------------------------------------------------------------

void DataPref5::actionClose()
{
    if (WindowPDFxSuper *w = currentWin())
        w->close();
}

void DataPref5::actionButtonEscape()
{
    close();
}

void DataPref5::closeEvent(QCloseEvent *event)
{
    event->accept();
    // A panel that was never shown has nothing to announce.
    if (!isVisible() && !menuOn_)
        return;
    colorPanel_->hide();
    post(vocab::ToolWindowClosed);
    menuOn_ = false;
    Data::setInspectorOn(false);
    post(vocab::NoteEdited);
    Data::activateKeywin();
}

bool DataPref5::keyDown(const platform::KeyEvent &event)
{
    namespace key = platform::keycode;
    switch (event.keyCode) {
    case key::PageUp:
    case key::PageDown:
    case key::Delete:
    case key::Space: Data::activateKeywin(); return true;
    default: break;
    }
    const int code = inspector::arrowCode(event.keyCode, event.shift(), event.command());
    if (code < 0)
        return false;
    WindowPDFxSuper *w = currentWin();
    if (!event.shift() && !event.command() && (!w || w->winType() == 0)) {
        Data::activateKeywin();
        return true;
    }
    if (!w || event.option())
        return false;
    Data::arrangeWin(code, w);
    return true;
}

void DataPref5::keyPressEvent(QKeyEvent *event)
{
    if (keyDown(platform::KeyEvent::fromQt(*event)))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}
