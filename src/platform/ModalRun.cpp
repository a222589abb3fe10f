#include "platform/ModalRun.h"

#include <QDialog>

namespace platform {

namespace {
ModalRunner &runner()
{
    static ModalRunner installed;
    return installed;
}
} // namespace

int runModal(QDialog &dialog) { return runner() ? runner()(dialog) : dialog.exec(); }

void setModalRunner(ModalRunner runner_) { runner() = std::move(runner_); }

} // namespace platform
