#include "events/EventScript.h"
#include "library/Data.h"
#include "library/DataEvents.h"
#include "midi/Midi.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/TestSupport.h"

#include <QThreadPool>
#include "QStringPrint.h"

#include <gtest/gtest.h>

namespace {

struct RunnerFixture : ::testing::Test {
    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    QObject owner;
    QStringList posted;
    PiecesPtr song;

    void SetUp() override
    {
        Data::setGautomation(0);
        Data::setGautomationOff(false);
        Data::setRecOn(false);
        Data::setGTriggerAuto(false);
        Data::setGTriggerAutoMute(false);
        Data::setGcount(-1);
        Data::setGcountTo(0);
        Data::setGcountSkip(false);
        Data::setGDisplayCount(false);
        Data::setGPlayAutoForGenre(-1);
        Data::setMetroOn(false);
        Data::setSyncMode(0);
        Data::setOptMetroSound(0);
        Data::setCurrentGenreG(1);
        Data::setGtempo(100);
        for (const char *id : {"Lead", "CUE"}) {
            auto w = std::make_shared<WinID>(Data::winIDs().size());
            w->idWin = QString::fromUtf8(id);
            Data::winIDs().append(w);
        }
        song = makeSong(QStringLiteral("/songs/A.pdf"));
        Data::listePiecesByTitle().append(song);
        Data::setCurrentSort(0);
        Data::setSongNbrG(1);
        Data::setSongNoG(1);
        platform::NotificationCenter::defaultCenter().addObserver(
            QString(),
            [this](const platform::Notification &n) {
                posted << (n.hasParam() ? QStringLiteral("%1 %2").arg(n.name, n.param.toString()) : n.name);
            },
            &owner);
    }

    void TearDown() override
    {
        settle();
        platform::NotificationCenter::defaultCenter().removeObservers(&owner);
        Data::resetSongEventsUsingArray(Data::songEvents());
        Data::songEvents().clear();
        Data::listePiecesByTitle().clear();
        Data::setSongNbrG(0);
        Data::setSongNoG(0);
        Data::winIDs().clear();
    }

    static PiecesPtr makeSong(const QString &path)
    {
        auto piece = std::make_shared<Pieces>();
        piece->pieceDet = std::make_shared<PiecesDet>();
        piece->pieceDet->fichier = path;
        piece->pieceDet->signature = 3;
        piece->pieceDet->nbrPagesMax = 10;
        return piece;
    }

    void loadNote(const QString &script)
    {
        Data::chargerSongEventsFromString(QStringLiteral("master note\n") + script, false, Data::songEvents());
    }
    bool runTo(double seconds, bool autom = true)
    {
        return Data::processSongEventsUpTo(seconds, autom, Data::songEvents());
    }
    // Lets the main queue (and the global queue behind "Play") deliver.
    static void settle()
    {
        QThreadPool::globalInstance()->waitForDone();
        testsupport::processEvents();
    }
    QStringList take()
    {
        QStringList out = posted;
        posted.clear();
        return out;
    }
    QList<bool> doneFlags() const
    {
        QList<bool> flags;
        for (const SongEvPtr &ev : std::as_const(Data::songEvents()))
            flags << ev->traite;
        return flags;
    }
};

} // namespace

TEST_F(RunnerFixture, PageEventRunsAtItsTimeOnceAsTheTrackAdvances)
{
    loadNote("00:00 Metronome START\n00:10 Page 2");
    EXPECT_TRUE(runTo(0));  // the song load
    EXPECT_EQ(take(), QStringList({"ActionKey 99"}));

    const double start = platform::now();
    platform::Timer track;
    track.start(0.5, true, [&]() { runTo(platform::now() - start); });
    clock.advance(9.5);
    EXPECT_EQ(take(), QStringList());
    clock.advance(0.5);
    EXPECT_EQ(take(), QStringList({"ActionGoToPageNo 2"}));
    clock.advance(2.0);
    EXPECT_EQ(take(), QStringList());
    EXPECT_EQ(doneFlags(), QList<bool>({true, true}));
}

