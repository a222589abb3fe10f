#pragma once

#include "midi/windows/MidiEndpoints.h"
#include "midi/windows/MidiToolWindow.h"
#include "midi/windows/MidiWindowRules.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class TableComboBox;

// The clock and ticks window: for every destination present now, whether it
// gets the MIDI clock and the metronome ticks, on which channel, with which
// sound and when audible; stored at each change under the destination's
// unique identifier. Also the metronome's sync mode, tick sound and sound
// switch, and its start and stop.
class MidiPref4 : public MidiToolWindow {
    Q_OBJECT
public:
    explicit MidiPref4(QWidget *parent = nullptr);
    ~MidiPref4() override;

    void showMidiPref(bool save);
    void sauvegarderDonnees() override;
    // Writes one row's five settings and rebuilds both slot tables.
    void updateDestAtIndex(qint64 row);
    void refreshGenOptMetroSound();
    // A sync-mode or tick-sound choice: a running metronome stops.
    void actionGen();
    void actionStartStop();
    void actionSoundOnOff();

    // The stored settings of a destination and their writing.
    static midiwin::TickSettings storedSettings(qint32 destUID);
    static void storeSettings(qint32 destUID, const midiwin::TickSettings &settings);
    // The destinations present now (the program's own left out with exceptOwn).
    static void chargerDestAvail(QList<MidiDestAvailPtr> &list, bool exceptOwn);
    // The slot tables the clock and tick sending read: online destinations
    // whose settings ask for them, in the system's order, at most 21.
    static void refreshDestForClock();
    static void refreshDestForTick();

    // ---- Controls, for the tests ----
    MidiRowTable *mChannelsTable() const { return table_; }
    // Column 1-5 of a row: clock, ticks, channel, sound, audibility.
    TableComboBox *cell(int row, int column) const;
    QCheckBox *genOptMetroSound() const { return sound_; }
    QComboBox *syncMode() const { return syncMode_; }
    QComboBox *tickSound() const { return tickSound_; }
    QPushButton *boutStartStop() const { return startStop_; }
    const QList<MidiDestAvailPtr> &destAvail() const { return destAvail_; }

private:
    void reloadTable();
    void fillRow(int row);

    MidiRowTable *table_ = nullptr;
    QCheckBox *sound_ = nullptr;
    QComboBox *syncMode_ = nullptr;
    QComboBox *tickSound_ = nullptr;
    QPushButton *startStop_ = nullptr;
    QList<MidiDestAvailPtr> destAvail_;
    bool chargementEnCours_ = false;
};
