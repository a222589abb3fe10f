// The road of a pedal bound to "next song": bytes at the program's MIDI input,
// the receive thread, the trigger queue, the controller, every Tolvane window.
#include "controller/ControllerTestSupport.h"
#include "midi/Midi.h"
#include "midi/MidiInputFixture.h"
#include "midi/MidiTrig.h"
#include "platform/midi/LoopbackMidi.h"
#include "windows/WindowPDFx.h"

namespace {

class MidiPedalRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        controllertest::resetProgram(dataDir);

        for (int i = 1; i <= 3; ++i)
            controllertest::chordProSong(songs.path(), QStringLiteral("s%1.chopro").arg(i),
                                         QStringLiteral("Song %1").arg(i));
        auto &d = platform::UserDefaults::standard();
        d.setBool(QStringLiteral("dirIsanURL0"), true);
        d.setData(QStringLiteral("url0"), songs.path().toUtf8());
        d.setInteger(QStringLiteral("dirNo"), 0);
        d.setInteger(QStringLiteral("NbrExec"), 3);

        // The triggers window stored one row: controller 64 at 127, any source
        // and channel, "next song".
        MidiTrig pedal(0);
        pedal.sourceType = 1;
        pedal.sourceVal1 = 64;
        pedal.sourceVal2 = 127;
        pedal.sourceVal3 = -1;
        pedal.actionType = 8;
        pedal.save();
        d.setInteger(QStringLiteral("MidiTrig_nbTrig"), 1);

        platform::setMidiSystem(nullptr);
        loop = std::make_unique<platform::LoopbackMidi>();
        loop->plugDevice(QStringLiteral("Pedals"));
        pedals = loop->findSource(QStringLiteral("Pedals"));
        platform::setMidiSystem(loop.get());
    }

    void TearDown() override
    {
        settle();
        controller.reset();
        controllertest::closeProgramWindows();
        Midi::setPacketListHandler({});
        miditrig::resetQueues();
        platform::setMidiSystem(nullptr);
        qunsetenv("TOLVANE_DATA_DIR");
    }

    // The start-up order of the program: the engine, then the controller and its windows.
    void start()
    {
        Midi::iniMidi();
        controller = std::make_unique<Controller>();
        controller->awakeFromNib();
        ASSERT_TRUE(testsupport::waitFor([this]() { return !controller->folderReadPending(); }));
        controller->masquerToc();
        auto *second = new WindowPDFx;
        second->windowDidLoad();
        Data::nsMutaryOfWindows().append(second);
        controller->chargerPages(); // a window opened by the user gets the current song
        settle();
    }

    void settle() { miditest::settle(*loop); }

    void press(const char *hex)
    {
        loop->inject(pedals, QByteArray::fromHex(hex));
        settle();
    }

    static QString title(const PiecesPtr &p) { return p && p->pieceDet ? p->pieceDet->titre : QString(); }

    // The song every Tolvane window shows, or "" when they differ.
    static QString shownEverywhere()
    {
        QString shown;
        int tolvanes = 0;
        for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows()) {
            auto *tolvane = qobject_cast<WindowPDFx *>(w.data());
            if (!tolvane)
                continue;
            const QString t = title(tolvane->pieceCour());
            if (tolvanes++ > 0 && t != shown)
                return QString();
            shown = t;
        }
        return tolvanes >= 2 ? shown : QString();
    }

    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dataDir, songs;
    std::unique_ptr<platform::LoopbackMidi> loop;
    platform::MidiEndpointRef pedals = 0;
    std::unique_ptr<Controller> controller;
};

} // namespace

TEST_F(MidiPedalRoad, APedalPressShowsTheNextSongInEveryTolvaneWindow)
{
    start();
    ASSERT_EQ(title(Data::getPiece(Data::songNoG())), QStringLiteral("Song 1"));
    ASSERT_EQ(shownEverywhere(), QStringLiteral("Song 1"));

    QList<qint64> keys;
    platform::NotificationCenter::defaultCenter().addObserver(
        vocab::ActionKey, [&keys](const platform::Notification &n) { keys.append(n.intParam()); },
        controller.get());

    press("b0407f");
    EXPECT_TRUE(keys.contains(vocab::NextSong));
    EXPECT_EQ(title(Data::getPiece(Data::songNoG())), QStringLiteral("Song 2"));
    EXPECT_EQ(shownEverywhere(), QStringLiteral("Song 2"));

    press("b0407f");
    EXPECT_EQ(shownEverywhere(), QStringLiteral("Song 2")) << "the pedal is still down";

    press("b04000");
    press("b9407f"); // any channel
    EXPECT_EQ(shownEverywhere(), QStringLiteral("Song 3"));
    EXPECT_EQ(keys.count(vocab::NextSong), 2);
}
