#include "NotesWindowsTestSupport.h"

#include "events/windows/ViewMemoCell.h"
#include "events/windows/WinMsg.h"
#include "events/windows/WinNote.h"
#include "platform/Keys.h"
#include "windows/DragTypes.h"

#include "QStringPrint.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QTest>
#include <QThreadPool>
#include <QWindow>

using namespace notestest;

namespace {

class WinNoteTest : public NotesFixture {
protected:
    void SetUp() override
    {
        NotesFixture::SetUp();
        plain.setRefwNoteF(&formatted);
    }
    void show(const PiecesPtr &p)
    {
        formatted.setPDF(p, 3, true, false, 0, nullptr);
        plain.setPDF(p, 3, true, false, 0, nullptr);
        loadEvents(p);
        formatted.refreshSongEv();
    }

    WinNoteF formatted{writer};
    WinNote plain{writer};
};

} // namespace

TEST_F(WinNoteTest, SavingWritesTheTextWithALineEnd)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("old\n"));
    show(p);
    EXPECT_EQ(plain.windowTitle(), QStringLiteral("Notes: A"));
    // Before, the hidden window laid out the whole note at every song change.
    const QPlainTextEdit *view = plain.findChild<QPlainTextEdit *>();
    EXPECT_TRUE(view->document()->isEmpty());
    plain.show();
    EXPECT_EQ(view->toPlainText(), QStringLiteral("old\n"));
    plain.hide();
    plain.saveNote(false);
    EXPECT_TRUE(codes.isEmpty()) << "nothing edited, nothing written";
    plain.textView()->setPlainText(QStringLiteral("Title=X"));
    plain.saveNote(false);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Title=X\n"));
    EXPECT_TRUE(codes.contains(vocab::SongInfoChanged));
    plain.textView()->setPlainText(QString());
    plain.saveNote(false);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("<none>")) << "an emptied note deletes its file";
    EXPECT_FALSE(p->pieceDet->note);

    // A long note shown is laid out on the pool, its start shown meanwhile:
    // an insert made before it comes goes into the whole note.
    const QString longNote = QStringLiteral("Long\n") + QStringLiteral("00:01 Page 1\n").repeated(2000);
    const PiecesPtr l = song(QStringLiteral("L"), longNote);
    plain.show();
    show(l);
    EXPECT_TRUE(view->isReadOnly());
    EXPECT_LT(view->toPlainText().size(), longNote.size());
    plain.insererMidiIntoNote(QStringLiteral("MIDI X"));
    EXPECT_EQ(noteOnDisk(l), longNote + QStringLiteral("\nMIDI X\n"));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->toPlainText(), noteOnDisk(l)) << "the layout begun before the insert is dropped";
    plain.hide();
}

TEST_F(WinNoteTest, MarkerButtonsAddCuesThroughTheFormattedWindow)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\nmy own words\n"));
    show(p);
    plain.updateItunesInfo(QString(), QString(), 95.7, 200, false);
    plain.afficherZoomBas();
    EXPECT_EQ(plain.buttonEVa()->text(), QStringLiteral("01:35 Page 3 Bottom"));
    EXPECT_EQ(plain.buttonEVb()->text(), QStringLiteral("01:35 Message"));
    EXPECT_TRUE(plain.buttonEVc()->isHidden());
    // Typed but not yet saved: the marker keeps it.
    plain.textView()->moveCursor(QTextCursor::End);
    QTest::keyClicks(plain.textView(), QStringLiteral("more"));
    plain.actionEV(1);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("Master\n\n01:35 Page 3 Bottom\n\nmy own words\nmore\n\n"));
    EXPECT_EQ(plain.textView()->toPlainText(), noteOnDisk(p));
}

