#include "chords/windows/ChordLibrary.h"

#include "ChordTestUtil.h"
#include "chords/ChordLibraryLine.h"
#include "chords/ChordLibraryRules.h"
#include "chords/SongFileEdit.h"
#include "chords/windows/WindowChords.h"
#include "library/Data.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/UserDefaults.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"
#include "windows/WindowFactory.h"
#include "windows/WindowPDFx.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QString guitar(const QString &name, const QList<int> &values, int fret = 1)
{
    return chordlib::defineLine(name, values, fret);
}

QStringList names(const QList<ChordSpecs> &records)
{
    QStringList out;
    for (const ChordSpecs &r : records)
        out.append(r.chordName());
    return out;
}

const QString kLibrary = guitar("C", {-1, 3, 2, 0, 1, 0}) + guitar("D", {-1, -1, 0, 2, 3, 2}) + guitar("G", {3, 2, 0, 0, 0, 3})
                         + guitar("G", {3, 5, 5, 4, 3, 3}, 3) + guitar("Am", {-1, 0, 2, 2, 1, 0}) + guitar("Bb", {-1, 1, 3, 3, 3, 1});

class ChordLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Data::chargerAllChordsString(false, -1, false); // marks them loaded: the texts below stay
        Data::allChordsString() = kLibrary;
        Data::allChordsStringUk() = chordlib::defineLine(QStringLiteral("C"), {0, 0, 0, 3}, 1)
                                    + chordlib::defineLine(QStringLiteral("Am"), {2, 0, 0, 0}, 1);
    }
    void TearDown() override
    {
        libraries.clear();
        for (const QPointer<WindowPDFxSuper> &w : QList(Data::nsMutaryOfWindows()))
            if (w)
                Data::closeWinQuietly(w);
        Data::nsMutaryOfWindows().clear();
        testsupport::processEvents();
    }

    ChordLibrary *library(qint64 instrument, WindowPDFxSuper *bound = nullptr)
    {
        auto lib = std::make_unique<ChordLibrary>();
        lib->setInstrument(instrument);
        lib->showChordLib(bound);
        libraries.push_back(std::move(lib));
        settled(libraries.back().get());
        return libraries.back().get();
    }

    WindowPDFx *tolvaneWith(const QString &fileName, const QString &text)
    {
        auto *w = qobject_cast<WindowPDFx *>(Data::newWindowPDFx(false, 0));
        w->resize(800, 600);
        songPath = testsupport::writeFile(dir.filePath(fileName), text.toUtf8());
        w->setPDF(chordProPiece(songPath), 1, true, false, 0, nullptr, false);
        return w;
    }

    // Imports run on a worker: waits until the chords are in or the import is refused.
    static void importAndWait(ChordLibrary *lib, const QString &path)
    {
        lib->importChordsfromFile(path);
        EXPECT_TRUE(testsupport::waitFor([lib]() { return !lib->importRunning(); }));
    }

    // Song reads and edits run on a worker: waits until the file answers.
    static void settled(const ChordLibrary *lib)
    {
        EXPECT_TRUE(testsupport::waitFor([lib]() { return !lib->songEditing() && !lib->songReading(); }));
    }

    std::unique_ptr<QMimeData> drag(ChordLibrary *lib, ChordLibrary::Table table, int row)
    {
        return std::unique_ptr<QMimeData>(lib->mimeForRow(table, row));
    }

    testsupport::FreshDefaults defaults;
    platform::ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString songPath;
    std::vector<std::unique_ptr<ChordLibrary>> libraries;
};

} // namespace

