// The gig with the library folder on a share that stops answering: every
// window that reads or writes a song or a note answers the keys meanwhile,
// says why it waits, and loses no edit, whether the share answers or the
// program quits first.
#include "GigFixture.h"

#include "chordpro/editor/EditorTextView.h"
#include "chordpro/editor/WinEdit.h"
#include "chords/SongFileEdit.h"
#include "chords/windows/ChordLibrary.h"
#include "chords/windows/WindowChords.h"
#include "events/windows/WinNoteF.h"
#include "library/NoteWriter.h"
#include "library/SongFileCheck.h"
#include "platform/Dialogs.h"
#include "platform/MainMenu.h"
#include "platform/ModalRun.h"
#include "platform/RegularFile.h"
#include "settings/WinVersions.h"
#include "support/CapturedWarnings.h"
#include "support/GatedScan.h"
#include "windows/WindowFactory.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QThread>

using gigtest::GigFixture;

namespace {

QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

namespace {

// A share that stops answering for one file of the library folder.
struct HeldSong {
    const char *held;  // the file it holds
    const char *title; // the song that looks at it
    const char *shown = nullptr; // the file that song shows once the share answers
    const char *next;            // the song after it
    bool lead = false;           // looked at by a window bound to "Lead", for the song's version
    const char *typed = nullptr; // a held note: typed into the notes window and left unsaved (else its played date)
    enum class Then { Answers, Quits, Ends } then = Then::Answers; // a held note: what comes while it is silent
    // The chord library on the held song: opened from the menu, from the strip, or the read after its edit.
    enum class Library { Menu, Strip, Edit } library = Library::Menu;
};

void PrintTo(const HeldSong &row, std::ostream *os)
{
    *os << row.held;
}

class HeldSongFile : public GigFixture, public ::testing::WithParamInterface<HeldSong> {
protected:
    const testsupport::MainThreadFilesFail guard; // no file of the library is asked for on the main thread
    // What the Tolvane window's panes on screen say (each text once).
    static QStringList said(WindowPDFx *w)
    {
        QStringList texts;
        for (auto role : {PDFViewRedef::Role::Left, PDFViewRedef::Role::Right, PDFViewRedef::Role::Single,
                          PDFViewRedef::Role::Zoom})
            if (w->pane(role)->isVisible() && !texts.contains(w->pane(role)->content().notice))
                texts << w->pane(role)->content().notice;
        return texts;
    }
    static PDFViewRedef *firstPaneShown(WindowPDFx *w)
    {
        for (auto role : {PDFViewRedef::Role::Left, PDFViewRedef::Role::Single, PDFViewRedef::Role::Zoom})
            if (w->pane(role)->isVisible())
                return w->pane(role);
        return nullptr;
    }
    // A key as the performer presses it: to the focus widget of the activated window.
    static void press(WindowPDFx *w, Qt::Key key)
    {
        w->activateWindow();
        ASSERT_TRUE(testsupport::waitFor([w] { return w->isActiveWindow(); }));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, key);
    }
    // Past the table of contents with →, then on to the song titled `title`.
    void goToSong(WindowPDFx *w, const char *title)
    {
        press(w, Qt::Key_Right);
        while (currentTitle() != QLatin1String(title)) {
            settle();
            press(w, Qt::Key_Right);
        }
        settle();
    }
};

} // namespace

