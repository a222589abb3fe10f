#pragma once

#include <QByteArray>
#include <memory>
#include <mutex>

namespace platform::pdfchild {

// A PDF reader process. Only one thread spawns them, one that lives until the
// program ends: the kernel's parent-death signal follows the thread that
// spawned a child, and would end it with a thread that goes. That thread also
// reaps every child that ends, whether or not its reader is waiting on it.
struct Child {
    int pid = -1;
    int pidfd = -1;  // -1 where the kernel has none: then reaped by its reader only
    int socket = -1; // the program's end, closed by the reader that ends it
    qint64 ceiling = 0;
    QByteArray program;
    bool greeted = false; // it said hello: a child given back has said it to an earlier reader
    qint64 startKb = 0;  // its peak memory when it said hello
    qint64 endedKb = -1; // and when a fatal signal ended it, as it said then

    ~Child();
    // Reaps it once it has ended, waiting for that when `block`; answers whether it has ended.
    bool reap(bool block);
    // Waits at most ms for it to end by itself; answers whether it did.
    bool awaitEnd(int ms);
    // Unless reaped already: until then its pid cannot be another process's.
    void kill();
    // Whether SIGKILL ended it, once reaped.
    bool killed() const;

private:
    mutable std::mutex mutex_;
    bool reaped_ = false;
    int status_ = 0;
};

struct Started {
    std::shared_ptr<Child> child; // none when it could not be started
    QByteArray program;           // what was started, or tried
    int error = 0;
};

// A child under this ceiling: the spare when there is one, else started now.
// Either way the next spare is started, once keepSpare has been called: when
// spareWanted says so (the child taken has answered its first page), else a second later.
Started take(const QByteArray &program, qint64 ceiling);
void spareWanted();
void setSpareAfterMs(qint64 ms); // PdfProcess::setSpareAfterMs
// A child a reader is through with, idle and holding no document: the spare
// from now on when one is kept (its library, fonts and caches warm, it
// renders a first page sooner than a fresh one), else ended.
void giveBack(std::shared_ptr<Child> child);
// From now on a spare child is kept started, under the ceiling children get then.
void keepSpare(const QByteArray &program);
// From now on no spare is kept: the one there is ended and reaped (the
// program's end, after its windows: its child is not left to the system).
void endSpare();
// The ceiling children started from now on run under.
qint64 ceilingNow();
void setCeiling(qint64 bytes);

} // namespace platform::pdfchild
