#include "ControllerTestSupport.h"

#include "audio/library/MusicFolderIndex.h"
#include "controller/PreferencesDialog.h"
#include "midi/Midi.h"
#include "midi/windows/MidiPref.h"
#include "midi/windows/MidiWindows.h"
#include "platform/MediaPlayer.h"
#include "platform/UserDefaults.h"
#include "platform/dialogs/QtDialogs.h"
#include "platform/media/FakeMediaPlayer.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/CapturedWarnings.h"
#include "support/GatedScan.h"
#include "support/OtherProgram.h"
#include "windows/TableControls.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace controllertest;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

using Rows = QMap<QString, QVariant>;

Rows storedRows(const QString &path)
{
    platform::UserDefaults d;
    EXPECT_TRUE(d.open(path));
    Rows out;
    for (const QString &key : d.allKeys())
        out.insert(key, d.objectForKey(key));
    return out;
}

void put(platform::UserDefaults &d, const QString &key, const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: d.setBool(key, v.toBool()); break;
    case QMetaType::Double: d.setDouble(key, v.toDouble()); break;
    case QMetaType::QString: d.setString(key, v.toString()); break;
    case QMetaType::QByteArray: d.setData(key, v.toByteArray()); break;
    case QMetaType::QDateTime: d.setDate(key, v.toDateTime()); break;
    case QMetaType::QColor: d.setColor(key, v.value<QColor>()); break;
    case QMetaType::QStringList: d.setStringList(key, v.toStringList()); break;
    default: d.setInteger(key, v.toLongLong()); break;
    }
}

// A value no default holds, of the same kind.
QVariant marked(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return !v.toBool();
    case QMetaType::Double: return v.toDouble() + 0.5;
    case QMetaType::QString: return v.toString().isEmpty() ? QStringLiteral("marked") : v.toString() + QStringLiteral(" marked");
    case QMetaType::LongLong:
    case QMetaType::Int: {
        // An identifier moves far from those handed out next.
        const qint64 n = v.toLongLong();
        return n == 0 ? 1 : n == 1 ? 0 : n < 1000 ? n + 1 : n + 1000;
    }
    default: return v;
    }
}

// A soft synth's destination, which keeps its identifier from run to run.
constexpr qint32 kSynthId = 0x5e1f;

void addSynth(platform::LoopbackMidi &loop)
{
    platform::MidiObjectRef synth = 0;
    platform::MidiEndpointRef synthIn = 0;
    loop.clientCreate(QStringLiteral("Soft synth"), {}, &synth);
    loop.destinationCreate(synth, QStringLiteral("Synth"), [](const platform::MidiPacketList &, quintptr) {}, &synthIn);
    EXPECT_EQ(loop.setIntegerProperty(synthIn, platform::MidiProperty::UniqueID, kSynthId), platform::midistatus::NoErr);
}

// The synth takes the MIDI clock and the metronome ticks.
void storeSynthClockAndTicks(platform::UserDefaults &d)
{
    for (const char *kind : {"DestForClock", "DestForTicks"})
        d.setBool(QLatin1String(kind) + QString::number(kSynthId), true);
    d.setInteger(QStringLiteral("ChannelForTicks%1").arg(kSynthId), 10);
    d.setInteger(QStringLiteral("NoteForTicks%1").arg(kSynthId), 3);
    d.setInteger(QStringLiteral("AudibleForTicks%1").arg(kSynthId), 1);
}

// A menu's items as the performer sees them: none while it is disabled.
QString shown(QMenu *menu)
{
    QStringList items;
    if (menu->isEnabled())
        for (const QAction *item : menu->actions())
            if (item->isVisible())
                items << item->text();
    return items.join(u'|');
}

// The destinations the MIDI clock and the metronome ticks go to, with each tick's channel, sound and volume.
QString clockAndTicks()
{
    QStringList out;
    for (qint64 slot = 0; slot < Data::nbDestForClock(); ++slot)
        out << QStringLiteral("clock %1").arg(Midi::MIDIgetUniqueID(Data::destForClock(slot)));
    for (qint64 slot = 0; slot < Data::nbDestForTick(); ++slot)
        out << QStringLiteral("tick %1 %2 %3 %4")
                   .arg(Midi::MIDIgetUniqueID(Data::destForTick(slot)))
                   .arg(Data::channelForTick(slot))
                   .arg(Data::noteForTick(slot))
                   .arg(Data::audibleForTick(slot));
    return out.join(u'|');
}

} // namespace

