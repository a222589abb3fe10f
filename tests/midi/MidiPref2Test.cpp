#include "MidiWindowsFixture.h"
#include "library/DataEvents.h"
#include "midi/windows/MidiPref2.h"

#include <QPushButton>

using namespace miditest;

namespace {

class MidiPref2Test : public MidiWindowsFixture {
protected:
    void SetUp() override
    {
        MidiWindowsFixture::SetUp();
        Data::setCurrentScreensetG(0);
        auto &groups = Midi::MIDIfav();
        groups.clear();
        const char *texts[][2] = {{"DEFAULT", ""}, {"G1", "CC7:100@Ch1"}, {"G2", "CC10:64@Ch2"}};
        for (const auto &t : texts) {
            auto g = std::make_shared<MidiFavEvent>(groups.size());
            g->favEventID = QLatin1String(t[0]);
            g->favEventTx = QLatin1String(t[1]);
            groups.append(g);
        }
    }

    MidiPref2 *open()
    {
        windows->showLibrary();
        settle();
        return windows->library();
    }

    static MidiFavEventPtr group(const char *id)
    {
        for (const MidiFavEventPtr &g : Midi::MIDIfav())
            if (g->favEventID == QLatin1String(id))
                return g;
        return nullptr;
    }

    // Script text as its lines, trimmed.
    static QString lines(const QString &text)
    {
        QStringList out;
        for (const QString &line : text.split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty())
                out << line.trimmed();
        return out.join(QLatin1Char('\n'));
    }
    static QString listText() { return lines(Data::stringFromEventsOfArray(Midi::MIDIfavEv(), false)); }

    // The last control change received: CC 1 value 2 on channel 1 of the pedals, named "1".
    static void lastControl()
    {
        Midi::setLastControlMessageValue1(1);
        Midi::setLastControlMessageValue2(2);
        Midi::setLastChannel(1);
        Midi::setLastSourceRef(0);
    }
};

} // namespace

// Before, edits of the events list were written into whatever row was
// selected when they were saved, so a show or an added group between an
// edit and its save put the events into another group, or lost them.
TEST_F(MidiPref2Test, EventEditsAlwaysGoToTheGroupTheyCameFrom)
{
    lastControl();
    MidiPref2 *pref = open();
    EXPECT_EQ(pref->eventsGroup(), group("DEFAULT"));

    pref->selectGroup(1);
    EXPECT_EQ(listText(), QStringLiteral("CC7:100@Ch1"));
    pref->actionInsererMIDIb();
    pref->selectGroup(2);
    EXPECT_EQ(lines(group("G1")->favEventTx), QStringLiteral("CC7:100@Ch1\nCC1:2@1"));
    EXPECT_EQ(listText(), QStringLiteral("CC10:64@Ch2"));

    // Adding a group: the pending edit goes to G2, the new group shows its empty list.
    pref->actionInsererMIDIb();
    pref->actionInsertRow();
    EXPECT_EQ(lines(group("G2")->favEventTx), QStringLiteral("CC10:64@Ch2\nCC1:2@1"));
    const MidiFavEventPtr fresh = Midi::MIDIfav().last();
    EXPECT_EQ(pref->eventsGroup(), fresh);
    EXPECT_EQ(pref->mTable()->selectedRow(), 3);
    EXPECT_TRUE(Midi::MIDIfavEv().isEmpty());

    // A show while a group is selected shows that group's events.
    pref->selectGroup(1);
    pref->actionInsererMIDIb();
    pref->showMidiPref(true);
    EXPECT_EQ(pref->eventsGroup(), group("G1"));
    EXPECT_EQ(listText(), QStringLiteral("CC7:100@Ch1\nCC1:2@1\nCC1:2@1"));

    // A group moved while its events are edited keeps them.
    pref->selectGroup(2);
    pref->actionInsererMIDIb();
    std::unique_ptr<QMimeData> drag(pref->dragGroup(1));
    EXPECT_TRUE(pref->acceptGroupDrop(drag.get(), 4, false));
    EXPECT_EQ(Midi::MIDIfav()[1], group("G2"));
    EXPECT_EQ(pref->mTable()->selectedRow(), 1);
    EXPECT_EQ(group("G2")->favEventTx.count(QStringLiteral("CC1:2@1")), 2);
    EXPECT_EQ(group("G1")->favEventTx.count(QStringLiteral("CC1:2@1")), 2);

    // An event dropped on the group being edited shows in its list; its own group keeps it.
    std::unique_ptr<QMimeData> ev(pref->dragEvent(0));
    EXPECT_TRUE(pref->acceptGroupDrop(ev.get(), 1, true));
    EXPECT_EQ(Midi::MIDIfavEv().size(), 4);
    EXPECT_EQ(group("G2")->favEventTx.count(QStringLiteral("CC10:64@Ch2")), 2);

    pref->close();
    auto &d = platform::UserDefaults::standard();
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiFavEvent_nbFav")), 4);
    EXPECT_EQ(d.stringForKey(QStringLiteral("MidiFavEvent_favEventID_1")), QStringLiteral("G2"));
}

