#pragma once

#include "midi/MidiRecords.h"
#include "midi/windows/MidiToolWindow.h"

class QMimeData;
class QPushButton;
class TableComboBox;
class ViewTrigAction;
class ViewTrigSource;
namespace platform {
struct Notification;
}

// The triggers window: edits the trigger list of Midi in place (edits act on
// received MIDI at once) and learns a row's source from the next message
// played. While it is key, keypad keys play notes into the program's own
// MIDI input.
class MidiPref3 : public MidiToolWindow {
    Q_OBJECT
public:
    explicit MidiPref3(QWidget *parent = nullptr);
    ~MidiPref3() override;

    void showMidiPref(bool save);
    void sauvegarderDonnees() override;
    void updateTrigAtIndex(qint64 row);
    // The message captured while a row listens (channel 1-16).
    void updateValTrigSourceForType(qint64 type, qint64 val1, qint64 val2, qint64 val3,
                                    platform::MidiEndpointRef sourceRef, qint64 channel);
    void listenOff();

    void actionInsertRow();
    void actionDeleteRow();
    void actionDuplicateRow();
    void actionListen();
    bool acceptDrop(const QMimeData *data, int row);
    QMimeData *dragRows(int row) const;

    // ---- State and controls, for the tests ----
    qint64 rowListen() const { return rowListen_; }
    MidiRowTable *mTable() const { return table_; }
    TableComboBox *sourceCell(int row) const;
    TableComboBox *channelCell(int row) const;
    ViewTrigSource *triggerSourceCell(int row) const;
    ViewTrigAction *triggerActionCell(int row) const;
    TableComboBox *behaviorCell(int row) const;
    QPushButton *mBoutDel() const { return del_; }
    QPushButton *mBoutListen() const { return listen_; }
    QPushButton *mBoutDup() const { return dup_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reloadTable();
    void fillRow(int row);
    void selectInCode(int row);
    // Stops listening and answers the selected row, -1 after saying one is needed.
    int rowToEdit();
    void enableButtons(bool enabled);
    void startListening(int row);
    void eventUpdateRow(const platform::Notification &n);
    void eventListen(const platform::Notification &n);

    MidiRowTable *table_ = nullptr;
    QPushButton *del_ = nullptr;
    QPushButton *add_ = nullptr;
    QPushButton *listen_ = nullptr;
    QPushButton *dup_ = nullptr;
    QList<MidiSourceAvailPtr> sourceAvail_;
    QStringList sourceTexts_; // the combo text of each available source
    qint64 rowListen_ = -1;
    bool filling_ = false;
    bool selectingInCode_ = false;
};
