#include "ControllerTestSupport.h"

#include "events/windows/WinMsg.h"
#include "events/windows/WinNote.h"
#include "events/windows/WinNoteF.h"
#include "midi/Midi.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/GatedScan.h"

#include <QProcess>
#include <QScopeGuard>
#include <unistd.h>
#include <QTest>
#include <QThreadPool>

using namespace controllertest;

namespace {

class ControllerNotesTest : public ControllerFixture {
protected:
    // Three songs; the first two with notes.
    void startWithNotes(const QString &note1, const QString &note2)
    {
        manualClock();
        folderWithSongs(songs, 3);
        testsupport::writeFile(songs.filePath(QStringLiteral("s01.txt")), note1.toUtf8());
        testsupport::writeFile(songs.filePath(QStringLiteral("s02.txt")), note2.toUtf8());
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
        clock->advance(0.6); // the note timer
    }
    QString note(int n) const
    {
        written();
        QFile f(songs.filePath(QStringLiteral("s%1.txt").arg(n, 2, 10, QLatin1Char('0'))));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    static void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QTemporaryDir songs;
};

bool sent(const platform::LoopbackMidi &loop, const char *hex)
{
    for (const platform::LoopbackMidi::Sent &s : loop.sent())
        if (s.bytes == QByteArray::fromHex(hex))
            return true;
    return false;
}

} // namespace

TEST_F(ControllerNotesTest, NoteCommandsShowSwapAndClose)
{
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    Data::setFormattedNote(true);
    WinNoteF *form = controller->winNoteF();
    WinNote *text = controller->winNote();
    ASSERT_TRUE(form && text);
    EXPECT_EQ(form->masterNoteField()->text(), QStringLiteral("One")) << "the windows follow from start-up";

    postKey(vocab::ToggleNote);
    EXPECT_TRUE(form->isVisible());
    postKey(vocab::NoteDisplayMode);
    EXPECT_FALSE(Data::formattedNote());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->textView()->toPlainText(), QStringLiteral("One\n"));
    postKey(vocab::CloseNote);
    EXPECT_FALSE(text->isVisible());
    postKey(vocab::ToggleNoteWindow);
    EXPECT_TRUE(text->isVisible());
    postKey(vocab::CloseNoteWindow);
    EXPECT_FALSE(text->isVisible());
    controller->actionMenuItemNotes();
    EXPECT_TRUE(text->isVisible());
    text->move(40, 60);
    controller->toggleFormattedMode();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), text->pos()) << "the other window takes its place";
}

// A pedal moves on while a field is typed in, then the cue list is saved
// before the next song's note timer ran.
TEST_F(ControllerNotesTest, SongChangeMidEditAndSaveWithinHalfASecond)
{
    startWithNotes(QStringLiteral("One\n00:10 Page 2\n"), QStringLiteral("Two\n00:20 Page 4\n"));
    WinNoteF *form = controller->winNoteF();
    type(form->keyField(), QStringLiteral("E"));
    postKey(vocab::NextSong);
    // Before, the push refilled the fields and the key was lost.
    EXPECT_EQ(note(1), QStringLiteral("One\n\nKey=E\n\n00:10 Page 2\n\n"));
    clock->advance(0.6);
    ASSERT_EQ(form->masterNoteField()->text(), QStringLiteral("Two"));

    postKey(vocab::NextSong);
    ASSERT_TRUE(controller->noteTimer().isActive());
    ASSERT_EQ(Data::songEvents().size(), 1) << "the list still holds song two's cue";
    type(form->masterNoteField(), QStringLiteral("Three"));
    form->saveNote(false);
    // Before, song two's cue list was written into song three's note.
    EXPECT_EQ(note(3), QStringLiteral("Three\n\n"));
    EXPECT_EQ(note(2), QStringLiteral("Two\n00:20 Page 4\n"));
}

