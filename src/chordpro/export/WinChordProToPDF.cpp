#include "chordpro/export/WinChordProToPDF.h"

#include "chordpro/export/PdfExportRules.h"
#include "library/Data.h"
#include "platform/Log.h"
#include "platform/ModalRun.h"
#include "platform/UserDefaults.h"
#include "windows/ColorWell.h"
#include "windows/PopupJauge.h"
#include "windows/WindowPDFxSuper.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using pdfexport::SlotCount;

namespace {

QString key(const char *name) { return QStringLiteral("CProToPDF_") + QLatin1String(name); }
QString colorKey(int slot) { return QStringLiteral("CProToPDF_color%1").arg(slot); }
platform::UserDefaults &defaults() { return platform::UserDefaults::standard(); }

constexpr double kZoomDefault = 1.0;
constexpr double kScaleDefault = 0.96;
// What an index-0 frame or a disabled scale shows.
constexpr double kFull = 1.0;
// The white-paper preset of comboSettings.
constexpr qint64 kPresetDefault = 2;

QComboBox *combo(QWidget *parent, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->addItems(items);
    return c;
}

QString proceedTitle(qint64 oper)
{
    switch (oper) {
    case WinChordProToPDF::Mail: return QStringLiteral("Mail");
    case WinChordProToPDF::Print: return QStringLiteral("Print...");
    case WinChordProToPDF::Preview: return QStringLiteral("Preview");
    case WinChordProToPDF::ExportTab:
    case WinChordProToPDF::ExportSong: return QStringLiteral("Export...");
    default: return QString();
    }
}

} // namespace

WinChordProToPDF::WinChordProToPDF(QWidget *parent, FileLook look) : QDialog(parent), look_(std::move(look))
{
    setWindowTitle(QStringLiteral("ChordPro to PDF"));
    buildUi();
    // The modal-panel level: above the document windows.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // A quit waits for no share: what is still to answer is dropped.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            sheetWork_.end();
            batchWindowClosed();
        });
}

WinChordProToPDF::~WinChordProToPDF() { delete popupJaugeController_.data(); }