// Before, the window looked at the song's file on the main thread: with the
// library on a share that stopped answering, the key onto that song froze
// every key and pedal, and the quit, until the share woke.
TEST_P(HeldSongFile, TheKeyReturnsThePanesSayWhyTheNextKeyMovesOnAndTheSongComesWithTheShare)
{
    const HeldSong &row = GetParam();
    testsupport::Ceiling ceiling(120); // a main thread held by the share fails here instead of hanging
    testsupport::writeFile(QDir(library.path()).filePath(QStringLiteral("Delta.chopro")), "{title:Delta}\n[D]Da da\n");
    testsupport::writePdf(QDir(library.path()).filePath(QStringLiteral("Echo.pdf")), 1);
    const QString held = QDir(library.path()).filePath(QString::fromUtf8(row.held));
    const QString shown = QDir(library.path()).filePath(QString::fromUtf8(row.shown));
    testsupport::Gate reached, answers;
    // Opened whatever happens, so that nothing is left waiting at the gate.
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    const PageRenderer::FileLook share = [held, reached, answers](const QString &path) mutable {
        if (path == held) {
            reached.open();
            answers.wait();
        }
        return platform::regularFileStamp(path);
    };
    const windowfactory::ScopedCreator onTheShare{0, [share] { return new WindowPDFx(nullptr, share); }};
    start();
    ASSERT_EQ(tolvanes().size(), 1);
    WindowPDFx *w = row.lead ? openLeadWindow() : tolvanes().first();
    ASSERT_TRUE(w);

    // Up to the song before: showing it asks for the held song ahead.
    press(w, Qt::Key_Right); // away with the table of contents
    while (titleOf(Data::getPiece(Data::songNoG() + 1)) != QLatin1String(row.title)) {
        settle();
        press(w, Qt::Key_Right);
    }
    testsupport::processEvents();
    reached.wait();

    press(w, Qt::Key_Right);
    EXPECT_EQ(currentTitle(), QLatin1String(row.title));
    EXPECT_TRUE(w->titleText().contains(QLatin1String(row.title))) << w->titleText().toStdString();
    clock.advance(1.0);
    testsupport::processEvents();
    EXPECT_EQ(said(w), QStringList{songfile::noAnswer(shown)});

    press(w, Qt::Key_Right);
    ASSERT_EQ(currentTitle(), QLatin1String(row.next));
    clock.advance(0.2);
    testsupport::processEvents();
    const QString next = songTitled(QLatin1String(row.next))->pieceDet->fichier;
    EXPECT_EQ(said(w), QStringList{songfile::noAnswer(next)}) << "the share holds the library folder";

    answers.open();
    settle();
    ASSERT_TRUE(firstPaneShown(w));
    EXPECT_EQ(firstPaneShown(w)->content().path, next);
    EXPECT_TRUE(firstPaneShown(w)->hasPageReady());
    press(w, Qt::Key_Left);
    settle();
    EXPECT_EQ(said(w), QStringList{QString()});
    EXPECT_EQ(firstPaneShown(w)->content().path, shown);
    EXPECT_EQ(firstPaneShown(w)->content().page, 1);
    EXPECT_TRUE(firstPaneShown(w)->hasPageReady());
}

INSTANTIATE_TEST_SUITE_P(Songs, HeldSongFile,
                         ::testing::Values(HeldSong{"Charlie.pdf", "Charlie", "Charlie.pdf", "Delta", false},
                                           HeldSong{"Delta.chopro", "Delta", "Delta.chopro", "Echo", false},
                                           HeldSong{"Charlie---Lead.pdf", "Charlie", "Charlie.pdf", "Delta", true}),
                         [](const ::testing::TestParamInfo<HeldSong> &info) {
                             const QFileInfo held(QString::fromUtf8(info.param.held));
                             return (info.param.lead ? "version_" : "") + held.suffix().toStdString();
                         });

