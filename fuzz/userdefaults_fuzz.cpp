// A settings database whose rows were damaged or written by something else:
// every value must read back as some value of its type, never crash.
#include "FuzzSupport.h"

#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <sqlite3.h>

namespace {

bool writeRow(const QString &path, const QByteArray &key, int type, const QByteArray &value)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_exec(db,
                 "CREATE TABLE IF NOT EXISTS defaults (key BLOB PRIMARY KEY, type INTEGER NOT NULL, "
                 "value BLOB NOT NULL)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO defaults VALUES (?, ?, ?)", -1, &stmt, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_blob(stmt, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 2, type);
        sqlite3_bind_blob(stmt, 3, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(stmt) == SQLITE_DONE;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where possible: every write is synced to disk.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tolvane-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tolvane-fuzz-XXXXXX"));
    if (size < 2)
        return 0;
    const QString path = dir.filePath(QStringLiteral("defaults.sqlite"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));

    // First byte: the stored type (also out of range); second: the key's length.
    const int type = int(data[0] % 10);
    const size_t keyLength = std::min<size_t>(data[1], size - 2);
    const QByteArray key = fuzzsupport::bytes(data + 2, keyLength);
    const QByteArray value = fuzzsupport::bytes(data + 2 + keyLength, size - 2 - keyLength);
    if (!writeRow(path, key, type, value))
        return 0;

    platform::UserDefaults defaults;
    defaults.open(path);
    for (const QString &k : defaults.allKeys()) {
        (void)defaults.integerForKey(k);
        (void)defaults.doubleForKey(k);
        (void)defaults.boolForKey(k);
        (void)defaults.stringForKey(k);
        (void)defaults.dataForKey(k);
        (void)defaults.dateForKey(k);
        (void)defaults.colorForKey(k).isValid();
        (void)defaults.stringListForKey(k);
    }
    // Whatever was read can be written back.
    for (const QString &k : defaults.allKeys())
        defaults.setString(k, defaults.stringForKey(k));
    defaults.close();
    return 0;
}
