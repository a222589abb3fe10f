#include "platform/ModalRun.h"

#include "platform/Dialogs.h"

#include <QDebug>
#include <QDialog>

namespace platform {

namespace {
ModalRunner &runner()
{
    static ModalRunner installed;
    return installed;
}
} // namespace

int runModal(QDialog &dialog)
{
    if (quitting()) {
        qWarning().noquote() << QStringLiteral("Not opened while quitting: %1").arg(dialog.windowTitle());
        return QDialog::Rejected;
    }
    return runner() ? runner()(dialog) : dialog.exec();
}

void setModalRunner(ModalRunner runner_) { runner() = std::move(runner_); }

} // namespace platform
