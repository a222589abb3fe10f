#include "chordpro/editor/WinEdit.h"

#include "ChordProTestUtil.h"
#include "chordpro/ChordProEditing.h"
#include "chordpro/editor/EditorPreview.h"
#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/TransposeList.h"
#include "chords/SongFileEdit.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "library/SongFileCheck.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QThread>
#include <QFile>
#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <array>
#include <atomic>
#include <gtest/gtest.h>

using namespace chordpro::editing;

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
}

// One editor on a library folder, with scripted dialogs and the posted codes recorded.
class WinEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        Data::setDirX(dir.path());
        Midi::lastTx().clear();
        observer = center().addObserver(vocab::ActionKey, [this](const platform::Notification &n) {
            codes.push_back(int(n.intParam()));
        });
    }
    void TearDown() override { center().removeObserver(observer); }

    static platform::NotificationCenter &center() { return platform::NotificationCenter::defaultCenter(); }
    EditorTextView *editor() { return win.txViewEdit(); }
    QString text() { return editor()->toPlainText(); }
    QString songFile(const QString &name, const QString &content)
    {
        return testsupport::writeFile(dir.filePath(name), content.toUtf8());
    }
    // The text is read off the main thread: the window shows once it answers.
    void openFile(const QString &path, const PiecesPtr &piece = nullptr)
    {
        win.ouvrir(piece, path, false);
        ASSERT_TRUE(testsupport::waitFor([this] { return !win.reading(); }));
        ASSERT_TRUE(win.isVisible());
    }
    // A save is written off the main thread: waits until it answers.
    void saved()
    {
        ASSERT_TRUE(testsupport::waitFor([this] { return !win.saving(); }));
    }
    void moveCursorTo(int position)
    {
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(position);
        editor()->setTextCursor(cursor);
    }

    // No song file is read or written on the main thread.
    testsupport::MainThreadFilesFail guard;
    QTemporaryDir dir;
    platform::ScriptedDialogs dialogs;
    testsupport::FreshDefaults defaults;
    WinEdit win;
    std::vector<int> codes;
    platform::NotificationCenter::ObserverId observer = 0;
};

TEST_F(WinEditTest, ANewSongStartsFromTheTemplateWithTheInstructionsSelected)
{
    openFile(QString());
    EXPECT_EQ(text(), defaultStringPourNouveau());
    EXPECT_EQ(editor()->textCursor().selectionStart(), kTemplateHeadLength);
    EXPECT_EQ(editor()->textCursor().selectionEnd(), defaultStringPourNouveau().size());
    EXPECT_EQ(win.windowTitle(), QStringLiteral("New Song:(no title)"));
    EXPECT_FALSE(win.txView()->pages().empty());
    EXPECT_EQ(win.labelNbPages()->text(), pageLabel(int(win.txView()->pages().size())));

    // Typing replaces the instructions; the title follows the text.
    QTest::keyClicks(editor(), QStringLiteral("la"));
    EXPECT_EQ(text(), defaultStringPourNouveau().left(kTemplateHeadLength) + QStringLiteral("la"));
    EXPECT_TRUE(win.modifiee());
    moveCursorTo(7);
    QTest::keyClicks(editor(), QStringLiteral("Hey "));
    EXPECT_EQ(win.windowTitle(), QStringLiteral("Hey Title"));
    EXPECT_EQ(win.labelNbPages()->text(), QStringLiteral("1 page"));
}

TEST_F(WinEditTest, CompletionListsOfferChordsAndDirectivesOnce)
{
    openFile(songFile(QStringLiteral("s.chopro"), QStringLiteral("{title:S}\n[Am]la [G7]li\n")));
    moveCursorTo(int(text().size()));
    QTest::keyClicks(editor(), QStringLiteral("["));
    ASSERT_TRUE(editor()->completionVisible());
    EXPECT_EQ(editor()->completionEntries(),
              QStringList({"[", "[Am]", "[G7]", "[C]", "[D]", "[E]", "[F]", "[G]", "[A]", "[B]"}));
    QTest::keyClick(editor(), Qt::Key_Down);
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_TRUE(text().endsWith(QStringLiteral("\n[Am]")));
    EXPECT_FALSE(editor()->completionVisible());

    QTest::keyClicks(editor(), QStringLiteral(" {"));
    ASSERT_TRUE(editor()->completionVisible());
    EXPECT_EQ(editor()->completionEntries().size(), 9);
    editor()->acceptCompletion(8);
    EXPECT_TRUE(text().endsWith(QStringLiteral("[Am] {fontsize:18.0}")));
    EXPECT_FALSE(editor()->completionVisible());
    // Asked again for the same word, the list does not come back.
    QTest::keyClicks(editor(), QStringLiteral(" x["));
    ASSERT_TRUE(editor()->completionVisible());
    editor()->hideCompletion();
    editor()->complete();
    EXPECT_FALSE(editor()->completionVisible());
    // Any other key closes the list.
    QTest::keyClicks(editor(), QStringLiteral(" ["));
    ASSERT_TRUE(editor()->completionVisible());
    QTest::keyClicks(editor(), QStringLiteral("q"));
    EXPECT_FALSE(editor()->completionVisible());
}

