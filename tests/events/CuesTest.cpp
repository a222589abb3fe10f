#include "events/Cues.h"
#include "events/EventScript.h"

#include "QStringPrint.h"

#include <gtest/gtest.h>

using namespace cues;

namespace {

bool cueId(const QString &id) { return id.compare(QLatin1String("CUE"), Qt::CaseInsensitive) == 0; }

SongEvArray load(const QString &script)
{
    SongEvArray events;
    eventscript::loadFromString(QStringLiteral("\n") + script, false, events, cueId);
    return events;
}

SongEvPtr one(const QString &line)
{
    const SongEvArray events = load(line);
    return events.isEmpty() ? nullptr : events.first();
}

CueContext context(QList<CueWindow> windows, qint64 genre = 1, qint64 pages = 10, qint64 signature = 3)
{
    CueContext c;
    c.windows = std::move(windows);
    c.genre = genre;
    c.pageCount = pages;
    c.signature = signature;
    return c;
}

QString nextCueText(const QString &script, const CueContext &c)
{
    const SongEvPtr ev = obtenirNextCue(load(script), c);
    return ev ? ev->actionTxt + (ev->actionType == eventscript::ActPageBottom ? "B" : "") : QStringLiteral("nil");
}

} // namespace

TEST(CueText, EveryKindOfEvent)
{
    const CueContext plain = context({CueWindow{1, false}});
    const struct {
        const char *line;
        const char *withTime;
    } cases[] = {
        {"00:00 Tempo=120", "▷00:00 Tempo 120"},
        {"MIDI Intro", "▷00:00 MIDI Intro "},
        {"01:02 Message hi there", "▷01:02 hi there"},
        {"00:03 PC5@Synth", "▷00:03 MIDI PC5@Synth  "},
        {"00:04 cue:Chorus now", "▷00:04 Chorus now "},
        {"01:30 Page 3", "▷01:30 Page 3"},
        {"01:30 Page 3 bottom", "▷01:30 Page 3 Bottom"},
        {"00:10 Metronome Sound OFF", "▷00:10 Metronome Sound OFF"},
        {"00:10 Metronome Sound ON", "▷00:10 Metronome Sound ON"},
        {"00:10 Metronome STOP", "▷00:10 Metronome STOP"},
        {"00:10 Metronome", "▷00:10 Metronome START"},
        {"00:05 CountDown 4", "▷00:05 Count Down 4"},
        {"00:05 DisplayCountDown 0", "▷00:05 Count Down 3"},
        {"00:05 CountTo x", "▷00:05 Count To 3"},
        {"00:05 DisplayCountTo 2", "▷00:05 Count To 2"},
        {"00:06 Play 2", "▷00:06 Play (Genre=Cover)"},
        {"00:06 Play 9", "▷00:06 Play "},
        {"00:07 Stop", "▷00:07 STOP (reset cues)"},
        {"00:07 StopNoReset", "▷00:07 STOP (no reset)"},
        {"00:08 SetChordStripGuitar Lead", "▷00:08 SetChordStripGuitar Lead"},
        {"00:08 SetChordStripUkulele Lead", "▷00:08 SetChordStripUkulele Lead"},
        {"00:08 SetChordStripPiano Lead", "▷00:08 SetChordStripPiano Lead"},
        {"00:08 SetChordStripHidden Lead", "▷00:08 SetChordStripHidden Lead"},
        {"01:30", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const SongEvPtr ev = one(QString::fromUtf8(c.line));
        ASSERT_TRUE(ev);
        EXPECT_EQ(obtenirCueX(*ev, true, plain), QString::fromUtf8(c.withTime));
    }
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 3"), false, plain), QStringLiteral("▷Page 3"));
    SongEv tempoWithoutKeyword;
    tempoWithoutKeyword.actionType = eventscript::ActTempo;
    tempoWithoutKeyword.actionTxt = "120";
    EXPECT_EQ(obtenirCueX(tempoWithoutKeyword, true, plain), QString());
}

TEST(CueText, PageAnnouncesThePageToPreloadWhenNoWindowShowsItPlainly)
{
    const CueContext none = context({});
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 3"), true, none), QStringLiteral("▷01:30 Preload Page 4"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 10"), true, none), QString());
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 9 bottom"), true, none), QStringLiteral("▷01:30 Preload Page 10"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 10 bottom"), true, none), QString());

    // Mode 0 shows odd pages plainly, except when muted; mode 4 never does.
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 3"), true, context({CueWindow{0, false}})), QStringLiteral("▷01:30 Page 3"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 2"), true, context({CueWindow{0, false}})),
              QStringLiteral("▷01:30 Preload Page 3"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 3"), true, context({CueWindow{0, false}}, kGenreMute)),
              QStringLiteral("▷01:30 Preload Page 4"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 3"), true, context({CueWindow{4, false}})),
              QStringLiteral("▷01:30 Preload Page 4"));
    EXPECT_EQ(obtenirCueX(*one("01:30 Page 2"), true, context({CueWindow{4, false}, CueWindow{3, false}})),
              QStringLiteral("▷01:30 Page 2"));
}