TEST_F(ChordLibraryTest, BrowsingLocatingAndDeleting)
{
    ChordLibrary *lib = library(0);
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Chord Library - Guitar (EADGBE)"));
    EXPECT_EQ(lib->labelNbChord()->text(), QStringLiteral("6 Chords"));
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 0);
    EXPECT_EQ(lib->mViewChord()->chordName(), QStringLiteral("C"));
    EXPECT_FALSE(lib->combo1()->isEnabled()); // no Tolvane window to bind
    EXPECT_FALSE(lib->dropsAccepted());
    // Cells are read-only: an edit there would bypass the library text and the unsaved mark.
    const QAbstractItemModel *cells = lib->table(ChordLibrary::LibraryTable)->model();
    EXPECT_FALSE(cells->flags(cells->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(cells->data(cells->index(0, 1)).toString(), QStringLiteral("x"));
    EXPECT_EQ(cells->data(cells->index(3, 7)).toString(), QStringLiteral("03"));
    lib->setInstrument(7);
    EXPECT_EQ(lib->windowTitle(), QStringLiteral("Chord Library - Guitar (EADGBE)"));
    lib->setInstrument(0);

    // Locate buttons: Bb alone, then with ctrl (no Bbm: nothing moves).
    lib->actionLocateChord(15, Qt::NoModifier);
    EXPECT_EQ(lib->mViewChord()->chordName(), QStringLiteral("Bb"));
    lib->actionLocateChord(15, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(lib->mViewChord()->chordName(), QStringLiteral("Bb"));

    // From a diagram: the second G shape is found by its shape.
    lib->chordLibLocateChord(QStringLiteral("G"), shape({3, 5, 5, 4, 3, 3}, 3), nullptr);
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 3);

    // A chord the library lacks: asked, and on Yes composed in creation mode.
    dialogs.answerButton(QStringLiteral("Yes"));
    lib->chordLibLocateChord(QStringLiteral("F#m7b5"), shape({2, 0, 2, 2, 1, 0}, 1), nullptr);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Chord F#m7b5 not found in Chord Library.\nDo you want to create it?"));
    EXPECT_TRUE(lib->pendingNewChord());
    EXPECT_EQ(lib->chordSpecsToAdd().chordX(), shape({0, 0, 0, 0, 0, 0}, 1));
    EXPECT_FALSE(lib->cadre1Shown() || lib->cadre2Shown());
    EXPECT_FALSE(lib->mViewChordEdit()->isHidden());
    // Closing with an empty name leaves creation mode without a question.
    lib->mViewChordEdit()->labelChord()->clear();
    dialogs.clear();
    lib->close();
    EXPECT_FALSE(lib->pendingNewChord());
    EXPECT_TRUE(dialogs.records().isEmpty());

    // Deleting the last row selects the new last row; Cancel deletes nothing.
    lib->showChordLib(nullptr);
    ASSERT_TRUE(lib->tableViewShouldSelectRow(ChordLibrary::LibraryTable, 5));
    dialogs.answerButton(QStringLiteral("Cancel"));
    lib->actionTest(7);
    EXPECT_EQ(lib->chordSpecsArray().size(), 6);
    dialogs.answerButton(QStringLiteral("Yes"));
    lib->actionTest(7);
    EXPECT_EQ(lib->chordSpecsArray().size(), 5);
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 4);
    EXPECT_FALSE(Data::allChordsString().contains(QStringLiteral("Bb ")));
    EXPECT_TRUE(lib->pendingChanges());

    // Closing with No: the stored library comes back.
    dialogs.answerButton(QStringLiteral("No"));
    lib->close();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Changes have been done in Chord Library. Save changes?"));
    EXPECT_EQ(lib->chordSpecsArray().size(), Data::obtenirDefaultChordStringforInstrument(0).count(QLatin1Char('\n')));
    EXPECT_FALSE(lib->pendingChanges());

    // A key pressed in the window asks nothing.
    dialogs.clear();
    QTest::keyClick(lib, Qt::Key_A);
    EXPECT_TRUE(dialogs.records().isEmpty());
}