// One performer's session, the same steps whether the settings file is read
// at start or only later: every settings window is opened, the file becomes
// readable, a destination is renamed on purpose, the windows are closed, a
// track is played, the program quits.
class ControllerLateRead : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        folderWithSongs(songs, 3);
        testsupport::writeFile(QDir(music.path()).filePath(QStringLiteral("Song 01.mp3")), "ID3");
    }

    // When the file becomes readable, in a session that holds it locked
    // through start; the control session, which reads it at once, takes the
    // same steps.
    enum class Read { BeforeClosing, AtQuit };

    void session(const QString &path, Read read, bool locked)
    {
        SCOPED_TRACE(testing::Message() << (locked ? "locked" : "control") << ", read " << int(read));
        resetProgram(dataDir);
        windows.clear();
        platform::LoopbackMidi loop;
        addSynth(loop);
        platform::setMidiSystem(&loop);
        audio::MusicFolderIndex index(QString(), QString(), testsupport::plainReader());
        audio::setMusicLibrary(&index);
        auto player = std::make_shared<platform::FakeMediaPlayer>();
        platform::setMediaPlayerFactory([player]() { return player; });
        std::optional<testsupport::OtherProgram> lock;
        if (locked) {
            lock.emplace(path);
            ASSERT_TRUE(lock->lock());
        }
        platform::UserDefaults::openStandard(path);
        start();
        EXPECT_EQ(store().hasRead(), !locked);

        controller->actionPref();
        for (QMenu *menu : {controller->midiMenu(), controller->windowMenu()})
            for (QAction *item : menu->actions())
                if (item->text().endsWith(QStringLiteral("…")) || item->text().startsWith(QStringLiteral("Audio ")))
                    item->trigger();

        // Changes made on purpose are stored, in Preferences before the file
        // is read too; none are made in a session that reads it only at quit.
        // Preferences, modal, holds the read back until the performer closes it.
        if (lock && read == Read::BeforeClosing) {
            ASSERT_TRUE(lock->run("COMMIT"));
        }
        PreferencesDialog *preferences = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            preferences = preferences ? preferences : qobject_cast<PreferencesDialog *>(w);
        ASSERT_TRUE(preferences && preferences->isVisible());
        for (QCheckBox *box : preferences->findChildren<QCheckBox *>())
            if (read != Read::AtQuit && box->text() == QStringLiteral("Reverse swipe direction")) {
                EXPECT_TRUE(box->isVisible());
                testsupport::clickThroughWindow(box, QPoint(8, box->height() / 2)); // on its box
            }
        preferences->close();
        if (lock && read == Read::BeforeClosing) {
            ASSERT_TRUE(store().waitForWrites(10000));
        }
        heldOnceRead = {Data::tags().join(u'|'), QString::number(Midi::MIDIdestinations().size()),
                        QString::number(Midi::quilloryUIDin()), QString::number(Data::winIDs().size()),
                        shown(controller->recallMenu()), shown(controller->recallFlagsMenu()), clockAndTicks()};
        EXPECT_EQ(window()->messages.filter(QStringLiteral("its settings are in use now")).size(),
                  lock && read == Read::BeforeClosing ? 1 : 0);
        if (read != Read::AtQuit) {
            MidiPref *destinations = controller->midiWindows().destinations();
            testsupport::processEvents(); // what closing Preferences sets off is over before the next click
            destinations->activateWindow();
            ASSERT_TRUE(
                testsupport::waitFor([&] { return QGuiApplication::focusWindow() == destinations->windowHandle(); }));
            testsupport::clickThroughWindow(destinations->idCell(0));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Lead"));
        }
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && !qobject_cast<WindowPDFxSuper *>(w))
                w->close();

        if (read != Read::AtQuit) {
            postKey(vocab::Play);
            index.waitForScan();
            testsupport::processEvents();
            EXPECT_EQ(QFileInfo(player->source()).completeBaseName(), QStringLiteral("Song 01"))
                << "the stored music folder's track is found";
        }

        if (lock && read == Read::AtQuit) {
            ASSERT_TRUE(lock->run("COMMIT"));
        }
        controller->applicationWillTerminate();
        controller.reset();
        closeProgramWindows();
        platform::UserDefaults::openStandard(QString());
        platform::setMidiSystem(nullptr);
        platform::setMediaPlayerFactory(nullptr);
        Data::setPlayer(nullptr);
        Data::setMediaItem(nullptr);
        audio::setMusicLibrary(nullptr);
    }

    // The songs folder in slot 0, opened at start.
    void storeSongsFolder(platform::UserDefaults &d) const
    {
        d.setBool(QStringLiteral("dirIsanURL0"), true);
        d.setData(QStringLiteral("url0"), songs.path().toUtf8());
        d.setInteger(QStringLiteral("dirNo"), 0);
    }

    // Every key a normal session stores, with a value no default holds.
    void seed(const QString &path)
    {
        QTemporaryDir first;
        const QString firstPath = first.filePath(QStringLiteral("defaults.sqlite"));
        {
            platform::UserDefaults d;
            ASSERT_TRUE(d.open(firstPath));
            storeSongsFolder(d);
            d.setString(QStringLiteral("musicFolder"), music.path());
        }
        session(firstPath, Read::BeforeClosing, false);
        platform::UserDefaults d;
        ASSERT_TRUE(d.open(path));
        const platform::UserDefaults::Batch batch(d);
        const Rows rows = storedRows(firstPath);
        // Flags that say the options were saved stay set, or no option would be read.
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            put(d, it.key(), it.key().startsWith(QStringLiteral("OptWasSaved")) ? it.value() : marked(it.value()));
        d.setInteger(QStringLiteral("MidiDest_nbDest"), 3);
        storeSynthClockAndTicks(d);
        // One played and one flagged list were kept.
        for (const char *kind : {"plog", "pflags"}) {
            d.setString(QLatin1String(kind) + QStringLiteral("Tx1"), QStringLiteral("s02.chopro\n"));
            d.setDate(QLatin1String(kind) + QStringLiteral("Date1"), QDateTime(QDate(2024, 5, 4), QTime(21, 30)));
            d.setInteger(QLatin1String(kind) + QStringLiteral("Last"), 1);
        }
        storeSongsFolder(d);
        d.setString(QStringLiteral("musicFolder"), music.path());
    }

    QTemporaryDir songs;
    QTemporaryDir music;
    QStringList heldOnceRead; // what the last session ran on once the file was read
};

