#include "midi/windows/MidiWindows.h"

#include "midi/Midi.h"
#include "midi/windows/MidiPref.h"
#include "midi/windows/MidiPref2.h"
#include "midi/windows/MidiPref3.h"
#include "midi/windows/MidiPref4.h"
#include "platform/UserDefaults.h"

MidiWindows::MidiWindows(QObject *parent) : QObject(parent)
{
    // Windows open on the built-in tables show the stored ones once read.
    platform::UserDefaults::standard().afterLateRead(QStringLiteral("MIDI windows"), [this] { tablesReloaded(); }, this);
}

MidiWindows::~MidiWindows()
{
    delete pref_.data();
    delete pref2_.data();
    delete pref3_.data();
    delete pref4_.data();
}

MidiPref *MidiWindows::destinations() const { return pref_; }
MidiPref2 *MidiWindows::library() const { return pref2_; }
MidiPref3 *MidiWindows::triggers() const { return pref3_; }
MidiPref4 *MidiWindows::clock() const { return pref4_; }

void MidiWindows::showDestinations()
{
    if (!pref_)
        pref_ = new MidiPref;
    pref_->showMidiPref(true);
}

void MidiWindows::showLibrary()
{
    if (!pref2_)
        pref2_ = new MidiPref2;
    pref2_->showMidiPref(true);
}

void MidiWindows::showTriggers()
{
    if (!pref3_)
        pref3_ = new MidiPref3;
    pref3_->showMidiPref(true);
}

void MidiWindows::showClock()
{
    if (!pref4_)
        pref4_ = new MidiPref4;
    pref4_->showMidiPref(true);
}

void MidiWindows::midiMonitorProgram()
{
    if (pref2_)
        pref2_->refreshLastMIDIdata();
}

void MidiWindows::midiMonitorControl()
{
    if (pref2_)
        pref2_->refreshLastMIDIdataCC();
}

void MidiWindows::midiSetupChanged()
{
    if (pref_ && pref_->isVisible())
        pref_->showMidiPref(false);
    if (pref3_ && pref3_->isVisible())
        pref3_->showMidiPref(false);
    MidiPref4::refreshDestForClock();
    MidiPref4::refreshDestForTick();
    if (pref4_ && pref4_->isVisible())
        pref4_->showMidiPref(false);
}

void MidiWindows::tablesReloaded()
{
    if (pref2_ && pref2_->isVisible())
        pref2_->showMidiPref(false);
    midiSetupChanged();
}

void MidiWindows::midiLearnTrigger()
{
    midiMonitorControl();
    if (pref3_)
        pref3_->updateValTrigSourceForType(Midi::sourceType(), Midi::sourceVal1(), Midi::sourceVal2(),
                                           Midi::sourceVal3(), Midi::sourceRef(), Midi::sourceChannel() + 1);
}

void MidiWindows::midiLearnDestination()
{
    midiMonitorControl();
    if (pref_)
        pref_->updateValTrigSourceForType(Midi::sourceType(), Midi::sourceVal1(), Midi::sourceVal2(),
                                          Midi::sourceVal3(), Midi::sourceRef(), Midi::sourceChannel() + 1);
}

void MidiWindows::refreshGenOptMetroSound()
{
    if (pref4_)
        pref4_->refreshGenOptMetroSound();
}