TEST(CueTables, GenresAndBeats)
{
    const char *names[] = {"(Genre=Any)", "(Genre=Any)", "(Genre=Cover)", "(Genre=Backing Tracks)",
                           "(Genre=Practice)", "(Genre=Recording)", "(MUTE)", ""};
    for (int g = 0; g <= 7; ++g)
        EXPECT_EQ(genreX(g), QString::fromUtf8(names[g])) << g;
    EXPECT_EQ(genreX(-1), QString());
    EXPECT_EQ(valOrDefNbBeat(7, 3), 7);
    EXPECT_EQ(valOrDefNbBeat(0, 3), 3);
}

TEST(NextCue, SkipsDoneUntimedAndFollowsThePageRule)
{
    const QString script = "MIDI Intro\n00:05 Page 2\n00:06 Page 10\n00:07 Page 1\n00:08 Page 3\n00:09 Message m";
    // No synchronised window, not muted: even pages and pages not below the count are skipped.
    EXPECT_EQ(nextCueText(script, context({})), QStringLiteral("3"));
    // Half-page paging: every page is a cue.
    EXPECT_EQ(nextCueText(script, context({CueWindow{1, false}})), QStringLiteral("2"));
    EXPECT_EQ(nextCueText(script, context({CueWindow{2, true}})), QStringLiteral("2"));
    // Side by side: top pages are cues, bottom ones only when muted with a mode-4 window.
    EXPECT_EQ(nextCueText("00:01 Page 4 bottom\n00:02 Page 5", context({CueWindow{5, false}})), QStringLiteral("5"));
    EXPECT_EQ(nextCueText("00:01 Page 4 bottom\n00:02 Page 5",
                          context({CueWindow{2, false}, CueWindow{4, false}}, kGenreMute)),
              QStringLiteral("4B"));
    // Mode 3 ("O") lets an odd page through even at the end of the song.
    EXPECT_EQ(nextCueText("00:01 Page 10\n00:02 Page 11", context({CueWindow{3, false}})), QStringLiteral("11"));
    // A non-page event is always the next cue.
    EXPECT_EQ(nextCueText("00:01 Page 2\n00:02 Message m", context({})), QStringLiteral("m "));

    SongEvArray events = load(script);
    for (const SongEvPtr &ev : events)
        ev->traite = true;
    EXPECT_EQ(obtenirNextCue(events, context({})), nullptr);
}

TEST(NextCue, MutedPagesTurnInPairs)
{
    const CueContext muted = context({CueWindow{4, false}}, kGenreMute);
    // Pages 2 and 3 pair up: page 2 is the cue once page 3 is reached.
    EXPECT_EQ(nextCueText("00:01 Page 2\n00:02 Page 3\n00:03 Page 4", muted), QStringLiteral("2"));
    // The walk ends holding one: it is the cue.
    EXPECT_EQ(nextCueText("00:01 Page 2", muted), QStringLiteral("2"));
    // Muted without a mode-4 window, odd pages stand alone.
    EXPECT_EQ(nextCueText("00:01 Page 2\n00:02 Page 3", context({}, kGenreMute)), QStringLiteral("3"));
    // Bottom pages are cues when muted with a mode-4 window, page 1 excepted.
    EXPECT_EQ(nextCueText("00:01 Page 1 bottom\n00:02 Page 4 bottom", muted), QStringLiteral("4B"));
    EXPECT_EQ(nextCueText("00:01 Page 1 bottom", context({}, 1)), QStringLiteral("nil"));
}
