#include "events/EventScript.h"

#include "QStringPrint.h"

#include <gtest/gtest.h>

using namespace eventscript;

namespace {

bool leadAndCue(const QString &id)
{
    return id.compare(QLatin1String("Lead"), Qt::CaseInsensitive) == 0 ||
           id.compare(QLatin1String("CUE"), Qt::CaseInsensitive) == 0;
}
bool noWinIds(const QString &) { return false; }

// The note's first line is its master note, never read: scripts below start with one.
SongEvArray load(const QString &script, const WinIdTest &ids = leadAndCue)
{
    SongEvArray events;
    loadFromString(QStringLiteral("master note\n") + script, false, events, ids);
    return events;
}

QString roundTrip(const QString &script)
{
    SongEvArray events = load(script);
    return writeEvents(events, true);
}

struct LineCase {
    const char *line;
    bool yields;
    qint32 evType;
    qint32 actionType;
    const char *actionTxt;
    bool timed;
    double val;
};

} // namespace

TEST(EventScriptParse, KeywordTable)
{
    const LineCase cases[] = {
        {"01:30 Page 3", true, EvPage, ActPage, "3", true, 90.0},
        {"01:30 Page 3 bottom", true, EvPage, ActPageBottom, "3", true, 90.0},
        {"0x:30 Page 3", true, EvPage, ActPage, "3", true, 30.0},
        {"01:75 Message hi", true, EvMessage, ActMessage, "hi ", true, 135.0},
        {"Message hello", true, EvMessage, ActMessage, "hello ", false, 0.0},
        {"00:02 PC5@Synth", true, EvMidi, ActMidi, "PC5@Synth  ", true, 2.0},
        {"00:03 SYSEX F0 43 F7", true, EvMidi, ActMidi, "SYSEX F0 43 F7", true, 3.0},
        {"00:03 F0 43 SYSEX F7", false, 0, 0, "", false, 0.0},
        {"MIDI Intro", true, EvMidiGroup, ActMidiGroup, "MIDI Intro ", false, 0.0},
        {"00:00 Tempo=120", true, EvTempo, ActTempo, "120", true, 0.0},
        {"00:00 Tempo=", true, EvTempo, ActTempo, "0", true, 0.0},
        {"00:10 Metronome Sound OFF", true, EvMetronome, ActMetronomeSoundOff, "Metronome Sound OFF", true, 10.0},
        {"00:10 Metronome Sound On", true, EvMetronome, ActMetronomeSoundOn, "Metronome Sound On", true, 10.0},
        {"00:10 Metronome STOP", true, EvMetronome, ActMetronomeStop, "Metronome STOP ", true, 10.0},
        {"00:10 Metronome", true, EvMetronome, ActMetronomeStart, "Metronome  ", true, 10.0},
        {"00:05 CountDown 4", true, EvCountDown, ActCountDown, "4", true, 5.0},
        {"00:05 CountTo 8", true, EvCountTo, ActCountTo, "8", true, 5.0},
        {"00:05 DisplayCountDown 4", true, EvDisplayCountDown, ActDisplayCountDown, "4", true, 5.0},
        {"00:05 DisplayCountTo 4", true, EvDisplayCountTo, ActDisplayCountTo, "4", true, 5.0},
        {"00:05 Play 3", true, EvPlay, ActPlay, "3", true, 5.0},
        {"00:05 Stop", true, EvStop, ActStop, "", true, 5.0},
        {"00:05 StopNoReset", true, EvStopNoReset, ActStopNoReset, "", true, 5.0},
        {"00:05 SetChordStripGuitar Lead", true, EvChordStripGuitar, ActChordStripGuitar, "Lead", true, 5.0},
        {"00:05 SetChordStripUkulele Lead", true, EvChordStripUkulele, ActChordStripUkulele, "Lead", true, 5.0},
        {"00:05 SetChordStripPiano Lead", true, EvChordStripPiano, ActChordStripPiano, "Lead", true, 5.0},
        {"00:05 SetChordStripHidden Lead", true, EvChordStripHidden, ActChordStripHidden, "Lead", true, 5.0},
        {"Lead: hello", true, EvWinIdText, ActMessageStay, "Lead: hello ", false, 0.0},
        {"00:07 lead:hey you there", true, EvWinIdText, ActMessageStay, "lead:hey you there", true, 7.0},
        {"01:30", true, EvWinIdText, ActNone, "  ", true, 90.0},
        {"Bass: hello", false, 0, 0, "", false, 0.0},
        {"1:30 Page 3", false, 0, 0, "", false, 0.0},
        {"Page 3", false, 0, 0, "", false, 0.0},
        {"01:30  Page 3", false, 0, 0, "", false, 0.0},
        {"Tempo=120 4/4", false, 0, 0, "", false, 0.0},
        {"Title=Message in a bottle", false, 0, 0, "", false, 0.0},
        {"Tags=MIDI", false, 0, 0, "", false, 0.0},
        {" Message hi", false, 0, 0, "", false, 0.0},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.line);
        const SongEvArray events = load(QString::fromUtf8(c.line));
        ASSERT_EQ(events.size(), c.yields ? 1 : 0);
        if (!c.yields)
            continue;
        const SongEv &ev = *events.first();
        EXPECT_EQ(ev.evType, c.evType);
        EXPECT_EQ(ev.actionType, c.actionType);
        EXPECT_EQ(ev.actionTxt, QString::fromUtf8(c.actionTxt));
        EXPECT_EQ(ev.timeEv, c.timed);
        EXPECT_EQ(ev.val, c.val);
        EXPECT_FALSE(ev.traite);
    }
}