TEST_F(RunnerFixture, ExecutorPostsEachActionWithItsParam)
{
    loadNote("00:01 Message hi there\n00:01 Lead: stay\n00:01 Page 3 bottom\n00:01 Page x\n"
             "00:01 Metronome Sound ON\n00:01 Metronome Sound OFF\n00:01 Metronome STOP\n"
             "00:01 SetChordStripGuitar Lead\n00:01 SetChordStripUkulele\n00:01 SetChordStripPiano Drum\n"
             "00:01 SetChordStripHidden Lead\n00:01 Tempo=400\n00:01 Tempo=300");
    EXPECT_TRUE(runTo(1));
    EXPECT_EQ(take(), QStringList({"ActionMessage hi there", "ActionMessageStay Lead: stay ",
                                   "ActionGoToPageBottomNo 3", "ActionKey 96", "ActionKey 95", "ActionKey 98",
                                   "ActionSetChordStripGuitar Lead", "ActionSetChordStripUkulele ",
                                   "ActionSetChordStripPiano Drum", "ActionSetChordStripHidden Lead", "ActionKey 97"}));
    EXPECT_EQ(Data::gtempo(), 300);
}

TEST_F(RunnerFixture, AutomationModesDecideWhatFollowsTheTrack)
{
    const QString script = "00:00 Message zero\n00:10 Page 2\n00:20 Message hi";
    Data::setGautomation(1);
    loadNote(script);
    runTo(25);
    EXPECT_EQ(take(), QStringList({"ActionMessage zero ", "ActionGoToPageNo 2"}));
    runTo(20, false);  // the next-cue command ignores the filter
    EXPECT_EQ(take(), QStringList({"ActionMessage hi "}));

    Data::setGautomation(2);
    Data::resetSongEventsUsingArray(Data::songEvents());
    loadNote(script);
    runTo(25);
    EXPECT_EQ(take(), QStringList({"ActionMessage zero "}));

    Data::setGautomation(0);
    Data::setGautomationOff(true);  // the loop player took over
    Data::resetSongEventsUsingArray(Data::songEvents());
    loadNote(script);
    runTo(25);
    EXPECT_EQ(take(), QStringList({"ActionMessage zero "}));
}

TEST_F(RunnerFixture, CountInHoldsLaterEventsUntilItsCue)
{
    loadNote("00:05 CountDown 4\n00:05 Page 3\n00:06 Metronome Sound OFF\n00:30 Message later");
    EXPECT_TRUE(runTo(6));
    EXPECT_EQ(take(), QStringList({"ActionKey 99"}));  // the metronome starts for the count
    EXPECT_EQ(doneFlags(), QList<bool>({true, false, false, false}));
    EXPECT_TRUE(Data::gTriggerAuto());
    EXPECT_TRUE(Data::gTriggerAutoMute());
    EXPECT_EQ(Data::gcount(), 5);
    EXPECT_EQ(Data::gcountTo(), 0);
    EXPECT_FALSE(Data::gcountSkip());

    // The end of the count fires the next cue.
    EXPECT_TRUE(runTo(6, false));
    EXPECT_EQ(take(), QStringList({"ActionGoToPageNo 3", "ActionKey 95"}));
    EXPECT_FALSE(Data::gTriggerAuto());
}

TEST_F(RunnerFixture, CountInSettings)
{
    loadNote("00:00 CountDown 150");
    runTo(0);
    EXPECT_EQ(Data::gcount(), 100);  // cut to 99, plus the first beat

    Data::setGcount(-1);
    loadNote("00:00 DisplayCountTo 0");
    runTo(0);
    EXPECT_EQ(Data::gcount(), 4);  // 3/4: the song's bar
    EXPECT_EQ(Data::gcountTo(), 4);
    EXPECT_TRUE(Data::gcountSkip());
    EXPECT_TRUE(Data::gDisplayCount());

    // A count already running is restarted without the extra beat; a running
    // metronome or external sync is not started again.
    take();
    Data::setMetroOn(true);
    Data::activerCountDownCountToFor(8, false, false, false, 4, false);
    EXPECT_EQ(Data::gcount(), 8);
    EXPECT_EQ(Data::gPlayAutoForGenre(), 4);
    Data::setMetroOn(false);
    Data::setSyncMode(2);
    Data::activerCountDownCountToFor(8, false, false, false, -1, false);
    EXPECT_EQ(take(), QStringList());

    // Auto-audible switches the sound on at once, or at the bar when waiting for it.
    Data::setSyncMode(0);
    Data::setMetroOn(true);
    Data::activerCountDownCountToFor(4, false, false, true, -1, true);
    EXPECT_TRUE(Data::gTriggerAutoMute());
    EXPECT_EQ(Data::optMetroSound(), 0);
    Data::activerCountDownCountToFor(4, false, false, true, -1, false);
    EXPECT_EQ(Data::optMetroSound(), 1);
    EXPECT_EQ(take(), QStringList({"ActionKey 1026"}));
}

