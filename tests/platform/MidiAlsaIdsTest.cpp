#include "platform/midi/AlsaMidi.h"

#include <gtest/gtest.h>
#include <set>

using namespace platform;

namespace {

AlsaPortName port(int client, int portNo, const char *clientName, const char *portName, bool own = false)
{
    return AlsaPortName{client, portNo, QString::fromUtf8(clientName), QString::fromUtf8(portName), true, true, own};
}

} // namespace

TEST(MidiAlsaIds, NamesGiveTheSameIdsInEveryRunWhateverTheClientNumbers)
{
    const auto first = assignAlsaIds({port(20, 0, "Pedalboard", "Pedalboard MIDI 1"), port(24, 0, "Synth", "Synth Port")}, {});
    // Next run: other client numbers, other order of appearance.
    const auto second = assignAlsaIds({port(28, 0, "Synth", "Synth Port"), port(32, 0, "Pedalboard", "Pedalboard MIDI 1")}, {});
    EXPECT_EQ(first[0].source, second[1].source);
    EXPECT_EQ(first[1].dest, second[0].dest);
    EXPECT_EQ(first[0].device, second[1].device);
    EXPECT_NE(first[0].source, first[0].dest) << "a port's source and destination are two endpoints";
    EXPECT_NE(first[0].entity, 0);
}

TEST(MidiAlsaIds, IdenticalDevicesAndTheProgramsOwnIdsNeverCollide)
{
    AlsaPortName in = port(128, 1, "Quillory MIDI", "Quillory IN", true);
    in.isSource = false;
    AlsaPortName out = port(128, 2, "Quillory MIDI", "Quillory OUT", true);
    out.isDest = false;
    const auto ids = assignAlsaIds({port(20, 0, "Pedal", "Pedal"), port(21, 0, "Pedal", "Pedal"), in, out},
                                   std::map<int, qint32>{{1, 4242}});
    std::set<qint32> seen;
    for (const AlsaIds &id : ids) {
        for (qint32 v : {id.device, id.entity, id.source, id.dest}) {
            if (v != 0) {
                EXPECT_TRUE(seen.insert(v).second) << v;
            }
        }
    }
    EXPECT_EQ(ids[2].dest, 4242);
    EXPECT_EQ(ids[2].device, 0) << "the program's own endpoints have no device";
    EXPECT_NE(ids[3].source, 0);
}

// Before, the kernel's "Midi Through" was heard as a source: every send to
// all destinations came straight back into the program's input.
TEST(MidiAlsaIds, TheKernelThroughPortIsOnlyADestination)
{
    const unsigned readable = 0x01 | 0x20; // read, subscribe for reading
    EXPECT_FALSE(alsaPortIsSource(readable | 0x02 | 0x40, true, QStringLiteral("Midi Through")));
    EXPECT_TRUE(alsaPortIsSource(readable, true, QStringLiteral("USB Pedalboard")));
    EXPECT_TRUE(alsaPortIsSource(readable, false, QStringLiteral("Midi Through")));
    EXPECT_FALSE(alsaPortIsSource(0x01, false, QStringLiteral("Synth"))) << "not subscribable";
}
