#include "settings/DataPref5.h"
#include "windows/ColorWell.h"

#include "chordpro/ChordPro.h"
#include "library/Data.h"
#include "platform/Keys.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "windows/ScreenFrames.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFxSuper.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

using inspector::Toggle;

// Until the chord strip's own class exists, its rows run on a base window of its type.
class StripStandIn : public WindowPDFxSuper {
public:
    StripStandIn() : WindowPDFxSuper(14) { windowDidLoad(); }
};

class Inspector : public ::testing::Test {
protected:
    Inspector()
    {
        Data::closeAllWin();
        flush();
        Data::winIDs().clear();
        platform::NotificationCenter::defaultCenter().addObserver(
            vocab::ActionKey, [this](const platform::Notification &n) { posted << n.intParam(); }, &owner_);
    }
    ~Inspector() override
    {
        delete panel;
        Data::closeAllWin();
        flush();
        Data::setInspectorOn(false);
    }

    static void flush()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testsupport::processEvents();
    }

    WindowPDFxSuper *open(qint64 type, int width = 800, int height = 500)
    {
        WindowPDFxSuper *w = Data::newWindowPDFx(false, type);
        if (w)
            screenframes::setFrame(w, QRectF(100, 100, width, height));
        return w;
    }

    DataPref5 &inspectorOn(WindowPDFxSuper *w)
    {
        if (!panel)
            panel = new DataPref5;
        panel->remplirCombo1(w);
        return *panel;
    }

    static QString mask(const std::function<bool(int)> &bit, int count)
    {
        QString m;
        for (int i = 0; i < count; ++i)
            m += bit(i) ? QLatin1Char('1') : QLatin1Char('0');
        return m;
    }

    int count(int code) const { return int(posted.count(code)); }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    windowfactory::ScopedCreator strips{14, [] { return new StripStandIn; }};
    QList<qint64> posted;
    DataPref5 *panel = nullptr;
    QObject owner_;
};

// What the inspector shows for each kind of target. Toggle bits follow the
// enum order: tabs, chords bold, lyrics bold, PDF no., ChordPro no., shadow,
// title elements, list, frame, lyrics only, sync, page up/down, transparent,
// always on top. Well bits are wells 1-24.
struct TargetRow {
    qint64 type; // -1: no window open
    const char *toggles;
    const char *wells;
    const char *metroLabel;
    const char *metroShown;
    bool metroEnabled;
    const char *pageLabel;
    bool pageEnabled;
    bool winIDEnabled;
    const char *frameTitle;
    const char *titleElementsTitle;
    const char *transparentTitle;
    const char *label3;
};

const TargetRow kTargets[] = {
    // A Tolvane window syncs its pages by default, so page up/down is dead.
    {0, "11111111111011", "111111111111111111111111", "Metronome", "Double", true, "Page No.", true, true,
     "Hide Half Page Frame", "Hide Note", "Hide Title", "Inactive Elements"},
    {1, "00000000000000", "111110000000000000000000", "Alignment", "Left", true, "Page No.", false, true,
     "Hide Half Page Frame", "Hide Note", "Transparent", "Inactive Elements"},
    {3, "00000000000011", "011010000000000000000000", "Alignment", "Left", true, "Page No.", false, false,
     "Hide Half Page Frame", "Hide Note", "Transparent", "Inactive Elements"},
    {7, "00000000000011", "011010000000000000000000", "Alignment", "Left", false, "Page No.", false, false,
     "Hide Half Page Frame", "Hide Note", "Transparent", "Inactive Elements"},
    {8, "00000011100011", "110000000000000000000000", "Alignment", "Left", true, "Page No.", false, true,
     "Hide on List", "Hide if no Note", "Transparent", "Inactive Elements"},
    {13, "00000010100011", "110100000000000000000000", "Alignment", "Left", true, "Page No.", false, false,
     "Hide on List", "Hide Time", "Transparent", "Inactive Elements"},
    // The chord strip starts left-handed on the guitar.
    {14, "00000000000011", "111111000000000000000000", "Direction", "Left-Handed", true, "Instrument", true, true,
     "Hide Half Page Frame", "Hide Note", "Transparent", "Grid"},
    {-1, "00000000000000", "000000000000000000000000", "Metronome", "Double", false, "Page No.", false, false,
     "Hide Half Page Frame", "Hide Note", "Hide Title", "Inactive Elements"},
};