// Before, the versions window looked for each song's versions on the main
// thread: with the library folder silent, "Manage Versions…" froze the keys
// until the share answered.
TEST_F(HeldSongFile, TheVersionsWindowOpensAtOnceKeysAnswerAndItsTableFillsWithTheShare)
{
    testsupport::Ceiling ceiling(120);
    testsupport::Gate reached, answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable {
        answers.open();
        WinVersions::setDefaultLook({});
    });
    WinVersions::setDefaultLook([dir = library.path(), reached, answers](const QString &path) mutable {
        if (path.startsWith(dir)) {
            reached.open();
            answers.wait();
        }
        return platform::regularFileStamp(path);
    });
    start();
    WindowPDFx *w = tolvanes().first();
    press(w, Qt::Key_Right); // away with the table of contents
    ASSERT_EQ(currentTitle(), QStringLiteral("Alpha"));
    QAction *item = testsupport::menuItem(MainMenu::instance().menu(QStringLiteral("Song")), {QStringLiteral("Manage Versions…")});
    ASSERT_TRUE(item);
    item->trigger();
    reached.wait();
    WinVersions *versions = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        versions = versions ? versions : qobject_cast<WinVersions *>(top);
    ASSERT_TRUE(versions && versions->isVisible());
    EXPECT_EQ(versions->cellText(0, WinVersions::ColFilename), QStringLiteral("Alpha.pdf"));
    EXPECT_EQ(versions->cellText(1, WinVersions::ColCreate), QString()) << "nothing offered before the answer";
    // Before, the rows still looked at stood empty and said nothing.
    clock.advance(1.0);
    testsupport::processEvents();
    EXPECT_EQ(versions->cellText(1, WinVersions::ColFilename), songfile::noAnswer());
    EXPECT_EQ(versions->table()->item(1, WinVersions::ColFilename)->text(), songfile::noAnswer());

    press(w, Qt::Key_Right);
    EXPECT_EQ(currentTitle(), QStringLiteral("Bravo"));
    EXPECT_EQ(versions->cellText(0, WinVersions::ColFilename), QStringLiteral("Bravo.chopro"));
    // The answer looked at for Alpha is not Bravo's.
    answers.open();
    ASSERT_TRUE(testsupport::waitFor([versions] { return versions->looked(); }));
    EXPECT_EQ(versions->cellText(1, WinVersions::ColCreate), QStringLiteral("Create..."));
    press(w, Qt::Key_Left);
    ASSERT_TRUE(testsupport::waitFor([versions] { return versions->looked(); }));
    EXPECT_EQ(versions->cellText(1, WinVersions::ColFilename), QStringLiteral("Alpha---Lead.pdf"));
    EXPECT_EQ(versions->cellText(1, WinVersions::ColDelete), QStringLiteral("Delete"));
}

namespace {

class HeldNote : public HeldSongFile {};

} // namespace

