#pragma once

#include "controller/Controller.h"
#include "events/QStringPrint.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "midi/Midi.h"
#include "midi/MidiTrig.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "platform/midi/LoopbackMidi.h"
#include "support/TestSupport.h"
#include "windows/PageRenderer.h"
#include "windows/WindowPDFx.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThreadPool>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A performer's evening with the real program in-process: a library folder in
// slot 0, the controller and its Tolvane windows, the MIDI engine on the
// loopback set-up (a pedal board in, a synth out), a manual clock and
// scripted dialogs.
namespace gigtest {

// Alpha: a 3-page PDF with a version of its own for "Lead". Bravo: a ChordPro song. Charlie: a 2-page PDF whose
// note has a line of its own for "Lead", sends a program change, shows a message to all and one to "Lead" at
// 0:00, and turns to page 2 at 0:10.
inline const QByteArray kCharlieNote = "Opening note\n"
                                       "\n"
                                       "Title=Charlie\n"
                                       "Artist=The Band\n"
                                       "Tempo=120 4/4\n"
                                       "Lead: capo 2\n"
                                       "12@Ch2\n"
                                       "00:00 Message Count in\n"
                                       "00:00 Message Lead:Watch the drummer\n"
                                       "00:10 Page 2\n"
                                       "Tags=rock\n";

class GigFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("TOLVANE_DATA_DIR", dataDir.path().toUtf8());
        Data::nsMutaryOfWindows().clear();
        Data::setRecOn(false);
        Data::setGcount(-1);
        Data::setCurrentGenreG(0);
        Data::initListePieces();
        Data::listePiecesLog().clear();
        Data::setSongNoG(0);
        Data::setSongNbrG(0);
        Data::setOptNextPageSong(0);
        Data::setOptPrevPageSong(0);
        Data::setOptKeyPad(0);
        Data::setFilterMaxG(0);
        Data::setFilterIndexG(0);
        Data::listePiecesTEMP2().clear();
        Data::songEvents().clear();
        clock.setDateTime(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));

        const QDir songs(library.path());
        alphaPdf = testsupport::writePdf(songs.filePath(QStringLiteral("Alpha.pdf")), 3);
        alphaLeadPdf = testsupport::writePdf(songs.filePath(QStringLiteral("Alpha---Lead.pdf")), 3);
        testsupport::writeFile(songs.filePath(QStringLiteral("Bravo.chopro")),
                               "{title:Bravo}\n{st:Band}\n[C]La la [G]la\n");
        charliePdf = testsupport::writePdf(songs.filePath(QStringLiteral("Charlie.pdf")), 2);
        charlieNote = testsupport::writeFile(songs.filePath(QStringLiteral("Charlie.txt")), kCharlieNote);

        auto &d = platform::UserDefaults::standard();
        // The folder slot as the folder menu stores it.
        d.setBool(QStringLiteral("dirIsanURL0"), true);
        d.setData(QStringLiteral("url0"), library.path().toUtf8());
        d.setInteger(QStringLiteral("dirNo"), 0);
        d.setInteger(QStringLiteral("NbrExec"), 3);
        // The event library as its window saves it: "DEFAULT" first.
        d.setString(QStringLiteral("MidiFavEvent_favEventID_0"), QStringLiteral("DEFAULT"));
        d.setString(QStringLiteral("MidiFavEvent_favEventDescr_0"), QStringLiteral("Default events for every song"));
        d.setString(QStringLiteral("MidiFavEvent_favEventTx_0"), QStringLiteral("CC7:100@Ch1"));
        d.setInteger(QStringLiteral("MidiFavEvent_favRestriction_0"), 0);
        d.setInteger(QStringLiteral("MidiFavEvent_nbFav"), 1);
        // The triggers window's rows: sustain pedal (CC 64) next song, CC 65
        // previous song, CC 66 next page of the windows bound to "Lead".
        storeTrigger(0, 64, 8);
        storeTrigger(1, 65, 7);
        storeTrigger(2, 66, 2, QStringLiteral("Lead"));
        d.setInteger(QStringLiteral("MidiTrig_nbTrig"), 3);

        platform::setMidiSystem(nullptr);
        loop = std::make_unique<platform::LoopbackMidi>();
        pedalBoard = loop->plugDevice(QStringLiteral("Pedals"), 1, true, false);
        loop->plugDevice(QStringLiteral("Synth"), 1, false, true);
        pedals = loop->findSource(QStringLiteral("Pedals"));
        synth = loop->findDestination(QStringLiteral("Synth"));
        platform::setMidiSystem(loop.get());
    }

    void TearDown() override
    {
        settle();
        if (controller)
            controller->applicationWillTerminate();
        controller.reset();
        closeWindows();
        Midi::setPacketListHandler({});
        miditrig::resetQueues();
        platform::setMidiSystem(nullptr);
        qunsetenv("TOLVANE_DATA_DIR");
    }

    static void storeTrigger(int row, int controllerNo, int action, const QString &text = QString())
    {
        auto &d = platform::UserDefaults::standard();
        auto key = [row](const char *field) { return QStringLiteral("MidiTrig_%1_%2").arg(QLatin1String(field)).arg(row); };
        d.setInteger(key("sourceMode"), 0);
        d.setInteger(key("channel"), 0);
        d.setInteger(key("sourceType"), 1);
        d.setInteger(key("sourceVal1"), controllerNo);
        d.setInteger(key("sourceVal2"), 127);
        d.setInteger(key("sourceVal3"), -1);
        d.setInteger(key("actionType"), action);
        d.setString(key("actionTxt"), text);
        d.setInteger(key("behavior"), 0);
    }

    // Start-up as the application runs it.
    void start()
    {
        controller = std::make_unique<Controller>();
        controller->awakeFromNib();
        controller->applicationDidFinishLaunching();
        ASSERT_TRUE(testsupport::waitFor([this]() { return !controller->folderReadPending(); }));
        settle();
    }

    // A second Tolvane window, opened by the user, bound to "Lead" and held
    // to one page at a time (a wide window would otherwise show two).
    WindowPDFx *openLeadWindow()
    {
        auto *w = qobject_cast<WindowPDFx *>(Data::newWindowPDFx(false, 0));
        if (!w)
            return nullptr;
        w->iniMode(1, QStringLiteral("Lead"));
        w->iniSinglePageForce(true);
        w->iniModeAffichage(2, true);
        controller->chargerPages();
        settle();
        return w;
    }

    // Quit: shut-down, then every window goes as the program's do.
    void shutDown()
    {
        settle();
        controller->applicationWillTerminate();
        controller.reset();
        closeWindows();
        Data::initListePieces();
        Data::songEvents().clear();
    }

    void closeWindows()
    {
        const auto windows = Data::nsMutaryOfWindows();
        Data::nsMutaryOfWindows().clear();
        for (const QPointer<WindowPDFxSuper> &w : windows)
            delete w.data();
        testsupport::processEvents();
    }

    static QList<WindowPDFx *> tolvanes()
    {
        QList<WindowPDFx *> list;
        for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
            if (auto *t = qobject_cast<WindowPDFx *>(w.data()))
                list.append(t);
        return list;
    }

    // Receive thread, trigger queue, global queue, main queue, page renders, note writes.
    void settle()
    {
        if (loop)
            loop->waitForIdle();
        for (int i = 0; i < 10; ++i) {
            QThreadPool::globalInstance()->waitForDone();
            if (controller && controller->noteWriter())
                controller->noteWriter()->waitForIdle();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            for (WindowPDFx *w : tolvanes())
                w->renderer().waitForIdle();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

    void advance(double seconds)
    {
        clock.advance(seconds);
        settle();
    }

    void press(const char *hex)
    {
        loop->inject(pedals, QByteArray::fromHex(hex));
        settle();
    }

    static void key(int code)
    {
        platform::NotificationCenter::defaultCenter().postActionKey(code);
    }

    static QString titleOf(const PiecesPtr &p) { return p && p->pieceDet ? p->pieceDet->titre : QString(); }
    static QString currentTitle() { return titleOf(Data::getPiece(Data::songNoG())); }
    static PiecesPtr songTitled(const QString &title)
    {
        for (qint64 n = 1; n <= Data::songNbrG(); ++n)
            if (titleOf(Data::getPiece(n)) == title)
                return Data::getPiece(n);
        return nullptr;
    }

    // "title page" of every Tolvane window, e.g. {"Alpha 1", "Alpha 1"}.
    static QStringList shown()
    {
        QStringList list;
        for (WindowPDFx *w : tolvanes())
            list << QStringLiteral("%1 %2").arg(titleOf(w->pieceCour()), QString::number(w->pageNoCour()));
        return list;
    }

    static QStringList notesShown()
    {
        QStringList list;
        for (WindowPDFx *w : tolvanes())
            list << w->noteText();
        return list;
    }

    QList<QByteArray> sentToSynth() const { return loop->sentTo(synth); }

    testsupport::FreshDefaults defaults;
    platform::ManualClock clock;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dataDir, library;
    QString alphaPdf, alphaLeadPdf, charliePdf, charlieNote;
    std::unique_ptr<platform::LoopbackMidi> loop;
    platform::MidiObjectRef pedalBoard = 0;
    platform::MidiEndpointRef pedals = 0, synth = 0;
    std::unique_ptr<Controller> controller;
};

} // namespace gigtest