TEST_F(Inspector, ShowsWhatEachKindOfTargetOffers)
{
    for (const TargetRow &row : kTargets) {
        SCOPED_TRACE(row.type);
        Data::closeAllWin();
        flush();
        WindowPDFxSuper *w = row.type >= 0 ? open(row.type) : nullptr;
        ASSERT_EQ(w == nullptr, row.type < 0);
        DataPref5 &insp = inspectorOn(w);
        EXPECT_EQ(insp.currentWin(), w);

        EXPECT_EQ(mask([&](int t) { return insp.toggle(Toggle(t))->isEnabled(); }, inspector::kToggles),
                  QString::fromLatin1(row.toggles));
        EXPECT_EQ(mask([&](int n) { return insp.colorWell(n + 1)->isEnabled(); }, inspector::kWells),
                  QString::fromLatin1(row.wells));
        EXPECT_EQ(insp.labelMetro()->text(), QString::fromUtf8(row.metroLabel));
        EXPECT_EQ(insp.comboMetro()->currentText(), QString::fromUtf8(row.metroShown));
        EXPECT_EQ(insp.comboMetro()->isEnabled(), row.metroEnabled);
        EXPECT_EQ(insp.labelPageNo()->text(), QString::fromUtf8(row.pageLabel));
        EXPECT_EQ(insp.comboFixPageNo()->isEnabled(), row.pageEnabled);
        EXPECT_EQ(insp.comboWinID()->isEnabled(), row.winIDEnabled);
        EXPECT_EQ(insp.comboModeAffichage()->isEnabled(), row.type == 0);
        EXPECT_EQ(insp.buttonSetRefFrame()->isEnabled(), row.type == 0);
        EXPECT_EQ(insp.labelMetro()->isEnabled(), row.type >= 0);
        EXPECT_EQ(insp.buttonClose()->isHidden(), row.type < 0);
        EXPECT_EQ(insp.combo1()->isEnabled(), row.type >= 0);
        if (row.type < 0)
            continue; // titles and labels stay as they were
        EXPECT_EQ(insp.toggle(Toggle::HideFrame)->text(), QString::fromUtf8(row.frameTitle));
        EXPECT_EQ(insp.toggle(Toggle::HideTitleElements)->text(), QString::fromUtf8(row.titleElementsTitle));
        EXPECT_EQ(insp.toggle(Toggle::Transparent)->text(), QString::fromUtf8(row.transparentTitle));
        EXPECT_EQ(insp.colorLabel(3)->text(), QString::fromUtf8(row.label3));
        // A live well shows the window's own colour.
        EXPECT_EQ(insp.colorWell(2)->color(), w->colorForObj(WindowPDFxSuper::kBackColor));
    }
}