void WinChordProToPDF::buildUi()
{
    colorPanel_ = new QColorDialog(this);
    auto *grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](QLabel *label, QWidget *w) {
        grid->addWidget(label, row, 0);
        grid->addWidget(w, row, 1, 1, 3);
        ++row;
    };
    auto label = [this](const QString &t) { return new QLabel(t, this); };

    comboSettings_ = combo(this, {QStringLiteral("Tolvane window"), QStringLiteral("Custom"), QStringLiteral("Default"),
                                  QStringLiteral("Default black and white")});
    buttonSaveCustom_ = new QPushButton(QStringLiteral("Save Custom"), this);
    grid->addWidget(label(QStringLiteral("Settings:")), row, 0);
    grid->addWidget(comboSettings_, row, 1, 1, 2);
    grid->addWidget(buttonSaveCustom_, row++, 3);
    comboWinID_ = new QComboBox(this);
    addRow(label(QStringLiteral("Version:")), comboWinID_);
    comboPaperSize_ = combo(this, {QStringLiteral("US Letter"), QStringLiteral("A4"), QStringLiteral("US Legal")});
    addRow(label(QStringLiteral("Paper:")), comboPaperSize_);
    comboOrientation_ = combo(this, {QStringLiteral("Portrait"), QStringLiteral("Landscape")});
    addRow(label(QStringLiteral("Orientation:")), comboOrientation_);
    comboFrame_ = combo(this, {QStringLiteral("Reference frame"), QStringLiteral("Whole page")});
    addRow(label(QStringLiteral("Frame:")), comboFrame_);

    auto valueRow = [&](const QString &title, QLineEdit *&field, QLineEdit *&input, QDoubleSpinBox *&stepper,
                        QPushButton *&edit, QPushButton *&byDefault, double lo, double hi) {
        field = new QLineEdit(this);
        field->setReadOnly(true);
        input = new QLineEdit(this);
        input->setValidator(new QIntValidator(0, 100000, input));
        input->hide();
        stepper = new QDoubleSpinBox(this);
        stepper->setRange(lo, hi);
        stepper->setSingleStep(0.01);
        edit = new QPushButton(QStringLiteral("Edit"), this);
        byDefault = new QPushButton(QStringLiteral("Default"), this);
        auto *box = new QHBoxLayout;
        box->addWidget(field);
        box->addWidget(input);
        box->addWidget(stepper);
        box->addWidget(edit);
        box->addWidget(byDefault);
        grid->addWidget(label(title), row, 0);
        grid->addLayout(box, row++, 1, 1, 3);
    };
    valueRow(QStringLiteral("Zoom:"), zoomValueField_, zoomValueIn_, buttonZoomStepper_, buttonZoomEdit_,
             buttonZoomDefault_, 0.5, 4.0);
    valueRow(QStringLiteral("Print scale:"), scaleValueField_, scaleValueIn_, buttonScaleStepper_, buttonScaleEdit_,
             buttonScaleDefault_, 0.5, 1.0);

    comboAlignment_ = combo(this, {QStringLiteral("Centred"), QStringLiteral("Left"), QStringLiteral("Right")});
    labelAlignment_ = label(QStringLiteral("Print alignment:"));
    addRow(labelAlignment_, comboAlignment_);
    comboAlignmentLyrics_ = combo(this, {QStringLiteral("Centred"), QStringLiteral("Left")});
    labelAlignmentLyrics_ = label(QStringLiteral("Lyrics alignment:"));
    addRow(labelAlignmentLyrics_, comboAlignmentLyrics_);

    comboChordDiagrams_ = combo(this, {QStringLiteral("Strip on every page"), QStringLiteral("On the last page"),
                                       QStringLiteral("Strip on every page, from the first chord"),
                                       QStringLiteral("Strip on every page, again every two pages"),
                                       QStringLiteral("On extra pages"), QStringLiteral("None")});
    addRow(label(QStringLiteral("Chord diagrams:")), comboChordDiagrams_);
    comboInstrument_ = combo(this, {QStringLiteral("Guitar"), QStringLiteral("Ukulele"), QStringLiteral("Piano")});
    addRow(label(QStringLiteral("Instrument:")), comboInstrument_);
    comboDirection_ = combo(this, {QStringLiteral("Standard"), QStringLiteral("Mirrored")});
    addRow(label(QStringLiteral("Direction:")), comboDirection_);

    const std::array<QString, SlotCount> wellTitles = {
        QStringLiteral("Chords"), QStringLiteral("Lyrics"), QStringLiteral("Comments"),
        QStringLiteral("Comments background"), QStringLiteral("Background"), QStringLiteral("Bar"),
        QStringLiteral("Lyrics highlight"), QStringLiteral("Diagram dots")};
    auto *wellsGrid = new QGridLayout;
    for (int slot = 0; slot < SlotCount; ++slot) {
        wells_[size_t(slot)] = new ColorWell(slot, colorPanel_, this);
        wellsGrid->addWidget(label(wellTitles[size_t(slot)]), slot / 2, (slot % 2) * 2);
        wellsGrid->addWidget(wells_[size_t(slot)], slot / 2, (slot % 2) * 2 + 1);
    }
    grid->addLayout(wellsGrid, row++, 0, 1, 4);

    buttonIncludeHeader_ = new QCheckBox(QStringLiteral("Include header"), this);
    buttonChordsBold_ = new QCheckBox(QStringLiteral("Chords bold"), this);
    buttonLyricsBold_ = new QCheckBox(QStringLiteral("Lyrics bold"), this);
    buttonLyricsOnly_ = new QCheckBox(QStringLiteral("Lyrics only"), this);
    buttonAutoBW_ = new QCheckBox(QStringLiteral("Automatic black and white"), this);
    buttonIncludeMaster_ = new QCheckBox(QStringLiteral("Include Alt.Version(s)"), this);
    buttonIncludeNote_ = new QCheckBox(QStringLiteral("Include notes"), this);
    const QList<QCheckBox *> boxes = {buttonIncludeHeader_, buttonChordsBold_, buttonLyricsBold_, buttonLyricsOnly_,
                                      buttonAutoBW_, buttonIncludeMaster_, buttonIncludeNote_};
    for (int i = 0; i < boxes.size(); ++i)
        grid->addWidget(boxes.at(i), row + i / 2, (i % 2) * 2, 1, 2);
    row += int(boxes.size() + 1) / 2;

    buttonCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttonProceed_ = new QPushButton(QStringLiteral("Proceed"), this);
    buttonProceed_->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonCancel_);
    buttons->addWidget(buttonProceed_);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(grid);
    outer->addLayout(buttons);

    connect(buttonProceed_, &QPushButton::clicked, this, &WinChordProToPDF::actionProceed);
    connect(buttonCancel_, &QPushButton::clicked, this, &WinChordProToPDF::actionCancel);
    connect(buttonSaveCustom_, &QPushButton::clicked, this, &WinChordProToPDF::actionSaveCustom);
    connect(buttonZoomDefault_, &QPushButton::clicked, this, &WinChordProToPDF::actionZoomDefault);
    connect(buttonScaleDefault_, &QPushButton::clicked, this, &WinChordProToPDF::actionScaleDefault);
    connect(buttonZoomEdit_, &QPushButton::clicked, this, &WinChordProToPDF::zoomClick);
    connect(buttonScaleEdit_, &QPushButton::clicked, this, &WinChordProToPDF::scaleClick);
    connect(zoomValueIn_, &QLineEdit::editingFinished, this, &WinChordProToPDF::zoomDidChange);
    connect(scaleValueIn_, &QLineEdit::editingFinished, this, &WinChordProToPDF::scaleDidChange);
    connect(buttonZoomStepper_, &QDoubleSpinBox::valueChanged, this, [this](double v) { setZoom(v); });
    connect(buttonScaleStepper_, &QDoubleSpinBox::valueChanged, this, [this](double v) { setScale(v); });
    connect(buttonLyricsOnly_, &QCheckBox::clicked, this, &WinChordProToPDF::actionlyricsOnly);
    for (QComboBox *c : {comboSettings_, comboWinID_, comboChordDiagrams_, comboInstrument_, comboFrame_})
        connect(c, &QComboBox::currentIndexChanged, this, [this, c]() { comboChanged(c); });
}