TEST_F(RunnerFixture, StopIsHandledAfterThePassAndNeverMarkedDone)
{
    loadNote("00:30 Stop\n00:30 Page 4");
    QStringList seenDuringPass;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&](const platform::Notification &n) {
            // Before, the stop ran inside the pass: it reloaded the events under the walk.
            if (n.intParam() == vocab::Stop) {
                seenDuringPass << QString::number(Data::evInProcess());
                loadNote("00:30 Stop\n00:30 Page 4");
            }
        },
        &owner);
    EXPECT_TRUE(runTo(30));
    EXPECT_EQ(take(), QStringList({"ActionGoToPageNo 4"}));
    settle();
    EXPECT_EQ(take(), QStringList({"ActionKey 216"}));
    EXPECT_EQ(seenDuringPass, QStringList({"0"}));
    EXPECT_FALSE(Data::songEvents().first()->traite);
    runTo(31);
    settle();
    EXPECT_TRUE(take().contains("ActionKey 216"));
}

TEST_F(RunnerFixture, APassStartedFromAHandlerIsRefused)
{
    loadNote("00:01 Page 2\n00:02 Page 3");
    int nested = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionGoToPageNo,
        [&](const platform::Notification &) {
            if (runTo(5))
                ++nested;
        },
        &owner);
    runTo(5);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(take(), QStringList({"ActionGoToPageNo 2", "ActionGoToPageNo 3"}));
    EXPECT_FALSE(Data::evInProcess());
}

TEST_F(RunnerFixture, PlayIsPostedFromTheMainQueueAfterThePass)
{
    loadNote("00:02 Play 3");
    runTo(2);
    EXPECT_EQ(take(), QStringList());
    settle();
    EXPECT_EQ(take(), QStringList({"ActionGoToGenreNoAndPlayPause2 3"}));
}

TEST_F(RunnerFixture, CueRecordingSilencesPlayAndStop)
{
    Data::setRecOn(true);
    loadNote("00:01 Play 2\n00:01 Stop\n00:01 StopNoReset\n00:01 Message m");
    runTo(1);
    settle();
    EXPECT_EQ(take(), QStringList({"ActionMessage m "}));
    EXPECT_EQ(doneFlags(), QList<bool>({true, false, true, true}));
}

TEST_F(RunnerFixture, ReloadWhilePlayingKeepsThePastDone)
{
    const QString script = "00:10 Message a\n00:20 Message b\n00:40 Message c";
    loadNote(script);
    runTo(0);
    runTo(25);
    EXPECT_EQ(take(), QStringList({"ActionMessage a ", "ActionMessage b "}));

    // Before, a note saved here reloaded every event undone: a and b fired again at 26 s.
    loadNote(script + "\n00:15 Message added");
    runTo(0);  // the reload's 0:00 pass
    runTo(26);
    EXPECT_EQ(take(), QStringList());
    runTo(40);
    EXPECT_EQ(take(), QStringList({"ActionMessage c "}));

    // Reset cues, or another song, start afresh.
    Data::resetSongEventsUsingArray(Data::songEvents());
    loadNote(script);
    runTo(20);
    EXPECT_EQ(take(), QStringList({"ActionMessage a ", "ActionMessage b "}));
    Data::listePiecesByTitle()[0] = makeSong(QStringLiteral("/songs/B.pdf"));
    loadNote(script);
    runTo(10);
    EXPECT_EQ(take(), QStringList({"ActionMessage a "}));

    // Before, a note saved after the track had stopped (its 0:00 pass) kept
    // the events up to the old position done: the restarted track skipped them.
    runTo(0);
    loadNote(script);
    runTo(20);
    EXPECT_EQ(take(), QStringList({"ActionMessage a ", "ActionMessage b "}));
}

