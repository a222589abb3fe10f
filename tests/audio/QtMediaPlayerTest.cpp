#include "AudioTestSupport.h"
#include "platform/RegularFile.h"
#include "platform/media/QtMediaPlayer.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The player on the real backend: files play without an audio device, and a
// file that is no audio is known as such at once.
TEST(QtMediaPlayer, AWavPlaysFromASeekBeforeLoadingAndEnds)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("three seconds.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav, 3.0, 22050));
    platform::QtMediaPlayer player;
    player.setSource(wav);
    player.seek(1.0); // asked before the file is loaded
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
    ASSERT_FALSE(player.failed());
    EXPECT_NEAR(player.duration(), 3.0, 0.1);
    EXPECT_GE(player.position(), 0.9) << "the early seek was kept for the loaded file";
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.isPlaying(); })) << "it ends";
    EXPECT_FALSE(player.failed());
    EXPECT_TRUE(player.ended());
    EXPECT_GT(player.position(), 2.5);
    player.setSource(wav); // once more: not ended before it plays
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.opening(); }));
    EXPECT_FALSE(player.ended());
    player.setSource(QString()); // a stop
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.opening(); }));
    // Before, the start, each file and the stop built a player of its own: four.
    EXPECT_EQ(player.playersMade(), 2);
}

TEST(QtMediaPlayer, AFileThatIsNoAudioFailsAtOnce)
{
    QTemporaryDir dir;
    const QString garbage = testsupport::writeFile(dir.filePath(QStringLiteral("not a song.mp3")),
                                                   QByteArray(20000, '\x5a'));
    platform::QtMediaPlayer player;
    QElapsedTimer took;
    took.start();
    player.setSource(garbage);
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.failed(); }));
    // Well within the wait's deadline; a busy build machine takes over a second.
    EXPECT_LT(took.elapsed(), 3000);
    EXPECT_FALSE(player.isPlaying());
}

namespace {

QStringList ffmpegTo(const QString &wav, const QStringList &codec, const QString &out)
{
    return QStringList{"-hide_banner", "-loglevel", "error", "-y", "-i", wav} + codec + QStringList{out};
}

// Plays the file until its position has moved on; "" when it did, else why not.
QString playsAndAdvances(const QString &path)
{
    platform::QtMediaPlayer player;
    player.setSource(path);
    player.play();
    if (!testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }) || player.failed())
        return QStringLiteral("never reached playing");
    const double start = player.position();
    if (!testsupport::waitFor([&]() { return player.position() >= start + 0.1 || !player.isPlaying(); }))
        return QStringLiteral("its position stood still");
    return player.position() >= start + 0.1 ? QString() : QStringLiteral("stopped at %1 s").arg(player.position());
}

} // namespace

// A second of a tone in every common kind, made here by the encoders the
// build installs, plays without a sound card.
TEST(QtMediaPlayer, EveryCommonKindOfTrackPlays)
{
    QTemporaryDir dir;
    const QString wav16 = dir.filePath(QStringLiteral("tone16.wav"));
    const QString wav24 = dir.filePath(QStringLiteral("tone24.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav16, 1.0, 48000));
    ASSERT_TRUE(audiotest::writeWav(wav24, 1.0, 48000, 24));
    const struct {
        const char *kind;
        const char *file;
        const char *encoder;
        QStringList args; // %out stands for the file made
    } rows[] = {
        {"WAV", "tone16.wav", nullptr, {}},
        {"FLAC 16 bit", "16.flac", "flac", {"-s", "-f", wav16, "-o", "%out"}},
        {"FLAC 24 bit", "24.flac", "flac", {"-s", "-f", wav24, "-o", "%out"}},
        {"MP3", "tone.mp3", "lame", {"--quiet", wav16, "%out"}},
        {"Ogg Vorbis", "tone.ogg", "ffmpeg", ffmpegTo(wav16, {"-c:a", "libvorbis"}, "%out")},
        {"Opus", "tone.opus", "ffmpeg", ffmpegTo(wav16, {"-c:a", "libopus"}, "%out")},
        {"AAC in M4A", "tone.m4a", "ffmpeg", ffmpegTo(wav16, {"-c:a", "aac"}, "%out")},
    };
    QStringList notMade;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        const QString out = dir.filePath(QString::fromLatin1(row.file));
        if (row.encoder) {
            QStringList args = row.args;
            args.replaceInStrings(QStringLiteral("%out"), out);
            if (!audiotest::encode(QString::fromLatin1(row.encoder), args)) {
                notMade << QStringLiteral("%1 (%2)").arg(QString::fromLatin1(row.kind), QString::fromLatin1(row.encoder));
                continue;
            }
        }
        EXPECT_EQ(playsAndAdvances(out), QString());
    }
    if (!notMade.isEmpty())
        GTEST_SKIP() << "no encoder for " << notMade.join(QStringLiteral(", ")).toStdString()
                     << ": scripts/deps.sh installs them";
}

// Kinds the decoder may refuse (a 32-bit FLAC here) are known as failed at
// once, never left loading.
TEST(QtMediaPlayer, AFlacOf32BitSamplesPlaysOrFailsAtOnce)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone32.wav"));
    const QString flac = dir.filePath(QStringLiteral("tone32.flac"));
    ASSERT_TRUE(audiotest::writeWav(wav, 1.0, 48000, 32));
    if (!audiotest::encode(QStringLiteral("flac"), {"-s", "-f", wav, "-o", flac}))
        GTEST_SKIP() << "flac writes no 32-bit files here";
    platform::QtMediaPlayer player;
    player.setSource(flac);
    player.play();
    EXPECT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
}