TEST_F(ChordLibraryTest, DragsBetweenTheTables)
{
    WindowPDFx *t = tolvaneWith(QStringLiteral("Song.cho"),
                                QStringLiteral("{title: Song}\n{key: c}\n{define: Am base-fret 5 frets x 0 2 2 1 0}\n[Am]la [C]li\n"));
    ChordLibrary *lib = library(0, t);
    ASSERT_EQ(lib->refTolvaneWindow(), t);
    EXPECT_EQ(lib->combo1()->count(), 1);
    EXPECT_TRUE(lib->dropsAccepted());
    ASSERT_EQ(names(lib->chordSpecsArray2()), QStringList{QStringLiteral("Am")});
    EXPECT_TRUE(lib->chordSpecsArray2().first().chordX().userDefined);

    using T = ChordLibrary;
    // Within the library: only between the shapes of one name.
    const auto g = drag(lib, T::LibraryTable, 2);
    EXPECT_FALSE(lib->validateDrop(T::LibraryTable, g.get(), 3, true));  // onto a row
    EXPECT_TRUE(lib->validateDrop(T::LibraryTable, g.get(), 4, false));   // below the other G
    EXPECT_FALSE(lib->validateDrop(T::LibraryTable, g.get(), 1, false));  // among the Ds
    EXPECT_FALSE(lib->validateDrop(T::SongTable, drag(lib, T::SongTable, 0).get(), 0, false));
    ASSERT_TRUE(lib->acceptDrop(T::LibraryTable, g.get(), 4));
    EXPECT_EQ(lib->chordSpecsArray().at(2).chordX().fretPos, 3);
    EXPECT_TRUE(lib->pendingChanges());
    EXPECT_EQ(chordlib::findShape(Data::allChordsString(), QStringLiteral("G"), 6)->baseFret, 3);

    // A row outside the lists, however it came, changes nothing.
    auto stale = std::make_unique<QMimeData>();
    stale->setData(lib->chordLibraryDataType(), "99");
    EXPECT_FALSE(lib->acceptDrop(T::LibraryTable, stale.get(), 0));
    EXPECT_FALSE(lib->acceptDrop(T::SongTable, stale.get(), 0));

    // Song to library: added (sorted in, selected) although the drop says no.
    const auto am = drag(lib, T::SongTable, 0);
    EXPECT_TRUE(lib->validateDrop(T::LibraryTable, am.get(), 0, true));
    EXPECT_FALSE(lib->acceptDrop(T::LibraryTable, am.get(), 0));
    EXPECT_EQ(names(lib->chordSpecsArray()), (QStringList{"C", "D", "G", "G", "Am", "Am", "Bb"}));
    EXPECT_EQ(lib->selectedRow(T::LibraryTable), 5);
    EXPECT_EQ(lib->chordSpecsArray().at(5).chordX(), shape({-1, 0, 2, 2, 1, 0}, 5));

    // Library to song: a new name is added after the key, a known one replaced.
    EXPECT_TRUE(lib->acceptDrop(T::SongTable, drag(lib, T::LibraryTable, 0).get(), 0));
    settled(lib);
    EXPECT_EQ(readTextFile(songPath), QStringLiteral("{title: Song}\n{key: c}\n{define: C base-fret 1 frets x 3 2 0 1 0}\n"
                                                 "{define: Am base-fret 5 frets x 0 2 2 1 0}\n[Am]la [C]li\n"));
    EXPECT_EQ(lib->songPath(), songPath);
    EXPECT_TRUE(lib->acceptDrop(T::SongTable, drag(lib, T::LibraryTable, 4).get(), 0));
    settled(lib);
    EXPECT_EQ(readTextFile(songPath), QStringLiteral("{title: Song}\n{key: c}\n{define: C base-fret 1 frets x 3 2 0 1 0}\n"
                                                 "{define: Am base-fret 1 frets x 0 2 2 1 0}\n[Am]la [C]li\n"));
    EXPECT_EQ(names(lib->chordSpecsArray2()), (QStringList{"C", "Am"}));
}