TEST_F(Inspector, HalfPageZoomNeedsAWideWindow)
{
    WindowPDFxSuper *tall = open(0, 400, 800);
    DataPref5 &insp = inspectorOn(tall);
    const qint64 old = tall->modeAffichage();
    insp.comboModeAffichage()->setCurrentIndex(1);
    insp.comboBoxSelectionDidChange(insp.comboModeAffichage());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Selected window must be horizontally enlarged to use this mode "
                                                 "(window width must be greater than window height)."));
    EXPECT_EQ(tall->modeAffichage(), old);
    EXPECT_EQ(insp.comboModeAffichage()->currentText(), QStringLiteral("Auto"));
    EXPECT_EQ(count(vocab::DisplayModeChanged), 0);

    screenframes::setFrame(tall, QRectF(100, 100, 900, 400));
    tall->iniFixPageNo(3);
    insp.remplirCombo1(tall);
    EXPECT_EQ(insp.comboFixPageNo()->currentText(), QStringLiteral("+3"));
    insp.comboModeAffichage()->setCurrentIndex(1);
    insp.comboBoxSelectionDidChange(insp.comboModeAffichage());
    EXPECT_EQ(tall->modeAffichage(), 1);
    EXPECT_EQ(tall->fixPageNo(), 0);
    EXPECT_FALSE(insp.comboFixPageNo()->isEnabled());
    EXPECT_EQ(count(vocab::DisplayModeChanged), 1);

    // "Single Page" gives the page offset back.
    insp.comboModeAffichage()->setCurrentIndex(2);
    insp.comboBoxSelectionDidChange(insp.comboModeAffichage());
    EXPECT_EQ(tall->modeAffichage(), 2);
    EXPECT_TRUE(tall->singlePageForce());
    EXPECT_TRUE(insp.comboFixPageNo()->isEnabled());
    // Mode 2 without the forced single page reads as "Auto".
    tall->setSinglePageForce(false);
    insp.remplirCombo1(tall);
    EXPECT_EQ(insp.comboModeAffichage()->currentText(), QStringLiteral("Auto"));
}

TEST_F(Inspector, SyncingPageChangesClearsPageUpDown)
{
    WindowPDFxSuper *w = open(0);
    w->iniSyncPageChanges(false);
    w->iniPageUpDown(true);
    DataPref5 &insp = inspectorOn(w);
    QCheckBox *upDown = insp.toggle(Toggle::PageUpDown);
    EXPECT_TRUE(upDown->isEnabled());
    EXPECT_TRUE(upDown->isChecked());

    insp.toggle(Toggle::SyncPageChanges)->click();
    EXPECT_TRUE(w->syncPageChanges());
    EXPECT_FALSE(w->pageUpdown());
    EXPECT_FALSE(upDown->isEnabled());
    EXPECT_FALSE(upDown->isChecked());

    insp.toggle(Toggle::SyncPageChanges)->click();
    EXPECT_FALSE(w->syncPageChanges());
    EXPECT_TRUE(upDown->isEnabled());
    EXPECT_FALSE(upDown->isChecked());
}

TEST_F(Inspector, WellsSetTheirSlotsAtOnce)
{
    WindowPDFxSuper *w = open(0);
    DataPref5 &insp = inspectorOn(w);
    const QColor teal(0, 128, 128, 200);
    insp.colorWell(11)->pick(teal);
    EXPECT_EQ(w->colorForObj(10), teal);
    EXPECT_NE(w->colorForObj(9), teal);

    // A title window whose transparency goes off gets its background back from well 2.
    WindowPDFxSuper *title = open(8);
    insp.remplirCombo1(title);
    const QColor navy(0, 0, 80);
    insp.colorWell(2)->setColor(navy);
    insp.toggle(Toggle::Transparent)->click();
    EXPECT_TRUE(title->transparent());
    insp.toggle(Toggle::Transparent)->click();
    EXPECT_FALSE(title->transparent());
    EXPECT_EQ(title->colorForObj(WindowPDFxSuper::kBackColor), navy);
}

