#include "MidiWindowsFixture.h"
#include "midi/windows/MidiPref3.h"
#include "midi/windows/TrigRowViews.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

using namespace miditest;

namespace {

class MidiPref3Test : public MidiWindowsFixture {
protected:
    MidiPref3 *open()
    {
        windows->showTriggers();
        settle();
        return windows->triggers();
    }

    // What the controller does with "ActionKey" 2004.
    void learn()
    {
        ASSERT_TRUE(takeKeys().contains(key(vocab::MidiLearnTrigger)));
        windows->midiLearnTrigger();
    }
};

} // namespace

TEST_F(MidiPref3Test, AnAddedRowLearnsThePedalAndThenFiresItsAction)
{
    MidiPref3 *pref = open();
    pref->actionInsertRow();
    const int row = pref->mTable()->rowCount() - 1;
    EXPECT_EQ(pref->rowListen(), row);
    EXPECT_TRUE(Midi::listenTrigSourceOn());

    receive("B2407F"); // control change 64, value 127, channel 3
    learn();
    const MidiTrigPtr trig = Midi::MIDItriggers().value(row);
    ASSERT_TRUE(trig);
    EXPECT_EQ(pref->rowListen(), -1);
    EXPECT_EQ(pref->sourceCell(row)->currentText(), QStringLiteral("✅ Pedals (online)"));
    EXPECT_EQ(std::tuple(trig->sourceMode, trig->sourceUID, trig->channel),
              std::tuple(2ll, qint64(Midi::MIDIgetUniqueID(pedals)), 3ll));
    EXPECT_EQ(std::tuple(trig->sourceType, trig->sourceVal1, trig->sourceVal2, trig->sourceVal3),
              std::tuple(1ll, 64ll, 127ll, -1ll));
    EXPECT_TRUE(pref->triggerSourceCell(row)->val(3)->text().isEmpty());

    pref->triggerActionCell(row)->chooseAction(8);
    EXPECT_EQ(trig->actionType, 8);
    clock.advance(0.6);
    settle();
    EXPECT_FALSE(Midi::listenTrigSourceOn());
    receive("B2407F");
    EXPECT_TRUE(takeKeys().contains(key(vocab::NextSong)));

    pref->close();
    auto &d = platform::UserDefaults::standard();
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiTrig_nbTrig")), row + 1);
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiTrig_sourceVal1_%1").arg(row)), 64);
}

// Before, a reorder moved the rows under a listening row, and the message
// learned next went into whichever trigger had taken its place.
TEST_F(MidiPref3Test, AReorderStopsListeningButTheWindowsOwnSelectionDoesNot)
{
    MidiPref3 *pref = open();
    for (int i = 0; i < 3; ++i)
        pref->actionInsertRow();
    ASSERT_EQ(pref->mTable()->rowCount(), 5);
    // The window's own selection of the new row left it listening.
    EXPECT_EQ(pref->rowListen(), 4);
    Midi::MIDItriggers()[0]->actionTxt = QStringLiteral("first");

    std::unique_ptr<QMimeData> drag(pref->dragRows(0));
    EXPECT_TRUE(pref->acceptDrop(drag.get(), 3));
    EXPECT_EQ(pref->rowListen(), -1);
    EXPECT_EQ(Midi::MIDItriggers()[2]->actionTxt, QStringLiteral("first"));
    // Cancelled, the listening row went back to its type.
    EXPECT_EQ(Midi::MIDItriggers()[4]->sourceType, 1);

    // Drops that do not decode, name no row, or come from another table are refused.
    QMimeData bad;
    bad.setData(dragtypes::privateTableType(QStringLiteral("3")), "9");
    EXPECT_FALSE(pref->acceptDrop(&bad, 0));
    QMimeData other;
    other.setData(dragtypes::privateTableType(QString()), "1");
    EXPECT_FALSE(pref->acceptDrop(&other, 0));
    EXPECT_EQ(Midi::MIDItriggers()[2]->actionTxt, QStringLiteral("first"));
}

TEST_F(MidiPref3Test, RowsEditTheirTriggersAndOnlyTheirOwnCellsCount)
{
    MidiPref3 *pref = open();
    pref->actionInsertRow();
    const int row = pref->mTable()->rowCount() - 1;
    pref->listenOff();
    ViewTrigSource *source = pref->triggerSourceCell(row);
    source->chooseType(3);
    source->val(1)->setText(QStringLiteral("60"));
    emit source->val(1)->textEdited(QStringLiteral("60"));
    source->chooseType(6);
    const MidiTrigPtr trig = Midi::MIDItriggers()[row];
    // Between note types the note stays; to another type it goes.
    EXPECT_EQ(std::tuple(trig->sourceType, trig->sourceVal1), std::tuple(6ll, 60ll));
    EXPECT_TRUE(Midi::trigFiltreNoteOff(60));
    source->chooseType(1);
    EXPECT_EQ(std::tuple(trig->sourceType, trig->sourceVal1), std::tuple(1ll, -1ll));
    EXPECT_FALSE(Midi::trigFiltreNoteOff(60));

    pref->triggerActionCell(row)->chooseAction(35);
    EXPECT_FALSE(pref->triggerActionCell(row)->val1()->isHidden());
    EXPECT_EQ(pref->triggerActionCell(row)->val1()->placeholderText(), QStringLiteral("Page No."));

    // The same notification from a cell of another window changes nothing.
    ViewTrigSource stranger;
    stranger.setRow(row);
    stranger.setValComboSource(4);
    platform::NotificationCenter::defaultCenter().post(vocab::EventUpdateRow, {}, &stranger);
    QWidget memoCell;
    platform::NotificationCenter::defaultCenter().post(vocab::EventUpdateRow, {}, &memoCell);
    EXPECT_EQ(trig->sourceType, 1);
    EXPECT_EQ(trig->actionType, 35);
}

