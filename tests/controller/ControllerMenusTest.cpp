#include "ControllerTestSupport.h"
#include "settings/DataHelp.h"
#include "chordpro/editor/WinEdit.h"
#include "chordpro/export/WinChordProToPDF.h"

#include "audio/MusicLibrary.h"
#include "events/windows/WinNoteF.h"
#include "platform/MainMenu.h"
#include "platform/desktop/SystemDesktopServices.h"
#include "settings/HelpPages.h"
#include "settings/WinVersions.h"
#include "support/GatedScan.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPdfDocument>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

using namespace controllertest;

namespace {

// The item at a path of titles below a menu; nullptr when there is none.
QAction *item(QMenu *menu, const QStringList &path)
{
    if (!menu || path.isEmpty())
        return nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text() != path.first())
            continue;
        if (path.size() == 1)
            return action;
        return item(action->menu(), path.mid(1));
    }
    return nullptr;
}

// Every text a menu shows, its submenus' included.
void menuTexts(QMenu *menu, QStringList &out)
{
    out << menu->title();
    for (QAction *a : menu->actions()) {
        out << a->text() << a->toolTip();
        if (a->menu())
            menuTexts(a->menu(), out);
    }
}

// Every text a window and its widgets show: title, labels, buttons, fields,
// lists and tables, tool tips.
void windowTexts(QWidget *window, QStringList &out)
{
    out << window->windowTitle();
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        out << w->toolTip();
        if (auto *label = qobject_cast<QLabel *>(w))
            out << label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            out << button->text();
        else if (auto *field = qobject_cast<QLineEdit *>(w))
            out << field->text() << field->placeholderText();
        else if (auto *text = qobject_cast<QPlainTextEdit *>(w))
            out << text->toPlainText();
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                out << combo->itemText(i);
        if (auto *table = qobject_cast<QTableWidget *>(w))
            for (int r = 0; r < table->rowCount(); ++r)
                for (int c = 0; c < table->columnCount(); ++c)
                    if (QTableWidgetItem *cell = table->item(r, c))
                        out << cell->text() << cell->toolTip();
    }
}

} // namespace

class ControllerMenus : public ControllerFixture {
protected:
    // Slot 0 holds the given files (the first one current), a Tolvane window is the key window.
    void startWithFiles(const QStringList &files)
    {
        for (const QString &name : files) {
            if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
                testsupport::writePdf(songs.filePath(name), 2);
            else
                chordProSong(songs.path(), name, QFileInfo(name).completeBaseName());
        }
        storeSlot(0, songs.path());
        platform::UserDefaults::standard().setInteger(QStringLiteral("dirNo"), 0);
        platform::UserDefaults::standard().setInteger(QStringLiteral("NbrExec"), 3);
        start();
        controller->masquerToc();
        makeKey(window());
    }

    static void makeKey(QWidget *w)
    {
        w->show();
        QApplication::setActiveWindow(w);
    }

    QMenu *menuNamed(const QString &name) const
    {
        if (name == QLatin1String("MIDI"))
            return controller->midiMenu();
        if (name == QLatin1String("Window"))
            return controller->windowMenu();
        if (name == QLatin1String("Song"))
            return controller->songMenu();
        return controller->screensetMenu();
    }

    void trigger(const QStringList &path)
    {
        QAction *action = item(menuNamed(path.first()), path.mid(1));
        ASSERT_TRUE(action) << path.join(QLatin1Char('/')).toStdString();
        action->trigger();
    }
    // The song-file command asked last has answered (its file work comes back through the event loop).
    void answered() const
    {
        ASSERT_TRUE(testsupport::waitFor([this]() { return ControllerTestAccess::songFilesAnswered(*controller); }));
        // The folder they changed is then read again off the main thread.
        folderRead();
    }

    QTemporaryDir songs;
};

