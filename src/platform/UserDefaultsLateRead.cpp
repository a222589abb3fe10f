// A store that could not be read at open, read later: its values are taken
// on the main thread, together with the program's reload, before any change
// waiting is written.
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "platform/UserDefaultsCodec.h"

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QSet>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <utility>

namespace platform {

using namespace defaultscodec;

namespace {

// The modal window open now, if any (main thread only).
QWidget *modalWindow()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) ? QApplication::activeModalWidget() : nullptr;
}

} // namespace

// Waits, as a child of a modal window, for it to close. The window hides
// inside its own event loop, so the take is asked for a turn later, once that
// loop has returned to its caller.
class UserDefaults::ModalWatch final : public QObject {
public:
    ModalWatch(QWidget *modal, std::function<void()> take) : QObject(modal), take_(std::move(take))
    {
        modal->installEventFilter(this);
    }
    ~ModalWatch() override { closed(); }

    // One that has fired lives until its deletion, which the same window opened again may come before.
    bool waitsFor(const QWidget *modal) const { return take_ && parent() == modal; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::Hide) {
            closed();
            deleteLater();
        }
        return false;
    }

private:
    void closed()
    {
        if (take_)
            runOnMain(std::exchange(take_, nullptr));
    }

    std::function<void()> take_;
};

bool UserDefaults::hasRead() const
{
    std::lock_guard lock(queueMutex_);
    return read_;
}

void UserDefaults::whenReadLate(std::function<void(const QString &notice)> handler)
{
    std::lock_guard lock(queueMutex_);
    if (!readLateNotice_.isEmpty()) {
        runOnMain([handler = std::move(handler), notice = readLateNotice_]() { handler(notice); });
        readLateNotice_.clear();
        return;
    }
    readLateHandler_ = std::move(handler);
}

void UserDefaults::readStored(const QString &part, std::function<void()> read, const QObject *owner)
{
    read();
    afterLateRead(part, std::move(read), owner);
}

void UserDefaults::afterLateRead(const QString &part, std::function<void()> read, const QObject *owner)
{
    std::lock_guard lock(queueMutex_);
    // A part given while the parts run (a window a part's refresh made) has
    // just read the file's values, which are in place by then: no read comes
    // after it.
    if (read_ || late_ == Late::Taking)
        return;
    std::erase_if(storedParts_, [&](const StoredPart &p) { return p.name == part && p.owner == owner; });
    storedParts_.push_back({part, owner, owner, std::move(read)});
}

void UserDefaults::runStoredParts()
{
    std::vector<StoredPart> parts;
    {
        std::lock_guard lock(queueMutex_);
        parts = std::exchange(storedParts_, {});
    }
    for (const StoredPart &part : parts)
        if (!part.owner || part.alive)
            part.read();
}

void UserDefaults::readAgain(std::unique_lock<std::mutex> &lock)
{
    ++triesStarted_;
    writing_ = true;
    lock.unlock();
    Values stored;
    QString aside;
    QString why;
    bool writable = true;
    const Health health = readStore(&stored, &aside, &why, &writable);
    lock.lock();
    writing_ = false;
    if (health != Health::Healthy) {
        if (why != lastWriteError_)
            qWarning().noquote() << QStringLiteral("UserDefaults: %1 still cannot be read: %2").arg(path_, why);
        lastWriteError_ = why;
        endTry(false);
        return;
    }
    // Joined here rather than on the main thread, which then only puts the
    // result in place, and the program's own readers prepare their work from
    // it here too.
    static std::atomic<quint64> lastReadId{0};
    holdAsRead(stored);
    // Until now the changes were held, not refused: a refusal from here on is news.
    refusalSaid_ = false;
    lateJoin_ = joinOwnChanges(std::move(stored));
    lateReadId_ = ++lastReadId;
    {
        std::lock_guard cache(cacheMutex_);
        trackingFor_ = lateReadId_;
        writtenSince_.clear();
        clearedSince_ = false;
    }
    if (!preparers_.empty()) {
        const auto preparers = preparers_;
        const Snapshot values(lateJoin_.values);
        lock.unlock();
        for (const auto &prepare : preparers)
            prepare(values, lateReadId_);
        lock.lock();
    }
    lateNotice_ = aside.isEmpty()
                      ? QStringLiteral("The settings file \"%1\" has been read: its settings are in use now.").arg(path_)
                      : QStringLiteral("The settings file \"%1\" was damaged: it was set aside as \"%2\".")
                            .arg(path_, aside);
    qWarning().noquote() << QStringLiteral("UserDefaults: %1").arg(lateNotice_);
    late_ = Late::Waiting;
    if (!QCoreApplication::instance()) {
        takeLateRead(lock, true);
        return;
    }
    postTake();
    // A wait on the main thread takes them itself.
    written_.notify_all();
}