// ---- Showing -------------------------------------------------------------------------

bool WinChordProToPDF::prepareShow(qint64 oper, const QString &curDir)
{
    WindowPDFxSuper *key = Data::getKeyWin();
    if (!key || key->winType() != 0) {
        Data::msg(QStringLiteral("A Tolvane window must be selected to use this function."));
        return false;
    }
    refWinPDF_ = key;
    dataIsLoaded_ = false;
    sauvegardeForcee_ = false;
    oper_ = oper;
    refCurDir_ = curDir;
    if (const QString title = proceedTitle(oper); !title.isEmpty())
        buttonProceed_->setText(title);
    chargerDonnees();
    dataIsLoaded_ = true;
    show();
    raise();
    buttonProceed_->setFocus();
    return true;
}

void WinChordProToPDF::showWin(qint64 oper, const QString &curDir)
{
    if (prepareShow(oper, curDir))
        platform::runModal(*this);
}

void WinChordProToPDF::closeWin()
{
    if (QWidget *focus = focusWidget())
        focus->clearFocus();
    close();
}

void WinChordProToPDF::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    Data::activateKeywin();
}

// ---- Buttons -------------------------------------------------------------------------

void WinChordProToPDF::actionProceed()
{
    if (oper_ == Mail || oper_ == Print)
        closeWin();
    sauvegarderDonnees();
    if (oper_ == ExportTab || oper_ == ExportSong)
        exportMultiplePDF(oper_ == ExportSong);
    else
        exportPDF();
}

void WinChordProToPDF::actionCancel()
{
    closeWin();
    if (sauvegardeForcee_)
        sauvegarderDonnees();
}

