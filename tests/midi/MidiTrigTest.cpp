#include "MidiInputFixture.h"

#include <future>

using miditest::key;
using miditest::named;
using miditest::Posted;

// ---- Value rules -----------------------------------------------------------------------------

TEST(MidiTrigRules, ControlChangeRangesFireOnEntryOrAtEachStep)
{
    struct Step {
        qint64 value;
        bool fires;
        qint64 step;
    };
    struct Case {
        const char *what;
        qint64 action, from, to;
        QList<Step> steps;
    };
    const QList<Case> cases = {
        {"one value: fires once on entering it", 8, 127, -1,
         {{127, true, -1}, {127, false, -1}, {100, false, -1}, {127, true, -1}}},
        {"a range: fires on entering, not while inside", 8, 10, 20,
         {{15, true, -1}, {20, false, -1}, {21, false, -1}, {10, true, -1}}},
        {"tempo: one step a value over the full range", 29, 0, -1,
         {{0, true, 0}, {0, false, 0}, {127, true, 127}, {64, true, 64}}},
        {"tabs: ten slices", 13, -1, -1, {{0, true, 0}, {12, false, 0}, {13, true, 1}, {127, true, 9}}},
        {"typed characters: 36 slices", 12, 0, -1, {{127, true, 35}, {0, true, 0}}},
        {"on/off halves", 23, 0, -1, {{10, true, 0}, {63, false, 0}, {64, true, 1}, {100, false, 1}, {0, true, 0}}},
        {"a stepped range of its own", 3, 100, 110, {{99, false, -1}, {100, true, 0}, {106, true, 1}, {111, false, -1}}},
        {"an upside-down range holds no value", 29, 50, 40, {{45, false, -1}, {50, false, -1}, {40, false, -1}}},
    };
    for (const Case &c : cases) {
        qint64 vex = -1;
        for (const Step &s : c.steps) {
            qint64 step = -2;
            EXPECT_EQ(miditrig::controlChangeMatches(c.action, c.from, c.to, s.value, vex, &step), s.fires)
                << c.what << " at " << s.value;
            if (s.fires) {
                EXPECT_EQ(step, s.step) << c.what << " at " << s.value;
            }
        }
    }
}

TEST(MidiTrigRules, ProgramNotesAndWheel)
{
    MidiTrig pc;
    pc.sourceType = 2;
    pc.sourceVal1 = 0;
    pc.sourceVal2 = 0;
    pc.sourceVal3 = 5;
    EXPECT_TRUE(miditrig::programChangeMatches(pc, MidiTrigIn(1, 1, 2, 0, 0, 5)));
    EXPECT_TRUE(miditrig::programChangeMatches(pc, MidiTrigIn(1, 1, 2, -1, -1, 5))) << "no bank select with it";
    EXPECT_FALSE(miditrig::programChangeMatches(pc, MidiTrigIn(1, 1, 2, 1, 0, 5)));
    EXPECT_FALSE(miditrig::programChangeMatches(pc, MidiTrigIn(1, 1, 2, -1, -1, 6)));

    MidiTrig note;
    note.sourceVal1 = 36;
    note.actionType = 15;
    EXPECT_TRUE(miditrig::noteMatches(note, 36));
    EXPECT_TRUE(miditrig::noteMatches(note, 40));
    EXPECT_FALSE(miditrig::noteMatches(note, 35));
    note.actionType = 8;
    EXPECT_FALSE(miditrig::noteMatches(note, 40));
    note.actionType = 13;
    EXPECT_FALSE(miditrig::noteMatches(note, 36)) << "a stepped action never matches a note";

    MidiTrig wheel;
    wheel.sourceVal2 = 100;
    EXPECT_TRUE(miditrig::pitchWheelMatches(wheel, MidiTrigIn(1, 1, 4, 0, 70, -1)));
    EXPECT_FALSE(miditrig::pitchWheelMatches(wheel, MidiTrigIn(1, 1, 4, 0, 64, -1)));
    EXPECT_FALSE(miditrig::pitchWheelMatches(wheel, MidiTrigIn(1, 1, 4, 0, 40, -1)));
    EXPECT_TRUE(miditrig::pitchWheelRepeat(4, 70, MidiTrigIn(1, 1, 4, 0, 90, -1)));
    EXPECT_FALSE(miditrig::pitchWheelRepeat(4, 70, MidiTrigIn(1, 1, 4, 0, 64, -1))) << "the centre always passes";
    EXPECT_FALSE(miditrig::pitchWheelRepeat(3, 70, MidiTrigIn(1, 1, 4, 0, 90, -1)));
}