TEST_F(ControllerMenus, EveryItemReachesItsOperation)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    const QString song = songs.filePath(QStringLiteral("Song.chopro"));
    struct Row {
        QStringList path;
        QString window;   // class of the window the item shows, or ""
        QString handOff;  // what the desktop was asked, or ""
        bool editor = false;  // the ChordPro editor opens
        qint64 exportOper = -1; // the export window's operation, or -1
    };
    const QList<Row> rows = {
        {{"MIDI", "MIDI Destinations…"}, "MidiPref", ""},
        {{"MIDI", "MIDI Event Library…"}, "MidiPref2", ""},
        {{"MIDI", "MIDI Triggers…"}, "MidiPref3", ""},
        {{"MIDI", "MIDI Clock and Metronome Ticks…"}, "MidiPref4", ""},
        {{"Window", "Notes"}, "WinNoteF", ""},
        {{"Window", "Swap Plain and Formatted Note"}, "WinNote", ""},
        {{"Window", "Window Identifiers…"}, "DataPref4", ""},
        {{"Window", "Tags…"}, "DataPref7", ""},
        {{"Window", "Guitar Chord Library…"}, "ChordLibrary", ""},
        {{"Window", "Ukulele Chord Library…"}, "ChordLibrary", ""},
        {{"Window", "Audio Player"}, "WinAudioPlayer", ""},
        {{"Window", "Track Preview"}, "WinAudioPreview", ""},
        {{"Window", "Tolvane Help"}, "", ""},
        {{"Song", "Reveal in File Manager"}, "", "reveal " + song},
        {{"Song", "Open"}, "", "", true},
        {{"Song", "Open with Default Application"}, "", "open " + song},
        {{"Song", "Open in Viewer"}, "", "", false, 2},
        {{"Song", "Print…"}, "", "", false, 1},
        {{"Song", "Mail…"}, "", "mail " + song},
        {{"Song", "Mail as PDF…"}, "", "", false, 0},
        // "Export as PDF…" asked to export every song of the tab, "Export Songs as PDF…" only the current one.
        {{"Song", "Export as PDF…"}, "", "", false, 4},
        {{"Song", "Export Songs as PDF…"}, "", "", false, 3},
        {{"Song", "Open in Editor"}, "", "", true},
        {{"Song", "New ChordPro Song"}, "", "", true},
        {{"Song", "Manage Versions…"}, "WinVersions", ""},
        {{"Song", "Reveal Folder in File Manager"}, "", "reveal " + songs.path()},
        {{"Song", "Open Folder"}, "", "open " + songs.path()},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.path.join(QLatin1Char('/')).toStdString());
        makeKey(window());
        desktop.clear();
        dialogs.clear();
        trigger(r.path);
        // Modal windows return at once here: the export window stays open.
        qint64 exportOper = -1;
        if (WinChordProToPDF *w = controller->winChordProToPDF(); w && w->isVisible()) {
            exportOper = w->oper();
            w->actionCancel();
        }
        EXPECT_EQ(exportOper, r.exportOper);
        if (!r.window.isEmpty()) {
            const QWidgetList shown = QApplication::topLevelWidgets();
            EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](QWidget *w) {
                return w->isVisible() && r.window == QLatin1String(w->metaObject()->className());
            })) << r.window.toStdString();
        }
        // The editor shows once the song's text answers.
        EXPECT_TRUE(testsupport::waitFor([this] { return !controller->winEditController()->reading(); }));
        EXPECT_EQ(controller->winEditController()->isVisible(), r.editor);
        controller->winEditController()->hide();
        EXPECT_EQ(desktop.lines(), r.handOff.isEmpty() ? QStringList() : QStringList{r.handOff});
        EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.lastText().toStdString();
    }
}

TEST_F(ControllerMenus, TagIdentifierVersionAndHelpItemsShowTheirWindows)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    auto shown = [](const QString &title) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == title)
                return true;
        return false;
    };
    const struct {
        QStringList path;
        const char *title;
    } rows[] = {
        {{"Window", "Window Identifiers…"}, "Window Identifiers"},
        {{"Window", "Tags…"}, "Tags"},
        {{"Window", "Filter by Tag…"}, "Filter by Tag"},
        {{"Song", "Manage Versions…"}, "Alternate Versions"},
        {{"Window", "Tolvane Help"}, "Tolvane Help"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.path.join(QLatin1Char('/')).toStdString());
        trigger(r.path);
        EXPECT_TRUE(shown(QString::fromUtf8(r.title)));
    }
    // Help codes reach the help window with their page; 16 runs modally.
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::HelpFirst + 9);
    EXPECT_TRUE(shown(QStringLiteral("Tolvane Help - Alternate Versions")));
    platform::NotificationCenter::defaultCenter().postActionKey(vocab::HelpFirst + 16);
    EXPECT_TRUE(controller->helpWindow()->modalWin());
    EXPECT_EQ(controller->helpWindow()->windowTitle(), QStringLiteral("Tolvane Help - Setlists and Collections"));
}

