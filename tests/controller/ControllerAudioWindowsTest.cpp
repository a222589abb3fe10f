#include "ControllerTestSupport.h"
#include "events/QStringPrint.h"

#include "audio/MusicLibrary.h"
#include "audio/windows/WinAudioPlayer.h"
#include "audio/windows/WinAudioPreview.h"
#include "platform/media/FakeMediaPlayer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

using namespace controllertest;

namespace {

// Three songs, "Song 01" with a recording and a cover in the music folder,
// played by a fake player on a manual clock. Records the play requests and
// close notices the audio windows post.
class AudioWindows : public ControllerFixture {
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        manualClock();
        library.setTracks({track("Song 01", "Rock"), track("Song 01", "Cover")});
        audio::setMusicLibrary(&library);
        platform::setMediaPlayerFactory([this]() { return player; });
        auto &center = platform::NotificationCenter::defaultCenter();
        for (const QString &name : {vocab::ActionGoToGenreNoAndPlayNow, vocab::ActionAudioPlayerClose,
                                    vocab::ActionAudioPreviewClose})
            observers << center.addObserver(name, [this](const platform::Notification &n) {
                posts << QStringLiteral("%1 %2 from %3").arg(n.name).arg(n.intParam()).arg(Data::gskipTo());
            });
        startWithSongs(songs, 3);
        clock->advance(0.6);
    }

    void TearDown() override
    {
        for (auto id : observers)
            platform::NotificationCenter::defaultCenter().removeObserver(id);
        audio::setMusicLibrary(nullptr);
        platform::setMediaPlayerFactory(nullptr);
        Data::setPlayer(nullptr);
        Data::setMediaItem(nullptr);
        Data::setSongAsked(0);
        Data::setLoopOn(false);
        ControllerFixture::TearDown();
    }

    audio::Track track(const QString &title, const QString &genre)
    {
        audio::Track t;
        t.title = title;
        t.artist = QStringLiteral("Band");
        t.genre = genre;
        t.location = testsupport::writeFile(music.filePath(title + QLatin1Char(' ') + genre + QStringLiteral(".mp3")),
                                            "ID3");
        t.persistentID = audio::persistentIdForPath(t.location);
        return t;
    }

    // The player stands at the position; one track tick passes.
    void at(double seconds)
    {
        player->setPosition(seconds);
        clock->advance(0.2);
    }

    WinAudioPlayer *openPlayer()
    {
        postKey(vocab::AudioPlayerWindow);
        return controller->winAudioPlayer();
    }

    QTemporaryDir songs;
    QTemporaryDir musicDir;
    QDir music{musicDir.path()};
    audio::StaticMusicLibrary library;
    std::shared_ptr<platform::FakeMediaPlayer> player = std::make_shared<platform::FakeMediaPlayer>();
    QList<platform::NotificationCenter::ObserverId> observers;
    QStringList posts;
};

TEST_F(AudioWindows, ASectionLoopsFromAToBAndGoesOnLoopingAfterTheWindowCloses)
{
    WinAudioPlayer *w = openPlayer();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->enableCues()->isChecked()) << "a first run runs the song's cues";

    w->actionButtonPlayFrom(0);
    EXPECT_EQ(posts, QStringList{"ActionGoToGenreNoAndPlayNow 1 from 0"}) << "no section checked: the whole track";
    player->load(200.0);
    at(5.0);
    w->actionButtonTimeA(1);
    at(10.0);
    w->actionButtonTimeB(1);
    EXPECT_TRUE(w->check(1)->isChecked());
    EXPECT_EQ(w->buttonTimeA(1)->text(), QStringLiteral("0:05"));
    EXPECT_EQ(w->buttonTimeB(1)->text(), QStringLiteral("0:10"));
    EXPECT_EQ(w->labelCurrentTime()->text(), QStringLiteral("  0:10"));

    posts.clear();
    player->calls.clear();
    at(10.4);
    EXPECT_EQ(posts, QStringList{"ActionGoToGenreNoAndPlayNow 1 from 5"});
    EXPECT_TRUE(player->calls.contains(QStringLiteral("seek 5"))) << player->calls.join(", ").toStdString();
    posts.clear();
    // The player has not started again yet: it stands at 0:00 meanwhile.
    for (int i = 0; i < 3; ++i)
        clock->advance(0.2);
    player->load(200.0);
    at(6.0);
    EXPECT_TRUE(posts.isEmpty()) << "a start still pending never restarts the loop";

    w->close();
    EXPECT_TRUE(Data::loopOn());
    EXPECT_TRUE(posts.isEmpty()) << "the loop goes on: no close notice";
    at(10.5);
    EXPECT_EQ(posts, QStringList{"ActionGoToGenreNoAndPlayNow 1 from 5"}) << "still looping without its window";

    posts.clear();
    postKey(vocab::StopOrCancelCountIn);
    EXPECT_EQ(posts, QStringList{"ActionAudioPlayerClose 0 from 0"}) << "stopping ends the loop";
    EXPECT_FALSE(Data::loopOn());
    testsupport::processEvents();
    EXPECT_EQ(controller->winAudioPlayer(), nullptr);
}

