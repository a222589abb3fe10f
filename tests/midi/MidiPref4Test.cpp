#include "MidiWindowsFixture.h"
#include "midi/windows/MidiPref4.h"

#include <QCheckBox>
#include <QHeaderView>

using namespace miditest;

namespace {

class MidiPref4Test : public MidiWindowsFixture {
protected:
    MidiPref4 *open()
    {
        windows->showClock();
        settle();
        return windows->clock();
    }

    static int rowNamed(MidiPref4 *pref, const QString &name)
    {
        const auto &list = pref->destAvail();
        for (int i = 0; i < list.size(); ++i)
            if (Midi::MIDIgetName(list[i]->destRef) == name)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(MidiPref4Test, TicksAndClockGoToTheChosenDeviceAndFollowItWhenItComesBack)
{
    loop->addVirtualDestination(QStringLiteral("Other Program"));
    MidiPref4 *pref = open();
    EXPECT_LT(rowNamed(pref, QStringLiteral("Quillory IN")), 0);
    EXPECT_GE(rowNamed(pref, QStringLiteral("Other Program")), 0);
    const int row = rowNamed(pref, QStringLiteral("Keys"));
    ASSERT_GE(row, 0);
    const QStringList untouched{pref->cell(row, 1)->currentText(), pref->cell(row, 2)->currentText(),
                                pref->cell(row, 3)->currentText(), pref->cell(row, 4)->currentText(),
                                pref->cell(row, 5)->currentText()};
    EXPECT_EQ(untouched, (QStringList{"🚫 No", "🚫 No", "10", "Side Stick", "Use Master Switch"}));

    const qint32 uid = Midi::MIDIgetUniqueID(keysIn);
    pref->cell(row, 2)->setCurrentIndex(0);
    choose(pref->cell(row, 3), QStringLiteral("16"));
    choose(pref->cell(row, 4), QStringLiteral("Claves"));
    pref->cell(row, 1)->setCurrentIndex(0);
    auto &d = platform::UserDefaults::standard();
    EXPECT_TRUE(d.boolForKey(QStringLiteral("DestForTicks%1").arg(uid)));
    EXPECT_EQ(d.integerForKey(QStringLiteral("ChannelForTicks%1").arg(uid)), 16);
    EXPECT_EQ(d.integerForKey(QStringLiteral("NoteForTicks%1").arg(uid)), 14);
    ASSERT_EQ(Data::nbDestForTick(), 1);
    EXPECT_EQ(platform::MidiEndpointRef(Data::destForTick(0)), keysIn);
    EXPECT_EQ(Data::channelForTick(0), 15);
    EXPECT_EQ(Data::noteForTick(0), 14);

    loop->clearSent();
    Midi::sendClock(0xF8);
    EXPECT_EQ(hex(loop->sentTo(keysIn)), QStringList{"F8"});
    EXPECT_TRUE(loop->sentTo(pedalsIn).isEmpty());

    // Unplugged: no slot. Plugged back: ticks at once.
    loop->unplugDevice(keys);
    windows->midiSetupChanged();
    EXPECT_EQ(Data::nbDestForTick(), 0);
    EXPECT_EQ(Data::nbDestForClock(), 0);
    keys = loop->plugDevice(QStringLiteral("Keys"));
    const platform::MidiEndpointRef back = loop->findDestination(QStringLiteral("Keys"));
    ASSERT_EQ(Midi::MIDIgetUniqueID(back), uid);
    windows->midiSetupChanged();
    ASSERT_EQ(Data::nbDestForTick(), 1);
    EXPECT_EQ(platform::MidiEndpointRef(Data::destForTick(0)), back);
    Data::setOptMetroSound(1);
    loop->clearSent();
    Midi::sendTick(0);
    const QStringList ticks = hex(loop->sentTo(back));
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_TRUE(ticks.first().startsWith(QStringLiteral("9F "))) << ticks.first().toStdString();
}

TEST_F(MidiPref4Test, GeneralSettingsReachTheGlobalStateAndStopARunningMetronome)
{
    Data::setSyncMode(0);
    Data::setMetroOn(true);
    MidiPref4 *pref = open();
    takeKeys();
    pref->syncMode()->setCurrentIndex(1);
    pref->actionGen();
    EXPECT_EQ(Data::syncMode(), 1);
    EXPECT_EQ(takeKeys(), QList<Posted>{key(vocab::MetronomeOnOff)});

    Data::setMetroOn(false);
    pref->tickSound()->setCurrentIndex(3);
    pref->actionGen();
    EXPECT_EQ(Data::tickSound(), 3);
    EXPECT_TRUE(takeKeys().isEmpty());

    Data::setOptMetroSound(1);
    pref->refreshGenOptMetroSound();
    EXPECT_TRUE(pref->genOptMetroSound()->isChecked());
    pref->genOptMetroSound()->setChecked(false);
    pref->actionSoundOnOff();
    EXPECT_EQ(Data::optMetroSound(), 0);
    Data::setTickSound(2);
}

TEST_F(MidiPref4Test, EveryHeadingFitsItsColumn)
{
    // "Metronome Ticks" was cut to "etronome Tick" in a default-width column.
    const QHeaderView *header = open()->mChannelsTable()->horizontalHeader();
    for (int c = 0; c < header->count(); ++c)
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
}
