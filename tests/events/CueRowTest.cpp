#include "events/CueRow.h"
#include "events/EventScript.h"
#include "events/windows/ViewSongCue.h"
#include "library/Data.h"
#include "midi/Midi.h"

#include "CueRowTestSupport.h"
#include "QStringPrint.h"

#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace cuerow;
using cuerowtest::row;

// Every kind of the cue table, written into an event and shown again.
TEST(CueRow, EveryKindBothWays)
{
    const struct {
        Row in;
        qint32 evType, actionType;
        const char *text;
        bool timed;
    } cases[] = {
        {row(0, "00:05"), 0, 0, "", true},
        {row(1, "00:05", "", "3"), 0, 23, "3", true},
        {row(2, "00:05", "", "3"), 0, 24, "3", true},
        {row(3, "00:05", "Hello"), 1, 21, "Hello", true},
        {row(3, "00:05", "Hello", "", "", "", "Lead"), 1, 21, "Lead:Hello", true},
        {row(4, "00:05", "Intro"), 5, 22, "Intro", true},
        {row(4, "", "Intro", "", "", "", "Lead"), 5, 22, "Lead:Intro", false},
        {row(5, "00:05", "Chorus"), 5, 22, "CUE:Chorus", true},
        {row(6, "00:05", "", "120"), 4, 97, "120", true},
        {row(7, "00:05"), 6, 99, "Metronome START", true},
        {row(8, "00:05"), 6, 98, "Metronome STOP", true},
        {row(9, "00:05"), 6, 96, "Metronome Sound ON", true},
        {row(10, "00:05"), 6, 95, "Metronome Sound OFF", true},
        {row(11, "00:05", "", "4"), 7, 101, "4", true},
        {row(12, "00:05", "", "4"), 8, 102, "4", true},
        {row(13, "00:05", "", "4"), 9, 103, "4", true},
        {row(14, "00:05", "", "4"), 10, 104, "4", true},
        {row(15, "00:05", "", "3"), 11, 215, "3", true},
        {row(16, "00:05"), 12, 216, "Stop", true},
        {row(17, "00:05"), 13, 217, "StopNoReset", true},
        {row(18, "00:05", "", "", "", "", "Lead"), 14, 218, "Lead", true},
        {row(19, "00:05", "", "", "", "", "Lead"), 15, 219, "Lead", true},
        {row(20, "00:05", "", "", "", "", "Lead"), 16, 220, "Lead", true},
        {row(21, "00:05", "", "", "", "", "Lead"), 17, 221, "Lead", true},
        {row(22, "", "", "", "", "", "", "DRUMS"), 3, 10, "MIDI DRUMS", false},
        {row(23, "00:05", "", "60", "100", "", "Synth"), 2, 31, "N60:100@Synth", true},
        {row(24, "00:05", "", "2", "5", "17", "Synth"), 2, 31, "2.5:17@Synth", true},
        {row(25, "00:05", "", "7", "100", "", "Ch. 4"), 2, 31, "CC7:100@3", true},
        {row(26, "00:05", "", "", "", "", "All", "+2"), 2, 31, "CT+2@All", true},
        {row(27, "", "", "", "", "", "Synth", "-6"), 2, 31, "TR-6@Synth", false},
        {row(28, "00:05", "F0 43 10 4C F7", "", "", "", "Synth"), 2, 31, "SYSEX F0 43 10 4C F7@Synth", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.in.kind << " " << c.text);
        SongEv ev;
        applyRow(c.in, ev);
        EXPECT_EQ(ev.evType, c.evType);
        EXPECT_EQ(ev.actionType, c.actionType);
        EXPECT_EQ(ev.actionTxt, QString::fromUtf8(c.text));
        EXPECT_EQ(ev.timeEv, c.timed);
        // Shown again, the row is the one it came from.
        const Row back = rowForEvent(ev, false);
        EXPECT_EQ(back.kind, c.in.kind);
        EXPECT_EQ(back.mmss, c.timed ? c.in.mmss : QString());
        EXPECT_EQ(back.val1a, c.in.val1a);
        EXPECT_EQ(back.val1b, c.in.val1b);
        EXPECT_EQ(back.val1c, c.in.val1c);
        EXPECT_EQ(back.winId, c.in.winId);
        EXPECT_EQ(back.fav, c.in.fav);
        if (layoutFor(c.in.kind).val1) {
            EXPECT_EQ(back.val1, c.in.val1);
        }
        // And the script line it writes reads back as the same event.
        SongEvArray loaded;
        eventscript::loadFromString(QStringLiteral("\n") + eventscript::lineForEvent(ev), false, loaded,
                                    [](const QString &id) { return id == QLatin1String("Lead") || id == QLatin1String("CUE"); });
        // (Free text for no window and the stop commands are not read back as such.)
        const bool freeText = c.in.kind == KindWinText && c.in.winId.isEmpty();
        if (ev.actionType != 0 && ev.actionType != 216 && ev.actionType != 217 && c.timed && !freeText) {
            ASSERT_EQ(loaded.size(), 1);
            EXPECT_EQ(loaded[0]->actionType, ev.actionType);
        }
    }
}

