// The export window's controls, presets and keys.
#include "PdfExportFixture.h"

#include "platform/UserDefaults.h"
#include "windows/ColorWell.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ChordProTestUtil.h"

using namespace pdfexporttest;

namespace {

platform::UserDefaults &store() { return platform::UserDefaults::standard(); }

} // namespace

class ExportWindow : public ExportFixture {};

TEST_F(ExportWindow, MenuCommandOpensTheWindowModallyOnTheLibrary)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    controller->afficherWinChordProToPDF(WinChordProToPDF::Print);
    WinChordProToPDF *w = controller->winChordProToPDF();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->buttonProceed()->text(), QStringLiteral("Print..."));
    EXPECT_EQ(w->refCurDir(), QFileInfo(songs.path()).absoluteFilePath());
    w->buttonCancel()->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(desktop.records().isEmpty());
}

TEST_F(ExportWindow, RefusedWithoutKeyTolvaneWindow)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    QApplication::setActiveWindow(nullptr);
    WinChordProToPDF w;
    EXPECT_FALSE(w.prepareShow(WinChordProToPDF::Mail, songs.path()));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("A Tolvane window must be selected to use this function.")});
}

TEST_F(ExportWindow, ProceedTitlesAndShownControls)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    struct Row {
        qint64 oper;
        QString title;
        bool scaleOn, alignmentShown, includesShown;
        int firstPreset; // while none is stored: paper copies start on white paper
    } rows[] = {
        {WinChordProToPDF::Mail, "Mail", false, true, false, 2},
        {WinChordProToPDF::Print, "Print...", true, true, false, 2},
        {WinChordProToPDF::Preview, "Preview", false, true, false, 0},
        {WinChordProToPDF::ExportTab, "Export...", false, false, true, 0},
        {WinChordProToPDF::ExportSong, "Export...", false, false, true, 0},
    };
    for (const Row &r : rows) {
        WinChordProToPDF &w = open(r.oper);
        EXPECT_EQ(w.buttonProceed()->text(), r.title);
        EXPECT_EQ(w.buttonScaleStepper()->isEnabled(), r.scaleOn) << r.oper;
        EXPECT_EQ(w.comboAlignment()->isEnabled(), r.scaleOn) << r.oper;
        EXPECT_EQ(w.comboAlignment()->isVisibleTo(&w), r.alignmentShown) << r.oper;
        EXPECT_EQ(w.buttonIncludeNote()->isVisibleTo(&w), r.includesShown) << r.oper;
        if (!r.scaleOn) {
            EXPECT_EQ(w.scaleValue(), 1.0);
        }
        EXPECT_EQ(w.comboSettings()->currentIndex(), r.firstPreset) << r.oper;
    }
    EXPECT_EQ(open(WinChordProToPDF::Print).colorWell(pdfexport::Background)->color(), QColor(Qt::white));
    store().setInteger(QStringLiteral("CProToPDF_ComboSettings"), 0);
    EXPECT_EQ(open(WinChordProToPDF::Print).comboSettings()->currentIndex(), 0);
}

TEST_F(ExportWindow, TypedZoomAndScaleAreClamped)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    store().setInteger(QStringLiteral("CProToPDF_ComboFrame"), 1);
    WinChordProToPDF &w = open(WinChordProToPDF::Print);
    struct Row {
        bool zoom;
        QString typed;
        double value;
    } rows[] = {{true, "30", 0.5}, {true, "450", 4.0}, {true, "125", 1.25}, {false, "120", 1.0}, {false, "80", 0.8}};
    for (const Row &r : rows) {
        if (r.zoom) {
            w.zoomClick();
            w.zoomValueIn()->setText(r.typed);
            w.zoomDidChange();
            EXPECT_DOUBLE_EQ(w.zoomValue(), r.value);
            EXPECT_DOUBLE_EQ(w.buttonZoomStepper()->value(), r.value);
            EXPECT_TRUE(w.zoomValueIn()->isHidden());
        } else {
            w.scaleClick();
            w.scaleValueIn()->setText(r.typed);
            w.scaleDidChange();
            EXPECT_DOUBLE_EQ(w.scaleValue(), r.value);
            EXPECT_DOUBLE_EQ(w.buttonScaleStepper()->value(), r.value);
        }
    }
    w.actionScaleDefault();
    EXPECT_DOUBLE_EQ(w.scaleValue(), 0.96);
}