TEST_F(ControllerMenus, QuittingWithTheListWindowsOpenKeepsTheirLists)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    trigger({QStringLiteral("Window"), QStringLiteral("Tags…")});
    trigger({QStringLiteral("Window"), QStringLiteral("Window Identifiers…")});
    Data::tags() = {QStringLiteral("Encore")};
    Data::winIDs().first()->idWin = QStringLiteral("Keys");
    // Before, both lists were written only when their window closed.
    controller->applicationWillTerminate();
    auto &d = platform::UserDefaults::standard();
    EXPECT_EQ(d.stringForKey(QStringLiteral("tagStr")), QStringLiteral("Encore\n"));
    EXPECT_EQ(d.stringForKey(QStringLiteral("WinID_idWin_0")), QStringLiteral("Keys"));
}

TEST_F(ControllerMenus, HelpFolderRefusesTheSongCommands)
{
    start();
    makeKey(window());
    ASSERT_EQ(controller->currentDirNo(), -1);
    for (QAction *a : controller->songMenu()->actions().mid(0, 6))
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    controller->actionOpenPDFx(0);
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("This action is disabled in the Help Tolvane.")});
    const QStringList refused[] = {{"Song", "Open in Editor"},
                                   {"Song", "New ChordPro Song"},
                                   {"Song", "New ChordPro Song Beside the PDF"},
                                   {"Song", "Manage Versions…"}};
    for (const QStringList &path : refused) {
        SCOPED_TRACE(path.join(QLatin1Char('/')).toStdString());
        dialogs.clear();
        trigger(path);
        EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("This action is disabled in the Help Tolvane.")});
    }
}

TEST_F(ControllerMenus, NoCurrentSongMakesEverySongCommandDoNothing)
{
    startWithFiles({QStringLiteral("Song.pdf")});
    Data::setSongNoG(0);
    desktop.clear();
    dialogs.clear();
    for (QAction *a : controller->songMenu()->actions())
        if (!a->isSeparator() && !a->text().contains(QStringLiteral("Folder")) && !a->text().startsWith("New ChordPro Song")
            && a->text() != QStringLiteral("Manage Versions…") && a->text() != QStringLiteral("Edit Current Tab…")
            && !a->text().contains(QStringLiteral("Audio")))
            a->trigger();
    EXPECT_TRUE(desktop.lines().isEmpty()) << desktop.lines().join(", ").toStdString();
    EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.lastText().toStdString();
}

TEST_F(ControllerMenus, PdfSongsGoToTheDesktopAsTheKeyWindowShowsThem)
{
    startWithFiles({QStringLiteral("Song.PDF")});
    const QString own = songs.filePath(QStringLiteral("Song.PDF"));
    const QString alternate = testsupport::writePdf(songs.filePath(QStringLiteral("Song---Lead.PDF")), 1);

    // A file whose extension is in capitals is a PDF.
    trigger({"Song", "Print…"});
    trigger({"Song", "Mail as PDF…"});
    trigger({"Song", "Open"});
    EXPECT_EQ(desktop.lines(), QStringList({"print " + own, "mail " + own, "open " + own}));

    // The key window shows the alternate version: that file is the song's, once its renderer has found it.
    // Before, the command looked for it on the main thread: a library share that did not answer froze the keys.
    testsupport::Gate answers;
    const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
    window()->renderer = std::make_unique<PageRenderer>([answers](const QString &path) {
        answers.wait();
        return platform::regularFileStamp(path);
    });
    window()->iniMode(1, QStringLiteral("Lead"));
    window()->versionShown(own, true);
    desktop.clear();
    trigger({"Song", "Reveal in File Manager"});
    EXPECT_EQ(desktop.lines(), QStringList({"reveal " + own})) << "the master while the share is silent";
    answers.open();
    window()->renderer->waitForIdle();
    desktop.clear();
    trigger({"Song", "Print…"});
    trigger({"Song", "Mail…"});
    EXPECT_EQ(desktop.lines(), QStringList({"print " + alternate, "mail " + alternate}));

    // Before, a Cancel in the print dialog read as "could not be printed".
    dialogs.clear();
    desktop.setPrintCancelled(true);
    trigger({"Song", "Print…"});
    EXPECT_TRUE(dialogs.records().isEmpty());
    desktop.setPrintCancelled(false);
    desktop.setAnswer(false);
    trigger({"Song", "Print…"});
    EXPECT_EQ(dialogs.records().size(), 1);
}

