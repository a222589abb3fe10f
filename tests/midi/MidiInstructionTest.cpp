#include "midi/MidiBytes.h"
#include "midi/MidiInstruction.h"
#include "platform/Keys.h"

#include <gtest/gtest.h>

using namespace midiinstr;

namespace {

// Every packet the text sends, as hex, in order.
QStringList bytesOf(const QString &text, const QList<MidiDestPtr> &rows = firstRunDestinations())
{
    QStringList out;
    for (const Item &item : scanText(text))
        for (const Message &m : item.messages)
            for (const Outgoing &o : resolve(m, rows))
                out.append(QString::fromLatin1(o.bytes.toHex(' ')));
    return out;
}

} // namespace

struct InstructionCase {
    const char *text;
    QStringList bytes;
};

TEST(MidiInstruction, TextGivesTheExactBytes)
{
    const QList<InstructionCase> cases = {
        {"2.5:17@Ch1", {"b0 00 02", "b0 20 05", "c0 11"}},
        {"2.5:17@ch1", {"b0 00 02", "b0 20 05", "c0 11"}},
        {"17@Ch1", {"c0 11"}},
        {"5:17@Ch3", {"b2 20 05", "c2 11"}},
        {"CC7:100@Ch1 17@Ch1", {"b0 07 64", "c0 11"}},
        {"N60:100@0", {"90 3c 64", "80 3c 64"}},
        {"N60@0", {"90 00 3c", "80 00 3c"}},
        // A lower-case letter only separates numbers.
        {"n60:100@0", {"b0 20 3c", "c0 64"}},
        {"@Ch1", {}},
        {"CT+@Ch1", {}},
        {"@16", {}},
        {"5@16", {}},
        {"5@15", {"cf 05"}},
        {"CT+2@All", {"f0 7f 7f 04 04 00 42 f7"}},
        {"CT-12@Ch5", {"f0 7f 7f 04 04 00 34 f7"}},
        {"TR-3@Ch2", {"b1 65 00", "b1 64 02", "b1 06 3d", "b1 26 00", "b1 65 7f", "b1 64 7f"}},
        {"TR+1@5", {"b5 65 00", "b5 64 02", "b5 06 41", "b5 26 00", "b5 65 7f", "b5 64 7f"}},
        {"SYSEX F0 43 10 4C F7@Ch1", {"f0 43 10 4c f7"}},
        {"sysex f0 43 10 4c f7@Ch1", {"f0 43 10 4c f7"}},
        {"SYSEX F0 43", {}},
        {"SYSEX F0 43 10 4C F7@Nowhere", {}},
        {"Message see you@ 8", {}},
        {"17@Nowhere", {}},
        // Tabs and Windows line ends separate instructions like blanks.
        {"CC7:100@Ch1\t17@Ch1\r\n18@Ch1", {"b0 07 64", "c0 11", "c0 12"}},
        // Three digits at most: the fourth ends the walk.
        {"1017@0", {"c0 11"}},
    };
    for (const InstructionCase &c : cases)
        EXPECT_EQ(bytesOf(QString::fromLatin1(c.text)), c.bytes) << c.text;
}

TEST(MidiInstruction, ValuesThatDoNotFitTheirFieldSendNothing)
{
    // Before, these went out with a status byte where a data byte belongs
    // (or a status made from channel -1), so the device read another message.
    for (const char *text : {"200@0", "1.200:5@0", "128.1:5@0", "CC7:128@0", "CC300:1@0", "N60:200@0", "CT+64@All",
                             "CT-65@All", "TR+70@Ch1", "TR-65@Ch1", "5@-1", "CC7:1@-3", "1234@0"})
        EXPECT_TRUE(bytesOf(QString::fromLatin1(text)).isEmpty()) << text;
    // The other instructions of the text still go out.
    EXPECT_EQ(bytesOf(QStringLiteral("200@0 17@0")), QStringList{QStringLiteral("c0 11")});
}

TEST(MidiInstruction, OnlyAWellFormedSysExOfAtMost256BytesIsSent)
{
    // Before, a SysEx lacking F0 or F7, holding a status byte, or cut at 256
    // bytes went out as it was; an empty one was queued as an empty packet.
    EXPECT_TRUE(bytesOf(QStringLiteral("SYSEX 43 10 4C F7@Ch1")).isEmpty());
    EXPECT_TRUE(bytesOf(QStringLiteral("SYSEX F0 43 10 4C@Ch1")).isEmpty());
    EXPECT_TRUE(bytesOf(QStringLiteral("SYSEX F0 43 90 4C F7@Ch1")).isEmpty());
    EXPECT_TRUE(bytesOf(QStringLiteral("SYSEX @Ch1")).isEmpty());

    QString body;
    for (int i = 0; i < 254; ++i)
        body += QStringLiteral(" 01");
    EXPECT_EQ(bytesOf(QStringLiteral("SYSEX F0") + body + QStringLiteral(" F7@Ch1")).size(), 1) << "256 bytes fit";
    EXPECT_TRUE(bytesOf(QStringLiteral("SYSEX F0 01") + body + QStringLiteral(" F7@Ch1")).isEmpty()) << "257 do not";
    // A lone digit pairs with the next one wherever it stands.
    EXPECT_EQ(bytesOf(QStringLiteral("SYSEX F0 4 3 F7@Ch1")), QStringList{QStringLiteral("f0 43 f7")});
}