void WinChordProToPDF::actionSaveCustom()
{
    sauvegarderDonneesCustom();
    setComboIndex(comboSettings_, 1);
    sauvegardeForcee_ = true;
}

void WinChordProToPDF::setZoom(double v)
{
    zoom_ = v;
    zoomValueField_->setText(QString::number(v, 'f', 2));
    const QSignalBlocker block(buttonZoomStepper_);
    buttonZoomStepper_->setValue(v);
}

void WinChordProToPDF::setScale(double v)
{
    scale_ = v;
    scaleValueField_->setText(QString::number(v, 'f', 2));
    const QSignalBlocker block(buttonScaleStepper_);
    buttonScaleStepper_->setValue(v);
}

void WinChordProToPDF::actionZoomDefault()
{
    zoomDidChange();
    setZoom(kZoomDefault);
}

void WinChordProToPDF::actionScaleDefault()
{
    scaleDidChange();
    setScale(kScaleDefault);
}

void WinChordProToPDF::zoomClick()
{
    zoomValueIn_->setText(QString::number(qRound(zoom_ * 100)));
    zoomValueIn_->show();
    zoomValueIn_->setFocus();
}

void WinChordProToPDF::scaleClick()
{
    scaleValueIn_->setText(QString::number(qRound(scale_ * 100)));
    scaleValueIn_->show();
    scaleValueIn_->setFocus();
}

void WinChordProToPDF::zoomDidChange()
{
    if (zoomValueIn_->isHidden())
        return;
    setZoom(pdfexport::zoomFromPercent(zoomValueIn_->text().toDouble()));
    zoomValueIn_->hide();
}

void WinChordProToPDF::scaleDidChange()
{
    if (scaleValueIn_->isHidden())
        return;
    setScale(pdfexport::scaleFromPercent(scaleValueIn_->text().toDouble()));
    scaleValueIn_->hide();
}

void WinChordProToPDF::actionlyricsOnly() { enableDisableAlignmentLyrics(); }

void WinChordProToPDF::setComboIndex(QComboBox *c, qint64 index)
{
    const QSignalBlocker block(c);
    c->setCurrentIndex(index >= 0 && index < c->count() ? int(index) : 0);
}

void WinChordProToPDF::comboChanged(QComboBox *c)
{
    if (!dataIsLoaded_ || comboSignalsOff_)
        return;
    if (c == comboSettings_)
        chargerSettingsSelonComboSettings();
    else if (c == comboWinID_)
        enableDisableIncludeMasters();
    else if (c == comboChordDiagrams_)
        enableDisableComboInstrument();
    else if (c == comboInstrument_)
        enableDisableComboDirection();
    else if (c == comboFrame_)
        enableDisableZoom();
}

// ---- Loading -------------------------------------------------------------------------

