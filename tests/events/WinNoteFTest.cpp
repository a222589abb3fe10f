#include "NotesWindowsTestSupport.h"

#include "events/EventScript.h"
#include "events/windows/CueTable.h"
#include "platform/midi/LoopbackMidi.h"
#include "windows/DragTypes.h"

#include "CueRowTestSupport.h"
#include "QStringPrint.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QWindow>

using namespace notestest;

namespace {

using Cues = CueTableModel;

QString cell(QTableView *table, int row, int column) { return table->model()->index(row, column).data().toString(); }

// A click into a cue's cell, as the user's: the field or pop-up that opens holds the focus.
QWidget *clickCell(QTableView *table, int row, int column)
{
    const QModelIndex at = table->model()->index(row, column);
    table->scrollTo(at);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(at).center());
    return QApplication::focusWidget();
}

// Types into the field that has the focus and ends the edit with Return.
void typeAndReturn(const QString &text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents(); // the table takes a field's end of edit on its next turn
}

void choose(QWidget *popUp, const QString &item)
{
    auto *combo = qobject_cast<QComboBox *>(popUp);
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(combo->findText(item));
}

class WinNoteFTest : public NotesFixture {
protected:
    void show(const PiecesPtr &p, qint64 page = 1)
    {
        win.setPDF(p, page, true, false, 0, nullptr);
        loadEvents(p);
        win.refreshSongEv();
    }
    void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    void finish(QLineEdit *field) { QTest::keyClick(field, Qt::Key_Return); }
    void open()
    {
        win.resize(876, 760);
        win.show();
        QApplication::setActiveWindow(&win);
    }

    WinNoteF win{writer};
};

} // namespace

TEST_F(WinNoteFTest, FieldEditsAreSavedWithEveryOtherLineKept)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\nKey=G\nCall MIDI guy\n00:10 Page 2\n"));
    show(p);
    EXPECT_EQ(win.keyField()->text(), QStringLiteral("G"));
    EXPECT_EQ(win.titleField()->text(), QStringLiteral("A")) << "the song's own title, in grey";
    EXPECT_EQ(win.table()->model()->rowCount(), 1);

    win.saveNote(false);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\nKey=G\nCall MIDI guy\n00:10 Page 2\n")) << "nothing edited";

    type(win.keyField(), QStringLiteral("Am"));
    type(win.tempoField(), QStringLiteral("450"));
    EXPECT_EQ(win.tempoField()->text(), QStringLiteral("300"));
    finish(win.tempoField());
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n\nTempo=300\nKey=Am\nCall MIDI guy\n\n00:10 Page 2\n\n"));
    EXPECT_TRUE(codes.contains(vocab::NoteSavedReprocess));
    EXPECT_EQ(win.titleField()->text(), QStringLiteral("A"));
}

// Tag completion, typed into the window as a keyboard sends it. Before, a word
// no tag begins with left the list made for its first letter open, and Down
// and Return put that letter back in place of the word.
TEST_F(WinNoteFTest, TagCompletionOffersOnlyTagsOfTheWordTyped)
{
    Data::tags() = {QStringLiteral("Blues"), QStringLiteral("Rock")};
    show(song(QStringLiteral("A"), QStringLiteral("Master\n")));
    win.show();
    QApplication::setActiveWindow(&win);
    QWindow *window = win.windowHandle();
    ASSERT_NE(window, nullptr);
    const struct {
        const char *typed; // "\b" is Backspace
        bool offered;
        const char *tags;  // after Down, Down, Return
    } cases[] = {
        {"Ba", false, "Ba"},
        {"Ball", false, "Ball"},
        {"Bx\b", true, "Blues "},
        {"b", true, "Blues "},
    };
    for (const auto &c : cases) {
        win.tagsField()->clear();
        QTest::mouseClick(win.tagsField(), Qt::LeftButton);
        ASSERT_EQ(QApplication::focusWidget(), win.tagsField()) << c.typed;
        for (const char *k = c.typed; *k; ++k)
            QTest::keyClick(window, *k);
        EXPECT_EQ(QApplication::activePopupWidget() != nullptr, c.offered) << c.typed;
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
            QTest::keyClick(window, k);
        EXPECT_EQ(win.tagsField()->text(), QString::fromUtf8(c.tags)) << c.typed;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << c.typed;
    }
    QApplication::setActiveWindow(nullptr);
    win.hide();
}