TEST_F(MidiPref3Test, DeletingAndDuplicating)
{
    Midi::MIDItriggers().clear();
    MidiPref3 *pref = open();
    pref->mTable()->clearSelection();
    pref->actionDuplicateRow();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));
    pref->actionInsertRow();
    pref->actionInsertRow();
    pref->mTable()->selectRow(1);
    pref->triggerActionCell(1)->chooseAction(4);
    typeInto(pref->triggerActionCell(1)->val1(), QStringLiteral("copied"));
    pref->actionDuplicateRow();
    ASSERT_EQ(Midi::MIDItriggers().size(), 3);
    EXPECT_EQ(Midi::MIDItriggers()[2]->actionTxt, QStringLiteral("copied"));
    EXPECT_EQ(pref->mTable()->selectedRow(), 2);

    pref->actionDeleteRow();
    EXPECT_EQ(pref->mTable()->selectedRow(), 1);
    pref->actionDeleteRow();
    pref->actionDeleteRow();
    EXPECT_TRUE(Midi::MIDItriggers().isEmpty());
    EXPECT_FALSE(pref->mBoutDel()->isEnabled());
    EXPECT_FALSE(pref->mBoutListen()->isEnabled());

    // An empty list is stored as a count of 0.
    pref->close();
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(QStringLiteral("MidiTrig_nbTrig")), 0);
    EXPECT_TRUE(platform::UserDefaults::standard().contains(QStringLiteral("MidiTrig_nbTrig")));
}

TEST_F(MidiPref3Test, KeypadKeysPlayNotesIntoTheProgramsOwnInputWhileTheWindowIsKey)
{
    MidiPref3 *pref = open();
    pref->actionInsertRow();
    pref->listenOff();
    QApplication::setActiveWindow(pref);
    Data::setOptKeyPad2(1);
    loop->clearSent();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier, QStringLiteral("1"));
    QLineEdit *cell = pref->triggerSourceCell(0)->val(1);
    QApplication::sendEvent(cell, &press);
    settle();
    EXPECT_EQ(hex(loop->sentTo(Midi::virtualInTemp())), (QStringList{"90 53 7F", "80 53 00"}));
    // The key reached no cell.
    EXPECT_FALSE(cell->text().endsWith(QLatin1Char('1')));
    Data::setOptKeyPad2(0);
}

// A long list builds the rows it shows, and every row reached, shown or not,
// holds its own trigger, also after the rows moved.
TEST_F(MidiPref3Test, ALongListBuildsTheRowsItShowsAndEachRowIsItsOwnTrigger)
{
    auto &list = Midi::MIDItriggers();
    list.clear();
    for (qint64 i = 0; i < 2000; ++i) {
        auto trig = std::make_shared<MidiTrig>(i);
        trig->actionType = 4;
        trig->actionTxt = QStringLiteral("row %1").arg(i);
        list.append(trig);
    }
    MidiPref3 *pref = open();
    MidiRowTable *table = pref->mTable();
    ASSERT_EQ(table->rowCount(), 2000);
    EXPECT_LT(table->findChildren<ViewTrigAction *>().size(), 100);
    EXPECT_EQ(table->cellWidget(1999, 3), nullptr);

    // A row far down, reached by the program, shows and edits its own trigger.
    EXPECT_EQ(pref->triggerActionCell(1500)->text(), QStringLiteral("row 1500"));
    typeInto(pref->triggerActionCell(1500)->val1(), QStringLiteral("edited"));
    EXPECT_EQ(list[1500]->actionTxt, QStringLiteral("edited"));
    EXPECT_EQ(list[1499]->actionTxt, QStringLiteral("row 1499"));

    // Scrolled into view, the last rows are built.
    table->scrollToBottom();
    settle();
    EXPECT_NE(table->cellWidget(1999, 3), nullptr);

    // After a move, rows built before show the triggers now in their place.
    std::unique_ptr<QMimeData> drag(pref->dragRows(0));
    ASSERT_TRUE(pref->acceptDrop(drag.get(), 2000));
    EXPECT_EQ(pref->triggerActionCell(0)->text(), QStringLiteral("row 1"));
    EXPECT_EQ(pref->triggerActionCell(1999)->text(), QStringLiteral("row 0"));
    EXPECT_EQ(pref->triggerActionCell(1499)->text(), QStringLiteral("edited"));

    pref->close();
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(QStringLiteral("MidiTrig_nbTrig")), 2000);
    EXPECT_EQ(platform::UserDefaults::standard().stringForKey(QStringLiteral("MidiTrig_actionTxt_1499")),
              QStringLiteral("edited"));
}