TEST_F(ChordLibraryTest, SongDefinitionsFromTheSongTable)
{
    const QString text = QStringLiteral("{title: Song}\n{define: Am base-fret 1 frets x 0 2 2 1 0}\n"
                                        "{define: E base-fret 1 \nfrets 0 2 2 1 0 0}\n[Am]la [E]li\n");
    WindowPDFx *t = tolvaneWith(QStringLiteral("Song.cho"), text);
    ChordLibrary *lib = library(0, t);
    ASSERT_EQ(names(lib->chordSpecsArray2()), (QStringList{"Am", "E"}));

    // The song table active: its definition is edited in the song file.
    ASSERT_TRUE(lib->tableViewShouldSelectRow(ChordLibrary::SongTable, 0));
    EXPECT_TRUE(lib->cadre2Shown());
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 4); // the library's Am follows
    lib->viewChordsSuperModify();
    platform::ManualClock clock;
    testsupport::Gate share;
    songfile::setFileCall([share](const QString &) { share.wait(); });
    lib->boxRondClickatLine(0, 5);
    // Before, the table showed the new shape and the diagram the old one, and nothing said the song waited.
    EXPECT_EQ(lib->mViewChord()->mChordx(), lib->chordSpecsArray2().at(0).chordX());
    clock.advance(0.6);
    EXPECT_TRUE(lib->songNotice()->text().contains(QStringLiteral("does not answer"))) << lib->songNotice()->text().toStdString();
    // Before, a second edit asked while the first was being written was dropped
    // without a word, then refused in a modal box: it joins the song's queue.
    dialogs.clear();
    lib->boxRondClickatLine(0, 4);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.lastText().toStdString();
    EXPECT_EQ(lib->chordSpecsArray2().at(0).chordX(), shape({-1, 0, 2, 2, 0, -1}, 1, true));
    EXPECT_EQ(lib->mViewChord()->mChordx(), lib->chordSpecsArray2().at(0).chordX());
    share.open();
    songfile::setFileCall({});
    settled(lib);
    EXPECT_TRUE(lib->songNotice()->isHidden());
    EXPECT_TRUE(readTextFile(songPath).contains(QStringLiteral("{define: Am base-fret 1 frets x 0 2 2 0 x}")))
        << readTextFile(songPath).toStdString();
    lib->modifierChordselonTypeModif(2, 0, 0, 0, QStringLiteral("Am7"));
    settled(lib);
    EXPECT_TRUE(readTextFile(songPath).contains(QStringLiteral("{define: Am7 base-fret 1 frets x 0 2 2 0 x}")));
    EXPECT_FALSE(lib->pendingChanges()); // the library itself is untouched
    lib->actionChordsModifyDone();

    // Removed with its line.
    ASSERT_TRUE(lib->tableViewShouldSelectRow(ChordLibrary::SongTable, 0));
    lib->actionTest(2);
    settled(lib);
    EXPECT_EQ(readTextFile(songPath), QStringLiteral("{title: Song}\n{define: E base-fret 1 \nfrets 0 2 2 1 0 0}\n[Am]la [E]li\n"));

    // Before, a directive over two lines changed in the list but not in the
    // file, and the change was gone at the next load: now neither changes.
    ASSERT_TRUE(lib->tableViewShouldSelectRow(ChordLibrary::SongTable, 0));
    ASSERT_EQ(lib->chordSpecsArray2().at(0).chordName(), QStringLiteral("E"));
    dialogs.clear();
    lib->actionTest(7);
    settled(lib);
    EXPECT_EQ(readTextFile(songPath), QStringLiteral("{title: Song}\n{define: E base-fret 1 \nfrets 0 2 2 1 0 0}\n[Am]la [E]li\n"));
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.lastText().contains(songPath));
    EXPECT_EQ(lib->chordSpecsArray2().size(), 1);
    EXPECT_EQ(lib->chordSpecsArray().size(), 6); // tag 7 on the song table never deletes from the library
}

// Before, a window that went while an edit's message was up was used once the message closed.
TEST_F(ChordLibraryTest, AWindowGoneDuringAnEditsMessageIsLeftAlone)
{
    WindowPDFx *t = tolvaneWith(QStringLiteral("Song.cho"), QStringLiteral("{title: Song}\n[Am]la\n"));
    ChordLibrary *lib = library(0, t);
    ASSERT_TRUE(QFile::remove(songPath));
    dialogs.whileAlertOpen([this] { libraries.clear(); });
    lib->insertChordinDefinedChordsFromRow(0);
    EXPECT_TRUE(testsupport::waitFor([this] { return libraries.empty(); }));
    testsupport::processEvents();
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("could not be read")));
    dialogs.whileAlertOpen({});
}

