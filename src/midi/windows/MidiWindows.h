#pragma once

#include <QObject>
#include <QPointer>

class MidiPref;
class MidiPref2;
class MidiPref3;
class MidiPref4;

// The four MIDI settings windows, each made on first use and kept, and what
// the controller's MIDI notifications do to them.
class MidiWindows : public QObject {
    Q_OBJECT
public:
    explicit MidiWindows(QObject *parent = nullptr);
    ~MidiWindows() override;

    // The MIDI menu's items.
    void showDestinations();
    void showLibrary();
    void showTriggers();
    void showClock();

    // 2001 and 2002: a program or control change was received.
    void midiMonitorProgram();
    void midiMonitorControl();
    // 2003: devices came or went: the lists reload, and the clock and tick
    // slots are rebuilt so that a device plugged back gets them at once.
    void midiSetupChanged();
    // The tables were read again (a settings file read late): open windows
    // show them, unsaved, and the clock and tick slots are rebuilt.
    void tablesReloaded();
    // 2004 and 2005: the message captured while learning or monitoring.
    void midiLearnTrigger();
    void midiLearnDestination();
    // The metronome's sound option changed.
    void refreshGenOptMetroSound();

    // The windows made so far (nullptr before first use).
    MidiPref *destinations() const;
    MidiPref2 *library() const;
    MidiPref3 *triggers() const;
    MidiPref4 *clock() const;

private:
    QPointer<MidiPref> pref_;
    QPointer<MidiPref2> pref2_;
    QPointer<MidiPref3> pref3_;
    QPointer<MidiPref4> pref4_;
};