// Before, the played date and the save of an edit at a song change read and
// wrote the note on the main thread: with its folder silent every key froze,
// the quit hung, and the typed edit was in no file once the program was killed.
TEST_P(HeldNote, TheKeysAnswerTheTitleRowSaysSoAndTheEditOutlivesTheQuit)
{
    const HeldSong &row = GetParam();
    testsupport::Ceiling ceiling(120);
    const QString held = QDir(library.path()).filePath(QString::fromUtf8(row.held));
    testsupport::Gate reached, answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    const NoteWriter::ScopedFileCall share{[held, reached, answers](const QString &path) mutable {
        if (path == held) {
            reached.open();
            answers.wait();
        }
    }};
    Data::setCurrentScreensetG(1);
    start();
    // The share holds the songs' files too. Before, a ChordPro song's note
    // without Artist= had the song file read for its header on the main thread
    // at each save and played date: that thread froze with the share.
    const auto readOnMain = std::make_shared<std::atomic_bool>(false);
    PiecesDet::setHeaderFileCall([readOnMain, answers](const QString &) {
        if (QThread::currentThread() == qApp->thread())
            *readOnMain = true;
        else
            answers.wait();
    });
    const std::shared_ptr<void> songsAnswer(nullptr, [](void *) { PiecesDet::setHeaderFileCall({}); });
    WindowPDFx *w = tolvanes().first();
    goToSong(w, row.title);
    if (row.typed) {
        Data::setFormattedNote(true);
        key(vocab::ToggleNote);
        testsupport::clickThroughWindow(controller->winNoteF()->masterNoteField());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(row.typed));
        loop->inject(pedals, QByteArray::fromHex("b0417f")); // the previous-song pedal, the field still being typed
        loop->waitForIdle();
    } else {
        clock.advance(30.0); // the played timer
    }
    testsupport::processEvents();
    reached.wait();

    ASSERT_EQ(currentTitle(), QLatin1String(row.typed ? row.next : row.title));
    press(w, Qt::Key_Left);
    EXPECT_EQ(currentTitle(), QLatin1String(row.typed ? "Alpha" : row.next)) << "the key is answered";
    EXPECT_FALSE(*readOnMain) << "a song file was read on the main thread";
    for (int half = 0; half < 2; ++half) {
        clock.advance(0.5);
        testsupport::processEvents();
    }
    EXPECT_TRUE(notesShown().join(QString()).contains(QStringLiteral("does not answer")))
        << notesShown().join(QLatin1Char('|')).toStdString();
    // Before, the edits said to wait were in memory alone, and a kill took them;
    // the played date was not kept even at a quit.
    const QDir keptNotes(QDir(dataDir.path()).filePath(QStringLiteral("Kept notes")));
    const auto keptWhole = [&] {
        const QFileInfoList kept = keptNotes.entryInfoList(QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        const QString copy = readFile(kept.first().filePath());
        EXPECT_TRUE(row.typed ? copy.startsWith(QString::fromUtf8(row.typed))
                              : copy.contains(QStringLiteral("LastPlayedDate1=2026-12-07\n"))) << copy.toStdString();
    };
    keptWhole();

    if (row.then == HeldSong::Then::Answers) {
        answers.open();
        settle();
        EXPECT_TRUE(readFile(held).contains(QStringLiteral("LastPlayedDate1=2026-12-07\n"))) << readFile(held).toStdString();
        EXPECT_TRUE(keptNotes.isEmpty(QDir::Files)) << "written, the copy goes";
        return;
    }
    QElapsedTimer quit;
    quit.start();
    const bool quits = row.then == HeldSong::Then::Quits;
    platform::setQuitting(quits);
    if (quits)
        controller->applicationWillTerminate();
    controller.reset();
    closeWindows();
    platform::setQuitting(false);
    EXPECT_LT(quit.elapsed(), 5000);
    keptWhole();
    PiecesDet::setHeaderFileCall({}); // the next start's scan reads the folder as the notes' does
    start();
    EXPECT_TRUE(notesShown().join(QString()).contains(quits ? QStringLiteral("An edited note could not be saved")
                                                            : QStringLiteral("An edited note was not written to its note file")))
        << notesShown().join(QLatin1Char('|')).toStdString();
    // Before, a data folder outside the home folder was shown by the copy's name alone.
    QString read;
    for (int part = 0; part < 8; ++part, clock.advance(WindowPDFxSuper::kNoticeSeconds))
        read += notesShown().value(0);
    const auto squeezed = [](QString text) { return text.remove(QChar(0x2026)).remove(QLatin1Char(' ')); };
    EXPECT_TRUE(squeezed(read).contains(squeezed(keptNotes.entryInfoList(QDir::Files).value(0).filePath()))) << read.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Notes, HeldNote,
                         ::testing::Values(HeldSong{"Charlie.txt", "Charlie", "", "Bravo", false},
                                           HeldSong{"Charlie.txt", "Charlie", "", "Bravo", false, nullptr, HeldSong::Then::Quits},
                                           HeldSong{"Charlie.txt", "Charlie", "", "Bravo", false, "Encore twice", HeldSong::Then::Quits},
                                           // The program ended without a quit, as a kill would end it.
                                           HeldSong{"Charlie.txt", "Charlie", "", "Bravo", false, "Encore twice", HeldSong::Then::Ends},
                                           // A ChordPro song whose note names no artist.
                                           HeldSong{"Bravo.txt", "Bravo", "", "Alpha", false, nullptr, HeldSong::Then::Quits},
                                           HeldSong{"Bravo.txt", "Bravo", "", "Alpha", false, "Encore twice", HeldSong::Then::Quits}),
                         [](const ::testing::TestParamInfo<HeldSong> &info) {
                             const auto then = info.param.then;
                             return std::string(info.param.title == std::string("Bravo") ? "chordpro_" : "")
                                    + (info.param.typed ? "unsaved_edit" : "played_date")
                                    + (then == HeldSong::Then::Quits ? "_at_the_quit" : then == HeldSong::Then::Ends ? "_at_the_end" : "");
                         });

namespace {

class HeldChordLibrary : public HeldSongFile {};

} // namespace