TEST_F(ExportWindow, ReferenceFrameForcesZoomOneAndKeepsTheStoredZoom)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    store().setDouble(QStringLiteral("CProToPDF_ZoomValue"), 1.5);
    WinChordProToPDF &w = open(WinChordProToPDF::Mail);
    EXPECT_EQ(w.comboFrame()->currentIndex(), 0);
    EXPECT_DOUBLE_EQ(w.zoomValue(), 1.0);
    EXPECT_FALSE(w.buttonZoomStepper()->isEnabled());
    w.actionProceed();
    EXPECT_DOUBLE_EQ(store().doubleForKey(QStringLiteral("CProToPDF_ZoomValue")), 1.5);

    open(WinChordProToPDF::Mail);
    w.comboFrame()->setCurrentIndex(1);
    EXPECT_DOUBLE_EQ(w.zoomValue(), 1.5);
    EXPECT_TRUE(w.buttonZoomStepper()->isEnabled());
}

TEST_F(ExportWindow, PresetsChooseTheVersion)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    addWinID(QStringLiteral("Lead"));
    addWinID(QStringLiteral("Drum"));
    store().setInteger(QStringLiteral("CProToPDF_ComboSettings"), 1);
    store().setString(QStringLiteral("CProToPDF_AltDir"), QStringLiteral("Drum"));
    WinChordProToPDF &w = open(WinChordProToPDF::ExportTab);
    EXPECT_EQ(w.comboWinID()->currentText(), QStringLiteral("Drum"));
    EXPECT_FALSE(w.buttonIncludeMaster()->isChecked());
    EXPECT_EQ(w.buttonIncludeMaster()->text(), QStringLiteral("Include Master File(s)"));
    for (int preset : {2, 3}) {
        w.comboSettings()->setCurrentIndex(1);
        w.comboSettings()->setCurrentIndex(preset);
        EXPECT_EQ(w.comboWinID()->currentText(), QStringLiteral("Master")) << preset;
    }
    EXPECT_TRUE(w.buttonAutoBW()->isChecked());
    EXPECT_EQ(w.colorWell(pdfexport::Lyrics)->color(), QColor(76, 76, 76));
    w.comboSettings()->setCurrentIndex(1);
    EXPECT_EQ(w.comboWinID()->currentText(), QStringLiteral("Drum"));
    w.comboWinID()->setCurrentIndex(0);
    EXPECT_TRUE(w.buttonIncludeMaster()->isChecked());
    EXPECT_EQ(w.buttonIncludeMaster()->text(), QStringLiteral("Include Alt.Version(s)"));

    // A key window bound to an identifier no longer listed brings it along.
    window()->iniMode(1, QStringLiteral("Bass"));
    store().setInteger(QStringLiteral("CProToPDF_ComboSettings"), 0);
    open(WinChordProToPDF::Mail);
    EXPECT_EQ(w.comboWinID()->count(), 4);
    EXPECT_EQ(w.comboWinID()->currentText(), QStringLiteral("Bass"));
}

