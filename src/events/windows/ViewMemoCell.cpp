#include "events/windows/ViewMemoCell.h"

#include "events/NoteRules.h"
#include "events/windows/LastMidi.h"
#include "platform/NotificationCenter.h"
#include "platform/Vocabulary.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ViewMemoCell::ViewMemoCell(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    textView1_ = new EventTextView(this);
    layout->addWidget(textView1_, 1);
    auto *row = new QHBoxLayout;
    auto button = [this, row](const QString &title, const QString &tip) {
        auto *b = new QPushButton(title, this);
        b->setToolTip(tip);
        row->addWidget(b);
        return b;
    };
    buttonMIDIa_ = button(QString(), QStringLiteral("Insert Program Change MIDI instruction \nFormat: MSB.LSB:program@destination"));
    buttonMIDIb_ = button(QString(), QStringLiteral("Insert Control Change MIDI instruction \nFormat: CCcontrol:value@destination"));
    buttonMIDIc_ = button(QStringLiteral("CT"), QStringLiteral("Insert Global Coarse Tune (transpose) MIDI instruction"));
    buttonMIDId_ = button(QStringLiteral("TR"), QStringLiteral("Insert RPN Coarse Tune (transpose) MIDI instruction"));
    buttonMIDIe_ = button(QStringLiteral("MIDI"), QStringLiteral("Insert MIDI Group ID instruction"));
    layout->addLayout(row);
    connect(buttonMIDIa_, &QPushButton::clicked, this, [this]() { actionInsererMIDIa(); });
    connect(buttonMIDIb_, &QPushButton::clicked, this, [this]() { actionInsererMIDIb(); });
    connect(buttonMIDIc_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(2); });
    connect(buttonMIDId_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(3); });
    connect(buttonMIDIe_, &QPushButton::clicked, this, [this]() { actionInsererMIDIn(4); });
    refreshLastMIDIdata();
    refreshLastMIDIdataCC();
    refreshColorLastMIDIdata(true);
}

void ViewMemoCell::insert(const QString &text)
{
    if (text.isEmpty())
        return;
    // Straight into the text: the clipboard keeps what the user put there.
    textView1_->textCursor().insertText(text);
    platform::NotificationCenter::defaultCenter().post(vocab::EventUpdateRow, QVariant(), this);
}

void ViewMemoCell::actionInsererMIDIn(int tag) { insert(noterules::keyword(tag)); }

void ViewMemoCell::actionInsererMIDIa() { insert(lastmidi::programInsert()); }

void ViewMemoCell::actionInsererMIDIb() { insert(lastmidi::controlLine() + QLatin1Char('\n')); }

void ViewMemoCell::refreshLastMIDIdata()
{
    buttonMIDIa_->setText(lastmidi::programTitle());
    refreshColorLastMIDIdata(false);
}

void ViewMemoCell::refreshLastMIDIdataCC()
{
    buttonMIDIb_->setText(lastmidi::controlLine());
    refreshColorLastMIDIdata(false);
}

void ViewMemoCell::refreshColorLastMIDIdata(bool grey) { lastmidi::paint(buttonMIDIa_, buttonMIDIb_, grey); }