// Before, the mail program was only started: when it failed, or there was
// none, the performer was never told.
TEST_F(ControllerMenus, MailSaysSoWhenTheMailProgramFails)
{
    startWithFiles({QStringLiteral("Song.pdf")});
    const QString told = QStringLiteral("No mail could be prepared for \"%1\".").arg(songs.filePath("Song.pdf"));
    platform::SystemDesktopServices system;
    platform::setDesktop(&system);
    const QByteArray path = qgetenv("PATH");
    // An xdg-email of its own first on PATH, that notes it ran.
    QTemporaryDir bin;
    const auto mailProgramExiting = [&](int code) {
        const QString folder = bin.filePath(QString::number(code));
        testsupport::writeProgram(folder + QStringLiteral("/xdg-email"),
                                  QStringLiteral("#!/bin/sh\ntouch \"$0.ran\"\nexit %1\n").arg(code).toUtf8());
        qputenv("PATH", QFile::encodeName(folder) + ':' + path);
        return folder + QStringLiteral("/xdg-email.ran");
    };

    // Before, the mail program was looked for through PATH on the main thread.
    const QString ran = mailProgramExiting(0);
    trigger({"Song", "Mail…"});
    EXPECT_TRUE(testsupport::waitFor([&]() { return QFile::exists(ran); }));
    mailProgramExiting(1);
    trigger({"Song", "Mail…"});
    EXPECT_TRUE(testsupport::waitFor([&]() { return !dialogs.records().isEmpty(); }));
    testsupport::processEvents();
    EXPECT_EQ(dialogs.texts(), QStringList{told}) << "one message, for the mail program that failed";

    qputenv("PATH", path);
    platform::setDesktop(&desktop);
}

TEST_F(ControllerMenus, ChordProBesideAPdf)
{
    startWithFiles({QStringLiteral("Song.pdf")});
    trigger({"Song", "New ChordPro Song Beside the PDF"});
    answered();
    const QString made = songs.filePath(QStringLiteral("Song.chopro"));
    ASSERT_TRUE(QFileInfo::exists(made));
    EXPECT_EQ(QFileInfo(made).size(), 0);
    ASSERT_TRUE(testsupport::waitFor([this] { return !controller->winEditController()->reading(); }));
    EXPECT_TRUE(controller->winEditController()->isVisible());
    EXPECT_EQ(controller->winEditController()->fichierCour(), made);
    EXPECT_TRUE(dialogs.records().isEmpty());
    const PiecesList &listed = Data::listePiecesByTitle();
    EXPECT_TRUE(std::any_of(listed.cbegin(), listed.cend(),
                            [&made](const PiecesPtr &p) { return p->pieceDet && p->pieceDet->fichier == made; }))
        << "the folder read again holds the new song";
}

TEST_F(ControllerMenus, ChordProBesideAPdfRefusesAnExistingChordProFileInAnyCase)
{
    startWithFiles({QStringLiteral("Song.pdf")});
    testsupport::writeFile(songs.filePath(QStringLiteral("Song.CHO")), "{title:Song}\n");
    trigger({"Song", "New ChordPro Song Beside the PDF"});
    answered();
    const QString made = songs.filePath(QStringLiteral("Song.chopro"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("ChordPro file %1 already exists.").arg(made));
    EXPECT_FALSE(QFileInfo::exists(made));
}

TEST_F(ControllerMenus, ChordProBesideRefusesAChordProSong)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    trigger({"Song", "New ChordPro Song Beside the PDF"});
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Current song must be a PDF to use this function."));
}

class ControllerDelete : public ControllerMenus {
protected:
    void SetUp() override
    {
        ControllerMenus::SetUp();
        // The trash lives in a temporary data folder, on the songs' volume.
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        // Trashing never falls back on the working folder.
        QDir::setCurrent(home.path());
    }
    void TearDown() override
    {
        ControllerMenus::TearDown();
        qputenv("HOME", savedHome);
        QDir::setCurrent(savedCwd);
        qputenv("XDG_DATA_HOME", savedDataHome);
    }
    QStringList trashed() const
    {
        return QDir(home.filePath(QStringLiteral("data/Trash/files"))).entryList(QDir::Files, QDir::Name);
    }
    QStringList left() const { return QDir(songs.path()).entryList(QDir::Files, QDir::Name); }

