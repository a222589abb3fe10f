#include "platform/UserDefaults.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sqlite3.h>

namespace platform {

namespace {

QByteArray keyBytes(const QString &key)
{
    // UTF-16 bytes keep every character, NUL included.
    return QByteArray(reinterpret_cast<const char *>(key.utf16()), key.size() * 2);
}

QString keyFromBytes(const void *bytes, int size)
{
    return QString(reinterpret_cast<const QChar *>(bytes), size / 2);
}

QByteArray encode(UserDefaults::Type type, const QVariant &value)
{
    using T = UserDefaults::Type;
    switch (type) {
    case T::Integer:
        return QByteArray::number(value.toLongLong());
    case T::Double:
        return QByteArray::number(value.toDouble(), 'g', 17);
    case T::Bool:
        return value.toBool() ? "1" : "0";
    case T::String:
        return value.toString().toUtf8();
    case T::Data:
        return value.toByteArray();
    case T::Date:
        return value.toDateTime().toString(Qt::ISODateWithMs).toUtf8();
    case T::Color: {
        QColor c = value.value<QColor>().toRgb();
        return QByteArray::number(c.redF(), 'g', 9) + ' ' + QByteArray::number(c.greenF(), 'g', 9) + ' '
               + QByteArray::number(c.blueF(), 'g', 9) + ' ' + QByteArray::number(c.alphaF(), 'g', 9);
    }
    case T::StringList: {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream << value.toStringList();
        return bytes;
    }
    }
    return {};
}

QVariant decode(UserDefaults::Type type, const QByteArray &bytes)
{
    using T = UserDefaults::Type;
    switch (type) {
    case T::Integer:
        return QVariant(bytes.toLongLong());
    case T::Double:
        return QVariant(bytes.toDouble());
    case T::Bool:
        return QVariant(bytes == "1");
    case T::String:
        return QVariant(QString::fromUtf8(bytes));
    case T::Data:
        return QVariant(bytes);
    case T::Date:
        return QVariant(QDateTime::fromString(QString::fromUtf8(bytes), Qt::ISODateWithMs));
    case T::Color: {
        const QList<QByteArray> parts = bytes.split(' ');
        if (parts.size() != 4)
            return QVariant::fromValue(QColor());
        return QVariant::fromValue(
            QColor::fromRgbF(parts[0].toFloat(), parts[1].toFloat(), parts[2].toFloat(), parts[3].toFloat()));
    }
    case T::StringList: {
        // Read the count ourselves: a damaged count made the stream reserve
        // gigabytes before reading a single string. Each string takes at
        // least four bytes, so a count larger than that is damage.
        QDataStream stream(bytes);
        quint32 count = 0;
        stream >> count;
        QStringList list;
        if (stream.status() != QDataStream::Ok || count > quint32(bytes.size() / 4))
            return QVariant(list);
        list.reserve(qsizetype(count));
        for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
            QString item;
            stream >> item;
            list.append(item);
        }
        if (stream.status() != QDataStream::Ok)
            list.clear();
        return QVariant(list);
    }
    }
    return {};
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults defaults;
    return defaults;
}

QString UserDefaults::defaultDatabasePath()
{
    QString dir = qEnvironmentVariable("TOLVANE_CONFIG_DIR");
    if (dir.isEmpty()) {
        QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (base.isEmpty())
            base = QDir::homePath() + QStringLiteral("/.config");
        dir = base + QStringLiteral("/tolvane");
    }
    return dir + QStringLiteral("/defaults.sqlite");
}

bool UserDefaults::openStandard(const QString &databasePath)
{
    UserDefaults &defaults = standard();
    defaults.close();
    if (databasePath.isEmpty())
        return true;
    return defaults.open(databasePath);
}

UserDefaults::UserDefaults() = default;

UserDefaults::~UserDefaults() { close(); }

bool UserDefaults::exec(const char *sql)
{
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool UserDefaults::open(const QString &databasePath)
{
    std::lock_guard lock(writeMutex_);
    close();
    QDir().mkpath(QFileInfo(databasePath).absolutePath());

    auto tryOpen = [&]() -> bool {
        if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr)
            != SQLITE_OK) {
            return false;
        }
        sqlite3_busy_timeout(db_, 2000);
        sqlite3_stmt *check = nullptr;
        bool healthy = sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK
                       && sqlite3_step(check) == SQLITE_ROW
                       && qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)), "ok") == 0;
        sqlite3_finalize(check);
        return healthy && exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=FULL")
               && exec("CREATE TABLE IF NOT EXISTS defaults (key BLOB PRIMARY KEY, type INTEGER NOT NULL, "
                       "value BLOB NOT NULL)")
               && loadAll();
    };

    if (!tryOpen()) {
        if (db_) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
        clearCache();
        // A name not taken yet: a second damaged file in the same second must
        // neither overwrite the first nor leave the program without a store.
        const QString stamp = databasePath + QStringLiteral(".damaged-")
                              + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
        QString aside = stamp;
        for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
            aside = QStringLiteral("%1-%2").arg(stamp).arg(n);
        bool moved = QFile::rename(databasePath, aside);
        // The journal goes with its database: it may hold the last writes.
        if (moved)
            QFile::rename(databasePath + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
        QFile::remove(databasePath + QStringLiteral("-shm"));
        qWarning().noquote() << QStringLiteral("UserDefaults open: %1 is damaged or unreadable, %2")
                                    .arg(databasePath, moved ? QStringLiteral("moved to ") + aside
                                                             : QStringLiteral("could not be moved aside"));
        if (!moved || !tryOpen()) {
            if (db_) {
                sqlite3_close(db_);
                db_ = nullptr;
            }
            clearCache();
            return false;
        }
    }
    path_ = databasePath;
    return true;
}

