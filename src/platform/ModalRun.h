#pragma once

#include <functional>

class QDialog;

namespace platform {

// Runs a window modally (QDialog::exec). Tests install a runner that returns
// at once, leaving the window open for them to drive and close. Once a quit
// has begun it does not run (platform::quitting).
int runModal(QDialog &dialog);

using ModalRunner = std::function<int(QDialog &)>;
// Installs a runner; an empty one goes back to exec().
void setModalRunner(ModalRunner runner);

} // namespace platform
