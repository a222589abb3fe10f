#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <mutex>

struct sqlite3;

namespace platform {

// The user-defaults store: flat keys spelt exactly as the rest of the program
// spells them (any character, "/" and NUL included) mapped to typed values.
// An absent key reads as 0, false or empty, and contains() tells it apart
// from an empty value. Kept in one SQLite database; every write is its own
// transaction (or part of a Batch), so a crash never leaves half a write.
class UserDefaults {
public:
    enum class Type { Integer = 1, Double, Bool, String, Data, Date, Color, StringList };

    // The standard store of the running program (in memory until opened).
    static UserDefaults &standard();
    // $TOLVANE_CONFIG_DIR/defaults.sqlite, else $XDG_CONFIG_HOME/tolvane/defaults.sqlite.
    static QString defaultDatabasePath();
    // Reopens the standard store on a file (an empty path: in memory only).
    static bool openStandard(const QString &databasePath);

    UserDefaults();
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // A damaged or unreadable file is renamed aside and an empty store starts.
    bool open(const QString &databasePath);
    void close();
    QString path() const { return path_; }

    bool contains(const QString &key) const;
    QVariant objectForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    QDateTime dateForKey(const QString &key) const;
    QColor colorForKey(const QString &key) const;
    QStringList stringListForKey(const QString &key) const;
    QStringList allKeys() const;

    void setInteger(const QString &key, qint64 value);
    void setDouble(const QString &key, double value);
    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void setDate(const QString &key, const QDateTime &value);
    void setColor(const QString &key, const QColor &value);
    void setStringList(const QString &key, const QStringList &value);
    void removeObjectForKey(const QString &key);
    void removeAll();
    // Kept for callers that ask for it; writes are already durable.
    void synchronize() {}

    // Groups the writes made during its lifetime into one transaction
    // (tables of records are rewritten whole).
    class Batch {
    public:
        explicit Batch(UserDefaults &defaults);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        UserDefaults &defaults_;
    };

private:
    void write(const QString &key, Type type, const QVariant &value);
    bool exec(const char *sql);
    bool loadAll();

    void clearCache();

    // Writers (and a Batch, for its lifetime) hold writeMutex_ across the disk
    // write; readers on the MIDI and clock threads take only cacheMutex_, so
    // they never wait for a disk flush.
    std::recursive_mutex writeMutex_;
    mutable std::mutex cacheMutex_;
    QHash<QString, QPair<Type, QVariant>> values_;
    sqlite3 *db_ = nullptr;
    QString path_;
    int batchDepth_ = 0;
};

} // namespace platform
