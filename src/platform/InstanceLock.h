#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace platform {

// One running program per settings folder. The first start holds a kernel
// lock (flock) on a file in the folder, which the kernel drops however the
// process ends, so a killed program never blocks the next start; it also
// listens on a local socket named from the folder. A later start finds the
// lock taken and knocks on that socket, so the running program can come to
// the front. The lock file is never written nor removed.
class InstanceLock {
public:
    enum class State {
        Owned,         // this process runs the folder
        HeldElsewhere, // another process runs it
        Unguarded,     // no lock could be had (say a read-only folder): see error()
    };

    // Takes the folder's lock, making the folder if need be.
    explicit InstanceLock(const QString &folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    State state() const { return state_; }
    // Why there is no lock, or why a later start cannot knock.
    QString error() const { return error_; }

    // Owned: runs on the main thread's event loop each time a later start knocks.
    void setKnockHandler(std::function<void()> onKnock);
    // HeldElsewhere: asks the running program to come to the front. False when
    // it could not be reached within timeoutMs.
    bool knock(int timeoutMs) const;

private:
    State state_ = State::Unguarded;
    QString error_;
    QString socketName_;
    int fd_ = -1;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onKnock_;
};

} // namespace platform
