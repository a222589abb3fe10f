#include "AudioTestSupport.h"
#include "audio/library/CheckedStream.h"
#include "audio/library/MusicFolderIndex.h"
#include "support/CapturedWarnings.h"
#include "support/GatedScan.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <mutex>
#include <thread>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using audio::MusicFolderIndex;
using testsupport::Gate;
using audio::Track;

namespace {

class MusicIndex : public ::testing::Test {
protected:
    void SetUp() override
    {
        music = dir.filePath("Music");
        QDir().mkpath(music + "/Band/Album");
        ASSERT_TRUE(audiotest::writeWav(path("Band/plain.wav"), 1.5));
        ASSERT_TRUE(audiotest::writeWav(dir.filePath("source.wav"), 2.0));
        if (!audiotest::encode("flac", {"-s", "-f", "-o", path("Band/Album/song.flac"), dir.filePath("source.wav")})
            || !audiotest::encode("lame", {"--quiet", dir.filePath("source.wav"), path("Band/song.mp3")}))
            GTEST_SKIP() << "flac and lame are needed";
        ASSERT_TRUE(audiotest::tag(path("Band/Album/song.flac"), QString::fromUtf8("Caf\u00e9 Blues"), "The Quays",
                                   "Cover", "tolvane"));
        ASSERT_TRUE(audiotest::tag(path("Band/song.mp3"), "Harbour Lights", "The Quays", "Backing Track"));
        writeBytes("Band/broken.mp3", QByteArray(3000, '\x17'));
        writeBytes("Band/notes.txt", "not music");
        ASSERT_EQ(::symlink("..", path("Band/Album/up").toLocal8Bit().constData()), 0);
        cache = dir.filePath("cache/index");
    }