// Keys sent through the window, as a keyboard's are. Before, Return with the
// typed word alone highlighted was swallowed, and a line break under a line
// left with an open "{" recoloured that line without end (a stack overflow).
TEST_F(WinEditTest, KeysThroughTheWindowTakeCompletionsAndBreakLines)
{
    openFile(songFile(QStringLiteral("o.chopro"), QStringLiteral("{title:S}\n[Am]la\n\nnext line\n")));
    QApplication::setActiveWindow(&win);
    editor()->setFocus();
    moveCursorTo(int(text().indexOf(QStringLiteral("\n\n"))) + 1);
    QWindow *window = win.windowHandle();
    ASSERT_NE(window, nullptr);
    for (const char c : std::string("{c: Outro}"))
        QTest::keyClick(window, c);
    EXPECT_FALSE(editor()->completionVisible());
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(text(), QStringLiteral("{title:S}\n[Am]la\n{c: Outro}\n\nnext line\n"));

    QTest::keyClick(window, '[');
    ASSERT_TRUE(editor()->completionVisible());
    QTest::keyClick(window, Qt::Key_Down);
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(text(), QStringLiteral("{title:S}\n[Am]la\n{c: Outro}\n[Am]\nnext line\n"));
    // With the typed word alone highlighted, Return is a line break.
    QTest::keyClick(window, '{');
    ASSERT_TRUE(editor()->completionVisible());
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(text(), QStringLiteral("{title:S}\n[Am]la\n{c: Outro}\n[Am]{\n\nnext line\n"));
    EXPECT_FALSE(editor()->completionVisible());
    QApplication::setActiveWindow(nullptr);
}

TEST_F(WinEditTest, ColoursFollowTheOneScan)
{
    const QString source = QStringLiteral("# top\n[C]la {c:note}\n# comment [G\nx] {soc\n}\n# last");
    openFile(songFile(QStringLiteral("c.chopro"), source));
    // The expected colour of each character, spans applied in closing order.
    std::vector<QColor> expected(size_t(source.size()));
    for (const ColourSpan &span : colourSpans(source)) {
        const QColor colour = span.kind == SpanKind::Chord       ? chordpro::namedColor(QStringLiteral("LyricsChordColor"))
                              : span.kind == SpanKind::Directive ? chordpro::namedColor(QStringLiteral("ChordProPageNoColor"))
                                                                 : QColor(Qt::gray);
        for (int i = span.start; i < span.start + span.length; ++i)
            expected[size_t(i)] = colour;
    }
    for (QTextBlock block = editor()->document()->begin(); block.isValid(); block = block.next()) {
        std::vector<QColor> actual(size_t(block.length()));
        for (const QTextLayout::FormatRange &range : block.layout()->formats())
            for (int i = range.start; i < range.start + range.length && i < int(actual.size()); ++i)
                actual[size_t(i)] = range.format.foreground().color();
        for (int i = 0; i < block.length() - 1; ++i)
            EXPECT_EQ(actual[size_t(i)].name(), expected[size_t(block.position() + i)].name())
                << "at " << block.position() + i << " in " << block.text().toStdString();
    }
}

