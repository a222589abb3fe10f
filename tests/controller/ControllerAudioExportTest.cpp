#include "ControllerTestSupport.h"
#include "events/QStringPrint.h"

#include "audio/MusicLibrary.h"
#include "windows/PopupJauge.h"

#include <QFileInfo>

using namespace controllertest;

namespace {

// Three songs; the first has one plain recording, the second a Cover and a
// Practice take.
class AudioExport : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        manualClock();
        QList<audio::Track> tracks = {track("Song 01", "Rock"), track("Song 02", "Cover"),
                                      track("Song 02 (slow)", "Practice")};
        tracks[2].title = "Song 02";
        library.setTracks(tracks);
        audio::setMusicLibrary(&library);
        startWithSongs(songs, 3);
        out = QDir(outDir.path());
    }
    void TearDown() override
    {
        audio::setMusicLibrary(nullptr);
        ControllerFixture::TearDown();
    }

    audio::Track track(const QString &file, const QString &genre)
    {
        audio::Track t;
        t.title = file;
        t.artist = "Band";
        t.genre = genre;
        t.location = testsupport::writeFile(musicDir.filePath(file + ".mp3"), file.toUtf8());
        return t;
    }
    QStringList exported() const { return out.entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    // Until the export has answered: each song's copies come from a thread of their own.
    void runBatch()
    {
        ASSERT_TRUE(testsupport::waitFor([this]() {
            clock->advance(0.01);
            return !controller->audioExportRuns();
        }));
    }

    QTemporaryDir songs, musicDir, outDir;
    QDir out;
    audio::StaticMusicLibrary library;
};

TEST_F(AudioExport, ASongsRecordingsAreCopiedOnceAndNotAgain)
{
    const QString copied1 = QStringLiteral("1 file(s) have been copied to %1").arg(out.path());
    const QString copied0 = QStringLiteral("0 file(s) have been copied to %1").arg(out.path());
    controller->exportAudioFiles(true, out.path());
    runBatch();
    EXPECT_EQ(exported(), QStringList{"Song 01.mp3"}) << "five genres fall back on one file";
    EXPECT_EQ(dialogs.texts(), QStringList{copied1});
    EXPECT_EQ(dialogs.records().last().buttons, QStringList({"Reveal in File Manager", "Ok"}));
    controller->exportAudioFiles(true, out.path());
    runBatch();
    EXPECT_EQ(dialogs.texts().last(), copied0) << "a file already there is not copied again";
    // Before, a link to nothing there was looked through, and the copy written where it led.
    ASSERT_TRUE(QFile::remove(out.filePath("Song 01.mp3")) && QFile::link(songs.filePath("x"), out.filePath("Song 01.mp3")));
    controller->exportAudioFiles(true, out.path());
    runBatch();
    EXPECT_FALSE(QFileInfo::exists(songs.filePath("x")));
}

TEST_F(AudioExport, RevealShowsTheFirstFileCopiedElseTheFolder)
{
    dialogs.answerButton("Reveal in File Manager");
    controller->exportAudioFiles(true, out.path());
    runBatch();
    dialogs.answerButton("Reveal in File Manager");
    controller->exportAudioFiles(true, out.path());
    runBatch();
    EXPECT_EQ(desktop.lines(), QStringList({"reveal " + out.filePath("Song 01.mp3"), "reveal " + out.path()}));
}

TEST_F(AudioExport, AFolderThatCannotBeWrittenCountsNothingAndSaysSo)
{
    // Before, a failed copy counted as copied.
    const QString notAFolder = testsupport::writeFile(outDir.filePath("plain file"), "x");
    controller->exportAudioFiles(true, notAFolder);
    runBatch();
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("0 file(s) have been copied to %1\n1 file(s) could not be copied.").arg(notAFolder));
}

TEST_F(AudioExport, TheTabIsExportedSongBySongAfterTheQuestion)
{
    dialogs.answerButton("No");
    controller->exportAudioFiles(false, out.path());
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Export audio files for 3 song(s) to %1").arg(out.path())});
    EXPECT_FALSE(controller->audioExportRuns());
    EXPECT_TRUE(exported().isEmpty());

    dialogs.clear();
    dialogs.answerButton("Yes");
    controller->exportAudioFiles(false, out.path());
    ASSERT_TRUE(controller->audioExportRuns());
    // A folder load while the export runs changes the lists, not what is exported.
    Data::initListePieces();
    runBatch();
    EXPECT_FALSE(controller->audioExportRuns());
    EXPECT_EQ(exported(), QStringList({"Song 01.mp3", "Song 02 (slow).mp3", "Song 02.mp3"}));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("3 file(s) have been copied to %1").arg(out.path()));
}

TEST_F(AudioExport, CancelStopsAfterTheSongInProgressAndABusyExportRefusesAnother)
{
    dialogs.answerButton("Yes");
    controller->exportAudioFiles(false, out.path());
    ASSERT_TRUE(controller->audioExportRuns());
    controller->exportAudioFiles(true, out.path());
    EXPECT_EQ(dialogs.lastText(), "Export of audio files is currently in progress.");
    controller->exportAudioFilesMultipleB();
    EXPECT_EQ(controller->audioExportPopup()->txt1()->text(), "1/3 Song 01");
    controller->audioExportPopup()->setCancelPressed(true);
    runBatch();
    EXPECT_EQ(exported(), QStringList{"Song 01.mp3"});
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("1 file(s) have been copied to %1").arg(out.path()));
}

TEST_F(AudioExport, TheMenuAsksForAFolderAndRevealShowsTheTrack)
{
    QApplication::setActiveWindow(nullptr); // the start's folder read turned the event loop
    controller->actionExportAudioFiles(true);
    EXPECT_EQ(dialogs.texts(), QStringList{"A tolvane window must be selected to use this function."});
    dialogs.clear();
    window()->show();
    QApplication::setActiveWindow(window());
    controller->actionExportAudioFiles(true);
    ASSERT_FALSE(dialogs.records().isEmpty());
    EXPECT_EQ(dialogs.records().first().kind, "folder");
    EXPECT_EQ(dialogs.records().first().text, "Please select a destination folder for the audio file(s)");
    EXPECT_TRUE(exported().isEmpty()) << "cancelled: nothing";

    controller->actionRevealAudio();
    EXPECT_EQ(desktop.lines(), QStringList{"reveal " + library.allMediaItems().first().location});
    Data::setSongNoG(3);
    controller->actionRevealAudio();
    EXPECT_EQ(dialogs.lastText(), "Tolvane is unable to find the corresponding song in your Music Library.");
}

} // namespace
