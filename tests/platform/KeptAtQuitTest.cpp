#include "platform/Dialogs.h"
#include "platform/KeptAtQuit.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <cerrno>
#include <sys/syscall.h>

using namespace platform;

namespace {

// The data, cache and runtime folders of a fresh home, any of which a row
// blocks by putting a file where the program makes its folder.
struct Home {
    QTemporaryDir dir;
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    Home()
    {
        qputenv("TOLVANE_DATA_DIR", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("cache"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath(QStringLiteral("run"))));
    }
    ~Home()
    {
        qunsetenv("TOLVANE_DATA_DIR");
        qputenv("XDG_CACHE_HOME", cache);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QString base(const QString &which) const
    {
        return which == QLatin1String("data") ? dir.filePath(QStringLiteral("data"))
                                              : dir.filePath(which + QStringLiteral("/tolvane"));
    }
    void block(const QString &path) const
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }
};

bool writeWords(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write("words") == 5)
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

// Before, an edit whose kept copy could not be written in the data folder was
// lost, and the next start said nothing.
TEST(KeptAtQuit, ACopyGoesWhereItCanAndTheNextStartSaysSoOnce)
{
    const struct {
        const char *name;
        QStringList blocked; // folders where a file stands in the way
        const char *keptIn;  // base folder of the copy; nullptr: lost
        const char *said;
        bool recordStays = false; // the start cannot remove its record
    } rows[] = {
        {"data folder", {}, "data", "An edited song could not be saved when Tolvane last quit: it is kept as"},
        {"data folder blocked", {"data"}, "cache", "An edited song could not be saved"},
        {"data and cache blocked", {"data", "cache/tolvane"}, "run", "An edited song could not be saved"},
        {"no kept folder anywhere",
         {"data/Kept notes", "cache/tolvane/Kept notes", "run/tolvane/Kept notes"},
         nullptr,
         "When Tolvane last quit, these could be neither saved nor kept anywhere and are lost: the edited song "
         "Lullaby."},
        // Before, a record the data folder kept had the same notice said at every start.
        {"record that cannot be removed", {}, "data", "An edited song could not be saved when Tolvane last quit", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Home home;
        for (const QString &blocked : row.blocked)
            home.block(home.dir.filePath(blocked));
        const QString kept = kept::keep(QStringLiteral("Lullaby"), QStringLiteral("cho"), writeWords);
        if (row.keptIn) {
            EXPECT_TRUE(kept.startsWith(home.base(QString::fromLatin1(row.keptIn)) + QStringLiteral("/Kept notes/Lullaby (edit not saved ")))
                << kept.toStdString();
            EXPECT_TRUE(kept.endsWith(QStringLiteral(").cho")));
        } else {
            EXPECT_TRUE(kept.isEmpty()) << kept.toStdString();
        }
        kept::tellNextStart(kept::What::Song, kept, QStringLiteral("the edited song Lullaby"));
        const auto start = [&row]() {
            if (!row.recordStays)
                return kept::takeNotice();
            return testsupport::writeKilledAtCall({SYS_unlink, SYS_unlinkat}, [](QString *said) {
                       *said = kept::takeNotice();
                       return true;
                   }, EACCES).error;
        };
        const QString notice = start();
        EXPECT_TRUE(notice.startsWith(QString::fromUtf8(row.said))) << notice.toStdString();
        EXPECT_EQ(notice.contains(QStringLiteral("The data folder %1 cannot be written").arg(home.base(QStringLiteral("data")))),
                  row.recordStays) << notice.toStdString();
        EXPECT_EQ(start(), QString()) << "said once";
    }
}

// Records of several runs, an older one among them, are said together.
TEST(KeptAtQuit, RecordsOfEveryKindAreSaidTogether)
{
    Home home;
    QDir().mkpath(home.base(QStringLiteral("data")));
    QFile older(home.base(QStringLiteral("data")) + QStringLiteral("/kept-at-quit.list"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("/k/Kept notes/Ballad (edit not saved 2026-12-01 10.00).txt\n");
    older.close();
    kept::tellNextStart(kept::What::Note, QStringLiteral("/k/Kept notes/Pine (edit not saved 2026-12-08 10.00).txt"),
                        QStringLiteral("the edited note of Pine"));
    kept::tellNextStart(kept::What::Settings, QStringLiteral("/k/Kept notes/Settings (edit not saved 2026-12-08 10.00).json"),
                        QStringLiteral("the changes of 2 settings"));
    // Kept while they waited on their notes: said unless removed once written, and once with the quit's.
    const QString waiting = home.dir.filePath(QStringLiteral("Oak (edit not saved 2026-12-08 10.00).txt"));
    testsupport::writeFile(waiting, "words");
    for (const QString &copy : {QStringLiteral("/k/Kept notes/Pine (edit not saved 2026-12-08 10.00).txt"), waiting,
                                home.dir.filePath(QStringLiteral("written.txt"))})
        kept::tellNextStartUnlessRemoved(kept::What::Note, copy, QStringLiteral("an edited note"));
    // Before, several copies were said by their number and a folder the windows show as "Kept notes" alone;
    // then by three of their songs, "2 more" and their folders, so no copy could be found by its notice.
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.dir.path()));
    for (const QString song : {"Elm", "Ash", "Yew"})
        kept::tellNextStart(kept::What::Note,
                            home.dir.filePath(QStringLiteral("Kept notes/%1 (edit not saved 2026-12-08 10.00).txt").arg(song)),
                            QStringLiteral("the edited note of %1").arg(song));
    EXPECT_EQ(kept::takeNotice(),
              QStringLiteral("5 edited notes could not be saved when Tolvane last quit: they are kept as "
                             "/k/Kept notes/Ballad (edit not saved 2026-12-01 10.00).txt, "
                             "/k/Kept notes/Pine (edit not saved 2026-12-08 10.00).txt, "
                             "~/Kept notes/Elm (edit not saved 2026-12-08 10.00).txt, "
                             "~/Kept notes/Ash (edit not saved 2026-12-08 10.00).txt and "
                             "~/Kept notes/Yew (edit not saved 2026-12-08 10.00).txt. "
                             "An edited note was not written to its note file before Tolvane last ended: it is kept "
                             "as ~/Oak (edit not saved 2026-12-08 10.00).txt. "
                             "Settings changed before Tolvane last quit could not be written to the settings file: they "
                             "are kept in /k/Kept notes/Settings (edit not saved 2026-12-08 10.00).json and were "
                             "not taken back."));
    qputenv("HOME", realHome);
}

// Before, a copy kept while its edit waited, removed once the edit was written,
// stayed in the records a clean quit left, and the next start passed over it.
TEST(KeptAtQuit, AQuitLeavesNoRecordOfACopyRemovedOnceWritten)
{
    Home home;
    const QString written = kept::keep(QStringLiteral("Elm"), QStringLiteral("txt"), writeWords);
    for (const QString &copy : {kept::keep(QStringLiteral("Oak"), QStringLiteral("txt"), writeWords), written})
        kept::tellNextStartUnlessRemoved(kept::What::Note, copy, QStringLiteral("an edited note"));
    ASSERT_TRUE(removeFile(written));
    kept::forgetRemovedCopies();
    const QByteArray listed = readRegularFile(home.base(QStringLiteral("data")) + QStringLiteral("/kept-at-quit.list"), 1 << 20).bytes;
    EXPECT_TRUE(listed.contains("/Oak (") && !listed.contains("/Elm (")) << listed.toStdString();
}

// Before, the changes a settings file refused at a quit were logged and
// dropped; then every quit of a read-only store kept a copy of every value the
// program wrote, changed or not, and waited two seconds for it.
TEST(KeptAtQuit, SettingsTheFileRefusesAtAQuitAreKeptAside)
{
    Home home;
    const QString path = home.dir.filePath(QStringLiteral("config/defaults.sqlite"));
    {
        UserDefaults d;
        d.open(path);
        d.setString(QStringLiteral("gone"), QStringLiteral("x"));
        d.close();
    }
    UserDefaults d;
    d.open(path);
    d.setFault([](UserDefaults::Step step) { return step == UserDefaults::Step::Write ? SQLITE_READONLY : SQLITE_OK; });
    d.setString(QStringLiteral("tagStr"), QStringLiteral("rock\nTag1\n"));
    d.setString(QStringLiteral("PathToFolder"), fromNativePath("/gig/bad\xffname")); // a folder named by bytes
    d.setData(QString::fromUtf8("bytes\0key", 9), QByteArray("\0\1", 2));
    d.setStringList(QStringLiteral("list"), {QStringLiteral("a"), QStringLiteral("b")});
    d.removeObjectForKey(QStringLiteral("gone"));
    d.removeObjectForKey(QStringLiteral("never there"));
    setQuitting(true);
    d.close(0);
    setQuitting(false);

    const QFileInfoList kept = QDir(home.base(QStringLiteral("data")) + QStringLiteral("/Kept notes"))
                                   .entryInfoList({QStringLiteral("Settings (edit not saved *).json")});
    ASSERT_EQ(kept.size(), 1);
    QFile file(kept.first().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(saved.value(QStringLiteral("settingsFile")).toString(), path);
    QStringList changes;
    for (const QJsonValue &change : saved.value(QStringLiteral("changes")).toArray())
        changes << QString::fromUtf8(QJsonDocument(change.toObject()).toJson(QJsonDocument::Compact));
    // Before, the folder's stray byte became U+FFFD: its JSON now reads back to the same bytes.
    EXPECT_EQ(changes.join(QLatin1Char('\n')).toStdString(), QStringList({QStringLiteral(R"({"key":"tagStr","type":4,"value":"rock\nTag1\n"})"),
                                    QStringLiteral(R"({"key":"PathToFolder","type":4,"value":"/gig/bad\udcffname"})"),
                                    QStringLiteral(R"({"base64":"AAE=","key":"bytes\u0000key","type":5})"),
                                    QStringLiteral(R"({"key":"list","type":8,"value":["a","b"]})"),
                                    QStringLiteral(R"({"key":"gone","removed":true})")})
                                      .join(QLatin1Char('\n'))
                                      .toStdString());
    EXPECT_TRUE(kept::takeNotice().contains(kept.first().filePath()));

    // Only values as the file holds them, and the program's own count: nothing kept, said or waited for.
    UserDefaults same;
    same.open(path);
    same.setFault([](UserDefaults::Step step) { return step == UserDefaults::Step::Write ? SQLITE_READONLY : SQLITE_OK; });
    same.setString(QStringLiteral("gone"), QStringLiteral("y"));
    same.setString(QStringLiteral("gone"), QStringLiteral("x"));
    same.removeObjectForKey(QStringLiteral("never there"));
    {
        const UserDefaults::Bookkeeping own(same);
        same.setInteger(QStringLiteral("NbrExec"), 8);
        same.setString(QStringLiteral("dirIsanURL0"), QStringLiteral("/songs"));
    }
    {
        const UserDefaults::Baseline taken(same);
        same.setInteger(QStringLiteral("dirNo"), -1);
    }
    // Written again at the quit as start-up had them, or as reading the missing
    // key answered: kept before, at every quit of a fresh store that cannot grow.
    same.setString(QStringLiteral("dirIsanURL0"), QStringLiteral("/songs"));
    same.setInteger(QStringLiteral("dirNo"), -1);
    same.setBool(QStringLiteral("OptWasSaved3D"), false);
    setQuitting(true);
    QElapsedTimer quit;
    quit.start();
    same.close(2000);
    setQuitting(false);
    EXPECT_LT(quit.elapsed(), 1000);
    EXPECT_EQ(QDir(kept.first().path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(kept::takeNotice(), QString());
}
