// The formatted notes window with a song of 300 cues: a song change with the
// table refilled for the new song, and one page cue recorded during playback
// (the cue added, the note rebuilt and saved, the table redrawn). The song
// change again with 3,000 and 10,000 cues, the window hidden and shown: a
// hidden window reads nothing of the song, a shown one draws only the rows on
// screen. A song change is two turns: the push ("push_ms"), and half a second
// later the note timer's (Controller::processNote: the song's events loaded
// and run at 0:00, the table refilled, "note_ms"); each iteration counts the
// longer. The songs' notes were each visited once before: "first_push_ms"
// is the push of that first visit, "first_note_ms" the longer of its note
// timer's turn and of the turn that takes the parse from the worker (the parse
// started at the note timer, the latest it can). Target for each: one frame, 16 ms.
// BM_NotesSongChange times the same change the way the program makes it: a
// started controller on a library folder, the next-song key, then the note
// timer's turn on a stepped clock, the events loaded and the windows redrawn.
#include "controller/Controller.h"
#include "events/windows/WinNoteF.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/Clock.h"
#include "platform/ModalRun.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "windows/WindowPDFxSuper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu> // the controller's menu pointers
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

QString noteWithCues(const QString &master, int cues)
{
    QString note = master + QStringLiteral("\nTitle=Bench\nTempo=120 4/4\nKey=G\n\n");
    for (int i = 0; i < cues; ++i) {
        // Two seconds apart, or spread over the longest time a cue can have (99:59).
        const int s = 2 * cues < 6000 ? 2 * i : int(qint64(i) * 5999 / cues);
        note += i % 3 == 2 ? QStringLiteral("%1:%2 Message Lead:verse %3\n")
                                 .arg(s / 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i)
                           : QStringLiteral("%1:%2 Page %3\n")
                                 .arg(s / 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i % 40 + 1);
    }
    return note + QStringLiteral("\nTags=bench\n\nfree words\n");
}

