#include "controller/ControllerOptions.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using controller::ControllerOptions;
using controller::KeyInput;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

} // namespace

TEST(ControllerOptions, FirstRunTakesTheFallbacks)
{
    testsupport::FreshDefaults fresh;
    store().setBool(QStringLiteral("OptWasSaved"), true);  // ignored on a first run
    store().setInteger(QStringLiteral("zoomOptHalfPageMarker"), 0);
    ControllerOptions o;
    o.read(store(), 0);
    EXPECT_EQ(o.nbrExec, 2);
    EXPECT_EQ(o.halfPageMarker, 2);
    EXPECT_TRUE(o.zoomRedLine);
    EXPECT_TRUE(o.centerMouse);
    EXPECT_FALSE(o.gap);  // on later, but off on a first run
    EXPECT_DOUBLE_EQ(o.dimmerVal, 20.0);
    EXPECT_DOUBLE_EQ(o.dimmerValInact, 15.0);
    EXPECT_DOUBLE_EQ(o.midiDelayVal, 0.01);
    EXPECT_FALSE(o.metroSound.has_value());
    EXPECT_EQ(o.keyIndex, ControllerOptions::fallbackKeyIndexes());
    EXPECT_TRUE(store().boolForKey(QStringLiteral("Version23DEJAEXEC")));
    EXPECT_FALSE(o.version23DejaExec);
}

TEST(ControllerOptions, FallbackItemsRunTheExpectedActions)
{
    ControllerOptions o;
    EXPECT_EQ(o.keyTag(KeyInput::PageUp), 2);
    EXPECT_EQ(o.keyTag(KeyInput::PageDown), 3);
    EXPECT_EQ(o.keyTag(KeyInput::Dot), 7);
    EXPECT_EQ(o.keyTag(KeyInput::Mute), controller::NoActionTag);
    EXPECT_EQ(o.keyTag(KeyInput::SwipeLeftRight), 101);
    EXPECT_EQ(o.keyTag(KeyInput::SwipeUpDown), 103);
    EXPECT_EQ(o.keyTag(KeyInput::Tild), 13);
    EXPECT_EQ(o.keyTag(KeyInput::TildShift), 14);
    EXPECT_EQ(o.keyTag(KeyInput::Slash), 20);
    EXPECT_EQ(controller::tagForIndex(KeyInput::Spacebar, 999), controller::NoActionTag);
    EXPECT_EQ(controller::tagForIndex(KeyInput::Spacebar, -1), controller::NoActionTag);
}

TEST(ControllerOptions, RoundTripThroughShutdownWritesGuards)
{
    testsupport::FreshDefaults fresh;
    ControllerOptions o;
    o.read(store(), 0);
    o.halfPageMarker = 1;
    o.zoomRedLine = false;
    o.dimmer = true;
    o.dimmerVal = 42.0;
    o.midiDelayVal = 0.25;
    o.reverseMouse = true;
    o.extOpen = true;
    o.keyPad = true;
    o.keyPad2 = true;
    o.gap = true;
    o.prevPageSong = true;
    o.nextPageSong = true;
    o.dimmerValInact = 30.0;
    o.metroSound = 1;
    o.syncMode = 2;
    o.tickSound = 3;
    o.keyIndex[size_t(KeyInput::Spacebar)] = 4;
    o.keyIndex[size_t(KeyInput::Mute)] = 2;
    o.keyText[size_t(KeyInput::Dot)] = QStringLiteral("Lead:Go");
    o.contPlay[3] = true;
    o.songNoBookMark[2] = 17;
    o.sortBookMark[2] = 1;
    o.slaveOn = true;
    o.write(store());
    for (const char *flag : {"OptWasSaved", "OptWasSaved2D", "OptWasSaved3D", "OptWasSaved3E", "OptWasSaved3F",
                             "OptWasSaved3H", "OptWasSaved3I", "OptWasSaved3J", "OptWasSaved3K"})
        EXPECT_TRUE(store().boolForKey(QString::fromLatin1(flag))) << flag;

    ControllerOptions back;
    back.read(store(), 2);
    EXPECT_EQ(back.nbrExec, 3);
    EXPECT_EQ(back.halfPageMarker, 1);
    EXPECT_FALSE(back.zoomRedLine);
    EXPECT_TRUE(back.dimmer);
    EXPECT_DOUBLE_EQ(back.dimmerVal, 42.0);
    EXPECT_DOUBLE_EQ(back.midiDelayVal, 0.25);
    EXPECT_TRUE(back.reverseMouse);
    EXPECT_TRUE(back.extOpen);
    EXPECT_TRUE(back.keyPad);
    EXPECT_TRUE(back.keyPad2);
    EXPECT_TRUE(back.gap);
    EXPECT_TRUE(back.prevPageSong);
    EXPECT_TRUE(back.nextPageSong);
    EXPECT_DOUBLE_EQ(back.dimmerValInact, 30.0);
    EXPECT_EQ(back.metroSound, 1);
    EXPECT_EQ(back.syncMode, 2);
    EXPECT_EQ(back.tickSound, 3);
    EXPECT_EQ(back.keyIndex[size_t(KeyInput::Spacebar)], 4);
    EXPECT_EQ(back.keyTag(KeyInput::Mute), 23);
    EXPECT_EQ(back.text(KeyInput::Dot), QStringLiteral("Lead:Go"));
    EXPECT_TRUE(back.contPlay[3]);
    EXPECT_EQ(back.songNoBookMark[2], 17);
    EXPECT_EQ(back.sortBookMark[2], 1);
    EXPECT_TRUE(back.slaveOn);
    EXPECT_TRUE(back.version23DejaExec);
}

TEST(ControllerOptions, GuardsDecideBetweenStoredAndFallback)
{
    testsupport::FreshDefaults fresh;
    store().setInteger(QStringLiteral("genOptGap"), 0);
    store().setInteger(QStringLiteral("genOptKeyPad2"), 1);
    store().setInteger(QStringLiteral("optTildShift"), 3);
    store().setBool(QStringLiteral("OptWasSaved"), true);
    store().setDouble(QStringLiteral("genOptMidiDelayVal"), 0.0);
    ControllerOptions o;
    o.read(store(), 5);
    // A store without "OptWasSaved3K" leaves the gap on and the key pad as built.
    EXPECT_TRUE(o.gap);
    EXPECT_FALSE(o.keyPad2);
    EXPECT_EQ(o.keyIndex[size_t(KeyInput::TildShift)], 16);
    // A stored MIDI delay of 0 shows 0.01.
    EXPECT_DOUBLE_EQ(o.midiDelayVal, 0.01);
    EXPECT_EQ(o.nbrExec, 6);
}

TEST(ControllerOptions, OutOfRangeStoredIndexFallsBack)
{
    testsupport::FreshDefaults fresh;
    store().setBool(QStringLiteral("OptWasSaved2D"), true);
    store().setInteger(QStringLiteral("optSpacebar"), 500);
    store().setInteger(QStringLiteral("optDot"), -3);
    store().setBool(QStringLiteral("OptWasSaved"), true);
    store().setInteger(QStringLiteral("zoomOptHalfPageMarker"), 9);
    ControllerOptions o;
    o.read(store(), 1);
    EXPECT_EQ(o.keyIndex[size_t(KeyInput::Spacebar)], 5);
    EXPECT_EQ(o.keyIndex[size_t(KeyInput::Dot)], 0);
    EXPECT_EQ(o.halfPageMarker, 2);
}