void WinChordProToPDF::chargerDonnees()
{
    auto &d = defaults();
    buttonIncludeHeader_->setChecked(d.boolForKey(key("IncludeHeader")));
    // Until a preset is stored, paper copies start on white paper: the
    // window's own colours are often a dark stage theme.
    const bool onPaper = oper_ == Mail || oper_ == Print;
    setComboIndex(comboSettings_, !onPaper || d.contains(key("ComboSettings")) ? d.integerForKey(key("ComboSettings"))
                                                                                : kPresetDefault);
    setComboIndex(comboFrame_, d.integerForKey(key("ComboFrame")));
    setComboIndex(comboPaperSize_, d.integerForKey(key("ComboPaperSize")));
    setComboIndex(comboOrientation_, d.integerForKey(key("ComboOrientation")));
    setComboIndex(comboAlignmentLyrics_, d.integerForKey(key("ComboAlignmentLyrics")));
    setZoom(d.doubleForKey(key("ZoomValue")));

    const bool exporting = oper_ == ExportTab || oper_ == ExportSong;
    const bool scaled = oper_ == Print;
    for (QWidget *w : {static_cast<QWidget *>(buttonScaleDefault_), static_cast<QWidget *>(buttonScaleStepper_),
                       static_cast<QWidget *>(buttonScaleEdit_), static_cast<QWidget *>(scaleValueField_)})
        w->setEnabled(scaled);
    if (scaled) {
        setScale(d.doubleForKey(key("ScaleValue")));
        setComboIndex(comboAlignment_, d.integerForKey(key("ComboAlignment")));
    } else {
        setScale(kFull);
        setComboIndex(comboAlignment_, 0);
    }
    comboAlignment_->setEnabled(scaled);
    comboAlignment_->setVisible(!exporting);
    labelAlignment_->setVisible(!exporting);
    comboAlignmentLyrics_->setVisible(!exporting);
    labelAlignmentLyrics_->setVisible(!exporting);
    buttonIncludeMaster_->setVisible(exporting);
    buttonIncludeNote_->setVisible(exporting);
    if (exporting) {
        comboAlignmentLyrics_->setEnabled(false);
        setComboIndex(comboAlignmentLyrics_, 0);
    }

    chargerSettingsSelonComboSettings();
    enableDisableZoom();
    if (exporting)
        enableDisableIncludeMasters();
    enableDisableAlignmentLyrics();
    enableDisableComboInstrument();
    if (zoom_ == 0)
        setZoom(kZoomDefault);
    if (scale_ == 0)
        setScale(kScaleDefault);
}

void WinChordProToPDF::chargerSettingsSelonComboSettings()
{
    switch (comboSettings_->currentIndex()) {
    case 0: chargerDonneesSelonTolvaneWindow(); break;
    case 1: chargerDonneesCustom(); break;
    case 2: chargerDonneesDefault(); break;
    case 3: chargerDonneesDefaultBW(); break;
    default: break;
    }
    remplirComboWinID();
}

void WinChordProToPDF::chargerDonneesDefault()
{
    for (int slot = 0; slot < SlotCount; ++slot)
        wells_[size_t(slot)]->setColor(pdfexport::defaultSlotColor(slot));
    for (QCheckBox *b : {buttonChordsBold_, buttonLyricsBold_, buttonLyricsOnly_, buttonAutoBW_})
        b->setChecked(false);
    for (QComboBox *c : {comboChordDiagrams_, comboInstrument_, comboDirection_})
        setComboIndex(c, 0);
}

void WinChordProToPDF::chargerDonneesDefaultBW()
{
    chargerDonneesDefault();
    for (int slot = 0; slot < SlotCount; ++slot)
        wells_[size_t(slot)]->setColor(pdfexport::blackWhiteSlotColor(slot));
    buttonAutoBW_->setChecked(true);
}

void WinChordProToPDF::chargerDonneesCustom()
{
    auto &d = defaults();
    for (int slot = 0; slot < SlotCount; ++slot) {
        // A missing or damaged colour falls back to the slot's own.
        const QColor stored = d.colorForKey(colorKey(slot));
        wells_[size_t(slot)]->setColor(stored.isValid() ? stored : pdfexport::defaultSlotColor(slot));
    }
    buttonChordsBold_->setChecked(d.boolForKey(key("ChordsBold")));
    buttonLyricsBold_->setChecked(d.boolForKey(key("LyricsBold")));
    buttonLyricsOnly_->setChecked(d.boolForKey(key("LyricsOnly")));
    buttonAutoBW_->setChecked(d.boolForKey(key("AutoBW")));
    version_.altDir = d.stringForKey(key("AltDir"));
    setComboIndex(comboChordDiagrams_, d.integerForKey(key("ComboChordDiagrams")));
    setComboIndex(comboInstrument_, d.integerForKey(key("ComboInstrument")));
    setComboIndex(comboDirection_, d.integerForKey(key("ComboDirection")));
}