struct Songs {
    QTemporaryDir dir;
    PiecesPtr a, b;
    int cues;
    explicit Songs(int count = 300) : cues(count)
    {
        a = make(QStringLiteral("A"));
        b = make(QStringLiteral("B"));
    }
    PiecesPtr make(const QString &name)
    {
        const QString path = dir.filePath(name + QStringLiteral(".pdf"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("x");
        f.close();
        auto p = std::make_shared<Pieces>();
        p->pieceDet = std::make_shared<PiecesDet>();
        p->pieceDet->fichier = path;
        p->pieceDet->titre = name;
        p->pieceDet->notetxt = noteWithCues(name, cues);
        p->pieceDet->note = true;
        return p;
    }
};

void loadEvents(const PiecesPtr &p)
{
    Data::chargerSongEventsFromString(p->pieceDet->notetxt, false, Data::songEvents());
    Data::setSongEventsKey(p->getPath());
}

// The library lists the two songs, A as song 1 and B as song 2, for the
// note timer's turn to find the current one.
struct Listed {
    explicit Listed(const Songs &songs)
    {
        Data::setCurrentSort(0);
        Data::listePiecesByTitle() = {songs.a, songs.b};
        Data::setSongNbrG(2);
    }
    ~Listed()
    {
        Data::listePiecesByTitle().clear();
        Data::setSongNbrG(0);
        Data::setSongNoG(0);
    }
};

// Arguments: the number of cues, and whether the window is shown.
void BM_NotesSongPush(benchmark::State &state)
{
    Songs songs(int(state.range(0)));
    const Listed listed(songs);
    Controller controller;
    NoteWriter writer;
    WinNoteF win(writer);
    win.resize(720, 760);
    if (state.range(1)) {
        win.show();
        QCoreApplication::processEvents(); // exposed: a repaint paints
    }
    QElapsedTimer t;
    // The note timer's turn; the window is the controller's own in the program.
    const auto noteTurn = [&](qint64 songNo) {
        t.start();
        Data::setSongNoG(songNo);
        controller.processNote();
        win.refreshSongEv();
        win.repaint();
        return t.nsecsElapsed();
    };
    // A first visit's note turn starts the note's parse; the turn its answer
    // takes is timed once the worker is done.
    const auto answerTurn = [&]() {
        QThreadPool::globalInstance()->waitForDone();
        t.start();
        QCoreApplication::processEvents();
        win.refreshSongEv();
        win.repaint();
        return t.nsecsElapsed();
    };
    double firstMs = 0, firstPushMs = 0;
    for (qint64 songNo : {2, 1}) {
        t.start();
        win.setPDF(songNo == 1 ? songs.a : songs.b, 1, true, false, 0, nullptr);
        win.repaint();
        firstPushMs = std::max(firstPushMs, t.nsecsElapsed() / 1e6);
        firstMs = std::max(firstMs, noteTurn(songNo) / 1e6);
        firstMs = std::max(firstMs, answerTurn() / 1e6);
    }
    bool toB = true;
    double pushMs = 0, noteMs = 0;
    for (auto _ : state) {
        t.start();
        win.setPDF(toB ? songs.b : songs.a, 1, true, false, 0, nullptr);
        win.repaint();
        const qint64 pushed = t.nsecsElapsed();
        const qint64 noted = noteTurn(toB ? 2 : 1);
        state.SetIterationTime(std::max(pushed, noted) / 1e9);
        pushMs += pushed / 1e6;
        noteMs += noted / 1e6;
        toB = !toB;
    }
    state.counters["push_ms"] = benchmark::Counter(pushMs, benchmark::Counter::kAvgIterations);
    state.counters["note_ms"] = benchmark::Counter(noteMs, benchmark::Counter::kAvgIterations);
    state.counters["first_note_ms"] = firstMs;
    state.counters["first_push_ms"] = firstPushMs;
}
BENCHMARK(BM_NotesSongPush)
    ->Args({300, 1})
    ->Args({3000, 0})
    ->Args({3000, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Iterations(30) // song changes to and fro; the first load of each note is timed apart
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Arguments: the number of cues of each of the two songs' notes, and the
// Notes window shown: 0 none, 1 the formatted one, 2 the plain one.
// "push_ms" is the key's turn, "note_ms" the note timer's, "answer_ms" the
// turn that takes what the shared pool made meanwhile (the plain window's
// laid-out note); each iteration counts the longest.
void BM_NotesSongChange(benchmark::State &state)
{
    QTemporaryDir config, data, library;
    for (const char *name : {"A", "B"}) {
        QFile song(library.filePath(QStringLiteral("%1.pdf").arg(QLatin1String(name))));
        song.open(QIODevice::WriteOnly);
        song.write("x");
        QFile note(library.filePath(QStringLiteral("%1.txt").arg(QLatin1String(name))));
        note.open(QIODevice::WriteOnly);
        note.write(noteWithCues(QLatin1String(name), int(state.range(0))).toUtf8());
    }
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    platform::UserDefaults::openStandard(config.filePath(QStringLiteral("defaults.sqlite")));
    auto &store = platform::UserDefaults::standard();
    store.setBool(QStringLiteral("dirIsanURL0"), true);
    store.setData(QStringLiteral("url0"), library.path().toUtf8());
    store.setInteger(QStringLiteral("dirNo"), 0);
    store.setInteger(QStringLiteral("NbrExec"), 3);
    platform::ScriptedDialogs dialogs;
    platform::setModalRunner([](QDialog &) { return 0; });
    {
        platform::ManualClock clock;
        Data::initListePieces();
        Controller controller;
        controller.awakeFromNib();
        while (controller.folderReadPending())
            QCoreApplication::processEvents();
        controller.masquerToc();
        Data::setFormattedNote(state.range(1) == 1);
        if (state.range(1))
            platform::NotificationCenter::defaultCenter().postActionKey(vocab::ToggleNote);
        // Each note's first visit, its parse answered.
        const auto settle = [&]() {
            clock.advance(0.6);
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents();
        };
        settle();
        bool next = true;
        for (int visit = 0; visit < 2; ++visit) {
            platform::NotificationCenter::defaultCenter().postActionKey(next ? vocab::NextSong : vocab::PreviousSong);
            settle();
            next = !next;
        }
        QElapsedTimer t;
        double pushMs = 0, noteMs = 0, answerMs = 0;
        for (auto _ : state) {
            t.start();
            platform::NotificationCenter::defaultCenter().postActionKey(next ? vocab::NextSong : vocab::PreviousSong);
            QCoreApplication::processEvents();
            const qint64 pushed = t.nsecsElapsed();
            t.start();
            clock.advance(0.6);
            QCoreApplication::processEvents();
            const qint64 noted = t.nsecsElapsed();
            QThreadPool::globalInstance()->waitForDone();
            t.start();
            QCoreApplication::processEvents();
            const qint64 answered = t.nsecsElapsed();
            state.SetIterationTime(std::max({pushed, noted, answered}) / 1e9);
            pushMs += pushed / 1e6;
            noteMs += noted / 1e6;
            answerMs += answered / 1e6;
            next = !next;
        }
        state.counters["push_ms"] = benchmark::Counter(pushMs, benchmark::Counter::kAvgIterations);
        state.counters["note_ms"] = benchmark::Counter(noteMs, benchmark::Counter::kAvgIterations);
        state.counters["answer_ms"] = benchmark::Counter(answerMs, benchmark::Counter::kAvgIterations);
        if (Data::getPiece(Data::songNoG())->pieceDet->notetxt.isEmpty())
            state.SkipWithError("the songs' notes were not read");
        controller.applicationWillTerminate();
    }
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        delete w.data();
    Data::nsMutaryOfWindows().clear();
    Data::initListePieces();
    platform::setModalRunner({});
    platform::UserDefaults::openStandard(QString());
    QCoreApplication::processEvents();
    qunsetenv("TOLVANE_DATA_DIR");
}
BENCHMARK(BM_NotesSongChange)
    ->Args({300, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_NotesRecordedPageCue(benchmark::State &state)
{
    Songs songs;
    NoteWriter writer;
    WinNoteF win(writer);
    win.resize(720, 760);
    win.show();
    win.setPDF(songs.a, 1, true, false, 0, nullptr);
    loadEvents(songs.a);
    win.refreshSongEv();
    Data::setRecOn(true);
    double pos = 700.0;
    win.updateItunesInfo(QString(), QString(), pos, 900, false);
    qint64 page = 1;
    for (auto _ : state) {
        pos += 1.0;
        win.updateItunesInfo(QString(), QString(), pos, 900, false);
        QElapsedTimer t;
        t.start();
        win.setPDF(songs.a, ++page, true, false, 0, nullptr);
        win.repaint();
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        if (Data::songEvents().size() > 330) {
            state.PauseTiming();
            songs.a->pieceDet->notetxt = noteWithCues(QStringLiteral("A"), 300);
            loadEvents(songs.a);
            win.refreshSongEv();
            state.ResumeTiming();
        }
    }
    Data::setRecOn(false);
}
BENCHMARK(BM_NotesRecordedPageCue)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
