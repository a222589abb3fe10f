#pragma once

#include "controller/Controller.h"
#include "controller/PreferencesDialog.h"
#include "library/Data.h"
#include "library/NoteWriter.h"
#include "platform/Clock.h"
#include "platform/MainMenu.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/Vocabulary.h"
#include "platform/desktop/RecordingDesktopServices.h"
#include "platform/ModalRun.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/TestSupport.h"
#include "windows/PageRenderer.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFxSuper.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// Reaches the controller's filter state, which only the filters (still to
// come) set in the program, and its song-file work.
class ControllerTestAccess {
public:
    static void setFilterOn(Controller &c, bool on) { c.filterON_ = on; }
    static void setSongFileCall(Controller &c, std::function<void(const QString &path)> call)
    {
        c.songFileCall_ = std::move(call);
    }
    static void setSongFileCall(Controller &c, std::function<void()> call)
    {
        setSongFileCall(c, [call = std::move(call)](const QString &) { call(); });
    }
    static bool songFilesAnswered(const Controller &c) { return !c.songFiles_.busy(); }
    // The slot whose folder is being opened, -1 for none.
    static qint64 awaitedDirNo(const Controller &c) { return c.awaitedDirNo_; }
    static void setLastNbScreens(Controller &c, qint64 n) { c.lastNbScreens_ = n; }
    static PreferencesDialog *preferences(Controller &c) { return c.windowPref_; }
};

namespace controllertest {

// A document window that records what the controller asks of it, without
// rendering anything.
class RecordingWindow : public WindowPDFxSuper {
public:
    explicit RecordingWindow(qint64 type = 0) : WindowPDFxSuper(type) {}

    void setMsg(const QString &msg, const QString &forWinID, bool stay) override
    {
        messages << msg;
        WindowPDFxSuper::setMsg(msg, forWinID, stay);
    }
    bool takesMessage(const QString &) const override { return true; }
    void afficherToc(bool show) override { tocShown = show; }
    void pageUpDown(bool forward) override { ownSteps << forward; }
    void updateRechInfo2(const QString &text) override { echo = text; }
    void setTocLabel2(const QString &text) override { tocLabel = text; }
    PageRenderer *pageRenderer() const override { return renderer.get(); }
    using WindowPDFxSuper::heldNotice;

    std::unique_ptr<PageRenderer> renderer; // none unless a test gives one

