#pragma once

#include "events/windows/ViewSongCue.h"
#include "midi/MidiRecords.h"
#include "midi/windows/MidiToolWindow.h"

class QComboBox;
class QMimeData;
class QPushButton;
class TableTextField;

// The event library window: the groups of Midi's event library in one table
// and the events of one group in a second table of cue rows. The events
// being edited live in Midi::MIDIfavEv and belong to one group, the one they
// were loaded from; edits are written into that group and no other.
class MidiPref2 : public MidiToolWindow, public ViewSongCueDelegate {
    Q_OBJECT
public:
    explicit MidiPref2(QWidget *parent = nullptr);
    ~MidiPref2() override;

    void showMidiPref(bool save);
    void sauvegarderDonnees() override;
    // Writes pending event edits into the group they belong to.
    void saveEventsifNeeded();
    // Shows a group's events: the list now belongs to that group.
    void refreshEventTableUsingRow(qint64 row);
    void refreshLastMIDIdata();
    void refreshLastMIDIdataCC();
    void refreshColorLastMIDIdata(bool grey);

    // Groups.
    void actionInsertRow();
    void actionDeleteRow();
    void actionSendMidi();
    void actionAppend();
    void actionRestriction();
    // Events.
    void actionButtonAjouter();
    void actionButtonSupprimer();
    void actionButtonDupliquer();
    void actionButtonSendSongEv();
    void actionInsererMIDIa();
    void actionInsererMIDIb();

    // Drops on the two tables; false when refused.
    bool acceptGroupDrop(const QMimeData *data, int row, bool onRow);
    bool acceptEventDrop(const QMimeData *data, int row, bool onRow);
    bool validateGroupDrop(const QMimeData *data, int row, bool onRow) const;
    bool validateEventDrop(const QMimeData *data, int row, bool onRow) const;
    QMimeData *dragGroup(int row) const;
    QMimeData *dragEvent(int row) const;
    // A user's selection of a group row (as a click does).
    void selectGroup(int row);

    void viewSongCueUpdateCueRow(ViewSongCue *view) override;
    void viewSongCueUpdateCueRowMMSS(ViewSongCue *view) override;

    // ---- State and controls, for the tests ----
    MidiFavEventPtr eventsGroup() const { return eventsGroup_; }
    bool eventsModifie() const { return eventsModifie_; }
    MidiRowTable *mTable() const { return groups_; }
    MidiRowTable *mTable2() const { return events_; }
    TableTextField *idCell(int row) const;
    TableTextField *descrCell(int row) const;
    ViewSongCue *eventCell(int row) const;
    QPushButton *buttonMIDIa() const { return buttonMIDIa_; }
    QPushButton *buttonMIDIb() const { return buttonMIDIb_; }
    QPushButton *mBoutDel() const { return boutDel_; }
    QPushButton *buttonSupprimer() const { return buttonSupprimer_; }
    QPushButton *buttonDupliquer() const { return buttonDupliquer_; }
    QComboBox *restriction() const { return restriction_; }

private:
    void buildControls();
    void reloadGroups();
    void reloadEvents();
    void fillGroupRow(int row);
    void fillEventRow(int row);
    void groupTextEdited(int row);
    void enableGroupButtons(bool enabled);
    void enableEventButtons();
    void selectGroupInCode(int row);
    int rowOfEventsGroup() const;
    // The list's group; nullptr after a message when the list belongs to none.
    MidiFavEventPtr requireEventsGroup();
    void addEventLines(const QString &lines);
    // A new last event, selected; the list counts as edited.
    void appendEvent(const SongEvPtr &ev);
    void renumberEvents();
    void sendMIDI(const MidiFavEventPtr &group);
    void appendToNote(const MidiFavEventPtr &group);

    MidiRowTable *groups_ = nullptr;
    MidiRowTable *events_ = nullptr;
    QPushButton *boutDel_ = nullptr;
    QPushButton *boutAdd_ = nullptr;
    QPushButton *boutSend_ = nullptr;
    QPushButton *boutAppend_ = nullptr;
    QPushButton *buttonAjouter_ = nullptr;
    QPushButton *buttonSupprimer_ = nullptr;
    QPushButton *buttonDupliquer_ = nullptr;
    QPushButton *buttonSend_ = nullptr;
    QPushButton *buttonMIDIa_ = nullptr;
    QPushButton *buttonMIDIb_ = nullptr;
    QComboBox *restriction_ = nullptr;
    // The group whose events the list holds; nullptr: none (a new list not yet placed).
    MidiFavEventPtr eventsGroup_;
    bool eventsModifie_ = false;
    bool filling_ = false;
};
