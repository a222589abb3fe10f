#include "controller/FolderSlots.h"
#include "controller/SampleSong.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using controller::FolderSlots;

namespace {

platform::UserDefaults &store()
{
    return platform::UserDefaults::standard();
}

} // namespace

TEST(FolderSlots, FirstRunMarksEverySlotAndOpensTheHelpFolder)
{
    testsupport::FreshDefaults fresh;
    FolderSlots folders;
    EXPECT_EQ(folders.load(store(), 0), -1);
    for (int n = 0; n < controller::SlotCount; ++n) {
        EXPECT_TRUE(store().boolForKey(QStringLiteral("dirIsanURL%1").arg(n))) << n;
        EXPECT_FALSE(folders.has(n));
    }
}

TEST(FolderSlots, StoredPathsOldLayoutAndMissingFolders)
{
    testsupport::FreshDefaults fresh;
    QTemporaryDir a, b;
    store().setBool(QStringLiteral("dirIsanURL1"), true);
    store().setData(QStringLiteral("url1"), a.path().toUtf8());
    store().setString(QStringLiteral("dir2"), b.path());  // older layout
    store().setBool(QStringLiteral("dirIsanURL3"), true);
    store().setData(QStringLiteral("url3"), QByteArrayLiteral("/no/such/folder"));
    FolderSlots folders;
    EXPECT_EQ(folders.load(store(), 1), 1);
    // Until looked at, a stored folder is the slot's, missing or not.
    EXPECT_EQ(folders.unchecked()[3], QStringLiteral("/no/such/folder"));
    EXPECT_TRUE(folders.has(3));
    for (int n = 1; n <= 3; ++n)
        folders.tell(n, folders.unchecked()[size_t(n)], n != 3);
    EXPECT_EQ(folders.dir(1), QDir::cleanPath(a.path()));
    EXPECT_EQ(folders.dir(2), QDir::cleanPath(b.path()));
    EXPECT_FALSE(folders.has(3));  // a missing folder reads as an empty slot
    EXPECT_EQ(folders.missingDir(3), QStringLiteral("/no/such/folder"));
    EXPECT_EQ(folders.unchecked()[1], QString());
    EXPECT_FALSE(store().boolForKey(QStringLiteral("dirIsanURL2")));
    // A look at a folder the slot no longer holds changes nothing.
    folders.assign(store(), 1, b.path());
    EXPECT_TRUE(folders.tell(1, QDir::cleanPath(a.path()), false));
    EXPECT_FALSE(folders.tell(3, QStringLiteral("/another"), true));

    // The older layout's slot opens, but as the start slot it gives the help folder.
    FolderSlots again;
    EXPECT_EQ(again.load(store(), 2), -1);
    EXPECT_TRUE(again.has(2));
}

TEST(FolderSlots, AssignClearAndShutdown)
{
    testsupport::FreshDefaults fresh;
    QTemporaryDir a;
    FolderSlots folders;
    folders.load(store(), 0);
    folders.assign(store(), 4, a.path());
    EXPECT_EQ(QString::fromUtf8(store().dataForKey(QStringLiteral("url4"))), QDir::cleanPath(a.path()));
    EXPECT_TRUE(folders.has(4));
    folders.assign(store(), 8, a.path());  // no such slot
    EXPECT_FALSE(store().contains(QStringLiteral("url8")));

    folders.clear(store(), 4, false);
    EXPECT_FALSE(folders.has(4));
    EXPECT_TRUE(store().contains(QStringLiteral("url4")));
    folders.writeAtShutdown(store());
    EXPECT_FALSE(store().contains(QStringLiteral("url4")));
    EXPECT_TRUE(store().boolForKey(QStringLiteral("dirIsanURL4")));
}

