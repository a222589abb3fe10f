#include "midi/windows/MidiEndpoints.h"
#include "midi/windows/MidiWindowRules.h"

#include <gtest/gtest.h>

using midiendpoints::Names;

TEST(MidiWindowRules, EndpointTextsNameTheDeviceOnceAndTheirState)
{
    struct Case {
        Names names;
        bool withStatus;
        const char *text;
    };
    const Case cases[] = {
        // One port named like its device: the name once.
        {{true, "Keys", "Keys", "Keys", false}, true, "✅ Keys (online)"},
        {{true, "Keys", "Keys", "Keys", true}, true, "⚠️ Keys"},
        // A second port of a device: device and port.
        {{true, "Hub", "Port 2", "Port 2", false}, true, "✅ Hub - Port 2 (online)"},
        {{true, "Hub", "Port 2", "Out", false}, true, "✅ Hub - Port 2 - Out (online)"},
        {{false, "", "", "Synth", false}, true, "✅ (Virtual) Synth (online)"},
        // The source name of the last received message: no mark, no state.
        {{true, "Pedals", "Pedals", "Pedals", false}, false, "Pedals"},
        {{false, "", "", "Quillory OUT", false}, false, "(Virtual) Quillory OUT"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(midiendpoints::endpointText(c.names, c.withStatus), QString::fromUtf8(c.text)) << c.text;
}

TEST(MidiWindowRules, AnAbsentDeviceShowsItsStoredDescriptionAndAChoiceStoresTheTextAfterTheMark)
{
    const std::pair<const char *, const char *> missing[] = {
        {"Keys (online)", "❗️ Keys"},
        {"Keys", "❗️ Keys"},
        {"", "❗️ ???"},
        {" (online)", "❗️ ???"},
    };
    for (const auto &[stored, shown] : missing)
        EXPECT_EQ(midiendpoints::missingItem(QString::fromUtf8(stored)), QString::fromUtf8(shown)) << stored;

    const std::pair<const char *, const char *> chosen[] = {
        {"✅ Keys (online)", "Keys (online)"},
        {"⚠️ Keys", "Keys"},
        {"✅", ""},
        {"", ""},
    };
    for (const auto &[item, descr] : chosen)
        EXPECT_EQ(midiendpoints::descrOfItem(QString::fromUtf8(item)), QString::fromUtf8(descr)) << item;
}

TEST(MidiWindowRules, ADraggedRowEndsJustAboveTheRowItWasDroppedOn)
{
    struct Case {
        int from;
        int drop;
        QList<int> result; // empty: refused
    };
    const Case cases[] = {
        {0, 3, {1, 2, 0, 3, 4}},
        {4, 1, {0, 4, 1, 2, 3}},
        {2, 2, {0, 1, 2, 3, 4}},
        {2, 3, {0, 1, 2, 3, 4}},
        {0, 5, {1, 2, 3, 4, 0}}, // below the last row
        {5, 0, {}},
        {-1, 0, {}},
        {1, 6, {}},
    };
    for (const Case &c : cases) {
        QList<int> list{0, 1, 2, 3, 4};
        const bool moved = midiendpoints::moveRow(list, c.from, c.drop);
        EXPECT_EQ(moved, !c.result.isEmpty()) << c.from << "->" << c.drop;
        const QList<int> unchanged{0, 1, 2, 3, 4};
        EXPECT_EQ(list, c.result.isEmpty() ? unchanged : c.result) << c.from << "->" << c.drop;
    }
}

TEST(MidiWindowRules, TheLastReceivedMessageIsNamedWithItsValues)
{
    struct Case {
        qint64 type, v1, v2, v3;
        const char *kind;
        const char *tip;
    };
    const Case cases[] = {
        {1, 64, 127, -1, "Control Message", "Control:64 Value:127"},
        {2, 0, 3, 12, "Program Change", "MSB:0 LSB:3 Program:12"},
        {3, 60, 100, -1, "Note", "Note:60"},
        {4, 0, 90, -1, "Pitch wheel", "Control:0 Value:90"},
    };
    for (const Case &c : cases) {
        const auto shown = midiwin::lastEvent(c.type, c.v1, c.v2, c.v3);
        ASSERT_TRUE(shown) << c.type;
        EXPECT_EQ(shown->kind, QLatin1String(c.kind));
        EXPECT_EQ(shown->toolTip, QLatin1String(c.tip));
    }
    EXPECT_FALSE(midiwin::lastEvent(5, 60, 0, -1));
    EXPECT_FALSE(midiwin::lastEvent(0, 0, 0, 0));
}

TEST(MidiWindowRules, ATriggerSourceShowsTheFieldsOfItsType)
{
    struct Case {
        int type;
        int shown;
        QStringList placeholders;
    };
    const Case cases[] = {
        {0, 0, {}},
        {1, 3, {"Ctrl", "From", "To"}},
        {2, 3, {"MSB", "LSB", "Prg"}},
        {3, 1, {"Note"}},
        {4, 2, {"Ctrl", "Val"}},
        {5, 1, {"Note"}},
        {6, 1, {"Note"}},
    };
    for (const Case &c : cases) {
        const midiwin::SourceFields f = midiwin::sourceFields(c.type);
        EXPECT_EQ(f.shown, c.shown) << c.type;
        EXPECT_EQ(f.placeholders, c.placeholders) << c.type;
    }
    // Between note types the note survives; any other change empties it.
    const std::tuple<int, int, bool> keeps[] = {{3, 6, true}, {6, 5, true}, {1, 3, false}, {3, 1, false},
                                               {2, 2, false}};
    for (const auto &[from, to, kept] : keeps)
        EXPECT_EQ(midiwin::keepsFirstValue(from, to), kept) << from << "->" << to;
}

TEST(MidiWindowRules, TheActionTextShowsOnlyForActionsThatReadIt)
{
    struct Case {
        int action;
        bool shown;
        const char *placeholder;
    };
    const Case cases[] = {
        {0, false, ""},
        {1, true, "WinID (optional)"},
        {27, true, "WinID (optional)"},
        {3, true, "Genre No. (1 - 6)"},
        {4, true, "Searchstring"},
        {8, false, ""},
        {10, true, "MIDI Group ID"},
        {17, true, "Tab No. (1 - 10)"},
        {21, true, "WinID:Message"},
        {33, true, "Nb. of beats (1 - 99)"},
        // The page actions read a number too.
        {35, true, "Page No."},
        {36, true, "Page No."},
        {37, false, ""},
    };
    for (const Case &c : cases) {
        const midiwin::ActionField f = midiwin::actionField(c.action);
        EXPECT_EQ(f.shown, c.shown) << c.action;
        EXPECT_EQ(f.placeholder, QLatin1String(c.placeholder)) << c.action;
    }
    EXPECT_EQ(midiwin::actionItems().size(), 37);
}

TEST(MidiWindowRules, TickSettingsAndTheirItems)
{
    struct Case {
        midiwin::TickSettings stored;
        midiwin::TickItems items;
    };
    const Case cases[] = {
        // Nothing stored: No, No, "10", "Side Stick", "Use Master Switch".
        {{}, {1, 1, 9, 0, 0}},
        {{true, true, 16, 14, 4}, {0, 0, 15, 13, 4}},
        // Values the lists do not offer show the defaults.
        {{false, true, 0, 16, 5}, {1, 0, 9, 0, 0}},
        {{false, false, 17, 0, -1}, {1, 1, 9, 0, 0}},
    };
    for (const Case &c : cases) {
        const midiwin::TickItems items = midiwin::itemsOf(c.stored);
        EXPECT_EQ(std::tie(items.clock, items.ticks, items.channel, items.sound, items.audible),
                  std::tie(c.items.clock, c.items.ticks, c.items.channel, c.items.sound, c.items.audible));
    }
    const midiwin::TickSettings s = midiwin::settingsOf({1, 0, 15, 13, 2});
    EXPECT_EQ(std::tuple(s.clock, s.ticks, s.channel, s.sound, s.audible), std::tuple(false, true, 16ll, 14ll, 2ll));
    EXPECT_EQ(midiwin::tickSoundItems().value(13), QLatin1String("Claves"));
    EXPECT_EQ(midiwin::tickChannelItems().value(15), QLatin1String("16"));
}