// A long note is parsed off the main thread: the note timer's turn is taken
// when the parse answers, for the song current then and its note as it is then.
TEST_F(ControllerNotesTest, LongNotesTakeTheirParseWhenItAnswers)
{
    const auto longNote = [](const QString &master, const QString &cue) {
        QString note = QStringLiteral("%1\n00:00 Message %2\n").arg(master, cue);
        for (int i = 0; i < 2000; ++i)
            note += QStringLiteral("01:%1 Page 2\n").arg(i % 60, 2, 10, QLatin1Char('0'));
        return note;
    };
    QStringList ran;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        QString(),
        [&ran](const platform::Notification &n) {
            if (n.name == QLatin1String("ActionMessage"))
                ran << n.param.toString().trimmed();
        },
        &owner);
    const auto answered = [&ran]() {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        return std::exchange(ran, {});
    };
    // Before, the pool's parse could answer before the first look.
    testsupport::Gate parse;
    NoteReads::setBeforeRead([parse]() { parse.wait(); });
    const auto release = qScopeGuard([&parse]() { parse.open(); NoteReads::setBeforeRead({}); });
    startWithNotes(longNote(QStringLiteral("One"), QStringLiteral("a")), longNote(QStringLiteral("Two"), QStringLiteral("b")));
    ASSERT_TRUE(controller->pendingSongRefresh()) << "song one's parse has not answered";
    parse.open();
    postKey(vocab::NextSong);
    clock->advance(0.6);
    EXPECT_EQ(answered(), QStringList{QStringLiteral("b")}) << "song one's cues never run on song two";

    const PiecesDetPtr one = Data::getPiece(1)->pieceDet;
    one->notetxt = longNote(QStringLiteral("One"), QStringLiteral("c"));
    postKey(vocab::PreviousSong);
    one->notetxt = longNote(QStringLiteral("One"), QStringLiteral("d"));
    clock->advance(0.6);
    EXPECT_EQ(answered(), QStringList{QStringLiteral("d")}) << "the note edited while its parse ran is parsed anew";
}

TEST_F(ControllerNotesTest, TypedLetterWhileRecordingBecomesATimedMessage)
{
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    Data::setCurrentGenreG(6);
    Data::initTimeLastPlayMute();
    clock->advance(15.2);
    Data::setRecOn(true);
    postKey(0); // "a"
    WinMsg *msg = controller->winMsg();
    ASSERT_TRUE(msg);
    EXPECT_TRUE(msg->isVisible());
    EXPECT_EQ(msg->txMsg()->text(), QStringLiteral("A"));
    EXPECT_EQ(msg->buttonMsg1()->text(), QStringLiteral("00:15"));
    msg->actionButtonMsg(1);
    EXPECT_TRUE(note(1).contains(QStringLiteral("00:15 Message A\n"))) << qPrintable(note(1));
}

TEST_F(ControllerNotesTest, TagDropKeepsThePlainWindowsTyping)
{
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    WinNote *text = controller->winNote();
    text->textView()->moveCursor(QTextCursor::End);
    QTest::keyClicks(text->textView(), QStringLiteral("typed line"));
    platform::NotificationCenter::defaultCenter().post(vocab::ActionInsererTag, QStringLiteral("rock"));
    // Before, the unsaved text was lost to the tag's save.
    EXPECT_EQ(note(1), QStringLiteral("One\n\nTags=rock\n\ntyped line\n\n"));
    EXPECT_EQ(text->textView()->toPlainText(), note(1));
}

// Recording cues mid-song saves the note each time; the song's program
// change is sent again only when its line changed.
TEST_F(ControllerNotesTest, SavesMidSongResendMidiOnlyWhenItChanged)
{
    platform::setMidiSystem(nullptr);
    platform::LoopbackMidi loop;
    loop.plugDevice(QStringLiteral("Synth"));
    platform::setMidiSystem(&loop);
    startWithNotes(QStringLiteral("One\n17@0\n"), QStringLiteral("Two\n"));
    setPages(3);
    clock->advance(1.0);
    loop.waitForIdle();
    EXPECT_TRUE(sent(loop, "c011"));

    loop.clearSent();
    Data::setRecOn(true);
    controller->updateItunesInfoX(QString(), QString(), 4.0, 200, false, false);
    controller->updateItunesInfoX(QString(), QString(), 5.5, 200, false, false);
    controller->actionDown();
    clock->advance(1.0);
    loop.waitForIdle();
    EXPECT_TRUE(note(1).contains(QStringLiteral("00:05 Page 3\n"))) << qPrintable(note(1));
    EXPECT_FALSE(sent(loop, "c011")) << "a recorded cue never re-sends the program change";

    Data::setRecOn(false);
    WinNote *text = controller->winNote();
    text->textView()->setPlainText(QStringLiteral("One\n18@0\n"));
    text->saveNote(false);
    clock->advance(1.0);
    loop.waitForIdle();
    EXPECT_TRUE(sent(loop, "c012"));
    controller.reset();
    platform::setMidiSystem(nullptr);
}

TEST_F(ControllerNotesTest, QuittingSavesAnEditInProgress)
{
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    type(controller->winNoteF()->keyField(), QStringLiteral("F"));
    // Before, quitting with a field being typed in lost the edit.
    controller->applicationWillTerminate();
    EXPECT_EQ(note(1), QStringLiteral("One\n\nKey=F\n\n"));
}