TEST_F(ExportWindow, CancelWritesOnlyAfterSaveCustom)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    WinChordProToPDF &w = open(WinChordProToPDF::Mail);
    w.comboPaperSize()->setCurrentIndex(2);
    w.actionCancel();
    EXPECT_FALSE(store().contains(QStringLiteral("CProToPDF_ComboPaperSize")));
    EXPECT_FALSE(w.isVisible());

    open(WinChordProToPDF::Mail);
    w.comboPaperSize()->setCurrentIndex(2);
    w.buttonChordsBold()->setChecked(true);
    w.comboChordDiagrams()->setCurrentIndex(4);
    w.actionSaveCustom();
    EXPECT_EQ(w.comboSettings()->currentIndex(), 1);
    w.actionCancel();
    EXPECT_EQ(store().integerForKey(QStringLiteral("CProToPDF_ComboPaperSize")), 2);
    EXPECT_EQ(store().integerForKey(QStringLiteral("CProToPDF_ComboSettings")), 1);
    EXPECT_TRUE(store().boolForKey(QStringLiteral("CProToPDF_ChordsBold")));
    EXPECT_EQ(store().integerForKey(QStringLiteral("CProToPDF_ComboChordDiagrams")), 4);
    EXPECT_EQ(store().stringForKey(QStringLiteral("CProToPDF_AltDir")), QStringLiteral("Master"));

    open(WinChordProToPDF::Mail);
    EXPECT_EQ(w.comboPaperSize()->currentIndex(), 2);
    EXPECT_TRUE(w.buttonChordsBold()->isChecked());
    EXPECT_EQ(w.comboChordDiagrams()->currentIndex(), 4);
}

TEST_F(ExportWindow, StoredColoursAndTheirFallbacks)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    store().setInteger(QStringLiteral("CProToPDF_ComboSettings"), 1);
    store().setColor(QStringLiteral("CProToPDF_color4"), QColor(10, 20, 30));
    store().setData(QStringLiteral("CProToPDF_color0"), QByteArray("\x04\x0bstreamtyped garbage"));
    store().setString(QStringLiteral("CProToPDF_color6"), QStringLiteral("yellowish"));
    WinChordProToPDF &w = open(WinChordProToPDF::Mail);
    EXPECT_EQ(w.colorWell(pdfexport::Background)->color(), QColor(10, 20, 30));
    EXPECT_EQ(w.colorWell(pdfexport::Chords)->color(), QColor(236, 68, 69));
    EXPECT_EQ(w.colorWell(pdfexport::LyricsHigh)->color(), QColor(Qt::yellow));
    EXPECT_EQ(w.colorWell(pdfexport::Bullets)->color(), QColor(0, 122, 255));
    // The page takes the wells.
    EXPECT_EQ(w.color(chordpro::ColorRole::Background), QColor(10, 20, 30));
}

TEST_F(ExportWindow, EnablingRules)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    WinChordProToPDF &w = open(WinChordProToPDF::Mail);
    w.comboSettings()->setCurrentIndex(2);
    struct Row {
        int diagrams, instrument;
        bool instrumentOn, directionOn, autoBWOn;
    } rows[] = {{5, 0, false, false, false}, {0, 2, true, false, true}, {1, 1, true, true, false}, {4, 0, true, true, false}};
    for (const Row &r : rows) {
        w.comboChordDiagrams()->setCurrentIndex(r.diagrams);
        w.comboInstrument()->setCurrentIndex(r.instrument);
        EXPECT_EQ(w.comboInstrument()->isEnabled(), r.instrumentOn) << r.diagrams;
        EXPECT_EQ(w.comboDirection()->isEnabled(), r.directionOn) << r.diagrams;
        EXPECT_EQ(w.buttonAutoBW()->isEnabled(), r.autoBWOn) << r.diagrams;
    }
    store().setInteger(QStringLiteral("CProToPDF_ComboAlignmentLyrics"), 0);
    w.buttonLyricsOnly()->click();
    EXPECT_TRUE(w.comboAlignmentLyrics()->isEnabled());
    EXPECT_EQ(w.comboAlignmentLyrics()->currentIndex(), 0);
    w.buttonLyricsOnly()->click();
    EXPECT_FALSE(w.comboAlignmentLyrics()->isEnabled());
    EXPECT_EQ(w.comboAlignmentLyrics()->currentIndex(), 1);
}