    QByteArray savedHome = qgetenv("HOME");
    QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    QString savedCwd = QDir::currentPath();
    QTemporaryDir home;
};

TEST_F(ControllerDelete, ASongAloneGoesWithItsNoteAndAlternates)
{
    Data::winIDs().clear();
    startWithFiles({QStringLiteral("Song.chopro")});
    ASSERT_FALSE(Data::winIDs().isEmpty());
    const QString id = Data::winIDs().first()->idWin;
    testsupport::writeFile(songs.filePath(QStringLiteral("Song.txt")), "note");
    testsupport::writeFile(songs.filePath(QStringLiteral("Song---%1.chopro").arg(id)), "{title:Alt}\n");
    testsupport::writePdf(songs.filePath(QStringLiteral("Song---%1.pdf").arg(id)), 1);

    dialogs.answerButton(QStringLiteral("No"));
    trigger({"Song", "Delete Song…"});
    answered();
    EXPECT_TRUE(dialogs.lastText().endsWith(QStringLiteral("Corresponding .txt file and alternate versions will also be deleted.")));
    EXPECT_TRUE(trashed().isEmpty());

    dialogs.answerButton(QStringLiteral("Yes"));
    trigger({"Song", "Delete Song…"});
    answered();
    EXPECT_EQ(trashed(), QStringList({QStringLiteral("Song---%1.chopro").arg(id), "Song.chopro", "Song.txt"}));
    EXPECT_EQ(left(), QStringList{QStringLiteral("Song---%1.pdf").arg(id)});
}

TEST_F(ControllerDelete, ASongBesideItsOtherKindGoesAlone)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    testsupport::writePdf(songs.filePath(QStringLiteral("Song.pdf")), 1);
    testsupport::writeFile(songs.filePath(QStringLiteral("Song.txt")), "note");
    // Reload so that the current song is still the ChordPro one.
    ASSERT_EQ(QFileInfo(Data::getPiece(Data::songNoG())->pieceDet->fichier).fileName(), QStringLiteral("Song.chopro"));
    dialogs.answerButton(QStringLiteral("Yes"));
    trigger({"Song", "Delete Song…"});
    answered();
    EXPECT_EQ(dialogs.records().first().text,
              QStringLiteral("Delete Song ?\nFile %1 will be deleted.").arg(songs.filePath(QStringLiteral("Song.chopro"))));
    EXPECT_EQ(trashed(), QStringList{"Song.chopro"});
    EXPECT_EQ(left(), QStringList({"Song.pdf", "Song.txt"}));
}

TEST_F(ControllerDelete, AFileThatCannotGoToTheTrashStaysAndIsNamed)
{
    Data::winIDs().clear();
    startWithFiles({QStringLiteral("Song.chopro")});
    testsupport::writeFile(songs.filePath(QStringLiteral("Song.txt")), "note");
    // The song file went away behind the program's back.
    QFile::remove(songs.filePath(QStringLiteral("Song.chopro")));
    dialogs.answerButton(QStringLiteral("Yes"));
    trigger({"Song", "Delete Song…"});
    answered();
    EXPECT_EQ(trashed(), QStringList{"Song.txt"});
    EXPECT_TRUE(dialogs.lastText().contains(songs.filePath(QStringLiteral("Song.chopro"))));
    // Before, removal errors were silent; the folder reloads all the same.
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("These files could not be moved to the trash")));
}

// Before, both commands looked at the song's folder and wrote there on the
// main thread: a share that did not answer froze the program, keys included.
TEST_F(ControllerDelete, SongFileCommandsLeaveTheMainThreadFreeWhileTheFolderIsSilent)
{
    startWithFiles({QStringLiteral("Song.pdf")});
    dialogs.answerButton(QStringLiteral("Yes"));
    // The ChordPro file made beside the PDF, then the current one of the two deleted.
    const struct {
        const char *command;
        qsizetype files, asked; // files left and questions or messages once it has answered
    } rows[] = {{"New ChordPro Song Beside the PDF", 2, 0}, {"Delete Song…", 1, 1}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.command);
        testsupport::Gate answers;
        const std::shared_ptr<void> atTheEnd(nullptr, [answers](void *) mutable { answers.open(); });
        ControllerTestAccess::setSongFileCall(*controller, [answers]() { answers.wait(); });
        dialogs.clear();
        trigger({"Song", r.command});
        trigger({"Song", r.command}); // asked again while the first is under way: ignored
        testsupport::processEvents();
        EXPECT_NE(left().size(), r.files);
        EXPECT_TRUE(dialogs.records().isEmpty()) << "nothing asked before the folder answers";
        answers.open();
        answered();
        EXPECT_EQ(left().size(), r.files);
        EXPECT_EQ(dialogs.records().size(), r.asked);
    }
    EXPECT_EQ(trashed().size(), 1);
}