TEST_F(WinNoteTest, KeysInsertsAndTagDrops)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("Master\n"));
    show(p);
    plain.show();
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's clipboard"));
    plain.textView()->moveCursor(QTextCursor::End);
    plain.actionInsererMIDIn(1);
    plain.actionInsererMIDIn(9);
    EXPECT_EQ(plain.textView()->toPlainText(), QStringLiteral("Master\nCC"));
    // Before, inserts went through the clipboard and left it empty.
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));

    // Keys the text does not take reach the window.
    plain.buttonEVa()->setFocus();
    codes.clear();
    for (auto [key, mods] : {std::pair{Qt::Key_Period, Qt::NoModifier}, std::pair{Qt::Key_Greater, Qt::ShiftModifier},
                             std::pair{Qt::Key_Minus, Qt::NoModifier}}) {
        QKeyEvent e(QEvent::KeyPress, key, mods, key == Qt::Key_Greater ? QStringLiteral(">") : QString(QChar(key)));
        QApplication::sendEvent(&plain, &e);
    }
    EXPECT_EQ(codes, (QList<qint64>{74, 86, 73}));

    Data::tags() << QStringLiteral("rock") << QStringLiteral("live");
    std::unique_ptr<QMimeData> tag(dragtypes::rowsMimeData(dragtypes::TagsDataType, {1}));
    ASSERT_TRUE(NoteTextView::droppedTag(tag.get()));
    EXPECT_EQ(*NoteTextView::droppedTag(tag.get()), QStringLiteral("live"));
    std::unique_ptr<QMimeData> outside(dragtypes::rowsMimeData(dragtypes::TagsDataType, {5}));
    EXPECT_FALSE(NoteTextView::droppedTag(outside.get()));
}

// Before, Return put a line break in place of the entry picked, and the list
// could not be worked from the keyboard.
TEST_F(WinNoteTest, ACompletionIsWorkedFromTheKeyboard)
{
    const PiecesPtr p = song(QStringLiteral("A"), QString());
    show(p);
    plain.show();
    QApplication::setActiveWindow(&plain);
    Data::setGtempo(120);
    const struct {
        std::vector<Qt::Key> keys;
        const char *text;
    } cases[] = {
        {{Qt::Key_T, Qt::Key_Down, Qt::Key_Return}, "Tempo=120"},
        {{Qt::Key_T, Qt::Key_Down, Qt::Key_Down, Qt::Key_Tab}, "Title="},
        {{Qt::Key_T, Qt::Key_Down, Qt::Key_Escape, Qt::Key_Return}, "t\n"},
        {{Qt::Key_T, Qt::Key_Return}, "t\n"}, // nothing picked: a line break
        {{Qt::Key_T, Qt::Key_X, Qt::Key_Return}, "tx\n"},
        {{Qt::Key_T, Qt::Key_Down, Qt::Key_Left, Qt::Key_Return}, "\nt"},
    };
    auto *list = plain.textView()->findChild<QListWidget *>(QStringLiteral("completionList"));
    ASSERT_NE(list, nullptr);
    for (const auto &c : cases) {
        plain.textView()->clear();
        plain.textView()->setFocus();
        for (Qt::Key k : c.keys)
            QTest::keyClick(plain.windowHandle(), k);
        EXPECT_EQ(plain.textView()->toPlainText(), QString::fromUtf8(c.text));
        EXPECT_TRUE(list->isHidden()) << c.text;
    }
    plain.textView()->clear();
    QApplication::setActiveWindow(nullptr);
    plain.hide();
}

TEST_F(WinNoteTest, UnreadableNoteIsReadOnly)
{
    const PiecesPtr p = song(QStringLiteral("A"), QStringLiteral("precious\n"));
    p->pieceDet->noteUnreadable = true;
    show(p);
    EXPECT_TRUE(plain.readOnly());
    plain.insererMidiIntoNote(QStringLiteral("MIDI X"));
    plain.actionEV(1);
    EXPECT_EQ(noteOnDisk(p), QStringLiteral("precious\n"));
    EXPECT_TRUE(dialogs.records().isEmpty());
}

TEST_F(WinNoteTest, TimedMessageWindowInsertsAtItsTime)
{
    WinMsg msg;
    msg.showWin(83.9, QStringLiteral("Intr"));
    EXPECT_EQ(msg.buttonMsg1()->text(), QStringLiteral("01:23"));
    EXPECT_EQ(msg.buttonMsg2()->text(), QStringLiteral("00:00"));
    msg.updateItunesInfo(QString(), QString(), 90.2, 200, false);
    EXPECT_EQ(msg.buttonMsg2()->text(), QStringLiteral("01:30"));
    msg.showWin(100, QStringLiteral("Intro"));
    EXPECT_EQ(msg.buttonMsg1()->text(), QStringLiteral("01:23")) << "an open window keeps its first time";
    msg.actionButtonMsg(1);
    EXPECT_EQ(named.filter(vocab::ActionInsererMessage), QStringList{QStringLiteral("ActionInsererMessage=01:23 Message Intro")});
    EXPECT_FALSE(msg.isVisible());
    EXPECT_EQ(msg.buttonMsg1()->text(), QStringLiteral("00:00"));
    named.clear();
    msg.showWin(5, QStringLiteral("x"));
    msg.actionButtonMsg(3);
    EXPECT_TRUE(named.filter(vocab::ActionInsererMessage).isEmpty());
}