TEST_F(WinNoteFTest, TempoFieldHasRoomForItsPlaceholder)
{
    // The title's column squeezed the tempo field until "Tempo" read "T…".
    win.resize(876, 760);
    win.show();
    QCoreApplication::processEvents();
    const QLineEdit *tempo = win.tempoField();
    EXPECT_GE(tempo->width(), tempo->fontMetrics().horizontalAdvance(tempo->placeholderText()) + 12);
    win.hide();
}

// A pedal changes the song while a field is being typed in.
TEST_F(WinNoteFTest, PendingEditGoesToItsOwnSongBeforeThePush)
{
    const PiecesPtr a = song(QStringLiteral("A"), QStringLiteral("Song A\n00:05 Page 1\n"));
    const PiecesPtr b = song(QStringLiteral("B"), QStringLiteral("Song B\n00:20 Page 4\n"));
    show(a);
    type(win.keyField(), QStringLiteral("D"));
    // Before, the push refilled the fields and the edit was lost.
    win.setPDF(b, 1, true, false, 0, nullptr);
    EXPECT_EQ(noteOnDisk(a), QStringLiteral("Song A\n\nKey=D\n\n00:05 Page 1\n\n"));
    EXPECT_EQ(win.masterNoteField()->text(), QStringLiteral("Song B"));

    // Within the note timer's half second the list still holds A's events:
    // a save of B writes B's own cues.
    type(win.masterNoteField(), QStringLiteral("Song B!"));
    finish(win.masterNoteField());
    EXPECT_EQ(noteOnDisk(b), QStringLiteral("Song B!\n\n00:20 Page 4\n\n"));
    EXPECT_EQ(Data::songEventsKey(), b->getPath());

    // The hidden window reads a song's fields only when they are needed: a
    // cue added from elsewhere still writes this song's own header with it.
    const PiecesPtr c = song(QStringLiteral("C"), QStringLiteral("Song C\nKey=E\n"));
    win.setPDF(c, 1, true, false, 0, nullptr);
    win.addNoteString(QStringLiteral("00:30 Message hello"));
    EXPECT_EQ(noteOnDisk(c), QStringLiteral("Song C\n\nKey=E\n\n00:30 Message hello\n\n"));
}

TEST_F(WinNoteFTest, UnreadableNoteIsShownReadOnlyAndNeverWritten)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Kept as it is\n"));
    p->pieceDet->noteUnreadable = true;
    Data::setCurrentScreensetG(2);
    show(p);
    EXPECT_TRUE(win.readOnly());
    EXPECT_FALSE(win.readOnlyNotice()->isHidden());
    EXPECT_TRUE(win.keyField()->isReadOnly());
    win.updateLastPlayedDate(QStringLiteral("2026-12-07"));
    win.addTagString(QStringLiteral("rock"));
    win.ajouterSongEv(0, QString());
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Kept as it is\n"));
    EXPECT_TRUE(dialogs.records().isEmpty()) << "no alert on stage";
}

TEST_F(WinNoteFTest, PlayedDateAndTagsWriteOnlyWhatChanged)
{
    const QString note = QStringLiteral("Master\nTags=live\nsee MIDI map\n00:10 Page 2\n");
    const PiecesPtr p = song(QStringLiteral("A"), note);
    show(p);
    // Screen set 0 and a tag already there: nothing to write.
    win.updateLastPlayedDate(QStringLiteral("2026-12-07"));
    win.addTagString(QStringLiteral("LIVE"));
    EXPECT_EQ(noteOnDisk(p), note);
    Data::setCurrentScreensetG(3);
    win.updateLastPlayedDate(QStringLiteral("2026-12-07"));
    EXPECT_EQ(noteOnDisk(p), note + QStringLiteral("LastPlayedDate3=2026-12-07\n"));
    EXPECT_EQ(win.dateField(3)->text(), QStringLiteral("2026-12-07"));
    EXPECT_EQ(p->pieceDet->lastPlayedDate(3), QStringLiteral("2026-12-07 ")); // as the record keeps it
    EXPECT_TRUE(codes.contains(vocab::NoteChanged));
}

