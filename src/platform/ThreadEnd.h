#pragma once

#include <QString>

class QThread;

namespace platform {

// How long ending a worker's thread waits for it. A thread held longer in a
// file system that does not answer (a share whose server is gone) is left to
// the end of the program rather than waited for: a quit must not hang on it.
constexpr int kThreadEndWaitMs = 3000;
// What a thread told to end is given once a quit's shared waits are spent (from kQuitFloorsMs): an
// idle one ends well within it, and is not left behind for want of a moment.
constexpr int kThreadEndFloorMs = 20;

// Waits at most waitMs (at a quit, no more than the quit has left, but at
// least kThreadEndFloorMs: quitWaitLeftMs) for a thread already told to end,
// and deletes it once it has; else leaves it behind, saying so in the log with
// `what`. Answers whether it ended.
bool endThread(QThread *thread, int waitMs, const QString &what);

// What endThread does for a thread it leaves behind, for one that is no
// QThread and that its owner waited for by its own means.
void leftBehind(const QString &what);

// A thread left behind goes on once its file system answers, which may be
// after the program has ended, while the exit destroys what it would touch.
// What it does then, it does inside one of these: while the program runs
// nothing waits, and the exit waits for the one inside; once the exit has
// begun, making one never returns (the end of the process ends the thread).
// The end begins only when the exit comes from the main thread through exit()
// (a return from main does): an exit() from another thread destroys the
// statics without it, and _exit() or abort() destroy nothing.
class BeforeTheEnd {
public:
    BeforeTheEnd();
    ~BeforeTheEnd();
    BeforeTheEnd(const BeforeTheEnd &) = delete;
    BeforeTheEnd &operator=(const BeforeTheEnd &) = delete;
};

} // namespace platform