// Before, the library and the strip each had a queue of their own: with the
// song's folder silent both edits read the same text, and the second write, or
// kept copy at a quit, dropped the first one's change.
TEST_F(ChordLibraryTest, TheLibraryAndTheStripEditingOneHeldSongKeepBothChanges)
{
    const windowfactory::ScopedCreator stripClass{14, [] { return new WindowChords; }};
    const QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", QFile::encodeName(data.path()));
    const auto unset = qScopeGuard([] { qunsetenv("TOLVANE_DATA_DIR"); });
    const auto both = [](const QString &text) {
        return text.contains(QStringLiteral("{define: C base-fret 1 frets x 3 2 0 1 0}"))
               && text.contains(QStringLiteral("{x_piano: Am inversion 1}"));
    };
    // Before, edits said to wait were in memory alone, and a kill took them.
    enum class Then { Answers, Quits, Ends };
    for (const Then then : {Then::Answers, Then::Quits, Then::Ends}) {
        const QString song = QStringList{"Both.cho", "Quit.cho", "End.cho"}.at(int(then));
        WindowPDFx *t = tolvaneWith(song, QStringLiteral("{title: Both}\n{key: C}\n[Am]la [C]li\n"));
        ASSERT_TRUE(t->renderer().waitForIdle());
        ChordLibrary *lib = library(0, t);
        auto *strip = qobject_cast<WindowChords *>(Data::newWindowPDFx(false, 14));
        strip->iniFixPageNo(2);
        strip->refreshInfo();
        auto *am = qobject_cast<ViewChordsP *>(strip->diagrams().value(0));
        ASSERT_TRUE(am);
        platform::ManualClock clock;
        testsupport::Gate share;
        songfile::setFileCall([share](const QString &) { share.wait(); });
        lib->insertChordinDefinedChordsFromRow(0);
        clock.advance(0.6); // said to wait: kept aside from here on
        am->actionInversion(false);
        const QDir keptNotes(data.filePath(QStringLiteral("Kept notes")));
        const auto keptBoth = [&] {
            const QFileInfoList kept = keptNotes.entryInfoList(QDir::Files);
            ASSERT_EQ(kept.size(), 1);
            EXPECT_TRUE(both(readTextFile(kept.first().filePath()))) << readTextFile(kept.first().filePath()).toStdString();
        };
        keptBoth();
        platform::setQuitting(then == Then::Quits);
        if (then == Then::Quits)
            songfile::SongFileEdits::settleAllOnQuit();
        platform::setQuitting(false);
        if (then == Then::Ends)
            songfile::SongFileEdits::dropAllAsAKillWould();
        if (then != Then::Answers) {
            keptBoth();
            const QString said = platform::kept::takeNotice();
            EXPECT_TRUE(said.startsWith(then == Then::Quits ? QStringLiteral("An edited song could not be saved when Tolvane last quit")
                                                             : QStringLiteral("An edited song was not written to its song file")))
                << said.toStdString();
            EXPECT_TRUE(said.contains(platform::kept::named(keptNotes.entryInfoList(QDir::Files).value(0).filePath())));
        }
        share.open();
        songfile::setFileCall({});
        EXPECT_TRUE(testsupport::waitFor([&] { return !lib->songEditing() && !strip->songEditing(); }));
        EXPECT_EQ(both(readTextFile(songPath)), then == Then::Answers) << readTextFile(songPath).toStdString();
        if (then == Then::Answers)
            EXPECT_TRUE(keptNotes.isEmpty(QDir::Files)) << "written, the copy goes";
        QDir(keptNotes).removeRecursively();
        TearDown();
    }
}