void UserDefaults::close()
{
    std::lock_guard lock(writeMutex_);
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
    clearCache();
    path_.clear();
    batchDepth_ = 0;
}

void UserDefaults::clearCache()
{
    std::lock_guard lock(cacheMutex_);
    values_.clear();
}

bool UserDefaults::loadAll()
{
    QHash<QString, QPair<Type, QVariant>> loaded;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT key, type, value FROM defaults", -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const QString key = keyFromBytes(sqlite3_column_blob(stmt, 0), sqlite3_column_bytes(stmt, 0));
        const int typeCode = sqlite3_column_int(stmt, 1);
        if (typeCode < 1 || typeCode > static_cast<int>(Type::StringList))
            continue;
        const Type type = static_cast<Type>(typeCode);
        const QByteArray bytes(static_cast<const char *>(sqlite3_column_blob(stmt, 2)), sqlite3_column_bytes(stmt, 2));
        loaded.insert(key, {type, decode(type, bytes)});
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return false;
    std::lock_guard lock(cacheMutex_);
    values_ = std::move(loaded);
    return true;
}

void UserDefaults::write(const QString &key, Type type, const QVariant &value)
{
    std::lock_guard lock(writeMutex_);
    {
        std::lock_guard cache(cacheMutex_);
        values_.insert(key, {type, value});
    }
    if (!db_)
        return;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO defaults (key, type, value) VALUES (?, ?, ?)", -1, &stmt,
                           nullptr)
        != SQLITE_OK) {
        qWarning().noquote() << QStringLiteral("UserDefaults write: %1").arg(QString::fromUtf8(sqlite3_errmsg(db_)));
        return;
    }
    const QByteArray k = keyBytes(key);
    const QByteArray v = encode(type, value);
    sqlite3_bind_blob(stmt, 1, k.constData(), k.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 2, static_cast<int>(type));
    sqlite3_bind_blob(stmt, 3, v.constData(), v.size(), SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        qWarning().noquote() << QStringLiteral("UserDefaults write: %1").arg(QString::fromUtf8(sqlite3_errmsg(db_)));
    sqlite3_finalize(stmt);
}