TEST_F(MidiPref2Test, WithoutAGroupNothingIsAddedOrInserted)
{
    Midi::MIDIfav().clear();
    MidiPref2 *pref = open();
    EXPECT_FALSE(pref->eventsGroup());
    pref->actionButtonAjouter();
    pref->actionInsererMIDIb();
    pref->actionSendMidi();
    EXPECT_EQ(dialogs.texts(), QStringList(3, QStringLiteral("A group must be selected to perform this operation")));
    EXPECT_TRUE(Midi::MIDIfavEv().isEmpty());
}

TEST_F(MidiPref2Test, TheDefaultGroupStaysFirstAndKeepsItsName)
{
    MidiPref2 *pref = open();
    EXPECT_TRUE(pref->idCell(0)->isReadOnly());
    EXPECT_FALSE(pref->idCell(1)->isReadOnly());
    pref->actionDeleteRow();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("The DEFAULT group cannot be deleted"));
    EXPECT_EQ(Midi::MIDIfav().size(), 3);
    EXPECT_EQ(pref->dragGroup(0), nullptr);
    std::unique_ptr<QMimeData> drag(pref->dragGroup(2));
    EXPECT_FALSE(pref->validateGroupDrop(drag.get(), 0, false));
    EXPECT_FALSE(pref->acceptGroupDrop(drag.get(), 0, false));
    EXPECT_EQ(Midi::MIDIfav()[0]->favEventID, QStringLiteral("DEFAULT"));

    typeInto(pref->descrCell(0), QStringLiteral("Every song"));
    typeInto(pref->idCell(1), QStringLiteral("Intro"));
    EXPECT_EQ(Midi::MIDIfav()[0]->favEventDescr, QStringLiteral("Every song"));
    EXPECT_EQ(Midi::MIDIfav()[1]->favEventID, QStringLiteral("Intro"));
    // An identifier edit writes no events into its group.
    EXPECT_EQ(Midi::MIDIfav()[1]->favEventTx, QStringLiteral("CC7:100@Ch1"));
}

TEST_F(MidiPref2Test, SendingAGroupAndARestrictedOne)
{
    MidiPref2 *pref = open();
    pref->selectGroup(1);
    loop->clearSent();
    pref->actionSendMidi();
    clock.advance(5.0);
    settle();
    EXPECT_EQ(hex(loop->sentTo(keysIn)), QStringList{"B0 07 64"});
    EXPECT_EQ(hex(loop->sentTo(pedalsIn)), QStringList{"B0 07 64"});

    group("G1")->favRestriction = 2;
    Data::setCurrentScreensetG(1);
    Midi::sendMIDIfromString(QStringLiteral("CC1:1@Ch1"), QString(), true);
    loop->clearSent();
    dialogs.answerButton(QStringLiteral("No"));
    pref->actionSendMidi();
    clock.advance(5.0);
    settle();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Currently selected group is restricted to Screenset 2.\n\nCurrent "
                                                 "screenset is 1.\n\nProceed anyway?"));
    // The queue drains even so, without the group.
    EXPECT_EQ(hex(loop->sentTo(keysIn)), QStringList{"B0 01 01"});
}

