#include "AudioTestSupport.h"
#include "audio/player/QtMediaPlayer.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The player on the real backend: files play without an audio device, and a
// file that is no audio is known as such at once.
TEST(QtMediaPlayer, AWavPlaysFromASeekBeforeLoadingAndEnds)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("three seconds.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav, 3.0, 22050));
    audio::QtMediaPlayer player;
    player.setSource(wav);
    player.seek(1.0); // asked before the file is loaded
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
    ASSERT_FALSE(player.failed());
    EXPECT_NEAR(player.duration(), 3.0, 0.1);
    EXPECT_GE(player.position(), 0.9) << "the early seek was kept for the loaded file";
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.isPlaying(); })) << "it ends";
    EXPECT_FALSE(player.failed());
    EXPECT_GT(player.position(), 2.5);
}

TEST(QtMediaPlayer, AFileThatIsNoAudioFailsWithinASecond)
{
    QTemporaryDir dir;
    const QString garbage = testsupport::writeFile(dir.filePath(QStringLiteral("not a song.mp3")),
                                                   QByteArray(20000, '\x5a'));
    audio::QtMediaPlayer player;
    QElapsedTimer took;
    took.start();
    player.setSource(garbage);
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.failed(); }));
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_FALSE(player.isPlaying());
}