// Before, the played date went through the window's layout: every key line
// gained a blank line after it, and a CRLF note had a line changed.
TEST_F(WinNoteFTest, PlayedDateChangesOnlyItsOwnLine)
{
    const struct {
        const char *before;
        int screenSet;
        const char *after;
    } cases[] = {
        // LF, no blank lines, no date yet: one line added at the end.
        {"Master\nKey=G\nTempo=96\nsee MIDI map\n00:10 Page 2\n", 3,
         "Master\nKey=G\nTempo=96\nsee MIDI map\n00:10 Page 2\nLastPlayedDate3=2026-12-07\n"},
        // CRLF with blank lines: the date's own line changes, in place.
        {"Master\r\n\r\nlastplayeddate2= 2025-01-01\r\n\r\nTags=live\r\n\r\nfree words\r\n", 2,
         "Master\r\n\r\nlastplayeddate2=2026-12-07\r\n\r\nTags=live\r\n\r\nfree words\r\n"},
        // No final line end: the note still ends without one.
        {"Master\nKey=G", 1, "Master\nKey=G\nLastPlayedDate1=2026-12-07"},
        {"Master\nLastPlayedDate1=2020-02-02", 1, "Master\nLastPlayedDate1=2026-12-07"},
        // Before, the date replaced the comment's words from the key on, and
        // a note of mixed line ends came back with CRLF on every line.
        {"Master\n# old paper log: lastplayeddate1=1999-09-09 (keep this)\nLastPlayedDate1=2020-01-01\n", 1,
         "Master\n# old paper log: lastplayeddate1=1999-09-09 (keep this)\nLastPlayedDate1=2026-12-07\n"},
        {"Master\r\nKey=G\nfree words\r\n", 1, "Master\r\nKey=G\nfree words\r\nLastPlayedDate1=2026-12-07\r\n"},
    };
    int n = 0;
    for (const auto &c : cases) {
        const PiecesPtr p = song(QStringLiteral("S%1").arg(++n), QString::fromUtf8(c.before));
        show(p);
        Data::setCurrentScreensetG(c.screenSet);
        EXPECT_TRUE(win.updateLastPlayedDate(QStringLiteral("2026-12-07")).isEmpty());
        EXPECT_EQ(noteOnDisk(p), QString::fromUtf8(c.after)) << c.before;
        EXPECT_EQ(win.dateField(c.screenSet)->text(), QStringLiteral("2026-12-07")) << c.before;
    }
}

TEST_F(WinNoteFTest, CueButtonsAndDrops)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n00:30 Page 2\n"));
    show(p);
    win.actionButtonSupprimer(); // nothing selected
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));

    win.actionButtonAjouter();
    ASSERT_EQ(Data::songEvents().size(), 2);
    EXPECT_EQ(Data::songEvents().last()->ss, 40) << "the last row's time plus ten seconds";
    win.actionButtonAjouter();
    EXPECT_EQ(Data::songEvents().last()->ss, 40) << "after a row made here, the same time";
    win.actionButtonSupprimer();
    EXPECT_EQ(Data::songEvents().size(), 2);
    EXPECT_EQ(win.selectedRow(), 1);

    // A library group dropped on top takes the first row's time.
    auto group = std::make_shared<MidiFavEvent>(0);
    group->favEventID = QStringLiteral("Strings");
    Midi::MIDIfav() << group;
    std::unique_ptr<QMimeData> drop(dragtypes::rowsMimeData(dragtypes::MidiGroupDataType, {0}));
    EXPECT_TRUE(win.acceptDrop(drop.get(), 0, false));
    EXPECT_EQ(Data::songEvents().first()->actionTxt, QStringLiteral("MIDI Strings"));
    // Before, a drop naming a row outside its list read past the list's end.
    std::unique_ptr<QMimeData> bad(dragtypes::rowsMimeData(dragtypes::MidiGroupDataType, {7}));
    EXPECT_FALSE(win.acceptDrop(bad.get(), 0, false));
    QMimeData garbage;
    garbage.setData(dragtypes::NotesSongEvDataType, "not a row");
    EXPECT_FALSE(win.acceptDrop(&garbage, 0, false));
    EXPECT_TRUE(noteOnDisk(p).contains(QStringLiteral("00:30 MIDI Strings\n00:30 Page 2\n")));

    // A row moved to the very top: a page cue stays timed, a MIDI line does not.
    std::unique_ptr<QMimeData> move(dragtypes::rowsMimeData(dragtypes::NotesSongEvDataType, {2}));
    EXPECT_TRUE(win.acceptDrop(move.get(), 0, false));
    EXPECT_TRUE(Data::songEvents().first()->timeEv);

    // Before, "Append to Note" wrote the line once for each group of that name.
    auto twin = std::make_shared<MidiFavEvent>(1);
    twin->favEventID = QStringLiteral("Strings");
    Midi::MIDIfav() << twin;
    const qsizetype rows = Data::songEvents().size();
    platform::NotificationCenter::defaultCenter().post(vocab::InsererMidiFromLibF,
                                                       QVariant::fromValue(QStringLiteral("Strings")));
    EXPECT_EQ(Data::songEvents().size(), rows + 1);
}

