// A gig across the subsystems: the library folder, the controller, two
// Tolvane windows, the MIDI engine on loopback and the event script, on a
// manual clock.
#include "GigFixture.h"

#include "chords/SongFileEdit.h"
#include "chords/windows/ChordLibrary.h"
#include "chords/windows/WindowChords.h"
#include "events/windows/WinNoteF.h"
#include "library/NoteWriter.h"
#include "library/SongFileCheck.h"
#include "platform/Dialogs.h"
#include "platform/MainMenu.h"
#include "platform/RegularFile.h"
#include "settings/WinVersions.h"
#include "support/GatedScan.h"
#include "windows/WindowFactory.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
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

QList<QByteArray> hex(const QList<QByteArray> &bytes)
{
    QList<QByteArray> list;
    for (const QByteArray &b : bytes)
        list << b.toHex(' ');
    return list;
}

} // namespace

TEST_F(GigFixture, StartUpOpensTheFolderAndEveryWayOfMovingReachesBothWindows)
{
    start();
    WindowPDFx *lead = openLeadWindow();
    ASSERT_NE(lead, nullptr);
    EXPECT_EQ(lead->altDir(), QStringLiteral("Lead"));
    EXPECT_EQ(controller->currentDirNo(), 0);
    ASSERT_EQ(Data::songNbrG(), 3);
    EXPECT_EQ(titleOf(Data::getPiece(1)), QStringLiteral("Alpha"));
    EXPECT_EQ(titleOf(Data::getPiece(2)), QStringLiteral("Bravo"));
    EXPECT_EQ(titleOf(Data::getPiece(3)), QStringLiteral("Charlie"));
    EXPECT_EQ(songTitled(QStringLiteral("Charlie"))->pieceDet->auteur, QStringLiteral("The Band"));
    EXPECT_TRUE(controller->tocON()) << "start-up lays the table of contents over the song";
    EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.lastText().toStdString();

    // The first "next" only takes the table of contents away.
    key(vocab::NextSong);
    EXPECT_FALSE(controller->tocON());
    ASSERT_EQ(tolvanes().size(), 2);
    EXPECT_EQ(shown(), QStringList({"Alpha 1", "Alpha 1"}));
    EXPECT_EQ(Data::getPiece(1)->pieceDet->nbrPagesMax, 3) << "the windows counted the PDF's pages";
    QStringList files;
    for (WindowPDFx *w : tolvanes())
        files << w->pane(PDFViewRedef::Role::Single)->content().path;
    EXPECT_EQ(files, QStringList({alphaPdf, alphaLeadPdf})) << "Lead reads its own version";

    key(vocab::PageDown);
    EXPECT_EQ(shown(), QStringList({"Alpha 2", "Alpha 2"}));
    key(vocab::PageDown);
    EXPECT_EQ(shown(), QStringList({"Alpha 3", "Alpha 3"}));
    key(vocab::PageDown);
    EXPECT_EQ(shown(), QStringList({"Alpha 3", "Alpha 3"})) << "no page past the last";
    key(vocab::PageUp);
    EXPECT_EQ(shown(), QStringList({"Alpha 2", "Alpha 2"}));

    key(vocab::NextSong);
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
    key(vocab::PreviousSong);
    EXPECT_EQ(shown(), QStringList({"Alpha 1", "Alpha 1"}));

    // The pedals: CC 64 down is "next", CC 65 down is "previous".
    press("b0407f");
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
    press("b0407f");
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"})) << "the pedal is still down";
    press("b04000");
    press("b0407f");
    EXPECT_EQ(shown(), QStringList({"Charlie 1", "Charlie 1"}));
    press("b0407f");
    press("b04000");
    press("b0417f");
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
    // Past the last song "next" stays there.
    key(vocab::NextSong);
    key(vocab::NextSong);
    EXPECT_EQ(currentTitle(), QStringLiteral("Charlie"));

    // A version made while its song shows, as the versions window makes it: Lead shows it.
    const QString charlieLead = testsupport::writePdf(QDir(library.path()).filePath(QStringLiteral("Charlie---Lead.pdf")), 2);
    key(vocab::RefreshNoteAndPdfDefaults);
    settle();
    files.clear();
    for (WindowPDFx *w : tolvanes())
        files << w->pane(PDFViewRedef::Role::Single)->content().path;
    EXPECT_EQ(files, QStringList({charliePdf, charlieLead}));
}