TEST_F(Inspector, ReferenceFrameOnlyFromATolvaneWindow)
{
    const QSizeF before(611.0, 752.0);
    ChordPro::setSizeRef(before);
    DataPref5 &insp = inspectorOn(open(1));
    insp.actionButtonSetRefFrame();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A Tolvane window must be selected to use this function"));
    insp.actionButtonSetPosWindow(99);
    EXPECT_EQ(dialogs.records().size(), 2);
    EXPECT_EQ(ChordPro::sizeRefStatique(), before);

    WindowPDFxSuper *tolvane = open(0, 900, 600);
    insp.remplirCombo1(tolvane);
    dialogs.answerButton(QStringLiteral("No"));
    insp.actionButtonSetRefFrame();
    EXPECT_EQ(ChordPro::sizeRefStatique(), before);
    dialogs.answerButton(QStringLiteral("Yes"));
    insp.actionButtonSetRefFrame();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("⚠️Optimize ChordPro rendering using the selected window's frame?"));
    EXPECT_EQ(ChordPro::sizeRefStatique(), QSizeF(tolvane->obtenirRefSize()));
    EXPECT_EQ(count(vocab::RefreshNoteAndPdfDefaults), 1);
    ChordPro::setSizeRef(before);
}

TEST_F(Inspector, ArrowKeysMoveAndResizeTheTarget)
{
    using namespace platform;
    WindowPDFxSuper *title = open(8, 300, 100);
    DataPref5 &insp = inspectorOn(title);
    struct Press {
        quint16 key;
        quint64 flags;
        QRectF change; // x, y, width, height added (y grows upwards)
    };
    const Press presses[] = {
        {keycode::LeftArrow, 0, {-1, 0, 0, 0}},
        {keycode::LeftArrow, keyflag::Shift, {-10, 0, 0, 0}},
        {keycode::UpArrow, keyflag::Shift, {0, 10, 0, 0}},
        {keycode::RightArrow, keyflag::Command, {0, 0, 1, 0}},
        {keycode::RightArrow, keyflag::Command | keyflag::Shift, {0, 0, 10, 0}},
    };
    for (const Press &p : presses) {
        SCOPED_TRACE(p.flags);
        const QRectF before = screenframes::frameOf(title);
        KeyEvent e;
        e.keyCode = p.key;
        e.modifierFlags = p.flags;
        EXPECT_TRUE(insp.keyDown(e));
        const QRectF after = screenframes::frameOf(title);
        EXPECT_EQ(after.x() - before.x(), p.change.x());
        EXPECT_EQ(after.width() - before.width(), p.change.width());
        if (p.change.y() != 0) {
            EXPECT_EQ(after.y() - before.y(), p.change.y());
        }
    }
    // Plain arrows leave a Tolvane window where it is; Shift moves it.
    WindowPDFxSuper *tolvane = open(0);
    insp.remplirCombo1(tolvane);
    const QRectF start = screenframes::frameOf(tolvane);
    KeyEvent plain;
    plain.keyCode = keycode::LeftArrow;
    EXPECT_TRUE(insp.keyDown(plain));
    EXPECT_EQ(screenframes::frameOf(tolvane), start);
    KeyEvent shifted = plain;
    shifted.modifierFlags = keyflag::Shift;
    insp.keyDown(shifted);
    EXPECT_EQ(screenframes::frameOf(tolvane).x(), start.x() - 10);
    KeyEvent letter;
    letter.keyCode = keycode::A;
    EXPECT_FALSE(insp.keyDown(letter));
}

TEST_F(Inspector, AnnouncesEachShowingOnceAndEachClosing)
{
    WindowPDFxSuper *w = open(0);
    panel = new DataPref5;
    panel->showDataPref5(w);
    panel->showDataPref5(w);
    EXPECT_EQ(count(vocab::ToolWindowShown), 1);
    EXPECT_TRUE(Data::inspectorOn());
    panel->actionButtonEscape();
    EXPECT_EQ(count(vocab::ToolWindowClosed), 1);
    EXPECT_EQ(count(vocab::NoteEdited), 1);
    EXPECT_FALSE(Data::inspectorOn());
    panel->showDataPref5(w);
    EXPECT_EQ(count(vocab::ToolWindowShown), 2);
    panel->close();
    EXPECT_EQ(count(vocab::ToolWindowClosed), 2);
}