TEST(FolderSlots, MenuTitles)
{
    testsupport::FreshDefaults fresh;
    QTemporaryDir base;
    const QString gigs = base.filePath(QStringLiteral("Gigs 2026"));
    QDir().mkpath(gigs);
    FolderSlots folders;
    folders.load(store(), 0);
    folders.assign(store(), 2, gigs);

    const auto help = controller::folderMenuState(folders, -1);
    EXPECT_EQ(help.folderMenuTitle, QStringLiteral("? ▹ Help Tolvane"));
    EXPECT_EQ(help.songMenuTitle, QString());
    EXPECT_FALSE(help.slotActionsEnabled);
    EXPECT_EQ(help.items[0].title, QStringLiteral("(unassigned)"));
    EXPECT_EQ(help.items[0].toolTip, QStringLiteral("Click to assign"));
    EXPECT_FALSE(help.items[0].clearEnabled);
    EXPECT_EQ(help.items[2].title, QStringLiteral("Gigs 2026"));
    EXPECT_TRUE(help.items[2].clearEnabled);

    const auto current = controller::folderMenuState(folders, 2);
    EXPECT_EQ(current.folderMenuTitle, QStringLiteral("3 ▹ Gigs 2026"));
    EXPECT_EQ(current.songMenuTitle, QStringLiteral("Song"));
    EXPECT_TRUE(current.slotActionsEnabled);
    // A current slot without a folder shows the help title.
    EXPECT_EQ(controller::folderMenuState(folders, 5).folderMenuTitle, QStringLiteral("? ▹ Help Tolvane"));

    EXPECT_EQ(controller::folderLabel(QStringLiteral("/a/b/Songs/")), QStringLiteral("Songs"));
    EXPECT_EQ(controller::folderLabel(QStringLiteral("Songs")), QStringLiteral("Songs"));
}

TEST(SampleSong, ExactTextInTheResourceAndOnDisk)
{
    const QString text = controller::defaultChordProString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("{title:Title}\n{st:Artist}\n{fontsize:17.0}\n\n# Type your song here...\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nAlt-Left Alt-Right  Convert # to b  or  b to #\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n    Am          C\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\n\nSolo: C Am F C\n")));
    EXPECT_EQ(text.count(QLatin1Char('\n')), 35);

    QFile resource(QStringLiteral(":/help/Sample.chopro"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_EQ(resource.readAll(), text.toUtf8());

    QTemporaryDir dir;
    const platform::MainThreadFileScope direct("the sample song, written by the test itself");
    ASSERT_TRUE(controller::writeSampleSong(dir.path()));
    QFile written(dir.filePath(QStringLiteral("Sample.chopro")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), text.toUtf8());
}

TEST(SampleSong, WriteFailureIsReported)
{
    QString error;
    const platform::MainThreadFileScope direct("the sample song, written by the test itself");
    EXPECT_FALSE(controller::writeSampleSong(QStringLiteral("/no/such/folder/anywhere"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SampleSong, HelpFolderIsCopiedOutOnce)
{
    QTemporaryDir data;
    qputenv("TOLVANE_DATA_DIR", data.path().toUtf8());
    const QString folder = controller::ensureHelpFolder();
    EXPECT_EQ(folder, QDir(data.path()).filePath(QStringLiteral("Help Tolvane")));
    const QString song = QDir(folder).filePath(QStringLiteral("Sample.chopro"));
    ASSERT_TRUE(QFile::exists(song));
    // A song the user edited there is kept.
    testsupport::writeFile(song, QByteArrayLiteral("{title:Mine}\n"));
    controller::ensureHelpFolder();
    QFile f(song);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArrayLiteral("{title:Mine}\n"));
    qunsetenv("TOLVANE_DATA_DIR");
}

TEST(FolderSlots, AFolderMissingForOneRunKeepsItsSlot)
{
    // Before, a library on a drive not plugged in at start lost its slot at quit.
    testsupport::FreshDefaults fresh;
    QTemporaryDir base;
    const QString stick = base.filePath(QStringLiteral("stick"));
    store().setBool(QStringLiteral("dirIsanURL3"), true);
    store().setData(QStringLiteral("url3"), stick.toUtf8());
    FolderSlots folders;
    folders.load(store(), 0);
    folders.tell(3, stick, false);
    EXPECT_FALSE(folders.has(3));
    folders.writeAtShutdown(store());
    EXPECT_TRUE(store().contains(QStringLiteral("url3")));

    // Back within the run, or at the next start.
    EXPECT_TRUE(folders.tell(3, stick, true));
    FolderSlots later;
    later.load(store(), 0);
    later.tell(3, stick, true);
    EXPECT_EQ(later.dir(3), QDir::cleanPath(stick));
    // Unassigning it forgets it for good.
    later.clear(store(), 3, true);
    later.writeAtShutdown(store());
    EXPECT_FALSE(store().contains(QStringLiteral("url3")));
}