TEST_F(GigFixture, ASongChangeSendsItsMidiRunsItsOpeningEventsAndCountsAsPlayedAfterThirtySeconds)
{
    start();
    openLeadWindow();
    key(vocab::NextSong); // away with the table of contents
    advance(1.0);
    EXPECT_EQ(hex(sentToSynth()), QList<QByteArray>({"b0 07 64"})) << "Alpha: the DEFAULT group alone";

    key(vocab::NextSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Bravo"));
    advance(20.0);
    loop->clearSent();

    key(vocab::NextSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Charlie"));
    advance(0.4);
    EXPECT_TRUE(sentToSynth().isEmpty()) << "nothing before half a second";
    EXPECT_EQ(notesShown(), QStringList({"Opening note", "Lead: capo 2"})) << "Lead reads its own line";

    advance(0.1);
    advance(0.2); // the queue's paced drain
    EXPECT_EQ(hex(sentToSynth()), QList<QByteArray>({"b0 07 64", "c1 0c"}))
        << "the DEFAULT group, then the note's untimed program change on Ch2";
    EXPECT_EQ(Data::gtempo(), 120);
    const QString warn = QStringLiteral("⚠️ Count in");
    const QString toLead = QStringLiteral("⚠️ Watch the drummer");
    EXPECT_EQ(notesShown(), QStringList({warn, toLead})) << "the 0:00 messages, one to all, one to Lead";
    advance(2.5);
    EXPECT_EQ(notesShown(), QStringList({warn, toLead}));
    advance(0.5);
    EXPECT_EQ(notesShown(), QStringList({"Opening note", "Lead: capo 2"})) << "gone after 3 s";
    EXPECT_EQ(shown(), QStringList({"Charlie 1", "Charlie 1"})) << "the 0:10 page waits for the track";

    // Bravo was left after 20 s, Alpha at once: neither counts as played.
    const PiecesPtr charlie = songTitled(QStringLiteral("Charlie"));
    ASSERT_TRUE(charlie);
    EXPECT_FALSE(charlie->pieceDet->played);
    advance(30.0 - 3.7 - 0.1);
    EXPECT_FALSE(charlie->pieceDet->played);
    advance(0.2);
    EXPECT_TRUE(charlie->pieceDet->played);
    EXPECT_FALSE(songTitled(QStringLiteral("Bravo"))->pieceDet->played);
    EXPECT_FALSE(songTitled(QStringLiteral("Alpha"))->pieceDet->played);
    ASSERT_EQ(Data::listePiecesLog().size(), 1);
    EXPECT_EQ(titleOf(Data::listePiecesLog().first()), QStringLiteral("Charlie"));

    const QString note = readFile(charlieNote);
    EXPECT_TRUE(note.contains(QStringLiteral("LastPlayedDate1=2026-12-07\n"))) << note.toStdString();
    EXPECT_TRUE(note.startsWith(QStringLiteral("Opening note\n"))) << note.toStdString();
    EXPECT_TRUE(note.contains(QStringLiteral("00:10 Page 2\n"))) << "the script is kept";
    EXPECT_EQ(charlie->pieceDet->lastPlayedDate1, QStringLiteral("2026-12-07 "));
    EXPECT_EQ(notesShown(), QStringList({"Opening note", "Lead: capo 2"})) << "the rewritten note still reads";
}

TEST_F(GigFixture, TheTrackPositionRunsTimedEventsAndEveryWindowTurnsThePage)
{
    start();
    openLeadWindow();
    key(vocab::NextSong);
    Data::setSongNoG(3);
    controller->chargerPages();
    advance(0.6);
    ASSERT_EQ(currentTitle(), QStringLiteral("Charlie"));
    ASSERT_EQ(shown(), QStringList({"Charlie 1", "Charlie 1"}));

    EXPECT_FALSE(Data::processSongEventsUpTo(9.0, true, Data::songEvents())) << "0:00 already ran";
    settle();
    EXPECT_EQ(shown(), QStringList({"Charlie 1", "Charlie 1"}));
    EXPECT_TRUE(Data::processSongEventsUpTo(10.0, true, Data::songEvents()));
    settle();
    EXPECT_EQ(shown(), QStringList({"Charlie 2", "Charlie 2"}));
    for (WindowPDFx *w : tolvanes()) {
        const PDFViewRedef::Content &pane = w->pane(PDFViewRedef::Role::Single)->content();
        EXPECT_EQ(pane.path, charliePdf);
        EXPECT_EQ(pane.page, 2) << "page 2 is on screen";
    }
    EXPECT_FALSE(Data::processSongEventsUpTo(12.0, true, Data::songEvents())) << "each event runs once";
}

TEST_F(GigFixture, ANextCueRightAfterASongChangeNeverRunsTheSongLeftBehind)
{
    start();
    key(vocab::NextSong);
    Data::setSongNoG(3);
    controller->chargerPages();
    advance(0.6);
    ASSERT_EQ(currentTitle(), QStringLiteral("Charlie"));

    QList<int> pages;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionGoToPageNo, [&](const platform::Notification &n) { pages << int(n.intParam()); },
        controller.get());
    // Before, the cue pedal pressed within half a second of leaving Charlie
    // ran Charlie's "00:10 Page 2" on Bravo.
    key(vocab::PreviousSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Bravo"));
    key(vocab::NextCue);
    settle();
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_FALSE(Data::isAtLeastOneTimeEvent()) << "Bravo's own (empty) script is loaded";
    advance(1.0);
    EXPECT_TRUE(pages.isEmpty());
}

TEST_F(GigFixture, AFreshStartUpRestoresFolderSongAndWindowLayout)
{
    start();
    openLeadWindow();
    key(vocab::NextSong);
    key(vocab::NextSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Bravo"));
    advance(31.0);
    ASSERT_TRUE(songTitled(QStringLiteral("Bravo"))->pieceDet->played);
    QList<QRect> frames;
    for (WindowPDFx *w : tolvanes())
        frames << w->geometry();
    shutDown();
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(QStringLiteral("dirNo")), 0);
    loop->clearSent();

    start();
    EXPECT_EQ(controller->currentDirNo(), 0);
    ASSERT_EQ(Data::songNbrG(), 3);
    EXPECT_EQ(currentTitle(), QStringLiteral("Bravo"));
    // A new evening starts unplayed; the last one's list is in the recall menu.
    EXPECT_FALSE(songTitled(QStringLiteral("Bravo"))->pieceDet->played);
    const qint64 snapshot = platform::UserDefaults::standard().integerForKey(QStringLiteral("plogLast"));
    ASSERT_GE(snapshot, 1);
    EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.lastText().toStdString();
    controller->actionMenuItemRecall(snapshot);
    EXPECT_EQ(dialogs.texts(), QStringList({"1 entry(ies) marked as Played."}));
    EXPECT_TRUE(songTitled(QStringLiteral("Bravo"))->pieceDet->played);
    EXPECT_FALSE(songTitled(QStringLiteral("Alpha"))->pieceDet->played);
    const QList<WindowPDFx *> windows = tolvanes();
    ASSERT_EQ(windows.size(), 2);
    QStringList ids;
    for (WindowPDFx *w : windows)
        ids << w->altDir();
    EXPECT_EQ(ids, QStringList({QString(), QStringLiteral("Lead")}));
    EXPECT_EQ(windows.at(1)->modeAffichage(), 2);
    EXPECT_TRUE(windows.at(1)->singlePageForce());
    QList<QRect> framesAfter;
    for (WindowPDFx *w : windows)
        framesAfter << w->geometry();
    EXPECT_EQ(framesAfter, frames);
    key(vocab::NextSong);
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
    advance(0.7);
    EXPECT_EQ(hex(sentToSynth()), QList<QByteArray>({"b0 07 64"})) << "the song's MIDI goes out again";
    press("b0407f");
    EXPECT_EQ(shown(), QStringList({"Charlie 1", "Charlie 1"})) << "the pedals listen again";
}

TEST_F(GigFixture, RunningThroughSongsWithThePedalSendsOnlyTheLastSongsMidi)
{
    start();
    openLeadWindow();
    key(vocab::NextSong);
    advance(1.0);
    loop->clearSent();

    press("b0407f");
    press("b04000");
    advance(0.2);
    press("b0407f");
    press("b04000");
    ASSERT_EQ(currentTitle(), QStringLiteral("Charlie"));
    advance(0.4);
    EXPECT_TRUE(sentToSynth().isEmpty()) << "Bravo went by too fast to send anything";
    advance(0.3);
    EXPECT_EQ(hex(sentToSynth()), QList<QByteArray>({"b0 07 64", "c1 0c"}));
    advance(5.0);
    EXPECT_EQ(sentToSynth().size(), 2) << "sent once";
}

TEST_F(GigFixture, TheLeadPedalTurnsOnlyTheLeadWindowThatKeepsItsOwnPage)
{
    start();
    WindowPDFx *lead = openLeadWindow();
    lead->iniSyncPageChanges(false);
    key(vocab::NextSong);
    ASSERT_EQ(shown(), QStringList({"Alpha 1", "Alpha 1"}));

    press("b0427f");
    EXPECT_EQ(shown(), QStringList({"Alpha 1", "Alpha 2"}));
    press("b04200");
    press("b0427f");
    EXPECT_EQ(shown(), QStringList({"Alpha 1", "Alpha 3"}));
    press("b04200");
    press("b0427f");
    EXPECT_EQ(shown(), QStringList({"Alpha 1", "Alpha 3"})) << "no page past the last";

    // A song change brings it back to the song's first page.
    key(vocab::NextSong);
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
}

TEST_F(GigFixture, APedalBoardPluggedBackInMidSetStillTurnsTheSongs)
{
    start();
    openLeadWindow();
    key(vocab::NextSong);
    ASSERT_EQ(currentTitle(), QStringLiteral("Alpha"));

    loop->unplugDevice(pedalBoard);
    settle();
    loop->plugDevice(QStringLiteral("Pedals"), 1, true, false);
    settle();
    pedals = loop->findSource(QStringLiteral("Pedals"));
    ASSERT_NE(pedals, 0u);
    press("b0407f");
    EXPECT_EQ(shown(), QStringList({"Bravo 1", "Bravo 1"}));
}

namespace {

class NoticeGig : public GigFixture {
protected:
    // Alpha on screen with the note given; Bravo, the next song, says "Slow intro".
    void startOnAlpha(const QByteArray &alphaNote)
    {
        const QDir songs(library.path());
        testsupport::writeFile(songs.filePath(QStringLiteral("Alpha.txt")), alphaNote);
        testsupport::writeFile(songs.filePath(QStringLiteral("Bravo.txt")), "Slow intro\n");
        Data::setCurrentScreensetG(1);
        start();
        key(vocab::NextSong); // away with the table of contents
        advance(0.6);         // the note timer
        ASSERT_EQ(currentTitle(), QStringLiteral("Alpha"));
    }
    // The title row as drawn, sampled every 0.3 s for 2.4 s, as a performer glances at it.
    void expectHeld(const QString &noticeStart)
    {
        QStringList otherwise;
        for (int ms = 0; ms <= 2400; ms += 300) {
            for (const QString &line : notesShown())
                if (!line.startsWith(noticeStart))
                    otherwise << QStringLiteral("%1 ms: %2").arg(ms).arg(line);
            advance(0.3);
        }
        EXPECT_EQ(otherwise, QStringList());
    }
};

} // namespace

// The performer saves a note another program changed meanwhile. Before, the
// notice that the other version was kept reached only the log: the refresh
// right after the save put the master note back on the title row.
TEST_F(NoticeGig, ASaveOverANoteChangedElsewhereIsToldOnTheTitleRowUntilItsTimeIsUp)
{
    startOnAlpha("Capo 3\n");
    ASSERT_EQ(notesShown(), QStringList({"Capo 3"}));
    Data::setFormattedNote(true);
    key(vocab::ToggleNote);
    WinNoteF *form = controller->winNoteF();
    ASSERT_TRUE(form && form->isVisible());
    ASSERT_EQ(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                                            QStringLiteral("printf 'Call the drummer\\n' >> \"$0\""),
                                                            QDir(library.path()).filePath(QStringLiteral("Alpha.txt"))}),
              0);
    testsupport::clickThroughWindow(form->masterNoteField());
    ASSERT_EQ(QApplication::focusWidget(), form->masterNoteField());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Capo 5"));
    QPushButton *close = nullptr;
    for (QPushButton *b : form->findChildren<QPushButton *>())
        if (b->text() == QStringLiteral("Close"))
            close = b;
    ASSERT_TRUE(close);
    testsupport::clickThroughWindow(close);
    settle();
    EXPECT_FALSE(form->isVisible());
    expectHeld(QStringLiteral("⚠️ The note of \"Alpha\" was changed elsewhere"));
    // Longer than the row, the rest follows in parts, each held as long; then the note is back.
    for (int turn = 0; turn < 4 && notesShown() != QStringList({"Capo 5"}); ++turn) {
        advance(WindowPDFxSuper::kNoticeSeconds);
        const QString line = notesShown().constFirst();
        EXPECT_TRUE(line.startsWith(QStringLiteral("…")) || line == QStringLiteral("Capo 5")) << line.toStdString();
    }
    EXPECT_EQ(notesShown(), QStringList({"Capo 5"}));
}

// Thirty seconds on a song whose note is not text: the played date cannot be
// written. Before, the refresh that marks the song played put the note back
// over the notice at once.
TEST_F(NoticeGig, APlayedDateThatCannotBeWrittenIsToldOnTheTitleRowUntilTheNextSong)
{
    startOnAlpha(QByteArray("\x00\x01 not text \x00", 13));
    advance(30.0); // the played timer
    ASSERT_TRUE(Data::getPiece(Data::songNoG())->pieceDet->played);
    expectHeld(QStringLiteral("⚠️ The note file"));
    key(vocab::NextSong);
    EXPECT_EQ(notesShown(), QStringList({"Slow intro"}));
}

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
