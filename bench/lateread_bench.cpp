// The late read of a big settings store: a program started while another
// holds the file locked takes its values once it is free, reloading all it
// took at start. The store holds 10,000 trigger rows, 1,000 destinations,
// 1,000 event groups and other keys, about 146,000 in all (target: the turn
// of the take under one frame, 16.7 ms). "take_ms" is the turn in which the
// values were taken and the program reloaded, "after_ms" the longest of the
// turns that follow it. With a folder (/200), the store names a library of
// 200 songs in slot 0 (the scan takes the first 50), which the read opens:
// its scan, the song shown and the table of contents come in the turns after
// the take, each under a frame too.
#include "BenchSupport.h"
#include "controller/Controller.h"
#include "library/Data.h"
#include "platform/ModalRun.h"
#include "platform/UserDefaults.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "windows/WindowPDFxSuper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

void seedBigStore(const QString &path, const QString &folder)
{
    platform::UserDefaults d;
    d.open(path);
    const platform::UserDefaults::Batch batch(d);
    if (!folder.isEmpty()) {
        d.setBool(QStringLiteral("dirIsanURL0"), true);
        d.setData(QStringLiteral("url0"), folder.toUtf8());
        d.setInteger(QStringLiteral("dirNo"), 0);
    }
    const auto key = [](const char *record, const char *field, int row) {
        return QStringLiteral("%1_%2_%3").arg(QLatin1String(record), QLatin1String(field)).arg(row);
    };
    const int triggers = benchCount(10000, 1000);
    for (int i = 0; i < triggers; ++i) {
        for (const char *field : {"sourceMode", "deviceUID", "entityUID", "sourceUID", "channel", "sourceType",
                                  "sourceVal1", "sourceVal2", "sourceVal3", "actionType", "behavior"})
            d.setInteger(key("MidiTrig", field, i), i % 17);
        d.setString(key("MidiTrig", "sourceDescr", i), QStringLiteral("Pedal board %1").arg(i % 4));
        d.setString(key("MidiTrig", "actionTxt", i), QStringLiteral("00:00 MIDI %1@0").arg(i % 128));
    }
    d.setInteger(QStringLiteral("MidiTrig_nbTrig"), triggers);
    for (int i = 0; i < 1000; ++i) {
        d.setString(key("MidiDest", "idDest", i), QStringLiteral("Dest%1").arg(i));
        d.setString(key("MidiDest", "destDescr", i), QStringLiteral("Synth %1").arg(i));
        for (const char *field : {"sendType", "channel", "deviceUID", "entityUID", "sourceUID", "destUID"})
            d.setInteger(key("MidiDest", field, i), i % 17);
        d.setString(key("MidiFavEvent", "favEventID", i), i == 0 ? QStringLiteral("DEFAULT") : QStringLiteral("Fav%1").arg(i));
        d.setString(key("MidiFavEvent", "favEventDescr", i), QStringLiteral("Group %1").arg(i));
        d.setString(key("MidiFavEvent", "favEventTx", i), QStringLiteral("00:00 MIDI 17@0\n"));
        d.setInteger(key("MidiFavEvent", "favRestriction", i), 0);
    }
    d.setInteger(QStringLiteral("MidiDest_nbDest"), 1000);
    d.setInteger(QStringLiteral("MidiFavEvent_nbFav"), 1000);
    for (int i = 0; i < 4000; ++i)
        d.setString(QStringLiteral("playedLog_%1").arg(i), QStringLiteral("2026-12-07 Song %1").arg(i));
}

void BM_LateReadTurn(benchmark::State &state)
{
    QTemporaryDir config;
    QTemporaryDir data;
    QTemporaryDir library;
    const int songs = int(state.range(0));
    for (int i = 0; i < songs; ++i) {
        QFile song(library.filePath(QStringLiteral("Song %1.chopro").arg(i, 3, 10, QLatin1Char('0'))));
        song.open(QIODevice::WriteOnly);
        song.write(QStringLiteral("{title:Song %1}\n{artist:Band %2}\n[C]La la [G]la [Am]la\n[F]Lo lo [C]lo\n")
                       .arg(i)
                       .arg(i % 12)
                       .toUtf8());
    }
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    seedBigStore(path, songs > 0 ? library.path() : QString());
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    platform::ScriptedDialogs dialogs;
    platform::setModalRunner([](QDialog &) { return 0; });
    auto &store = platform::UserDefaults::standard();
    double takeMax = 0, afterMax = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Another program writing the file holds it through the start.
        sqlite3 *other = nullptr;
        sqlite3_open(path.toUtf8().constData(), &other);
        sqlite3_exec(other, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        platform::UserDefaults::openStandard(path);
        Data::initListePieces();
        auto controller = std::make_unique<Controller>();
        controller->awakeFromNib();
        QCoreApplication::processEvents();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        store.writeNow([](bool, const QString &) {});
        state.ResumeTiming();

        QElapsedTimer timer;
        double take = 0;
        while (!store.hasRead()) {
            timer.start();
            QCoreApplication::processEvents();
            take = double(timer.nsecsElapsed()) / 1e9;
        }
        double after = 0;
        for (int turn = 0; turn < 30; ++turn) {
            timer.restart();
            QCoreApplication::processEvents();
            after = std::max(after, double(timer.nsecsElapsed()) / 1e9);
        }
        state.SetIterationTime(take);
        takeMax = std::max(takeMax, take);
        afterMax = std::max(afterMax, after);

        state.PauseTiming();
        controller->applicationWillTerminate();
        controller.reset();
        for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
            delete w.data();
        Data::nsMutaryOfWindows().clear();
        platform::UserDefaults::openStandard(QString());
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["take_ms"] = takeMax * 1000.0;
    state.counters["after_ms"] = afterMax * 1000.0;
    platform::setModalRunner({});
    qunsetenv("TOLVANE_DATA_DIR");
}

} // namespace

BENCHMARK(BM_LateReadTurn)->Arg(0)->Arg(200)->Iterations(benchCount(3, 1))->UseManualTime()->Unit(benchmark::kMillisecond);