TEST_F(MidiPref2Test, TheProgramButtonNeverWritesANegativeBank)
{
    auto synth = std::make_shared<MidiDest>(Midi::MIDIdestinations().size());
    synth->idDest = QStringLiteral("Synth");
    synth->channel = 1;
    synth->sourceUID = Midi::MIDIgetUniqueID(pedals);
    Midi::MIDIdestinations().append(synth);
    MidiPref2 *pref = open();
    struct Case {
        qint32 msb, lsb;
        const char *line;
    };
    // Before, a program change without bank select read "-1:5@Synth".
    const Case cases[] = {{-1, -1, "5@Synth"}, {-1, 1, "1:5@Synth"}, {0, 3, "3:5@Synth"}, {2, 1, "2.1:5@Synth"}};
    Midi::setLastProgramChangeValue(5);
    Midi::setLastChannel(0);
    Midi::setLastSourceRef(pedals);
    Midi::setNbLastEvents(0);
    for (const Case &c : cases) {
        Midi::setLastMSBValue(c.msb);
        Midi::setLastLSBValue(c.lsb);
        pref->refreshLastMIDIdata();
        EXPECT_EQ(pref->buttonMIDIa()->text(), QLatin1String(c.line));
    }
    pref->actionInsererMIDIa();
    EXPECT_TRUE(listText().endsWith(QStringLiteral("2.1:5@Synth")));
}

TEST_F(MidiPref2Test, LearnedEventsAreInsertedAndManyAskFirst)
{
    MidiPref2 *pref = open();
    pref->selectGroup(2);
    auto learn = [](int n) {
        std::lock_guard lock(Midi::textMutex());
        Midi::lastEvents().clear();
        for (int i = 0; i < n; ++i)
            Midi::lastEvents() += QStringLiteral("\nCC%1:1@1").arg(20 + i);
        Midi::setNbLastEvents(n);
    };
    learn(3);
    pref->refreshLastMIDIdata();
    EXPECT_TRUE(pref->buttonMIDIa()->text().startsWith(QStringLiteral("(3 events)@")));
    pref->actionInsererMIDIa();
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_EQ(Midi::MIDIfavEv().size(), 4);

    learn(7);
    dialogs.answerButton(QStringLiteral("No"));
    pref->actionInsererMIDIa();
    dialogs.answerButton(QStringLiteral("Cancel"));
    pref->actionInsererMIDIa();
    EXPECT_EQ(dialogs.records().size(), 2);
    EXPECT_EQ(Midi::MIDIfavEv().size(), 4);
    dialogs.answerButton(QStringLiteral("Yes"));
    pref->actionInsererMIDIa();
    EXPECT_EQ(Midi::MIDIfavEv().size(), 11);
    Midi::setNbLastEvents(0);
}

TEST_F(MidiPref2Test, NotesCuesDroppedOnTheEventsAreTakenOnlyWhenTheyAreMidi)
{
    Data::chargerSongEventsFromString(QStringLiteral("\n00:10 Page 2\n00:20 CC7:1@Ch1"), false, Data::songEvents());
    ASSERT_EQ(Data::songEvents().size(), 2);
    const int page = Data::songEvents()[0]->actionType == 31 ? 1 : 0;
    MidiPref2 *pref = open();
    pref->selectGroup(1);
    std::unique_ptr<QMimeData> pageCue(dragtypes::rowsMimeData(dragtypes::NotesSongEvDataType, {page}));
    EXPECT_FALSE(pref->acceptEventDrop(pageCue.get(), 0, false));
    // A cue of a song that is no longer shown.
    std::unique_ptr<QMimeData> gone(dragtypes::rowsMimeData(dragtypes::NotesSongEvDataType, {7}));
    EXPECT_FALSE(pref->acceptEventDrop(gone.get(), 0, false));
    std::unique_ptr<QMimeData> midiCue(dragtypes::rowsMimeData(dragtypes::NotesSongEvDataType, {1 - page}));
    EXPECT_TRUE(pref->acceptEventDrop(midiCue.get(), 0, false));
    ASSERT_EQ(Midi::MIDIfavEv().size(), 2);
    EXPECT_EQ(Midi::MIDIfavEv()[0]->secondsFromTime(), 0);
    EXPECT_FALSE(Midi::MIDIfavEv()[0]->timeEv);
    EXPECT_EQ(lines(group("G1")->favEventTx), QStringLiteral("CC7:1@Ch1\nCC7:100@Ch1"));

    // Events reorder between rows, never onto one.
    std::unique_ptr<QMimeData> ev(pref->dragEvent(0));
    EXPECT_FALSE(pref->validateEventDrop(ev.get(), 1, true));
    EXPECT_TRUE(pref->acceptEventDrop(ev.get(), 2, false));
    EXPECT_EQ(lines(group("G1")->favEventTx), QStringLiteral("CC7:100@Ch1\nCC7:1@Ch1"));
    Data::songEvents().clear();
}