// A track is chosen from the music folder's index, which does not look at the
// files again: one deleted or replaced since the scan fails here.
TEST(QtMediaPlayer, WhatIsNoRegularFileNeverReachesTheBackendAndFails)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.flac"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // A writer is there, so that a pipe handed on would only wait for data
    // instead of blocking the player inside the backend's open().
    const int writer = ::open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.mp3")));
    for (const char *name : {"pipe.flac", "gone since the scan.mp3", "folder.mp3"}) {
        SCOPED_TRACE(name);
        platform::QtMediaPlayer player;
        player.setSource(dir.filePath(QString::fromUtf8(name)));
        player.play();
        EXPECT_TRUE(testsupport::waitFor([&]() { return player.failed(); }));
        EXPECT_FALSE(player.isPlaying());
    }
    ::close(writer);
}

// Before, the player looked at the file, and the backend opened it three
// times, on the caller's thread: a share waking up froze every window, key
// and pedal for as long as it took.
TEST(QtMediaPlayer, AShareThatHasNotAnsweredHoldsNeitherTheCallerNorTheStart)
{
    // A caller held by the look would wait for a gate only it opens.
    testsupport::Ceiling ceiling(20);
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("on the share.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav, 2.0, 22050));
    testsupport::Gate answered;
    platform::QtMediaPlayer player([answered](const QString &path) {
        answered.wait();
        return platform::regularFileSize(path);
    });
    player.setSource(wav);
    player.seek(0.5);
    player.play();
    testsupport::processEvents();
    EXPECT_TRUE(player.opening());
    EXPECT_FALSE(player.isPlaying() || player.failed() || player.ended());
    EXPECT_EQ(player.position(), 0.0);
    answered.open();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
    EXPECT_FALSE(player.opening());
    EXPECT_FALSE(player.failed());
    EXPECT_GE(player.position(), 0.45) << "the seek asked meanwhile was kept";
}

namespace {

// Holds the player's thread where its queue has come to: what is asked after
// waits behind the hold until `release` opens.
void holdThread(QObject *onThread, testsupport::Gate reached, testsupport::Gate release)
{
    QMetaObject::invokeMethod(
        onThread,
        [reached, release]() mutable {
            reached.open();
            release.wait();
        },
        Qt::QueuedConnection);
}

} // namespace

// Before, what the player's thread had queued before a pause or stop was
// taken after it: the track showed as playing again, at its old position.
TEST(QtMediaPlayer, APauseOrStopIsSeenAtOnceThoughTheThreadSawItPlayingLater)
{
    testsupport::Ceiling ceiling(30);
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav, 10.0, 22050));
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "pause");
        const auto playerThread = std::make_shared<std::atomic<QThread *>>(nullptr);
        platform::QtMediaPlayer player([playerThread](const QString &path) {
            *playerThread = QThread::currentThread();
            return platform::regularFileSize(path);
        });
        player.setSource(wav);
        player.play();
        ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
        ASSERT_FALSE(player.failed());
        auto *onThread = new QObject;
        onThread->moveToThread(*playerThread);

        // The seek's news of the playing track is queued behind `first`, the
        // pause or stop behind `second`.
        testsupport::Gate reached, release, firstReached, first, secondReached, second;
        holdThread(onThread, reached, release);
        reached.wait();
        player.seek(1.0);
        holdThread(onThread, firstReached, first);
        release.open();
        firstReached.wait();
        holdThread(onThread, secondReached, second);
        stop ? player.stop() : player.pause();
        first.open();
        secondReached.wait();
        EXPECT_FALSE(player.isPlaying());
        if (stop) {
            EXPECT_EQ(player.position(), 0.0);
        }
        second.open();
        onThread->deleteLater();
    }
}