TEST_F(ControllerMenus, ForceMasterFlipsItsMarkAndRunsTheCommand)
{
    start();
    QAction *force = controller->forceMasterMenuItem();
    ASSERT_TRUE(force);
    EXPECT_FALSE(force->isChecked());
    trigger({"MIDI", "Force Master"});
    EXPECT_TRUE(force->isChecked());
    // Every window shows the song's own files, whatever its identifier.
    EXPECT_TRUE(window()->altModeOff());
    trigger({"MIDI", "Force Master"});
    EXPECT_FALSE(force->isChecked());
    EXPECT_FALSE(window()->altModeOff());
}

TEST_F(ControllerMenus, KeyParameterFieldsFollowTheChosenAction)
{
    PreferencesDialog dialog;
    dialog.setOptions(controller::ControllerOptions{});
    const int input = int(controller::KeyInput::Dot);
    QComboBox *popup = dialog.keyPopup(input);
    QLineEdit *field = dialog.keyField(input);
    ASSERT_TRUE(popup && field);
    field->setText(QStringLiteral("old"));
    struct Row {
        int tag;
        bool shown;
        const char *placeholder;
    };
    const Row rows[] = {{6, true, "Filter (optional)"}, {0, false, ""}, {9, true, "MIDI Group ID"}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.tag);
        const int index = popup->findData(r.tag);
        ASSERT_GE(index, 0);
        popup->setCurrentIndex(index);
        dialog.actionOptCombo(input);
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_EQ(!field->isHidden(), r.shown);
        if (r.shown)
            EXPECT_EQ(field->placeholderText(), QString::fromUtf8(r.placeholder));
        else
            EXPECT_TRUE(field->toolTip().isEmpty());
    }
}

TEST_F(ControllerMenus, FolderSlotItems)
{
    startWithFiles({QStringLiteral("Song.chopro")});
    QMenu *folder = controller->folderMenu();
    QAction *play3 = item(folder, {"Continuous Play for", "Tolvane 3"});
    ASSERT_TRUE(play3);
    play3->trigger();
    EXPECT_TRUE(play3->isChecked());
    EXPECT_TRUE(controller->options().contPlay[2]);
    play3->trigger();
    EXPECT_FALSE(controller->options().contPlay[2]);

    // Choosing a folder for a slot opens the folder chooser; cancelling keeps everything.
    item(folder, {"Choose a Folder for", "Tolvane 2"})->trigger();
    folderRead();
    ASSERT_FALSE(dialogs.records().isEmpty());
    EXPECT_EQ(dialogs.records().last().kind, QStringLiteral("folder"));
    EXPECT_EQ(controller->currentDirNo(), 0);

    // The current slot is unassigned without a question.
    dialogs.clear();
    item(folder, {"Unassign This Tolvane"})->trigger();
    EXPECT_TRUE(dialogs.records().isEmpty());
    EXPECT_EQ(controller->currentDirNo(), -1);
    EXPECT_FALSE(controller->folderSlots().has(0));
}

