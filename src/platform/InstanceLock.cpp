#include "platform/InstanceLock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// In the abstract namespace: no file to go stale, gone with the process.
// Named from the folder as the kernel resolves it, so a link to the folder
// reaches the same program. Any user may connect to such a name, or take it
// first: the peer check keeps users apart.
QString socketNameFor(const QString &folder)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(QDir(folder).canonicalPath()), QCryptographicHash::Sha256);
    return QStringLiteral("tolvane-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.toHex().left(32)));
}

// What the running program answers once its windows came to the front.
constexpr char kBroughtToFront = '!';

// Silent and still connected. A knock whose knocker gave up (this program was
// stopped meanwhile) would bring the windows up long after the second start
// said they did not come.
bool stillWaiting(int fd)
{
    char byte;
    return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

int openLockFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    // A folder one may read but not write can still be locked through a lock
    // file made earlier.
    return fd >= 0 || (errno != EACCES && errno != EROFS) ? fd
                                                          : ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
}

} // namespace

InstanceLock::InstanceLock(const QString &folder, PeerLook peerLook) : peerLook_(std::move(peerLook))
{
    if (!QDir().mkpath(folder)) {
        error_ = QStringLiteral("%1 cannot be made").arg(folder);
        return;
    }
    const QString lockPath = QDir(folder).filePath(QStringLiteral("instance.lock"));
    // Close-on-exec: a program started from here and outliving us must not
    // keep the lock.
    fd_ = openLockFile(QFile::encodeName(lockPath));
    if (fd_ < 0) {
        error_ = QStringLiteral("%1: %2").arg(lockPath, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    int locked;
    do
        locked = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    const int lockError = locked != 0 ? errno : 0;
    socketName_ = socketNameFor(folder);
    if (locked != 0) {
        if (lockError == EWOULDBLOCK)
            state_ = State::HeldElsewhere;
        else
            error_ = QStringLiteral("%1: %2").arg(lockPath, QString::fromLocal8Bit(std::strerror(lockError)));
        ::close(fd_);
        fd_ = -1;
        return;
    }
    state_ = State::Owned;
    // Listening at once: a start racing this one finds the socket as soon as
    // it finds the lock taken. Knocks wait in the backlog until the event loop runs.
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(socketName_)) {
        error_ = QStringLiteral("%1: %2").arg(socketName_, server_->errorString());
        server_.reset();
        return;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this]() {
        while (QLocalSocket *knocker = server_->nextPendingConnection()) {
            // Deleted at once: whatever a connection sends is never read in.
            const std::unique_ptr<QLocalSocket> closing(knocker);
            const int fd = int(knocker->socketDescriptor());
            if (!onKnock_ || !answersKnock(peerLook_(fd), ::getuid(), stillWaiting(fd)))
                continue;
            onKnock_();
            ::send(fd, &kBroughtToFront, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        }
    });
}

InstanceLock::~InstanceLock()
{
    server_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void InstanceLock::setKnockHandler(std::function<void()> onKnock) { onKnock_ = std::move(onKnock); }

bool InstanceLock::knock(int timeoutMs) const
{
    if (state_ != State::HeldElsewhere)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(socketName_);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            // Another user's program may have taken the name first.
            const std::optional<uid_t> runner = peerLook_(int(socket.socketDescriptor()));
            char answer = 0;
            const bool broughtToFront =
                (socket.bytesAvailable() > 0 || socket.waitForReadyRead(int(deadline.remainingTime())))
                && socket.getChar(&answer) && answer == kBroughtToFront;
            return believesAnswer(runner, ::getuid(), broughtToFront);
        }
        // The holder may have taken the lock a moment ago and not listen yet.
        if (deadline.hasExpired() || (socket.error() != QLocalSocket::ServerNotFoundError &&
                                      socket.error() != QLocalSocket::ConnectionRefusedError))
            return false;
        QThread::msleep(20);
    }
}

std::optional<uid_t> peerUser(int socketFd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return std::nullopt;
    return peer.uid;
}

bool answersKnock(std::optional<uid_t> knocker, uid_t self, bool stillWaiting)
{
    return knocker == self && stillWaiting;
}

bool believesAnswer(std::optional<uid_t> runner, uid_t self, bool broughtToFront)
{
    return runner == self && broughtToFront;
}

} // namespace platform