void WinChordProToPDF::chargerDonneesSelonTolvaneWindow()
{
    chargerDonneesDefault();
    if (WindowPDFxSuper *w = refWinPDF_) {
        wells_[pdfexport::Chords]->setColor(w->chordProChordsColor());
        wells_[pdfexport::Lyrics]->setColor(w->chordProLyricsColor());
        wells_[pdfexport::LyricsHigh]->setColor(w->chordProLyricsHighColor());
        wells_[pdfexport::Comments]->setColor(w->chordProCommentsColor());
        wells_[pdfexport::CommentsBack]->setColor(w->chordProCommentsBackColor());
        wells_[pdfexport::Background]->setColor(w->chordProBackgroundColor());
        wells_[pdfexport::Bar]->setColor(w->chordProBarColor());
        buttonChordsBold_->setChecked(w->chordProChordsBold());
        buttonLyricsBold_->setChecked(w->chordProLyricsBold());
        buttonLyricsOnly_->setChecked(w->lyricsOnly());
    }
}

void WinChordProToPDF::remplirComboWinID()
{
    comboSignalsOff_ = true;
    comboWinID_->clear();
    comboWinID_->addItem(QStringLiteral("Master"));
    for (const WinIDPtr &id : Data::winIDs())
        comboWinID_->addItem(id ? id->idWin : QString());
    auto lastEqual = [this](const QString &text) {
        for (int i = comboWinID_->count() - 1; i >= 1; --i)
            if (comboWinID_->itemText(i) == text)
                return i;
        return -1;
    };
    int chosen = 0;
    const int preset = comboSettings_->currentIndex();
    if (preset == 1 && !version_.altDir.isEmpty()) {
        chosen = std::max(0, lastEqual(version_.altDir));
    } else if (preset == 0 && refWinPDF_ && refWinPDF_->altMode() != 0) {
        chosen = lastEqual(refWinPDF_->altDir());
        if (chosen < 0) {
            comboWinID_->addItem(refWinPDF_->altDir());
            chosen = comboWinID_->count() - 1;
        }
    }
    if (comboWinID_->count() > 0)
        comboWinID_->setCurrentIndex(chosen);
    comboSignalsOff_ = false;
}

// ---- Enabling rules ------------------------------------------------------------------

void WinChordProToPDF::enableDisableIncludeMasters()
{
    buttonIncludeMaster_->setEnabled(true);
    const bool master = comboWinID_->currentIndex() <= 0;
    buttonIncludeMaster_->setChecked(master);
    buttonIncludeMaster_->setText(master ? QStringLiteral("Include Alt.Version(s)")
                                         : QStringLiteral("Include Master File(s)"));
}

void WinChordProToPDF::enableDisableZoom()
{
    const bool on = comboFrame_->currentIndex() != 0;
    for (QWidget *w : {static_cast<QWidget *>(buttonZoomDefault_), static_cast<QWidget *>(buttonZoomStepper_),
                       static_cast<QWidget *>(buttonZoomEdit_), static_cast<QWidget *>(zoomValueField_)})
        w->setEnabled(on);
    if (!on) {
        setZoom(kFull);
        return;
    }
    const double stored = defaults().doubleForKey(key("ZoomValue"));
    setZoom(stored == 0 ? kZoomDefault : stored);
}

void WinChordProToPDF::enableDisableAlignmentLyrics()
{
    if (buttonLyricsOnly_->isChecked()) {
        comboAlignmentLyrics_->setEnabled(true);
        setComboIndex(comboAlignmentLyrics_, defaults().integerForKey(key("ComboAlignmentLyrics")));
    } else {
        comboAlignmentLyrics_->setEnabled(false);
        setComboIndex(comboAlignmentLyrics_, 1);
    }
}

void WinChordProToPDF::enableDisableComboInstrument()
{
    comboInstrument_->setEnabled(comboChordDiagrams_->currentIndex() != pdfexport::NoDiagrams);
    enableDisableComboDirection();
}

void WinChordProToPDF::enableDisableComboDirection()
{
    if (comboChordDiagrams_->currentIndex() == pdfexport::NoDiagrams) {
        comboDirection_->setEnabled(false);
        buttonAutoBW_->setEnabled(false);
    } else if (comboInstrument_->currentIndex() == 2) {
        comboDirection_->setEnabled(false);
        buttonAutoBW_->setEnabled(true);
    } else {
        comboDirection_->setEnabled(true);
        buttonAutoBW_->setEnabled(false);
    }
}

