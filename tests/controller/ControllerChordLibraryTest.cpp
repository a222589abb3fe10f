#include "ControllerTestSupport.h"

#include "chords/ChordLibraryLine.h"
#include "chords/windows/ChordLibrary.h"

#include <QApplication>

using namespace controllertest;

class ControllerChordLibrary : public ControllerFixture {};

TEST_F(ControllerChordLibrary, MenuAndDiagramsOpenTheLibraries)
{
    QTemporaryDir songs;
    startWithSongs(songs, 1);
    QApplication::setActiveWindow(window());
    controller->actionMenuItemChordLib(5);
    EXPECT_EQ(controller->chordLibrary(0, false), nullptr);
    controller->actionMenuItemChordLib(0);
    ChordLibrary *guitar = controller->chordLibrary(0, false);
    ASSERT_TRUE(guitar);
    EXPECT_TRUE(guitar->isVisible());
    EXPECT_EQ(guitar->windowTitle(), QStringLiteral("Chord Library - Guitar (EADGBE)"));
    EXPECT_EQ(guitar->refTolvaneWindow(), window());
    EXPECT_EQ(controller->chordLibrary(1, false), nullptr);

    // The edit mark of a ukulele diagram opens the ukulele library on its chord.
    ViewChords diagram;
    diagram.iniChordWithName(QStringLiteral("Am"), MChord{2, 0, 0, 0, -1, -1, 1, false}, false, 1);
    diagram.actionModify();
    ChordLibrary *uke = controller->chordLibrary(1, false);
    ASSERT_TRUE(uke);
    EXPECT_TRUE(uke->isVisible());
    EXPECT_EQ(uke->mViewChord()->chordName(), QStringLiteral("Am"));
    EXPECT_TRUE(dialogs.records().isEmpty()) << dialogs.lastText().toStdString();

    // A new window: the shown libraries list it.
    addWindow(QString());
    postKey(vocab::RefreshWindowMenus);
    EXPECT_EQ(guitar->combo1()->count(), 2);
    guitar->close();
    uke->close();
}

TEST_F(ControllerChordLibrary, QuittingAfterAnImportAsks)
{
    // Before, an import closed the window and quitting dropped the imported
    // chords without a word.
    QTemporaryDir songs;
    startWithSongs(songs, 1);
    controller->actionMenuItemChordLib(0);
    ChordLibrary *guitar = controller->chordLibrary(0, false);
    ASSERT_TRUE(guitar);
    const QString file = testsupport::writeFile(songs.filePath(QStringLiteral("Mine.txt")),
                                                chordlib::defineLine(QStringLiteral("Hx"), {1, 1, 1, 1, 1, 1}, 5).toUtf8());
    dialogs.answerPath(file);
    dialogs.answerButton(QStringLiteral("Keep existing chords"));
    guitar->actionTest(3);
    EXPECT_FALSE(guitar->isVisible());
    ASSERT_TRUE(testsupport::waitFor([guitar]() { return !guitar->importRunning(); }));
    EXPECT_TRUE(guitar->pendingChanges());

    dialogs.clear();
    dialogs.answerButton(QStringLiteral("Yes"));
    controller->applicationWillTerminate();
    EXPECT_TRUE(dialogs.texts().contains(QStringLiteral("Changes have been done in Chord Library. Save changes?")));
    EXPECT_TRUE(platform::UserDefaults::standard().stringForKey(QStringLiteral("CHORDS1")).contains(QStringLiteral("{define Hx ")));
}