// Before, what start-up took from a file it could not read yet (locked by
// another program, a full disk) was the built-in state, and the windows open
// across the read, Preferences among them, wrote it over the file when they
// closed: the dimmer, the MIDI delay and the pedal's action went back to
// their defaults, and the desktop's music folder was indexed for the whole
// session. A file read only at quit lost the song folder's slot. Every row,
// and the tags, MIDI tables, window identifiers, kept played and flagged lists
// and clock and tick destinations the run goes on with, must come out as in a
// session that read the file at once.
TEST_F(ControllerLateRead, ASessionOnAFileReadLateStoresWhatOneReadAtStartDoes)
{
    QTemporaryDir config;
    const QString seeded = config.filePath(QStringLiteral("seeded.sqlite"));
    seed(seeded);
    ASSERT_GT(storedRows(seeded).size(), 100);
    const Rows kept = storedRows(seeded);
    for (const Read read : {Read::BeforeClosing, Read::AtQuit}) {
        const QString control = config.filePath(QStringLiteral("control%1.sqlite").arg(int(read)));
        const QString late = config.filePath(QStringLiteral("late%1.sqlite").arg(int(read)));
        ASSERT_TRUE(QFile::copy(seeded, control));
        ASSERT_TRUE(QFile::copy(seeded, late));
        session(control, read, false);
        const QStringList heldReadAtOnce = heldOnceRead;
        session(late, read, true);
        if (read == Read::BeforeClosing) {
            EXPECT_EQ(heldOnceRead, heldReadAtOnce)
                << "tags, MIDI destinations, input id, window identifiers, played and flagged lists, clock and ticks";
        }
        // Read only at quit, the file keeps every value: nothing the session
        // held came from it, and the performer changed nothing.
        const Rows expected = read == Read::AtQuit ? kept : storedRows(control);
        const Rows actual = storedRows(late);
        if (read == Read::BeforeClosing) {
            EXPECT_EQ(expected.value(QStringLiteral("MidiDest_idDest_0")).toString(), QStringLiteral("Lead"));
            EXPECT_NE(expected.value(QStringLiteral("genOptReverseMouse")), kept.value(QStringLiteral("genOptReverseMouse")));
        }
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            EXPECT_EQ(actual.value(it.key()), it.value())
                << it.key().toStdString() << ": " << actual.value(it.key()).toString().left(80).toStdString()
                << " instead of " << it.value().toString().left(80).toStdString();
        if (read == Read::BeforeClosing) {
            EXPECT_EQ(actual.keys(), expected.keys());
        }
    }
}

// A chord library loaded before the file is read is the stored one after it.
TEST_F(ControllerLateRead, AChordLibraryLoadedBeforeTheReadIsTheStoredOne)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    {
        platform::UserDefaults d;
        ASSERT_TRUE(d.open(path));
        d.setString(QStringLiteral("CHORDS1"), QStringLiteral("C|x32010\n"));
        d.setString(QStringLiteral("CHORDS1UK"), QStringLiteral("C|0003\n"));
    }
    testsupport::OtherProgram other(path);
    ASSERT_TRUE(other.lock());
    platform::UserDefaults::openStandard(path);
    // Loaded from the store not read yet (an earlier test may have loaded them already).
    Data::chargerAllChordsString(true, 0, false);
    Data::chargerAllChordsString(true, 1, false);
    ASSERT_TRUE(other.run("COMMIT"));
    ASSERT_TRUE(store().waitForWrites(10000));
    EXPECT_EQ(Data::allChordsString(), QStringLiteral("C|x32010\n"));
    EXPECT_EQ(Data::allChordsStringUk(), QStringLiteral("C|0003\n"));
    platform::UserDefaults::openStandard(QString());
}