TEST_F(ChordLibraryTest, ImportExportAndRestore)
{
    ChordLibrary *lib = library(0);
    QTemporaryDir out;
    lib->exportChordstoDir(out.path());
    const QString file = out.filePath(QStringLiteral("GuitarChords.txt"));
    ASSERT_TRUE(testsupport::waitFor([&] { return QFile::exists(file); }));
    // Before, an export went over the file of its name there without a word: now only once the performer says so.
    const QString exported = readTextFile(file);
    dialogs.clear();
    for (const QString answer : {"No", "Yes"}) {
        testsupport::writeFile(file, "mine\n");
        dialogs.answerButton(answer);
        lib->exportChordstoDir(out.path());
        ASSERT_TRUE(testsupport::waitFor([&] { return dialogs.texts().size() == (answer == "No" ? 1 : 2); }));
        // What the answer starts is awaited: before, a "No" that still wrote over the file went unseen.
        ASSERT_TRUE(testsupport::waitFor([&] { return !lib->chordFilesBusy(); }));
        EXPECT_TRUE(testsupport::waitFor([&] { return readTextFile(file) == (answer == "No" ? "mine\n" : exported); }));
    }

    // Our export imported back with Keep: exact duplicates go, the count stays.
    dialogs.answerButton(QStringLiteral("Keep existing chords"));
    importAndWait(lib, file);
    EXPECT_EQ(lib->chordSpecsArray().size(), 6);
    EXPECT_TRUE(lib->pendingChanges());

    // Replace, from a file with a bad line and no final line break.
    const QString mixed = guitar("E", {0, 2, 2, 1, 0, 0}) + QStringLiteral("{define Broken          |q:2:2:1:0:0#x:x:x:x:x:x#01}\n")
                          + guitar("A", {-1, 0, 2, 2, 2, 0}).chopped(1);
    const QString mixedPath = testsupport::writeFile(out.filePath(QStringLiteral("mixed.txt")), mixed.toUtf8());
    dialogs.answerButton(QStringLiteral("Replace entire chord library"));
    importAndWait(lib, mixedPath);
    EXPECT_EQ(names(lib->chordSpecsArray()), (QStringList{"E", "A"}));
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 0);

    // Cancel, and a file without one valid line, leave the library as it is.
    dialogs.answerButton(QStringLiteral("Cancel"));
    importAndWait(lib, file);
    EXPECT_EQ(lib->chordSpecsArray().size(), 2);
    dialogs.clear();
    importAndWait(lib, testsupport::writeFile(out.filePath(QStringLiteral("junk.txt")), "not a chord\n"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Selected file cannot be imported. Please, use a valid chord file.")});

    // A guitar file is refused by the ukulele window.
    ChordLibrary *uke = library(1);
    EXPECT_EQ(uke->windowTitle(), QStringLiteral("Chord Library - Ukulele (GCEA)"));
    dialogs.clear();
    importAndWait(uke, file);
    EXPECT_EQ(dialogs.texts().size(), 1);
    EXPECT_EQ(uke->chordSpecsArray().size(), 2);

    // Before, a failed export went unreported.
    dialogs.clear();
    uke->exportChordstoDir(out.filePath(QStringLiteral("missing/folder")));
    ASSERT_TRUE(testsupport::waitFor([&] { return !dialogs.texts().isEmpty(); }));
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("UkuleleChords.txt")));

    // Restore, adding the defaults: the message counts what came.
    const qsizetype defaults = Data::obtenirDefaultChordStringforInstrument(0).count(QLatin1Char('\n'));
    dialogs.clear();
    dialogs.answerButton(QStringLiteral("Add Missing Default Chords"));
    lib->restoreDefault();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("%1 chord(s) added to the library.").arg(lib->chordSpecsArray().size() - 2));
    EXPECT_GE(lib->chordSpecsArray().size(), defaults);

    // Replacing asks twice; No to the warning keeps everything.
    const qsizetype before = lib->chordSpecsArray().size();
    dialogs.answerButton(QStringLiteral("Replace Entire Chord Library"));
    dialogs.answerButton(QStringLiteral("No"));
    lib->restoreDefault();
    EXPECT_EQ(lib->chordSpecsArray().size(), before);
    dialogs.answerButton(QStringLiteral("Replace Entire Chord Library"));
    dialogs.answerButton(QStringLiteral("Yes"));
    lib->restoreDefault();
    EXPECT_EQ(lib->chordSpecsArray().size(), defaults);

    // Saved, the library is what the next run loads.
    lib->actionTest(9);
    EXPECT_FALSE(lib->pendingChanges());
    EXPECT_EQ(platform::UserDefaults::standard().stringForKey(QStringLiteral("CHORDS1")), Data::allChordsString());
}