TEST_F(WinEditTest, KeysInsertChordsAndMarkupAndStepTheFont)
{
    openFile(songFile(QStringLiteral("k.chopro"), QStringLiteral("{title:K}\n{fontsize:17.0}\n")));
    QGuiApplication::clipboard()->setText(QStringLiteral("copied by the user"));
    moveCursorTo(int(text().size()));
    QTest::keyClick(editor(), Qt::Key_C, Qt::AltModifier);
    QTest::keyClick(editor(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(text().endsWith(QStringLiteral("[C][G]")));
    // Inserting went through the text, never the clipboard (it used to hold the chord after).
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("copied by the user"));

    QTest::keyClick(editor(), Qt::Key_Tab);
    EXPECT_TRUE(text().endsWith(QStringLiteral("[G][")));
    QTest::keyClick(editor(), Qt::Key_Escape);  // closes the list, not the window
    EXPECT_FALSE(editor()->completionVisible());
    QTest::keyClick(editor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(text().endsWith(QStringLiteral("[G][{")));
    EXPECT_TRUE(win.isVisible());

    QTest::keyClick(editor(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{fontsize:17.1}")));
    QTest::keyClick(editor(), Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{fontsize:18.1}")));
    QTest::keyClick(editor(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{fontsize:18.0}")));

    // Alt-H highlights the selection.
    const qsizetype at = text().indexOf(QStringLiteral("[C]"));
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + 3), QTextCursor::KeepAnchor);
    editor()->setTextCursor(cursor);
    QTest::keyClick(editor(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{soh}[C]{eoh}[G]")));

    // Alt-Up and Alt-Left move the chords.
    QTest::keyClick(editor(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{soh}[C#]{eoh}[G#]"))) << text().toStdString();
    QTest::keyClick(editor(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_TRUE(text().contains(QStringLiteral("{soh}[Db]{eoh}[Ab]"))) << text().toStdString();

    // A key in the text clears the preview's mark.
    win.txView()->select(0, QRectF(0, 0, 10, 10));
    QTest::keyClick(editor(), Qt::Key_Right);
    EXPECT_FALSE(win.txView()->hasSelection());
}

TEST_F(WinEditTest, ConvertIsOneUndoableStep)
{
    const QString source = QStringLiteral("C       G\nThis is a song\n");
    openFile(songFile(QStringLiteral("u.chopro"), source));
    win.button(QStringLiteral("buttonConvert"))->click();
    EXPECT_EQ(text(), QStringLiteral("[C]This is [G]a song\n\n"));
    editor()->undo();
    EXPECT_EQ(text(), source);

    win.useNewString(QStringLiteral("{title:X}\n[C]la\n"));
    dialogs.clear();
    win.button(QStringLiteral("buttonConvert"))->click();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Current text is already fine. Nothing has to be converted."));
}

TEST_F(WinEditTest, ClosingPaths)
{
    const QString path = songFile(QStringLiteral("p.chopro"), QStringLiteral("{title:P}\n"));
    const struct {
        const char *name;
        const char *answer;   // to "Save changes?"; nullptr: closed by Ctrl+Enter
        bool closeBox;
        bool saved;
        bool open;
    } rows[] = {
        {"Escape, Yes", "Yes", false, true, false},
        {"Escape, No", "No", false, false, false},
        {"Escape, Cancel", "Cancel", false, false, true},
        {"close box, Yes", "Yes", true, true, false},
        {"close box, No", "No", true, false, false},
        {"close box, Cancel", "Cancel", true, false, true},
        {"Ctrl+Enter", nullptr, false, true, false},
    };
    for (const auto &row : rows) {
        testsupport::writeFile(path, "{title:P}\n");
        openFile(path);
        moveCursorTo(int(text().size()));
        QTest::keyClicks(editor(), QStringLiteral("la"));
        codes.clear();
        dialogs.clear();
        if (row.answer)
            dialogs.answerButton(QString::fromUtf8(row.answer));
        if (!row.answer)
            QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
        else if (row.closeBox)
            win.close();
        else
            QTest::keyClick(editor(), Qt::Key_Escape);
        saved();
        EXPECT_EQ(dialogs.texts(), row.answer ? QStringList{QStringLiteral("Save changes?")} : QStringList()) << row.name;
        EXPECT_EQ(readFile(path), row.saved ? QStringLiteral("{title:P}\nla") : QStringLiteral("{title:P}\n")) << row.name;
        EXPECT_EQ(codes, row.saved ? std::vector<int>{vocab::RefreshFolder} : std::vector<int>()) << row.name;
        EXPECT_EQ(win.isVisible(), row.open) << row.name;
        EXPECT_EQ(win.fichierCour().isEmpty(), !row.open) << row.name;
        win.hide();
    }
    // Unchanged, the window closes without a question.
    openFile(path);
    dialogs.clear();
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_FALSE(win.isVisible());
}

TEST_F(WinEditTest, SavingAnEntryAndNewSongs)
{
    // An entry whose file name holds "(...)" asks for the note and PDF defaults again.
    const QString path = songFile(QStringLiteral("Song(Band).chopro"), QStringLiteral("{title:Song}\n"));
    auto piece = std::make_shared<Pieces>();
    piece->pieceDet = std::make_shared<PiecesDet>();
    piece->pieceDet->fichier = path;
    piece->pieceDet->titre = QStringLiteral("Song");
    Data::setSongNoG_MIDISent(5);
    openFile(QString(), piece);
    EXPECT_EQ(win.windowTitle(), QStringLiteral("Song"));
    QTest::keyClicks(editor(), QStringLiteral("x"));
    EXPECT_FALSE(win.closeWin()); // it closes as the save answers
    saved();
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(readFile(path), QStringLiteral("x{title:Song}\n"));
    EXPECT_EQ(codes, std::vector<int>{vocab::RefreshNoteAndPdfDefaults});
    EXPECT_EQ(Data::songNoG_MIDISent(), 0);
    win.hide();

    const struct {
        const char *text;
        const char *message;  // nullptr: saved
        const char *file;
    } rows[] = {
        {"{title:Title}\n{st:Band}\n", "Please, replace 'Title' by a valid title for your song", nullptr},
        {"{title:Song}\n{st:Artist}\n", "Please, replace 'Artist' by a valid artist for your song", nullptr},
        {"{st:Band}\n", "A title must be specified. Please use Shift-Tab to insert a title spec.", nullptr},
        {"{title:///}\n", "Please enter a valid title.", nullptr},
        {"{title:Song}\n{st:Band}\n", nullptr, "Song(Band)_1.chopro"},
        {"{title:Solo}\n", nullptr, "Solo.chopro"},
    };
    for (const auto &row : rows) {
        openFile(QString());
        win.useNewString(QString::fromUtf8(row.text));
        dialogs.clear();
        codes.clear();
        QTest::keyClick(editor(), Qt::Key_Enter, Qt::ControlModifier);
        saved();
        if (row.message) {
            EXPECT_EQ(dialogs.texts(), QStringList{QString::fromUtf8(row.message)}) << row.text;
            EXPECT_TRUE(win.isVisible());
            EXPECT_TRUE(codes.empty());
        } else {
            EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.lastText().toStdString();
            EXPECT_EQ(readFile(dir.filePath(QString::fromUtf8(row.file))), QString::fromUtf8(row.text));
            EXPECT_EQ(codes, std::vector<int>{vocab::ReloadFolder});
            EXPECT_FALSE(win.isVisible());
        }
        win.hide();
    }
}

TEST_F(WinEditTest, AFailedSaveSaysWhyAndKeepsTheText)
{
    // Before, a write failure was not reported and the window closed with the text lost;
    // then one that failed after the window had gone (or a chord edit's) was only said.
    const QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", QFile::encodeName(data.path()));
    const auto unset = qScopeGuard([] { qunsetenv("TOLVANE_DATA_DIR"); });
    const QString missing = dir.filePath(QStringLiteral("gone/song.chopro"));
    const QString edited = QStringLiteral("{title:Kept}\nprecious");
    const struct {
        const char *name;
        bool closed;    // Escape while the save waits
        bool chordEdit; // a chord window's edit instead, made of the text it read
        // Written by another program after the editor read the song: the save goes over it, the copy holds it.
        const char *other = nullptr;
    } rows[] = {{"window open", false, false},
                {"window closed", true, false},
                {"chord edit", false, true},
                // Before, the other program's line was gone without a word.
                {"changed elsewhere", false, false, "{title:Kept}\nan added line\n"},
                {"changed elsewhere, the share held", true, false, "{title:Kept}\nan added line\n"}};
    for (const auto &row : rows) {
        dialogs.clear();
        codes.clear();
        const QString path = row.other ? songFile(QStringLiteral("there.chopro"), QStringLiteral("{title:Kept}\n")) : missing;
        if (row.chordEdit) {
            songfile::SongFileEdits chords;
            chords.edit(missing, edited, [](QString &) { return true; });
            ASSERT_TRUE(testsupport::waitFor([&chords] { return !chords.busy(); }));
        } else {
            openFile(path);
            win.useNewString(edited);
            testsupport::Gate share;
            if (row.closed)
                songfile::setFileCall([share](const QString &) { share.wait(); });
            if (row.other && !row.closed)
                songFile(QStringLiteral("there.chopro"), QString::fromUtf8(row.other));
            QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
            if (row.closed)
                QTest::keyClick(editor(), Qt::Key_Escape);
            if (row.other && row.closed)
                songFile(QStringLiteral("there.chopro"), QString::fromUtf8(row.other));
            share.open();
            saved();
            songfile::setFileCall({});
            EXPECT_EQ(win.isVisible(), !row.closed && !row.other) << row.name;
            EXPECT_EQ(text(), edited) << row.name;
        }
        const QDir keptFolder(data.filePath(QStringLiteral("Kept notes")));
        const QFileInfoList kept = keptFolder.entryInfoList(QDir::Files);
        ASSERT_EQ(kept.size(), 1) << row.name;
        EXPECT_EQ(readFile(kept.first().filePath()), row.other ? QString::fromUtf8(row.other) : edited) << row.name;
        EXPECT_EQ(kept.first().fileName().contains(QStringLiteral("(changed elsewhere ")), row.other != nullptr) << row.name;
        EXPECT_EQ(readFile(path), row.other ? edited : QStringLiteral("<missing>")) << row.name;
        ASSERT_EQ(dialogs.texts().size(), 1) << row.name;
        EXPECT_TRUE(dialogs.lastText().contains(platform::kept::named(kept.first().filePath())))
            << dialogs.lastText().toStdString();
        EXPECT_EQ(codes.empty(), !row.other) << row.name;
        QDir(keptFolder).removeRecursively();
        win.hide();
    }

    // A new song whose every name is taken says so, not "enter a valid title".
    testsupport::writeFile(dir.filePath(QStringLiteral("Full.chopro")), "");
    for (int n = 1; n <= 999; ++n)
        testsupport::writeFile(dir.filePath(QStringLiteral("Full_%1.chopro").arg(n)), "");
    openFile(QString());
    win.useNewString(QStringLiteral("{title:Full}\n"));
    dialogs.clear();
    EXPECT_FALSE(win.closeWin());
    saved();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_NE(dialogs.lastText(), QStringLiteral("Please enter a valid title."));
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("Full_999.chopro")));
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("is kept as"))) << dialogs.lastText().toStdString();
}

TEST_F(WinEditTest, ClearAsksUnlessThereIsNothingToLose)
{
    openFile(QString());
    win.button(QStringLiteral("buttonClear"))->click();  // new and untouched: no question
    EXPECT_EQ(text(), clearedText());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    win.button(QStringLiteral("buttonClear"))->click();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Contents has already been cleared."));

    openFile(songFile(QStringLiteral("c.chopro"), QStringLiteral("{title:C}\n")));
    dialogs.clear();
    dialogs.answerButton(QStringLiteral("No"));
    win.button(QStringLiteral("buttonClear"))->click();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Clear entire contents?")});
    EXPECT_EQ(text(), QStringLiteral("{title:C}\n"));
}

TEST_F(WinEditTest, TheTransposeListPostsItsChoice)
{
    openFile(songFile(QStringLiteral("t.chopro"), QStringLiteral("{title:T}\n{key:G}\n[G]la [C]li [D7]lo\n")));
    TransposeList list;
    list.remplir(win.chordProDocument());
    ASSERT_EQ(list.mTable()->rowCount(), 13);
    EXPECT_EQ(list.mTable()->currentRow(), 6);
    EXPECT_EQ(list.mTable()->item(0, 1)->text(), QStringLiteral("C#"));
    list.actionBemol();
    EXPECT_EQ(list.mTable()->item(0, 1)->text(), QStringLiteral("Db"));
    EXPECT_EQ(list.mTable()->item(0, 2)->text(), QStringLiteral("Db  Gb  Ab7  "));
    EXPECT_EQ(list.mTable()->currentRow(), 6);  // the choice keeps the row

    QList<qint64> posted;
    const auto id = center().addObserver(vocab::ActionTranspose,
                                         [&](const platform::Notification &n) { posted << n.intParam(); });
    list.mTable()->selectRow(0);
    QTest::keyClick(list.mTable(), Qt::Key_Return);
    center().removeObserver(id);
    EXPECT_EQ(posted, QList<qint64>{19});
    // The editor, listening too, moved the song up 6 with flats.
    EXPECT_EQ(text(), QStringLiteral("{title:T}\n{key:Db}\n[Db]la [Gb]li [Ab7]lo\n"));
}

TEST_F(WinEditTest, TheModalRunEndsWhenTheWindowCloses)
{
    const QString path = songFile(QStringLiteral("m.chopro"), QStringLiteral("{title:M}\n"));
    // Typed once the window shows, in its modal run.
    QTimer typing;
    QObject::connect(&typing, &QTimer::timeout, &win, [&] {
        if (!win.isVisible())
            return;
        typing.stop();
        QTest::keyClicks(editor(), QStringLiteral("z"));
        dialogs.answerButton(QStringLiteral("Yes"));
        QTest::keyClick(editor(), Qt::Key_Escape);
    });
    typing.start(0);
    win.showWin(nullptr, path, true);
    ASSERT_TRUE(testsupport::waitFor([&] { return !typing.isActive() && !win.isVisible(); }));
    EXPECT_EQ(readFile(path), QStringLiteral("z"));  // opened with everything selected
    EXPECT_FALSE(win.isVisible());
}

TEST_F(WinEditTest, TheFitCommandEndsOnTwoPages)
{
    QString song = QStringLiteral("{title:Long}\n{fontsize:17.0}\n");
    for (int i = 0; i < 50; ++i)
        song += QStringLiteral("[G]Walking down the [D]road at night, the [Em]city lights\n");
    openFile(songFile(QStringLiteral("f.chopro"), song));
    EXPECT_GT(win.txView()->pages().size(), 2u);
    win.button(QStringLiteral("buttonAutoSize"))->click();
    EXPECT_EQ(win.txView()->pages().size(), 2u);
    EXPECT_EQ(win.labelNbPages()->text(), QStringLiteral("2 pages"));
    editor()->undo();
    EXPECT_EQ(text(), song);
}

} // namespace

namespace {

TEST_F(WinEditTest, ThePreviewFollowsTheEditedLine)
{
    QString song = QStringLiteral("{title:Long}\n");
    for (int i = 0; i < 50; ++i)
        song += QStringLiteral("[G]Line %1 of the song\n").arg(i, 2, 10, QLatin1Char('0'));
    win.resize(1200, 600);
    openFile(songFile(QStringLiteral("l.chopro"), song));
    ASSERT_GE(win.txView()->pages().size(), 2u);
    moveCursorTo(int(text().indexOf(QStringLiteral("Line 49"))));
    QTest::keyClicks(editor(), QStringLiteral("x"));
    ASSERT_TRUE(win.txView()->hasSelection());
    const QRect mark = win.txView()->selectionRect();
    EXPECT_GE(mark.top(), win.txView()->pageTop(int(win.txView()->pages().size()) - 1));
    EXPECT_GT(win.previewScroll()->verticalScrollBar()->value(), 0);
}

// Before, the song's text was read and written on the main thread: a share
// that stopped answering froze every key until it answered.
TEST_F(WinEditTest, ASongOnASilentShareShowsAndSavesOnceItAnswers)
{
    platform::ManualClock clock;
    const QString path = songFile(QStringLiteral("h.chopro"), QStringLiteral("{title:H}\n"));
    testsupport::Gate reading, writing;
    // The share holds a chord edit of the song; the editor's read comes behind it.
    songfile::setFileCall([reading, first = std::make_shared<std::atomic_bool>(true)](const QString &) {
        if (first->exchange(false))
            reading.wait();
    });
    const auto unheld = qScopeGuard([] { songfile::setFileCall({}); });
    QStringList said, ended;
    QObject::connect(&win, &WinEdit::noAnswer, &win, [&](const QString &why) { said << why; });
    QObject::connect(&win, &WinEdit::answered, &win, [&](const QString &why) { ended << why; });
    songfile::SongFileEdits chords;
    const QString piano = QStringLiteral("{x_piano: Am inversion 1}\n");
    chords.edit(path, QString(), [piano](QString &song) { return !(song += piano).isEmpty(); });
    // Before, the editor read the file beside the waiting edit, and its save dropped that edit.
    win.ouvrir(nullptr, path, false);
    testsupport::processEvents();
    EXPECT_TRUE(win.reading());
    EXPECT_FALSE(win.isVisible());
    clock.advance(0.5);
    EXPECT_EQ(said, QStringList{songfile::noAnswer(path)});
    reading.open();
    ASSERT_TRUE(testsupport::waitFor([this] { return !win.reading(); }));
    EXPECT_TRUE(win.isVisible());
    EXPECT_EQ(text(), QStringLiteral("{title:H}\n") + piano);
    EXPECT_EQ(ended, said);

    songfile::setFileCall([writing](const QString &) { writing.wait(); });
    QTest::keyClicks(editor(), QStringLiteral("la"));
    QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
    testsupport::processEvents();
    EXPECT_TRUE(win.saving());
    EXPECT_TRUE(win.isVisible());
    // Before, the text turned read-only without a word, and what was typed then was in no file.
    clock.advance(0.5);
    const QString waits = saveAwaited(QStringLiteral("h.chopro"));
    EXPECT_TRUE(win.labelSaving()->isVisible());
    EXPECT_EQ(win.labelSaving()->text(), waits);
    QApplication::setActiveWindow(&win);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
    QTest::keyClick(editor(), Qt::Key_Escape); // gone at once, the save going on with what was typed
    EXPECT_FALSE(win.isVisible());
    writing.open();
    saved();
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(readFile(path), QStringLiteral("lax{title:H}\n") + piano);

    // Before, a quit during a save took the save for the text and lost what changed since it began.
    const QDir kept(platform::dataFolder() + QStringLiteral("/Kept notes"));
    const QStringList copiesOfH{QStringLiteral("h (edit not saved*")};
    for (const QString &earlier : kept.entryList(copiesOfH))
        QFile::remove(kept.filePath(earlier));
    songfile::setFileCall({});
    openFile(path);
    testsupport::Gate late;
    songfile::setFileCall([late](const QString &) { late.wait(); });
    QTest::keyClicks(editor(), QStringLiteral("do"));
    QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
    QApplication::setActiveWindow(&win);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z);
    late.open();
    // Written, its answer not yet taken as the quit begins.
    QElapsedTimer waited;
    waited.start();
    while (readFile(path) != QStringLiteral("dolax{title:H}\n") + piano && waited.elapsed() < 5000)
        QThread::yieldCurrentThread();
    EXPECT_TRUE(win.saving());
    platform::setQuitting(true);
    const auto unquit = qScopeGuard([] { platform::setQuitting(false); });
    win.close();
    songfile::SongFileEdits::settleAllOnQuit();
    const QStringList copies = kept.entryList(copiesOfH);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readFile(kept.filePath(copies.first())), QStringLiteral("dozlax{title:H}\n") + piano);
    QFile::remove(kept.filePath(copies.first()));
}

// Before, a song reached through a linked folder had a queue of its own: the
// editor opened through the link read the file beside a save still waiting
// through the other path, and the two queues wrote the file at once.
TEST_F(WinEditTest, OneSongReachedByTwoPathsHasOneQueue)
{
    const QString path = songFile(QStringLiteral("l.chopro"), QStringLiteral("{title:L}\n"));
    const QString linked = dir.filePath(QStringLiteral("link/l.chopro"));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("link"))));
    songfile::SongFileEdits saves;
    for (const QString &through : {path, linked}) { // each path's file is known once a call answers
        saves.edit(through, QString(), [](QString &) { return false; });
        ASSERT_TRUE(testsupport::waitFor([&saves] { return !saves.busy(); }));
    }
    testsupport::Gate share;
    songfile::setFileCall([share, path](const QString &asked) {
        if (asked == path)
            share.wait();
    });
    const auto unheld = qScopeGuard([] { songfile::setFileCall({}); });
    const QString saved = QStringLiteral("{title:L}\nsaved\n");
    saves.replace(path, saved, QStringLiteral("{title:L}\n"));
    win.ouvrir(nullptr, linked, false);
    EXPECT_FALSE(win.reading()) << "the text being saved, at once";
    EXPECT_EQ(text(), saved);
    share.open();
    ASSERT_TRUE(testsupport::waitFor([&saves] { return !saves.busy(); }));
    EXPECT_EQ(readFile(path), saved);
    win.hide();

    // Before, an edit said to wait while its thread changed the text held the main thread until it had.
    platform::ManualClock clock;
    testsupport::Gate inside, editing;
    saves.edit(path, QStringLiteral("{title:L}\n"), [inside, editing, main = QThread::currentThread()](QString &text) mutable {
        if (QThread::currentThread() != main) {
            inside.open();
            editing.wait();
        }
        return !(text += QStringLiteral("x")).isEmpty();
    });
    ASSERT_TRUE(testsupport::waitFor([inside] { return inside.isOpen(); }));
    clock.advance(0.5);
    // Then its copy was made of the text its window knew, not of the file its thread read.
    const QDir kept(platform::dataFolder() + QStringLiteral("/Kept notes"));
    const QStringList copies = kept.entryList({QStringLiteral("l (edit not saved*")});
    EXPECT_EQ(copies.size(), 1);
    EXPECT_EQ(readFile(kept.filePath(copies.value(0))), saved + QStringLiteral("x"));
    editing.open();
    ASSERT_TRUE(testsupport::waitFor([&saves] { return !saves.busy(); }));
    EXPECT_EQ(readFile(path), saved + QStringLiteral("x"));
}

// Before, edits waiting through a link were on disk in that path's copy alone, which went as its queue joined
// the file's, whose copy (its edit not read, no text known) could not take them; a quit then removed that one too.
TEST_F(WinEditTest, EditsWaitingThroughALinkStayOnDiskAsTheirQueueJoinsTheFiles)
{
    platform::ManualClock clock;
    const QString path = songFile(QStringLiteral("j.chopro"), QStringLiteral("{title:J}\n"));
    const QString linked = dir.filePath(QStringLiteral("link/j.chopro"));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("link"))));
    std::array<testsupport::Gate, 3> gates; // the path's first edit, its later ones, the link's
    const auto calls = std::make_shared<std::atomic_int>(0);
    songfile::setFileCall([gates, calls, path](const QString &asked) {
        gates[asked == path ? std::min(calls->fetch_add(1), 1) : 2].wait();
    });
    const auto unheld = qScopeGuard([gates]() mutable {
        std::ranges::for_each(gates, &testsupport::Gate::open);
        songfile::setFileCall({});
    });
    const auto adds = [](const char *line) { return [line](QString &text) { return !(text += line).isEmpty(); }; };
    const QDir kept(platform::dataFolder() + QStringLiteral("/Kept notes"));
    const auto keptHolds = [&kept](const char *line) {
        const QStringList copies = kept.entryList({QStringLiteral("j (edit not saved*")});
        return std::ranges::any_of(copies, [&](const QString &copy) { return readFile(kept.filePath(copy)).contains(line); });
    };
    songfile::SongFileEdits edits;
    edits.edit(path, QStringLiteral("{title:J}\n"), adds("a1\n"));
    clock.advance(0.5);
    edits.edit(path, QString(), adds("a2\n"));
    gates[0].open(); // a1 written, the file known; a2 held before its read
    ASSERT_TRUE(testsupport::waitFor([calls] { return calls->load() == 2; }));
    bool joined = false;
    edits.edit(linked, QStringLiteral("{title:J}\na1\n"), adds("b1\n"), [&joined](bool) { joined = true; });
    edits.edit(linked, QString(), adds("b2\n"));
    clock.advance(0.5);
    gates[2].open();
    ASSERT_TRUE(testsupport::waitFor([&joined] { return joined; }));
    EXPECT_TRUE(keptHolds("b2\n"));
    songfile::SongFileEdits::settleAllOnQuit();
    EXPECT_TRUE(keptHolds("a2\n") && keptHolds("b2\n"));
}

TEST_F(WinEditTest, AFileThatIsNotTextIsNeverOpened)
{
    const QString path = testsupport::writeFile(dir.filePath(QStringLiteral("b.chopro")), QByteArray("ab\0cd", 5));
    win.ouvrir(nullptr, path, false);
    ASSERT_TRUE(testsupport::waitFor([this] { return !win.reading(); }));
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_FALSE(win.isVisible());
    EXPECT_EQ(readFile(path).toUtf8(), QByteArray("ab\0cd", 5));
}

} // namespace