bool UserDefaults::contains(const QString &key) const
{
    std::lock_guard lock(cacheMutex_);
    return values_.contains(key);
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    std::lock_guard lock(cacheMutex_);
    auto it = values_.constFind(key);
    return it == values_.constEnd() ? QVariant() : it->second;
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    bool ok = false;
    if (v.typeId() == QMetaType::Double) {
        // Like a C cast: fractions are cut, not rounded.
        const double d = v.toDouble();
        return d > -9.0e18 && d < 9.0e18 ? static_cast<qint64>(d) : 0;
    }
    qint64 value = v.toLongLong(&ok);
    if (!ok) {
        double d = v.toDouble(&ok);
        value = ok && d > -9.0e18 && d < 9.0e18 ? static_cast<qint64>(d) : 0;
    }
    return value;
}

double UserDefaults::doubleForKey(const QString &key) const { return objectForKey(key).toDouble(); }

bool UserDefaults::boolForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("yes") || s == QLatin1String("true") || s.toLongLong() != 0;
    }
    return v.toBool();
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QByteArray || v.typeId() == QMetaType::QStringList)
        return {};
    return v.toString();
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QDateTime UserDefaults::dateForKey(const QString &key) const { return objectForKey(key).toDateTime(); }

QColor UserDefaults::colorForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QColor ? v.value<QColor>() : QColor();
}

QStringList UserDefaults::stringListForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QStringList ? v.toStringList() : QStringList();
}

QStringList UserDefaults::allKeys() const
{
    std::lock_guard lock(cacheMutex_);
    return values_.keys();
}

void UserDefaults::setInteger(const QString &key, qint64 value) { write(key, Type::Integer, QVariant(value)); }
void UserDefaults::setDouble(const QString &key, double value) { write(key, Type::Double, QVariant(value)); }
void UserDefaults::setBool(const QString &key, bool value) { write(key, Type::Bool, QVariant(value)); }
void UserDefaults::setString(const QString &key, const QString &value) { write(key, Type::String, QVariant(value)); }
void UserDefaults::setData(const QString &key, const QByteArray &value) { write(key, Type::Data, QVariant(value)); }
void UserDefaults::setDate(const QString &key, const QDateTime &value) { write(key, Type::Date, QVariant(value)); }
void UserDefaults::setColor(const QString &key, const QColor &value)
{
    write(key, Type::Color, QVariant::fromValue(value));
}
void UserDefaults::setStringList(const QString &key, const QStringList &value)
{
    write(key, Type::StringList, QVariant(value));
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    std::lock_guard lock(writeMutex_);
    {
        std::lock_guard cache(cacheMutex_);
        values_.remove(key);
    }
    if (!db_)
        return;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "DELETE FROM defaults WHERE key = ?", -1, &stmt, nullptr) != SQLITE_OK)
        return;
    const QByteArray k = keyBytes(key);
    sqlite3_bind_blob(stmt, 1, k.constData(), k.size(), SQLITE_TRANSIENT);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void UserDefaults::removeAll()
{
    std::lock_guard lock(writeMutex_);
    clearCache();
    exec("DELETE FROM defaults");
}

UserDefaults::Batch::Batch(UserDefaults &defaults) : defaults_(defaults)
{
    defaults_.writeMutex_.lock();
    if (defaults_.batchDepth_++ == 0)
        defaults_.exec("BEGIN IMMEDIATE");
}

UserDefaults::Batch::~Batch()
{
    // A transaction left open would swallow every later write, unsaved.
    if (--defaults_.batchDepth_ == 0 && defaults_.db_ && !sqlite3_get_autocommit(defaults_.db_)
        && !defaults_.exec("COMMIT")) {
        qWarning().noquote() << QStringLiteral("UserDefaults Batch: %1")
                                    .arg(QString::fromUtf8(sqlite3_errmsg(defaults_.db_)));
        defaults_.exec("ROLLBACK");
    }
    defaults_.writeMutex_.unlock();
}

} // namespace platform