// ---- Saving --------------------------------------------------------------------------

void WinChordProToPDF::sauvegarderDonnees()
{
    auto &d = defaults();
    platform::UserDefaults::Batch batch(d);
    // Shown from the built-in presets while the settings are unread: never over the stored ones.
    const platform::UserDefaults::Provisional unread(d);
    d.setBool(key("IncludeHeader"), buttonIncludeHeader_->isChecked());
    d.setInteger(key("ComboSettings"), comboSettings_->currentIndex());
    d.setInteger(key("ComboFrame"), comboFrame_->currentIndex());
    d.setInteger(key("ComboPaperSize"), comboPaperSize_->currentIndex());
    d.setInteger(key("ComboOrientation"), comboOrientation_->currentIndex());
    d.setInteger(key("ComboAlignment"), comboAlignment_->currentIndex());
    if (buttonLyricsOnly_->isChecked())
        d.setInteger(key("ComboAlignmentLyrics"), comboAlignmentLyrics_->currentIndex());
    if (comboFrame_->currentIndex() != 0)
        d.setDouble(key("ZoomValue"), zoom_);
    if (oper_ == Print)
        d.setDouble(key("ScaleValue"), scale_);
    if (comboSettings_->currentIndex() == 1)
        sauvegarderDonneesCustom();
}

void WinChordProToPDF::sauvegarderDonneesCustom()
{
    auto &d = defaults();
    platform::UserDefaults::Batch batch(d);
    const platform::UserDefaults::Provisional unread(d);
    for (int slot = 0; slot < SlotCount; ++slot)
        d.setColor(colorKey(slot), wells_[size_t(slot)]->color());
    d.setBool(key("ChordsBold"), buttonChordsBold_->isChecked());
    d.setBool(key("LyricsBold"), buttonLyricsBold_->isChecked());
    d.setBool(key("LyricsOnly"), buttonLyricsOnly_->isChecked());
    d.setBool(key("AutoBW"), buttonAutoBW_->isChecked());
    d.setString(key("AltDir"), comboWinID_->currentText());
    d.setInteger(key("ComboChordDiagrams"), comboChordDiagrams_->currentIndex());
    d.setInteger(key("ComboInstrument"), comboInstrument_->currentIndex());
    d.setInteger(key("ComboDirection"), comboDirection_->currentIndex());
}

// ---- What the page takes -------------------------------------------------------------

bool WinChordProToPDF::chordsBold() const { return buttonChordsBold_->isChecked(); }
bool WinChordProToPDF::lyricsBold() const { return buttonLyricsBold_->isChecked(); }

QColor WinChordProToPDF::color(chordpro::ColorRole role) const { return settings().color(role); }

pdfexport::PdfSettings WinChordProToPDF::settings() const
{
    pdfexport::PdfSettings s;
    s.paper = comboPaperSize_->currentIndex();
    s.orientation = comboOrientation_->currentIndex();
    s.frame = comboFrame_->currentIndex();
    s.zoom = zoom_;
    s.lyricsAlignmentLeft = comboAlignmentLyrics_->currentIndex() != 0;
    s.lyricsOnly = buttonLyricsOnly_->isChecked();
    s.includeHeader = buttonIncludeHeader_->isChecked();
    s.layout = comboChordDiagrams_->currentIndex();
    s.instrument = comboInstrument_->currentIndex();
    s.rightHanded = comboDirection_->currentIndex() == 1;
    s.autoBW = buttonAutoBW_->isChecked();
    s.chordsBoldFlag = buttonChordsBold_->isChecked();
    s.lyricsBoldFlag = buttonLyricsBold_->isChecked();
    s.print = oper_ == Print;
    s.scale = scale_;
    s.alignment = comboAlignment_->currentIndex();
    for (int slot = 0; slot < SlotCount; ++slot)
        s.colors[size_t(slot)] = wells_[size_t(slot)]->color();
    return s;
}