// Another program appends to the note of the song on screen (a text editor,
// a sync tool). Before, the played date written 30 s later came from the
// program's earlier copy, and the appended line was gone.
TEST_F(ControllerNotesTest, ANoteAppendedElsewhereKeepsItsLineAfterThePlayedDate)
{
    startWithNotes(QStringLiteral("One\nKey=G\n"), QStringLiteral("Two\n"));
    clock->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    Data::setCurrentScreensetG(1);
    controller->gotoSongNo(1, false, true);
    ASSERT_EQ(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                                            QStringLiteral("printf 'Call the drummer\\n' >> \"$0\""),
                                                            songs.filePath(QStringLiteral("s01.txt"))}),
              0);
    clock->advance(30.0); // the played timer
    ASSERT_TRUE(Data::getPiece(1)->pieceDet->played);
    EXPECT_EQ(note(1), QStringLiteral("One\nKey=G\nCall the drummer\nLastPlayedDate1=2026-12-07\n"));
    EXPECT_TRUE(controller->winNoteF()->commentsView()->toPlainText().contains(QStringLiteral("Call the drummer")))
        << "the window shows the note as now stored";
    EXPECT_EQ(QDir(songs.path()).entryList({QStringLiteral("*.txt")}).size(), 2) << "nothing to keep beside";
}

// The performer edits the note in the formatted window while another
// program changed it on disk: both versions are kept and the message line
// says where. Before, the window's save silently replaced the other version.
TEST_F(ControllerNotesTest, AnEditAgainstANoteChangedElsewhereKeepsBoth)
{
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    clock->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    testsupport::writeFile(songs.filePath(QStringLiteral("s01.txt")), "One\nsynced from the phone\n");
    WinNoteF *form = controller->winNoteF();
    type(form->keyField(), QStringLiteral("E"));
    QTest::keyClick(form->keyField(), Qt::Key_Return);
    EXPECT_EQ(note(1), QStringLiteral("One\n\nKey=E\n\n"));
    const QString kept = QStringLiteral("s01 (changed elsewhere 2026-12-07 21.00).txt");
    QFile other(songs.filePath(kept));
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), QByteArray("One\nsynced from the phone\n"));
    ASSERT_TRUE(window());
    EXPECT_EQ(window()->messages.value(window()->messages.size() - 1),
              QStringLiteral("⚠️ The note of \"Song 01\" was changed elsewhere while you edited it: yours is saved, "
                             "the other version is kept beside it as \"%1\".")
                  .arg(kept));
    EXPECT_TRUE(dialogs.records().isEmpty());
}

// Two saves of a silent note, the first refused by the file system: before,
// the second expected the first's text on disk and said the note had been
// changed elsewhere, keeping its own old words beside it.
TEST_F(ControllerNotesTest, ASaveQueuedBehindAFailedOneFindsNothingChangedElsewhere)
{
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    // A note with a second name is written through itself, by way of its bytes kept beside it: a folder there refuses.
    const QString note1 = songs.filePath(QStringLiteral("s01.txt")), obstacle = songs.filePath(QStringLiteral(".s01.txt.kept"));
    const NoteWriter::ScopedFileCall share{[answers, note1, obstacle, first = true](const QString &path) mutable {
        if (path == note1 && std::exchange(first, false))
            answers.wait();
        else if (path == note1)
            QDir().rmdir(obstacle);
    }};
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    ASSERT_EQ(::link(QFile::encodeName(note1).constData(), QFile::encodeName(songs.filePath(QStringLiteral("other name"))).constData()), 0);
    ASSERT_TRUE(QDir().mkdir(obstacle));
    WinNote *text = controller->winNote();
    for (const QString &typed : {QStringLiteral("first"), QStringLiteral("second")}) {
        text->textView()->moveCursor(QTextCursor::End);
        QTest::keyClicks(text->textView(), typed);
        text->saveNote(false);
    }
    answers.open();
    EXPECT_EQ(note(1), QStringLiteral("One\nfirstsecond\n"));
    ASSERT_TRUE(window());
    EXPECT_TRUE(window()->messages.filter(QStringLiteral("could not be saved")).size() == 1) << window()->messages.join(u'|').toStdString();
    EXPECT_TRUE(window()->messages.filter(QStringLiteral("changed elsewhere")).isEmpty()) << window()->messages.join(u'|').toStdString();
}