TEST_F(WinNoteTest, EventCellInsertsTheLastMidi)
{
    ViewMemoCell cell;
    QList<QObject *> rows;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::EventUpdateRow, [&](const platform::Notification &n) { rows << n.object.data(); }, &cell);
    Midi::setNbLastEvents(1);
    Midi::setLastChannel(4);
    Midi::setLastLSBValue(2);
    Midi::setLastProgramChangeValue(5);
    const struct {
        qint32 msb;
        const char *inserted;
    } cases[] = {{0, "2:5@4\n"}, {1, "1.2:5@4\n"}};
    for (const auto &c : cases) {
        cell.textView1()->clear();
        Midi::setLastMSBValue(c.msb);
        cell.actionInsererMIDIa();
        EXPECT_EQ(cell.textView1()->toPlainText(), QString::fromUtf8(c.inserted));
    }
    {
        std::lock_guard lock(Midi::textMutex());
        Midi::lastEvents() = QStringLiteral("\n1:1@0\nCC7:1@0\n2:2@0");
    }
    Midi::setNbLastEvents(3);
    cell.textView1()->clear();
    cell.actionInsererMIDIa();
    EXPECT_EQ(cell.textView1()->toPlainText(), QStringLiteral("\n1:1@0\nCC7:1@0\n2:2@0\n"));
    cell.refreshLastMIDIdata();
    EXPECT_EQ(cell.buttonMIDIa()->text(), QStringLiteral("(3 events)@4"));
    cell.actionInsererMIDIn(6);
    EXPECT_TRUE(cell.textView1()->toPlainText().endsWith(QStringLiteral("Tempo")));
    EXPECT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.first(), &cell);
    Midi::setNbLastEvents(0);
    Midi::setLastMSBValue(-1);
}

// Before, one click on Close over a note that could not be written showed two
// stacked alerts (the first took the keys from the window, whose leaving saved
// and failed again under it), and the edit was in no file.
TEST_F(WinNoteTest, ANoteThatCannotBeWrittenIsToldOnceAndKeepsTheEdit)
{
    QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    QWidget box; // the alert on screen
    box.show();
    dialogs.whileAlertOpen([&box]() { QApplication::setActiveWindow(&box); });
    const struct {
        const char *song;
        NoteWindow *window;
        QWidget *field;
    } rows[] = {{"Plain", &plain, plain.textView()}, {"Formatted", &formatted, formatted.masterNoteField()}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.song);
        const PiecesPtr p = song(QString::fromLatin1(row.song), QStringLiteral("Old words\n"));
        show(p);
        row.window->show();
        row.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(row.window));
        testsupport::clickThroughWindow(row.field);
        ASSERT_EQ(QApplication::focusWidget(), row.field);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" typed on stage"));
        // Another program puts a folder where the note was.
        const QString note = notefile::notePathForSong(p->getPath());
        ASSERT_TRUE(QFile::remove(note) && QDir().mkdir(note));
        dialogs.clear();

        named.clear();
        row.window->close();
        ASSERT_TRUE(writer.waitForIdle());
        EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.texts().join(QLatin1Char('\n')).toStdString();
        const QStringList told = named.filter(vocab::ActionNotice + QLatin1Char('='));
        ASSERT_EQ(told.size(), 1) << named.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(QFileInfo(note).isDir());
        const QFileInfoList kept = QDir(data.filePath(QStringLiteral("Kept notes")))
                                       .entryInfoList({QString::fromLatin1(row.song) + QStringLiteral(" (edit not saved *")});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(told.first().contains(kept.first().filePath())) << told.first().toStdString();
        EXPECT_TRUE(readFile(kept.first().filePath()).contains(QStringLiteral("typed on stage")))
            << readFile(kept.first().filePath()).toStdString();
    }
    dialogs.whileAlertOpen({});
    qunsetenv("TOLVANE_DATA_DIR");
}
