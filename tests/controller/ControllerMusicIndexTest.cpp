#include "ControllerTestSupport.h"
#include "events/QStringPrint.h"

#include "audio/library/MusicFolderIndex.h"
#include "audio/windows/WinAudioPreview.h"
#include "controller/PreferencesDialog.h"
#include "platform/MediaPlayer.h"
#include "platform/media/FakeMediaPlayer.h"
#include "support/GatedScan.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace controllertest;

namespace {

// Two songs with a recording each in a music folder whose first scan the test
// holds at its first file; the player is a fake.
class FirstScan : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        manualClock();
        for (const char *name : {"Song 01.mp3", "Song 02.mp3"})
            testsupport::writeFile(QDir(musicDir.path()).filePath(name), "ID3");
        // As the program wires it: start-up gives the index the stored folder.
        platform::UserDefaults::standard().setString(QStringLiteral("musicFolder"), musicDir.path());
        index = std::make_unique<audio::MusicFolderIndex>(QString(), QString(),
                                                          testsupport::gatedReader(reached, release));
        audio::setMusicLibrary(index.get());
        platform::setMediaPlayerFactory([this]() { return player; });
        startWithSongs(songs, 2);
        clock->advance(0.6);
        reached.wait();
    }

    void TearDown() override
    {
        release.open();
        audio::setMusicLibrary(nullptr);
        index.reset();
        platform::setMediaPlayerFactory(nullptr);
        Data::setPlayer(nullptr);
        Data::setMediaItem(nullptr);
        Data::setSongAsked(0);
        ControllerFixture::TearDown();
    }

    void endScan()
    {
        release.open();
        index->waitForScan();
        testsupport::processEvents();
    }

    QString playing() const { return QFileInfo(player->source()).completeBaseName(); }

    const QString indexing = QStringLiteral("Indexing the music folder (1 files so far)…");
    QTemporaryDir songs;
    QTemporaryDir musicDir;
    testsupport::Gate reached;
    testsupport::Gate release;
    std::unique_ptr<audio::MusicFolderIndex> index;
    std::shared_ptr<platform::FakeMediaPlayer> player = std::make_shared<platform::FakeMediaPlayer>();
};

TEST_F(FirstScan, APlayRequestReturnsAtOnceAndPlaysWhenTheScanEnds)
{
    postKey(vocab::Play);
    EXPECT_TRUE(player->calls.isEmpty());
    EXPECT_EQ(window()->messages.value(window()->messages.size() - 1), QStringLiteral("⚠️ ") + indexing);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << "waiting is no failure";
    // Before, the words went after three seconds, the scan still under way.
    clock->advance(WindowPDFxSuper::kNoticeSeconds * 2);
    EXPECT_EQ(window()->heldNotice(), QStringLiteral("⚠️ ") + indexing);

    endScan();
    EXPECT_EQ(window()->heldNotice(), QString());
    EXPECT_EQ(playing(), QStringLiteral("Song 01"));
    EXPECT_TRUE(player->calls.contains(QStringLiteral("play")));
    player->load(100.0);
    EXPECT_TRUE(controller->trackTimerActive());
}

TEST_F(FirstScan, ARequestMeanwhileReplacesTheWaitingOne)
{
    postKey(vocab::Play);
    postKey(vocab::Stop);
    endScan();
    EXPECT_TRUE(player->calls.isEmpty()) << "stopped before the scan ended";
    EXPECT_FALSE(controller->trackTimerActive());
}

TEST_F(FirstScan, ThePreviewSaysItIsIndexingThenListsTheTracks)
{
    controller->actionMenuAudioPreview();
    WinAudioPreview *w = controller->winAudioPreview();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->label(1)->text(), indexing);
    EXPECT_EQ(window()->messages.value(window()->messages.size() - 1), QStringLiteral("⚠️ ") + indexing);
    endScan();
    EXPECT_EQ(w->label(1)->text(), QStringLiteral("Song 01 - Band"));
}

// Before, choosing another music folder waited on the main thread for the
// old folder's scan, and a scan held by the file system froze the program.
TEST_F(FirstScan, ChoosingAnotherFolderReturnsAtOnceAndItsTracksPlay)
{
    testsupport::Ceiling ceiling(30);
    QTemporaryDir other;
    testsupport::writeFile(QDir(other.path()).filePath(QStringLiteral("Song 01.mp3")), "ID3");
    controller->actionPref();
    PreferencesDialog *prefs = ControllerTestAccess::preferences(*controller);
    ASSERT_TRUE(prefs);
    QPushButton *choose = nullptr;
    for (QPushButton *button : prefs->findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("Choose…"))
            choose = button;
    ASSERT_TRUE(choose);
    dialogs.answerPath(other.path());
    QElapsedTimer change;
    change.start();
    QTest::mouseClick(choose, Qt::LeftButton);
    EXPECT_LT(change.elapsed(), 1000);
    prefs->reject();

    endScan();
    postKey(vocab::Play);
    EXPECT_EQ(QFileInfo(player->source()).absolutePath(), QDir(other.path()).absolutePath())
        << "the old folder's scan delivered nothing";
}

} // namespace
