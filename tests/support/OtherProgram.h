#pragma once

#include <QString>
#include <sqlite3.h>

namespace testsupport {

// A second program's connection to the same file.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path) { sqlite3_open(path.toUtf8().constData(), &db_); }
    ~OtherProgram() { sqlite3_close(db_); }
    bool run(const char *sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    // Holds the file against every reader until COMMIT.
    bool lock() { return run("PRAGMA journal_mode=DELETE") && run("BEGIN EXCLUSIVE"); }
    // The same, in the middle of writing "A" = 7.
    bool lockWhileWriting() { return lock() && run("INSERT OR REPLACE INTO defaults VALUES (x'4100', 1, '7')"); }
    // The stored text of a key, "<none>" when absent.
    QString value(const QString &key)
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db_, "SELECT value FROM defaults WHERE key = ?", -1, &stmt, nullptr);
        const QByteArray k(reinterpret_cast<const char *>(key.utf16()), key.size() * 2);
        sqlite3_bind_blob(stmt, 1, k.constData(), int(k.size()), SQLITE_TRANSIENT);
        QString out = QStringLiteral("<none>");
        if (sqlite3_step(stmt) == SQLITE_ROW)
            out = QString::fromUtf8(static_cast<const char *>(sqlite3_column_blob(stmt, 0)), sqlite3_column_bytes(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }

private:
    sqlite3 *db_ = nullptr;
};

} // namespace testsupport
