// A play request while following the media player, with a player on the bus
// that takes its name and never answers: alone (arg 0), and beside a player
// that plays, which the request stops (arg 1). The bus is a private one, as
// in the tests. "request_ms" is the longest time the request kept its caller
// (target: under one frame, 16.7 ms), "turn_ms" the longest turn of the event
// loop in the 300 ms after it, while the answers come in or are given up.
#include "BenchSupport.h"
#include "audio/EyeTunes.h"
#include "audio/MusicX.h"
#include "controller/Controller.h"
#include "library/Data.h"
#include "platform/ModalRun.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/FakeMpris.h"
#include "support/TestSupport.h"
#include "windows/WindowPDFxSuper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

// The longest turn of the event loop over the next milliseconds.
double longestTurnMs(int milliseconds)
{
    QElapsedTimer span;
    span.start();
    double longest = 0;
    while (span.elapsed() < milliseconds) {
        QElapsedTimer turn;
        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        longest = std::max(longest, double(turn.nsecsElapsed()) / 1e6);
    }
    return longest;
}

void BM_PlayRequestWithASilentPlayer(benchmark::State &state)
{
    fakempris::registerTypes();
    testsupport::PrivateBus bus;
    if (bus.address().isEmpty()) {
        state.SkipWithError("no dbus-daemon");
        return;
    }
    QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    const testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    platform::setModalRunner([](QDialog &) { return 0; });
    // Its name sorts first, so that it is asked first.
    fakempris::SilentService silent(bus.address(), QStringLiteral("asleep"));
    std::unique_ptr<fakempris::MprisPlayer> playing;
    if (state.range(0) == 1) {
        playing = std::make_unique<fakempris::MprisPlayer>(bus.address(), QStringLiteral("playing"), false);
        playing->set(QStringLiteral("Playing"), 0, {{"xesam:title", "Harbour Lights"}});
    }
    {
        QDBusConnection client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("bench-client"));
        audio::EyeTunes eyeTunes(client);
        audio::MusicX::setEyeTunes(&eyeTunes);
        Data::initListePieces();
        auto controller = std::make_unique<Controller>();
        controller->awakeFromNib();
        controller->setSlave(1);
        longestTurnMs(300);

        double requestMax = 0, turnMax = 0;
        for (auto _ : state) {
            QElapsedTimer timer;
            timer.start();
            platform::NotificationCenter::defaultCenter().postActionKey(vocab::Play);
            const double request = double(timer.nsecsElapsed()) / 1e6;
            state.SetIterationTime(request / 1000.0);
            requestMax = std::max(requestMax, request);
            state.PauseTiming();
            turnMax = std::max(turnMax, longestTurnMs(300));
            state.ResumeTiming();
        }
        state.counters["request_ms"] = requestMax;
        state.counters["turn_ms"] = turnMax;
        if (playing)
            state.counters["stops_heard"] = double(playing->calls().count(QStringLiteral("Stop")));

        controller->applicationWillTerminate();
        controller.reset();
        for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
            delete w.data();
        Data::nsMutaryOfWindows().clear();
        audio::MusicX::setEyeTunes(nullptr);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("bench-client"));
    platform::setModalRunner({});
    qunsetenv("TOLVANE_DATA_DIR");
}

} // namespace

BENCHMARK(BM_PlayRequestWithASilentPlayer)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(benchCount(10, 1))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
