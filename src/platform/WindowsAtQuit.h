#pragma once

#include <functional>

class QWidget;

namespace platform {

// A quit finds windows open with the performer's changes in them. Each one
// counts as closed by the performer, through its own close: what its close
// keeps is kept, and once a quit has begun nothing it asks is asked. A cell
// still being typed is committed first, as leaving it would commit it.
//
// Closes every shown top-level window but the questions of the dialog layer
// and those `stays` keeps open (windows whose layout is saved after).
void closeWindowsForQuit(const std::function<bool(const QWidget *)> &stays);

} // namespace platform
