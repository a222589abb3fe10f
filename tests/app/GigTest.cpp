// A gig across the subsystems: the library folder, the controller, two
// Tolvane windows, the MIDI engine on loopback and the event script, on a
// manual clock.
#include "GigFixture.h"

#include "events/windows/WinNoteF.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

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
