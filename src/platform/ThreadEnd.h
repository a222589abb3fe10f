#pragma once

#include <QString>

class QThread;

namespace platform {

// How long ending a worker's thread waits for it. A thread held longer in a
// file system that does not answer (a share whose server is gone) is left to
// the end of the program rather than waited for: a quit must not hang on it.
constexpr int kThreadEndWaitMs = 3000;

// Waits at most waitMs for a thread already told to end, and deletes it once
// it has; else leaves it behind, saying so in the log with `what`. Answers
// whether it ended.
bool endThread(QThread *thread, int waitMs, const QString &what);

} // namespace platform