// The save sorts the list: the row edited next must still be the cue shown.
TEST_F(WinNoteFTest, SortThenEditARowChangesTheRightCue)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n00:10 Page 1\n00:20 Page 2\n"));
    show(p);
    open();
    clickCell(win.table(), 0, Cues::ColTime);
    typeAndReturn(QStringLiteral("30"));
    // The cue now at 00:30 moved to the second row, and the selection with it.
    EXPECT_EQ(win.selectedRow(), 1);
    EXPECT_EQ(cell(win.table(), 1, Cues::ColTime), QStringLiteral("00:30"));
    EXPECT_EQ(Data::songEvents().at(1)->actionTxt, QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(Data::songEvents().at(1)->val, 30.0);
    // Editing the second row's page number changes that cue, not the other one.
    clickCell(win.table(), 1, Cues::ColA);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("9"));
    win.saveNote(false);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n\n00:20 Page 2\n00:30 Page 9\n\n"));
}

TEST_F(WinNoteFTest, SendButtonRunsTheSelectedCue)
{
    platform::setMidiSystem(nullptr);
    platform::LoopbackMidi loop;
    const platform::MidiObjectRef synth = loop.plugDevice(QStringLiteral("Synth"));
    Q_UNUSED(synth);
    platform::setMidiSystem(&loop);
    Midi::iniMidi();
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n00:10 CC7:100@0\n"));
    show(p);
    win.actionButtonSendSongEv();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("A row must be selected to perform this operation"));
    win.selectRow(0);
    loop.clearSent();
    win.actionButtonSendSongEv();
    clock.advance(1.0);
    loop.waitForIdle();
    bool sent = false;
    for (const platform::LoopbackMidi::Sent &s : loop.sent())
        sent = sent || s.bytes == QByteArray::fromHex("b00764");
    EXPECT_TRUE(sent);
    platform::setMidiSystem(nullptr);
}

TEST_F(WinNoteFTest, RecordingAddsCuesOnlyWhileTheTrackMoves)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n"));
    show(p);
    dialogs.answerButton(QStringLiteral("Begin recording"));
    EXPECT_TRUE(win.beginRecording());
    EXPECT_TRUE(Data::recOn());
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n\n00:00 Page 1\n00:01 Play 1\n\n"));
    EXPECT_TRUE(codes.contains(vocab::PeriodKey)) << "playback starts";

    // Before the track moves (stopped, or playback failed): no cue.
    win.setPDF(p, 2, true, false, 0, nullptr);
    EXPECT_EQ(Data::songEvents().size(), 2);
    win.updateItunesInfo(QString(), QString(), 11.9, 200, false);
    win.updateItunesInfo(QString(), QString(), 12.4, 200, false);
    win.setPDF(p, 2, true, false, 0, nullptr);
    EXPECT_TRUE(noteOnDisk(p).contains(QStringLiteral("00:12 Page 2\n")));
    win.updateItunesInfo(QString(), QString(), 0, 0, true);
    win.setPDF(p, 3, true, false, 0, nullptr);
    EXPECT_FALSE(noteOnDisk(p).contains(QStringLiteral("Page 3"))) << "stopped: nothing";

    // Started again on the same song it adds neither first cue twice.
    Data::setRecOn(false);
    dialogs.answerButton(QStringLiteral("Begin recording"));
    win.beginRecording();
    EXPECT_EQ(noteOnDisk(p).count(QStringLiteral("00:00 Page")), 1);
    EXPECT_EQ(noteOnDisk(p).count(QStringLiteral("00:01 Play")), 1);
}

