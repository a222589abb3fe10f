#include "ControllerTestSupport.h"

#include "events/windows/WinMsg.h"
#include "events/windows/WinNote.h"
#include "events/windows/WinNoteF.h"
#include "midi/Midi.h"
#include "platform/midi/LoopbackMidi.h"

#include <QTest>

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