TEST(EventScriptParse, LongerKeywordsWinOverTheirPrefixes)
{
    EXPECT_EQ(load("00:01 DisplayCountDown 2").first()->evType, EvDisplayCountDown);
    EXPECT_EQ(load("00:01 DISPLAYCOUNTTO 2").first()->evType, EvDisplayCountTo);
    EXPECT_EQ(load("00:05 StopNoReset").first()->evType, EvStopNoReset);
    EXPECT_EQ(load("00:05 stopnoreset").first()->actionType, ActStopNoReset);
}

TEST(EventScriptParse, ProgramChangeWithColonStaysMidi)
{
    // Before, "12:5@Synth" was taken for the time 12:05 and no program change was sent.
    SongEvArray events = load("12:5@Synth");
    ASSERT_EQ(events.size(), 1);
    EXPECT_FALSE(events.first()->timeEv);
    EXPECT_EQ(events.first()->evType, EvMidi);
    EXPECT_EQ(events.first()->actionTxt, QStringLiteral("12:5@Synth  "));

    events = load("00:20 12:5@Synth");
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events.first()->timeEv);
    EXPECT_EQ(events.first()->val, 20.0);
    EXPECT_EQ(events.first()->actionTxt, QStringLiteral("12:5@Synth  "));
}

TEST(EventScriptParse, WindowIdentifierLinesNeedADefinedIdentifier)
{
    EXPECT_EQ(load("Lead: hello", noWinIds).size(), 0);
    EXPECT_EQ(load("00:10 CUE:Verse", noWinIds).size(), 0);
    EXPECT_EQ(load("00:10 CUE:Verse").size(), 1);
    EXPECT_EQ(load(":x hello").size(), 0);
}

TEST(EventScriptParse, OutOfRangeTimesKeepTheOrder)
{
    // A seconds value far out of range neither overflows nor breaks the order.
    const SongEvArray events = load("00:99999999999 Message late\n00:01 Message early");
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events.first()->actionTxt, QStringLiteral("early "));
}

TEST(EventScriptLoad, FirstLineSkippedUnlessKeepingAndNumberedPerCall)
{
    SongEvArray events;
    loadFromString(QStringLiteral("00:01 Message first\n00:02 Message second"), false, events, noWinIds);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.first()->actionTxt, QStringLiteral("second "));
    EXPECT_EQ(events.first()->index, 0);

    loadFromString(QStringLiteral("\n00:03 Message a\nnot an event\n00:04 Message b"), true, events, noWinIds);
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[1]->index, 0);
    EXPECT_EQ(events[2]->index, 1);
}

TEST(EventScriptLoad, WindowsLineEndsAreRead)
{
    const SongEvArray events = load("00:10 Page 2\r\n00:20 Message hi\r\n00:30 Page 4\r00:40 Page 5");
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(events[0]->actionTxt, QStringLiteral("2"));
    EXPECT_EQ(events[1]->actionTxt, QStringLiteral("hi "));
    EXPECT_EQ(events[2]->actionTxt, QStringLiteral("4"));
    EXPECT_EQ(events[3]->actionTxt, QStringLiteral("5"));
}

TEST(EventScriptSort, UntimedFirstThenTimeThenCueMessageThenIndex)
{
    SongEvArray events = load("01:30 Page 3\n"
                              "01:30 CUE:Chorus\n"
                              "00:10 Message a\n"
                              "MIDI Intro\n"
                              "01:30 Message b\n"
                              "00:05 Tempo=90");
    QStringList order;
    for (const SongEvPtr &ev : events)
        order << ev->actionTxt;
    EXPECT_EQ(order, QStringList({"MIDI Intro ", "90", "a ", "CUE:Chorus  ", "3", "b "}));
    EXPECT_EQ(events[3]->sortString1(), QStringLiteral("100000090000000001"));
    EXPECT_EQ(events[4]->sortString1(), QStringLiteral("100000090100000000"));
}