TEST_F(WinNoteFTest, MidiInsertButtons)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n"));
    show(p);
    Midi::setNbLastEvents(1);
    Midi::setLastMSBValue(-1);
    Midi::setLastLSBValue(-1);
    Midi::setLastProgramChangeValue(5);
    Midi::setLastChannel(2);
    win.refreshLastMIDIdata();
    EXPECT_EQ(win.buttonMIDIa()->text(), QStringLiteral("5@2"));
    win.actionInsererMIDIa();
    win.saveNote(false);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n\n5@2  \n\n")); // the writer closes the empty words

    {
        std::lock_guard lock(Midi::textMutex());
        Midi::lastEvents() = QStringLiteral("\n1:1@0\n1:2@0\n1:3@0\n1:4@0\n1:5@0\n1:6@0");
    }
    Midi::setNbLastEvents(6);
    dialogs.answerButton(QStringLiteral("No"));
    win.actionInsererMIDIa();
    EXPECT_EQ(Data::songEvents().size(), 1) << "six or more are asked about first";
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("6 events will be inserted to Cue list.")));
    Midi::setNbLastEvents(0);
}

// Before, a MIDI line without a destination showed as an empty row, and any
// edit of that row wrote an empty cue over it.
TEST_F(WinNoteFTest, ARowEditedOnlyInItsTimeKeepsItsLine)
{
    const struct {
        const char *note;
        const char *time;   // typed into the time field, or nullptr
        int channel;        // the destination "Ch. n" chosen, or 0
        const char *shown;  // the row's text field
        const char *once;   // the note after the edit is saved
        const char *twice;  // after a second rebuild of that note
        int kind = -1;      // the kind chosen first, if any
        const char *group = nullptr; // then the group chosen
    } cases[] = {
        {"M\n00:05 SYSEX F0 43 F7\n", "7", 0, "F0 43 F7", "M\n\n00:07 SYSEX F0 43 F7\n\n", "M\n\n00:07 SYSEX F0 43 F7\n\n"},
        {"M\n00:05 SYSEX F0 43 F7\n", nullptr, 2, "F0 43 F7", "M\n\n00:05 SYSEX F0 43 F7@1\n\n",
         "M\n\n00:05 SYSEX F0 43 F7@1\n\n"},
        {"M\n00:10 Message  hi  there\n", "12", 0, "hi  there", "M\n\n00:12 Message  hi  there\n\n",
         "M\n\n00:12 Message  hi  there\n\n"},
        // A page cue made a control change: its numbers emptied, a channel chosen.
        {"M\n00:05 Page 2\n", nullptr, 3, "", "M\n\n00:05 CC0:0@2\n\n", "M\n\n00:05 CC0:0@2\n\n", cuerow::KindControl},
        {"M\n00:05 Page 2\n", nullptr, 0, "", "M\n\n00:05 MIDI DRUMS\n\n", "M\n\n00:05 MIDI DRUMS\n\n", cuerow::KindGroup,
         "DRUMS:kit"},
    };
    auto group = std::make_shared<MidiFavEvent>(0);
    group->favEventID = QStringLiteral("DRUMS");
    group->favEventDescr = QStringLiteral("kit");
    Midi::MIDIfav() << group;
    open();
    int n = 0;
    for (const auto &c : cases) {
        const PiecesPtr p = song(QStringLiteral("S%1").arg(++n), QString::fromUtf8(c.note));
        show(p);
        QTableView *table = win.table();
        EXPECT_EQ(cell(table, 0, Cues::ColText), QString::fromUtf8(c.shown)) << c.note;
        if (c.kind >= 0)
            choose(clickCell(table, 0, Cues::ColKind), cuerow::kindItems(false).at(c.kind));
        if (c.time) {
            clickCell(table, 0, Cues::ColTime);
            typeAndReturn(QString::fromUtf8(c.time));
        }
        if (c.channel)
            choose(clickCell(table, 0, Cues::ColTarget), QStringLiteral("Ch. %1").arg(c.channel));
        if (c.group)
            choose(clickCell(table, 0, Cues::ColText), QString::fromUtf8(c.group));
        win.saveNote(false);
        EXPECT_EQ(noteOnDisk(p), QString::fromUtf8(c.once)) << c.note;
        loadEvents(p);
        win.refreshPieceDataEtForcerSave(true);
        EXPECT_EQ(noteOnDisk(p), QString::fromUtf8(c.twice)) << c.note;
    }
    win.hide();
}

