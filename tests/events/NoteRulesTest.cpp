#include "events/EventScript.h"
#include "events/NoteRules.h"
#include "platform/Keys.h"

#include "QStringPrint.h"

#include <gtest/gtest.h>

using namespace noterules;
namespace kc = platform::keycode;
namespace kf = platform::keyflag;

TEST(NoteRules, MarkersAndInsertLines)
{
    EXPECT_EQ(pageMarker(95.7, 3, false), QStringLiteral("01:35 Page 3 Bottom"));
    EXPECT_EQ(pageMarker(12.4, 2, true), QStringLiteral("00:12 Page 2"));
    EXPECT_EQ(messageMarker(95.7), QStringLiteral("01:35 Message"));
    EXPECT_EQ(timeText(83.9), QStringLiteral("01:23"));
    EXPECT_EQ(timeText(-3), QStringLiteral("00:00"));
    EXPECT_EQ(messageLine(QStringLiteral("01:23"), QStringLiteral("Intro")), QStringLiteral("01:23 Message Intro"));

    const struct {
        qint32 msb, lsb, program;
        const char *line;
    } programs[] = {
        {0, 2, 5, "2:5@Synth"},
        {1, 2, 5, "1.2:5@Synth"},
        // Before, an LSB not received (-1) was written "-1:5@Synth", sending LSB 1.
        {-1, -1, 5, "5@Synth"},
        {3, -1, 5, "3.:5@Synth"},
    };
    for (const auto &p : programs)
        EXPECT_EQ(programLine(p.msb, p.lsb, p.program, QStringLiteral("Synth")), QString::fromUtf8(p.line));
    EXPECT_EQ(programButtonTitle(2, 0, 0, 5, QStringLiteral("Synth")), QStringLiteral("(2 events)@Synth"));
    EXPECT_EQ(controlLine(7, 64, QStringLiteral("3")), QStringLiteral("CC7:64@3"));
    EXPECT_EQ(keyword(5), QStringLiteral("SYSEX"));
    EXPECT_TRUE(keyword(7).isEmpty());
}

TEST(NoteRules, CuesOfEveryKind)
{
    CueInput in;
    in.count = 4;
    in.nextFreeTime = 70.0;
    in.currentPos = 12.4;
    in.page = 2;
    const struct {
        int kind;
        const char *text;
        bool zoomOn, zoomTop;
        const char *line; // as the script writes it
    } cases[] = {
        {0, "", false, true, "01:10 \n"},
        {1, "", false, true, "00:12 Page 2\n"},
        {1, "", true, false, "00:12 Page 2 Bottom\n"},
        {1, "", false, false, "00:12 Page 2\n"},
        {2, "00:15 Message A", false, true, "00:15 Message A\n"},
        {2, "00:20 MIDI Drums", false, true, "00:20 MIDI Drums\n"},
        {2, "00:21 StopNoReset", false, true, "00:21 StopNoReset\n"},
        {3, "MIDI Drums", false, true, "MIDI Drums\n"},
        {4, "00:01 Play 3", false, true, "00:01 Play 3\n"},
        {5, "01:35 Page 3 Bottom", false, true, "01:35 Page 3 Bottom\n"},
        {5, "01:35 Page 3", false, true, "01:35 Page 3\n"},
    };
    for (const auto &c : cases) {
        in.zoomOn = c.zoomOn;
        in.zoomTop = c.zoomTop;
        const SongEvPtr ev = makeCue(c.kind, QString::fromUtf8(c.text), in);
        ASSERT_TRUE(ev) << c.text;
        EXPECT_EQ(ev->index, 4);
        EXPECT_EQ(eventscript::lineForEvent(*ev), QString::fromUtf8(c.line)) << c.kind << " " << c.text;
        EXPECT_DOUBLE_EQ(ev->val, c.kind == 1 ? 12.4 : c.kind == 0 ? 70.0 : c.kind == 3 ? 0.0 : double(ev->secondsFromTime()));
    }
    in.note = QStringLiteral("00:10 StopNoReset\n");
    EXPECT_FALSE(makeCue(2, QStringLiteral("00:21 StopNoReset"), in)) << "only once per note";

    SongEvArray events;
    EXPECT_DOUBLE_EQ(nextFreeTime(events), 0.0);
    events << std::make_shared<SongEv>(0);
    events.last()->val = 30.0;
    EXPECT_DOUBLE_EQ(nextFreeTime(events), 40.0);
    events.last()->levelNo = 2;
    EXPECT_DOUBLE_EQ(nextFreeTime(events), 30.0);
}