TEST_F(ControllerMenus, ShownTextsNameOneProgramAndThisSystemsKeys)
{
    // A PDF song without an artist: its record stores "(nil)", which windows never show.
    testsupport::writePdf(songs.filePath(QStringLiteral("Midnight Bus.pdf")), 1);
    startWithFiles({QStringLiteral("Song.chopro")});
    qint64 midnight = 0;
    for (qint64 n = 1; n <= Data::songNbrG(); ++n)
        if (Data::getPiece(n)->pieceDet->titre == QLatin1String("Midnight Bus"))
            midnight = n;
    ASSERT_GT(midnight, 0);
    controller->gotoSongNo(midnight, false, true);
    const QList<QStringList> windows = {
        {"MIDI", "MIDI Destinations…"}, {"MIDI", "MIDI Event Library…"}, {"MIDI", "MIDI Triggers…"},
        {"MIDI", "MIDI Clock and Metronome Ticks…"}, {"Window", "Notes"}, {"Window", "Window Identifiers…"},
        {"Window", "Tags…"}, {"Window", "Filter by Tag…"}, {"Window", "Guitar Chord Library…"},
        {"Window", "Audio Player"}, {"Window", "Track Preview"}, {"Window", "Tolvane Help"},
        {"Song", "Manage Versions…"}, {"Song", "New ChordPro Song"},
    };
    for (const QStringList &path : windows) {
        makeKey(window());
        trigger(path);
    }
    Data::tags() = {QStringLiteral("Live")};
    QAction *assignments = item(controller->marksMenu(), {QStringLiteral("Tags Assignments…")});
    ASSERT_TRUE(assignments);
    assignments->trigger();

    // The questions asked on the way: the audio export's closing message and
    // the note-recording prompt.
    audio::StaticMusicLibrary noTracks;
    audio::setMusicLibrary(&noTracks);
    QTemporaryDir exportDir;
    dialogs.answerPath(exportDir.path());
    makeKey(window());
    trigger({QStringLiteral("Song"), QStringLiteral("Export the Song's Audio Files…")});
    ASSERT_TRUE(testsupport::waitFor([this]() { return !controller->audioExportRuns(); }));
    audio::setMusicLibrary(nullptr);
    ASSERT_TRUE(controller->winNoteF());
    dialogs.answerButton(QStringLiteral("Cancel"));
    for (QPushButton *button : controller->winNoteF()->findChildren<QPushButton *>())
        if (button->text().contains(QStringLiteral("Rec")))
            QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(dialogs.records().size(), 3) << "folder, export message, recording prompt";

    // The artist quick filter, in a Tolvane window of the program's own.
    windowfactory::ScopedCreator realWindow(0, nullptr);
    ASSERT_TRUE(Data::newWindowPDFx(false, 0));
    controller->masquerToc(); // the tag filter window showed the list
    platform::NotificationCenter::defaultCenter().post(vocab::ActionDisplayHideList, QStringLiteral("ARTIST"));
    ASSERT_TRUE(controller->filterON());

    QStringList texts;
    menuTexts(MainMenu::instance().contextMenu(), texts);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        windowTexts(w, texts);
        if (auto *versions = qobject_cast<WinVersions *>(w)) {
            QStringList shown;
            windowTexts(versions, shown);
            EXPECT_TRUE(shown.contains(QStringLiteral("Open in Viewer"))) << "the PDF master's row";
        }
        if (auto *help = qobject_cast<DataHelp *>(w))
            for (int p = 0; p < help->document()->pageCount(); ++p)
                texts << help->document()->getAllText(p).text();
    }
    for (const platform::ScriptedDialogs::Record &r : dialogs.records())
        texts << r.title << r.text << r.buttons;
    QStringList rows;
    for (const PiecesPtr &row : std::as_const(Data::listePiecesTEMP2()))
        rows << row->pieceDet->titre;
    EXPECT_TRUE(rows.contains(QStringLiteral("Midnight Bus"))) << "the artist filter still finds the song";
    texts << rows;
    for (int n : helppages::allPages())
        texts << helppages::title(n) << helppages::fileName(n);
    ASSERT_TRUE(texts.contains(QStringLiteral("Midnight Bus")));

    // The MIDI ports keep their names: connected devices and other programs know them by it.
    static const QRegularExpression ports(QStringLiteral("Quillory (MIDI|IN|OUT|Input|Output|Notify)\\b"));
    static const QRegularExpression macKey(QStringLiteral("\\bCmd\\b"));
    // Before, the export offered "Finder...", the recording prompt named iTunes,
    // the versions window and two help pages "Open in Preview", and the artist
    // filter of a song without one "(nil)".
    static const QRegularExpression otherPrograms(QStringLiteral("\\b(Finder|iTunes)\\b|\\bin Preview\\b"));
    for (QString text : std::as_const(texts)) {
        EXPECT_FALSE(text.contains(QStringLiteral("(nil)"))) << text.toStdString();
        EXPECT_FALSE(text.contains(macKey)) << text.toStdString();
        EXPECT_FALSE(text.contains(otherPrograms)) << text.toStdString();
        text.remove(ports);
        EXPECT_FALSE(text.contains(QStringLiteral("Quillory"))) << text.toStdString();
    }
}