// Before, every song change built a row of fields per cue, the window shown
// or not: a song of thousands of cues held the change for seconds.
TEST_F(WinNoteFTest, ASongChangeBuildsNoWidgetPerCueAndNoRowWhileHidden)
{
    QString many = QStringLiteral("Many\n");
    for (int i = 0; i < 3000; ++i)
        many += QStringLiteral("%1:%2 Page %3\n").arg(i / 60 % 100, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 40 + 1);
    const PiecesPtr few = song(QStringLiteral("Few"), QStringLiteral("Few\n00:01 Page 1\n")),
                    b = song(QStringLiteral("Many"), many);
    const QTableView *drawn = win.findChild<QTableView *>();
    auto masterShown = [this]() {
        for (const QLineEdit *e : win.findChildren<QLineEdit *>())
            if (e->placeholderText() == QStringLiteral("Master note"))
                return e->text();
        return QStringLiteral("<none>");
    };
    const struct {
        bool shown;
        int rowsDrawn;      // after the change, before anything asks for a row
        const char *master; // the master field then
    } cases[] = {{false, 0, ""}, {true, 3000, "Many"}};
    for (const auto &c : cases) {
        if (c.shown)
            open();
        show(few);
        const qsizetype widgets = win.findChildren<QWidget *>().size();
        show(b);
        EXPECT_EQ(drawn->model()->rowCount(), c.rowsDrawn) << c.shown;
        EXPECT_EQ(masterShown(), QString::fromUtf8(c.master)) << c.shown;
        EXPECT_EQ(win.findChildren<QWidget *>().size(), widgets) << c.shown;
        win.show();
        EXPECT_EQ(drawn->model()->rowCount(), 3000) << c.shown;
        EXPECT_EQ(masterShown(), QStringLiteral("Many")) << c.shown;
        EXPECT_EQ(cell(win.table(), 2999, Cues::ColA), QStringLiteral("40")) << c.shown;
    }
    win.hide();
}

// Keys go through the window as a performer's keyboard sends them, to
// whatever holds the focus.
TEST_F(WinNoteFTest, AShownWindowKeepsItsKeysSelectsRowsAndGoesAwayCleanly)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n00:10 Page 2\n00:20 Page 3\n"));
    auto *shown = new WinNoteF(writer);
    shown->setPDF(p, 1, true, false, 0, nullptr);
    loadEvents(p);
    shown->refreshSongEv();
    shown->showWin();
    QApplication::setActiveWindow(shown);
    QWindow *window = shown->windowHandle();
    ASSERT_NE(window, nullptr);
    const QList<qint64> windowKeys{42, 36, 37};
    auto pressWindowKeys = [&]() {
        codes.clear();
        for (Qt::Key k : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right})
            QTest::keyClick(window, k);
        return codes;
    };
    // Before, the "Text Mode" button, focused at opening and after a click,
    // took Space (the note mode swapped) and the arrows moved between buttons.
    EXPECT_EQ(pressWindowKeys(), windowKeys) << "as the window opens";
    QTest::mouseClick(shown->buttonTempoTap(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), shown->buttonTempoTap());
    EXPECT_EQ(pressWindowKeys(), windowKeys) << "after a click on a button";

    // Before, a click into a row's field left the row unselected, and the
    // row commands answered that a row must be selected.
    shown->selectRow(-1);
    QTableView *table = shown->table();
    clickCell(table, 1, Cues::ColTime);
    EXPECT_EQ(shown->selectedRow(), 1);
    clickCell(table, 0, Cues::ColA);
    EXPECT_EQ(shown->selectedRow(), 0);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n00:10 Page 2\n00:20 Page 3\n")) << "a time left as it was";

    // A completion in the comments is taken with Down and Return.
    Data::setGtempo(120);
    shown->commentsView()->setFocus();
    for (Qt::Key k : {Qt::Key_T, Qt::Key_Down, Qt::Key_Return})
        QTest::keyClick(window, k);
    EXPECT_EQ(shown->commentsView()->toPlainText(), QStringLiteral("Tempo=120"));

    // Before, the window went while a cue's time field had the focus: the
    // field's end of editing called back into the half-destroyed window.
    ASSERT_NE(qobject_cast<QLineEdit *>(clickCell(table, 1, Cues::ColTime)), nullptr);
    QTest::keyClick(window, Qt::Key_5);
    delete shown;
    QApplication::setActiveWindow(nullptr);
}

