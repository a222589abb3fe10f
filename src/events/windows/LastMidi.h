#pragma once

#include <QString>

class QAbstractButton;

// The last received MIDI as the insert buttons of the notes windows and the
// event cells show and insert it.
namespace lastmidi {

// The destination text of the last received channel and source.
QString dest();
// The program-change button's title: the line, or "(n events)@dest".
QString programTitle();
// What the program-change button inserts, with a line end: the line, or the
// learned lines when two or more were learned (*learned says how many).
QString programInsert(qint32 *learned = nullptr);
// "CC7:64@dest".
QString controlLine();
// Red and blue for a second after a program or control change, else grey.
void paint(QAbstractButton *programButton, QAbstractButton *controlButton, bool grey);

} // namespace lastmidi