TEST(EventScriptSort, ColourGroupingAlternatesPerTimeGroup)
{
    const SongEvArray events = load("MIDI A\n00:10 Message a\n00:10 Message b\n00:20 Message c\n00:20 Message d\n00:30 Message e");
    QList<int> colours, levels;
    for (const SongEvPtr &ev : events) {
        colours << ev->colorCode;
        levels << ev->levelNo;
    }
    EXPECT_EQ(colours, QList<int>({0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(levels, QList<int>({0, 0, 1, 0, 1, 0}));
}

TEST(EventScriptWrite, ExactLines)
{
    EXPECT_EQ(roundTrip("01:30 Page 3 bottom"), QStringLiteral("01:30 Page 3 Bottom\n"));
    EXPECT_EQ(roundTrip("01:75 Message hi"), QStringLiteral("01:75 Message hi \n"));
    EXPECT_EQ(roundTrip("00:05 StopNoReset now\n00:30 Stop"), QStringLiteral("00:05 StopNoReset\n00:30 Stop\n"));
    EXPECT_EQ(roundTrip("00:10 metronome sound off\n00:10 metronome sound on\n00:11 metronome stop\n00:12 metronome"),
              QStringLiteral("00:10 Metronome Sound OFF\n00:10 Metronome Sound ON\n00:11 Metronome STOP\n"
                             "00:12 Metronome START\n"));
    EXPECT_EQ(roundTrip("00:00 tempo=120\n00:01 countdown 4\n00:02 countto 2\n00:03 displaycountdown 3\n"
                        "00:04 displaycountto 1\n00:05 play 2"),
              QStringLiteral("00:00 Tempo=120\n00:01 CountDown 4\n00:02 CountTo 2\n00:03 DisplayCountDown 3\n"
                             "00:04 DisplayCountTo 1\n00:05 Play 2\n"));
    EXPECT_EQ(roundTrip("00:06 setchordstripguitar Lead\n00:07 setchordstripukulele Drum\n"
                        "00:08 setchordstrippiano Lead\n00:09 setchordstriphidden"),
              QStringLiteral("00:06 SetChordStripGuitar Lead\n00:07 SetChordStripUkulele Drum\n"
                             "00:08 SetChordStripPiano Lead\n00:09 SetChordStripHidden \n"));
    EXPECT_EQ(roundTrip("PC5@Synth\nMIDI Intro\nLead: hello\n01:30"),
              QStringLiteral("PC5@Synth  \nMIDI Intro \nLead: hello \n01:30 \n"));
}

TEST(EventScriptWrite, EmptyAndSilentEvents)
{
    SongEvArray none;
    EXPECT_EQ(writeEvents(none, true), QString());
    SongEvArray events;
    auto blank = std::make_shared<SongEv>(0);
    blank->actionType = ActNone;  // untimed and without action: nothing to write
    events << blank;
    auto unknown = std::make_shared<SongEv>(1);
    unknown->timeEv = true;
    unknown->actionType = 42;  // no words for it; a bare time would swallow the next line
    events << unknown;
    EXPECT_EQ(writeEvents(events, false), QString());
}

TEST(EventScriptWrite, WritingIsIdempotentAfterTheFirstWrite)
{
    // Before, a lone "01:30" was written "01:30 " and that line vanished on the
    // next read, as did an untimed "Page 3": each save of the note differed from the last.
    const char *scripts[] = {
        "01:30",
        "01:30 Page 3 bottom\n00:00 Tempo=120\nMessage hello\n00:05 CountDown 4\n00:05 Page 3",
        "12:5@Synth\n00:10 Metronome\n00:20 Lead:a  b   c\n00:30 Stop x\nMIDI Verse 2",
        "00:01 Message\n00:02 Page\n00:03 Play\n00:04 SetChordStripHidden",
        "00:00  \n00:10 CUE:Intro\n00:10 Page 2\n00:10 Message two",
        // Untimed lines that read as page, count or stop events but are never read back once written.
        "Page 3 Message\nStop midi\nPlay 2 @\nCountDown 4 :\nSetChordStripGuitar a:b",
        "00:10 Page 2\r x\r\r\n00:11 Message a\r",
    };
    for (const char *script : scripts) {
        SCOPED_TRACE(script);
        const QString first = roundTrip(QString::fromUtf8(script));
        EXPECT_EQ(roundTrip(first), first);
        EXPECT_LE(load(first).size(), load(QString::fromUtf8(script)).size());
    }
}

TEST(EventScriptReload, DoneStateCarriesOverToTheReloadedEvents)
{
    SongEvArray before = load("00:05 CountDown 4\n00:05 Page 3\n00:10 Message a\n00:40 Message b");
    before[0]->traite = true;  // the count-in ran, Page 3 waits for its cue
    before[2]->traite = true;
    SongEvArray after = load("00:05 CountDown 4\n00:05 Page 3\n00:10 Message a\n00:12 Message new\n00:40 Message b");
    carryDoneState(before, after, 15.0);
    QList<bool> done;
    for (const SongEvPtr &ev : after)
        done << ev->traite;
    EXPECT_EQ(done, QList<bool>({true, false, true, true, false}));
}