// Before, the inspector kept a plain pointer to its target: a window closed
// while the panel was hidden was still written to on the next click.
TEST_F(Inspector, AClosedTargetIsNoTarget)
{
    WindowPDFxSuper *first = open(3);
    WindowPDFxSuper *target = open(8);
    DataPref5 &insp = inspectorOn(target);
    Data::winClose(target);
    EXPECT_EQ(insp.currentWin(), nullptr);
    flush(); // the window is gone
    insp.colorWell(1)->pick(Qt::red);
    insp.actionToggle(Toggle::Transparent, true);
    insp.actionButtonSetPosWindow(14);
    insp.comboMetro()->setCurrentIndex(2);
    insp.comboBoxSelectionDidChange(insp.comboMetro());
    EXPECT_EQ(insp.currentWin(), nullptr);
    // A choice beyond the shrunk list takes the first window.
    insp.combo1()->setCurrentIndex(1);
    insp.comboBoxSelectionDidChange(insp.combo1());
    EXPECT_EQ(insp.currentWin(), first);
    EXPECT_FALSE(first->transparent());
}

TEST_F(Inspector, ChordStripChoosesInstrumentDirectionAndBinding)
{
    WindowPDFxSuper *lead = open(0);
    lead->iniMode(1, QStringLiteral("Lead"));
    WindowPDFxSuper *strip = open(14);
    strip->iniMode(1, QStringLiteral("Lead"));
    DataPref5 &insp = inspectorOn(strip);
    EXPECT_EQ(insp.comboWinID()->count(), 3); // Master, and both windows bound to Lead
    EXPECT_EQ(insp.comboWinID()->currentIndex(), 2);
    EXPECT_EQ(insp.comboFixPageNo()->itemText(2), QStringLiteral("Piano"));

    insp.comboMetro()->setCurrentIndex(1);
    insp.comboBoxSelectionDidChange(insp.comboMetro());
    EXPECT_EQ(strip->typeMetro(), 1);
    insp.comboFixPageNo()->setCurrentIndex(2);
    insp.comboBoxSelectionDidChange(insp.comboFixPageNo());
    EXPECT_EQ(strip->fixPageNo(), 2);
    EXPECT_FALSE(insp.comboMetro()->isEnabled());
    EXPECT_EQ(insp.comboMetro()->currentText(), QStringLiteral("Left-Handed"));

    insp.comboWinID()->setCurrentIndex(0);
    insp.comboBoxSelectionDidChange(insp.comboWinID());
    EXPECT_EQ(strip->altMode(), 0);
    EXPECT_EQ(insp.comboWinID()->count(), 2);
}

// What the inspector sets lives in the window and so in the screen set.
TEST_F(Inspector, OptionsSurviveAScreenSetSaveAndReload)
{
    WindowPDFxSuper *w = open(0);
    DataPref5 &insp = inspectorOn(w);
    insp.toggle(Toggle::HideFrame)->click();
    insp.toggle(Toggle::LyricsOnly)->click();
    insp.colorWell(16)->pick(QColor(10, 20, 30));
    const QString prefix = Data::screenSetPrefix(3, 1);
    Data::saveScreenSet(prefix);
    Data::closeAllWin();
    flush();
    Data::loadScreenSet(prefix);
    ASSERT_EQ(Data::nsMutaryOfWindows().size(), 1);
    WindowPDFxSuper *back = Data::nsMutaryOfWindows().first();
    EXPECT_TRUE(back->hideFrame());
    EXPECT_TRUE(back->lyricsOnly());
    EXPECT_EQ(back->colorForObj(15).rgb(), QColor(10, 20, 30).rgb());
}

} // namespace

TEST_F(Inspector, BothColumnsOfTogglesShowWithoutScrollingSideways)
{
    // The panel opened narrower than its rows, so the second column of toggles was cut off.
    DataPref5 &p = inspectorOn(open(0));
    p.show();
    flush();
    const auto *scroll = p.findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
    p.hide();
}