// The played date and a save typed in a notes window are queued for the same
// note while its share does not answer, in either order (song one the date,
// then the plain window's save; song two the formatted window's save, then
// the date): once the share answers, each note holds both.
TEST_F(ControllerNotesTest, ThePlayedDateAndATypedSaveQueuedOnASilentNoteKeepBoth)
{
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    const NoteWriter::ScopedFileCall share{[answers](const QString &) mutable { answers.wait(); }};
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    clock->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
    Data::setCurrentScreensetG(1);
    for (const int song : {1, 2}) {
        controller->gotoSongNo(song, false, true);
        clock->advance(0.6); // the note timer
        for (int step = 0; step < 2; ++step) {
            if ((step == 0) == (song == 1)) {
                clock->advance(30.0); // the played timer
                ASSERT_TRUE(Data::getPiece(song)->pieceDet->played);
            } else if (song == 1) {
                WinNote *text = controller->winNote();
                text->textView()->moveCursor(QTextCursor::End);
                QTest::keyClicks(text->textView(), QStringLiteral("typed"));
                text->saveNote(false);
            } else {
                type(controller->winNoteF()->keyField(), QStringLiteral("F"));
                QTest::keyClick(controller->winNoteF()->keyField(), Qt::Key_Return);
            }
        }
    }
    ASSERT_FALSE(controller->noteWriter()->idle()) << "nothing written while the share is silent";
    answers.open();
    EXPECT_EQ(note(1), QStringLiteral("One\nLastPlayedDate1=2026-12-07\ntyped\n"));
    EXPECT_EQ(note(2), QStringLiteral("Two\n\nKey=F\n\nLastPlayedDate1=2026-12-07\n"));
}

// Before, the words that a note does not answer went after eight seconds, its
// write still waiting, and stayed eight seconds past its end.
TEST_F(ControllerNotesTest, ANoteSaidNotToAnswerIsSaidUntilItsWriteEndsThenTheNextOneWaiting)
{
    testsupport::Gate gates[2], reached[2];
    const std::shared_ptr<void> atTheEnd(nullptr, [gates](void *) mutable { gates[0].open(), gates[1].open(); });
    const NoteWriter::ScopedFileCall share{[gates, reached](const QString &path) mutable {
        const bool second = path.endsWith(QStringLiteral("s02.txt"));
        reached[second].open();
        gates[second].wait();
    }};
    startWithNotes(QStringLiteral("One\n"), QStringLiteral("Two\n"));
    Data::setCurrentScreensetG(1);
    for (const int song : {1, 2}) {
        controller->gotoSongNo(song, false, true);
        clock->advance(30.6); // the note and played timers: the played date is written
    }
    // The clock steps only once the writer's thread waits on the note: before, it
    // stepped while the write was on its way there, and the notice came later.
    const auto saidAfter = [this](const testsupport::Gate &waiting, double seconds) {
        if (!testsupport::waitFor([&waiting] { return waiting.isOpen(); }))
            return QString();
        for (double t = 0; t < seconds; t += 0.5)
            clock->advance(0.5), testsupport::processEvents();
        return window()->heldNotice();
    };
    EXPECT_TRUE(saidAfter(reached[0], WindowPDFxSuper::kNoticeSeconds * 2).contains(QStringLiteral("\"Song 01\" does not answer")));
    gates[0].open();
    ASSERT_TRUE(testsupport::waitFor([this] { return window()->heldNotice().isEmpty(); }));
    EXPECT_TRUE(saidAfter(reached[1], 1.0).contains(QStringLiteral("\"Song 02\" does not answer")));
    // Before, this write ended after the test, in the test's folder made again.
    gates[1].open();
    EXPECT_TRUE(controller->noteWriter()->waitForIdle());
}

// Before, a record that wanted a ChordPro song's header (here a setlist line
// for a song outside the library's lists) read the song file on the main
// thread. Now the controller reads it off that thread, and the record takes
// the answer once the share answers.
TEST_F(ControllerNotesTest, AChordProHeaderNotReadYetComesThroughTheControllersFileWork)
{
    QTemporaryDir elsewhere;
    startWithSongs(songs, 1);
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    ControllerTestAccess::setSongFileCall(*controller, [answers]() { answers.wait(); });
    QObject owner;
    QList<qint64> posted;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey, [&posted](const platform::Notification &n) { posted << n.intParam(); }, &owner);
    const QString path = controllertest::chordProSong(elsewhere.path(), QStringLiteral("Loose.chopro"),
                                                      QStringLiteral("Loose Song"), QStringLiteral("Trio"));
    const notefile::ReadResult noNote; // as the setlist's line takes it: its note is not read either
    const PiecesPtr row = Pieces::initWithPDF(path, QStringLiteral("Loose.chopro"), -1, 0, nullptr, true, 0,
                                              QString(), {}, nullptr, &noNote);
    EXPECT_EQ(row->pieceDet->titre, QStringLiteral("Loose"));
    answers.open();
    ASSERT_TRUE(testsupport::waitFor([&row] { return row->pieceDet->titre == QStringLiteral("Loose Song"); }));
    EXPECT_EQ(row->pieceDet->auteur, QStringLiteral("Trio"));
    EXPECT_EQ(posted, QList<qint64>{vocab::SongInfoChanged});
}