TEST_F(ChordLibraryTest, ShapeEditor)
{
    ChordLibrary *lib = library(0);
    lib->resize(900, 560);
    testsupport::processEvents();
    ViewChordsEdit *editor = lib->mViewChordEdit();
    EXPECT_TRUE(editor->isHidden());
    // The dots sit on the diagram's strings.
    const diagram::FretPlan plan = lib->mViewChord()->plan();
    lib->viewChordsSuperModify();
    EXPECT_FALSE(editor->isHidden());
    EXPECT_TRUE(editor->boutonCancel()->isHidden()); // editing a shown chord: the lock only
    for (int column = 0; column < 6; ++column)
        EXPECT_NEAR(editor->rond(2, column)->geometry().center().x(), plan.columns[size_t(column)].string.x1(), 1.0);

    // C at row 0: its first string (muted) opens, then mutes again.
    editor->boxRondClickatLine(0, 0);
    EXPECT_EQ(lib->chordSpecsArray().at(0).chordX().s1, 0);
    editor->boxRondClickatLine(0, 0);
    EXPECT_EQ(lib->chordSpecsArray().at(0).chordX().s1, -1);
    lib->saveChordLibrary();
    // A dot already set changes nothing and leaves the library unchanged.
    editor->boxRondClickatLine(3, 1);
    EXPECT_FALSE(lib->pendingChanges());
    // The base-fret field as typed.
    editor->labelPos()->clear();
    QTest::keyClicks(editor->labelPos(), QStringLiteral("0"));
    EXPECT_EQ(editor->labelPos()->text(), QStringLiteral("1"));
    editor->labelPos()->clear();
    QTest::keyClicks(editor->labelPos(), QStringLiteral("15"));
    EXPECT_EQ(editor->labelPos()->text(), QStringLiteral("12"));
    lib->actionChordsPosModifiedEnd();
    EXPECT_EQ(lib->chordSpecsArray().at(0).chordX().fretPos, 12);
    // Renamed in the library: sorted in again and still selected.
    editor->labelChord()->clear();
    QTest::keyClicks(editor->labelChord(), QStringLiteral("bbmaj7add9sus4/Fx"));
    EXPECT_EQ(editor->labelChord()->text(), QStringLiteral("bbmaj7add9sus4/F"));
    lib->actionChordsNameModifiedEnd();
    EXPECT_EQ(lib->chordSpecsArray().last().chordName(), QStringLiteral("Bbmaj7add9sus4/F"));
    EXPECT_EQ(lib->selectedRow(ChordLibrary::LibraryTable), 5);
    lib->actionChordsModifyDone();
    EXPECT_TRUE(editor->isHidden());

    // A new chord from the selection, OK without a change: nothing is added.
    lib->actionTest(6);
    EXPECT_TRUE(lib->pendingNewChord());
    EXPECT_FALSE(editor->boutonCancel()->isHidden());
    lib->actionChordsModifyDone();
    EXPECT_FALSE(lib->pendingNewChord());
    EXPECT_EQ(lib->chordSpecsArray().size(), 6);

    // A new empty chord needs a name before it is added.
    dialogs.clear();
    lib->actionTest(5);
    editor->boxRondClickatLine(2, 4);
    editor->labelChord()->clear();
    lib->actionChordsModifyDone();
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("A chord name must be specified.")});
    EXPECT_TRUE(lib->pendingNewChord());
    editor->labelChord()->setText(QStringLiteral(" em/g "));
    lib->actionChordsModifyDone();
    EXPECT_FALSE(lib->pendingNewChord());
    const int row = lib->selectedRow(ChordLibrary::LibraryTable);
    ASSERT_GE(row, 0);
    EXPECT_EQ(lib->chordSpecsArray().at(row).chordName(), QStringLiteral("Em/G"));
    EXPECT_EQ(lib->chordSpecsArray().at(row).chordX(), shape({0, 0, 0, 0, 2, 0}, 1));

    // A locate while composing settles first; Cancel keeps composing.
    lib->actionTest(5);
    editor->boxRondClickatLine(1, 0);
    dialogs.answerButton(QStringLiteral("Cancel"));
    lib->actionLocateChord(3, Qt::NoModifier);
    EXPECT_TRUE(lib->pendingNewChord());
    dialogs.answerButton(QStringLiteral("No"));
    lib->actionLocateChord(3, Qt::NoModifier);
    EXPECT_FALSE(lib->pendingNewChord());
    EXPECT_EQ(lib->mViewChord()->chordName(), QStringLiteral("D"));

    // Closing while composing a named chord asks, without Cancel.
    lib->actionTest(5);
    editor->boxRondClickatLine(1, 0);
    editor->labelChord()->setText(QStringLiteral("X1"));
    dialogs.clear();
    dialogs.answerButton(QStringLiteral("Yes"));
    dialogs.answerButton(QStringLiteral("No"));
    lib->close();
    ASSERT_GE(dialogs.records().size(), 1);
    EXPECT_EQ(dialogs.records().first().buttons, (QStringList{"No", "Yes"}));
    EXPECT_FALSE(lib->pendingNewChord());

    // The ukulele's leftmost dot column is its first string.
    ChordLibrary *uke = library(1);
    uke->viewChordsSuperModify();
    EXPECT_TRUE(uke->mViewChordEdit()->rond(1, 0)->isHidden());
    uke->mViewChordEdit()->boxRondClickatLine(3, 1);
    EXPECT_EQ(uke->chordSpecsArray().at(0).chordX().s1, 3);
}