// Before, the chord library read its song on the main thread: with the library
// folder silent, opening it, a chord located from the strip and the read after
// each edit of the song froze every key, and the quit, until the share woke.
TEST_P(HeldChordLibrary, KeysAnswerTheSongTableSaysWhyAndAQuitEndsAtOnce)
{
    const HeldSong &row = GetParam();
    testsupport::Ceiling ceiling(120);
    const QString held = QDir(library.path()).filePath(QString::fromUtf8(row.held));
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable {
        answers.open();
        songfile::setFileCall({});
    });
    // The edit's row lets the table's first read and the edit through.
    const int through = row.library == HeldSong::Library::Edit ? 2 : 0;
    songfile::setFileCall([held, answers, through, calls = std::make_shared<std::atomic_int>(0)](const QString &path) mutable {
        if (path == held && calls->fetch_add(1) >= through)
            answers.wait();
    });
    start();
    WindowPDFx *w = tolvanes().first();
    goToSong(w, row.title);
    if (row.library == HeldSong::Library::Strip) {
        auto *strip = qobject_cast<WindowChords *>(Data::newWindowPDFx(false, 14));
        ASSERT_TRUE(strip);
        strip->iniFixPageNo(0);
        strip->refreshInfo();
        ASSERT_FALSE(strip->diagrams().isEmpty());
        strip->diagrams().first()->actionModify();
    } else {
        testsupport::menuItem(MainMenu::instance().menu(QStringLiteral("Window")), {QStringLiteral("Guitar Chord Library…")})->trigger();
    }
    ChordLibrary *chords = controller->chordLibrary(0, false);
    ASSERT_TRUE(chords && chords->isVisible());
    if (row.library == HeldSong::Library::Edit) {
        ASSERT_TRUE(testsupport::waitFor([chords] { return !chords->songReading(); }));
        chords->insertChordinDefinedChordsFromRow(0);
        ASSERT_TRUE(testsupport::waitFor([chords] { return !chords->songEditing(); }));
    }
    EXPECT_TRUE(chords->songReading());
    if (row.library == HeldSong::Library::Strip) {
        EXPECT_EQ(chords->mViewChord()->chordName(), QStringLiteral("C")) << "the library's own table locates at once";
    }
    clock.advance(0.6);
    testsupport::processEvents();
    EXPECT_EQ(chords->songNotice()->text(), songfile::noAnswer(held));

    press(w, Qt::Key_Right);
    EXPECT_EQ(currentTitle(), QLatin1String(row.next)) << "the key is answered";
    QElapsedTimer quit;
    quit.start();
    controller->applicationWillTerminate();
    EXPECT_LT(quit.elapsed(), 1000);
}

INSTANTIATE_TEST_SUITE_P(ChordLibrary, HeldChordLibrary,
                         ::testing::Values(HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie"},
                                           HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie",
                                                    .library = HeldSong::Library::Strip},
                                           HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie",
                                                    .library = HeldSong::Library::Edit}),
                         [](const ::testing::TestParamInfo<HeldSong> &info) {
                             const auto way = info.param.library;
                             return std::string(way == HeldSong::Library::Menu ? "menu" : way == HeldSong::Library::Strip ? "strip" : "edit");
                         });

namespace {

class HeldEditorSave : public HeldSongFile {};

} // namespace