    QString path(const QString &relative) const { return music + "/" + relative; }
    void writeBytes(const QString &relative, const QByteArray &bytes)
    {
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QMap<QString, Track> byName(const QList<Track> &tracks)
    {
        QMap<QString, Track> m;
        for (const Track &t : tracks)
            m.insert(QFileInfo(t.location).fileName(), t);
        return m;
    }

    QTemporaryDir dir;
    QString music;
    QString cache;
};

TEST_F(MusicIndex, ReadsTagsLengthsAndFileNamesAndSkipsWhatIsNotMusic)
{
    MusicFolderIndex index(music, cache);
    ASSERT_TRUE(index.isAvailable());
    index.waitForScan();
    const QMap<QString, Track> tracks = byName(index.allMediaItems());
    EXPECT_FALSE(tracks.contains("notes.txt"));
    ASSERT_TRUE(tracks.contains("song.flac"));
    ASSERT_TRUE(tracks.contains("song.mp3"));
    ASSERT_TRUE(tracks.contains("plain.wav")) << "the symbolic link back up did not stop the scan";
    EXPECT_EQ(tracks.count(), tracks.contains("broken.mp3") ? 4 : 3) << "nothing is listed twice";

    const Track flac = tracks.value("song.flac");
    EXPECT_EQ(flac.title, QString::fromUtf8("Caf\u00e9 Blues"));
    EXPECT_EQ(flac.artist, "The Quays");
    EXPECT_EQ(flac.genre, "Cover");
    EXPECT_EQ(flac.comment, "tolvane");
    EXPECT_NEAR(flac.length, 2.0, 0.1);
    EXPECT_EQ(tracks.value("song.mp3").genre, "Backing Track");
    EXPECT_NEAR(tracks.value("song.mp3").length, 2.0, 0.2);
    const Track wav = tracks.value("plain.wav");
    EXPECT_EQ(wav.title, "plain") << "an untagged file is known by its name";
    EXPECT_NEAR(wav.length, 1.5, 0.05);
    EXPECT_EQ(wav.location, path("Band/plain.wav"));
}

TEST_F(MusicIndex, IdsStayAndRescansReadOnlyTheFilesThatChanged)
{
    QMap<QString, Track> first;
    {
        MusicFolderIndex index(music, cache);
        index.waitForScan();
        first = byName(index.allMediaItems());
        EXPECT_GE(index.filesRead(), 3);
        index.rescan();
        index.waitForScan();
        EXPECT_EQ(index.filesRead(), 0) << "nothing changed";

        ASSERT_TRUE(audiotest::tag(path("Band/song.mp3"), "Harbour Lights (live take)", "The Quays", "Practice"));
        index.rescan();
        index.waitForScan();
        EXPECT_EQ(index.filesRead(), 1);
        const QMap<QString, Track> again = byName(index.allMediaItems());
        EXPECT_EQ(again.value("song.mp3").genre, "Practice");
        for (const QString &name : first.keys())
            EXPECT_EQ(again.value(name).persistentID, first.value(name).persistentID) << name.toStdString();
    }
    MusicFolderIndex next(music, cache);
    next.waitForScan();
    const QMap<QString, Track> cached = byName(next.allMediaItems());
    EXPECT_EQ(next.filesRead(), 0) << "the next run starts from the kept index";
    EXPECT_EQ(cached.value("song.mp3").genre, "Practice");
    EXPECT_EQ(cached.value("plain.wav").persistentID, audio::persistentIdForPath(path("Band/plain.wav")));

    // A run whose settings are not read yet names no folder. Before, it
    // had no tracks until they were; now it follows the folder it kept.
    MusicFolderIndex unnamed(QString(), cache);
    EXPECT_FALSE(unnamed.isAvailable());
    unnamed.followKeptFolder();
    unnamed.waitForScan();
    EXPECT_TRUE(unnamed.isAvailable());
    EXPECT_EQ(unnamed.filesRead(), 0);
    EXPECT_EQ(byName(unnamed.allMediaItems()).keys(), cached.keys());

    QFile::remove(path("Band/plain.wav"));
    next.rescan();
    next.waitForScan();
    EXPECT_FALSE(byName(next.allMediaItems()).contains("plain.wav"));
}

TEST_F(MusicIndex, AMissingFolderIsNoLibraryAndADamagedCacheOnlyCostsAFullRead)
{
    MusicFolderIndex none(dir.filePath("nowhere"), cache);
    none.waitForScan();
    EXPECT_FALSE(none.isAvailable());
    EXPECT_TRUE(none.allMediaItems().isEmpty());
    none.changeFolder(music + "/Band/Album");
    none.waitForScan();
    EXPECT_EQ(byName(none.allMediaItems()).keys(), QStringList{"song.flac"}) << "the folder chosen later is read";
    MusicFolderIndex empty(QString(), cache);
    EXPECT_FALSE(empty.isAvailable());

    QDir().mkpath(QFileInfo(cache).path());
    QFile f(cache);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromHex("544d4931") + QByteArray(40, '\xff'));
    f.close();
    empty.followKeptFolder();
    EXPECT_FALSE(empty.isAvailable()) << "a damaged index names no folder";
    MusicFolderIndex index(music, cache);
    index.waitForScan();
    EXPECT_GE(index.allMediaItems().size(), 3);
}

// Before, a stopped scan still had TagLib read the file it held, and a WAV or
// an MP3 read with every block empty still came back as a track.
TEST_F(MusicIndex, TheTagReaderReadsNothingOnceTheScanIsStopped)
{
    for (const char *name : {"Band/plain.wav", "Band/Album/song.flac", "Band/song.mp3"}) {
        SCOPED_TRACE(name);
        const int fd = ::open(QFile::encodeName(path(name)).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (const bool stopped : {false, true}) {
            const std::atomic<bool> stop = stopped;
            const std::optional<Track> track = MusicFolderIndex::readTrack(path(name), fd, stop);
            EXPECT_EQ(track.has_value(), !stopped);
        }
        // Stopped after TagLib's first block: nothing more comes from the file.
        struct StoppedAfterItsFirstBlock : audio::CheckedStream {
            StoppedAfterItsFirstBlock(int fd, const QString &path, std::atomic<bool> &stop)
                : CheckedStream(fd, path, stop), stop(stop)
            {
            }
            TagLib::ByteVector readBlock(unsigned long length) override
            {
                const TagLib::ByteVector block = CheckedStream::readBlock(length);
                readAfterStop += stop && !block.isEmpty();
                stop = true;
                return block;
            }
            std::atomic<bool> &stop;
            int readAfterStop = 0;
        };
        std::atomic<bool> stop = false;
        StoppedAfterItsFirstBlock stream(::dup(fd), path(name), stop);
        const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
        EXPECT_TRUE(stop);
        EXPECT_EQ(stream.readAfterStop, 0);
        ::close(fd);
    }
}

// Before, a link to a pipe held the scan inside TagLib's read for good and a
// link to /dev/zero kept it reading for good; quitting then waited on it.
TEST_F(MusicIndex, LinksToAPipeOrADeviceAndFilesOverTheCapAreSkippedAndHoldNoQuit)
{
    testsupport::Ceiling ceiling(30);
    const QByteArray fifo = QFile::encodeName(dir.filePath("pipe"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // With a writer held open, a reader let through waits for bytes that never come.
    const int writer = ::open(fifo.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_TRUE(QFile::link(dir.filePath("pipe"), path("Band/pipe.flac")));
    ASSERT_TRUE(QFile::link("/dev/zero", path("Band/Album/zero.mp3")));
    {
        QFile huge(path("huge.wav")); // sparse: takes no room on the disk
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize((qint64(2) << 30) + 1));
    }
    QElapsedTimer quit;
    {
        MusicFolderIndex during(music, cache);
        quit.start();
    }
    EXPECT_LT(quit.elapsed(), 1000) << "a quit during the scan";

    // Before, a slow run let the scan above finish and say its skips too.
    testsupport::CapturedWarnings log;

    MusicFolderIndex index(music, cache);
    index.waitForScan();
    const QMap<QString, Track> tracks = byName(index.allMediaItems());
    for (const char *name : {"song.flac", "song.mp3", "plain.wav"})
        EXPECT_TRUE(tracks.contains(name)) << name;
    for (const char *name : {"pipe.flac", "zero.mp3", "huge.wav"})
        EXPECT_FALSE(tracks.contains(name)) << name;
    EXPECT_EQ(log.lines().filter("Music index").join('\n'),
              "Music index: 3 files skipped: 2 not a regular file, 1 over the size cap of 2 GB");
    index.rescan();
    index.waitForScan();
    EXPECT_EQ(log.lines().filter("Music index").size(), 1) << "said once, not on every look for changes";
    ::close(writer);
}

// Permissions bind root too while it lives, on this thread and on the threads
// it starts (the scan's).
class PermissionsBindRoot {
public:
    PermissionsBindRoot()
    {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, lowered);
    }
    ~PermissionsBindRoot() { ::syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
};

// Before, a folder the walk could not open and a file TagLib could not read
// were left out of the skipped files without a word.
TEST_F(MusicIndex, AFolderThatCannotBeOpenedAndFilesThatAreNoAudioAreCountedWithTheirCause)
{
    QFile::remove(path("Band/broken.mp3")); // read as audio by some TagLib versions
    writeBytes("Band/noise.flac", "plain words, not a sound in them");
    QDir().mkpath(path("Locked/Deeper"));
    ASSERT_TRUE(audiotest::writeWav(path("Locked/Deeper/hidden.wav"), 0.5));
    ASSERT_TRUE(audiotest::writeWav(path("Band/private.wav"), 0.5));
    ASSERT_TRUE(QFile::setPermissions(path("Locked"), {}));
    ASSERT_TRUE(QFile::setPermissions(path("Band/private.wav"), {}));
    QMap<QString, Track> tracks;
    {
        PermissionsBindRoot asAnyUser;
        testsupport::CapturedWarnings log;
        MusicFolderIndex index(music, cache);
        index.waitForScan();
        tracks = byName(index.allMediaItems());
        EXPECT_EQ(log.lines().filter("Music index").join('\n'),
                  "Music index: 2 files and 1 folder skipped: 1 unreadable, 1 not understood as audio, "
                  "1 folder that could not be opened");
    }
    QFile::setPermissions(path("Locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QStringList(tracks.keys()), QStringList({"plain.wav", "song.flac", "song.mp3"}));
}

QStringList titles(const QList<Track> &tracks)
{
    QStringList out;
    for (const Track &t : tracks)
        out << t.title;
    return out;
}

TEST(MusicIndexScan, LookUpsNeverWaitForAScanAndItsTracksComeInWhenItEnds)
{
    QTemporaryDir dir;
    const QString music = dir.filePath("Music");
    QDir().mkpath(music);
    for (const char *name : {"a.mp3", "b.mp3"})
        testsupport::writeFile(music + "/" + name, "ID3");
    const QString cache = dir.filePath("cache/index");
    QStringList ran;
    {
        Gate reached, release;
        MusicFolderIndex index(music, cache, testsupport::gatedReader(reached, release));
        reached.wait();
        EXPECT_TRUE(index.isIndexing());
        EXPECT_TRUE(index.allMediaItems().isEmpty()) << "answered at once, with what is known";
        EXPECT_EQ(index.filesSoFar(), 1);
        QObject waiting;
        index.whenIndexed(&waiting, [&ran]() { ran << "waiting"; });
        {
            QObject gone;
            index.whenIndexed(&gone, [&ran]() { ran << "gone"; });
        }
        release.open();
        index.waitForScan();
        EXPECT_TRUE(ran.isEmpty()) << "what waits runs on the main thread, not the scan's";
        testsupport::processEvents();
        EXPECT_EQ(ran, QStringList{"waiting"});
        EXPECT_FALSE(index.isIndexing());
        EXPECT_EQ(titles(index.allMediaItems()), QStringList({"a", "b"}));
    }

    // The next run answers from the kept index while it walks the folder
    // again; a file added meanwhile comes in when the walk ends.
    testsupport::writeFile(music + "/c.mp3", "ID3");
    Gate reached, release;
    MusicFolderIndex next(music, cache, testsupport::gatedReader(reached, release));
    reached.wait();
    EXPECT_FALSE(next.isIndexing());
    EXPECT_EQ(titles(next.allMediaItems()), QStringList({"a", "b"}));
    next.whenIndexed(nullptr, [&ran]() { ran << "at once"; });
    EXPECT_EQ(ran.last(), "at once") << "nothing waits on a kept index";
    release.open();
    next.waitForScan();
    EXPECT_EQ(titles(next.allMediaItems()), QStringList({"a", "b", "c"}));
    EXPECT_EQ(next.filesRead(), 1);
}

// Before, a folder change and a quit both waited for the scan to end, and a
// scan held by the file system held the program with it.
TEST(MusicIndexScan, AHeldScanHoldsNeitherAFolderChangeNorAQuitAndDeliversNothing)
{
    testsupport::Ceiling ceiling(30);
    QTemporaryDir dir;
    const QString music = dir.filePath("Music");
    const QString other = dir.filePath("Other");
    testsupport::writeFile(music + "/old.mp3", "ID3");
    testsupport::writeFile(other + "/new.wav", "RIFF");
    Gate reached, release;
    const MusicFolderIndex::TrackReader gated = testsupport::gatedReader(reached, release);
    // Only the first folder's files are held.
    auto reader = [gated, music](const QString &path, int descriptor,
                                 const std::atomic<bool> &stop) -> std::optional<Track> {
        if (path.startsWith(music + "/"))
            return gated(path, descriptor, stop);
        Track t;
        t.title = QFileInfo(path).completeBaseName();
        t.location = path;
        return t;
    };
    {
        MusicFolderIndex index(music, QString(), reader);
        reached.wait();
        QElapsedTimer change;
        change.start();
        index.changeFolder(other);
        EXPECT_LT(change.elapsed(), 1000);
        while (index.scanRunning())
            std::this_thread::yield();
        EXPECT_EQ(titles(index.allMediaItems()), QStringList{"new"}) << "the new folder is read at once";

        release.open();
        index.waitForScan();
        EXPECT_EQ(titles(index.allMediaItems()), QStringList{"new"}) << "the old folder's scan delivered nothing";
    }

    Gate reachedAgain, held;
    auto index = std::make_unique<MusicFolderIndex>(music, QString(), testsupport::gatedReader(reachedAgain, held));
    reachedAgain.wait();
    QElapsedTimer quit;
    quit.start();
    index.reset();
    EXPECT_LT(quit.elapsed(), 1000) << "the scan left behind holds what it touches";
    held.open();
}

// Looks at the folder on disk once `release` opens; counts the looks asked on
// the main thread.
struct HeldLook {
    Gate asked;
    Gate release;
    std::shared_ptr<std::atomic<int>> onMainThread = std::make_shared<std::atomic<int>>(0);

    MusicFolderIndex::FolderCheck check() const
    {
        return [asked = asked, release = release, onMainThread = onMainThread,
                main = std::this_thread::get_id()](const QString &folder) mutable {
            if (std::this_thread::get_id() == main)
                ++*onMainThread;
            asked.open();
            release.wait();
            return QFileInfo(folder).isDir();
        };
    }
};

// Before, whether the folder was there was asked of the file system on the
// main thread, on every play request: a sleeping share froze the window.
TEST(MusicIndexScan, TheFolderIsLookedAtByTheScanAndEveryAnswerComesFromMemory)
{
    testsupport::Ceiling ceiling(30);
    QTemporaryDir dir;
    const QString music = dir.filePath("Music");
    const QString later = dir.filePath("Later");
    const QString cache = dir.filePath("cache/index");
    testsupport::writeFile(music + "/a.mp3", "ID3");
    {
        MusicFolderIndex kept(music, cache, testsupport::plainReader());
        kept.waitForScan();
    }
    HeldLook look;
    MusicFolderIndex index(music, cache, testsupport::plainReader(), look.check());
    look.asked.wait();
    EXPECT_TRUE(index.isAvailable());
    EXPECT_FALSE(index.isIndexing());
    EXPECT_EQ(titles(index.allMediaItems()), QStringList{"a"}) << "the kept index answers while the folder is looked at";

    index.changeFolder(later);
    EXPECT_TRUE(index.isAvailable()) << "not looked at yet: no false \"no music folder\"";
    EXPECT_TRUE(index.isIndexing()) << "a request waits for the look";
    bool ran = false;
    QObject waiting;
    index.whenIndexed(&waiting, [&ran]() { ran = true; });

    look.release.open();
    index.waitForScan();
    testsupport::processEvents();
    EXPECT_TRUE(ran) << "what waited learns that the folder is missing";
    EXPECT_FALSE(index.isIndexing());

    testsupport::writeFile(later + "/b.mp3", "ID3");
    EXPECT_FALSE(index.isAvailable()) << "answered from the last look";
    index.waitForScan();
    EXPECT_FALSE(index.isAvailable()) << "a question starts no look";
    index.lookAgain();
    index.waitForScan();
    EXPECT_TRUE(index.isAvailable()) << "a folder made since is found by the look a request starts";
    // Before, the same folder named again (a late read of the settings) cleared the tracks and scanned anew.
    index.changeFolder(later);
    EXPECT_FALSE(index.isIndexing());
    EXPECT_EQ(titles(index.allMediaItems()), QStringList{"b"});
    EXPECT_EQ(*look.onMainThread, 0);
}

// A copy of the reader outlives the index in a scan left behind; when the last
// one goes, the scan has ended.
struct LastCopy {
    Gate gone;
    ~LastCopy() { gone.open(); }
};

TEST(MusicIndexScan, AStoppedScanNeitherReadsOnNorWritesTheKeptIndex)
{
    testsupport::Ceiling ceiling(30);
    for (const bool indexGone : {false, true}) {
        SCOPED_TRACE(indexGone ? "the index gone" : "a folder change");
        QTemporaryDir dir;
        const QString music = dir.filePath("Music");
        const QString other = dir.filePath("Other");
        const QString cache = dir.filePath("cache/index");
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            testsupport::writeFile(music + "/" + name, "ID3");
        testsupport::writeFile(other + "/new.wav", "RIFF");
        Gate reached, release;
        auto lastCopy = std::make_shared<LastCopy>();
        const Gate scanEnded = lastCopy->gone;
        const auto reads = std::make_shared<std::atomic<int>>(0);
        const MusicFolderIndex::TrackReader held = testsupport::gatedReader(reached, release);
        const MusicFolderIndex::TrackReader plain = testsupport::plainReader();
        MusicFolderIndex::TrackReader reader = [=](const QString &path, int descriptor, const std::atomic<bool> &stop) {
            (void)lastCopy;
            if (!path.startsWith(music + "/"))
                return plain(path, descriptor, stop);
            ++*reads;
            return held(path, descriptor, stop);
        };
        lastCopy.reset();
        auto index = std::make_unique<MusicFolderIndex>(music, cache, std::move(reader));
        reached.wait();
        if (indexGone) {
            index.reset();
            release.open();
            scanEnded.wait();
            EXPECT_FALSE(QFile::exists(cache));
        } else {
            index->changeFolder(other);
            while (index->scanRunning())
                std::this_thread::yield();
            release.open();
            index->waitForScan();
            MusicFolderIndex next(other, cache, plain);
            next.waitForScan();
            EXPECT_EQ(next.filesRead(), 0) << "the kept index is still the new folder's";
        }
        EXPECT_EQ(*reads, 1);
    }
}

TEST(MusicFolder, TheEnvironmentThenTheUserDirsFileThenHomeMusic)
{
    const QString home = "/home/ana";
    const QString userDirs = "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                             "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n";
    const struct {
        const char *environment;
        QString userDirs;
        QString folder;
    } rows[] = {
        // Before, the variable set in the environment was not read at all.
        {"/srv/music", userDirs, "/srv/music"},
        {"$HOME/Audio", userDirs, "/home/ana/Audio"},
        {"", userDirs, "/home/ana/Tunes"},
        {"relative/music", userDirs, "/home/ana/Tunes"},
        {"", "XDG_MUSIC_DIR=\"/data/Music/\"", "/data/Music"},
        {"", "#XDG_MUSIC_DIR=\"/data/Music\"", "/home/ana/Music"},
        // The home folder itself turns the music folder off.
        {"", "XDG_MUSIC_DIR=\"$HOME/\"", "/home/ana/Music"},
        {"/home/ana", "", "/home/ana/Music"},
        {"", "", "/home/ana/Music"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(audio::desktopMusicFolderFrom(row.environment, row.userDirs, home), row.folder)
            << row.environment << " / " << row.userDirs.toStdString();
}

} // namespace