TEST(NoteRules, DropRowsAndMovedCues)
{
    const struct {
        qint64 r, n;
        bool onRow;
        qint64 ref;
    } rows[] = {{0, 5, false, 0}, {1, 5, false, 0}, {3, 5, false, 2}, {5, 5, false, 4},
                {2, 5, true, 2},  {5, 5, true, 4},  {0, 0, false, 0}};
    for (const auto &r : rows)
        EXPECT_EQ(dropReferenceRow(r.r, r.n, r.onRow), r.ref) << r.r << "/" << r.n;
    SongEv ev;
    ev.actionType = eventscript::ActMessageStay;
    ev.actionTxt = QStringLiteral("Lead:hi");
    EXPECT_FALSE(alwaysTimedWhenMoved(ev));
    ev.actionTxt = QStringLiteral("CUE:Chorus");
    EXPECT_TRUE(alwaysTimedWhenMoved(ev));
    ev.actionType = eventscript::ActMidi;
    EXPECT_FALSE(alwaysTimedWhenMoved(ev));
}

TEST(NoteRules, TagsFieldAndCompletion)
{
    const QStringList tags{QStringLiteral("Rock"), QStringLiteral("Rockabilly"), QStringLiteral("Jazz")};
    EXPECT_EQ(tagCompletions(QStringLiteral("ro"), tags),
              (QStringList{QStringLiteral("ro"), QStringLiteral("Rock "), QStringLiteral("Rockabilly ")}));
    EXPECT_TRUE(tagCompletions(QStringLiteral("x"), tags).isEmpty());
    EXPECT_EQ(withTag(QString(), QStringLiteral("Jazz")), QStringLiteral("Jazz"));
    EXPECT_EQ(withTag(QStringLiteral("Rock "), QStringLiteral("Jazz")), QStringLiteral("Rock Jazz"));
    EXPECT_EQ(withTag(QStringLiteral("Rock"), QStringLiteral("Jazz")), QStringLiteral("Rock Jazz"));
    EXPECT_EQ(withTag(QStringLiteral("ROCKABILLY"), QStringLiteral("rock")), QStringLiteral("ROCKABILLY"));
}

TEST(NoteRules, WindowKeys)
{
    auto key = [](quint16 code, quint64 flags) {
        platform::KeyEvent k;
        k.keyCode = code;
        k.modifierFlags = flags;
        return k;
    };
    const struct {
        quint16 code;
        quint64 flags;
        int formatted, plain, arrange;
    } cases[] = {
        {kc::Comma, 0, 78, 78, -1},
        {kc::Comma, kf::Shift, 94, 94, -1},
        {kc::Comma, kf::Command, 79, 79, -1},
        {kc::Space, 0, 42, -1, -1},
        {kc::Grave, kf::Shift, 88, 100, -1},
        {kc::LeftArrow, 0, 36, -1, -1},
        {kc::RightArrow, 0, 37, -1, -1},
        {kc::LeftArrow, kf::Command | kf::Option, 36, -1, 4},
        {kc::UpArrow, kf::Command | kf::Option, -1, -1, 5},
        {kc::Period, 0, -1, 74, -1},
        {kc::Period, kf::Shift, -1, 86, -1},
        {kc::Equal, kf::Command, -1, 52, -1},
        {kc::Minus, 0, -1, 73, -1},
        {kc::IsoSection, 0, -1, -1, -1},
        {kc::IsoSection, kf::Shift, -1, 1025, -1},
        {kc::F, 0, -1, -1, -1},
        {kc::F, kf::Command, -1, 84, -1},
        {kc::Semicolon, 0, -1, 90, -1},
    };
    for (const auto &c : cases) {
        const platform::KeyEvent k = key(c.code, c.flags);
        EXPECT_EQ(formattedWindowKey(k), c.formatted) << c.code;
        EXPECT_EQ(plainWindowKey(k).code, c.plain) << c.code;
        EXPECT_EQ(plainWindowKey(k).arrange, c.arrange) << c.code;
    }
    EXPECT_TRUE(savesFirst(key(kc::RightArrow, 0)));
    EXPECT_FALSE(savesFirst(key(kc::Comma, 0)));
}
