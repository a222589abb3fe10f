#pragma once

#include "events/windows/EventTextView.h"

#include <QPushButton>
#include <QWidget>

// A table cell for an event text: the text and buttons that insert MIDI
// instruction keywords and the last received MIDI. Each insertion posts
// "EventUpdateRow" with the cell as object.
class ViewMemoCell : public QWidget {
    Q_OBJECT
public:
    explicit ViewMemoCell(QWidget *parent = nullptr);

    // Keywords 1-6: "CC", "CT", "TR", "MIDI", "SYSEX", "Tempo".
    void actionInsererMIDIn(int tag);
    void actionInsererMIDIa();
    void actionInsererMIDIb();
    void refreshLastMIDIdata();
    void refreshLastMIDIdataCC();
    void refreshColorLastMIDIdata(bool grey);

    qint32 row() const { return row_; }
    void setRow(qint32 row) { row_ = row; }
    EventTextView *textView1() const { return textView1_; }
    QPushButton *buttonMIDIa() const { return buttonMIDIa_; }
    QPushButton *buttonMIDIb() const { return buttonMIDIb_; }

private:
    void insert(const QString &text);

    qint32 row_ = 0;
    EventTextView *textView1_ = nullptr;
    QPushButton *buttonMIDIa_ = nullptr, *buttonMIDIb_ = nullptr, *buttonMIDIc_ = nullptr, *buttonMIDId_ = nullptr,
                *buttonMIDIe_ = nullptr;
};