TEST(MidiInstruction, DestinationRowsChooseDevicesAndChannels)
{
    QList<MidiDestPtr> rows = firstRunDestinations();
    auto synth = std::make_shared<MidiDest>(17);
    synth->idDest = QStringLiteral("Synth");
    synth->channel = 3;
    synth->sendType = 2;
    synth->destUID = 4242;
    auto muted = std::make_shared<MidiDest>(18);
    muted->idDest = QStringLiteral("Muted");
    muted->sendType = 1;
    auto broken = std::make_shared<MidiDest>(19);
    broken->idDest = QStringLiteral("Broken");
    broken->channel = 17;
    rows << synth << muted << broken;

    Message pc;
    pc.kind = ProgramChange;
    pc.val = 9;
    pc.dest = QStringLiteral("SYNTH");
    const QList<Outgoing> one = resolve(pc, rows);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0].bytes, QByteArray::fromHex("c209"));
    EXPECT_EQ(one[0].destUID, 4242);

    pc.dest = QStringLiteral("All");
    const QList<Outgoing> all = resolve(pc, rows);
    ASSERT_EQ(all.size(), 16);
    EXPECT_EQ(all[15].bytes, QByteArray::fromHex("cf09"));
    EXPECT_EQ(all[0].destUID, 0);

    Message sysex;
    sysex.kind = SysEx;
    sysex.packet = QByteArray::fromHex("f07e7f0601f7");
    sysex.dest = QStringLiteral("All");
    EXPECT_EQ(resolve(sysex, rows).size(), 1) << "a SysEx goes once, not once per channel";

    pc.dest = QStringLiteral("Muted");
    EXPECT_TRUE(resolve(pc, rows).isEmpty());
    pc.dest = QStringLiteral("Broken");
    EXPECT_TRUE(resolve(pc, rows).isEmpty()) << "a stored channel beyond 16 sends nothing";
    pc.dest = QStringLiteral("01");
    EXPECT_TRUE(resolve(pc, rows).isEmpty()) << "\"01\" is a name, not a channel";

    // "17@" resolves the empty name, which only a row with an empty name matches.
    EXPECT_TRUE(bytesOf(QStringLiteral("17@"), rows).isEmpty());
    auto unnamed = std::make_shared<MidiDest>(20);
    unnamed->channel = 1;
    rows << unnamed;
    EXPECT_EQ(bytesOf(QStringLiteral("17@"), rows), QStringList{QStringLiteral("c0 11")});
}

TEST(MidiInstruction, GroupCallsAreFoundInTextOrder)
{
    const QList<Item> items = scanText(QStringLiteral("17@0 MIDI Intro\nmidi verse 18@0 MIDI  x"));
    ASSERT_EQ(items.size(), 4);
    EXPECT_FALSE(items[0].isGroupCall);
    EXPECT_TRUE(items[1].isGroupCall);
    EXPECT_EQ(items[1].groupName, QStringLiteral("INTRO"));
    EXPECT_EQ(items[2].groupName, QStringLiteral("VERSE"));
    EXPECT_FALSE(items[3].isGroupCall);
    EXPECT_TRUE(scanText(QStringLiteral("MIDI ")).isEmpty()) << "a name needs a character after the blank";
}

