#pragma once

#include "midi/windows/MidiEndpoints.h"
#include "midi/windows/MidiToolWindow.h"

class QLineEdit;
class QMimeData;
class QPushButton;
class TableComboBox;
class TableTextField;

// The destinations window: edits the named destinations of Midi (the names
// instructions give after "@") in place, and shows the last MIDI message
// received, with the name an instruction would use to reach its channel and
// source.
class MidiPref : public MidiToolWindow {
    Q_OBJECT
public:
    explicit MidiPref(QWidget *parent = nullptr);
    ~MidiPref() override;

    // Refills the device lists and the table and shows the window; save
    // first writes the table when the window is visible.
    void showMidiPref(bool save);
    void sauvegarderDonnees() override;
    // Takes one row's cells into its destination.
    void updateDestAtIndex(qint64 row);
    // A received message (types 1-4, channel 1-16).
    void updateValTrigSourceForType(qint64 type, qint64 val1, qint64 val2, qint64 val3,
                                    platform::MidiEndpointRef sourceRef, qint64 channel);

    void actionInsertRow();
    void actionDeleteRow();
    void actionClearLastMidiEvent();
    // A drop at a row of the table; false when it is refused.
    bool acceptDrop(const QMimeData *data, int row);
    QMimeData *dragRows(int row) const;

    // ---- Controls, for the tests ----
    MidiRowTable *mChannelsTable() const { return table_; }
    TableTextField *idCell(int row) const;
    TableComboBox *channelCell(int row) const;
    TableComboBox *destinationCell(int row) const;
    QLineEdit *lastMidiEvent() const { return lastMidiEvent_; }
    QLineEdit *lastMidiEventChannel() const { return lastMidiEventChannel_; }
    QLineEdit *lastMidiEventFrom() const { return lastMidiEventFrom_; }
    QLineEdit *lastMidiEventDestID() const { return lastMidiEventDestID_; }
    const QList<MidiDestAvailPtr> &destAvail() const { return destAvail_; }

protected:
    void windowWillClose() override;

private:
    void reloadTable();
    void fillRow(int row);

    MidiRowTable *table_ = nullptr;
    QLineEdit *lastMidiEvent_ = nullptr;
    QLineEdit *lastMidiEventChannel_ = nullptr;
    QLineEdit *lastMidiEventFrom_ = nullptr;
    QLineEdit *lastMidiEventDestID_ = nullptr;
    QList<MidiDestAvailPtr> destAvail_;
    QStringList destTexts_; // the combo text of each available destination
    QList<MidiSourceAvailPtr> sourceAvail_;
    bool chargementEnCours_ = false;
};