// ---- Triggers on received MIDI ----------------------------------------------------------------

class MidiTriggers : public miditest::MidiInputFixture {
protected:
    void SetUp() override
    {
        MidiInputFixture::SetUp();
        clearTriggers();
    }

    // The keys a message from the pedal board makes the triggers post.
    QList<Posted> fire(const char *hex)
    {
        receive(hex);
        QList<Posted> out;
        for (const Posted &p : takePosted())
            if (!(p.name == vocab::ActionKey && p.param.toInt() >= vocab::MidiRefreshFirst
                  && p.param.toInt() <= vocab::MidiRefreshLast))
                out.append(p);
        return out;
    }
};

TEST_F(MidiTriggers, APedalHeldDownDoesNotFireAgainUntilReleased)
{
    addTrigger(1, 64, 127, -1, 8);
    EXPECT_EQ(fire("b0407f"), QList<Posted>{key(vocab::NextSong)});
    EXPECT_TRUE(fire("b0407f").isEmpty()) << "the same value again";
    EXPECT_TRUE(fire("b04000").isEmpty());
    EXPECT_EQ(fire("b0407f"), QList<Posted>{key(vocab::NextSong)});
}

TEST_F(MidiTriggers, SourceAndChannelDecideWhoListens)
{
    addTrigger(3, 60, 0, 0, 7, {}, 0, 5);
    auto one = addTrigger(3, 61, 0, 0, 8);
    one->sourceMode = 2;
    one->sourceUID = Midi::MIDIgetUniqueID(pedals);
    auto ignored = addTrigger(3, 62, 0, 0, 9);
    ignored->sourceMode = 1;

    EXPECT_TRUE(fire("903c64").isEmpty()) << "channel 1 for a channel-5 trigger";
    EXPECT_EQ(fire("943c64"), QList<Posted>{key(vocab::PreviousSong)});
    EXPECT_EQ(fire("903d64"), QList<Posted>{key(vocab::NextSong)});
    one->sourceUID += 1;
    EXPECT_TRUE(fire("903d64").isEmpty()) << "another source";
    EXPECT_TRUE(fire("903e64").isEmpty()) << "ignore input";
}

TEST_F(MidiTriggers, SkipTriggersTakeTurnsAndSkipResetStartsAgainWithEachSong)
{
    for (qint64 action : {7, 8, 9})
        addTrigger(3, 60, 0, 0, action, {}, 1);
    QList<Posted> got;
    for (int i = 0; i < 4; ++i)
        got += fire("903c64");
    EXPECT_EQ(got, (QList<Posted>{key(vocab::PreviousSong), key(vocab::NextSong), key(vocab::ToggleNote),
                                  key(vocab::PreviousSong)}));

    for (const MidiTrigPtr &t : Midi::MIDItriggers()) {
        t->behavior = 2;
        t->traite = false;
    }
    EXPECT_EQ(fire("903c64"), QList<Posted>{key(vocab::PreviousSong)});
    EXPECT_EQ(fire("903c64"), QList<Posted>{key(vocab::NextSong)});
    Midi::setResetTrig(true); // a song change
    EXPECT_EQ(fire("903c64"), QList<Posted>{key(vocab::PreviousSong)});
}