// Before, the editor kept Escape, its close box and every key of the song
// windows while its save waited on a silent share: no page could be turned
// until the share answered.
TEST_P(HeldEditorSave, EscapeLeavesTheSaveGoingAndTheSongsTurnMeanwhile)
{
    const HeldSong &row = GetParam();
    testsupport::Ceiling ceiling(120);
    const QString held = QDir(library.path()).filePath(QString::fromUtf8(row.held));
    testsupport::Gate answers;
    const auto holding = std::make_shared<std::atomic_bool>(false);
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable {
        answers.open();
        songfile::setFileCall({});
        platform::setModalRunner({});
    });
    songfile::setFileCall([held, answers, holding](const QString &path) mutable {
        if (*holding && path == held)
            answers.wait();
    });
    platform::setModalRunner([](QDialog &) { return 0; }); // the editor stays open for the test to drive
    start();
    WindowPDFx *w = tolvanes().first();
    goToSong(w, row.title);
    const auto openEditor = [this] {
        testsupport::menuItem(MainMenu::instance().menu(QStringLiteral("Song")), {QStringLiteral("Open in Editor")})->trigger();
        WinEdit *editor = controller->winEditController();
        EXPECT_TRUE(testsupport::waitFor([editor] { return editor && editor->isVisible(); }));
        return editor;
    };
    WinEdit *editor = openEditor();
    QTest::keyClick(editor->txViewEdit(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor->txViewEdit(), QStringLiteral("Encore"));
    *holding = true;
    QTest::keyClick(editor->txViewEdit(), Qt::Key_Return, Qt::ControlModifier);
    advance(0.6);
    EXPECT_TRUE(editor->isVisible() && editor->labelSaving()->isVisible());
    QTest::keyClick(editor->txViewEdit(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible()) << "gone at once";
    const auto saysItWaits = [] { return notesShown().join(QString()).contains(QStringLiteral("does not answer")); };
    EXPECT_TRUE(saysItWaits()) << notesShown().join(QLatin1Char('|')).toStdString();

    press(w, Qt::Key_Right);
    EXPECT_EQ(currentTitle(), QLatin1String(row.next)) << "the key is answered";
    EXPECT_TRUE(saysItWaits()) << "a song change ends no save";
    // Opened again meanwhile: the text being saved, not the file's.
    press(w, Qt::Key_Left);
    EXPECT_TRUE(openEditor()->txViewEdit()->toPlainText().endsWith(QStringLiteral("Encore")));
    QTest::keyClick(editor->txViewEdit(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());

    // Before, the save said to go on was in memory alone, and a kill took it.
    const QDir keptNotes(dataDir.filePath(QStringLiteral("Kept notes")));
    const auto keptWhole = [&] {
        const QFileInfoList kept = keptNotes.entryInfoList(QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_TRUE(readFile(kept.first().filePath()).endsWith(QStringLiteral("Encore")));
    };
    keptWhole();
    if (row.then == HeldSong::Then::Answers) {
        answers.open();
        ASSERT_TRUE(testsupport::waitFor([editor] { return !editor->saving(); }));
        settle();
        EXPECT_TRUE(readFile(held).endsWith(QStringLiteral("Encore")));
        EXPECT_FALSE(saysItWaits());
        EXPECT_TRUE(keptNotes.isEmpty(QDir::Files)) << "written, the copy goes";
        return;
    }
    const bool quits = row.then == HeldSong::Then::Quits;
    platform::setQuitting(quits);
    if (quits)
        controller->applicationWillTerminate();
    else
        songfile::SongFileEdits::dropAllAsAKillWould();
    controller.reset();
    closeWindows();
    platform::setQuitting(false);
    keptWhole();
    EXPECT_FALSE(readFile(held).contains(QStringLiteral("Encore")));
    // What the start says in the title rows (which the first song shown may end).
    const testsupport::CapturedWarnings said;
    start();
    const QString kept = keptNotes.entryInfoList(QDir::Files).value(0).filePath();
    EXPECT_EQ(said.lines().filter(kept).filter(quits ? QStringLiteral("An edited song could not be saved")
                                                     : QStringLiteral("An edited song was not written to its song file"))
                  .size(),
              1)
        << said.lines().join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Editor, HeldEditorSave,
                         ::testing::Values(HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie"},
                                           HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie",
                                                    .then = HeldSong::Then::Quits},
                                           // The program ended without a quit, as a kill would end it.
                                           HeldSong{.held = "Bravo.chopro", .title = "Bravo", .next = "Charlie",
                                                    .then = HeldSong::Then::Ends}),
                         [](const ::testing::TestParamInfo<HeldSong> &info) {
                             const auto then = info.param.then;
                             return std::string(then == HeldSong::Then::Quits ? "quits" : then == HeldSong::Then::Ends ? "ends" : "answers");
                         });