TEST(CueRow, NumbersAreCappedAndTimesNormalised)
{
    const struct {
        Row in;
        const char *text;
    } caps[] = {
        {row(1, "", "", "2000"), "999"},
        {row(6, "", "", "500"), "300"},
        {row(11, "", "", "150"), "99"},
        {row(15, "", "", "9"), "6"},
        {row(15, "", "", "0"), "6"},
        {row(25, "", "", "200", "300"), "CC127:127@0"},
        // Before, MSB 0 and program 5 wrote "0:5", which sends LSB 0.
        {row(24, "", "", "0", "", "5"), "0.:5@0"},
        {row(24, "", "", "0", "3", "5"), "0.3:5@0"},
        {row(24, "", "", "3", "", "5"), "3.:5@0"},
        {row(24, "", "", "", "", "17", "Synth"), "17@Synth"},
        {row(24, "", "", "", "1", "5", "Synth"), "1:5@Synth"},
        {row(22, "05:00"), ""},
    };
    for (const auto &c : caps) {
        SongEv ev;
        applyRow(c.in, ev);
        EXPECT_EQ(ev.actionTxt, QString::fromUtf8(c.text)) << c.text;
    }

    const struct {
        const char *typed, *shown;
    } times[] = {
        {"1:30", "01:30"}, {"130", "01:30"}, {"90", "01:30"}, {"75:99", "76:39"},
        {"99:75", "99:15"}, {":7", "00:07"}, {"12:", "12:00"}, {"abc", "00:00"},
    };
    for (const auto &t : times)
        EXPECT_EQ(normaliseTime(QString::fromUtf8(t.typed)), QString::fromUtf8(t.shown)) << t.typed;
}

// Instructions read from the script: the fields they fill and what stays.
TEST(CueRow, MidiInstructionsShowTheirFields)
{
    const struct {
        const char *text;
        int kind;
        const char *a, *b, *c, *dest, *fav, *rewritten;
    } cases[] = {
        {"CC7:100@3", 25, "7", "100", "", "Ch. 4", "", "CC7:100@3"},
        {"N60:100@0", 23, "60", "100", "", "Ch. 1", "", "N60:100@0"},
        // Before, "l:p" was read as MSB and program and "17" as nothing.
        {"5:17@Synth", 24, "", "5", "17", "Synth", "", "5:17@Synth"},
        {"17@Synth", 24, "", "", "17", "Synth", "", "17@Synth"},
        {"2.5:17@ch1", 24, "2", "5", "17", "ch1", "", "2.5:17@ch1"},
        // A destination the combo lacks is kept, never made "@0".
        {"CT+3@Nowhere", 26, "", "", "", "Nowhere", "+3", "CT+3@Nowhere"},
        {"TR-1@16", 27, "", "", "", "16", "-1", "TR-1@16"},
        {"SYSEX F0 43 F7@Synth", 28, "", "", "", "Synth", "", "SYSEX F0 43 F7@Synth"},
    };
    for (const auto &c : cases) {
        SongEv ev;
        ev.actionType = eventscript::ActMidi;
        ev.evType = eventscript::EvMidi;
        ev.actionTxt = QString::fromUtf8(c.text);
        const Row r = rowForEvent(ev, false);
        EXPECT_EQ(r.kind, c.kind) << c.text;
        EXPECT_EQ(r.val1a, QString::fromUtf8(c.a)) << c.text;
        EXPECT_EQ(r.val1b, QString::fromUtf8(c.b)) << c.text;
        EXPECT_EQ(r.val1c, QString::fromUtf8(c.c)) << c.text;
        EXPECT_EQ(r.winId, QString::fromUtf8(c.dest)) << c.text;
        EXPECT_EQ(r.fav, QString::fromUtf8(c.fav)) << c.text;
        SongEv again;
        applyRow(r, again);
        EXPECT_EQ(again.actionTxt, QString::fromUtf8(c.rewritten)) << c.text;
    }
    // The library table: only the MIDI kinds; a text without "@" shows its fields.
    SongEv page;
    page.actionType = eventscript::ActPage;
    page.actionTxt = QStringLiteral("3");
    EXPECT_EQ(rowForEvent(page, true).kind, KindNone);
    SongEv bare;
    bare.actionType = eventscript::ActMidi;
    bare.actionTxt = QStringLiteral("SYSEX F0 43 F7");
    EXPECT_EQ(rowForEvent(bare, true).kind, KindSysex);
    EXPECT_EQ(rowForEvent(bare, true).val1, QStringLiteral("F0 43 F7"));
    EXPECT_EQ(indexForKind(KindControl, true), 4);
    EXPECT_EQ(kindForIndex(4, true), KindControl);
    EXPECT_EQ(kindItems(true).size(), 8);
}