// Before, a player left behind at the end, held in the file system, went on
// with what had been asked of it once the share answered, after the program
// had ended.
namespace {

// The share answers after the end's wait has given up on the thread, or during it.
void endAPlayerHeldAtItsFile(bool duringTheWait)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.wav"));
    const QString later = dir.filePath(QStringLiteral("later.wav"));
    ASSERT_TRUE(audiotest::writeWav(first, 1.0));
    ASSERT_TRUE(audiotest::writeWav(later, 1.0));
    struct Looks {
        std::mutex mutex;
        QStringList files;
        QThread *thread = nullptr;
    };
    const auto looks = std::make_shared<Looks>();
    testsupport::Gate asked, answered;
    auto player = std::make_unique<platform::QtMediaPlayer>([looks, asked, answered](const QString &path) mutable {
        {
            const std::lock_guard lock(looks->mutex);
            looks->files << QFileInfo(path).fileName();
            looks->thread = QThread::currentThread();
        }
        asked.open();
        answered.wait();
        return platform::regularFileSize(path);
    });
    player->setSource(first);
    asked.wait();
    player->setSource(later);
    player->play();
    EXPECT_TRUE(player->opening());
    EXPECT_EQ(player->heldFile(), first) << "the file the share holds, not the one asked since";

    // The end's wait is on the real clock.
    std::thread share([duringTheWait, answered]() mutable {
        if (duringTheWait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            answered.open();
        }
    });
    player.reset(); // waits for the thread a while, then leaves it behind
    share.join();
    answered.open();
    QThread *const thread = [&looks]() {
        const std::lock_guard lock(looks->mutex);
        return looks->thread;
    }();
    if (!duringTheWait) { // else waited for, and deleted
        EXPECT_TRUE(testsupport::waitFor([thread]() { return thread->isFinished(); }));
    }
    const std::lock_guard lock(looks->mutex);
    EXPECT_EQ(looks->files, QStringList{QStringLiteral("first.wav")});
}

} // namespace

// Before, a share answering during the end's wait let the backend go on to open the file asked next.
TEST(QtMediaPlayer, APlayerLeftBehindAtTheEndOnlyDeletesItselfOnceReleased)
{
    testsupport::Ceiling ceiling(30);
    for (const bool duringTheWait : {false, true}) {
        SCOPED_TRACE(duringTheWait ? "the share answers during the end's wait" : "the share answers after it");
        endAPlayerHeldAtItsFile(duringTheWait);
    }
}

TEST(QtMediaPlayer, AFileTruncatedWhilePlayingFailsInsteadOfEnding)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("cut.wav"));
    ASSERT_TRUE(audiotest::writeWav(wav, 3.0, 22050));
    platform::QtMediaPlayer player;
    player.setSource(wav);
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.position() > 0.05 || player.failed(); }));
    ASSERT_TRUE(QFile::resize(wav, 0));
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.isPlaying(); }));
    // Before, the backend's end of stream read as the track played through.
    EXPECT_TRUE(player.failed());
    EXPECT_FALSE(player.ended());
    // Before, the next track stopped at once, said cut short by that end.
    ASSERT_TRUE(audiotest::writeWav(dir.filePath(QStringLiteral("next.wav")), 3.0, 22050));
    player.setSource(dir.filePath(QStringLiteral("next.wav")));
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
    EXPECT_FALSE(player.failed());
}

TEST(QtMediaPlayer, AFlacWithDamagedFramesFailsInsteadOfEnding)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("long.wav"));
    const QString flac = dir.filePath(QStringLiteral("damaged.flac"));
    ASSERT_TRUE(audiotest::writeWav(wav, 15.0, 44100));
    if (!audiotest::encode(QStringLiteral("flac"), {"-s", "-f", wav, "-o", flac}))
        GTEST_SKIP() << "no flac encoder: scripts/deps.sh installs it";
    // Junk over every frame after the first 16 KB (half a second of this tone);
    // the header still tells 15 s.
    QFile file(flac);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 keep = 16 * 1024;
    ASSERT_GT(file.size(), keep * 2);
    QByteArray junk(file.size() - keep, Qt::Uninitialized);
    for (qsizetype i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) >> 3);
    ASSERT_TRUE(file.seek(keep));
    ASSERT_EQ(file.write(junk), junk.size());
    file.close();

    platform::QtMediaPlayer player;
    player.setSource(flac);
    player.play();
    ASSERT_TRUE(testsupport::waitFor([&]() { return player.isPlaying() || player.failed(); }));
    EXPECT_NEAR(player.duration(), 15.0, 0.1);
    ASSERT_TRUE(testsupport::waitFor([&]() { return !player.isPlaying(); }));
    // Before, the backend's end at the damaged frames read as the track played through.
    EXPECT_LT(player.position(), 5.0);
    EXPECT_TRUE(player.failed());
    EXPECT_FALSE(player.ended());
}
