#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>

namespace platform {

// Work that may wait on a file system that does not answer (a share whose
// server is gone), each run on a thread of its own, with its answer taken on
// the main thread. Ending the work (end(), or the owner's end with this one)
// drops the answers not yet taken and waits for no thread still held in the
// file system: that one is left behind and touches nothing more.
class FileWork {
public:
    FileWork() = default;
    ~FileWork() { end(); }
    FileWork(const FileWork &) = delete;
    FileWork &operator=(const FileWork &) = delete;

    // `work` runs on its own thread; `done` takes its result on the main thread.
    // `what` names it in the log when it is left behind.
    template <typename Work, typename Done>
    void run(const QString &what, Work work, Done done)
    {
        using Result = std::invoke_result_t<Work &>;
        start(what, [work = std::move(work), done = std::move(done)]() mutable -> std::function<void()> {
            auto result = std::make_shared<const Result>(work());
            return [result, done]() { done(*result); };
        });
    }
    // Whether an answer is still to come.
    bool busy() const { return !jobs_.isEmpty(); }
    void end();

private:
    struct Job;
    void start(const QString &what, std::function<std::function<void()>()> work);
    void finished(const std::shared_ptr<Job> &job);

    QList<std::shared_ptr<Job>> jobs_;
};

// Called on a work thread before its file calls, with the path it is about:
// tests stand a share that does not answer in there. One for each kind of
// work (`Kind` only tells them apart); a work takes the one set when asked.
template <typename Kind>
class FileCallHook {
public:
    using Call = std::function<void(const QString &path)>;
    static void set(Call call)
    {
        const std::lock_guard lock(slot().mutex);
        slot().call = std::move(call);
    }
    static Call get()
    {
        const std::lock_guard lock(slot().mutex);
        return slot().call;
    }
    struct Scoped {
        explicit Scoped(Call call) { set(std::move(call)); }
        ~Scoped() { set({}); }
        Scoped(const Scoped &) = delete;
        Scoped &operator=(const Scoped &) = delete;
    };

private:
    struct Slot {
        std::mutex mutex;
        Call call;
    };
    // Never destroyed: a work a share held may go on to its next file after the exit began.
    static Slot &slot()
    {
        static auto *slot = new Slot;
        return *slot;
    }
};

} // namespace platform