// Before, a used Skip pedal trigger kept the range state of the message that
// found every trigger used, so the press that starts the round again was lost.
TEST_F(MidiTriggers, ASkipRoundOnAPedalLosesNoPress)
{
    addTrigger(1, 64, 127, -1, 7, {}, 1);
    addTrigger(1, 64, 127, -1, 8, {}, 1);
    QList<Posted> got;
    for (int i = 0; i < 3; ++i) {
        got += fire("b0407f");
        got += fire("b04000");
    }
    EXPECT_EQ(got, (QList<Posted>{key(vocab::PreviousSong), key(vocab::NextSong), key(vocab::PreviousSong)}));
}

TEST_F(MidiTriggers, AWheelFiresOnceEachTimeItCrossesTheCentre)
{
    addTrigger(4, 0, 100, 0, 20);
    addTrigger(4, 0, 10, 0, 19);
    EXPECT_EQ(fire("e00046"), QList<Posted>{key(vocab::NextTab)});
    EXPECT_TRUE(fire("e0005a").isEmpty());
    EXPECT_TRUE(fire("e0007f").isEmpty());
    EXPECT_EQ(fire("e00028"), QList<Posted>{key(vocab::FirstSongOrPreviousTab)});
}

TEST_F(MidiTriggers, ActionsPostTheirCommands)
{
    struct Case {
        qint64 type, v1, v2, v3, action;
        const char *text;
        const char *message;
        QList<Posted> expected;
    };
    const QList<Case> cases = {
        {3, 60, 0, 0, 1, "", "903c64", {key(vocab::PageUp)}},
        {3, 60, 0, 0, 1, "Lead", "903c64", {named(vocab::ActionPageUpForWinID, QStringLiteral("Lead"))}},
        {3, 60, 0, 0, 2, "Drum", "903c64", {named(vocab::ActionPageDownForWinID, QStringLiteral("Drum"))}},
        {3, 60, 0, 0, 3, "4", "903c64", {named(vocab::ActionGoToGenreNoAndPlayPause, 4)}},
        {3, 60, 0, 0, 3, "", "903c64", {key(vocab::Play)}},
        {1, 7, 0, -1, 3, "", "b0077f", {key(vocab::StopOrCancelCountIn), key(vocab::Play)}},
        {3, 60, 0, 0, 4, "b2!", "903c64", {key(1), key(28), key(vocab::ClearSearch)}},
        {3, 60, 0, 0, 4, "", "903c64", {}},
        {3, 60, 0, 0, 5, "a", "903c64",
         {key(vocab::StopOrCancelCountIn), key(0), key(vocab::ClearSearch), key(vocab::Play)}},
        {3, 60, 0, 0, 6, "", "903c64", {key(vocab::StopOrCancelCountIn)}},
        {3, 60, 0, 0, 11, "", "903c64", {key(vocab::StopOrCancelCountIn), key(vocab::Play)}},
        {1, 7, 0, -1, 12, "", "b0077f", {key(35), key(vocab::ClearSearch)}},
        {1, 7, 0, -1, 13, "", "b0077f", {named(vocab::ActionOngletB, 9)}},
        {1, 7, 0, -1, 14, "", "b00740", {named(vocab::ActionScrollCurrentOnglet, 64)}},
        {3, 36, 0, 0, 15, "", "902864", {named(vocab::ActionGoToSongNo, 4)}},
        {3, 36, 0, 0, 16, "", "902464", {named(vocab::ActionPlaySongNo, 0)}},
        {3, 36, 0, 0, 15, "", "902364", {}},
        {3, 60, 0, 0, 17, "3", "903c64", {named(vocab::ActionOngletB, 2)}},
        {3, 60, 0, 0, 17, "0", "903c64", {}},
        {3, 60, 0, 0, 18, "PLAYED", "903c64", {named(vocab::ActionDisplayHideList, QStringLiteral("PLAYED"))}},
        {3, 60, 0, 0, 19, "", "903c64", {key(vocab::FirstSongOrPreviousTab)}},
        {3, 60, 0, 0, 20, "", "903c64", {key(vocab::NextTab)}},
        {3, 60, 0, 0, 21, "Lead:Hi", "903c64", {named(vocab::ActionMessage, QStringLiteral("Lead:Hi"))}},
        {3, 60, 0, 0, 22, "Hi", "903c64", {named(vocab::ActionMessageStay, QStringLiteral("Hi"))}},
        {3, 60, 0, 0, 23, "", "903c64", {key(vocab::MetronomeOnOff)}},
        {1, 7, 0, -1, 23, "", "b00710", {key(vocab::MetronomeOff)}},
        {3, 60, 0, 0, 24, "", "903c64", {key(vocab::RestartMetronome)}},
        {3, 60, 0, 0, 25, "6", "903c64", {named(vocab::ActionGoToGenreNo, 6)}},
        {3, 60, 0, 0, 25, "7", "903c64", {}},
        {3, 60, 0, 0, 26, "", "903c64", {named(vocab::ActionPlayNextPause, 0)}},
        {3, 60, 0, 0, 26, "5", "903c64", {named(vocab::ActionPlayNextPause, 5)}},
        {3, 60, 0, 0, 26, "8", "903c64", {}},
        {3, 60, 0, 0, 27, "", "903c64", {key(vocab::PageDownWrap)}},
        {3, 60, 0, 0, 28, "", "903c64", {key(vocab::NextCue)}},
        {3, 60, 0, 0, 29, "", "903c64", {key(vocab::TapTempo)}},
        {1, 7, 0, -1, 29, "", "b0077f", {key(vocab::TempoChanged)}},
        {1, 7, 0, -1, 30, "", "b0077f", {key(vocab::AudibleMetronomeOn)}},
        {3, 60, 0, 0, 30, "", "903c64", {key(vocab::AudibleMetronomeToggle)}},
        {3, 60, 0, 0, 35, "12", "903c64", {named(vocab::ActionGoToPageNo, 12)}},
        {3, 60, 0, 0, 35, "0", "903c64", {}},
        {3, 60, 0, 0, 36, "2", "903c64", {named(vocab::ActionGoToPageBottomNo, 2)}},
        {3, 60, 0, 0, 37, "", "903c64", {}},
        {2, -1, -1, 5, 9, "", "c005", {key(vocab::ToggleNote)}},
    };
    for (const Case &c : cases) {
        clearTriggers();
        addTrigger(c.type, c.v1, c.v2, c.v3, c.action, QString::fromUtf8(c.text));
        EXPECT_EQ(fire(c.message), c.expected) << "action " << c.action << " text '" << c.text << "'";
    }
    EXPECT_EQ(Data::gtempo(), 180) << "action 29 at 127";
}

