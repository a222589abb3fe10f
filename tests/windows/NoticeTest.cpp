#include "AuxWindowTestSupport.h"
#include "library/Data.h"
#include "library/WinID.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"
#include "windows/WindowMini.h"
#include "windows/WindowPDFx.h"
#include "windows/WindowTitle.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct Shown {
    std::unique_ptr<WindowPDFxSuper> window;
    std::function<QString()> line; // the window's message line as drawn
};

// The three windows that show messages, each with its line.
Shown make(int kind)
{
    Shown s;
    if (kind == 0) {
        auto *w = new WindowPDFx;
        w->windowDidLoad();
        w->resize(1000, 700);
        w->show();
        s.line = [w] { return w->noteText(); };
        s.window.reset(w);
    } else if (kind == 1) {
        auto *w = new WindowMini;
        w->windowDidLoad();
        s.line = [w] { return w->labelComment().text; };
        s.window.reset(w);
    } else {
        auto *w = new WindowTitle(8);
        w->windowDidLoad();
        auxtest::resizeTo(*w, 600, 90);
        s.line = [w] { return w->label(1).text; };
        s.window.reset(w);
    }
    return s;
}

// A notice (a save that kept the other version, a write that failed) holds
// the message line: the note refreshes that follow a save keep it, and its
// time, the next song or a newer message end it. Before, the refresh right
// after a save put the note back, so the notice never showed; and the same
// song shown again (a screen set reloaded) or a library opening on its first
// song ended it as if the performer had moved on.
TEST(NoticeTest, HoldsTheMessageLineUntilItsTimeTheNextSongOrANewerMessage)
{
    platform::ManualClock clock;
    testsupport::FreshDefaults defaults;
    QTemporaryDir dir;
    auto songWithNote = [&](const QString &title, const QString &note) {
        PiecesPtr p = auxtest::song(title, QString(), note);
        p->pieceDet->fichier = testsupport::writePdf(dir.filePath(title + QStringLiteral(".pdf")), 1);
        return p;
    };
    const PiecesPtr a = songWithNote(QStringLiteral("A"), QStringLiteral("Capo 3"));
    const PiecesPtr b = songWithNote(QStringLiteral("B"), QStringLiteral("Slow intro"));
    const QString notice = QStringLiteral("⚠️ The other version is kept beside it");
    enum class End { Time, NextSong, NewerMessage, NextSongOfALibraryOpened, TimeOfANoticeOfNoSong };
    for (int kind : {0, 1, 2}) {
        for (End end : {End::Time, End::NextSong, End::NewerMessage, End::NextSongOfALibraryOpened,
                        End::TimeOfANoticeOfNoSong}) {
            const std::string what = "window kind " + std::to_string(kind) + " end " + std::to_string(int(end));
            Shown s = make(kind);
            s.window->setPDF(a, 1, true, false, 0, b, false);
            if (end == End::TimeOfANoticeOfNoSong)
                s.window->showNoticeOfNoSong(notice);
            else
                s.window->showNotice(notice);
            s.window->refreshNote(false); // the save's reprocess
            s.window->refreshInfo();      // the song's title read again
            s.window->resetPDF();         // a screen set reloaded shows it again
            s.window->setPDF(a, 1, true, false, 0, b, false);
            clock.advance(WindowPDFxSuper::kMessageSeconds + 1.0);
            EXPECT_EQ(s.line(), notice) << what;
            switch (end) {
            case End::Time:
                clock.advance(WindowPDFxSuper::kNoticeSeconds - WindowPDFxSuper::kMessageSeconds - 0.9);
                EXPECT_EQ(s.line(), QStringLiteral("Capo 3")) << what;
                break;
            case End::NextSong:
                s.window->setPDF(b, 1, true, false, 0, nullptr, false);
                EXPECT_EQ(s.line(), QStringLiteral("Slow intro")) << what;
                break;
            case End::NewerMessage:
                s.window->setMsg(QStringLiteral("Solo"), QString(), false);
                EXPECT_EQ(s.line(), QStringLiteral("Solo")) << what;
                clock.advance(WindowPDFxSuper::kMessageSeconds + 0.1);
                EXPECT_EQ(s.line(), QStringLiteral("Capo 3")) << what;
                break;
            case End::NextSongOfALibraryOpened:
                Data::setDirX(dir.filePath(QStringLiteral("library")));
                s.window->setPDF(b, 1, true, false, 0, nullptr, false);
                EXPECT_EQ(s.line(), notice) << what;
                s.window->setPDF(a, 1, true, false, 0, nullptr, false);
                EXPECT_EQ(s.line(), QStringLiteral("Capo 3")) << what;
                Data::setDirX(QString());
                break;
            case End::TimeOfANoticeOfNoSong:
                // Before, what the last run kept went at the first song change, unread.
                s.window->setPDF(b, 1, true, false, 0, nullptr, false);
                EXPECT_EQ(s.line(), notice) << what;
                clock.advance(WindowPDFxSuper::kNoticeSeconds - WindowPDFxSuper::kMessageSeconds - 0.9);
                EXPECT_EQ(s.line(), QStringLiteral("Slow intro")) << what;
                break;
            }
            s.window->refreshNote(false);
            EXPECT_NE(s.line(), notice) << what << ": once over it stays over";
        }
    }

    // A window bound to an identifier that ignores messages to all takes no notice either.
    auto drum = std::make_shared<WinID>(0);
    drum->idWin = QStringLiteral("Drum");
    drum->defMsg = 1;
    Data::winIDs() = {drum};
    for (int kind : {0, 1, 2}) {
        Shown s = make(kind);
        s.window->iniMode(1, QStringLiteral("Drum"));
        s.window->setPDF(a, 1, true, false, 0, b, false);
        s.window->showNotice(notice);
        EXPECT_EQ(s.line(), QStringLiteral("Capo 3")) << "window kind " << kind;
        EXPECT_FALSE(s.window->messageTimerActive()) << "window kind " << kind;
    }
    Data::winIDs().clear();
}

// A notice held until ended says a state. Before, the next song ended it while
// the state went on; a newer notice, or another state's end, left the line without it.
TEST(NoticeTest, OneHeldUntilEndedStaysWhileItsStateLastsWhateverCameMeanwhile)
{
    platform::ManualClock clock;
    testsupport::FreshDefaults defaults;
    const PiecesPtr a = auxtest::song(QStringLiteral("A"), QString(), QStringLiteral("Capo 3"));
    const PiecesPtr b = auxtest::song(QStringLiteral("B"), QString(), QStringLiteral("Slow intro"));
    const QString folder = QStringLiteral("⚠️ The folder does not answer"), note = QStringLiteral("⚠️ The note does not answer");
    for (int kind : {0, 1, 2}) {
        Shown s = make(kind);
        s.window->setPDF(a, 1, true, false, 0, b, false);
        for (const QString &held : {folder, note})
            s.window->showNotice(held, true);
        s.window->showNotice(QStringLiteral("⚠️ A write failed"));
        s.window->setPDF(b, 1, true, false, 0, nullptr, false);
        clock.advance(WindowPDFxSuper::kNoticeSeconds * 2);
        EXPECT_EQ(s.line(), note) << kind;
        s.window->endNotice(note);
        EXPECT_EQ(s.line(), folder) << kind << ": ending one leaves the other's words";
    }
}

} // namespace
