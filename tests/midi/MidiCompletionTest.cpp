#include "library/Data.h"
#include "midi/Midi.h"
#include "midi/MidiCompletion.h"

#include <gtest/gtest.h>

using namespace midicompletion;

namespace {

Names names()
{
    Names n;
    n.tags = {QStringLiteral("Tiny")};
    n.winIds = {QStringLiteral("Lead")};
    n.tempo = 120;
    n.groupIds = {QStringLiteral("DEFAULT"), QStringLiteral("DRUMS")};
    n.destIds = {QStringLiteral("All"), QStringLiteral("Ch1")};
    return n;
}

QString joined(const QStringList &l) { return l.join(QLatin1Char('|')); }

} // namespace

TEST(MidiCompletion, DirectivesAndInstructions)
{
    const struct {
        const char *word;
        char next;
        bool midiOnly;
        const char *offered;
    } cases[] = {
        {"ti", ' ', false, "ti|Tiny|Title="},
        {"te", 0, false, "te|Tempo=120"},
        {"le", 0, false, "le|Lead: "},
        {"ca", 0, false, "ca|Capo +2"},
        {"ca", 0, true, ""},
        {"MI", 0, false, "MI|MIDI DRUMS\n"},
        {"CT", '@', false, "CT|CT+0|CT+1|CT+2|CT+3|CT+4|CT+5|CT+6|CT-0|CT-1|CT-2|CT-3|CT-4|CT-5|CT-6"},
        {"tr-", '@', false, "tr-|TR-0|TR-1|TR-2|TR-3|TR-4|TR-5|TR-6"},
        {"CC", ' ', false, "CC|CC0.0@All\n|CC0.0@Ch1\n"},
        {"SY", 0, false, "SY|SYSEX F0 00 00 00 F7@All\n|SYSEX F0 00 00 00 F7@Ch1\n"},
        {"ct", 0, true, "ct|CT+0@All\n|CT+0@Ch1\n"},
        {"CC7.64@", ' ', false, "CC7.64@|CC7.64@All|CC7.64@Ch1"},
        {"cc7.64@", ' ', false, ""},
        {"zz", 0, false, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(joined(complete(QString::fromUtf8(c.word), QChar::fromLatin1(c.next), c.midiOnly, names())),
                  QString::fromUtf8(c.offered))
            << c.word;

    qsizetype start = -1;
    EXPECT_EQ(partialWord(QStringLiteral("Page 2\nCC7.64@"), 14, &start), QStringLiteral("CC7.64@"));
    EXPECT_EQ(start, 7);
}

// Asking twice in a row for one word offers nothing the second time.
TEST(MidiCompletion, RepeatedRequestOffersNothingOnce)
{
    Data::winIDs().clear();
    Data::tags().clear();
    const QString text = QStringLiteral("ti");
    Midi::completeNote(text, 0, 0, false);
    EXPECT_EQ(Midi::completeNote(text, 0, 2, false), (QStringList{QStringLiteral("ti"), QStringLiteral("Title=")}));
    EXPECT_TRUE(Midi::completeNote(text, 0, 2, false).isEmpty());
    EXPECT_EQ(Midi::completeNote(text, 0, 2, false).size(), 2);
    EXPECT_TRUE(Midi::completeNote(text, 0, 0, false).isEmpty());
    EXPECT_EQ(Midi::completeNote(text, 0, 2, false).size(), 2) << "an empty request forgets the word";
}