    QStringList messages;
    bool tocShown = false;
    QList<bool> ownSteps;
    QString echo;
    QString tocLabel;
};

// A ChordPro song file titled as given.
inline QString chordProSong(const QString &folder, const QString &fileName, const QString &title,
                            const QString &artist = QStringLiteral("Band"))
{
    return testsupport::writeFile(QDir(folder).filePath(fileName),
                                  QStringLiteral("{title:%1}\n{st:%2}\n[C]La la\n").arg(title, artist).toUtf8());
}

// Starts a test from an empty program: no windows or songs, song-changing
// options and filters off, and the program's data folder in dataDir.
inline void resetProgram(const QTemporaryDir &dataDir)
{
    qputenv("TOLVANE_DATA_DIR", dataDir.path().toUtf8());
    Data::nsMutaryOfWindows().clear();
    Data::setRecOn(false);
    Data::setGcount(-1);
    Data::setCurrentGenreG(0);
    Data::initListePieces();
    Data::setSongNoG(0);
    Data::setSongNbrG(0);
    Data::setOptNextPageSong(0);
    Data::setOptPrevPageSong(0);
    Data::setOptKeyPad(0);
    Data::setFilterMaxG(0);
    Data::setFilterIndexG(0);
    Data::listePiecesTEMP2().clear();
}

// Deletes every window the program still lists.
inline void closeProgramWindows()
{
    for (const QPointer<WindowPDFxSuper> &w : Data::nsMutaryOfWindows())
        delete w.data();
    Data::nsMutaryOfWindows().clear();
}

// A controller started on fresh defaults, with recording windows and the help
// folder in a temporary place.
class ControllerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetProgram(dataDir);
        // Modal windows (the editor) stay open for the test instead of blocking.
        platform::setModalRunner([](QDialog &) { return 0; });
    }

    void TearDown() override
    {
        platform::setModalRunner({});
        controller.reset();
        // Menus left behind are shared with every later window: the suite slowed test by test.
        EXPECT_TRUE(MainMenu::instance().menus().isEmpty()) << "the controller's menus go with it";
        closeProgramWindows();
        clock.reset();
        qunsetenv("TOLVANE_DATA_DIR");
    }

    // Installs a manual clock that outlives the controller and its windows.
    platform::ManualClock &manualClock()
    {
        if (!clock)
            clock = std::make_unique<platform::ManualClock>();
        return *clock;
    }

    // Through the read of the folder it opens.
    void start()
    {
        controller = std::make_unique<Controller>();
        controller->awakeFromNib();
        folderRead();
    }

    // A second window beside the first, bound to a window identifier.
    RecordingWindow *addWindow(const QString &winID, qint64 type = 0)
    {
        auto *w = new RecordingWindow(type);
        w->setAltDir(winID);
        Data::nsMutaryOfWindows().append(w);
        windows.append(w);
        return w;
    }

    // A folder holding count songs titled "Song 01" ... in order.
    QString folderWithSongs(QTemporaryDir &dir, int count)
    {
        for (int i = 1; i <= count; ++i)
            chordProSong(dir.path(), QStringLiteral("s%1.chopro").arg(i, 2, 10, QLatin1Char('0')),
                         QStringLiteral("Song %1").arg(i, 2, 10, QLatin1Char('0')));
        return dir.path();
    }

    QString currentTitle() const
    {
        const PiecesPtr p = Data::getPiece(Data::songNoG());
        return p ? p->pieceDet->titre : QString();
    }

    RecordingWindow *window() const { return windows.value(0); }
    // The folder a key opened or reloaded has been read and taken (its read comes back through the event loop).
    void folderRead() const
    {
        ASSERT_TRUE(testsupport::waitFor([this]() { return !controller->folderReadPending(); }));
    }
    // The note writes asked so far are done and told.
    void written() const
    {
        if (controller && controller->noteWriter())
            controller->noteWriter()->waitForIdle();
    }

    // Slot 0 holds count songs and is opened at start, table of contents hidden.
    void startWithSongs(QTemporaryDir &dir, int count)
    {
        folderWithSongs(dir, count);
        storeSlot(0, dir.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
    }

    static void storeSlot(int slot, const QString &path)
    {
        platform::UserDefaults::standard().setBool(QStringLiteral("dirIsanURL%1").arg(slot), true);
        platform::UserDefaults::standard().setData(QStringLiteral("url%1").arg(slot), path.toUtf8());
    }

    // Restarts the program on the same stored defaults.
    void restart()
    {
        controller->applicationWillTerminate();
        controller.reset();
        for (const QPointer<RecordingWindow> &w : windows)
            delete w.data();
        windows.clear();
        Data::nsMutaryOfWindows().clear();
        Data::initListePieces();
        start();
    }

    void setPages(qint64 pages)
    {
        Data::getPiece(Data::songNoG())->pieceDet->nbrPagesMax = pages;
    }

    static void postKey(int code) { platform::NotificationCenter::defaultCenter().postActionKey(code); }

    // From now on every page a cue or a command asks for is kept in pagesAsked.
    void recordPagesAsked()
    {
        platform::NotificationCenter::defaultCenter().addObserver(
            vocab::ActionGoToPageNo, [this](const platform::Notification &n) { pagesAsked << int(n.intParam()); },
            controller.get());
    }

    std::unique_ptr<platform::ManualClock> clock;
    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    platform::RecordingDesktopServices desktop;
    QTemporaryDir dataDir;
    std::unique_ptr<Controller> controller;
    QList<int> pagesAsked;
    QList<QPointer<RecordingWindow>> windows;
    // Every Tolvane window the program makes is a recording one.
    windowfactory::ScopedCreator tolvaneWindows{0, [this]() {
                                                    auto *w = new RecordingWindow(0);
                                                    windows.append(w);
                                                    return w;
                                                }};
};

} // namespace controllertest
