#pragma once

#include "MidiInputFixture.h"
#include "midi/windows/MidiWindows.h"
#include "platform/UserDefaults.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "windows/DragTypes.h"
#include "windows/TableControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMap>

namespace miditest {

// The MIDI settings windows on the loopback, with a pedal board and a
// keyboard "Keys" plugged in, scripted dialogs, and the controller's part of
// the notifications played by hand.
class MidiWindowsFixture : public MidiInputFixture {
protected:
    void SetUp() override
    {
        MidiInputFixture::SetUp();
        keys = loop->plugDevice(QStringLiteral("Keys"));
        keysIn = loop->findDestination(QStringLiteral("Keys"));
        keysOut = loop->findSource(QStringLiteral("Keys"));
        pedalsIn = loop->findDestination(QStringLiteral("Pedals"));
        settle();
        posted.clear();
    }

    void TearDown() override
    {
        windows.reset();
        MidiInputFixture::TearDown();
    }

    // Every stored key and value.
    static QMap<QString, QVariant> storedKeys()
    {
        QMap<QString, QVariant> all;
        auto &d = platform::UserDefaults::standard();
        for (const QString &k : d.allKeys())
            all.insert(k, d.objectForKey(k));
        return all;
    }

    // A user's edit of a text cell.
    static void typeInto(QLineEdit *field, const QString &text)
    {
        field->setText(text);
        emit field->textEdited(text);
    }

    // A user's choice of the first combo item that contains the text.
    static void choose(QComboBox *combo, const QString &containing)
    {
        const int index = combo->findText(containing, Qt::MatchContains);
        ASSERT_GE(index, 0) << containing.toStdString();
        combo->setCurrentIndex(index);
    }

    // Queues an instruction and lets the queue drain.
    void sendAndDrain(const QString &text)
    {
        Midi::sendMIDIfromString(text, QString(), true);
        Midi::processMidiEvents();
        clock.advance(5.0);
        settle();
    }

    static QStringList hex(const QList<QByteArray> &packets)
    {
        QStringList out;
        for (const QByteArray &p : packets)
            out << QString::fromLatin1(p.toHex(' ').toUpper());
        return out;
    }

    platform::ScriptedDialogs dialogs;
    std::unique_ptr<MidiWindows> windows = std::make_unique<MidiWindows>();
    platform::MidiObjectRef keys = 0;
    platform::MidiEndpointRef keysIn = 0, keysOut = 0, pedalsIn = 0;
};

} // namespace miditest