TEST(CueRow, CombosKeepWhatTheyLackAndMatchWithoutCase)
{
    Lists lists;
    lists.destIds = {QStringLiteral("All"), QStringLiteral("Synth")};
    lists.winIds = {QStringLiteral("Lead")};
    lists.groupIds = {QStringLiteral("DEFAULT"), QStringLiteral("DRUMS")};
    lists.groupDescrs = {QString(), QStringLiteral(" kit ")};

    Combo d = winIdCombo(QStringLiteral("synth"), true, lists);
    EXPECT_EQ(d.texts.size(), 1 + 2 + 16);
    EXPECT_EQ(d.choices[d.selected], QStringLiteral("Synth"));
    d = winIdCombo(QStringLiteral("Piano"), true, lists);
    EXPECT_EQ(d.choices[d.selected], QStringLiteral("Piano"));
    EXPECT_EQ(winIdCombo(QString(), false, lists).selected, 0);
    EXPECT_EQ(winIdCombo(QStringLiteral("LEAD"), false, lists).choices[1], QStringLiteral("Lead"));
    EXPECT_EQ(asOffered(row(3, "", "Hi", "", "", "", "LEAD"), lists).winId, QStringLiteral("Lead"));
    EXPECT_EQ(asOffered(row(22, "", "", "", "", "", "", "drums"), lists).fav, QStringLiteral("DRUMS"));

    const Combo g = favCombo(QStringLiteral("drums"), false, lists);
    EXPECT_EQ(g.texts, (QStringList{QString(), QStringLiteral("DEFAULT"), QStringLiteral("DRUMS:kit")}));
    EXPECT_EQ(g.selected, 2);
    EXPECT_EQ(favCombo(QStringLiteral("+1"), true, lists).selected, 5);
    EXPECT_EQ(favCombo(QStringLiteral("-6"), true, lists).selected, 12);
    EXPECT_EQ(favCombo(QStringLiteral("+9"), true, lists).selected, 6);

    EXPECT_TRUE(keepsTexts(11, 14, false));
    EXPECT_TRUE(keepsTexts(3, 5, false));
    EXPECT_FALSE(keepsTexts(5, 6, false));
    EXPECT_FALSE(keepsTexts(1, 2, true));
}

TEST(CueRow, LookFollowsLevelAndColour)
{
    const struct {
        qint32 level, colour, mm, ss;
        bool timed;
        TimeColour time;
        double alpha;
    } cases[] = {
        {2, 1, 0, 5, true, TimeColour::Red, 0.4},
        {2, 0, 0, 0, true, TimeColour::Red, 0.01},
        {1, 1, 0, 5, true, TimeColour::Grey, 0.01},
        {0, 0, 0, 0, true, TimeColour::Normal, 0.3},
        {0, 1, 0, 0, false, TimeColour::Normal, 0.01},
    };
    for (const auto &c : cases) {
        SongEv ev;
        ev.levelNo = c.level;
        ev.colorCode = c.colour;
        ev.mm = c.mm;
        ev.ss = c.ss;
        ev.timeEv = c.timed;
        const Look l = lookFor(ev);
        EXPECT_EQ(l.time, c.time);
        EXPECT_DOUBLE_EQ(l.alpha, c.alpha);
    }
}

namespace {

struct RecordingOwner : ViewSongCueDelegate {
    QList<qint64> rows, timeRows;
    void viewSongCueUpdateCueRow(ViewSongCue *v) override { rows << v->row(); }
    void viewSongCueUpdateCueRowMMSS(ViewSongCue *v) override { timeRows << v->row(); }
};

} // namespace

