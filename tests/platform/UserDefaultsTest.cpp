#include "platform/UserDefaults.h"
#include "platform/Paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <future>
#include <optional>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

using platform::UserDefaults;

TEST(UserDefaults, AbsentKeysReadAsZeroAndAreToldApartFromEmpty)
{
    UserDefaults d;
    EXPECT_FALSE(d.contains("x"));
    EXPECT_EQ(d.integerForKey("x"), 0);
    EXPECT_FALSE(d.boolForKey("x"));
    EXPECT_TRUE(d.stringForKey("x").isEmpty());
    d.setString("x", "");
    EXPECT_TRUE(d.contains("x"));
    EXPECT_TRUE(d.stringForKey("x").isEmpty());
}

TEST(UserDefaults, TypedValuesSurviveReopening)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.sqlite");
    const QDateTime date(QDate(2026, 3, 4), QTime(5, 6, 7, 890));
    {
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        d.setInteger("MidiTrig_nbTrig", 42);
        d.setDouble("tempo", 117.25);
        d.setBool("OptWasSaved", true);
        d.setString("0TabName1", QString::fromUtf8("Set ♫ één"));
        d.setString("PathToFolder", platform::fromNativePath("/gig/bad\xffname")); // a folder named by bytes
        d.setData("blob", QByteArray("\x00\x01\xff", 3));
        d.setDate("plogDate1", date);
        d.setColor("col", QColor::fromRgbF(0.25f, 0.5f, 0.75f, 1.0f));
        d.setStringList("list", {"a", "", "c"});
    }
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    EXPECT_EQ(d.integerForKey("MidiTrig_nbTrig"), 42);
    EXPECT_DOUBLE_EQ(d.doubleForKey("tempo"), 117.25);
    EXPECT_TRUE(d.boolForKey("OptWasSaved"));
    EXPECT_EQ(d.stringForKey("0TabName1"), QString::fromUtf8("Set ♫ één"));
    EXPECT_EQ(platform::nativePath(d.stringForKey("PathToFolder")), QByteArray("/gig/bad\xffname"));
    EXPECT_EQ(d.dataForKey("blob"), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(d.dateForKey("plogDate1"), date);
    EXPECT_NEAR(d.colorForKey("col").blueF(), 0.75, 1e-4);
    EXPECT_EQ(d.stringListForKey("list"), QStringList({"a", "", "c"}));
}

TEST(UserDefaults, KeysHoldingSlashAndNulAreDistinct)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.sqlite");
    // A key carrying a window index as a character: NUL for window 0.
    const QString base = QStringLiteral("color/");
    {
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        for (int slot = 0; slot < 24; ++slot)
            d.setInteger(base + QChar(0) + QString::number(slot), slot + 100);
        d.setInteger(base + QString::number(0), 7);
    }
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    for (int slot = 0; slot < 24; ++slot)
        EXPECT_EQ(d.integerForKey(base + QChar(0) + QString::number(slot)), slot + 100);
    EXPECT_EQ(d.integerForKey(base + QString::number(0)), 7);
    EXPECT_EQ(d.allKeys().size(), 25);
}

TEST(UserDefaults, NumbersConvertBetweenTypes)
{
    UserDefaults d;
    d.setString("n", "12");
    EXPECT_EQ(d.integerForKey("n"), 12);
    d.setDouble("f", 3.9);
    EXPECT_EQ(d.integerForKey("f"), 3);
    d.setInteger("b", 2);
    EXPECT_TRUE(d.boolForKey("b"));
    d.setData("data", "abc");
    EXPECT_TRUE(d.stringForKey("data").isEmpty());
}

TEST(UserDefaults, RemovedKeyStaysRemovedAfterReopen)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.sqlite");
    {
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        d.setInteger("a", 1);
        d.setInteger("b", 2);
        d.removeObjectForKey("a");
    }
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    EXPECT_FALSE(d.contains("a"));
    EXPECT_EQ(d.integerForKey("b"), 2);
}

TEST(UserDefaults, BatchWritesLandTogether)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.sqlite");
    {
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        UserDefaults::Batch batch(d);
        for (int i = 0; i < 200; ++i)
            d.setInteger(QStringLiteral("MidiDest_channel_%1").arg(i), i);
        d.setInteger("MidiDest_nbDest", 200);
    }
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    EXPECT_EQ(d.integerForKey("MidiDest_nbDest"), 200);
    EXPECT_EQ(d.integerForKey("MidiDest_channel_199"), 199);
}

TEST(UserDefaults, DamagedFileIsMovedAsideNotOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.sqlite");
    QByteArray garbage(4096, 'G');
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    EXPECT_TRUE(d.allKeys().isEmpty());
    d.setInteger("fresh", 1);
    const QStringList aside = QDir(dir.path()).entryList({"defaults.sqlite.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    QFile moved(dir.filePath(aside.first()));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), garbage);
}

// Before, a read on the MIDI or clock thread waited for the main thread's
// batch, disk flush included, to end.
TEST(UserDefaults, ReadersOnOtherThreadsDoNotWaitForAWrite)
{
    QTemporaryDir dir;
    UserDefaults d;
    ASSERT_TRUE(d.open(dir.filePath("defaults.sqlite")));
    d.setInteger("MidiTrig_nbTrig", 2);
    std::future<qint64> reader;  // outlives the batch, so a failure cannot hang
    std::optional<UserDefaults::Batch> batch;
    batch.emplace(d);
    d.setInteger("MidiTrig_nbTrig", 3);
    reader = std::async(std::launch::async, [&d]() { return d.integerForKey("MidiTrig_nbTrig"); });
    EXPECT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    batch.reset();
    EXPECT_EQ(reader.get(), 3);
}

// The MIDI and clock threads read while the main thread writes, rewrites a
// table in a batch and removes keys: a reader sees a whole value or none.
TEST(UserDefaults, ReadsOnOtherThreadsDuringWritesSeeWholeValues)
{
    QTemporaryDir dir;
    UserDefaults d;
    ASSERT_TRUE(d.open(dir.filePath("defaults.sqlite")));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!stop.load()) {
                const QStringList list = d.stringListForKey("Fav_names");
                if (!list.isEmpty() && list.size() != 3)
                    ++torn;
                const qint64 n = d.integerForKey("MidiTrig_nbTrig");
                if (n != 0 && n % 7 != 0)
                    ++torn;
                d.contains("Fav_names");
            }
        });
    for (int i = 1; i <= 60; ++i) {
        UserDefaults::Batch batch(d);
        d.setInteger("MidiTrig_nbTrig", 7 * i);
        d.setStringList("Fav_names", {QString::number(i), "b", "c"});
        if (i % 10 == 0)
            d.removeObjectForKey("Fav_names");
    }
    stop = true;
    for (std::thread &r : readers)
        r.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(d.integerForKey("MidiTrig_nbTrig"), 7 * 60);
}
