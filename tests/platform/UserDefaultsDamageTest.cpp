#include "platform/UserDefaults.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

using platform::UserDefaults;

namespace {

// Stores one row as another program (or a damaged disk) might have left it.
void writeRawRow(const QString &path, const QString &key, UserDefaults::Type type, const QByteArray &value)
{
    {
        UserDefaults create; // lays out the table
        ASSERT_TRUE(create.open(path));
    }
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO defaults VALUES (?, ?, ?)", -1, &stmt, nullptr), SQLITE_OK);
    const QByteArray keyBytes(reinterpret_cast<const char *>(key.utf16()), key.size() * 2);
    sqlite3_bind_blob(stmt, 1, keyBytes.constData(), int(keyBytes.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 2, int(type));
    sqlite3_bind_blob(stmt, 3, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

} // namespace

// Found by fuzzing: a string list whose stored count was damaged made the
// reader reserve about 100 GB and abort at start-up.
TEST(UserDefaultsDamage, DamagedStringListReadsAsEmptyNotACrash)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    writeRawRow(path, QStringLiteral("tags"), UserDefaults::Type::StringList,
                QByteArray::fromBase64("MAQAI////wEAAAj//w==").mid(6));
    writeRawRow(path, QStringLiteral("huge"), UserDefaults::Type::StringList, QByteArray("\xff\xff\xff\xf0", 4));
    QByteArray truncated;
    {
        QDataStream stream(&truncated, QIODevice::WriteOnly);
        stream << QStringList{QStringLiteral("Intro"), QStringLiteral("Verse")};
    }
    truncated.chop(3);
    writeRawRow(path, QStringLiteral("cut"), UserDefaults::Type::StringList, truncated);

    UserDefaults d;
    ASSERT_TRUE(d.open(path));
    EXPECT_TRUE(d.contains(QStringLiteral("huge")));
    EXPECT_EQ(d.stringListForKey(QStringLiteral("huge")), QStringList());
    EXPECT_EQ(d.stringListForKey(QStringLiteral("tags")), QStringList());
    EXPECT_EQ(d.stringListForKey(QStringLiteral("cut")), QStringList());

    // Lists written by the program still read back whole, empty strings included.
    const QStringList tags{QStringLiteral("Rock"), QString(), QStringLiteral("Ballade à deux")};
    d.setStringList(QStringLiteral("ok"), tags);
    d.close();
    UserDefaults again;
    ASSERT_TRUE(again.open(path));
    EXPECT_EQ(again.stringListForKey(QStringLiteral("ok")), tags);
}

// Before, a second damaged file within the same second could not be moved
// aside (the name was taken): the program ran on with settings it never saved.
TEST(UserDefaultsDamage, EveryDamagedFileIsKeptAndTheStoreStillSaves)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    for (const QByteArray &garbage : {QByteArray(4096, 'A'), QByteArray(4096, 'B')}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
        file.close();
        UserDefaults d;
        ASSERT_TRUE(d.open(path));
        d.setInteger(QStringLiteral("runCount"), 1);
    }
    QStringList kept;
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("defaults.sqlite.damaged-*")})) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        kept << QString::fromLatin1(file.read(1));
    }
    kept.sort();
    EXPECT_EQ(kept, QStringList({QStringLiteral("A"), QStringLiteral("B")}));
    UserDefaults reopened;
    ASSERT_TRUE(reopened.open(path));
    EXPECT_EQ(reopened.integerForKey(QStringLiteral("runCount")), 1);
}
