#include "platform/UserDefaults.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DataFolder.h"
#include "platform/KeptAtQuit.h"
#include "platform/Paths.h"
#include "platform/UserDefaultsCodec.h"

#include <QDataStream>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sqlite3.h>
#include <algorithm>
#include <iterator>

namespace platform::defaultscodec {

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
        // UTF-8, but for the stray bytes of a path whose name is not valid UTF-8, kept as they are.
        return nativePath(value.toString());
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

// What reading a key the store lacks answers, encoded; a colour has no such value.
QByteArray answerWhenMissing(int type)
{
    const auto t = static_cast<UserDefaults::Type>(type);
    return t == UserDefaults::Type::Color ? QByteArray("none") : encode(t, QVariant());
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
        return QVariant(fromNativePath(bytes));
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

} // namespace platform::defaultscodec

namespace platform {

using namespace defaultscodec;

namespace {

qint64 integerOf(const QVariant &v)
{
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

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults defaults;
    return defaults;
}

QString UserDefaults::defaultDatabasePath()
{
    return configFolder() + QStringLiteral("/defaults.sqlite");
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

UserDefaults::~UserDefaults()
{
    close();
    alive_.reset();
}

void UserDefaults::clearCache()
{
    std::lock_guard lock(cacheMutex_);
    values_.clear();
    clearedSince_ = trackingFor_ != 0;
}

QString UserDefaults::openNotice() const { return notice_; }

void UserDefaults::write(const QString &key, Type type, const QVariant &value)
{
    Op op;
    op.kind = Op::Kind::Set;
    op.key = keyBytes(key);
    op.type = static_cast<int>(type);
    op.value = encode(type, value);
    std::lock_guard queue(queueMutex_);
    if (baselineDepth_ > 0) {
        ownHeld_.insert(key, {op.type, op.value});
        return;
    }
    {
        std::lock_guard cache(cacheMutex_);
        if (provisionalDepth_ > 0 && !provisionalNow() && values_.contains(key))
            return;
        values_.insert(key, {type, value});
        if (trackingFor_ != 0)
            writtenSince_.insert(key);
    }
    op.provisional = (provisionalDepth_ > 0 && provisionalNow()) || bookkeepingDepth_ > 0;
    if (op.provisional)
        ownHeld_.insert(key, {op.type, op.value});
    enqueue(std::move(op));
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

qint64 UserDefaults::integerForKey(const QString &key) const { return integerOf(objectForKey(key)); }

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

UserDefaults::Snapshot UserDefaults::snapshot() const
{
    std::lock_guard lock(cacheMutex_);
    return Snapshot(values_);
}

QVariant UserDefaults::Snapshot::objectForKey(const QString &key) const
{
    const auto it = values_.constFind(key);
    return it == values_.constEnd() ? QVariant() : it->second;
}

qint64 UserDefaults::Snapshot::integerForKey(const QString &key, bool *stored) const
{
    const auto it = values_.constFind(key);
    if (stored)
        *stored = it != values_.constEnd();
    return it == values_.constEnd() ? 0 : integerOf(it->second);
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
    Op op;
    op.kind = Op::Kind::Remove;
    op.key = keyBytes(key);
    std::lock_guard queue(queueMutex_);
    if (baselineDepth_ > 0) {
        ownHeld_.remove(key);
        return;
    }
    {
        std::lock_guard cache(cacheMutex_);
        if (provisionalDepth_ > 0 && !provisionalNow() && values_.contains(key))
            return;
        values_.remove(key);
        if (trackingFor_ != 0)
            writtenSince_.insert(key);
    }
    op.provisional = (provisionalDepth_ > 0 && provisionalNow()) || bookkeepingDepth_ > 0;
    enqueue(std::move(op));
}

void UserDefaults::holdAsRead(const Values &values)
{
    fileHeld_.clear();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        fileHeld_.insert(it.key(), {int(it->first), encode(it->first, it->second)});
}

void UserDefaults::holdAsWritten(const std::vector<Op> &ops, bool recreated)
{
    if (recreated)
        fileHeld_.clear();
    for (const Op &op : ops) {
        const QString key = keyFromBytes(op.key.constData(), int(op.key.size()));
        switch (op.kind) {
        case Op::Kind::Set: fileHeld_.insert(key, {op.type, op.value}); break;
        case Op::Kind::Remove: fileHeld_.remove(key); break;
        case Op::Kind::RemoveAll: fileHeld_.clear(); break;
        }
    }
}

std::vector<UserDefaults::Op> UserDefaults::changesOnly(const std::vector<Op> &ops, bool dropOwn) const
{
    // Unread, the file's values are unknown, but the program's own writes
    // could only fill keys it lacks: not worth a wait.
    if (!read_ && late_ == Late::None && dropOwn) {
        std::vector<Op> out;
        std::copy_if(ops.cbegin(), ops.cend(), std::back_inserter(out), [](const Op &op) { return !op.provisional; });
        return out;
    }
    // After a removal of everything, every key is a change.
    if (!read_ || late_ != Late::None
        || std::any_of(ops.cbegin(), ops.cend(), [](const Op &op) { return op.kind == Op::Kind::RemoveAll; }))
        return ops;
    QHash<QString, const Op *> last;
    QSet<QString> performers;
    for (const Op &op : ops) {
        const QString key = keyFromBytes(op.key.constData(), int(op.key.size()));
        last.insert(key, &op);
        if (!op.provisional)
            performers.insert(key);
    }
    std::vector<Op> out;
    for (const Op &op : ops) {
        const QString key = keyFromBytes(op.key.constData(), int(op.key.size()));
        const Op &final = *last.value(key);
        const auto held = fileHeld_.constFind(key);
        // A key the file lacks is unchanged too where it is given what reading
        // it answered (0, false, empty), or what the program's own write gave it
        // (a default start-up filled in).
        const auto own = held == fileHeld_.cend() ? ownHeld_.constFind(key) : ownHeld_.cend();
        const bool unchanged =
            final.kind == Op::Kind::Remove
                ? held == fileHeld_.cend()
                : held != fileHeld_.cend()
                      ? held->first == final.type && held->second == final.value
                      : own != ownHeld_.cend() ? own->first == final.type && own->second == final.value
                                               : final.value == answerWhenMissing(final.type);
        if (!unchanged && !(dropOwn && !performers.contains(key)))
            out.push_back(op);
    }
    return out;
}

void UserDefaults::keepUnwritten() const
{
    // The changes as they would have left the file: the last of each key,
    // none before a removal of everything, none that leaves a key as the file
    // holds it. The program's own defaults and bookkeeping (provisional
    // writes) are not the performer's changes.
    bool removedAll = false;
    QStringList order;
    QHash<QString, const Op *> last;
    const std::vector<Op> unwritten = changesOnly(pending_, false);
    for (const Op &op : unwritten) {
        if (op.kind == Op::Kind::RemoveAll) {
            removedAll = true;
            order.clear();
            last.clear();
            continue;
        }
        if (op.provisional)
            continue;
        const QString key = keyFromBytes(op.key.constData(), int(op.key.size()));
        if (!last.contains(key))
            order << key;
        last.insert(key, &op);
    }
    if (order.isEmpty() && !removedAll)
        return;
    QJsonArray changes;
    for (const QString &key : std::as_const(order)) {
        const Op &op = *last.value(key);
        QJsonObject change{{QStringLiteral("key"), key}};
        if (op.kind == Op::Kind::Remove) {
            change.insert(QStringLiteral("removed"), true);
        } else {
            const auto type = static_cast<Type>(op.type);
            // Data kept in base 64, every other value as the store encodes it; a text as the store reads it back,
            // so that the stray bytes of a path not valid UTF-8 stay (JSON writes them as escaped lone surrogates).
            change.insert(QStringLiteral("type"), op.type);
            if (type == Type::StringList)
                change.insert(QStringLiteral("value"), QJsonArray::fromStringList(decode(type, op.value).toStringList()));
            else if (type == Type::Data)
                change.insert(QStringLiteral("base64"), QString::fromLatin1(op.value.toBase64()));
            else if (type == Type::String)
                change.insert(QStringLiteral("value"), decode(type, op.value).toString());
            else
                change.insert(QStringLiteral("value"), QString::fromUtf8(op.value));
        }
        changes.append(change);
    }
    const QJsonObject kept{{QStringLiteral("settingsFile"), path_},
                           {QStringLiteral("quit"), currentDateTime().toString(Qt::ISODate)},
                           {QStringLiteral("why"), lastWriteError_},
                           {QStringLiteral("removedAll"), removedAll},
                           {QStringLiteral("changes"), changes}};
    const QByteArray bytes = QJsonDocument(kept).toJson();
    const QString path = kept::keep(QStringLiteral("Settings"), QStringLiteral("json"),
                                    [&bytes](const QString &to, QString *error) {
                                        return writeFileAtomically(to, bytes, error);
                                    });
    kept::tellNextStart(kept::What::Settings, path,
                        QStringLiteral("the changes of %1 settings").arg(QString::number(changes.size())));
}

void UserDefaults::removeAll()
{
    Op op;
    op.kind = Op::Kind::RemoveAll;
    std::lock_guard queue(queueMutex_);
    clearCache();
    // Nothing waiting matters any more.
    pending_.clear();
    enqueue(std::move(op));
}

UserDefaults::Batch::Batch(UserDefaults &defaults) : defaults_(defaults)
{
    std::lock_guard queue(defaults_.queueMutex_);
    ++defaults_.batchDepth_;
}

UserDefaults::Batch::~Batch()
{
    std::lock_guard queue(defaults_.queueMutex_);
    if (--defaults_.batchDepth_ == 0)
        defaults_.queueChanged_.notify_all();
}

UserDefaults::Bookkeeping::Bookkeeping(UserDefaults &defaults) : defaults_(defaults)
{
    std::lock_guard queue(defaults_.queueMutex_);
    ++defaults_.bookkeepingDepth_;
}

UserDefaults::Bookkeeping::~Bookkeeping()
{
    std::lock_guard queue(defaults_.queueMutex_);
    --defaults_.bookkeepingDepth_;
}

UserDefaults::Baseline::Baseline(UserDefaults &defaults) : defaults_(defaults)
{
    std::lock_guard queue(defaults_.queueMutex_);
    ++defaults_.baselineDepth_;
}

UserDefaults::Baseline::~Baseline()
{
    std::lock_guard queue(defaults_.queueMutex_);
    --defaults_.baselineDepth_;
}

UserDefaults::Provisional::Provisional(UserDefaults &defaults) : defaults_(defaults)
{
    std::lock_guard queue(defaults_.queueMutex_);
    active_ = defaults_.provisionalNow();
    if (active_)
        ++defaults_.provisionalDepth_;
}

UserDefaults::Provisional::~Provisional()
{
    std::lock_guard queue(defaults_.queueMutex_);
    if (active_ && --defaults_.provisionalDepth_ == 0 && defaults_.late_ == Late::Waiting)
        defaults_.postTake();
}

} // namespace platform