void UserDefaults::prepareForLateRead(std::function<void(const Snapshot &values, quint64 readId)> prepare)
{
    std::lock_guard lock(queueMutex_);
    preparers_.push_back(std::move(prepare));
}

bool UserDefaults::preparedStillHolds(quint64 readId, const QString &prefix) const
{
    std::lock_guard lock(cacheMutex_);
    return readId != 0 && readId == trackingFor_ && !clearedSince_
           && std::none_of(writtenSince_.cbegin(), writtenSince_.cend(),
                           [&prefix](const QString &key) { return key.startsWith(prefix); });
}

void UserDefaults::postTake()
{
    runOnMain([alive = std::weak_ptr<UserDefaults *>(alive_)]() {
        if (const auto self = alive.lock())
            (*self)->takeLateReadOnMain();
    });
}

bool UserDefaults::mayTakeNow() const
{
    // Start-up or quit under way, or a modal window's handler waiting on it:
    // taken once it is over.
    return late_ == Late::Waiting && (provisionalDepth_ == 0 || !QCoreApplication::instance()) && !modalWindow();
}

bool UserDefaults::mayTakeHere() const
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void UserDefaults::takeLateReadOnMain()
{
    std::unique_lock lock(queueMutex_);
    QWidget *modal = modalWindow();
    if (late_ == Late::Waiting && modal && !(modalWatch_ && modalWatch_->waitsFor(modal))) {
        modalWatch_ = new ModalWatch(modal, [alive = std::weak_ptr<UserDefaults *>(alive_)]() {
            if (const auto self = alive.lock())
                (*self)->postTake();
        });
    }
    takeLateRead(lock, true);
}

void UserDefaults::takeLateRead(std::unique_lock<std::mutex> &lock, bool withHandler)
{
    if (late_ != Late::Waiting || (withHandler && !mayTakeNow()))
        return;
    late_ = Late::Taking;
    takeJoined();
    const QString notice = std::exchange(lateNotice_, QString());
    const auto handler = withHandler ? readLateHandler_ : nullptr;
    if (withHandler && !handler)
        readLateNotice_ = notice;
    if (withHandler) {
        lock.unlock();
        runStoredParts();
        if (handler)
            handler(notice);
        lock.lock();
    }
    {
        std::lock_guard cache(cacheMutex_);
        trackingFor_ = 0;
        writtenSince_.clear();
    }
    late_ = Late::None;
    read_ = true;
    lastWriteError_.clear();
    queueChanged_.notify_all();
    endTry(true);
}

UserDefaults::Join UserDefaults::joinOwnChanges(Values stored) const
{
    // Nothing was written before this read, so the changes waiting are all
    // this run's own: their keys keep the values this run gave them. Those
    // written only provisionally keep theirs only where the file has none.
    Join join;
    QSet<QString> changed;
    QSet<QString> provisional;
    for (const Op &op : pending_) {
        if (op.kind == Op::Kind::RemoveAll)
            join.cleared = true;
        else
            (op.provisional ? provisional : changed).insert(keyFromBytes(op.key.constData(), int(op.key.size())));
    }
    if (join.cleared)
        stored.clear();
    for (const QString &key : std::as_const(provisional))
        if (!changed.contains(key) && stored.contains(key))
            join.yielded.insert(key);
    std::lock_guard lock(cacheMutex_);
    for (const QString &key : changed + provisional) {
        if (join.yielded.contains(key))
            continue;
        const auto file = stored.constFind(key);
        if (file == stored.constEnd())
            join.added.insert(key);
        else
            join.replaced.insert(key, *file);
        const auto mine = values_.constFind(key);
        if (mine == values_.constEnd())
            stored.remove(key);
        else
            stored.insert(key, *mine);
    }
    join.values = std::move(stored);
    return join;
}

void UserDefaults::install(Join join)
{
    std::erase_if(pending_, [&yielded = join.yielded](const Op &op) {
        return op.kind != Op::Kind::RemoveAll && yielded.contains(keyFromBytes(op.key.constData(), int(op.key.size())));
    });
    std::lock_guard lock(cacheMutex_);
    values_ = std::move(join.values);
}

void UserDefaults::takeJoined()
{
    Join join = std::exchange(lateJoin_, Join());
    bool written = false;
    {
        std::lock_guard lock(cacheMutex_);
        written = clearedSince_ || !writtenSince_.isEmpty();
    }
    if (written) {
        // Written since the join: joined again with the file's values as read.
        for (const QString &key : std::as_const(join.added))
            join.values.remove(key);
        for (auto it = join.replaced.cbegin(); it != join.replaced.cend(); ++it)
            join.values.insert(it.key(), *it);
        join = joinOwnChanges(std::move(join.values));
    }
    install(std::move(join));
}

} // namespace platform