// Every kind of cue keeps its fields in the columns of the table: the time
// at the left edge, the kind beside it, the three numbers, the text or group,
// the window or destination pop-up at the right edge. Before, a row of
// fixed-width fields only (a page cue) spread them over the row.
TEST_F(WinNoteFTest, CueRowsKeepEveryFieldInItsColumn)
{
    auto group = std::make_shared<MidiFavEvent>(0);
    group->favEventID = QStringLiteral("DRUMS");
    Midi::MIDIfav() << group;
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n"));
    show(p);
    open();

    using cuerow::Row;
    using cuerowtest::row;
    const struct {
        Row in;
        const char *shown;
    } cases[] = {
        {row(0, "00:05"), ""},
        {row(1, "00:05", "", "2"), "a"},
        {row(2, "00:05", "", "2"), "a"},
        {row(3, "00:05", "Hello", "", "", "", "Lead"), "tw"},
        {row(4, "00:05", "Intro", "", "", "", "Lead"), "tw"},
        {row(5, "00:05", "Chorus"), "t"},
        {row(6, "00:05", "", "120"), "a"},
        {row(7, "00:05"), ""},
        {row(10, "00:05"), ""},
        {row(11, "00:05", "", "4"), "a"},
        {row(15, "00:05", "", "3"), "a"},
        {row(16, "00:05"), ""},
        {row(18, "00:05", "", "", "", "", "Lead"), "w"},
        {row(22, "00:05", "", "", "", "", "", "DRUMS"), "g"},
        {row(23, "00:05", "", "60", "100", "", "Ch. 1"), "abw"},
        {row(24, "00:05", "", "2", "5", "17", "Ch. 1"), "abcw"},
        {row(25, "00:05", "", "7", "100", "", "Ch. 1"), "abw"},
        {row(27, "00:05", "", "", "", "", "Ch. 1", "-6"), "gw"},
        {row(28, "00:05", "F0 43 F7", "", "", "", "Ch. 1"), "tw"},
    };

    QTableView *table = win.table();
    EXPECT_EQ(table->columnViewportPosition(Cues::ColTime), 0);
    EXPECT_EQ(table->columnViewportPosition(Cues::ColTarget) + table->columnWidth(Cues::ColTarget),
              table->viewport()->width());
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.in.kind);
        auto ev = std::make_shared<SongEv>();
        cuerow::applyRow(c.in, *ev);
        Data::songEvents() = {ev};
        win.refreshSongEv();
        EXPECT_EQ(cell(table, 0, Cues::ColKind), cuerow::kindItems(false).at(c.in.kind));
        EXPECT_EQ(cell(table, 0, Cues::ColTime), QStringLiteral("00:05"));
        const QString shown = QString::fromUtf8(c.shown);
        const struct {
            int column;
            const char *codes; // the fields it may hold
        } columns[] = {{Cues::ColA, "a"}, {Cues::ColB, "b"}, {Cues::ColC, "c"}, {Cues::ColText, "tg"},
                       {Cues::ColTarget, "w"}};
        for (const auto &col : columns) {
            const QModelIndex at = table->model()->index(0, col.column);
            const QString codes = QString::fromUtf8(col.codes);
            const bool here = std::any_of(codes.begin(), codes.end(), [&](QChar k) { return shown.contains(k); });
            EXPECT_EQ(bool(at.flags() & Qt::ItemIsEditable), here) << col.codes;
            if (!here)
                continue;
            QWidget *editor = clickCell(table, 0, col.column);
            const bool popUp = col.column == Cues::ColTarget || shown.contains(QLatin1Char('g'));
            EXPECT_EQ(qobject_cast<QComboBox *>(editor) != nullptr, popUp) << col.codes;
            EXPECT_TRUE(editor && table->visualRect(at).contains(editor->geometry().center())) << col.codes;
        }
    }
    win.hide();
}