// A song's note is parsed once per text and set of window identifiers; each
// load runs the record's events afresh, so a cue run before runs again on the
// song's next visit.
TEST_F(RunnerFixture, NoteLoadsParseAgainOnlyWhatChanged)
{
    PiecesDet &note = *song->pieceDet;
    note.notetxt = "master note\n00:10 Message a\n00:20 Solo:go";
    const auto visit = [&]() {
        runTo(0);
        Data::chargerSongEventsFromNote(note, Data::songEvents());
        runTo(20);
        return take();
    };
    EXPECT_EQ(visit(), QStringList({"ActionMessage a "}));
    EXPECT_EQ(visit(), QStringList({"ActionMessage a "}));
    // Reloaded unchanged mid-song, the very same events keep the past done.
    Data::chargerSongEventsFromNote(note, Data::songEvents());
    runTo(21);
    EXPECT_EQ(take(), QStringList());
    // A cue changed in the list, as the notes window changes one, is not the record's.
    Data::ownSongEvents();
    Data::songEvents().first()->actionTxt = QStringLiteral("changed");
    EXPECT_EQ(visit(), QStringList({"ActionMessage a "}));
    note.notetxt += "\n00:15 Message b";
    EXPECT_EQ(visit(), QStringList({"ActionMessage a ", "ActionMessage b "}));
    auto solo = std::make_shared<WinID>(Data::winIDs().size());
    solo->idWin = QStringLiteral("Solo");
    Data::winIDs().append(solo);
    EXPECT_EQ(visit(), QStringList({"ActionMessage a ", "ActionMessage b ", "ActionMessageStay Solo:go  "}));
}

TEST_F(RunnerFixture, SingleSendAndReset)
{
    loadNote("00:50 Message one");
    Data::processSongEventsSingle(Data::songEvents().first());
    EXPECT_EQ(take(), QStringList({"ActionMessage one "}));
    EXPECT_FALSE(Data::evInProcess());

    runTo(60);
    Data::songEvents().first()->val = 99;
    Data::resetSongEventsUsingArray(Data::songEvents());
    EXPECT_FALSE(Data::songEvents().first()->traite);
    EXPECT_EQ(Data::songEvents().first()->val, 50.0);
}

TEST_F(RunnerFixture, CurrentSongCuesAndBeats)
{
    EXPECT_FALSE(Data::isAtLeastOneTimeEvent());
    loadNote("MIDI Intro\n00:05 Page 2\n00:08 Page 3\n00:09 CountDown 0");
    EXPECT_TRUE(Data::isAtLeastOneTimeEvent());
    // No window open: page 2 is skipped, page 3 is announced as the page to preload.
    const SongEvPtr next = Data::obtenirNextCue();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->actionTxt, QStringLiteral("3"));
    EXPECT_EQ(Data::obtenirCueX(*next, true), QStringLiteral("▷00:08 Preload Page 4"));
    EXPECT_EQ(Data::obtenirCueX(*Data::songEvents().last(), false), QStringLiteral("▷Count Down 3"));
    EXPECT_EQ(Data::valOrDefNbBeatForCurrentSong(0), 3);
    EXPECT_EQ(Data::valOrDefNbBeatForCurrentSong(5), 5);
    Data::setSongNoG(0);
    EXPECT_EQ(Data::valOrDefNbBeatForCurrentSong(0), 4);
}

TEST_F(RunnerFixture, MidiEventsAreQueuedAndSentAfterThePass)
{
    platform::LoopbackMidi loopback;
    platform::setMidiSystem(&loopback);
    loopback.plugDevice(QStringLiteral("Synth"));
    Midi::iniMidi();
    const platform::MidiEndpointRef synth = loopback.findDestination(QStringLiteral("Synth"));
    ASSERT_NE(synth, 0u);
    loopback.clearSent();

    loadNote("00:01 N60:100@All\n00:01 Message m");
    auto empty = std::make_shared<SongEv>(9);
    empty->evType = eventscript::EvMidi;
    empty->timeEv = true;
    EXPECT_FALSE(Data::processOneSongEvent(empty));  // no text: nothing queued

    EXPECT_TRUE(runTo(1));
    EXPECT_EQ(take(), QStringList({"ActionMessage m "}));
    clock.advance(1.0);
    QStringList bytes;
    for (const QByteArray &b : loopback.sentTo(synth))
        bytes << QString::fromLatin1(b.toHex(' '));
    EXPECT_TRUE(bytes.contains(QStringLiteral("90 3c 64"))) << bytes.join('|').toStdString();
    platform::setMidiSystem(nullptr);
}