TEST_F(AudioWindows, SectionsAreKeptPerSongFileAndNamesOnlyWhenEdited)
{
    auto &defaults = platform::UserDefaults::standard();
    defaults.setInteger(QStringLiteral("GENRE2.s01.chopro"), 9);
    WinAudioPlayer *w = openPlayer();
    EXPECT_EQ(w->genre(2)->currentIndex(), 0) << "a stored index past the genres reads as the current genre";
    w->genre(1)->setCurrentIndex(3);
    w->actionButtonTimeB(1);
    QTest::keyClicks(w->title(2), QStringLiteral("Bridge"));
    controller->traiterNext();
    EXPECT_EQ(w->pieceCour()->pieceDet->titre, QStringLiteral("Song 02"));
    EXPECT_EQ(w->genre(1)->currentIndex(), 0);
    EXPECT_EQ(w->title(2)->text(), QString());
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("GENRE1.s01.chopro")), 3);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("TITLE2.s01.chopro")), QStringLiteral("Bridge"));
    EXPECT_FALSE(defaults.contains(QStringLiteral("TITLE1.s01.chopro"))) << "a name never edited is not written";

    w->close();
    testsupport::processEvents();
    controller->traiterPrev();
    w = openPlayer();
    EXPECT_EQ(w->genre(1)->currentIndex(), 3);
    EXPECT_EQ(w->title(2)->text(), QStringLiteral("Bridge"));
}

TEST_F(AudioWindows, ADragPastTheLoopUnchecksItAndTheNextUpdateIsIgnored)
{
    WinAudioPlayer *w = openPlayer();
    w->actionButtonPlayFrom(0);
    player->load(200.0);
    at(5.0);
    w->actionButtonTimeA(1);
    at(10.0);
    w->actionButtonTimeB(1);
    Data::setCurrentGenreG(2);
    posts.clear();
    w->slider1()->setValue(30);
    w->sliderDidMove();
    EXPECT_FALSE(w->check(1)->isChecked());
    EXPECT_EQ(posts, QStringList{"ActionGoToGenreNoAndPlayNow 2 from 30"});
    const QString before = w->labelCurrentTime()->text();
    w->updateItunesInfo(QString(), QString(), 10.5, 200.0, false);
    EXPECT_EQ(w->labelCurrentTime()->text(), before) << "the position from before the drag is not shown";
    w->updateItunesInfo(QString(), QString(), 31.0, 200.0, false);
    EXPECT_EQ(w->labelCurrentTime()->text(), QStringLiteral("  0:31"));
}

TEST_F(AudioWindows, WithoutASongTheLoopPlayerStoresAndPlaysNothing)
{
    // Before, an empty folder had the sections read and written under keys
    // of no file, and the play buttons asked for a track of no song.
    Data::setSongNoG(0);
    ASSERT_FALSE(Data::getPiece(Data::songNoG()));
    WinAudioPlayer *w = openPlayer();
    posts.clear();
    w->actionButtonTimeB(1);
    w->actionButtonPlayFrom(1);
    w->sliderDidMove();
    EXPECT_TRUE(posts.isEmpty());
    w->close();
    for (const QString &key : platform::UserDefaults::standard().allKeys())
        EXPECT_FALSE(key.startsWith(QStringLiteral("POS")) || key.startsWith(QStringLiteral("GENRE")))
            << key.toStdString();
}

TEST_F(AudioWindows, ThePreviewListsPlaysAndRevealsTheSongsTracks)
{
    controller->actionMenuAudioPreview();
    WinAudioPreview *w = controller->winAudioPreview();
    ASSERT_TRUE(w);
    const QStringList expected = {"Song 01 - Band", "Song 01 - Band", "(not found, Any wil be used)",
                                  "(not found, Any wil be used)", "(not found, Any wil be used)"};
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(w->label(row)->text(), expected.at(row - 1)) << row;
    EXPECT_EQ(w->labelGenre(2)->text(), QStringLiteral("Cover"));

    w->actionButtonReveal(2);
    EXPECT_EQ(desktop.lines(), QStringList{"reveal " + music.filePath(QStringLiteral("Song 01 Cover.mp3"))});
    w->actionButtonPlayFrom(6);
    EXPECT_EQ(posts, QStringList{"ActionGoToGenreNoAndPlayNow 1 from 0"}) << "mute plays as Any";

    controller->traiterNext();
    EXPECT_EQ(w->label(1)->text(), QStringLiteral("(not found)"));
    w->actionButtonReveal(1);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Tolvane is unable to find the corresponding song in your Music Library."));

    audio::StaticMusicLibrary unreadable({}, false);
    audio::setMusicLibrary(&unreadable);
    controller->traiterPrev();
    EXPECT_EQ(w->label(3)->text(), QStringLiteral("No music folder: choose one in Preferences"));

    posts.clear();
    w->close();
    EXPECT_EQ(posts, QStringList{"ActionAudioPreviewClose 0 from 0"});
    testsupport::processEvents();
    EXPECT_EQ(controller->winAudioPreview(), nullptr);
}

} // namespace
