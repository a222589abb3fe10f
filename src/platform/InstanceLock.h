#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

class QLocalServer;

namespace platform {

// The user the process at the other end of a connected local socket runs as;
// nullopt when the kernel cannot say (not a socket).
std::optional<uid_t> peerUser(int socketFd);

// One running program per settings folder. The first start holds a kernel
// lock (flock) on a file in the folder, which the kernel drops however the
// process ends, so a killed program never blocks the next start; it also
// listens on a local socket named from the folder. A later start finds the
// lock taken and knocks on that socket; the running program comes to the
// front and answers that it did. A knock is a connection of the same user
// that says nothing and waits: nothing sent on the socket is ever read. The
// lock file is never written nor removed.
class InstanceLock {
public:
    enum class State {
        Owned,         // this process runs the folder
        HeldElsewhere, // another process runs it
        Unguarded,     // no lock could be had (say a read-only folder): see error()
    };

    // The user at the other end of a connected socket (peerUser; tests stand in another).
    using PeerLook = std::function<std::optional<uid_t>(int socketFd)>;

    // Takes the folder's lock, making the folder if need be.
    explicit InstanceLock(const QString &folder, PeerLook peerLook = &peerUser);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    State state() const { return state_; }
    // Why there is no lock, or why a later start cannot knock.
    QString error() const { return error_; }

    // Owned: runs on the main thread's event loop each time a later start knocks.
    void setKnockHandler(std::function<void()> onKnock);
    // HeldElsewhere: asks the running program to come to the front. True once
    // it answered that it did; false when no answer came within timeoutMs (it
    // is stopped or busy, or cannot be reached).
    bool knock(int timeoutMs) const;

private:
    State state_ = State::Unguarded;
    QString error_;
    QString socketName_;
    int fd_ = -1;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onKnock_;
    PeerLook peerLook_;
};

// The socket's name is open to every user of the machine, so each side acts
// only on a peer (as peerUser gives it) of its own user, self. The running
// program brings its windows up for a knock still waiting; a second start
// believes an answer that they came up.
bool answersKnock(std::optional<uid_t> knocker, uid_t self, bool stillWaiting);
bool believesAnswer(std::optional<uid_t> runner, uid_t self, bool broughtToFront);

} // namespace platform