TEST(MidiInstruction, LearnedLinesNameTheRowOfTheirSourceAndChannel)
{
    QList<MidiDestPtr> rows = firstRunDestinations();
    auto anyChannelIgnored = std::make_shared<MidiDest>(17);
    anyChannelIgnored->idDest = QStringLiteral("Silent");
    anyChannelIgnored->sourceUID = 77;
    anyChannelIgnored->sendType = 1;
    auto anyChannel = std::make_shared<MidiDest>(18);
    anyChannel->idDest = QStringLiteral("Keys");
    anyChannel->sourceUID = 77;
    auto channel5 = std::make_shared<MidiDest>(19);
    channel5->idDest = QStringLiteral("Keys5");
    channel5->sourceUID = 77;
    channel5->channel = 5;
    rows << anyChannelIgnored << anyChannel << channel5;

    EXPECT_EQ(channelIdFor(4, true, 77, rows), QStringLiteral("Keys5"));
    EXPECT_EQ(channelIdFor(0, true, 77, rows), QStringLiteral("Keys")) << "a sending row beats a silent one";
    EXPECT_EQ(channelIdFor(0, true, 99, rows), QStringLiteral("0"));
    EXPECT_EQ(channelIdFor(4, false, 77, rows), QStringLiteral("4"));

    // A learned line sent back reaches the same row.
    EXPECT_EQ(bytesOf(QStringLiteral("\n2.5:17@Keys5"), rows),
              (QStringList{QStringLiteral("b4 00 02"), QStringLiteral("b4 20 05"), QStringLiteral("c4 11")}));
}

struct TickCase {
    qint64 audible;
    bool sound, skip;
    qint64 beat;
    bool sounds;
};

TEST(MidiBytes, TickNotesAndTheirAudibilityRules)
{
    EXPECT_EQ(midibytes::tickNote(1), 37);
    EXPECT_EQ(midibytes::tickNote(15), 80);
    EXPECT_EQ(midibytes::tickNote(0), -1);
    EXPECT_EQ(midibytes::tickNote(16), -1);
    const QList<TickCase> cases = {
        {0, true, false, 1, true},  {0, false, false, 1, false}, {0, true, true, 1, false},
        {1, false, true, 9, true},  {3, false, false, 4, true},  {3, false, false, 5, false},
        {4, false, false, 4, false}, {4, false, false, 5, true}, {4, false, false, 8, true},
        {4, false, false, 9, false}, {2, true, false, 1, false},
    };
    for (const TickCase &c : cases)
        EXPECT_EQ(midibytes::tickAudible(c.audible, c.sound, c.skip, c.beat), c.sounds)
            << c.audible << " beat " << c.beat;
}

TEST(MidiBytes, KeypadKeysAndShiftedDigitsBecomeNotes)
{
    using namespace platform;
    using midibytes::keyToMidiNote;
    EXPECT_EQ(keyToMidiNote(keycode::Keypad7, keyflag::NumericPad, true, false, false), 89);
    EXPECT_EQ(keyToMidiNote(keycode::KeypadEnter, 0, true, false, false), 76);
    EXPECT_EQ(keyToMidiNote(keycode::Keypad7, keyflag::Command, true, false, false), -1);
    EXPECT_EQ(keyToMidiNote(keycode::Keypad7, 0, false, false, false), -1) << "option off: not consumed";
    // 2 and 3 belong to the on-screen key pad unless the caller takes every key.
    EXPECT_EQ(keyToMidiNote(keycode::Keypad2, 0, true, true, false), -1);
    EXPECT_EQ(keyToMidiNote(keycode::Keypad2, 0, true, true, true), 84);
    EXPECT_EQ(keyToMidiNote(keycode::Keypad3, 0, true, false, false), 85);
    EXPECT_EQ(keyToMidiNote(keycode::Digit1, keyflag::Shift, false, false, false), 18);
    EXPECT_EQ(keyToMidiNote(keycode::Digit0, keyflag::Shift, true, false, false), 29);
    EXPECT_EQ(keyToMidiNote(keycode::Digit1, 0, true, false, false), -1);
    EXPECT_EQ(keyToMidiNote(keycode::A, keyflag::Shift, true, false, false), -1);
}

TEST(MidiInstruction, GarbageTextNeverPutsAStatusByteInsideAMessage)
{
    // Texts built from the characters the grammar cares about, in any order.
    const QString alphabet = QStringLiteral("0123456789@@.:+-NCTRnc SYSEXMIDI F07\n\tabAll");
    quint32 seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    QList<MidiDestPtr> rows;
    auto all = std::make_shared<MidiDest>(0);
    all->idDest = QStringLiteral("All");
    rows << all;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(next() % 40);
        for (int i = 0; i < length; ++i)
            text.append(alphabet[int(next() % alphabet.size())]);
        for (const Item &item : scanText(text))
            for (const Message &m : item.messages)
                for (const Outgoing &o : resolve(m, rows)) {
                    ASSERT_FALSE(o.bytes.isEmpty()) << qPrintable(text);
                    ASSERT_GE(quint8(o.bytes[0]), 0x80) << qPrintable(text);
                    const bool sysex = quint8(o.bytes[0]) == 0xF0;
                    for (qsizetype k = 1; k < o.bytes.size(); ++k) {
                        if (!(sysex && k == o.bytes.size() - 1)) {
                            ASSERT_LT(quint8(o.bytes[k]), 0x80) << qPrintable(text);
                        }
                    }
                }
    }
}