TEST_F(MidiTriggers, CountInActionsStartTheCountAndAPlayPedalCancelsIt)
{
    Data::setSyncMode(2); // the external clock drives the metronome
    addTrigger(3, 60, 0, 0, 33, "2");
    EXPECT_TRUE(fire("903c64").isEmpty());
    EXPECT_EQ(Data::gcount(), 3) << "two beats, one more when starting afresh";
    EXPECT_EQ(Data::gcountTo(), 3);
    EXPECT_TRUE(Data::gcountSkip());
    addTrigger(3, 61, 0, 0, 3);
    EXPECT_EQ(fire("903d64"), QList<Posted>{key(vocab::StopCountIn)});
    Data::setSyncMode(0);
}

TEST_F(MidiTriggers, AnEventGroupTriggerSendsTheGroupAndNotesItWhileRecording)
{
    auto group = std::make_shared<MidiFavEvent>(1);
    group->favEventID = QStringLiteral("Intro");
    group->favEventTx = QStringLiteral("CC7:100@0\n");
    Midi::MIDIfav().append(group);
    addTrigger(3, 60, 0, 0, 10, QStringLiteral("INTRO"));
    const platform::MidiEndpointRef synth = loop->findDestination(QStringLiteral("Pedals"));
    loop->clearSent();
    Data::setRecOn(true);
    EXPECT_EQ(fire("903c64"), QList<Posted>{named(vocab::ActionInsererAction, QStringLiteral("MIDI INTRO"))});
    Data::setRecOn(false);
    clock.advance(1.0);
    EXPECT_TRUE(loop->sentTo(synth).contains(QByteArray::fromHex("b00764")));

    // Before, a group that names itself was sent twice from a pedal.
    auto loopGroup = std::make_shared<MidiFavEvent>(2);
    loopGroup->favEventID = QStringLiteral("Loop");
    loopGroup->favEventTx = QStringLiteral("MIDI loop\n5@0\n");
    Midi::MIDIfav().append(loopGroup);
    clearTriggers();
    addTrigger(3, 61, 0, 0, 10, QStringLiteral("loop"));
    loop->clearSent();
    fire("903d64");
    clock.advance(1.0);
    EXPECT_EQ(loop->sentTo(synth), QList<QByteArray>{QByteArray::fromHex("c005")});
}