// A row edited as the user does: kind, fields and time, then written back.
TEST(ViewSongCueView, EditingARowRewritesItsEvent)
{
    Midi::MIDIdestinations().clear();
    auto synth = std::make_shared<MidiDest>(0);
    synth->idDest = QStringLiteral("Synth");
    Midi::MIDIdestinations() << synth;

    QTableWidget table(2, 1);
    SongEvArray events;
    for (int i = 0; i < 2; ++i) {
        auto ev = std::make_shared<SongEv>(i);
        ev->timeEv = true;
        ev->ss = 10 * i;
        ev->actionType = eventscript::ActPage;
        ev->evType = eventscript::EvPage;
        ev->actionTxt = QStringLiteral("2");
        events << ev;
    }
    RecordingOwner owner;
    QList<ViewSongCue *> views;
    for (int i = 0; i < 2; ++i) {
        auto *v = new ViewSongCue;
        v->setValForSongEv(*events[i], i, false);
        v->setDelegate(&owner);
        table.setIndexWidget(table.model()->index(i, 0), v);
        views << v;
    }
    ViewSongCue *v = views[1];
    EXPECT_EQ(v->comboAction()->currentIndex(), KindPage);
    EXPECT_EQ(v->val1a()->text(), QStringLiteral("2"));
    EXPECT_TRUE(owner.rows.isEmpty()) << "showing an event is no edit";

    // Page -> page bottom keeps the number; -> control change empties it.
    v->comboAction()->setCurrentIndex(KindPageBottom);
    EXPECT_EQ(v->val1a()->text(), QStringLiteral("2"));
    v->comboAction()->setCurrentIndex(KindControl);
    EXPECT_TRUE(v->val1a()->text().isEmpty());
    EXPECT_TRUE(v->comboWinID()->isVisibleTo(v));
    QTest::keyClicks(v->val1a(), QStringLiteral("7"));
    QTest::keyClicks(v->val1b(), QStringLiteral("64"));
    v->comboWinID()->setCurrentIndex(v->comboWinID()->findText(QStringLiteral("Synth")));
    v->mmss()->setFocus();
    v->mmss()->selectAll();
    QTest::keyClicks(v->mmss(), QStringLiteral("130"));
    QTest::keyClick(v->mmss(), Qt::Key_Return);
    EXPECT_EQ(v->mmss()->text(), QStringLiteral("01:30"));
    EXPECT_EQ(owner.timeRows, QList<qint64>{1});
    EXPECT_TRUE(owner.rows.size() >= 5 && owner.rows.count(1) == owner.rows.size());

    ViewSongCue::updateSongEvAtIndex(1, &table, events);
    EXPECT_EQ(events[1]->actionTxt, QStringLiteral("CC7:64@Synth"));
    EXPECT_EQ(events[1]->actionType, eventscript::ActMidi);
    EXPECT_DOUBLE_EQ(events[1]->val, 90.0);
    EXPECT_EQ(events[0]->actionTxt, QStringLiteral("2")) << "the other row is untouched";

    // Play newly chosen gets genre 6.
    views[0]->comboAction()->setCurrentIndex(KindPlay);
    EXPECT_EQ(views[0]->val1a()->text(), QStringLiteral("6"));
    Midi::MIDIdestinations().clear();
}
TEST(CueRow, WindowTextsAndCuesAreToldApart)
{
    const struct {
        const char *text;
        int kind;
        const char *winId, *val1, *rewritten;
    } cases[] = {
        {"CUE:Chorus", KindCue, "", "Chorus", "CUE:Chorus"},
        {"cue: Bridge", KindCue, "", "Bridge", "CUE:Bridge"},
        // Before, any text holding "CUE" was taken for a cue and rewritten "CUE:…", losing its window.
        {"Lead: rescue me", KindWinText, "Lead", "rescue me", "Lead:rescue me"},
        {"plain words", KindWinText, "", "plain words", "plain words"},
    };
    for (const auto &c : cases) {
        SongEv ev;
        ev.actionType = eventscript::ActMessageStay;
        ev.evType = eventscript::EvWinIdText;
        ev.actionTxt = QString::fromUtf8(c.text);
        const Row r = rowForEvent(ev, false);
        EXPECT_EQ(r.kind, c.kind) << c.text;
        EXPECT_EQ(r.winId, QString::fromUtf8(c.winId)) << c.text;
        EXPECT_EQ(r.val1, QString::fromUtf8(c.val1)) << c.text;
        SongEv again;
        applyRow(r, again);
        EXPECT_EQ(again.actionTxt, QString::fromUtf8(c.rewritten)) << c.text;
    }
}