// Before, Save on a full disk cleared the unsaved mark while the settings
// store only kept the library in memory; it was lost at quit without a word.
TEST_F(ChordLibraryTest, ASaveTheStoreCannotWriteStaysUnsavedAndSaysWhy)
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("defaults.sqlite"));
    platform::UserDefaults &store = platform::UserDefaults::standard();
    std::atomic<bool> full{true};
    struct FaultGone {
        ~FaultGone() { platform::UserDefaults::standard().setFault(nullptr); }
    } faultGone; // on any way out
    store.setFault([&full](platform::UserDefaults::Step step) {
        return full && step == platform::UserDefaults::Step::Write ? SQLITE_FULL : SQLITE_OK;
    });
    ASSERT_TRUE(platform::UserDefaults::openStandard(path));
    ChordLibrary *lib = library(0);
    dialogs.answerButton(QStringLiteral("Yes"));
    lib->actionTest(7); // deletes the selected chord
    ASSERT_TRUE(lib->pendingChanges());

    dialogs.clear();
    lib->actionTest(9);
    EXPECT_TRUE(lib->pendingChanges()) << "unsaved until it is on disk";
    ASSERT_TRUE(testsupport::waitFor([this]() { return !dialogs.records().isEmpty(); }));
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("The chord library could not be saved: the disk is full.\nIt stays unsaved until it can be."));
    EXPECT_TRUE(lib->pendingChanges());

    // Quitting asks as for any unsaved library; with room again it is written.
    full = false;
    dialogs.answerButton(QStringLiteral("Yes"));
    lib->settleOnQuit();
    EXPECT_TRUE(dialogs.texts().contains(QStringLiteral("Changes have been done in Chord Library. Save changes?")));
    EXPECT_FALSE(lib->pendingChanges());
    platform::UserDefaults::openStandard(QString());
    platform::UserDefaults stored;
    ASSERT_TRUE(stored.open(path));
    EXPECT_EQ(stored.stringForKey(QStringLiteral("CHORDS1")), Data::allChordsString());
    EXPECT_EQ(stored.stringForKey(QStringLiteral("CHORDS1")).count(QLatin1Char('\n')), 5);
}