TEST_F(MidiTriggers, AShortPressFiresTheNoteAtReleaseAndALongOneTheHoldTrigger)
{
    addTrigger(3, 60, 0, 0, 8);
    addTrigger(6, 60, 0, 0, 7);
    addTrigger(5, 60, 0, 0, 9);

    EXPECT_TRUE(fire("903c64").isEmpty()) << "a watched note fires nothing when pressed";
    EXPECT_EQ(Midi::nbMidiTrigInHold(), 1);
    clock.advance(0.4);
    EXPECT_TRUE(fire("803c40").isEmpty()) << "the note off belongs to the hold watch";
    clock.advance(0.01);
    EXPECT_EQ(takePosted(), QList<Posted>{key(vocab::NextSong)}) << "released after 0.4 s";
    EXPECT_EQ(Midi::nbMidiTrigInHold(), 0);

    EXPECT_TRUE(fire("903c64").isEmpty());
    clock.advance(1.0);
    EXPECT_TRUE(takePosted().isEmpty()) << "not yet at the pass after one second";
    clock.advance(1.0);
    EXPECT_EQ(takePosted(), QList<Posted>{key(vocab::PreviousSong)}) << "held for 2 s";
    EXPECT_EQ(fire("903c00"), QList<Posted>{key(vocab::ToggleNote)}) << "its release is a plain note off";
    clock.advance(2.0);
    EXPECT_TRUE(takePosted().isEmpty());
}

TEST_F(MidiTriggers, CandidatesAreProcessedInArrivalOrder)
{
    addTrigger(3, 60, 0, 0, 7);
    addTrigger(3, 61, 0, 0, 8);
    addTrigger(3, 62, 0, 0, 9);
    EXPECT_EQ(fire("903d64903c64903e64"),
              (QList<Posted>{key(vocab::NextSong), key(vocab::PreviousSong), key(vocab::ToggleNote)}));
}

// Before, the actions ran under the queue's lock: the receive thread waited on
// it for as long as an action took (a message box, a folder reload).
TEST_F(MidiTriggers, TheReceiveThreadNeverWaitsForAnAction)
{
    addTrigger(3, 60, 0, 0, 8);
    addTrigger(3, 61, 0, 0, 7);
    bool arrivedDuringAction = false;
    bool inside = false;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey,
        [&](const platform::Notification &n) {
            if (n.intParam() != vocab::NextSong || inside)
                return;
            inside = true;
            loop->inject(pedals, QByteArray::fromHex("903d64"));
            auto idle = std::async(std::launch::async, [this] { loop->waitForIdle(); });
            arrivedDuringAction = idle.wait_for(std::chrono::seconds(10)) == std::future_status::ready
                                  && Midi::nbMidiTrigIn() == 1;
            inside = false;
        },
        &owner);
    EXPECT_EQ(fire("903c64"), (QList<Posted>{key(vocab::NextSong), key(vocab::PreviousSong)}));
    EXPECT_TRUE(arrivedDuringAction);
}

TEST_F(MidiTriggers, AnEmptyTableQueuesNothingAndWatchesNoNote)
{
    addTrigger(6, 60, 0, 0, 7);
    Midi::MIDItriggers().clear(); // filters still set, as between an edit and its refresh
    EXPECT_TRUE(fire("903c64").isEmpty());
    EXPECT_EQ(Midi::nbMidiTrigInHold(), 0);
    EXPECT_EQ(Midi::nbMidiTrigIn(), 0);
}
