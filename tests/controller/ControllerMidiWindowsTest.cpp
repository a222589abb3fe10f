#include "ControllerTestSupport.h"

#include "midi/Midi.h"
#include "midi/windows/MidiPref.h"
#include "midi/windows/MidiPref2.h"
#include "midi/windows/MidiPref3.h"
#include "midi/windows/MidiPref4.h"
#include "midi/windows/MidiWindows.h"
#include "midi/windows/TrigRowViews.h"
#include "platform/midi/LoopbackMidi.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

using namespace controllertest;

namespace {

class ControllerMidiWindows : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        platform::setMidiSystem(&loop);
        manualClock();
        start();
    }

    void TearDown() override
    {
        ControllerFixture::TearDown();
        platform::setMidiSystem(nullptr);
    }

    QAction *midiItem(const QString &title) const
    {
        for (QAction *a : controller->midiMenu()->actions())
            if (a->text() == title)
                return a;
        return nullptr;
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            testsupport::processEvents();
    }

    platform::LoopbackMidi loop;
};

} // namespace

TEST_F(ControllerMidiWindows, TheMidiMenuOpensEachWindowOnce)
{
    const char *titles[] = {"MIDI Destinations…", "MIDI Event Library…", "MIDI Triggers…",
                            "MIDI Clock and Metronome Ticks…"};
    for (const char *title : titles) {
        QAction *item = midiItem(QString::fromUtf8(title));
        ASSERT_TRUE(item) << title;
        item->trigger();
        item->trigger();
    }
    MidiWindows &w = controller->midiWindows();
    ASSERT_TRUE(w.destinations() && w.library() && w.triggers() && w.clock());
    for (QWidget *window : {static_cast<QWidget *>(w.destinations()), static_cast<QWidget *>(w.library()),
                            static_cast<QWidget *>(w.triggers()), static_cast<QWidget *>(w.clock())})
        EXPECT_TRUE(window->isVisible());
}

// Before, a table edited in an open window was written only when the window
// closed, so quitting with the triggers window open lost the edit.
TEST_F(ControllerMidiWindows, QuittingWithAWindowOpenKeepsItsEdits)
{
    midiItem(QStringLiteral("MIDI Triggers…"))->trigger();
    MidiPref3 *triggers = controller->midiWindows().triggers();
    triggers->actionInsertRow();
    const int row = triggers->mTable()->rowCount() - 1;
    triggers->triggerActionCell(row)->chooseAction(8);
    controller->applicationWillTerminate();
    auto &d = platform::UserDefaults::standard();
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiTrig_nbTrig")), row + 1);
    EXPECT_EQ(d.integerForKey(QStringLiteral("MidiTrig_actionType_%1").arg(row)), 8);
}

TEST_F(ControllerMidiWindows, SetUpChangesAndTheSoundSwitchReachTheWindows)
{
    const platform::MidiObjectRef drums = loop.plugDevice(QStringLiteral("Drums"));
    const platform::MidiEndpointRef drumsIn = loop.findDestination(QStringLiteral("Drums"));
    MidiPref4::storeSettings(Midi::MIDIgetUniqueID(drumsIn), {false, true, 10, 1, 0});
    postKey(vocab::MidiSetupChanged);
    settle();
    EXPECT_EQ(Data::nbDestForTick(), 1);
    loop.setDeviceOffline(drums, true);
    postKey(vocab::MidiSetupChanged);
    settle();
    EXPECT_EQ(Data::nbDestForTick(), 0);

    midiItem(QStringLiteral("MIDI Clock and Metronome Ticks…"))->trigger();
    QCheckBox *sound = controller->midiWindows().clock()->genOptMetroSound();
    const bool before = sound->isChecked();
    postKey(vocab::AudibleMetronomeToggle);
    EXPECT_NE(sound->isChecked(), before);
}