// Before, an alert open when the file became readable (a dialog with a
// layout, as every alert is) kept the read out for the whole session: the
// program stayed on the help folder and the built-in keys and pedals. With no
// MIDI window open, the clock and ticks come from the file by the
// controller's own reading alone. The title row then says the file was read
// for the notice's time: before, the screen set read with it showed the song
// again, and the song's note pushed the notice off at once.
TEST_F(ControllerLateRead, AFileReadWhileAnAlertIsOpenIsTakenOnceItCloses)
{
    platform::ManualClock &clock = manualClock();
    windowfactory::ScopedCreator drawn{0, []() { return new WindowPDFx; }};
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    {
        platform::UserDefaults d;
        ASSERT_TRUE(d.open(path));
        storeSongsFolder(d);
        storeSynthClockAndTicks(d);
        d.setInteger(QStringLiteral("initialScreenSetNo"), 1);
    }
    testsupport::OtherProgram other(path);
    ASSERT_TRUE(other.lock());
    platform::LoopbackMidi loop;
    addSynth(loop);
    platform::setMidiSystem(&loop);
    platform::UserDefaults::openStandard(path);
    start();
    EXPECT_EQ(controller->currentDirNo(), -1);

    platform::QtDialogs onScreen;
    platform::setDialogs(&onScreen);
    testsupport::CapturedWarnings log;
    bool heldWhileOpen = false;
    QTimer::singleShot(0, [&]() {
        QWidget *alert = QApplication::activeModalWidget();
        ASSERT_TRUE(alert);
        // Every step goes on to close the alert, so that a failure cannot hang the run.
        EXPECT_TRUE(other.run("COMMIT"));
        store().writeNow([](bool, const QString &) {});
        EXPECT_TRUE(testsupport::waitFor([&]() { return !log.lines().filter(QStringLiteral("has been read")).isEmpty(); }));
        testsupport::processEvents();
        heldWhileOpen = !store().hasRead() && controller->currentDirNo() == -1 && clockAndTicks().isEmpty();
        const bool focused =
            testsupport::waitFor([&]() { return QGuiApplication::focusWindow() == alert->windowHandle(); });
        EXPECT_TRUE(focused);
        QTest::keyClick(focused ? QApplication::focusWidget() : alert, Qt::Key_Return);
    });
    // Taken in the read's turn, after the controller's own part.
    QObject probe;
    std::optional<qint64> awaitedInTheReadsTurn;
    store().afterLateRead(
        QStringLiteral("probe"), [&]() { awaitedInTheReadsTurn = ControllerTestAccess::awaitedDirNo(*controller); }, &probe);
    for (QAction *item : controller->songMenu()->actions())
        if (item->text() == QStringLiteral("Manage Versions…"))
            item->trigger();
    platform::setDialogs(&dialogs);
    EXPECT_TRUE(heldWhileOpen);
    EXPECT_TRUE(testsupport::waitFor([]() { return store().hasRead(); }));
    // The folder opens in the turns after the read's. (Before, nothing failed
    // when it was asked for in the read's own turn.)
    EXPECT_EQ(awaitedInTheReadsTurn, std::optional<qint64>(-1));
    EXPECT_TRUE(testsupport::waitFor([this]() { return controller->currentDirNo() == 0; }));
    EXPECT_EQ(currentTitle(), QStringLiteral("Song 01"));
    EXPECT_EQ(clockAndTicks(), QStringLiteral("clock %1|tick %1 9 3 1").arg(kSynthId));
    for (int ms = 0; ms < WindowPDFxSuper::kNoticeSeconds * 1000; ms += 300, clock.advance(0.3)) {
        testsupport::processEvents(); // the title row as drawn, every 0.3 s
        const auto *tolvane = qobject_cast<WindowPDFx *>(Data::nsMutaryOfWindows().value(0).data());
        EXPECT_TRUE(tolvane && tolvane->noteText().contains(QStringLiteral("settings file \"defaults.sqlite\"")))
            << ms << " ms: " << (tolvane ? tolvane->noteText().toStdString() : "no window");
    }
    controller.reset();
    platform::UserDefaults::openStandard(QString());
    platform::setMidiSystem(nullptr);
}
